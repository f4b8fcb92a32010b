// Footsteps in whole game frames: a real sound player on the headless audio device, person 1
// walking by key or by order, and the pan each footstep gets from the view of its frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <vector>

#include "core/Settings.h"
#include "game/World.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"
#include "sound/DXSound1.h"
#include "tests/support/GameFixture.h"

namespace {

struct Footstep {
  int Left;
  int Right;
  bool operator==(const Footstep&) const = default;
};
void PrintTo(const Footstep& s, std::ostream* out) { *out << "gains (" << s.Left << ", " << s.Right << ")"; }

class FootstepFrames : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    Settings.SoundOn = true;
    StartGameOn(StandardMap());
    // Person 1 alone: the others' wandering and speech would add footsteps of their own.
    for (int i = 2; i <= PersonCount; ++i) {
      Map().SetCell(CellOccupant, P(i).FCellX, P(i).FCellY, 0);
      World->FActors[i].reset();
    }
    Recorder = std::make_unique<FootstepRecorder>();
    HeadlessSetCursor(Middle);
    Frame();  // fixes the view
  }
  void TearDown() override {
    Recorder.reset();
    GameTest::TearDown();
  }

  // One game frame. Returns the footsteps it played, each with the gains of the pan set just
  // before it, and checks each against the pan person 1's cell has in this frame's view.
  std::vector<Footstep> Frame() {
    const TPoint cell{P(1).FCellX, P(1).FCellY};
    const size_t seen = HeadlessAudioLog().size();
    RunFrames(1);
    std::vector<Footstep> steps;
    Footstep pan{-1, -1};
    const auto& log = HeadlessAudioLog();
    for (size_t i = seen; i < log.size(); ++i) {
      if (log[i].Channel != 1) continue;
      if (log[i].What == "pan") pan = {log[i].Left, log[i].Right};
      if (log[i].What == "play") steps.push_back(pan);
    }
    // The step starts, and a long diagonal sounds again halfway, from the cell it leaves.
    const TDXSound::TGains want = TDXSound::PanGains(World->CellToScreen(cell).X + 15 - 320);
    for (const Footstep& s : steps) {
      EXPECT_EQ(s, (Footstep{want.Left, want.Right}))
          << "frame " << World->FFrameCount << " cell (" << cell.X << ", " << cell.Y << ")";
    }
    return steps;
  }
  std::vector<Footstep> Frames(int count) {
    std::vector<Footstep> all;
    for (int i = 0; i < count; ++i) {
      auto steps = Frame();
      all.insert(all.end(), steps.begin(), steps.end());
    }
    return all;
  }
  // Frames until person 1 has used up its ordered path (at most `limit`).
  std::vector<Footstep> FramesUntilArrived(int limit = 200) {
    std::vector<Footstep> all;
    for (int i = 0; i < limit && (!P(1).FFreeMode || P(1).FMoving); ++i) {
      auto steps = Frame();
      all.insert(all.end(), steps.begin(), steps.end());
    }
    EXPECT_TRUE(P(1).FFreeMode) << "the ordered walk did not end";
    return all;
  }

  // A selection rectangle swept over person 1's box.
  void SelectPersonOne() {
    TRect box;
    P(1).GetSelectRect(box);
    HeadlessSetCursor({box.Left - 20, box.Top - 20});
    HeadlessKeyDown(VK_LBUTTON);
    Frame();
    HeadlessSetCursor({box.Right + 20, box.Bottom + 20});
    Frame();
    HeadlessKeyUp(VK_LBUTTON);
    Frame();
    HeadlessSetCursor(Middle);
    ASSERT_EQ(World->FSelected, 1 << 1);
  }
  // The pointer on a screen edge for some frames: the free camera scrolls a cell every two.
  void HoldPointerAt(TPoint edge, int frames) {
    HeadlessSetCursor(edge);
    Frames(frames);
    HeadlessSetCursor(Middle);
    Frame();
  }
  // A right click on the middle of a cell's ground diamond.
  void OrderTo(TPoint cell) {
    const TPoint b = World->CellToScreen(cell);
    HeadlessSetCursor({b.X + 30 - World->FScrollX, b.Y + 14 - World->FScrollY});
    HeadlessKeyTap(VK_RBUTTON);
    Frame();
    HeadlessSetCursor(Middle);
    ASSERT_FALSE(P(1).FFreeMode) << "the order found no way";
  }
  int ScreenX() { return World->CellToScreen({P(1).FCellX, P(1).FCellY}).X; }

  static constexpr TPoint Middle{320, 300};
  std::unique_ptr<FootstepRecorder> Recorder;
};

