// Starting and stopping a game on the headless platform.
#include "headless/HeadlessSession.h"

#include "game/Random.h"
#include "game/World.h"
#include "platform/Platform.h"
#include "platform/headless/PlatformHeadless.h"
#include "core/Settings.h"

THeadlessSession::THeadlessSession(const HeadlessConfig& config) {
  HeadlessReset();
  RandSeed = 0;
  HeadlessSetStepMs(static_cast<uint32_t>(config.StepMs));
  ResetSettings();
  Settings.HighRes = config.HighRes;
  ApplyScreenSize();
  MapFileOverride = config.MapFile;
  CloseRequested = false;

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
}

void THeadlessSession::RunFrame() {
  PlatformEvent event;
  while (PlatformPollEvent(event)) {
    if (event.Kind == PlatformEventKind::FocusGained) FDisplay.RestartRateMeasurement();
  }
  GameFrame();
}

void THeadlessSession::EndFrame() { HeadlessAdvanceClock(); }
