// Starting and stopping a game on the headless platform.
#include "headless/HeadlessSession.h"

#include "core/Settings.h"
#include "game/ProgramState.h"
#include "game/World.h"
#include "platform/Platform.h"
#include "platform/headless/PlatformHeadless.h"
#include "res/Resources.h"

THeadlessSession::THeadlessSession(const THeadlessConfig& config) {
  ResetProgramState();
  HeadlessSetStepMs(static_cast<uint32_t>(config.StepMs));
  HeadlessSetClock(config.StartClock);
  if (config.Switches) {
    ApplyRecordedSwitches(*config.Switches);
  } else {
    Settings.HighRes = config.HighRes;
    ApplyScreenSize();
  }
  MapFileOverride = config.MapFile;
  MapDataOverride = config.MapData;
  if (config.Resources) SetResourceTableForTesting(*config.Resources);

  Display = &FDisplay;
  try {
    FDisplay.CreateSurfaces(Settings.FullScreen);
    FDisplay.RestartRateMeasurement();
    GameStart();
  } catch (...) {
    GameStop();
    FDisplay.ReleaseSurfaces();
    Display = nullptr;
    throw;
  }
}

THeadlessSession::~THeadlessSession() {
  GameStop();
  FDisplay.ReleaseSurfaces();
  Display = nullptr;
  MapFileOverride.clear();
  MapDataOverride.clear();
}

void THeadlessSession::RunFrame() {
  TPlatformEvent event;
  while (PlatformPollEvent(event)) {
    if (event.Kind == TPlatformEventKind::FocusGained) FDisplay.RestartRateMeasurement();
  }
  GameFrame();
}

void THeadlessSession::EndFrame() { HeadlessAdvanceClock(); }
