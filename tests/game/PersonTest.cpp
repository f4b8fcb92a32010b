// A person's timelines: turning before walking, occupancy during a step, step lengths and
// footsteps, refused steps, jumps, path following and cancelling, keys, wandering, speech.
#include <gtest/gtest.h>

#include <vector>

#include "core/Settings.h"
#include "game/World.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"
#include "tests/support/GameFixture.h"

namespace {

class PersonTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    StartGameOn(Map_);
  }
  TFrameList frame;  // what the speech adds
  // One frame of person 1 alone.
  void Frame(int count = 1) {
    for (int i = 0; i < count; ++i) {
      P(1).Update();
      HeadlessAdvanceClock();
    }
  }
  TPoint Cell(int i) { return TPoint{P(i).FCellX, P(i).FCellY}; }
  int Occupant(int x, int y) { return Map().GetCell(CellOccupant, x, y); }
  TTestMap Map_ = StandardMap();
};

TEST_F(PersonTest, AFirstPressInANewDirectionOnlyTurns) {
  HeadlessKeyDown(VK_NUMPAD9);  // (+1, 0): facing 3
  Frame();
  EXPECT_EQ(P(1).FDirection, 3);
  EXPECT_FALSE(P(1).FMoving);
  EXPECT_EQ(Cell(1), (TPoint{50, 50}));
  Frame();
  EXPECT_TRUE(P(1).FMoving);
  EXPECT_EQ(P(1).FStepCount, 1);
}

TEST_F(PersonTest, AStepReservesItsTargetAndMovesTheMarkWhenItEnds) {
  P(1).FDirection = 3;
  HeadlessKeyDown(VK_PRIOR);
  Frame();
  EXPECT_EQ(Occupant(51, 50), 101);
  EXPECT_EQ(Occupant(50, 50), 1);
  EXPECT_EQ(P(1).FStepVector, (TPoint{1, 0}));
  HeadlessKeyUp(VK_PRIOR);
  Frame();
  EXPECT_TRUE(P(1).FMoving);
  Frame();
  EXPECT_FALSE(P(1).FMoving);
  EXPECT_EQ(Cell(1), (TPoint{51, 50}));
  EXPECT_EQ(Occupant(51, 50), 1);
  EXPECT_EQ(Occupant(50, 50), 0);
  EXPECT_EQ(P(1).FStepVector, (TPoint{0, 0}));
}

TEST_F(PersonTest, AKeyboardStepMakesTheCameraFollowAgain) {
  ASSERT_TRUE(World->FCameraFree);
  P(1).FDirection = 3;
  HeadlessKeyDown(VK_NUMPAD9);
  Frame();
  EXPECT_FALSE(World->FCameraFree);
}

TEST_F(PersonTest, TheLongDiagonalLastsSixFramesWithTwoFootsteps) {
  Settings.SoundOn = true;
  FootstepRecorder steps;
  P(1).FDirection = 3;
  HeadlessKeyDown(VK_RIGHT);  // (+1, +1)
  std::vector<int> playsAfter;
  for (int frame = 1; frame <= 6; ++frame) {
    Frame();
    if (frame == 1) HeadlessKeyUp(VK_RIGHT);
    playsAfter.push_back(steps.Plays());
    EXPECT_EQ(P(1).FMoving, frame < 6) << "frame " << frame;
  }
  EXPECT_EQ(playsAfter, (std::vector<int>{1, 1, 2, 2, 2, 2}));
  EXPECT_EQ(Cell(1), (TPoint{51, 51}));
}

TEST_F(PersonTest, TheShortDiagonalLastsAsLongAsAStraightStep) {
  P(1).FDirection = 3;
  HeadlessKeyDown(VK_UP);  // (+1, -1)
  Frame();
  HeadlessKeyUp(VK_UP);
  Frame(2);
  EXPECT_FALSE(P(1).FMoving);
  EXPECT_EQ(Cell(1), (TPoint{51, 49}));
}

TEST_F(PersonTest, AStepOffTheMapChangesNothing) {
  Settings.SoundOn = true;
  FootstepRecorder steps;
  P(1).FCellX = 99;
  P(1).TryStep(1, 0);
  EXPECT_EQ(P(1).FDirection, 0);
  EXPECT_EQ(steps.Plays(), 0);
}

