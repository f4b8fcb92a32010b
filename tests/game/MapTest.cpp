// The map grid: cell access, tile codes, step tests, lighting, projection and loading.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/Settings.h"
#include "game/Map.h"
#include "game/StartCells.h"
#include "game/World.h"
#include "platform/headless/PlatformHeadless.h"
#include "res/Resources.h"
#include "tests/support/GameFixture.h"

namespace {

class MapCellTest : public GameTest {
 protected:
  TMap map;
  void SetHeight(int x, int y, int h) { map.SetCell(CellHeight, x, y, static_cast<uint8_t>(h)); }
};

TEST_F(MapCellTest, CellsOffTheMapReadZeroAndIgnoreWrites) {
  map.SetCell(CellHeight, 99, 5, 7);
  EXPECT_EQ(map.GetCell(CellHeight, -1, 5), 0);
  EXPECT_EQ(map.GetCell(CellOccupant, 5, 100), 0);
  map.SetCell(CellHeight, 100, 5, 7);
  map.SetCell(CellHeight, 5, -1, 7);
  EXPECT_EQ(map.GetCell(CellHeight, 99, 5), 7);
  EXPECT_EQ(map.GetCell(CellHeight, 0, 5), 0);
}

TEST_F(MapCellTest, IndexesPastTheFiveBytesReadZeroAndWriteNothing) {
  map.SetCell(CellLight, 3, 3, 2);
  map.SetCell(5, 3, 3, 9);
  EXPECT_EQ(map.GetCell(CellLight, 3, 3), 2);
  EXPECT_EQ(map.GetCell(5, 3, 3), 0);
  EXPECT_EQ(map.GetCell(200, 3, 3), 0);
}

TEST_F(MapCellTest, TheTileCodeMarksBackEdgesWhereTheHeightChanges) {
  map.SetCell(CellKind, 10, 10, 2);
  EXPECT_EQ(map.GetCell(CellKind, 10, 10), 8);
  SetHeight(10, 9, 1);  // beyond the upper-left edge
  EXPECT_EQ(map.GetCell(CellKind, 10, 10), 9);
  SetHeight(11, 10, 2);  // beyond the upper-right edge
  EXPECT_EQ(map.GetCell(CellKind, 10, 10), 11);
  SetHeight(9, 10, 3);  // front neighbours do not count
  SetHeight(10, 11, 3);
  EXPECT_EQ(map.GetCell(CellKind, 10, 10), 11);
}

TEST_F(MapCellTest, NeighboursOffTheMapAddNoEdgeBits) {
  map.SetCell(CellKind, 99, 0, 4);
  SetHeight(99, 0, 3);
  EXPECT_EQ(map.GetCell(CellKind, 99, 0), 16);
}

TEST_F(MapCellTest, KindsAboveFiveGiveTileCodesPastTheTableWrappingAt256) {
  map.SetCell(CellKind, 10, 10, 6);
  EXPECT_EQ(map.GetCell(CellKind, 10, 10), 24);
  map.SetCell(CellKind, 10, 10, 65);
  EXPECT_EQ(map.GetCell(CellKind, 10, 10), 4);  // 260 mod 256
}

TEST_F(MapCellTest, OnTheGroundAPersonClimbsOneLevelAndDropsAny) {
  SetHeight(11, 10, 2);
  EXPECT_FALSE(map.CanStep(10, 10, 11, 10));
  EXPECT_TRUE(map.CanStep(11, 10, 10, 10));
  SetHeight(11, 10, 1);
  EXPECT_TRUE(map.CanStep(10, 10, 11, 10));
  EXPECT_FALSE(map.CanStep(0, 0, -1, 0));
  EXPECT_TRUE(map.CanStep(-1, 0, 0, 0));  // an origin off the map reads as height 0
}

TEST_F(MapCellTest, EveryPersonMarkBlocksAStep) {
  for (int occupant : {1, 4, 101, 104}) {
    map.SetCell(CellOccupant, 11, 10, static_cast<uint8_t>(occupant));
    EXPECT_FALSE(map.CanStep(10, 10, 11, 10)) << occupant;
  }
  for (int occupant : {5, 100, 105}) {
    map.SetCell(CellOccupant, 11, 10, static_cast<uint8_t>(occupant));
    EXPECT_TRUE(map.CanStep(10, 10, 11, 10)) << occupant;
  }
}

TEST_F(MapCellTest, InTheAirAPersonReachesWholeLevelsAndKeepsItsScreenHeight) {
  SetHeight(11, 10, 2);
  int lift = 26;
  EXPECT_TRUE(map.CanStepLifted(10, 10, 11, 10, lift));
  EXPECT_EQ(lift, 0);
  lift = 25;
  EXPECT_FALSE(map.CanStepLifted(10, 10, 11, 10, lift));
  EXPECT_EQ(lift, 25);
  lift = 0;
  EXPECT_TRUE(map.CanStepLifted(11, 10, 10, 10, lift));  // one drop of two levels
  EXPECT_EQ(lift, 26);
}

TEST_F(MapCellTest, APersonsOwnMarksNeverBlockItsPlanning) {
  map.SetCell(CellOccupant, 11, 10, 102);
  EXPECT_TRUE(map.IsOpenFor(10, 10, 11, 10, 2));
  map.SetCell(CellOccupant, 11, 10, 2);
  EXPECT_TRUE(map.IsOpenFor(10, 10, 11, 10, 2));
  map.SetCell(CellOccupant, 11, 10, 3);
  EXPECT_FALSE(map.IsOpenFor(10, 10, 11, 10, 2));
  map.SetCell(CellOccupant, 11, 10, 103);
  EXPECT_FALSE(map.IsOpenFor(10, 10, 11, 10, 2));
  EXPECT_FALSE(map.IsOpenFor(10, 10, 100, 10, 2));
}

TEST_F(MapCellTest, RevealLightsADiscAndADimRing) {
  map.Reveal(50, 50, 7);
  EXPECT_EQ(map.GetCell(CellLight, 55, 53), 2);  // D = 34
  EXPECT_EQ(map.GetCell(CellLight, 56, 52), 1);  // D = 40
  EXPECT_EQ(map.GetCell(CellLight, 56, 53), 0);  // D = 45
  EXPECT_EQ(map.GetCell(CellExplored, 56, 52), 1);
  EXPECT_EQ(map.GetCell(CellExplored, 56, 53), 0);
  int lit = 0, dim = 0;
  for (int y = 0; y < MapSize; ++y)
    for (int x = 0; x < MapSize; ++x) {
      lit += map.GetCell(CellLight, x, y) == 2;
      dim += map.GetCell(CellLight, x, y) == 1;
    }
  EXPECT_EQ(lit, 109);  // cells with dx^2 + dy^2 <= 34
  EXPECT_EQ(dim, 28);   // 35..44
}

TEST_F(MapCellTest, OverlappingRevealsAddUpAndOnlyClearLightLowersThem) {
  map.Reveal(50, 50, 7);
  map.Reveal(62, 50, 7);  // (56, 50) is in both outer rings, lit by neither disc
  EXPECT_EQ(map.GetCell(CellLight, 56, 50), 1);
  map.Reveal(57, 50, 7);
  map.Reveal(50, 50, 7);  // a dim reveal does not lower a lit cell
  EXPECT_EQ(map.GetCell(CellLight, 56, 50), 2);
  map.ClearLight();
  EXPECT_EQ(map.GetCell(CellLight, 56, 50), 0);
  EXPECT_EQ(map.GetCell(CellExplored, 56, 50), 1);
}

// Reveal by rows of cells gives what testing every cell of the square by its distance gives:
// small radii (whose lit disc reaches past the dim ring), negative ones, centres on, at and off
// the map's edges, over cells lit and explored before.
TEST_F(MapCellTest, RevealMatchesTheDistanceRuleCellByCell) {
  const auto reference = [](TMap& m, int X, int Y, int radius) {
    const int r2 = radius * radius, inner = static_cast<int>(std::nearbyint(r2 * 0.7)), outer = r2 - 5;
    for (int cy = 0; cy < MapSize; ++cy) {
      for (int cx = 0; cx < MapSize; ++cx) {
        TMapCell& cell = m.FCells[cy][cx];
        const int d = (cx - X) * (cx - X) + (cy - Y) * (cy - Y);
        if (std::abs(cx - X) > std::abs(radius) || std::abs(cy - Y) > std::abs(radius)) continue;
        if (d <= inner) {
          cell.Light = 2;
          cell.Explored = 1;
        } else if (d <= outer) {
          if (cell.Light == 0) cell.Light = 1;
          cell.Explored = 1;
        }
      }
    }
  };
  TMap a;
  auto* bytes = reinterpret_cast<uint8_t*>(a.FCells);
  for (size_t k = 0; k < MapBytes; ++k) bytes[k] = static_cast<uint8_t>(k * 7 % 3 == 0 ? 0 : k * 13);
  TMap b = a;
  for (int i = 0; i < 40; ++i) {
    const int x = (i * 37) % 110 - 5, y = (i * 53) % 110 - 5, radius = i % 11 - 2;
    a.Reveal(x, y, radius);
    reference(b, x, y, radius);
    ASSERT_EQ(0, std::memcmp(a.FCells, b.FCells, sizeof a.FCells)) << x << "," << y << " radius " << radius;
    if (i % 7 == 6) {
      a.ClearLight();
      for (auto& row : b.FCells) {
        for (TMapCell& cell : row) cell.Light = 0;
      }
      ASSERT_EQ(0, std::memcmp(a.FCells, b.FCells, sizeof a.FCells));
    }
  }
}

TEST_F(MapCellTest, RevealAtTheMapCornerStaysOnTheMap) {
  map.Reveal(0, 0, 7);
  map.Reveal(99, 99, 7);
  EXPECT_EQ(map.GetCell(CellLight, 0, 0), 2);
  EXPECT_EQ(map.GetCell(CellLight, 99, 99), 2);
}

// ---- Projection ----

class ProjectionTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    StartGameOn(StandardMap());
    World->FViewX = 50;
    World->FViewY = 40;
  }
};

