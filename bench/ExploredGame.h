// A headless display with the embedded sheets and a started game, as the headless runner makes
// one, with every cell of the map explored.
#pragma once

#include "bench/BenchWorld.h"
#include "game/Map.h"
#include "game/World.h"
#include "gfx/Display.h"

struct TExploredGame {
  TExploredGame() {
    ResetProgramState();
    Display = &display;
    display.CreateSurfaces(Settings.FullScreen);
    StartBenchGame();
    display.RestartRateMeasurement();
    for (auto& row : World->FMap->FCells)
      for (TMapCell& cell : row) cell.Explored = 1;
    // Settle: the lights and the frame-rate overlay as they are in a running game.
    for (int i = 0; i < 60; ++i) Step();
  }
  ~TExploredGame() {
    GameStop();
    display.ReleaseSurfaces();
    Display = nullptr;
  }
  TExploredGame(const TExploredGame&) = delete;
  TExploredGame& operator=(const TExploredGame&) = delete;
  void Step() {
    GameFrame();
    HeadlessAdvanceClock();
  }
  TDisplay display;
};
