// The pointer: edge scrolling and its carries, the selection rectangle, right-click orders
// and map editing, driven through whole frames.
#include <gtest/gtest.h>

#include "core/Settings.h"
#include "game/World.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"
#include "tests/support/GameFixture.h"

namespace {

class PointerTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    StartGameOn(StandardMap());
    HeadlessSetCursor({320, 240});
    RunFrames(1);  // fixes the view
  }
  // The point in the middle of a cell's ground diamond.
  TPoint CellCentre(TPoint c) {
    const TPoint b = World->CellToScreen(c);
    return TPoint{b.X + 30 - World->FScrollX, b.Y + 14 - World->FScrollY};
  }
  TPoint BoxCentre(int i) {
    TRect r;
    P(i).GetSelectRect(r);
    return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  void Sweep(TPoint from, TPoint to) {
    HeadlessSetCursor(from);
    HeadlessKeyDown(VK_LBUTTON);
    RunFrames(1);
    HeadlessSetCursor(to);
    RunFrames(1);
    HeadlessKeyUp(VK_LBUTTON);
    RunFrames(1);
  }
};

// ---- Edge scrolling ----

TEST_F(PointerTest, TheTopLeftCornerScrollsBothWaysInOneFrame) {
  HeadlessSetCursor({0, 0});
  RunFrames(1);
  EXPECT_EQ(World->FScrollX, -30);
  EXPECT_EQ(World->FScrollY, -14);
  EXPECT_EQ(World->FCameraX, 50);
  EXPECT_EQ(World->FCameraY, 50);
}

TEST_F(PointerTest, TheTopEdgeCarriesWholeCellsAndKeepsTheOffsetsInRange) {
  HeadlessSetCursor({320, 0});
  RunFrames(1);
  EXPECT_EQ(World->FScrollY, 0);  // -28 carried into the camera cell
  EXPECT_EQ(World->FCameraX, 51);
  EXPECT_EQ(World->FCameraY, 49);
  RunFrames(3);
  EXPECT_EQ(World->FCameraX, 54);
  EXPECT_EQ(World->FCameraY, 46);
}

TEST_F(PointerTest, EveryEdgeKeepsTheOffsetsWithinTheirRanges) {
  const TPoint edges[] = {{0, 240}, {639, 240}, {320, 479}, {0, 0}, {639, 479}, {639, 0}, {0, 479}};
  for (TPoint edge : edges) {
    HeadlessSetCursor(edge);
    for (int i = 0; i < 5; ++i) {
      RunFrames(1);
      ASSERT_GE(World->FScrollX, -30);
      ASSERT_LE(World->FScrollX, 29);
      ASSERT_GE(World->FScrollY, -14);
      ASSERT_LE(World->FScrollY, 13);
    }
  }
}

TEST_F(PointerTest, TheLeftEdgeCarriesEveryOtherFrame) {
  HeadlessSetCursor({-5, 240});
  RunFrames(1);
  EXPECT_EQ(World->FScrollX, -30);
  RunFrames(1);
  EXPECT_EQ(World->FScrollX, 0);
  EXPECT_EQ(World->FCameraX, 49);
  EXPECT_EQ(World->FCameraY, 49);
}

TEST_F(PointerTest, TheFirstEdgeContactOnlyFreesAFollowingCamera) {
  World->SetCameraFree(false);
  World->FScrollX = 0;
  P(1).FCellX = 52;
  HeadlessSetCursor({639, 240});
  const int phase = World->FCursorPhase;
  RunFrames(1);
  EXPECT_TRUE(World->FCameraFree);
  EXPECT_EQ(World->FCameraX, 52);
  EXPECT_EQ(World->FScrollX, 0);
  EXPECT_EQ(World->FCursorPhase, phase);  // the rest of the frame did not run
}

TEST_F(PointerTest, WithAnArrowHeldTheEdgeScrollsButTheFrameGoesOn) {
  World->SetCameraFree(false);
  HeadlessKeyDown(VK_LEFT);
  HeadlessSetCursor({320, 479});
  const int phase = World->FCursorPhase;
  World->FScrollY = 0;
  World->HandlePointer();
  EXPECT_FALSE(World->FCameraFree);
  EXPECT_EQ(World->FScrollY, 0);  // +28 carried
  EXPECT_NE(World->FCursorPhase, phase);
}

TEST_F(PointerTest, NoScrollingWhileDragging) {
  World->FDragging = true;
  HeadlessKeyDown(VK_LBUTTON);
  HeadlessSetCursor({0, 0});
  World->HandlePointer();
  EXPECT_EQ(World->FScrollX, 0);
  EXPECT_EQ(World->FScrollY, 0);
}

// ---- Selection ----

TEST_F(PointerTest, ASweepOverTwoPersonsSelectsExactlyThem) {
  Sweep(BoxCentre(1), BoxCentre(3));
  EXPECT_EQ(World->FSelected, (1 << 1) | (1 << 3));
  EXPECT_FALSE(World->FDragging);
}

