// DOM key codes for the web platform.
#include "platform/web/KeyMapWeb.h"

#include <utility>

#include "platform/VirtualKeys.h"

namespace {

// clang-format off
constexpr std::pair<std::string_view, int> Keys[] = {
    {"ArrowLeft", VK_LEFT},       {"ArrowUp", VK_UP},           {"ArrowRight", VK_RIGHT},
    {"ArrowDown", VK_DOWN},       {"Home", VK_HOME},            {"End", VK_END},
    {"PageUp", VK_PRIOR},         {"PageDown", VK_NEXT},        {"Insert", VK_INSERT},
    {"ControlLeft", VK_CONTROL},  {"ControlRight", VK_CONTROL}, {"AltLeft", VK_MENU},
    {"AltRight", VK_MENU},        {"Enter", VK_RETURN},         {"NumpadEnter", VK_RETURN},
    {"Escape", VK_ESCAPE},        {"Pause", VK_PAUSE},          {"KeyP", 'P'},
    {"PrintScreen", VK_SNAPSHOT}, {"F1", VK_F1},                {"F2", VK_F2},
    {"F3", VK_F3},                {"NumpadAdd", VK_ADD},        {"NumpadSubtract", VK_SUBTRACT},
    {"Equal", VK_OEM_PLUS},       {"Minus", VK_OEM_MINUS},      {"F9", VK_F9},
    {"Space", VK_SPACE},
    // The sound keys, as on the desktop.
    {"KeyM", 'M'},                {"Digit9", '9'},              {"Digit0", '0'},
};
// clang-format on

// The digit of a code that is `prefix` and one digit from `low` to `high`; -1 for any other.
int DigitAfter(std::string_view code, std::string_view prefix, char low, char high) {
  if (code.size() != prefix.size() + 1 || !code.starts_with(prefix)) return -1;
  return code.back() >= low && code.back() <= high ? code.back() - '0' : -1;
}

}  // namespace

int VirtualKeyFromDomCode(std::string_view code) {
  for (const auto& [name, vk] : Keys) {
    if (code == name) return vk;
  }
  // The keypad's digits, and "1".."6" on the main row, whose virtual keys are their characters.
  if (const int d = DigitAfter(code, "Numpad", '0', '9'); d >= 0) return VK_NUMPAD0 + d;
  if (const int d = DigitAfter(code, "Digit", '1', '6'); d >= 0) return '0' + d;
  return 0;
}

int VirtualKeyFromDomButton(int button) {
  if (button == 0) return VK_LBUTTON;
  if (button == 2) return VK_RBUTTON;
  return 0;
}

bool KeptFromBrowser(std::string_view code, bool zoomModifier) {
  if (zoomModifier && (code == "Equal" || code == "Minus")) return false;
  return VirtualKeyFromDomCode(code) != 0 || (code.size() == 6 && code.substr(0, 5) == "Digit");
}

int LatchKeyWeb(std::string_view code, bool down, bool repeat, TInputLatch& latch) {
  const int vk = VirtualKeyFromDomCode(code);
  if (vk == 0) return 0;
  if (down) {
    if (repeat) return 0;
    latch.Press(vk);
    return vk;
  }
  if (vk == VK_SNAPSHOT && !latch.IsDown(vk)) {
    latch.Tap(vk);
    return vk;
  }
  latch.Release(vk);
  return 0;
}
