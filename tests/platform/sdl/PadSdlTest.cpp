// A game controller through SDL's own controller events: a virtual pad plugged in while the
// reader runs, its d-pad, stick and buttons read as the keyboard's keys, then pulled out.
#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/VirtualKeys.h"
#include "platform/sdl/PadSdl.h"

namespace {

class PadSdlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) GTEST_SKIP() << SDL_GetError();
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    Stick = SDL_JoystickOpen(SDL_JoystickAttachVirtualEx(&desc));
    ASSERT_NE(Stick, nullptr) << SDL_GetError();
    ASSERT_TRUE(Pump().empty());
    ASSERT_EQ(Pads.Open(), 1) << "the pad plugged in was not opened";
  }
  void TearDown() override {
    Pads.CloseAll(Keys);
    if (Stick) PullOut();
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  }
  void PullOut() {
    // Detached by its place in SDL's list, which is not its instance number.
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
      if (SDL_JoystickGetDeviceInstanceID(i) == SDL_JoystickInstanceID(Stick)) SDL_JoystickDetachVirtual(i);
    SDL_JoystickClose(Stick);
    Stick = nullptr;
  }
  // Hands every pending event to the reader; the program keys it answered.
  std::vector<int> Pump() {
    SDL_JoystickUpdate();
    std::vector<int> program;
    for (SDL_Event e; SDL_PollEvent(&e);)
      if (const int vk = Pads.Feed(e, Keys)) program.push_back(vk);
    return program;
  }
  std::vector<int> Button(SDL_GameControllerButton button, bool down) {
    SDL_JoystickSetVirtualButton(Stick, button, down ? 1 : 0);
    return Pump();
  }
  // The one keypad digit held now (0: none, -1: more than one).
  int Walking() {
    Pump();
    int held = 0;
    for (int vk = VK_NUMPAD1; vk <= VK_NUMPAD9; ++vk)
      if (Keys.IsDown(vk)) held = held == 0 ? vk : -1;
    return held;
  }

  TPadSdl Pads;
  TInputLatch Keys;
  SDL_Joystick* Stick = nullptr;
};

TEST_F(PadSdlTest, DirectionsAndButtonsAreTheGameKeysUntilThePadIsPulledOut) {
  // The d-pad or else the left stick holds one of the eight keypad directions.
  const auto dpad = [&](SDL_GameControllerButton b, bool down) { SDL_JoystickSetVirtualButton(Stick, b, down); };
  const auto stick = [&](int x, int y) {
    SDL_JoystickSetVirtualAxis(Stick, SDL_CONTROLLER_AXIS_LEFTX, static_cast<Sint16>(x));
    SDL_JoystickSetVirtualAxis(Stick, SDL_CONTROLLER_AXIS_LEFTY, static_cast<Sint16>(y));
  };
  dpad(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
  EXPECT_EQ(Walking(), VK_NUMPAD8);
  dpad(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
  EXPECT_EQ(Walking(), VK_NUMPAD9);
  dpad(SDL_CONTROLLER_BUTTON_DPAD_UP, false);
  EXPECT_EQ(Walking(), VK_NUMPAD6);
  stick(-32768, 32767);  // left and down; the d-pad still wins
  EXPECT_EQ(Walking(), VK_NUMPAD6);
  dpad(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false);
  EXPECT_EQ(Walking(), VK_NUMPAD1);
  stick(TPadSdl::StickDeadZone / 2, 32767);  // a lean too small to count
  EXPECT_EQ(Walking(), VK_NUMPAD2);
  stick(0, 0);
  EXPECT_EQ(Walking(), 0);

  // Buttons press the game's keys, Start pauses, and pulling the pad out lets go of all of them.
  Button(SDL_CONTROLLER_BUTTON_A, true);
  Button(SDL_CONTROLLER_BUTTON_A, false);
  EXPECT_TRUE(Keys.Pressed(VK_CONTROL) && !Keys.IsDown(VK_CONTROL)) << "a press not yet seen stays";
  Button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
  Button(SDL_CONTROLLER_BUTTON_Y, true);
  EXPECT_EQ(Button(SDL_CONTROLLER_BUTTON_START, true), (std::vector<int>{VK_PAUSE}));
  for (int vk : {VK_INSERT, VK_SPACE, VK_PAUSE}) EXPECT_TRUE(Keys.IsDown(vk)) << vk;
  Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
  EXPECT_EQ(Walking(), VK_NUMPAD4);

  PullOut();
  Pump();
  EXPECT_EQ(Pads.Open(), 0);
  EXPECT_EQ(Walking(), 0);
  for (int vk : {VK_INSERT, VK_SPACE, VK_PAUSE}) EXPECT_FALSE(Keys.IsDown(vk)) << vk;
}

}  // namespace