TEST_F(FootstepFrames, WalkingByKeyTheFollowedPersonIsHeardFromTheMiddle) {
  P(1).FDirection = 3;
  HeadlessKeyDown(VK_PRIOR);  // (+1, 0), straight
  const auto steps = Frames(12);
  HeadlessKeyUp(VK_PRIOR);
  EXPECT_EQ(P(1).FCellX, 54);
  ASSERT_EQ(steps.size(), 4u);
  // The camera keeps person 1 at screen X 300: pan -5, one decibel off the right side.
  for (const Footstep& s : steps) {
    EXPECT_EQ(s.Left, 255);
    EXPECT_GT(s.Right, 220);
  }
}

TEST_F(FootstepFrames, AHeldDiagonalKeySoundsTwiceForEachLongStep) {
  P(1).FDirection = 3;
  HeadlessKeyDown(VK_RIGHT);  // (+1, +1), a long diagonal of six frames
  const auto steps = Frames(12);
  HeadlessKeyUp(VK_RIGHT);
  EXPECT_EQ((TPoint{P(1).FCellX, P(1).FCellY}), (TPoint{52, 52}));
  EXPECT_EQ(steps.size(), 4u);
}

TEST_F(FootstepFrames, APersonOrderedAfterTheViewScrolledRightIsHeardOnTheLeft) {
  SelectPersonOne();
  HoldPointerAt({639, 240}, 6);  // three cells: person 1 moves 180 pixels left
  EXPECT_EQ(ScreenX(), 120);
  OrderTo({P(1).FCellX + 5, P(1).FCellY - 5});  // five steps straight up the screen
  const auto steps = FramesUntilArrived();
  EXPECT_TRUE(World->FCameraFree) << "walking a path must not make the camera follow";
  EXPECT_EQ(ScreenX(), 120);
  ASSERT_GE(steps.size(), 4u);  // the first digit of a path in a new direction only turns
  for (const Footstep& s : steps) {
    EXPECT_EQ(s.Left, 255);
    EXPECT_LT(s.Right, 10);  // pan -185: 37 decibels down
  }
}

TEST_F(FootstepFrames, APersonOrderedAfterTheViewScrolledLeftIsHeardOnTheRight) {
  SelectPersonOne();
  HoldPointerAt({0, 240}, 6);
  EXPECT_EQ(ScreenX(), 480);
  OrderTo({P(1).FCellX - 5, P(1).FCellY + 5});  // five steps straight down the screen
  const auto steps = FramesUntilArrived();
  EXPECT_TRUE(World->FCameraFree);
  ASSERT_GE(steps.size(), 4u);
  for (const Footstep& s : steps) {
    EXPECT_LT(s.Left, 10);  // pan 175
    EXPECT_EQ(s.Right, 255);
  }
}

TEST_F(FootstepFrames, AsTheViewScrollsAwayAWalkingPersonsFootstepsMoveToThatSide) {
  SelectPersonOne();
  OrderTo({P(1).FCellX + 8, P(1).FCellY - 8});
  HeadlessSetCursor({639, 240});  // seven cells in fourteen frames, while person 1 walks
  auto steps = Frames(14);
  HeadlessSetCursor(Middle);
  const auto rest = FramesUntilArrived();
  steps.insert(steps.end(), rest.begin(), rest.end());
  EXPECT_LT(ScreenX(), 0);
  ASSERT_GE(steps.size(), 6u);
  for (size_t i = 1; i < steps.size(); ++i) {
    EXPECT_EQ(steps[i].Left, 255);
    EXPECT_LE(steps[i].Right, steps[i - 1].Right) << "footstep " << i;
  }
  EXPECT_EQ(steps.back(), (Footstep{255, 1}));  // limited to -256: 51.2 decibels down, not silence
}

TEST_F(FootstepFrames, AJumpDuringALongDiagonalSilencesItsSecondFootstep) {
  P(1).FDirection = 3;
  HeadlessKeyDown(VK_RIGHT);
  HeadlessKeyTap(VK_CONTROL);
  auto steps = Frame();
  HeadlessKeyUp(VK_RIGHT);
  EXPECT_EQ(steps.size(), 1u);  // the step began on the ground
  steps = Frames(5);
  EXPECT_GT(P(1).FLift, 0);
  EXPECT_TRUE(steps.empty());
  EXPECT_EQ((TPoint{P(1).FCellX, P(1).FCellY}), (TPoint{51, 51}));
}

TEST_F(FootstepFrames, WithSoundOffAWholeWalkAsksNothingOfTheDevice) {
  Settings.SoundOn = false;
  P(1).FDirection = 3;
  HeadlessKeyDown(VK_RIGHT);
  Frames(12);
  HeadlessKeyUp(VK_RIGHT);
  EXPECT_EQ(P(1).FCellX, 52);
  EXPECT_EQ(Recorder->Plays(), 0);
  EXPECT_TRUE(HeadlessAudioLog().empty());
}

}  // namespace
