// Map layout tools and the completion steps.
#include "tools/mkassets/MapBuilder.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <tuple>

TMapBuilder::TMapBuilder() : cells_(10000) {}

void TMapBuilder::Fill(int x0, int y0, int x1, int y1, TerrainKind kind, int height) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (OnMap(x, y)) At(x, y) = {kind, static_cast<uint8_t>(height), 0, At(x, y).Protected};
}

void TMapBuilder::Frame(int x0, int y0, int x1, int y1, TerrainKind kind, int height) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if ((x == x0 || x == x1 || y == y0 || y == y1) && OnMap(x, y))
        At(x, y) = {kind, static_cast<uint8_t>(height), 0, At(x, y).Protected};
}

void TMapBuilder::Protect(int x0, int y0, int x1, int y1) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (OnMap(x, y)) At(x, y).Protected = true;
}

void TMapBuilder::SetOccupant(int x, int y, int person) { At(x, y).Occupant = static_cast<uint8_t>(person); }

bool TMapBuilder::Free(int x, int y) const {
  if (!OnMap(x, y)) return false;
  const TCell& c = At(x, y);
  return c.Kind == Sand && c.Height == 0 && c.Occupant == 0 && !c.Protected;
}

void TMapBuilder::RaiseWallRing(int lo, int hi, const std::array<int, 5>& heightTargets) {
  // The ring clockwise from the north-west corner, without the road cells (the gates).
  std::vector<std::pair<int, int>> ring;
  for (int x = lo; x < hi; ++x) ring.emplace_back(x, lo);
  for (int y = lo; y < hi; ++y) ring.emplace_back(hi, y);
  for (int x = hi; x > lo; --x) ring.emplace_back(x, hi);
  for (int y = hi; y > lo; --y) ring.emplace_back(lo, y);
  std::erase_if(ring, [this](const auto& p) { return !Free(p.first, p.second); });

  std::array<int, 5> missing{};
  for (int h = 1; h <= 4; ++h) missing[h] = heightTargets[h] - CountHeight(h);
  // Eight sections; each climbs 1..4 and steps down 3..1, with course lengths in proportion.
  constexpr int Sections = 8;
  std::vector<int> courses;
  while (missing[1] + missing[2] + missing[3] + missing[4] > 0) {
    for (int h : {1, 2, 3, 4, 3, 2, 1}) {
      const int share = (h == 4 ? 1 : 2);
      const int len = std::min(missing[h], std::max(1, heightTargets[h] / (Sections * share)));
      for (int i = 0; i < len; ++i) courses.push_back(h);
      missing[h] -= len;
    }
  }
  if (courses.size() > ring.size())
    throw std::logic_error("town wall ring too short: " + std::to_string(courses.size()) + " courses, " +
                           std::to_string(ring.size()) + " cells");
  for (size_t i = 0; i < courses.size(); ++i) {
    TCell& c = At(ring[i].first, ring[i].second);
    c.Kind = Stones;
    c.Height = static_cast<uint8_t>(courses[i]);
  }
}

void TMapBuilder::ExtendRoads(int lo, int hi, int gate, int stoneTarget) {
  int missing = stoneTarget - CountKind(Stones);
  // Each road: its two lanes and the direction it runs out of the wall.
  struct TRoad {
    int X, Y, Dx, Dy;  // next slice's first lane cell; step outward
    int LaneDx, LaneDy;
  };
  std::vector<TRoad> roads = {
      {lo - 1, 59, -1, 0, 0, 1}, {hi + 1, 59, 1, 0, 0, 1}, {gate, lo - 1, 0, -1, 1, 0}, {gate, hi + 1, 0, 1, 1, 0}};
  bool grew = true;
  while (missing > 0 && grew) {
    grew = false;
    for (TRoad& r : roads) {
      for (int lane = 0; lane < 2 && missing > 0; ++lane) {
        const int x = r.X + lane * r.LaneDx, y = r.Y + lane * r.LaneDy;
        if (!Free(x, y)) continue;
        At(x, y).Kind = Stones;
        --missing;
        grew = true;
      }
      r.X += r.Dx;
      r.Y += r.Dy;
    }
  }
}

void TMapBuilder::GrowPatch(TerrainKind kind, int x, int y, int target) {
  int missing = target - CountKind(kind);
  if (missing <= 0) return;
  std::vector<std::tuple<int, int, int>> candidates;  // squared distance, row, column
  for (int cy = 0; cy < 100; ++cy)
    for (int cx = 0; cx < 100; ++cx)
      if (Free(cx, cy)) candidates.emplace_back((cx - x) * (cx - x) + (cy - y) * (cy - y), cy, cx);
  std::sort(candidates.begin(), candidates.end());
  if (static_cast<int>(candidates.size()) < missing) throw std::logic_error("no room for a patch");
  for (int i = 0; i < missing; ++i)
    At(std::get<2>(candidates[static_cast<size_t>(i)]), std::get<1>(candidates[static_cast<size_t>(i)])).Kind = kind;
}

int TMapBuilder::CountKind(int kind) const {
  return static_cast<int>(
      std::count_if(cells_.begin(), cells_.end(), [kind](const TCell& c) { return c.Kind == kind; }));
}

int TMapBuilder::CountHeight(int height) const {
  return static_cast<int>(
      std::count_if(cells_.begin(), cells_.end(), [height](const TCell& c) { return c.Height == height; }));
}

void TMapBuilder::Check(const std::array<int, 6>& kindTargets, const std::array<int, 5>& heightTargets) const {
  for (int k = 0; k < 6; ++k)
    if (CountKind(k) != kindTargets[static_cast<size_t>(k)])
      throw std::logic_error("kind " + std::to_string(k) + " on " + std::to_string(CountKind(k)) + " cells, wanted " +
                             std::to_string(kindTargets[static_cast<size_t>(k)]));
  for (int h = 0; h < 5; ++h)
    if (CountHeight(h) != heightTargets[static_cast<size_t>(h)])
      throw std::logic_error("height " + std::to_string(h) + " on " + std::to_string(CountHeight(h)) +
                             " cells, wanted " + std::to_string(heightTargets[static_cast<size_t>(h)]));
}

std::vector<uint8_t> TMapBuilder::Bytes() const {
  std::vector<uint8_t> out;
  out.reserve(50000);
  for (const TCell& c : cells_) out.insert(out.end(), {c.Kind, c.Height, c.Occupant, 0, 0});
  return out;
}
