// SDL scancodes and mouse buttons as the game's virtual-key codes, and the input events that
// feed the key latches. Mapping is by scancode: the keypad walks whatever NumLock says, and
// layouts other than QWERTY keep the keys where they are.
#pragma once

#include <SDL_events.h>
#include <SDL_scancode.h>

#include "platform/InputLatch.h"

// The virtual-key code of a scancode, or 0 for a key the game does not use.
int VirtualKeyFromScancode(SDL_Scancode scancode);
// VK_LBUTTON, VK_RBUTTON, or 0 for other buttons.
int VirtualKeyFromMouseButton(Uint8 button);

// Feeds one event into the latches: presses and releases of keys and buttons; losing the
// keyboard focus releases everything held. Returns the virtual key of a fresh key press
// (not an auto-repeat), else 0.
int LatchInputEventSdl(const SDL_Event& event, TInputLatch& latch);
