// The village, laid out by hand around the start cells (persons 1 and 3 at (48, 62) and
// (47, 63) on the market square, person 2 at (55, 61)), then completed to the exact cell counts:
// the town wall's courses take the remaining raised cells, the roads out of the gates the
// remaining paving, and a timber yard and a meadow outside the wall the remaining planks and grass.
#include "tools/mkassets/VillageMap.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "tools/mkassets/MapBuilder.h"

namespace {

// Town wall: a square ring with a gate in the middle of each side.
constexpr int WallMin = 23, kWallMax = 79;  // columns and rows of the ring
constexpr int GateCentre = 51;

void LayMarketSquare(TMapBuilder& m) {
  m.Fill(44, 57, 53, 62, Stones);             // the square the persons start on
  m.Fill(WallMin, 59, kWallMax, 60, Stones);  // the high street, east to west
  m.Fill(51, WallMin, 52, kWallMax, Stones);  // the north-south street
  m.Fill(50, 63, 54, 65, Water);              // the pond, 5 x 3, just south-east of the square
  m.Frame(49, 62, 55, 66, Grass);             // its grassy bank
  m.Fill(56, 58, 60, 59, Gravel);             // the gravel path from the square to the tower
}

// The stepped tower east of the square: a 3 x 3 top at level 4, stairs of levels 1, 2 and 3
// climbing to it from the gravel path, one level per step.
void LayTower(TMapBuilder& m) {
  m.Fill(61, 53, 63, 55, Stones, 4);
  m.Fill(59, 57, 60, 57, Stones, 1);
  m.Fill(59, 56, 60, 56, Stones, 2);
  m.Fill(59, 55, 60, 55, Stones, 3);
  m.Fill(61, 56, 63, 57, Stones, 1);  // the tower's footing
}

// The tall wall south-west of the square: level 4, so a person on the row north of it
// (Y = 65) stands hidden behind it, drawn through it by the see-through pass.
void LayTallWall(TMapBuilder& m) { m.Fill(38, 66, 47, 66, Stones, 4); }

// A wooden house: plank floor, plank walls (two levels high unless said), a door.
void LayHouse(TMapBuilder& m, int x0, int y0, int x1, int y1, int doorX, int doorY, int wall = 2) {
  m.Fill(x0, y0, x1, y1, Planks);
  m.Frame(x0, y0, x1, y1, Planks, wall);
  m.Fill(doorX, doorY, doorX, doorY, Planks, 0);
}

// A garden: grass inside a low stone wall (level 1) with a gap.
void LayGarden(TMapBuilder& m, int x0, int y0, int x1, int y1, int gapX, int gapY) {
  m.Fill(x0, y0, x1, y1, Grass);
  m.Frame(x0, y0, x1, y1, Stones, 1);
  m.Fill(gapX, gapY, gapX, gapY, Grass, 0);
}

void LayHousesAndGardens(TMapBuilder& m) {
  LayHouse(m, 40, 51, 46, 56, 43, 56);     // north-west of the square, door to the square
  LayHouse(m, 55, 51, 58, 56, 55, 53);     // north-east, door to the street
  LayHouse(m, 33, 53, 38, 58, 36, 58);     // along the high street, west
  LayHouse(m, 63, 61, 69, 66, 63, 63);     // south-east, beyond the pond
  LayHouse(m, 53, 68, 58, 72, 55, 68);     // south, by the street
  LayHouse(m, 44, 42, 49, 47, 49, 45, 1);  // a low shed north, by the street
  // The hall: stone walls three levels high around a plank floor.
  m.Fill(56, 42, 64, 48, Planks);
  m.Frame(56, 42, 64, 48, Stones, 3);
  m.Fill(56, 45, 56, 45, Stones, 0);
  LayGarden(m, 39, 61, 44, 64, 44, 62);  // west of the square, gap toward it
  LayGarden(m, 56, 63, 61, 67, 56, 64);  // east of the pond
}

// A watchtower of level 4 on each corner of the town wall.
void LayCornerTowers(TMapBuilder& m) {
  for (int cy : {WallMin, kWallMax})
    for (int cx : {WallMin, kWallMax}) m.Fill(cx - 1, cy - 1, cx + 1, cy + 1, Stones, 4);
}

}  // namespace

std::vector<uint8_t> MakeVillageMap() {
  TMapBuilder m;
  LayMarketSquare(m);
  LayHousesAndGardens(m);
  LayTower(m);
  LayTallWall(m);
  LayCornerTowers(m);
  m.Protect(44, 57, 56, 64);  // completion never touches the start area
  m.RaiseWallRing(WallMin, kWallMax, kHeightCounts);
  m.ExtendRoads(WallMin, kWallMax, GateCentre, kKindCounts[Stones]);
  m.GrowPatch(Stones, 84, 17, kKindCounts[Stones]);  // the quarry yard outside the north-east corner
  m.GrowPatch(Planks, 17, 17, kKindCounts[Planks]);  // the timber yard outside the north-west corner
  m.GrowPatch(Grass, 84, 84, kKindCounts[Grass]);    // the meadow outside the south-east corner
  for (const TStartCell& s : kStartCells) m.SetOccupant(s.X, s.Y, s.Person);
  m.Check(kKindCounts, kHeightCounts);
  return m.Bytes();
}
