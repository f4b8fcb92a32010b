// DOM keys (KeyboardEvent.code: the physical key, whatever the layout and NumLock say) and
// mouse buttons as the game's virtual-key codes, the keys the page keeps from the browser, and
// the key events that feed the latches. Free of the browser, so it is tested natively.
#pragma once

#include <string_view>

#include "platform/InputLatch.h"

// The virtual-key code of a DOM key code, or 0 for a key neither the game nor the program uses.
int VirtualKeyFromDomCode(std::string_view code);
// VK_LBUTTON (button 0), VK_RBUTTON (button 2), or 0.
int VirtualKeyFromDomButton(int button);
// Whether the browser's own action for the key is suppressed: every key the game or the
// program reads, and the whole number row. F12 is not among them: it is the browser's (its
// developer tools), and Esc ends the game on the page; nor are = and - held with Ctrl or Cmd
// (`zoomModifier`), which zoom the page.
bool KeptFromBrowser(std::string_view code, bool zoomModifier = false);

// Feeds one key event into the latches. Returns the virtual key of a fresh press (not an
// auto-repeat), else 0. Print Screen often reaches a page only as a release: a release
// without a press counts as a press and release.
int LatchKeyWeb(std::string_view code, bool down, bool repeat, TInputLatch& latch);