TEST_F(PersonTest, AStepOntoACellTwoLevelsUpIsRefusedFacingItWithAFootstep) {
  Map().SetCell(CellHeight, 51, 50, 2);
  Settings.SoundOn = true;
  FootstepRecorder steps;
  P(1).FDirection = 3;
  P(1).TryStep(1, 0);
  EXPECT_FALSE(P(1).FMoving);
  EXPECT_EQ(P(1).FDirection, 3);
  EXPECT_EQ(steps.Plays(), 1);
  Map().SetCell(CellHeight, 51, 50, 1);
  P(1).TryStep(1, 0);
  EXPECT_TRUE(P(1).FMoving);
}

TEST_F(PersonTest, ACellTakenOrBeingEnteredIsRefused) {
  P(1).FDirection = 3;
  Map().SetCell(CellOccupant, 51, 50, 2);
  P(1).TryStep(1, 0);
  EXPECT_FALSE(P(1).FMoving);
  Map().SetCell(CellOccupant, 51, 50, 104);
  P(1).TryStep(1, 0);
  EXPECT_FALSE(P(1).FMoving);
}

TEST_F(PersonTest, ADiagonalPastAHighOrTakenSideCellIsRefused) {
  P(1).FDirection = 3;
  Map().SetCell(CellHeight, 50, 51, 2);  // side cell (FCellX, NY)
  P(1).TryStep(1, 1);
  EXPECT_FALSE(P(1).FMoving);
  EXPECT_EQ(P(1).FDirection, 3);
  Map().SetCell(CellHeight, 50, 51, 0);
  Map().SetCell(CellOccupant, 51, 50, 103);  // side cell (NX, FCellY)
  P(1).TryStep(1, 1);
  EXPECT_FALSE(P(1).FMoving);
  Map().SetCell(CellOccupant, 51, 50, 0);
  P(1).TryStep(1, 1);
  EXPECT_TRUE(P(1).FMoving);
}

TEST_F(PersonTest, AJumpRisesAndFallsUnderGravity) {
  HeadlessKeyTap(VK_CONTROL);
  Frame();
  EXPECT_EQ(P(1).FLift, 0);
  std::vector<int> lifts;
  for (int i = 0; i < 11; ++i) {
    Frame();
    lifts.push_back(P(1).FLift);
  }
  EXPECT_EQ(lifts, (std::vector<int>{20, 36, 48, 56, 60, 60, 56, 48, 36, 20, 0}));
  EXPECT_FALSE(P(1).InAir());
}

TEST_F(PersonTest, CtrlInTheAirRestartsTheRiseFromThePresentHeight) {
  HeadlessKeyTap(VK_CONTROL);
  Frame(3);  // lift 20, 36
  HeadlessKeyTap(VK_CONTROL);
  Frame();
  EXPECT_EQ(P(1).FLift, 48);
  Frame();
  EXPECT_EQ(P(1).FLift, 68);
}

TEST_F(PersonTest, InTheAirTheStandingPictureShowsAndStepsMakeNoSound) {
  Settings.SoundOn = true;
  FootstepRecorder steps;
  P(1).FDirection = 3;
  P(1).FLift = 30;
  P(1).TryStep(1, 0);
  EXPECT_TRUE(P(1).FMoving);
  EXPECT_EQ(steps.Plays(), 0);
  P(1).FStep = 2;
  EXPECT_EQ(P(1).GetFrameIndex(), 3 * 3 + 1);
}

TEST_F(PersonTest, AJumpReachesACellTwoLevelsUp) {
  Map().SetCell(CellHeight, 51, 50, 2);
  P(1).FDirection = 3;
  P(1).FLift = 30;
  P(1).TryStep(1, 0);
  EXPECT_TRUE(P(1).FMoving);
  EXPECT_EQ(P(1).FLift, 4);
}

TEST_F(PersonTest, SteppingOneLevelDownFallsThroughThirteenNineOne) {
  Map().SetCell(CellHeight, 50, 50, 1);
  P(1).FDirection = 3;
  HeadlessKeyDown(VK_NUMPAD9);
  Frame();
  HeadlessKeyUp(VK_NUMPAD9);
  EXPECT_EQ(P(1).FLift, 13);
  std::vector<int> lifts;
  for (int i = 0; i < 4; ++i) {
    Frame();
    lifts.push_back(P(1).FLift);
  }
  EXPECT_EQ(lifts, (std::vector<int>{13, 9, 1, 0}));
}

TEST_F(PersonTest, APathDigitNeedingATurnIsUsedUpByTheTurn) {
  P(1).FFreeMode = false;
  P(1).FPath = "66";
  Frame(8);
  EXPECT_EQ(Cell(1), (TPoint{50, 51}));
  EXPECT_TRUE(P(1).FFreeMode);
}

