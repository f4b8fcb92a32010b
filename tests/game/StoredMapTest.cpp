// A saved map loads back as the world had it: the terrain as edited, each person on its cell,
// no other mark, no fog lifted.
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "game/StoredMap.h"
#include "tests/support/GameFixture.h"

TEST_F(GameTest, ASavedMapLoadsBackWithItsEditsThePersonsWhereTheyStandAndFogEverywhere) {
  StartGameOn(StandardMap().Kind(10, 12, 5).Height(11, 12, 7).Occupant(70, 70, 103));  // a stray mark
  RunFrames(3);
  ASSERT_EQ(Map().GetCell(CellExplored, 50, 50), 1);
  Map().SetCell(CellKind, 20, 21, 2);
  Map().SetCell(CellHeight, 20, 22, 9);
  // Person 1 turns east, then steps: half-way it is saved on the cell it leaves.
  P(1).TryStep(1, 0);
  P(1).TryStep(1, 0);
  ASSERT_TRUE(P(1).FMoving);
  ASSERT_EQ(Map().GetCell(CellOccupant, P(1).FCellX + 1, P(1).FCellY), 101);
  std::map<std::pair<int, int>, int> standing;
  for (int i = PersonCount; i >= 1; --i) standing[{P(i).FCellX, P(i).FCellY}] = i;

  const std::vector<uint8_t> bytes = StoredMap(*World);
  ASSERT_EQ(bytes.size(), MapBytes);
  auto saved = std::make_unique<TMap>();
  saved->LoadFromBytes(bytes);
  EXPECT_EQ(saved->GetCell(CellKind, 10, 12) / 4, 5);
  EXPECT_EQ(saved->GetCell(CellHeight, 11, 12), 7);
  EXPECT_EQ(saved->GetCell(CellKind, 20, 21) / 4, 2);
  EXPECT_EQ(saved->GetCell(CellHeight, 20, 22), 9);
  for (int y = 0; y < MapSize; ++y) {
    for (int x = 0; x < MapSize; ++x) {
      const TMapCell& cell = saved->FCells[y][x];
      ASSERT_EQ(cell.Explored + cell.Light, 0) << x << "," << y;
      const auto person = standing.find({x, y});
      ASSERT_EQ(cell.Occupant, person == standing.end() ? 0 : person->second) << x << "," << y;
    }
  }

  MapFileOverride = WriteTempFile("saved.dat", bytes);
  GameStart();
  for (const auto& [cell, i] : standing) EXPECT_EQ((std::pair{P(i).FCellX, P(i).FCellY}), cell) << "person " << i;
  EXPECT_EQ(Map().GetCell(CellHeight, 20, 22), 9);
}