TEST_F(ProjectionTest, ACellsBoxCornerFollowsTheView) {
  EXPECT_EQ(World->CellToScreen({50, 50}), (TPoint{420, 12}));
  EXPECT_EQ(World->CellToScreen({51, 50}), (TPoint{450, -2}));  // east: right and up
  EXPECT_EQ(World->CellToScreen({50, 51}), (TPoint{450, 26}));  // south: right and down
}

TEST_F(ProjectionTest, TheDiamondsCentreAndCornersBelongToTheRightCells) {
  EXPECT_EQ(World->ScreenToCell({450, 26}), (TPoint{50, 50}));
  EXPECT_EQ(World->ScreenToCell({420, 26}), (TPoint{49, 50}));  // left corner: west
  EXPECT_EQ(World->ScreenToCell({450, 40}), (TPoint{50, 51}));  // bottom corner: south
}

TEST_F(ProjectionTest, TheFourCornerTrianglesOfABlockBelongToItsNeighbours) {
  // The 60 x 28 block of the points (450..509, 26..53) has the diamond of (50, 51) inside.
  EXPECT_EQ(World->ScreenToCell({480, 40}), (TPoint{50, 51}));
  EXPECT_EQ(World->ScreenToCell({452, 28}), (TPoint{50, 50}));  // upper left: north
  EXPECT_EQ(World->ScreenToCell({508, 28}), (TPoint{51, 51}));  // upper right: east
  EXPECT_EQ(World->ScreenToCell({508, 52}), (TPoint{50, 52}));  // lower right: south
  EXPECT_EQ(World->ScreenToCell({452, 52}), (TPoint{49, 51}));  // lower left: west
}

