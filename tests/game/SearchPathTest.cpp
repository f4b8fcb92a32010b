// The grid path search: the chosen walks, the corner rule, goals outside the area, and
// shortest-walk lengths against a plain breadth-first search on random grids.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <vector>

#include "bench/ReferenceSearch.h"
#include "game/SrchPath.h"

namespace {

constexpr int N = 50;

class SearchPathTest : public ::testing::Test {
 protected:
  std::vector<uint8_t> grid = std::vector<uint8_t>(N * N, 0);
  void Block(int x, int y) { grid[y * N + x] = 1; }
  std::string PathTo(int gx, int gy, TPoint start = {25, 25}) {
    TSearchPath search(N, N, grid.data());
    std::string path = "unset";
    search.FindPath(start, TPoint{gx, gy}, path);
    return path;
  }
};

TEST_F(SearchPathTest, GoalAtTheStartGivesTheEmptyPath) { EXPECT_EQ(PathTo(25, 25), ""); }

TEST_F(SearchPathTest, StraightAndDiagonalWalksUseTheirDigits) {
  EXPECT_EQ(PathTo(30, 25), "88888");
  EXPECT_EQ(PathTo(28, 28), "999");
  EXPECT_EQ(PathTo(25, 27), "66");
  EXPECT_EQ(PathTo(22, 25), "222");
  EXPECT_EQ(PathTo(26, 24), "7");
}

TEST_F(SearchPathTest, EquallyShortWalksAreChosenByTheNeighbourOrder) {
  EXPECT_EQ(PathTo(27, 26), "98");
  EXPECT_EQ(PathTo(29, 22), "7778");
  EXPECT_EQ(PathTo(23, 27), "33");
}

TEST_F(SearchPathTest, ADiagonalNeverCutsABlockedCorner) {
  Block(26, 25);
  EXPECT_EQ(PathTo(26, 26), "68");
}

TEST_F(SearchPathTest, AWallIsWalkedAroundItsUpperEnd) {
  for (int y = 20; y <= 30; ++y) Block(27, y);
  EXPECT_EQ(PathTo(29, 25), "74444488966666");
}

TEST_F(SearchPathTest, ABlockedGoalIsStillFloodedFrom) {
  Block(27, 25);
  EXPECT_EQ(PathTo(27, 25), "88");
}

TEST_F(SearchPathTest, AGoalWalledInOnAllSidesGivesNoWalk) {
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy)
      if (dx || dy) Block(30 + dx, 30 + dy);
  EXPECT_EQ(PathTo(30, 30), "");
}

TEST_F(SearchPathTest, ABlockedStartGivesNoWalk) {
  Block(25, 25);
  EXPECT_EQ(PathTo(28, 25), "");
}

TEST_F(SearchPathTest, AGoalOneColumnPastTheAreaEndsWithAStepOutOfIt) {
  EXPECT_EQ(PathTo(50, 25), std::string(25, '8'));
  EXPECT_EQ(PathTo(51, 25), "");
}

TEST_F(SearchPathTest, GoalsOutsideTheGridGiveTheEmptyPath) {
  EXPECT_EQ(PathTo(-1, 25), "");
  EXPECT_EQ(PathTo(25, -30), "");
  EXPECT_EQ(PathTo(100, 25), "");
  EXPECT_EQ(PathTo(25, 1000), "");
  EXPECT_EQ(PathTo(-2147483647 - 1, 5), "");
}

TEST_F(SearchPathTest, OneObjectAnswersSeveralSearchesAlike) {
  TSearchPath search(N, N, grid.data());
  std::string first, second;
  search.FindPath({25, 25}, {29, 22}, first);
  search.FindPath({25, 25}, {51, 25}, second);
  search.FindPath({25, 25}, {29, 22}, second);
  EXPECT_EQ(first, second);
}

TEST(SearchPathData, RowsOfTheDataAreTransposedIntoColumnMajorCells) {
  const uint8_t data[] = {0, 1, 0,   // row 0
                          0, 0, 0};  // row 1
  TSearchPath search(3, 2, data);
  EXPECT_FALSE(search.IsFree(1, 0));
  EXPECT_TRUE(search.IsFree(0, 1));
  EXPECT_FALSE(search.IsFree(3, 0));
  EXPECT_FALSE(search.IsFree(0, 2));
  std::string path;
  search.FindPath({0, 0}, {2, 0}, path);
  EXPECT_EQ(path, "6884");  // down, across and up again: every diagonal would cut (1, 0)
}

// ---- Random grids against a plain forward breadth-first search ----

// Step offsets of the digits.
TPoint digitStep(char digit) {
  const int v = digit - '5';
  const int dx = v > 1 ? 1 : v < -1 ? -1 : 0;
  return TPoint{dx, v - 3 * dx};
}

