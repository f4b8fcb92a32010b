// The soak's invariant checks must see a broken world, or a clean soak proves nothing.
#include <gtest/gtest.h>

#include "game/World.h"
#include "headless/HeadlessSession.h"
#include "headless/Soak.h"

namespace {
class InvariantCheck : public ::testing::Test {
 protected:
  THeadlessSession FSession{THeadlessConfig{}};
  bool FStepped[5] = {false, true, true, true, false};
};
}  // namespace

TEST_F(InvariantCheck, HoldsOnTheShippedStart) { EXPECT_TRUE(CheckWorldInvariants(FStepped).empty()); }

TEST_F(InvariantCheck, SeesAStrayMarkALostNumberAndBadOffsets) {
  World->FMap->SetCell(CellOccupant, 10, 10, 103);
  World->FMap->SetCell(CellOccupant, 48, 62, 0);  // person 1's own cell
  World->FScrollY = 14;
  World->FSelected = 1u << 5;
  const auto v = CheckWorldInvariants(FStepped);
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[0], "person 1's cell does not hold its number");
  EXPECT_EQ(v[1], "cell (10, 10) holds the mark 103 of a person not there");
  EXPECT_EQ(v[2], "selection outside persons 1..4");
  EXPECT_EQ(v[3], "camera offsets (0, 14) outside their ranges");
}

TEST(Soak, AShortSeededSoakKeepsEveryInvariantAndRepeatsItself) {
  TSoakOptions o;
  o.Frames = 600;
  o.Seed = 3;
  const TSoakResult a = RunSoak(o);
  const TSoakResult b = RunSoak(o);
  EXPECT_TRUE(a.Violations.empty()) << a.Violations.front();
  EXPECT_GT(a.Steps, 0);
  EXPECT_EQ(a.Steps, b.Steps);
  EXPECT_EQ(a.Orders, b.Orders);
}