TEST_F(ProjectionTest, EveryPointInsideADiamondMapsBackToItsCell) {
  for (TPoint c : {TPoint{50, 50}, TPoint{45, 60}, TPoint{55, 42}, TPoint{40, 40}}) {
    const TPoint box = World->CellToScreen(c);
    for (int dy = 1; dy < 28; ++dy)
      for (int dx = 1; dx < 60; ++dx) {
        // Strictly inside the diamond |dx - 30| / 30 + |dy - 14| / 14 < 1.
        if (std::abs(dx - 30) * 14 + std::abs(dy - 14) * 30 >= 420) continue;
        const TPoint p{box.X + dx, box.Y + dy};
        if (p.X + 30 < 0 || p.Y + 30 < 0) continue;
        ASSERT_EQ(World->ScreenToCell(p), c) << p.X << "," << p.Y;
      }
  }
}

TEST_F(ProjectionTest, HighResolutionShiftsTheViewByOneMoreColumn) {
  Settings.HighRes = true;
  EXPECT_EQ(World->CellToScreen({50, 50}), (TPoint{450, -2}));
  EXPECT_EQ(World->ScreenToCell({480, 12}), (TPoint{50, 50}));
}

// ---- Loading ----

class MapLoadTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    FWorld = std::make_unique<TSystem>();
    World = FWorld.get();
    for (int i = 1; i <= 4; ++i) World->FActors[i] = std::make_unique<TPerson>(i, i, 12);
    World->FActors[4]->FCellX = 7;
    World->FActors[4]->FCellY = 8;
  }
  // The file as the world's map, its persons placed as the game's start places them.
  TMap& LoadIntoWorld(const std::string& path) {
    World->FMap = TMap::CreateFromFile(path);
    World->PlacePersons();
    return *World->FMap;
  }
  std::unique_ptr<TSystem> FWorld;
};

