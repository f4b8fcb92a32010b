// The game's reads of the machine, from the platform or from a state handed over.
#include "platform/GameInput.h"

#include "platform/Platform.h"

namespace {
TInputState* Handed = nullptr;
}  // namespace

void SetGameInput(TInputState* input) { Handed = input; }

uint32_t GameTicks() { return Handed ? Handed->Clock : PlatformTicks(); }
uint16_t GameAsyncKeyState(int vk) { return Handed ? Handed->Keys.Query(vk) : PlatformAsyncKeyState(vk); }
bool GameHasFocus() { return Handed ? Handed->Focus : PlatformHasFocus(); }
TPoint GameCursorPos() { return Handed ? Handed->Cursor : PlatformCursorPos(); }

void TakeMachineInput(TInputState& input) {
  for (int vk = 1; vk < TInputLatch::KeyCount; ++vk) input.Keys.Absorb(vk, PlatformAsyncKeyState(vk));
  input.Cursor = PlatformCursorPos();
  input.Focus = PlatformHasFocus();
  input.Clock = PlatformTicks();
}
