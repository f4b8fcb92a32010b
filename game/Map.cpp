// TMap: loading and generating the grid, cell access, step tests, lighting and projection.
#include "game/Map.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <stdexcept>

#include "core/Log.h"
#include "core/Settings.h"
#include "game/Random.h"
#include "game/StartCells.h"
#include "platform/GameInput.h"
#include "res/Resources.h"
#include "util/Printable.h"

TMap::TMap() { std::memset(FCells, 0, sizeof(FCells)); }

std::unique_ptr<TMap> TMap::CreateFromFile(const std::string& FileName) {
  auto map = std::make_unique<TMap>();
  std::string why;
  if (!map->LoadFromFile(FileName, &why)) {
    LogWarning("map file " + PrintablePath(FileName) + " cannot be opened (" + why + "); a random map is generated");
    map->Generate();
    return map;
  }
  WarnOfLostPersons(*map);
  return map;
}

std::unique_ptr<TMap> TMap::CreateFromResource(const std::string& ResName, int ResType) {
  auto map = std::make_unique<TMap>();
  if (!map->LoadFromResource(ResName, ResType)) {
    map->Generate();
    return map;
  }
  WarnOfLostPersons(*map);
  return map;
}

bool TMap::LoadFromFile(const std::string& FileName, std::string* Why) {
  const TFileRead file = ReadWholeFile(FileName, MaxMapFileBytes);
  if (!file.Bytes) {
    if (Why) *Why = file.Why;
    return false;
  }
  const std::vector<uint8_t>& bytes = *file.Bytes;
  if (bytes.size() < MapBytes) {
    throw std::runtime_error("Map file \"" + PrintablePath(FileName) + "\" is " + std::to_string(bytes.size()) +
                             " bytes long; " + std::to_string(MapBytes) + " bytes expected");
  }
  if (bytes.size() > MapBytes) {
    LogWarning("map file " + PrintablePath(FileName) + " is " + std::to_string(bytes.size()) +
               " bytes long; only its first " + std::to_string(MapBytes) + " bytes are used");
  }
  LoadFromBytes(bytes);
  FFileName = FileName;
  return true;
}

bool TMap::LoadFromResource(const std::string& ResName, int ResType) {
  auto data = FindResource(ResName, ResType);
  if (!data) {
    throw std::runtime_error("Map resource \"" + ResName + "\" of type " + std::to_string(ResType) + " not found");
  }
  LoadFromBytes(*data);
  FFileName = ResName + ".DAT";
  return true;
}

void TMap::LoadFromBytes(std::span<const uint8_t> Data) {
  const size_t n = Data.size() < MapBytes ? Data.size() : MapBytes;
  std::memcpy(FCells, Data.data(), n);
}

std::optional<TPoint> TMap::TStartCell(int Person) const {
  std::optional<TPoint> found;
  for (int y = 0; y < MapSize; ++y) {
    for (int x = 0; x < MapSize; ++x) {
      if (FCells[y][x].Occupant == Person) found = TPoint{x, y};
    }
  }
  return found;
}

void TMap::Generate() {
  RandSeed = GameTicks();
  for (int y = 0; y < MapSize; ++y) {
    for (int x = 0; x < MapSize; ++x) {
      TMapCell& cell = FCells[y][x];
      const int r = Random(100);
      cell.Kind = r <= 80 ? 3 : r <= 92 ? 2 : r <= 96 ? 1 : 0;
      const int m = Random(100) < 5 ? 4 : 0;
      cell.Height = static_cast<uint8_t>(Random(m + 1));
      cell.Occupant = 0;
    }
  }
}

uint8_t TMap::GetCell(uint8_t Index, int X, int Y) const {
  if (!OnMap(X, Y)) return 0;
  const TMapCell& cell = FCells[Y][X];
  switch (Index) {
    case CellKind: return TileCode(X, Y);
    case CellHeight: return cell.Height;
    case CellOccupant: return cell.Occupant;
    case CellExplored: return cell.Explored;
    case CellLight: return cell.Light;
    default: return 0;
  }
}

void TMap::SetCell(uint8_t Index, int X, int Y, uint8_t Value) {
  if (!OnMap(X, Y) || Index > CellLight) return;
  reinterpret_cast<uint8_t*>(&FCells[Y][X])[Index] = Value;
}

namespace {
bool HoldsPerson(uint8_t occupant) { return (occupant >= 1 && occupant <= 4) || (occupant >= 101 && occupant <= 104); }
}  // namespace

bool TMap::CanStep(int FromX, int FromY, int ToX, int ToY) const {
  if (!OnMap(ToX, ToY)) return false;
  if (GetCell(CellHeight, ToX, ToY) > GetCell(CellHeight, FromX, FromY) + 1) return false;
  return !HoldsPerson(FCells[ToY][ToX].Occupant);
}