TEST_F(MapLoadTest, AStoredMapPlacesThePersonsOnTheirNumberedCells) {
  TTestMap built = StandardMap();
  built.Kind(3, 4, 1).Height(3, 4, 2);
  const TMap* map = &LoadIntoWorld(WriteTempFile("placed.dat", built.Bytes()));
  EXPECT_EQ(World->FActors[1]->FCellX, 50);
  EXPECT_EQ(World->FActors[2]->FCellX, 60);
  EXPECT_EQ(World->FActors[3]->FCellY, 60);
  EXPECT_EQ(World->FActors[4]->FCellX, 7);  // no start cell: keeps its cell
  EXPECT_EQ(map->GetCell(CellHeight, 3, 4), 2);
  EXPECT_EQ(map->FCells[4][3].Kind, 1);
  EXPECT_EQ(map->FFileName, TempDir() + "/placed.dat");
}

TEST_F(MapLoadTest, TheLastOfSeveralStartCellsWins) {
  TTestMap built;
  built.Occupant(10, 20, 1).Occupant(5, 30, 1).Occupant(90, 30, 1);
  LoadIntoWorld(WriteTempFile("twice.dat", built.Bytes()));
  EXPECT_EQ(World->FActors[1]->FCellX, 90);
  EXPECT_EQ(World->FActors[1]->FCellY, 30);
}

// Person 4 has no cell on the shipped map, so only its copies are told of.
TEST_F(MapLoadTest, PersonsOnNoCellOrOnSeveralAreToldAndALongListIsCut) {
  TTestMap built;
  for (int x = 0; x < 6; ++x) built.Occupant(x, 1, 1);
  built.Occupant(40, 40, 2);
  TMap map;
  map.LoadFromBytes(built.Bytes());
  EXPECT_EQ(LostPersons(map), (std::vector<std::string>{
                                  "map: person 1 is on cells (0, 1), (1, 1), (2, 1) and 3 others; it starts on (5, 1)",
                                  "map: person 3 is on no cell; it starts at (0, 0)"}));
  built.Occupant(3, 9, 3).Occupant(7, 2, 4).Occupant(8, 2, 4);
  map.LoadFromBytes(built.Bytes());
  EXPECT_EQ(LostPersons(map)[1], "map: person 4 is on cells (7, 2) and (8, 2); it starts on (8, 2)");
}