TEST_F(PersonTest, APathIsWalkedOneCellEveryThreeFrames) {
  P(1).FDirection = 3;
  P(1).FFreeMode = false;
  P(1).FPath = "888";
  World->FOrderActive = true;
  World->FOrderOccupant = 7;
  std::vector<int> columns;
  for (int i = 0; i < 10; ++i) {
    Frame();
    columns.push_back(P(1).FCellX);
  }
  EXPECT_EQ(columns, (std::vector<int>{50, 50, 51, 51, 51, 52, 52, 52, 53, 53}));
  EXPECT_TRUE(P(1).FFreeMode);  // the empty path was found in frame 10
  EXPECT_FALSE(World->FOrderActive);
  EXPECT_EQ(World->FOrderOccupant, 0);
}

TEST_F(PersonTest, EscDuringAStepCancelsThePathWhenTheStepHasEnded) {
  P(1).FDirection = 3;
  P(1).FFreeMode = false;
  P(1).FPath = "8888";
  World->FOrderActive = true;
  Frame();
  HeadlessKeyTap(VK_ESCAPE);
  Frame(2);
  EXPECT_EQ(Cell(1), (TPoint{51, 50}));
  EXPECT_FALSE(P(1).FFreeMode);
  Frame();
  EXPECT_TRUE(P(1).FFreeMode);
  EXPECT_EQ(P(1).FPath, "");
  EXPECT_FALSE(World->FOrderActive);
  EXPECT_FALSE(CloseRequested);
  Frame(3);
  EXPECT_EQ(Cell(1), (TPoint{51, 50}));
}

TEST_F(PersonTest, TheRightButtonAlsoCancelsAPath) {
  P(1).FFreeMode = false;
  P(1).FPath = "8888";
  HeadlessKeyTap(VK_RBUTTON);
  Frame();
  EXPECT_TRUE(P(1).FFreeMode);
  EXPECT_EQ(P(1).FPath, "");
}

TEST_F(PersonTest, EscInFreeModeAsksToClose) {
  HeadlessKeyTap(VK_ESCAPE);
  Frame();
  EXPECT_TRUE(CloseRequested);
}

TEST_F(PersonTest, InsertMakesTheNextPersonCurrent) {
  HeadlessKeyTap(VK_INSERT);
  Frame();
  EXPECT_EQ(World->FCurrent, 2);
}

TEST_F(PersonTest, TheStandingPictureShowsAfterTwoIdleFrames) {
  P(1).FDirection = 2;
  P(1).FStep = 0;
  Frame();
  EXPECT_EQ(P(1).GetFrameIndex(), 6);
  Frame();
  EXPECT_EQ(P(1).GetFrameIndex(), 7);
  P(1).FFigureMode = 1;
  EXPECT_EQ(P(1).GetFrameIndex(), 0);
}

TEST_F(PersonTest, TheAnimationCyclesAcrossStepsEveryFaceCountFrames) {
  FaceCount = 2;
  P(1).FDirection = 3;
  HeadlessKeyDown(VK_NUMPAD9);
  std::vector<int> steps;
  for (int i = 0; i < 6; ++i) {
    Frame();
    steps.push_back(P(1).FStep);
  }
  EXPECT_EQ(steps, (std::vector<int>{0, 1, 1, 2, 2, 0}));
  P(1).FStepDelta = -1;
  P(1).FStep = 0;
  P(1).FAnimTick = 1;
  P(1).Animate();
  EXPECT_EQ(P(1).FStep, 2);
}

TEST_F(PersonTest, WithWalkFrameZeroAStepEndsInTheFrameThatStartsIt) {
  WalkFrame = 0;
  P(1).FDirection = 3;
  P(1).TryStep(1, 1);
  EXPECT_FALSE(P(1).FMoving);
  EXPECT_EQ(Cell(1), (TPoint{51, 51}));
  P(1).FStepVector = TPoint{1, 1};
  EXPECT_EQ(P(1).StepFrames(), 1);
  WalkFrame = 3;
  EXPECT_EQ(P(1).StepFrames(), 6);
}

// ---- Persons other than the current one ----

class IdlePersonTest : public PersonTest {
 protected:
  // Frames of person i alone until pred holds; the number of frames, or -1.
  template <typename Pred>
  int FramesUntil(int i, Pred pred, int limit = 3000) {
    for (int n = 1; n <= limit; ++n) {
      P(i).Update();
      HeadlessAdvanceClock();
      if (pred()) return n;
    }
    return -1;
  }
};

