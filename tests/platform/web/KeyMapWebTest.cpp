// The page's keys: DOM codes to the virtual keys the game polls, the keys kept from the
// browser, and the latching of presses, repeats and a Print Screen seen only as a release.
#include <gtest/gtest.h>

#include "platform/VirtualKeys.h"
#include "platform/web/KeyMapWeb.h"

namespace {

TEST(KeyMapWebTest, EveryKeyTheGameReadsHasItsVirtualKey) {
  // clang-format off
  const std::pair<const char*, int> keys[] = {
      {"ArrowLeft", VK_LEFT},     {"ArrowRight", VK_RIGHT},  {"ArrowUp", VK_UP},     {"ArrowDown", VK_DOWN},
      {"ControlRight", VK_CONTROL}, {"Insert", VK_INSERT},   {"PageUp", VK_PRIOR},   {"PageDown", VK_NEXT},
      {"Home", VK_HOME},          {"End", VK_END},           {"Numpad0", VK_NUMPAD0}, {"Numpad9", VK_NUMPAD9},
      {"NumpadAdd", VK_ADD},      {"NumpadSubtract", VK_SUBTRACT}, {"Digit1", '1'}, {"Digit6", '6'},
      {"F1", VK_F1},              {"F3", VK_F3},             {"Pause", VK_PAUSE},
      {"KeyP", 'P'},              {"NumpadEnter", VK_RETURN}, {"AltLeft", VK_MENU},  {"PrintScreen", VK_SNAPSHOT},
      {"Equal", VK_OEM_PLUS},     {"Minus", VK_OEM_MINUS},   {"F9", VK_F9},
      {"KeyM", 'M'},              {"Digit9", '9'},           {"Digit0", '0'},
  };
  // clang-format on
  for (const auto& [code, vk] : keys) EXPECT_EQ(VirtualKeyFromDomCode(code), vk) << code;
  // Near misses and keys nobody reads.
  for (const char* code :
       {"Digit7", "Digit8", "Numpad", "Numpad10", "NumpadA", "KeyA", "F5", "F11", "F12", "", "Tab"}) {
    EXPECT_EQ(VirtualKeyFromDomCode(code), 0) << code;
  }
  EXPECT_EQ(VirtualKeyFromDomButton(0), VK_LBUTTON);
  EXPECT_EQ(VirtualKeyFromDomButton(2), VK_RBUTTON);
  EXPECT_EQ(VirtualKeyFromDomButton(1), 0);
}

TEST(KeyMapWebTest, TheBrowserKeepsOnlyKeysNobodyHereReads) {
  for (const char* code :
       {"ArrowDown", "ControlLeft", "F1", "F2", "F3", "Pause", "Digit0", "Digit9", "Numpad5", "NumpadAdd", "Insert"}) {
    EXPECT_TRUE(KeptFromBrowser(code)) << code;
  }
  // F12 opens the browser's developer tools; Esc ends the game.
  for (const char* code : {"F5", "F11", "F12", "KeyR", "Tab", "Digit", "Digit10"})
    EXPECT_FALSE(KeptFromBrowser(code)) << code;
  // The game's = and - are the page's zoom with Ctrl (Cmd).
  EXPECT_TRUE(KeptFromBrowser("Equal"));
  EXPECT_FALSE(KeptFromBrowser("Equal", true));
  EXPECT_FALSE(KeptFromBrowser("Minus", true));
  EXPECT_TRUE(KeptFromBrowser("NumpadAdd", true));
}

TEST(KeyMapWebTest, PressesLatchOnceAndRepeatsAreNotNewPresses) {
  TInputLatch latch;
  EXPECT_EQ(LatchKeyWeb("ArrowRight", true, false, latch), VK_RIGHT);
  EXPECT_EQ(LatchKeyWeb("ArrowRight", true, true, latch), 0);
  EXPECT_EQ(latch.Query(VK_RIGHT), 0x8001);
  EXPECT_EQ(latch.Query(VK_RIGHT), 0x8000);
  EXPECT_EQ(LatchKeyWeb("ArrowRight", false, false, latch), 0);
  EXPECT_EQ(latch.Query(VK_RIGHT), 0);
  EXPECT_EQ(LatchKeyWeb("KeyQ", true, false, latch), 0);
}

TEST(KeyMapWebTest, PrintScreenSeenOnlyAsAReleaseIsAPress) {
  TInputLatch latch;
  EXPECT_EQ(LatchKeyWeb("PrintScreen", false, false, latch), VK_SNAPSHOT);
  EXPECT_EQ(latch.Query(VK_SNAPSHOT), 1);
  // With its press seen, the release is only a release.
  EXPECT_EQ(LatchKeyWeb("PrintScreen", true, false, latch), VK_SNAPSHOT);
  EXPECT_EQ(LatchKeyWeb("PrintScreen", false, false, latch), 0);
  EXPECT_EQ(latch.Query(VK_SNAPSHOT), 1);
}

}  // namespace