TEST_F(MapLoadTest, AShortFileIsRefusedWithItsNameAndSizes) {
  const std::string path = WriteTempFile("short.dat", std::vector<uint8_t>(1234, 0));
  try {
    const auto map = TMap::CreateFromFile(path);
    FAIL() << "a short map file loaded";
  } catch (const std::runtime_error& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find("1234"), std::string::npos) << message;
    EXPECT_NE(message.find("50000"), std::string::npos) << message;
  }
}

TEST_F(MapLoadTest, AMissingFileGivesAGeneratedMapAndThePersonsStay) {
  HeadlessSetClock(777);
  const TMap* map = &LoadIntoWorld(TempDir() + "/no-such-map.dat");
  EXPECT_EQ(World->FActors[4]->FCellX, 7);
  EXPECT_EQ(map->FFileName, "");
  int sand = 0, raised = 0;
  for (int y = 0; y < MapSize; ++y)
    for (int x = 0; x < MapSize; ++x) {
      const TMapCell& c = map->FCells[y][x];
      ASSERT_LE(c.Kind, 3);
      ASSERT_LE(c.Height, 4);
      ASSERT_EQ(c.Occupant, 0);
      sand += c.Kind == 3;
      raised += c.Height > 0;
    }
  EXPECT_GT(sand, 7500);
  EXPECT_LT(sand, 8700);
  EXPECT_GT(raised, 200);
  EXPECT_LT(raised, 700);
}

TEST_F(MapLoadTest, GenerationSeedsFromTheClockSoTheSameTickGivesTheSameMap) {
  HeadlessSetClock(4242);
  TMap a, b, c;
  a.Generate();
  b.Generate();
  HeadlessSetClock(4243);
  c.Generate();
  EXPECT_EQ(0, std::memcmp(a.FCells, b.FCells, sizeof(a.FCells)));
  EXPECT_NE(0, std::memcmp(a.FCells, c.FCells, sizeof(a.FCells)));
}

TEST_F(MapLoadTest, ADirectoryCannotBeOpenedAsAMapFile) {
  const auto map = TMap::CreateFromFile(TempDir());
  EXPECT_EQ(map->FFileName, "");
}

TEST_F(MapLoadTest, OutOfRangeKindsAndHeightsLoadAsStored) {
  TTestMap built;
  built.Kind(10, 10, 200).Height(10, 10, 250);
  const auto map = TMap::CreateFromFile(WriteTempFile("odd.dat", built.Bytes()));
  EXPECT_EQ(map->FCells[10][10].Kind, 200);
  EXPECT_EQ(map->GetCell(CellHeight, 10, 10), 250);
  EXPECT_TRUE(map->CanStep(10, 10, 11, 10));
  EXPECT_FALSE(map->CanStep(11, 10, 10, 10));
}

TEST_F(MapLoadTest, AMissingResourceIsAnErrorNamingIt) {
  SetResourceTableForTesting(std::vector<TResource>{});
  try {
    const auto map = TMap::CreateFromResource("Map", RT_MAP);
    FAIL() << "a missing resource loaded";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Map"), std::string::npos);
  }
}

TEST_F(MapLoadTest, AShortResourceFillsOnlyItsFirstCells) {
  std::vector<uint8_t> bytes(12, 0);
  bytes[0] = 1;   // cell (0, 0): kind 1
  bytes[5] = 2;   // cell (1, 0): kind 2
  bytes[11] = 7;  // cell (2, 0): height 7
  SetResourceTableForTesting(std::vector<TResource>{{"MAP", RT_MAP, bytes}});
  if (!FindResource("map", RT_MAP)) GTEST_SKIP() << "the resource table is not in place yet";
  const auto map = TMap::CreateFromResource("Map", RT_MAP);
  EXPECT_EQ(map->FCells[0][0].Kind, 1);
  EXPECT_EQ(map->FCells[0][1].Kind, 2);
  EXPECT_EQ(map->FCells[0][2].Height, 7);
  EXPECT_EQ(map->FCells[0][3].Kind, 0);
  EXPECT_EQ(map->FFileName, "Map.DAT");
}

}  // namespace
