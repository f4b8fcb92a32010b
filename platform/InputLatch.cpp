// Key latches: a press is remembered until the game queries that key.
#include "platform/InputLatch.h"

namespace {
bool Valid(int vk) { return vk >= 0 && vk < TInputLatch::KeyCount; }
}  // namespace

void TInputLatch::Press(int vk) {
  if (!Valid(vk)) return;
  FDown[vk] = true;
  FPressed[vk] = true;
}

void TInputLatch::Release(int vk) {
  if (Valid(vk)) FDown[vk] = false;
}

void TInputLatch::Tap(int vk) {
  if (Valid(vk)) FPressed[vk] = true;
}

void TInputLatch::Forget(int vk) {
  if (Valid(vk)) FPressed[vk] = false;
}

void TInputLatch::Absorb(int vk, uint16_t state) {
  if (!Valid(vk)) return;
  FDown[vk] = (state & 0x8000) != 0;
  if (state & 1) FPressed[vk] = true;
}

void TInputLatch::ReleaseAll() { FDown.fill(false); }

void TInputLatch::Clear() {
  FDown.fill(false);
  FPressed.fill(false);
}

uint16_t TInputLatch::Query(int vk) {
  if (!Valid(vk)) return 0;
  uint16_t result = (FDown[vk] ? 0x8000 : 0) | (FPressed[vk] ? 1 : 0);
  FPressed[vk] = false;
  return result;
}

bool TInputLatch::IsDown(int vk) const { return Valid(vk) && FDown[vk]; }

bool TInputLatch::Pressed(int vk) const { return Valid(vk) && FPressed[vk]; }
