// ResetProgramState: whatever a run left behind in any layer, the program's start values.
#include <gtest/gtest.h>

#include "core/Log.h"
#include "core/Settings.h"
#include "game/ProgramState.h"
#include "game/Random.h"
#include "game/World.h"
#include "gfx/Display.h"
#include "gfx/Drawing.h"
#include "gfx/Overlay.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"
#include "res/Resources.h"
#include "sound/DXSound1.h"
#include "tests/support/GameFixture.h"

namespace {

class ProgramStateTest : public GameTest {};

TEST_F(ProgramStateTest, EveryLayerComesBackToItsStartValues) {
  StartGameOn(StandardMap());
  TDXSound sound;
  HostSound = &sound;
  CloseRequested = true;
  RandSeed = 77;
  Settings.HighRes = !Settings.HighRes;
  Settings.SoundOn = !Settings.SoundOn;
  ApplyScreenSize();
  WalkFrame = 12;
  FaceCount = 4;
  HeadlessSetClock(999);
  HeadlessKeyTap(VK_UP);
  SetResourceTableForTesting(std::vector<TResource>{});
  TDisplay display;
  Display = &display;
  SelectPixelFormat(PixelKind565);
  FramesPerSecond = 61;
  TLogCapture log;
  LogWarningOnce("told once");
  LogWarningOnce("told once");
  ASSERT_EQ(log.Count("told once"), 1);

  ResetProgramState();

  EXPECT_EQ(World, nullptr);
  EXPECT_EQ(HostSound, nullptr);
  EXPECT_FALSE(CloseRequested);
  EXPECT_TRUE(MapFileOverride.empty());
  EXPECT_EQ(RandSeed, 0u);
  EXPECT_EQ(Settings.HighRes, ShippedSettings().HighRes);
  EXPECT_EQ(Settings.SoundOn, ShippedSettings().SoundOn);
  EXPECT_EQ(ScreenWidth, 640);
  EXPECT_EQ(ScreenHeight, 480);
  EXPECT_EQ(WalkFrame, 3);
  EXPECT_EQ(FaceCount, 1);
  EXPECT_EQ(PlatformTicks(), 0u);
  EXPECT_EQ(PlatformAsyncKeyState(VK_UP), 0);
  EXPECT_TRUE(FindResource("Map", RT_MAP)) << "the embedded table is back";
  EXPECT_EQ(Display, nullptr);
  EXPECT_EQ(MakeColor(255, 255, 255), 0x7FFF) << "the 5-5-5 functions of a fresh program";
  EXPECT_EQ((TRect{ClipMinX, ClipMinY, ClipMaxX, ClipMaxY}), (TRect{0, 0, 640, 480}));
  EXPECT_EQ(FramesPerSecond, 0);
  LogWarningOnce("told once");
  EXPECT_EQ(log.Count("told once"), 2) << "a reset forgets the warnings told";
}

}  // namespace