struct Grid {
  int w, h;
  std::vector<uint8_t> blocked;
  bool Free(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && blocked[y * w + x] != 1; }
  bool CanMove(TPoint from, TPoint d) const {
    const TPoint to{from.X + d.X, from.Y + d.Y};
    if (!Free(to.X, to.Y)) return false;
    return d.X == 0 || d.Y == 0 || (Free(from.X + d.X, from.Y) && Free(from.X, from.Y + d.Y));
  }
  // Steps of a shortest walk, -1 when there is none.
  int Distance(TPoint from, TPoint to) const {
    std::vector<int> dist(w * h, -1);
    std::deque<TPoint> queue{from};
    dist[from.Y * w + from.X] = 0;
    while (!queue.empty()) {
      const TPoint c = queue.front();
      queue.pop_front();
      if (c == to) return dist[c.Y * w + c.X];
      for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
          if ((!dx && !dy) || !CanMove(c, {dx, dy})) continue;
          const TPoint n{c.X + dx, c.Y + dy};
          if (dist[n.Y * w + n.X] >= 0) continue;
          dist[n.Y * w + n.X] = dist[c.Y * w + c.X] + 1;
          queue.push_back(n);
        }
    }
    return -1;
  }
};

TEST(SearchPathRandomGrids, WalksAreShortestValidAndNeverCutCorners) {
  std::mt19937 rng(12345);
  int walksChecked = 0;
  for (int round = 0; round < 300; ++round) {
    Grid g{static_cast<int>(rng() % 40) + 5, static_cast<int>(rng() % 40) + 5, {}};
    const int density = static_cast<int>(rng() % 45);
    g.blocked.resize(g.w * g.h);
    for (auto& cell : g.blocked) cell = static_cast<int>(rng() % 100) < density ? 1 : 0;
    const TPoint start{static_cast<int>(rng() % g.w), static_cast<int>(rng() % g.h)};
    const TPoint goal{static_cast<int>(rng() % g.w), static_cast<int>(rng() % g.h)};
    g.blocked[start.Y * g.w + start.X] = 0;
    g.blocked[goal.Y * g.w + goal.X] = 0;

    TSearchPath search(static_cast<uint16_t>(g.w), static_cast<uint16_t>(g.h), g.blocked.data());
    std::string path;
    search.FindPath(start, goal, path);
    const int expected = g.Distance(start, goal);
    SCOPED_TRACE("round " + std::to_string(round));
    if (expected <= 0) {
      EXPECT_EQ(path, "");
      continue;
    }
    ASSERT_EQ(static_cast<int>(path.size()), expected);
    TPoint at = start;
    for (char digit : path) {
      ASSERT_NE(digit, '5');
      const TPoint d = digitStep(digit);
      ASSERT_TRUE(g.CanMove(at, d)) << "step " << digit << " from " << at.X << "," << at.Y;
      at = TPoint{at.X + d.X, at.Y + d.Y};
    }
    EXPECT_EQ(at, goal);
    ++walksChecked;
  }
  EXPECT_GT(walksChecked, 100);
}

// The same digits as the plain reference search, on random grids of any size up to the limit
// and past it (only the first 100 columns and rows are searched), with goals close by, on the
// area's edge, just past it and far outside, blocked starts and goals, cell bytes other than 0
// and 1 (free), and several searches on one object, so none sees what an earlier one left.
TEST(SearchPathRandomGrids, TheDigitsAreTheReferenceSearchs) {
  std::mt19937 rng(2024);
  int walks = 0;
  for (int round = 0; round < 600; ++round) {
    const bool large = round % 50 == 0, oversized = round % 50 == 25;
    const int w = large ? 100 : oversized ? 101 + static_cast<int>(rng() % 30) : static_cast<int>(rng() % 60) + 1;
    const int h = oversized ? 101 + static_cast<int>(rng() % 30) : static_cast<int>(rng() % 60) + 1;
    const int density = static_cast<int>(rng() % 50);
    std::vector<uint8_t> cells(static_cast<size_t>(w) * h);
    for (auto& c : cells)
      c = static_cast<int>(rng() % 100) < density ? 1 : static_cast<uint8_t>(rng() % 8 == 0 ? 2 : 0);
    // The area the search sees: the data cut to 100 x 100.
    const int sw = std::min(w, SearchGridSize), sh = std::min(h, SearchGridSize);
    std::vector<uint8_t> seen;
    for (int y = 0; y < sh; ++y) seen.insert(seen.end(), cells.begin() + y * w, cells.begin() + y * w + sw);
    const auto place = [&] {
      const int pick = static_cast<int>(rng() % 10);
      if (pick == 0) return TPoint{sw, static_cast<int>(rng() % (sh + 1))};      // on the edge past the area
      if (pick == 1) return TPoint{static_cast<int>(rng() % (sw + 2)), sh + 1};  // further out
      if (pick == 2) return TPoint{static_cast<int>(rng() % 120) - 10, static_cast<int>(rng() % 120) - 10};
      return TPoint{static_cast<int>(rng() % sw), static_cast<int>(rng() % sh)};
    };
    TSearchPath search(static_cast<uint16_t>(w), static_cast<uint16_t>(h), cells.data());
    for (int request = 0; request < 6; ++request) {
      const TPoint start = place();
      const int near = static_cast<int>(rng() % 4);
      const TPoint goal =
          near == 0   ? start
          : near == 1 ? TPoint{start.X + static_cast<int>(rng() % 5) - 2, start.Y + static_cast<int>(rng() % 5) - 2}
                      : place();
      std::string path = "unset";
      search.FindPath(start, goal, path);
      ASSERT_EQ(path, ReferencePath(sw, sh, seen.data(), start, goal))
          << "round " << round << " request " << request << ": " << w << " x " << h << " from " << start.X << ","
          << start.Y << " to " << goal.X << "," << goal.Y;
      walks += !path.empty();
    }
  }
  EXPECT_GT(walks, 600);
}

}  // namespace
