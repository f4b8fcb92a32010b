// A world for the game benchmarks: the shipped map when it is embedded, else a generated one.
#pragma once

#include <stdexcept>

#include "game/Random.h"
#include "game/World.h"
#include "platform/headless/PlatformHeadless.h"
#include "core/Settings.h"

inline void StartBenchWorld() {
  ResetSettings();
  HeadlessReset();
  RandSeed = 0;
  Settings.UseResources = true;
  MapFileOverride.clear();
  try {
    GameStart();
  } catch (const std::runtime_error&) {
    MapFileOverride = "/nonexistent/corvina-bench-map.dat";  // cannot be opened: generated
    GameStart();
    MapFileOverride.clear();
  }
}
