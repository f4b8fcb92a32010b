// The main window's part in the session: the notice line over the picture, screenshots, saving
// the map, the recording's start, the keys of a replay, and the end's verdict.
#include <algorithm>
#include <string>

#include "app/MainUtDX.h"
#include "app/Screenshot.h"
#include "app/Session.h"
#include "app/SessionEnd.h"
#include "game/World.h"
#include "platform/VirtualKeys.h"

void TBasic::TakeScreenshot() {
  if (!FBackBuffer) return;
  FNotice.Show(::TakeScreenshot(*FBackBuffer, FHoldScreen, FNotice), PlatformTicks());
  ShowNoticeWhileHeld();
}

bool TBasic::SaveMap(std::string* failure) {
  if (!World) return false;
  std::string reason;
  if (!FKeeper.Save(*World, &reason)) {
    if (failure) *failure = reason;
    MapKept({false, reason});
    return false;
  }
  // Otherwise "saved" waits for the platform's word that the file is kept.
  if (const auto kept = PlatformFileWritten(FKeeper.Path().string(), PlatformFileKind::Saved)) MapKept(*kept);
  return true;
}

void TBasic::MapKept(const TPlatformFileKept& kept) {
  FNotice.Show(FKeeper.SayKept(kept), PlatformTicks());
  ShowNoticeWhileHeld();
}

void TBasic::StartSession() {
  RememberSound();
  ShowFirstHint();
  if (!World) return;
  FKeeper.Kept(*World->FMap);
  if (FRecorder) StartRecording(*FRecorder, *World, FInput.Clock, FRateFrames);
}

void TBasic::Unkept(int status) { FUnkept = std::max(FUnkept, status); }

void TBasic::DecoratePicture() {
  WatchHint();
  if (FBackCanvas && FBackBuffer && FNotice.Visible(PlatformTicks())) FNotice.DrawOver(*FBackCanvas, *FBackBuffer);
}

void TBasic::FinishSession() {
  if (!World) return;
  const uint32_t picture = FReplay && FBackBuffer ? PictureCrc(*FBackBuffer) : 0;
  const TSessionVerdict verdict = EndSession(*World, FFramesRun, picture, FRecorder.get(), FReplay.get(), FKeeper,
                                             [this](std::string* reason) { return SaveMap(reason); });
  Unkept(verdict.Unkept);
  FReplayStatus = verdict.Replay;
  FReplayVerdict = verdict.ReplaySaid;
  FReplayPicture = picture;
}

void TBasic::ReplayKeyDown(int key) {
  // A replay's input is the recording's: the keyboard only ends or pauses it.
  if (key == VK_ESCAPE && FHold != THold::None) {
    SetHold(THold::None);
    return;
  }
  if (key == VK_F12 || key == VK_ESCAPE) Close();
  if (key == VK_PAUSE || key == 'P') SetHold(FHold == THold::Paused ? THold::None : THold::Paused);
}
