// Drawing tools for laying out a 100 x 100 map (kinds and heights by rectangles), and the
// completion steps that bring the counts of kinds and heights to exact targets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

enum TerrainKind : uint8_t { Grass = 0, Planks = 1, Stones = 2, Sand = 3, Water = 4, Gravel = 5 };

class TMapBuilder {
 public:
  TMapBuilder();  // all sand at height 0

  // Every cell of the rectangle (corners inclusive) gets `kind` and `height`.
  void Fill(int x0, int y0, int x1, int y1, TerrainKind kind, int height = 0);
  // Only the rectangle's border cells.
  void Frame(int x0, int y0, int x1, int y1, TerrainKind kind, int height = 0);
  // The completion steps leave these cells alone.
  void Protect(int x0, int y0, int x1, int y1);
  void SetOccupant(int x, int y, int person);

  // The cells still missing from each height 1..4 become courses of a stone town wall on the
  // square ring [lo, hi] x [lo, hi], in sections climbing 1, 2, 3, 4 and stepping down again.
  // Road cells crossing the ring stay open as gates. Throws when the ring is too short.
  void RaiseWallRing(int lo, int hi, const std::array<int, 5>& heightTargets);
  // Paves the roads out of the four gates toward the map's edges until the stones reach
  // `stoneTarget` or the roads reach the edges (GrowPatch can pave what is still missing).
  void ExtendRoads(int lo, int hi, int gate, int stoneTarget);
  // Turns the free sand cells nearest to (x, y) into `kind` until it covers `target` cells.
  void GrowPatch(TerrainKind kind, int x, int y, int target);

  int CountKind(int kind) const;
  int CountHeight(int height) const;
  // Throws std::logic_error naming the first count that differs from its target.
  void Check(const std::array<int, 6>& kindTargets, const std::array<int, 5>& heightTargets) const;

  std::vector<uint8_t> Bytes() const;

 private:
  struct TCell {
    uint8_t Kind = Sand, Height = 0, Occupant = 0;
    bool Protected = false;
  };
  bool OnMap(int x, int y) const { return x >= 0 && y >= 0 && x < 100 && y < 100; }
  TCell& At(int x, int y) { return cells_[static_cast<size_t>(y * 100 + x)]; }
  const TCell& At(int x, int y) const { return cells_[static_cast<size_t>(y * 100 + x)]; }
  bool Free(int x, int y) const;  // open sand that completion may change
  std::vector<TCell> cells_;
};
