// Shared helpers of the game tests: a fixture on a fresh program, building maps, starting a
// game on a built map, running frames, and a footstep recorder on the headless audio device.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/ProgramState.h"
#include "game/World.h"
#include "sound/DXSound1.h"

// A stored map of 50000 bytes, built cell by cell; starts flat kind 3 ("sand"), height 0.
class TTestMap {
 public:
  TTestMap();
  TTestMap& Kind(int x, int y, int kind);
  TTestMap& Height(int x, int y, int height);
  TTestMap& Occupant(int x, int y, int occupant);
  // Height for every cell of the rectangle [x0..x1] x [y0..y1].
  TTestMap& Heights(int x0, int y0, int x1, int y1, int height);
  const std::vector<uint8_t>& Bytes() const { return FBytes; }

 private:
  uint8_t& At(int x, int y, int byte);
  std::vector<uint8_t> FBytes;
};

// A file in a per-test temporary directory holding the bytes; returns its path.
std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes);
// A fresh per-process temporary directory path (created).
std::string TempDir();

// The world after GameStart on the given map (loaded through MapFileOverride).
void StartGameOn(const TTestMap& map);
// Persons 1..3 at (50,50), (60,50), (50,60); person 4 without a start cell.
TTestMap StandardMap();

// One frame of the game, then the virtual clock moves on.
void RunFrames(int count);

// Base fixture: a fresh program before and after the test.
class GameTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgramState(); }
  void TearDown() override { ResetProgramState(); }
  TPerson& P(int i) { return *World->Person(i); }
  TMap& Map() { return *World->FMap; }
};

// A real sound player on the headless audio device with a footstep in slot 1; counts plays.
class FootstepRecorder {
 public:
  FootstepRecorder();
  ~FootstepRecorder();
  int Plays() const;
  // The pan gains of the last "pan" call on channel 1 (left, right).
  std::pair<int, int> LastPan() const;

 private:
  std::unique_ptr<TDXSound> FSound;
};

// A snapshot of the world's state for comparisons (persons, camera, order, map bytes).
std::string WorldStateText();