TEST_F(PointerTest, ASweepDrawnBackwardsSelectsTheSamePersons) {
  Sweep(BoxCentre(3), BoxCentre(1));
  EXPECT_EQ(World->FSelected, (1 << 1) | (1 << 3));
  World->FSelected = 0;
  const TPoint a = BoxCentre(1), b = BoxCentre(3);
  Sweep(TPoint{a.X, b.Y}, TPoint{b.X, a.Y});  // lower left to upper right
  EXPECT_EQ(World->FSelected, (1 << 1) | (1 << 3));
}

TEST_F(PointerTest, ARectangleInsideABoxCatchesItByTheRectanglesCorners) {
  const TPoint c = BoxCentre(2);
  Sweep(c, TPoint{c.X + 2, c.Y + 2});
  EXPECT_EQ(World->FSelected, 1 << 2);
}

TEST_F(PointerTest, AnEmptySweepKeepsTheOldSelection) {
  World->FSelected = 1 << 4;
  Sweep({100, 100}, {120, 120});
  EXPECT_EQ(World->FSelected, 1 << 4);
}

TEST_F(PointerTest, TheRectangleStartsWhereTheButtonWasFirstSeenDown) {
  HeadlessSetCursor({100, 90});
  HeadlessKeyDown(VK_LBUTTON);
  RunFrames(1);
  EXPECT_TRUE(World->FDragging);
  EXPECT_EQ(World->FDragStart, (TPoint{100, 90}));
  HeadlessSetCursor({300, 200});
  RunFrames(1);
  EXPECT_EQ(World->FDragStart, (TPoint{100, 90}));
}

// ---- Orders ----

TEST_F(PointerTest, ARightClickSendsEverySelectedPersonToTheCell) {
  World->FSelected = (1 << 1) | (1 << 3);
  HeadlessSetCursor(CellCentre({53, 52}));
  HeadlessKeyTap(VK_RBUTTON);
  World->HandlePointer();
  EXPECT_EQ(P(1).FPath, "998");
  EXPECT_FALSE(P(1).FFreeMode);
  EXPECT_FALSE(P(3).FFreeMode);
  EXPECT_TRUE(P(2).FFreeMode);
  EXPECT_TRUE(World->FOrderActive);
  EXPECT_EQ(World->FOrderCell, (TPoint{53, 52}));
  EXPECT_EQ(World->FOrderPoint, (TPoint{30, 14}));
}

TEST_F(PointerTest, ARightClickWithoutASelectionOrdersNobody) {
  HeadlessSetCursor(CellCentre({53, 52}));
  HeadlessKeyTap(VK_RBUTTON);
  World->HandlePointer();
  EXPECT_FALSE(World->FOrderActive);
  EXPECT_TRUE(P(1).FFreeMode);
}

// ---- Map editing ----

class MapEditingTest : public PointerTest {
 protected:
  void SetUp() override {
    PointerTest::SetUp();
    Settings.MapEditing = true;
    HeadlessSetCursor(CellCentre(cell));
  }
  int Height() { return Map().GetCell(CellHeight, cell.X, cell.Y); }
  TPoint cell{45, 47};
};

TEST_F(MapEditingTest, ANumberKeyPaintsItsKind) {
  HeadlessKeyDown('2');
  World->HandlePointer();
  EXPECT_EQ(World->FPaintKind, 1);
  EXPECT_EQ(Map().FCells[cell.Y][cell.X].Kind, 1);
  HeadlessKeyUp('2');
  HeadlessKeyDown('6');
  World->HandlePointer();
  EXPECT_EQ(Map().FCells[cell.Y][cell.X].Kind, 5);
}

TEST_F(MapEditingTest, KeypadPlusAndMinusStopAtNineAndZero) {
  HeadlessKeyTap(VK_SUBTRACT);
  World->HandlePointer();
  EXPECT_EQ(Height(), 0);
  HeadlessKeyTap(VK_ADD);
  World->HandlePointer();
  EXPECT_EQ(Height(), 1);
  Map().SetCell(CellHeight, cell.X, cell.Y, 9);
  HeadlessKeyTap(VK_ADD);
  World->HandlePointer();
  EXPECT_EQ(Height(), 9);
  HeadlessKeyTap(VK_SUBTRACT);
  World->HandlePointer();
  EXPECT_EQ(Height(), 8);
}

TEST_F(MapEditingTest, HoldingPlusRaisesOnlyOnce) {
  HeadlessKeyDown(VK_ADD);
  World->HandlePointer();
  World->HandlePointer();
  EXPECT_EQ(Height(), 1);
}

TEST_F(MapEditingTest, AStoredHeightAboveNineCanOnlyBeLowered) {
  Map().SetCell(CellHeight, cell.X, cell.Y, 200);
  HeadlessKeyTap(VK_ADD);
  World->HandlePointer();
  EXPECT_EQ(Height(), 200);
  HeadlessKeyTap(VK_SUBTRACT);
  World->HandlePointer();
  EXPECT_EQ(Height(), 199);
}

TEST_F(MapEditingTest, WithEditingOffTheKeysChangeNothing) {
  Settings.MapEditing = false;
  HeadlessKeyDown('3');
  HeadlessKeyTap(VK_ADD);
  World->HandlePointer();
  EXPECT_EQ(Map().FCells[cell.Y][cell.X].Kind, 3);
  EXPECT_EQ(World->FPaintKind, 0);
  EXPECT_EQ(Height(), 0);
}

}  // namespace
