// The shipped map: exact counts, start cells, and the features a player meets near the start.
#include <gtest/gtest.h>

#include <cstdlib>
#include <queue>

#include "tools/mkassets/VillageMap.h"

namespace {

class VillageMap : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { map_ = new std::vector<uint8_t>(MakeVillageMap()); }
  static void TearDownTestSuite() { delete map_; }
  static int Byte(int x, int y, int i) { return (*map_)[size_t(y * 500 + x * 5 + i)]; }
  static int Kind(int x, int y) { return Byte(x, y, 0); }
  static int Height(int x, int y) { return Byte(x, y, 1); }
  static bool OnMap(int x, int y) { return x >= 0 && y >= 0 && x < 100 && y < 100; }
  // Cells a person reaches from (x, y) climbing at most one level per step, in eight directions.
  static std::vector<std::vector<int>> Reach(int x, int y) {
    std::vector<std::vector<int>> dist(100, std::vector<int>(100, -1));
    std::queue<std::pair<int, int>> q;
    dist[size_t(y)][size_t(x)] = 0;
    q.push({x, y});
    while (!q.empty()) {
      auto [cx, cy] = q.front();
      q.pop();
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = cx + dx, ny = cy + dy;
          if (!OnMap(nx, ny) || dist[size_t(ny)][size_t(nx)] >= 0 || Height(nx, ny) > Height(cx, cy) + 1) continue;
          dist[size_t(ny)][size_t(nx)] = dist[size_t(cy)][size_t(cx)] + 1;
          q.push({nx, ny});
        }
    }
    return dist;
  }
  static inline std::vector<uint8_t>* map_ = nullptr;
};

TEST_F(VillageMap, HasExactlyTheCountsOfKindsAndHeights) {
  ASSERT_EQ(map_->size(), 50000u);
  std::array<int, 6> kinds{};
  std::array<int, 5> heights{};
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      ASSERT_LT(Kind(x, y), 6);
      ASSERT_LT(Height(x, y), 5);
      ++kinds[size_t(Kind(x, y))];
      ++heights[size_t(Height(x, y))];
    }
  EXPECT_EQ(kinds, (std::array<int, 6>{309, 419, 1075, 8172, 15, 10}));
  EXPECT_EQ(heights, (std::array<int, 5>{9584, 108, 104, 95, 109}));
}

TEST_F(VillageMap, MarksOnlyTheThreeStartCellsAndStoresNoFogOrLight) {
  int marked = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      marked += Byte(x, y, 2) != 0;
      ASSERT_EQ(Byte(x, y, 3), 0);
      ASSERT_EQ(Byte(x, y, 4), 0);
    }
  EXPECT_EQ(marked, 3);
  EXPECT_EQ(Byte(48, 62, 2), 1);
  EXPECT_EQ(Byte(55, 61, 2), 2);
  EXPECT_EQ(Byte(47, 63, 2), 3);
}

TEST_F(VillageMap, StartCellsAndTheirNeighboursAreWalkable) {
  for (const TStartCell& s : kStartCells) {
    EXPECT_EQ(Height(s.X, s.Y), 0);
    EXPECT_NE(Kind(s.X, s.Y), 4) << "a person starts in the pond";
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) EXPECT_LE(std::abs(Height(s.X + dx, s.Y + dy) - Height(s.X, s.Y)), 1);
  }
}

TEST_F(VillageMap, TheTowerTopIsReachedOneLevelAtATimeFromTheStart) {
  const auto dist = Reach(48, 62);
  bool top = false;
  for (int y = 52; y <= 62 && !top; ++y)
    for (int x = 48; x <= 64 && !top; ++x) top = Height(x, y) == 4 && dist[size_t(y)][size_t(x)] > 0;
  EXPECT_TRUE(top);
}

TEST_F(VillageMap, ATallWallHidesACellReachableNearTheStart) {
  // A cell is hidden when the cell drawn right below it on screen (X - 1, Y + 1) is 4 levels up.
  const auto dist = Reach(47, 63);
  int hidden = 0;
  for (int y = 55; y <= 70; ++y)
    for (int x = 40; x <= 60; ++x)
      if (dist[size_t(y)][size_t(x)] >= 0 && dist[size_t(y)][size_t(x)] <= 6 && Height(x, y) == 0 &&
          Height(x - 1, y + 1) == 4)
        ++hidden;
  EXPECT_GE(hidden, 3);
}

TEST_F(VillageMap, PondGardensHousesAndGravelLieWithinAFewCellsOfTheStart) {
  auto near = [](int kind, int radius) {
    for (int y = 62 - radius; y <= 62 + radius; ++y)
      for (int x = 48 - radius; x <= 48 + radius; ++x)
        if (Kind(x, y) == kind) return true;
    return false;
  };
  EXPECT_TRUE(near(4, 4));  // water
  EXPECT_TRUE(near(0, 4));  // grass
  EXPECT_TRUE(near(1, 7));  // planks
  EXPECT_TRUE(near(5, 8));  // gravel
}

}  // namespace
