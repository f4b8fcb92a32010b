// A headless display with the embedded sheets and a started game, as the headless runner makes
// one: the start scene as the game begins, or with every cell of the map explored; at 640 x 480
// or 800 x 600.
#pragma once

#include "bench/BenchWorld.h"
#include "game/Map.h"
#include "game/World.h"
#include "gfx/Display.h"

struct TBenchGame {
  enum TScene { Start, Explored };
  explicit TBenchGame(TScene scene = Explored, bool highRes = false) {
    ResetProgramState();
    Settings.HighRes = highRes;
    ApplyScreenSize();
    Display = &display;
    display.CreateSurfaces(Settings.FullScreen);
    StartBenchGame();
    display.RestartRateMeasurement();
    if (scene == Explored) {
      for (auto& row : World->FMap->FCells)
        for (TMapCell& cell : row) cell.Explored = 1;
    }
    // Settle: the lights and the frame-rate overlay as they are in a running game.
    for (int i = 0; i < 60; ++i) Step();
  }
  ~TBenchGame() {
    GameStop();
    display.ReleaseSurfaces();
    Display = nullptr;
    ResetProgramState();
  }
  TBenchGame(const TBenchGame&) = delete;
  TBenchGame& operator=(const TBenchGame&) = delete;
  void Step() {
    GameFrame();
    HeadlessAdvanceClock();
  }
  TDisplay display;
};
