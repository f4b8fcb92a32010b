// libFuzzer target: the map loader alone, fast enough for tens of millions of runs. The bytes
// become a map (as they stand, or laid over the shipped map at a chosen row), also read back
// through the resource and the file paths of the loader, then every cell
// they reached is read and stepped from, a light is revealed among them and an order's
// 50 x 50 window is cut around one of them and searched; each answer is checked.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/Map.h"
#include "game/SrchPath.h"
#include "res/Resources.h"
#include "util/ScratchPath.h"

namespace {

constexpr int MaxWindow = 16;  // cells per side of the search windows cut here

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

bool HoldsPerson(uint8_t occupant) { return (occupant >= 1 && occupant <= 4) || (occupant >= 101 && occupant <= 104); }

// The tile code, the plain bytes and the off-map answers of one cell.
void CheckCell(const TMap& map, int x, int y) {
  if (!TMap::OnMap(x, y)) {
    for (uint8_t i = 0; i <= 5; ++i) Check(map.GetCell(i, x, y) == 0);
    return;
  }
  const TMapCell& cell = map.FCells[y][x];
  const int code = map.GetCell(CellKind, x, y);
  Check((code & ~3) == ((cell.Kind * 4) & 0xFC));
  Check(map.GetCell(CellHeight, x, y) == cell.Height);
  Check(map.GetCell(CellOccupant, x, y) == cell.Occupant);
  Check(map.GetCell(CellExplored, x, y) == cell.Explored);
  Check(map.GetCell(CellLight, x, y) == cell.Light);
  Check(map.GetCell(5, x, y) == 0 && map.GetCell(255, x, y) == 0);
}

// The three step tests from (x, y) to each neighbour must agree with each other.
void CheckSteps(const TMap& map, int x, int y) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const int tx = x + dx, ty = y + dy;
      const bool step = map.CanStep(x, y, tx, ty);
      int lift = 13;  // one whole level in the air climbs exactly what a step on the ground climbs
      const bool lifted = map.CanStepLifted(x, y, tx, ty, lift);
      Check(step == lifted);
      if (!TMap::OnMap(tx, ty)) {
        Check(!step && lift == 13);
        for (int person = 1; person <= 4; ++person) Check(!map.IsOpenFor(x, y, tx, ty, person));
        continue;
      }
      const int rise = map.GetCell(CellHeight, tx, ty) - map.GetCell(CellHeight, x, y);
      if (lifted) Check(lift == 13 - rise * 13);
      const uint8_t occupant = map.FCells[ty][tx].Occupant;
      Check(step == (rise <= 1 && !HoldsPerson(occupant)));
      for (int person = 1; person <= 4; ++person) {
        const bool own = occupant == person || occupant == person + 100;
        Check(map.IsOpenFor(x, y, tx, ty, person) == (rise <= 1 && (own || !HoldsPerson(occupant))));
      }
    }
  }
}

// A radius-7 light: inside the disc lit and explored, nothing beyond the ring touched.
void CheckReveal(TMap& map, int x, int y) {
  map.ClearLight();
  map.Reveal(x, y, 7);
  for (int cy = std::max(0, y - 8); cy <= std::min(MapSize - 1, y + 8); ++cy) {
    for (int cx = std::max(0, x - 8); cx <= std::min(MapSize - 1, x + 8); ++cx) {
      const TMapCell& cell = map.FCells[cy][cx];
      const int d = (cx - x) * (cx - x) + (cy - y) * (cy - y);
      if (d <= 34)
        Check(cell.Light == 2 && cell.Explored == 1);
      else if (d <= 44)
        Check(cell.Light == 1 && cell.Explored == 1);
      else
        Check(cell.Light == 0);
    }
  }
}

// A search window of size x size around (sx, sy) for `person`, cut as an order cuts its 50 x 50
// one (smaller here, so each run stays cheap; the game's own orders run in MapFuzz), searched
// towards a goal; the walk found must
// stay on free cells, never cut a blocked corner, and end on the goal.
void CheckSearch(const TMap& map, int sx, int sy, int person, int size, int gx, int gy) {
  const int half = size / 2;
  static uint8_t window[MaxWindow * MaxWindow];
  for (int r = 0; r < size; ++r)
    for (int c = 0; c < size; ++c)
      window[r * size + c] = map.IsOpenFor(sx, sy, sx - half + c, sy - half + r, person) ? 0 : 1;
  window[half * size + half] = 0;
  TSearchPath search(static_cast<uint16_t>(size), static_cast<uint16_t>(size), window);
  std::string path;
  search.FindPath({half, half}, {gx, gy}, path);
  if (gx == half && gy == half) Check(path.empty());
  const auto freeCell = [&](int c, int r) {
    return c >= 0 && c < size && r >= 0 && r < size && window[r * size + c] == 0;
  };
  int c = half, r = half;
  for (size_t i = 0; i < path.size(); ++i) {
    const int digit = path[i] - '0';
    Check(digit >= 1 && digit <= 9 && digit != 5);
    const int dx = (digit - 1) / 3 - 1, dy = (digit - 1) % 3 - 1;
    if (dx != 0 && dy != 0) Check(freeCell(c + dx, r) && freeCell(c, r + dy));
    c += dx;
    r += dy;
    if (i + 1 < path.size()) Check(freeCell(c, r));
  }
  if (!path.empty()) Check(c == gx && r == gy);
}

