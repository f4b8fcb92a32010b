// Path requests: the 50 x 50 window around the person, the handed-over walk and the order
// record, and the keys an order clears.
#include <gtest/gtest.h>

#include "game/World.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"
#include "tests/support/GameFixture.h"

namespace {

class PathRequestTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    StartGameOn(map);
  }
  TTestMap map = StandardMap();
};

TEST_F(PathRequestTest, AFoundWalkIsHandedToThePersonAndTheOrderRecorded) {
  EXPECT_TRUE(World->RequestPath(1, {53, 50}, {7, 8}));
  EXPECT_EQ(P(1).FPath, "888");
  EXPECT_FALSE(P(1).FFreeMode);
  EXPECT_TRUE(World->FOrderActive);
  EXPECT_EQ(World->FOrderCell, (TPoint{53, 50}));
  EXPECT_EQ(World->FOrderPoint, (TPoint{7, 8}));
  EXPECT_EQ(World->FOrderOccupant, 0);
}

TEST_F(PathRequestTest, AnOccupiedTargetIsStillReachedUpToItsNeighbour) {
  EXPECT_TRUE(World->RequestPath(1, {60, 50}, {0, 0}));  // person 2 stands there
  EXPECT_EQ(P(1).FPath, std::string(10, '8'));
  EXPECT_EQ(World->FOrderOccupant, 2);
}

TEST_F(PathRequestTest, OtherPersonsBlockTheWayButTheOwnMarksDoNot) {
  // Walled in by other persons' marks on three sides; the fourth holds its own mark.
  Map().SetCell(CellOccupant, 51, 50, 104);
  Map().SetCell(CellOccupant, 49, 50, 3);
  Map().SetCell(CellOccupant, 50, 49, 2);
  Map().SetCell(CellOccupant, 50, 51, 101);
  EXPECT_TRUE(World->RequestPath(1, {50, 53}, {0, 0}));
  EXPECT_EQ(P(1).FPath, "666");
  Map().SetCell(CellOccupant, 50, 51, 102);
  EXPECT_FALSE(World->RequestPath(1, {50, 53}, {0, 0}));
}

TEST_F(PathRequestTest, HeightsAreComparedWithTheStartNotTheStep) {
  GameStop();
  // A ridge two levels up across the whole window, with a staircase in front of it.
  map.Heights(51, 0, 51, 99, 1).Heights(52, 0, 52, 99, 2);
  StartGameOn(map);
  EXPECT_FALSE(World->RequestPath(1, {54, 50}, {0, 0}));
  EXPECT_TRUE(P(1).FFreeMode);
  EXPECT_FALSE(World->FOrderActive);
}

TEST_F(PathRequestTest, APersonMidStepPlansFromTheCellItIsEntering) {
  P(1).FDirection = 3;
  P(1).TryStep(1, 0);
  ASSERT_TRUE(P(1).FMoving);
  EXPECT_TRUE(World->RequestPath(1, {53, 50}, {0, 0}));
  EXPECT_EQ(P(1).FPath, "88");
}

TEST_F(PathRequestTest, AnIndexOutsideOneToFourQueriesNoKeys) {
  HeadlessKeyTap(VK_ESCAPE);
  EXPECT_FALSE(World->RequestPath(0, {53, 50}, {0, 0}));
  EXPECT_FALSE(World->RequestPath(5, {53, 50}, {0, 0}));
  EXPECT_EQ(PlatformAsyncKeyState(VK_ESCAPE) & 1, 1);
}

TEST_F(PathRequestTest, PressesBeforeTheOrderDoNotCancelIt) {
  HeadlessKeyTap(VK_ESCAPE);
  HeadlessKeyTap(VK_RBUTTON);
  ASSERT_TRUE(World->RequestPath(1, {53, 50}, {0, 0}));
  P(1).FDirection = 3;
  P(1).Update();
  EXPECT_FALSE(P(1).FFreeMode);
  EXPECT_TRUE(P(1).FMoving);
}

TEST_F(PathRequestTest, NoRouteLeavesPersonAndWorldUnchanged) {
  P(1).FPath = "";
  EXPECT_FALSE(World->RequestPath(1, {50, 50}, {0, 0}));  // already there
  EXPECT_TRUE(P(1).FFreeMode);
  EXPECT_FALSE(World->FOrderActive);
}

TEST_F(PathRequestTest, TargetsPastTheWindowFollowTheSearchesRule) {
  Map().SetCell(CellOccupant, 60, 50, 0);                // clear person 2's mark off the row
  EXPECT_TRUE(World->RequestPath(1, {75, 50}, {0, 0}));  // one column past the window
  EXPECT_EQ(P(1).FPath, std::string(25, '8'));
  EXPECT_FALSE(World->RequestPath(1, {76, 50}, {0, 0}));
  EXPECT_FALSE(World->RequestPath(1, {24, 50}, {0, 0}));  // window column -1
  EXPECT_FALSE(World->RequestPath(1, {50, -200}, {0, 0}));
  EXPECT_FALSE(World->RequestPath(1, {99, 99}, {0, 0}));
}

TEST_F(PathRequestTest, TheWindowEndsAtTheMapBorder) {
  P(1).FCellX = 2;
  P(1).FCellY = 2;
  EXPECT_TRUE(World->RequestPath(1, {0, 0}, {0, 0}));
  EXPECT_EQ(P(1).FPath, "11");
}

}  // namespace
