// The world: game start (persons, tables, keys), camera modes, person cycling, footstep
// panning, KeyState, further actors, the base classes, and determinism of a scripted run.
#include <gtest/gtest.h>

#include "core/Settings.h"
#include "game/Random.h"
#include "game/World.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"
#include "tests/support/GameFixture.h"

namespace {

class WorldTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    StartGameOn(StandardMap());
  }
};

TEST_F(WorldTest, GameStartMakesFourPersonsWithTheirEffects) {
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(P(i).FId, i);
    EXPECT_EQ(P(i).FFrameKind, i);
    EXPECT_EQ(P(i).FFigureMode, 12);
    EXPECT_EQ(P(i).FWidth, 54);
    EXPECT_EQ(P(i).FHeight, 70);
  }
  EXPECT_EQ(P(2).FAddLevel, 80);
  EXPECT_EQ(P(3).FOpacity, 50);
  EXPECT_EQ(P(4).FBrightness, 40);
  EXPECT_EQ(P(1).FAddLevel, 100);
  EXPECT_EQ(P(1).FOpacity, 100);
  EXPECT_EQ(P(1).FBrightness, 0);
  EXPECT_EQ(P(4).FCellX, 0);  // no start cell on the map
  EXPECT_EQ(P(3).FCellY, 60);
}

TEST_F(WorldTest, TheCameraStartsFreeOnPersonOne) {
  EXPECT_TRUE(World->FCameraFree);
  EXPECT_EQ(World->FCameraX, 50);
  EXPECT_EQ(World->FCameraY, 50);
  EXPECT_EQ(World->FCurrent, 1);
  EXPECT_EQ(World->FSelected, 0);
}

TEST_F(WorldTest, TheFrameTableHoldsTheCharacterPictures) {
  const TSheetFrame& a = World->FFrames[2][5];
  EXPECT_EQ(a.Sheet, 2);
  EXPECT_EQ(a.Rect, (TRect{276, 72, 330, 142}));
  EXPECT_EQ(World->FFrames[4][9].Rect, (TRect{166, 356, 220, 426}));
  EXPECT_EQ(World->FFrames[5][1].Rect, (TRect{384, 285, 438, 355}));
  EXPECT_EQ(World->FFrames[5][11].Rect, (TRect{603, 356, 657, 426}));
  EXPECT_EQ(World->FFrames[1][0].Rect, (TRect{1, 1, 55, 71}));
  EXPECT_EQ(World->FFrames[1][12].Sheet, 0);  // past the filled entries
}

TEST_F(WorldTest, TheTerrainPicturesAreCutRowByKind) {
  const TTile& t = *World->FTiles[17];
  EXPECT_EQ(t.FSheet, 1);
  EXPECT_EQ(t.FSourceRect, (TRect{60, 182, 120, 227}));
  EXPECT_EQ(t.FWidth, 61);
  EXPECT_EQ(t.FHeight, 46);
  EXPECT_EQ(World->FTiles[0]->FSourceRect, (TRect{0, 2, 60, 47}));
}

TEST_F(WorldTest, SelectNextPersonCyclesBackToOne) {
  World->FCurrent = 4;
  World->SelectNextPerson();
  EXPECT_EQ(World->FCurrent, 1);
}

TEST_F(WorldTest, FreeingTheCameraAgainKeepsItsPlace) {
  World->FCameraX = 10;
  World->FScrollX = 7;
  World->SetCameraFree(true);
  EXPECT_EQ(World->FCameraX, 10);
  EXPECT_EQ(World->FScrollX, 7);
  World->SetCameraFree(false);
  EXPECT_EQ(World->FScrollX, 0);
  EXPECT_EQ(World->FCameraX, 10);
  World->FScrollY = 5;
  World->SetCameraFree(false);  // already following: only the flag
  EXPECT_EQ(World->FScrollY, 5);
  World->SetCameraFree(true);  // from following: onto the current person's cell
  EXPECT_EQ(World->FCameraX, 50);
  EXPECT_EQ(World->FScrollY, 0);
}

