// What the game reads of the machine: the keys through their latches, the pointer, the focus and
// the clock. The game and its drawing read only through here, and by default that is the
// platform itself. A program that hands over an input state of its own decides what the game
// sees: the machine's input taken once before each frame (so a frame reads one clock and one
// pointer, and a recording can write down exactly what it read), or a recording's, replayed.
#pragma once

#include <cstdint>

#include "core/Types.h"
#include "platform/InputLatch.h"

// Input as the game reads it. The headless platform keeps its whole input in one.
struct TInputState {
  TInputLatch Keys;
  TPoint Cursor{320, 240};
  bool Focus = true;
  uint32_t Clock = 0;
};

// The state the game reads from now on; nullptr gives the platform back. The caller keeps it
// alive while it is set.
void SetGameInput(TInputState* input);

// The platform's calls of the same name, answered from the state handed over, if any.
uint32_t GameTicks();
uint16_t GameAsyncKeyState(int vk);
bool GameHasFocus();
TPoint GameCursorPos();

// The machine's input as it stands, taken into `input`: each key's latch (down as it is now, a
// press the machine latched added to one `input` still holds), the pointer, the focus and the
// clock. The machine's own latches are consumed.
void TakeMachineInput(TInputState& input);