TEST_F(IdlePersonTest, PersonTwoSpeaksItsTwoLinesAndNeverWanders) {
  const int n = FramesUntil(2, [&] { return !P(2).FSpeech[0].Text.empty(); });
  ASSERT_GT(n, 0);
  EXPECT_EQ(P(2).FSpeech[0].Text, "\xc8\xad\xb9\xab\xb4\xc2 \xbd\xca\xc0\xcf\xc8\xab\xc0\xcc\xbf\xe4");
  EXPECT_EQ(P(2).FSpeech[1].Text, "\xb4\xde\xb5\xb5 \xc2\xf7\xb8\xe9 \xb1\xe2\xbf\xec\xb4\xc0\xb4\xcf\xb6\xf3");
  EXPECT_EQ(P(2).FSpeech[0].Colour, RGB(255, 150, 200));
  EXPECT_EQ(P(2).FSpeech[1].Colour, RGB(250, 150, 255));
  EXPECT_TRUE(P(2).FSpeech[2].Text.empty());
  EXPECT_EQ(static_cast<uint32_t>(P(2).FSpeechUntil), PlatformTicks() - HeadlessStepMs() + 1000);
  FramesUntil(
      2, [] { return false; }, 1000);
  EXPECT_EQ(Cell(2), (TPoint{60, 50}));
}

TEST_F(IdlePersonTest, OtherPersonsWanderOneStraightStepNowAndThen) {
  P(3).FDirection = 0;
  const int n = FramesUntil(3, [&] { return P(3).FMoving || Cell(3) != TPoint{50, 60}; });
  ASSERT_GT(n, 0);
  FramesUntil(3, [&] { return !P(3).FMoving; });
  const TPoint c = Cell(3);
  EXPECT_EQ(std::abs(c.X - 50) + std::abs(c.Y - 60), 1);
}

TEST_F(IdlePersonTest, TheCurrentPersonDoesNotWander) {
  World->FCurrent = 3;
  FramesUntil(
      3, [] { return false; }, 1500);
  EXPECT_EQ(Cell(3), (TPoint{50, 60}));
}

// ---- Speech store ----

TEST_F(PersonTest, AFifthLineIsIgnoredAndClearingStartsAgainAtLineOne) {
  for (const char* text : {"a", "b", "c", "d", "e"}) P(1).Say(text, 1);
  EXPECT_EQ(P(1).FSpeech[3].Text, "d");
  P(1).ClearSpeech();
  P(1).Say("x", 2);
  P(1).Say("y", 3);
  EXPECT_EQ(P(1).FSpeech[0].Text, "x");
  EXPECT_EQ(P(1).FSpeech[1].Text, "y");
  EXPECT_TRUE(P(1).FSpeech[2].Text.empty());
}

TEST_F(PersonTest, ALongLineKeepsItsFirstFiftyBytes) {
  const std::string sixty(60, 'z');
  P(1).Say(sixty, 0);
  EXPECT_EQ(P(1).FSpeech[0].Text, std::string(50, 'z'));
}

TEST_F(PersonTest, SpeechIsClearedWhenDrawnAtOrAfterItsTime) {
  HeadlessSetClock(5000);
  P(1).Say("hi", 0);
  P(1).HoldSpeech(1000);
  HeadlessSetClock(5999);
  P(1).DrawSpeech(frame, 0, 0);
  EXPECT_EQ(P(1).FSpeech[0].Text, "hi");
  HeadlessSetClock(6000);
  P(1).DrawSpeech(frame, 0, 0);
  EXPECT_TRUE(P(1).FSpeech[0].Text.empty());
  EXPECT_EQ(P(1).FSpeechUntil, 0);
}

TEST_F(PersonTest, SpeechHeldAcrossTheClocksWrapStaysForItsTime) {
  HeadlessSetClock(0xFFFFFF00u);
  P(1).Say("hi", 0);
  P(1).HoldSpeech(1000);
  HeadlessSetClock(0x100u);
  P(1).DrawSpeech(frame, 0, 0);
  EXPECT_EQ(P(1).FSpeech[0].Text, "hi");
  HeadlessSetClock(0x2E8u);
  P(1).DrawSpeech(frame, 0, 0);
  EXPECT_TRUE(P(1).FSpeech[0].Text.empty());
}

TEST_F(PersonTest, TheSelectionBoxUsesTheCellAndTheScroll) {
  World->FViewX = 50;
  World->FViewY = 40;
  World->FScrollX = 5;
  World->FScrollY = -3;
  TRect r;
  P(1).GetSelectRect(r);  // cell (50, 50): box corner (420, 12)
  EXPECT_EQ(r, (TRect{426, -25, 465, 35}));
}

}  // namespace