TEST(WorldHelpers, PointTestsIncludeAllFourSides) {
  const TRect r{10, 20, 30, 40};
  EXPECT_TRUE(PointInRect(r, {10, 20}));
  EXPECT_TRUE(PointInRect(r, {30, 40}));
  EXPECT_FALSE(PointInRect(r, {31, 40}));
  EXPECT_FALSE(PointInRect(r, {10, 19}));
  int a = 1, b = 2;
  SwapInts(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
}

// ---- Footsteps ----

class FootstepTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    World->FViewX = 50;
    World->FViewY = 40;
  }
};

TEST_F(FootstepTest, WithSoundOffNothingIsCalled) {
  FootstepRecorder steps;
  Settings.SoundOn = false;
  World->PlaySoundAt(1, {50, 50});
  EXPECT_TRUE(HeadlessAudioLog().empty());
}

TEST_F(FootstepTest, ThePanFollowsTheScreenColumnWithinItsLimits) {
  Settings.SoundOn = true;
  FootstepRecorder steps;
  // Cell (36, 50) lies at screen X 0: pan 0 + 15 - 320 = -305, limited to -256.
  ASSERT_EQ(World->CellToScreen({36, 50}).X, 0);
  World->PlaySoundAt(1, {36, 50});
  EXPECT_EQ(steps.Plays(), 1);
  const auto limitedLeft = steps.LastPan();
  HostSound->SetPan(1, -256);
  EXPECT_EQ(steps.LastPan(), limitedLeft);
  HostSound->SetPan(1, -200);
  EXPECT_NE(steps.LastPan(), limitedLeft);

  ASSERT_EQ(World->CellToScreen({46, 50}).X, 300);  // pan -5
  World->PlaySoundAt(1, {46, 50});
  const auto nearMiddle = steps.LastPan();
  HostSound->SetPan(1, -5);
  EXPECT_EQ(steps.LastPan(), nearMiddle);

  ASSERT_EQ(World->CellToScreen({56, 50}).X, 600);  // pan 295, limited to 256
  World->PlaySoundAt(1, {56, 50});
  const auto limitedRight = steps.LastPan();
  HostSound->SetPan(1, 256);
  EXPECT_EQ(steps.LastPan(), limitedRight);
  EXPECT_EQ(steps.Plays(), 3);
}

TEST_F(FootstepTest, WithoutAPlayerFootstepsAreSilentlySkipped) {
  Settings.SoundOn = true;
  FootstepRecorder device;
  HostSound = nullptr;  // the switch is on, but no player came up
  ::testing::internal::CaptureStderr();
  HeadlessKeyDown(VK_NUMPAD9);
  RunFrames(8);  // a turn, then steps that would each sound
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(device.Plays(), 0);
  EXPECT_NE(P(1).FCellX, 50) << "the walk goes on without its footsteps";
}

// ---- KeyState ----

class KeyStateTest : public GameTest {};

TEST_F(KeyStateTest, APressIsReportedOnceAndHoldingStaysDown) {
  HeadlessKeyDown('A');
  EXPECT_EQ(KeyState('A'), 0x8001);
  EXPECT_EQ(KeyState('A'), 0x8000);
  HeadlessKeyUp('A');
  EXPECT_EQ(KeyState('A'), 0);
}

TEST_F(KeyStateTest, ATapBetweenQueriesIsSeenAsAPressOnly) {
  HeadlessKeyTap(VK_ADD);
  EXPECT_EQ(KeyState(VK_ADD), 0x0001);
  EXPECT_EQ(KeyState(VK_ADD), 0);
}

TEST_F(KeyStateTest, WithoutTheFocusNothingIsSeenNorConsumed) {
  HeadlessKeyTap(VK_ESCAPE);
  HeadlessSetFocus(false);
  EXPECT_EQ(KeyState(VK_ESCAPE), 0);
  HeadlessSetFocus(true);
  EXPECT_EQ(KeyState(VK_ESCAPE), 0x0001);
}

TEST_F(KeyStateTest, PressesMadeBeforeTheGameStartsAreNotNew) {
  HeadlessKeyTap(VK_ESCAPE);
  HeadlessKeyDown(VK_LEFT);
  StartGameOn(StandardMap());
  EXPECT_EQ(KeyState(VK_ESCAPE), 0);
  EXPECT_EQ(KeyState(VK_LEFT), 0x8000);
}

// ---- Further actors and the base classes ----