bool TMap::CanStepLifted(int FromX, int FromY, int ToX, int ToY, int& Lift) const {
  if (!OnMap(ToX, ToY)) return false;
  const int from = GetCell(CellHeight, FromX, FromY);
  const int to = GetCell(CellHeight, ToX, ToY);
  if (from + Lift / 13 < to) return false;
  if (HoldsPerson(FCells[ToY][ToX].Occupant)) return false;
  if (to != from) Lift -= (to - from) * 13;
  return true;
}

bool TMap::IsOpenFor(int FromX, int FromY, int ToX, int ToY, int Person) const {
  if (!OnMap(ToX, ToY)) return false;
  if (GetCell(CellHeight, ToX, ToY) > GetCell(CellHeight, FromX, FromY) + 1) return false;
  const int occupant = FCells[ToY][ToX].Occupant;
  if (occupant == Person || occupant == Person + 100) return true;
  return !HoldsPerson(static_cast<uint8_t>(occupant));
}

void TMap::ClearLight() {
  // The light byte is every fifth byte of the cells: sixteen bytes are cleared at a time,
  // through the masks of one eighty-byte period (sixteen cells in five vectors).
  using TBytes = uint8_t __attribute__((vector_size(16)));
  constexpr size_t Period = 16 * sizeof(TMapCell);
  static_assert(sizeof(FCells) % Period == 0 && offsetof(TMapCell, Light) == 4);
  static const auto masks = [] {
    std::array<TBytes, Period / 16> m{};
    for (size_t k = 0; k < Period; ++k)
      m[k / 16][k % 16] = k % sizeof(TMapCell) == offsetof(TMapCell, Light) ? 0 : 0xFF;
    return m;
  }();
  auto* bytes = reinterpret_cast<uint8_t*>(FCells);
  for (size_t at = 0; at < sizeof(FCells); at += Period) {
    for (size_t w = 0; w < masks.size(); ++w) {
      TBytes v;
      std::memcpy(&v, bytes + at + 16 * w, 16);
      v &= masks[w];
      std::memcpy(bytes + at + 16 * w, &v, 16);
    }
  }
}

void TMap::Reveal(int X, int Y, int Radius) {
  const int r2 = Radius * Radius;
  const int inner = static_cast<int>(std::nearbyint(r2 * 0.7));
  const int outer = r2 - 5;
  // Cells farther than Radius in either axis have D > R2 > Outer: only the square can change.
  const int reach = Radius < 0 ? -Radius : Radius;
  // The columns within distance d of the centre in a row dy away: |dx| <= Within(d, dy).
  const auto within = [reach](int d, int dy) {
    int w = reach;
    while (w >= 0 && w * w + dy * dy > d) --w;
    return w;
  };
  for (int cy = std::max(Y - reach, 0); cy <= std::min(Y + reach, MapSize - 1); ++cy) {
    const int dy = cy - Y;
    const int lit = within(inner, dy), dim = std::max(within(outer, dy), lit);
    TMapCell* row = FCells[cy];
    // The dim ring's cells left of the lit ones, the lit ones, and the dim ring's right of them.
    const int left = std::clamp(X - dim, 0, MapSize), end = std::clamp(X + dim + 1, left, MapSize);
    const int litLeft = std::clamp(lit >= 0 ? X - lit : X, left, end);
    const int litEnd = std::clamp(lit >= 0 ? X + lit + 1 : X, litLeft, end);
    const auto dimmed = [row](int from, int to) {
      for (int cx = from; cx < to; ++cx) {
        row[cx].Explored = 1;
        row[cx].Light = static_cast<uint8_t>(row[cx].Light | (row[cx].Light == 0));
      }
    };
    dimmed(left, litLeft);
    for (int cx = litLeft; cx < litEnd; ++cx) {
      row[cx].Explored = 1;
      row[cx].Light = 2;
    }
    dimmed(litEnd, end);
  }
}

namespace {
int ViewColumnShift() { return Settings.HighRes ? 7 : 6; }
}  // namespace

TPoint TMap::CellToScreen(const TPoint& C, const TPoint& View) {
  const int a = C.X - View.X + ViewColumnShift();
  const int b = C.Y - View.Y - 1;
  return TPoint{30 * (a + b - 1), 14 * (b - a - 1) - 16};
}

TPoint TMap::ScreenToCell(const TPoint& P, const TPoint& View) {
  const int t = P.X + 30;
  const int u = P.Y + 30;
  const int c = t / 60, d = u / 28, rx = t % 60, ry = u % 28;
  int cx = c - d + View.X;
  int cy = c + d + View.Y;
  const double f = rx * 14 / 30.0;
  if (f + ry < 14) cy -= 1;
  if (f + ry > 42) cy += 1;
  if (f - ry > 14) cx += 1;
  if (f - ry < -14) cx -= 1;
  return TPoint{cx - ViewColumnShift(), cy + 1};
}
