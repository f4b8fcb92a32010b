// SDL input events into virtual keys and latches: mapping by scancode, taps between frames,
// auto-repeat, buttons and the focus.
#include <gtest/gtest.h>

#include "platform/VirtualKeys.h"
#include "platform/sdl/KeyMapSdl.h"

namespace {

SDL_Event KeyEvent(Uint32 type, SDL_Scancode scancode, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.scancode = scancode;
  e.key.keysym.mod = mod;
  e.key.repeat = repeat;
  return e;
}

SDL_Event ButtonEvent(Uint32 type, Uint8 button) {
  SDL_Event e{};
  e.type = type;
  e.button.button = button;
  return e;
}

TEST(KeyMapSdlTest, TheKeypadMapsToItsOwnKeysWhateverNumLockSays) {
  const SDL_Scancode pad[] = {SDL_SCANCODE_KP_0, SDL_SCANCODE_KP_1, SDL_SCANCODE_KP_2, SDL_SCANCODE_KP_3,
                              SDL_SCANCODE_KP_4, SDL_SCANCODE_KP_5, SDL_SCANCODE_KP_6, SDL_SCANCODE_KP_7,
                              SDL_SCANCODE_KP_8, SDL_SCANCODE_KP_9};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(VirtualKeyFromScancode(pad[i]), VK_NUMPAD0 + i);
  TInputLatch latch;
  // With NumLock off the layout reports KP_8 as an "up" key; the scancode still says keypad 8.
  EXPECT_EQ(LatchInputEventSdl(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_KP_8, KMOD_NONE), latch), VK_NUMPAD8);
  EXPECT_EQ(LatchInputEventSdl(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_KP_2, KMOD_NUM), latch), VK_NUMPAD2);
  EXPECT_FALSE(latch.IsDown(VK_UP));
}

TEST(KeyMapSdlTest, TheWalkingAndCommandKeysHaveTheirVirtualCodes) {
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LEFT), 37);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_UP), 38);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RIGHT), 39);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_DOWN), 40);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_HOME), 36);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_END), 35);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_PAGEUP), 33);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_PAGEDOWN), 34);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_INSERT), 45);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_ESCAPE), 27);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_PLUS), 107);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_MINUS), 109);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_F12), 123);
  // Keyboards without a keypad or a Print Screen the desktop leaves to the game.
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_EQUALS), 187);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_MINUS), 189);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_F9), 120);
}

TEST(KeyMapSdlTest, EitherControlKeyIsControl) {
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LCTRL), VK_CONTROL);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RCTRL), VK_CONTROL);
}

TEST(KeyMapSdlTest, OfTheMainRowOnlyTheDigitsOneToSixAndTheSoundKeysAreMapped) {
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_1), 49);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_6), 54);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_7), 0);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_9), '9');
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_0), '0');
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_M), 'M');
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_SPACE), VK_SPACE);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_A), 0);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_F11), 0);
}

class LatchSdlTest : public ::testing::Test {
 protected:
  int Feed(const SDL_Event& e) { return LatchInputEventSdl(e, Latch); }
  TInputLatch Latch;
};

TEST_F(LatchSdlTest, ATapBetweenTwoFramesIsSeenAsPressedButNotDown) {
  Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_INSERT));
  Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_INSERT));
  EXPECT_EQ(Latch.Query(VK_INSERT), 0x0001);
  EXPECT_EQ(Latch.Query(VK_INSERT), 0x0000) << "the press is consumed by the query";
}

TEST_F(LatchSdlTest, AHeldKeyIsDownAndItsPressIsReportedOnce) {
  Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_UP));
  EXPECT_EQ(Latch.Query(VK_UP), 0x8001);
  EXPECT_EQ(Latch.Query(VK_UP), 0x8000);
  Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_UP));
  EXPECT_EQ(Latch.Query(VK_UP), 0x0000);
}

TEST_F(LatchSdlTest, AutoRepeatIsNotANewPressAndRaisesNoKeyEvent) {
  EXPECT_EQ(Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_KP_PLUS)), VK_ADD);
  Latch.Query(VK_ADD);
  EXPECT_EQ(Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_KP_PLUS, KMOD_NONE, 1)), 0);
  EXPECT_EQ(Latch.Query(VK_ADD), 0x8000);
}

TEST_F(LatchSdlTest, KeysTheGameDoesNotUseAreIgnored) {
  EXPECT_EQ(Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_A)), 0);
  for (int vk = 0; vk < TInputLatch::KeyCount; ++vk) EXPECT_FALSE(Latch.IsDown(vk)) << vk;
}

TEST_F(LatchSdlTest, TheLeftAndRightButtonsAreLatchedLikeKeys) {
  Feed(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT));
  Feed(ButtonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT));
  EXPECT_EQ(Latch.Query(VK_RBUTTON), 0x0001);
  Feed(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
  EXPECT_EQ(Latch.Query(VK_LBUTTON), 0x8001);
  Feed(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE));
  EXPECT_EQ(Latch.Query(4), 0);
}

TEST_F(LatchSdlTest, LosingTheFocusReleasesEveryHeldKeyAndButton) {
  Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_LCTRL));
  Feed(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
  SDL_Event focus{};
  focus.type = SDL_WINDOWEVENT;
  focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  Feed(focus);
  EXPECT_FALSE(Latch.IsDown(VK_CONTROL));
  EXPECT_FALSE(Latch.IsDown(VK_LBUTTON));
}

TEST_F(LatchSdlTest, F12RaisesAKeyEventForTheWindow) {
  EXPECT_EQ(Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_F12)), VK_F12);
  EXPECT_EQ(Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_F12)), 0);
}

}  // namespace
