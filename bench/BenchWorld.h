// A world for the game benchmarks: the shipped map when it is embedded, else a generated one.
#pragma once

#include <stdexcept>

#include "core/Settings.h"
#include "game/ProgramState.h"
#include "game/World.h"
#include "platform/headless/PlatformHeadless.h"

// Starts the game on the program as it is (a display may be set up already).
inline void StartBenchGame() {
  Settings.UseResources = true;
  try {
    GameStart();
  } catch (const std::runtime_error&) {
    MapFileOverride = "/nonexistent/corvina-bench-map.dat";  // cannot be opened: generated
    GameStart();
    MapFileOverride.clear();
  }
}

// A fresh program with a started game and no display.
inline void StartBenchWorld() {
  ResetProgramState();
  StartBenchGame();
}
