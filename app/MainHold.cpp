// The main window's held frames: pause and the key help over the last picture.
#include "app/MainUtDX.h"
#include "platform/VirtualKeys.h"

void TBasic::SetHold(THold hold) {
  if (hold == FHold || !FDisplayOpen || !FBackBuffer) return;
  if (FHold == THold::None) FHoldScreen.Keep(*FBackBuffer);
  FHold = hold;
  FHoldScreen.Draw(*this, hold, *FKeys);
  if (hold != THold::None) {
    PresentBackBuffer();
    return;
  }
  FHoldScreen.Forget();
  // A replay's keys and frame-rate count are the recording's.
  if (FReplay) return;
  // Keys pressed while held were meant for the panel, not for the game.
  for (int vk = 1; vk < TInputLatch::KeyCount; ++vk) {
    PlatformAsyncKeyState(vk);
    FInput.Keys.Forget(vk);
  }
  RestartRateMeasurement();
}

void TBasic::ShowNoticeWhileHeld() {
  // Held frames do not draw themselves: show it at once.
  if (FHold != THold::None && !FClosing) {
    FHoldScreen.Draw(*this, FHold, *FKeys);
    PresentBackBuffer();
  }
}