class MarkerActor : public TSprite {
 public:
  MarkerActor() : TSprite(9, 1) {}
  int GetFrameIndex() override { return 0; }
  bool Update() override {
    ++updates;
    return true;
  }
  void Draw(TFrameList&, const TPoint& p) override { drawnAt.push_back(p); }
  int updates = 0;
  std::vector<TPoint> drawnAt;
};

class PlainSprite : public TSprite {
 public:
  PlainSprite() : TSprite(3, 3) {}
  int GetFrameIndex() override { return 0; }
};

TEST_F(WorldTest, FurtherActorsAreUpdatedAndDrawnAtTheFixedPointEveryFrame) {
  auto* actor = new MarkerActor;
  World->FActors[104].reset(actor);
  RunFrames(2);
  EXPECT_EQ(actor->updates, 2);
  EXPECT_EQ(actor->drawnAt, (std::vector<TPoint>{{200, 200}, {200, 200}}));
}

TEST_F(WorldTest, AFrameCountsItselfAndLightsAroundEveryPerson) {
  RunFrames(1);
  EXPECT_EQ(World->FFrameCount, 1);
  EXPECT_EQ(Map().GetCell(CellLight, 50, 60), 2);  // person 3
  EXPECT_EQ(Map().GetCell(CellLight, 60, 50), 2);  // person 2
  EXPECT_EQ(Map().GetCell(CellLight, 30, 30), 0);
}

TEST(SpriteBase, ASpriteStartsAtCellZeroWithAnEmptyPicture) {
  PlainSprite s;
  EXPECT_EQ(s.FId, 3);
  EXPECT_EQ(s.FFrameKind, 3);
  EXPECT_EQ(s.FCellX, 0);
  EXPECT_EQ(s.FSourceRect, TRect{});
  EXPECT_EQ(s.FWidth, 0);
  EXPECT_TRUE(s.Update());
  EXPECT_EQ(s.FCellX, 0);
  EXPECT_EQ(s.FId, 3);
}

TEST(TileBase, SizesCountOneMoreAndWrapInSixteenBits) {
  const TTile t(1, TRect{0, 2, 60, 47});
  EXPECT_EQ(t.FWidth, 61);
  EXPECT_EQ(t.FHeight, 46);
  EXPECT_EQ(t.FSheet, 1);
  EXPECT_EQ(TTile(1, TRect{10, 0, 9, 0}).FWidth, 0);
  EXPECT_EQ(TTile(1, TRect{10, 0, 8, 0}).FWidth, 65535);
}

// ---- Starts on unusual maps ----

class GameStartTest : public GameTest {};

TEST_F(GameStartTest, AShortMapFileEndsGameStartWithItsMessageAndNoWorld) {
  MapFileOverride = WriteTempFile("tiny.dat", std::vector<uint8_t>(10, 0));
  EXPECT_THROW(GameStart(), std::runtime_error);
  EXPECT_EQ(World, nullptr);
}

TEST_F(GameStartTest, StoredKindsAndHeightsOutOfRangeRunLikeAnyOther) {
  TTestMap built = StandardMap();
  built.Kind(51, 50, 250).Height(49, 50, 200).Kind(49, 50, 6);
  StartGameOn(built);
  RunFrames(20);
  World->FCameraFree = false;
  RunFrames(5);
  EXPECT_EQ(World->FFrameCount, 25);
}

// ---- Determinism ----

// A scripted session: keys, a jump, pointer travel, a sweep and an order.
std::string RunScriptedSession() {
  ResetProgramState();
  StartGameOn(StandardMap());
  HeadlessKeyDown(VK_NUMPAD9);
  RunFrames(10);
  HeadlessKeyUp(VK_NUMPAD9);
  HeadlessKeyTap(VK_CONTROL);
  RunFrames(5);
  HeadlessSetCursor({200, 150});
  HeadlessKeyDown(VK_LBUTTON);
  RunFrames(2);
  HeadlessSetCursor({500, 400});
  RunFrames(2);
  HeadlessKeyUp(VK_LBUTTON);
  RunFrames(1);
  HeadlessSetCursor({330, 250});
  HeadlessKeyTap(VK_RBUTTON);
  RunFrames(300);
  return WorldStateText();
}

TEST(Determinism, TwoRunsOfOneScriptEndInTheSameState) {
  const std::string first = RunScriptedSession();
  const std::string second = RunScriptedSession();
  EXPECT_EQ(first, second);
  ResetProgramState();
}

}  // namespace
