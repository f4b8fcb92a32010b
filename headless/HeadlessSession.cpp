// Starting and stopping a game on the headless platform.
#include "headless/HeadlessSession.h"

#include <string>

#include "core/Settings.h"
#include "game/ProgramState.h"
#include "game/World.h"
#include "platform/Platform.h"
#include "platform/headless/PlatformHeadless.h"
#include "res/Resources.h"
#include "sound/DXSound1.h"
#include "sound/Footstep.h"

namespace {

// The player and its one sound, as the desktop program makes them: the footstep in slot 1.
std::unique_ptr<TDXSound> MakeSoundPlayer() {
  auto sound = std::make_unique<TDXSound>();
  sound->SetPanWitness(HeadlessNoteAudioPan);
  LoadFootstep(*sound, Settings.UseResources);
  return sound;
}

}  // namespace

THeadlessSession::THeadlessSession(const THeadlessConfig& config) {
  ResetProgramState();
  HeadlessSetStepMs(static_cast<uint32_t>(config.StepMs));
  HeadlessSetClock(config.StartClock);
  if (config.Switches) {
    ApplyRecordedSwitches(*config.Switches);
  } else {
    Settings.HighRes = config.HighRes;
    Settings.AutoTiming = Settings.AutoTiming || config.AutoTiming;
    Settings.ShowOverlay = Settings.ShowOverlay && !config.NoOverlay;
    Settings.MapEditing = Settings.MapEditing && !config.NoMapEditing;
    ApplyScreenSize();
  }
  Settings.SoundOn = Settings.SoundOn || config.Sound;
  MapFileOverride = config.MapFile;
  MapDataOverride = config.MapData;
  if (config.Resources) SetResourceTableForTesting(*config.Resources);

  Display = &FDisplay;
  try {
    if (Settings.SoundOn) {
      FSound = MakeSoundPlayer();
      HostSound = FSound.get();
    }
    FDisplay.CreateSurfaces(Settings.FullScreen);
    FDisplay.RestartRateMeasurement();
    GameStart();
  } catch (...) {
    GameStop();
    FDisplay.ReleaseSurfaces();
    Display = nullptr;
    HostSound = nullptr;
    throw;
  }
}

THeadlessSession::~THeadlessSession() {
  GameStop();
  FDisplay.ReleaseSurfaces();
  Display = nullptr;
  HostSound = nullptr;
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
