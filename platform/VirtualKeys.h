// Windows virtual-key codes the game polls, and the program keys beside the game.
#pragma once

enum : int {
  VK_LBUTTON = 1,
  VK_RBUTTON = 2,
  VK_RETURN = 13,
  VK_CONTROL = 17,
  VK_MENU = 18,  // Alt
  VK_PAUSE = 19,
  VK_ESCAPE = 27,
  VK_SPACE = 32,  // brings the view back to the current person
  VK_PRIOR = 33,
  VK_NEXT = 34,
  VK_END = 35,
  VK_HOME = 36,
  VK_LEFT = 37,
  VK_UP = 38,
  VK_RIGHT = 39,
  VK_DOWN = 40,
  VK_SNAPSHOT = 44,  // Print Screen
  VK_INSERT = 45,
  VK_NUMPAD0 = 96,
  VK_NUMPAD1 = 97,
  VK_NUMPAD2 = 98,
  VK_NUMPAD3 = 99,
  VK_NUMPAD4 = 100,
  VK_NUMPAD5 = 101,
  VK_NUMPAD6 = 102,
  VK_NUMPAD7 = 103,
  VK_NUMPAD8 = 104,
  VK_NUMPAD9 = 105,
  VK_ADD = 107,
  VK_SUBTRACT = 109,
  VK_F1 = 112,
  VK_F2 = 113,
  VK_F3 = 114,
  VK_F9 = 120,
  VK_F12 = 123,
  VK_OEM_PLUS = 187,   // "=" and "+" on the main row
  VK_OEM_MINUS = 189,  // "-" and "_" on the main row
};