// The same bytes as the "Map" resource and as a loose file must give the map the parser made
// (or, for a file shorter than a map, a refusal naming its size).
void CheckLoadPaths(std::span<const uint8_t> bytes, const TMap& parsed) {
  static TMap other;
  std::memset(other.FCells, 0, sizeof other.FCells);
  SetResourceTableForTesting(std::vector<TResource>{{"Map", RT_MAP, bytes}});
  Check(other.LoadFromResource("MAP", RT_MAP));
  SetResourceTableForTesting(std::nullopt);
  Check(std::memcmp(other.FCells, parsed.FCells, sizeof other.FCells) == 0);

  static const TScratchPath scratch("corvina-maploadfuzz");
  const std::string file = scratch.Path.string();
  if (FILE* f = std::fopen(file.c_str(), "wb")) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    Check(std::fclose(f) == 0 && written);
  } else {
    Check(false);
  }
  std::memset(other.FCells, 0, sizeof other.FCells);
  try {
    Check(other.LoadFromFile(file));
    Check(bytes.size() >= MapBytes);
    Check(std::memcmp(other.FCells, parsed.FCells, sizeof other.FCells) == 0);
  } catch (const std::runtime_error& e) {
    Check(bytes.size() < MapBytes);
    Check(std::string(e.what()).find(" is " + std::to_string(bytes.size()) + " bytes long") != std::string::npos);
  }
}

}  // namespace

// Byte 0, bit 0: 0 = the rest is the whole stored map (short data fills only the first cells);
// 1 = byte 1 picks a row of the shipped map where the rest is laid over it. Bit 1 asks for an
// order's search; bit 2 for the resource and file paths over the same map bytes. The last bytes pick the cells checked,
// the light, the person and the goal. Each run checks a bounded stretch of the cells written, so every run costs about
// the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static TMap map;
  std::memset(map.FCells, 0, sizeof map.FCells);
  const std::span<const uint8_t> rest(data + 2, size - 2);
  size_t first = 0;  // first byte of the map the input wrote
  std::span<const uint8_t> loaded = rest;
  if ((data[0] & 1) == 0) {
    map.LoadFromBytes(rest);
  } else {
    static const std::vector<uint8_t> shipped = [] {
      const auto found = FindResource("Map", RT_MAP);
      std::vector<uint8_t> bytes(MapBytes);
      if (found) std::copy_n(found->begin(), std::min(found->size(), MapBytes), bytes.begin());
      return bytes;
    }();
    static std::vector<uint8_t> whole;
    whole = shipped;
    first = static_cast<size_t>(data[1] % MapSize) * MapSize * sizeof(TMapCell);
    std::copy_n(rest.begin(), std::min(rest.size(), MapBytes - first), whole.begin() + static_cast<ptrdiff_t>(first));
    map.LoadFromBytes(whole);
    loaded = whole;
  }
  if (data[0] & 4) CheckLoadPaths(loaded, map);
  const int firstCell = static_cast<int>(first / sizeof(TMapCell));
  const int cells =
      static_cast<int>((std::min(rest.size(), MapBytes - first) + sizeof(TMapCell) - 1) / sizeof(TMapCell));

  const uint8_t a = data[size - 1], b = size > 2 ? data[size - 2] : 0, c = size > 3 ? data[size - 3] : 0;
  // A stretch of the written cells, reaching one cell past either end (off the map at the edges).
  constexpr int Stretch = 6;
  const int from = firstCell - 1 + (cells > Stretch ? (a * 131 + b) % (cells - Stretch + 1) : 0);
  for (int i = from; i <= from + std::min(cells, Stretch) + 1; ++i) {
    const int x = ((i % MapSize) + MapSize) % MapSize, y = i < 0 ? -1 : i / MapSize;
    CheckCell(map, x, y);
    CheckCell(map, i < 0 ? -1 : x == 0 ? -1 : MapSize, y);  // the column beyond the edge
    if (TMap::OnMap(x, y)) CheckSteps(map, x, y);
  }

  const int centre = firstCell + (cells > 0 ? (a * 257 + c) % cells : 0);
  const int x = centre % MapSize, y = centre / MapSize;
  CheckReveal(map, x, y);
  if (data[0] & 2) {
    const int side = 4 + c % 10;
    CheckSearch(map, x, y, c % 4 + 1, side, b % (side + 2) - 1, c / 4 % (side + 2) - 1);
  }
  return 0;
}
