// The rows of terrain blocks that later blocks hide, worked out once per neighbourhood.
#include "game/StackCover.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "core/Types.h"
#include "game/World.h"
#include "gfx/Display.h"
#include "gfx/Drawing.h"

namespace {

// The packed stack: present, shape, lowered as water, height.
constexpr uint16_t PackedPresent = 0x800;
constexpr int PackedShapeShift = 5;
constexpr uint16_t PackedShapeMask = 0x3F;
constexpr uint16_t PackedLowered = 0x10;

// A later block's solid row as a screen interval [First, End).
struct TCover {
  int First, End;
};

// The part of [from, to) between its first and its last column that the intervals leave
// uncovered; empty (First >= End) when they cover all of it.
TCover Uncovered(int from, int to, const std::vector<TCover>& covers) {
  for (bool moved = true; from < to && moved;) {
    moved = false;
    for (const TCover& c : covers) {
      if (c.First <= from && from < c.End) {
        from = c.End;
        moved = true;
      }
    }
  }
  for (bool moved = true; from < to && moved;) {
    moved = false;
    for (const TCover& c : covers) {
      if (c.First < to && to <= c.End) {
        to = c.First;
        moved = true;
      }
    }
  }
  return {from, to};
}

}  // namespace

void TStackCover::Sync() {
  uint64_t versions[2] = {};
  for (int s = 1; s <= 2; ++s) {
    if (Display && Display->FSheets[s]) versions[s - 1] = Display->FSheets[s]->Version();
  }
  if (versions[0] == FSheetVersions[0] && versions[1] == FSheetVersions[1]) return;
  FSheetVersions[0] = versions[0];
  FSheetVersions[1] = versions[1];
  FShapeOfCode.clear();
  FShapes.clear();
  FHoldsGround.clear();
  FFacts.clear();
  std::fill(FKept.begin(), FKept.end(), TKept{});
  FCuts.clear();
  FCutNumbers.clear();
}

uint16_t TStackCover::CutNumber(const std::vector<TColumnSpan>& rows) {
  const auto known = FCutNumbers.find(rows);
  if (known != FCutNumbers.end()) return known->second;
  if (FCuts.size() >= UINT16_MAX) return 0;
  FCuts.push_back(std::make_unique<TPictureCut>(rows));
  const auto number = static_cast<uint16_t>(FCuts.size());
  FCutNumbers.emplace(rows, number);
  return number;
}

int TStackCover::ShapeOf(const TSystem& world, int code) {
  if (code < 0 || code >= static_cast<int>(std::size(world.FTiles)) || !world.FTiles[code]) return -1;
  FShapeOfCode.resize(std::size(world.FTiles), -2);
  int& known = FShapeOfCode[code];
  if (known != -2) return known;
  known = -1;
  const TTile& tile = *world.FTiles[code];
  const TDDSurface* sheet =
      Display && tile.FSheet >= 1 && tile.FSheet <= 2 ? Display->FSheets[tile.FSheet].get() : nullptr;
  const TRect& r = tile.FSourceRect;
  TShape shape;
  shape.Width = r.Right - r.Left;
  shape.Height = r.Bottom - r.Top;
  if (sheet == nullptr || shape.Width <= 0 || shape.Height <= 0 || shape.Height > 255) return known;
  shape.Rows.resize(static_cast<size_t>(shape.Height));
  // Pixels past the sheet are never drawn: they count as transparent.
  const auto opaque = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= sheet->Width() || y >= sheet->Height()) return false;
    return sheet->IsOpaque(sheet->Pixels()[static_cast<size_t>(y) * (sheet->Pitch() / 2) + x]);
  };
  for (int row = 0; row < shape.Height; ++row) {
    int first = shape.Width, end = 0, count = 0;
    for (int col = 0; col < shape.Width; ++col) {
      if (!opaque(r.Left + col, r.Top + row)) continue;
      first = std::min(first, col);
      end = col + 1;
      ++count;
    }
    if (count != 0) shape.Rows[row] = {static_cast<int16_t>(first), static_cast<int16_t>(end), count == end - first};
  }
  const auto same = std::find(FShapes.begin(), FShapes.end(), shape);
  if (same != FShapes.end()) return known = static_cast<int>(same - FShapes.begin());
  if (FShapes.size() >= MaxShapes) return known;
  FShapes.push_back(std::move(shape));
  return known = static_cast<int>(FShapes.size()) - 1;
}

bool TStackCover::TShape::HoldsGround() const {
  if (Width != GroundPictureWidth || Height != GroundPictureHeight) return false;
  for (int row = GroundCentreRow - GroundHalfRows; row <= GroundCentreRow + GroundHalfRows; ++row) {
    const TRowSpan& span = Rows[static_cast<size_t>(row)];
    const int half = GroundHalfWidth(std::abs(row - GroundCentreRow));
    if (!span.Solid || span.First > 30 - half || span.End < 30 + half) return false;
  }
  return true;
}

const TStackCover::TCodeFacts& TStackCover::LearnFacts(const TSystem& world, int code) {
  static constexpr TCodeFacts outside{true, false, 0};
  const int shape = ShapeOf(world, code);
  if (code < 0 || static_cast<size_t>(code) >= std::size(world.FTiles)) return outside;
  FFacts.resize(std::size(world.FTiles));
  TCodeFacts& facts = FFacts[static_cast<size_t>(code)];
  facts.Known = true;
  if (shape < 0) return facts;
  if (FHoldsGround.size() <= static_cast<size_t>(shape)) FHoldsGround.resize(FShapes.size(), -1);
  int8_t& holds = FHoldsGround[static_cast<size_t>(shape)];
  if (holds < 0) holds = FShapes[static_cast<size_t>(shape)].HoldsGround() ? 1 : 0;
  const bool water = code / 4 == WaterKind;
  facts.CoversGround = !water && holds != 0;
  facts.Packed = static_cast<uint16_t>(PackedPresent | (shape << PackedShapeShift) | (water ? PackedLowered : 0));
  return facts;
}

void TStackCover::Compute(uint16_t self, const uint16_t (&front)[3], TKept& out) {
  static constexpr int OffsetX[3] = {-30, 30, 0}, OffsetY[3] = {14, 14, 28};  // TFrontSlot order
  // Every block drawn later that may cover part of this stack: shape and top-left corner.
  struct TLater {
    const TShape* Shape;
    int Level;  // for the stack's own levels: only higher ones cover a level
    int X, Y;
  };
  std::vector<TLater> later;
  const auto shapeOf = [&](uint16_t p) -> const TShape& { return FShapes[(p >> PackedShapeShift) & PackedShapeMask]; };
  const auto add = [&](uint16_t p, int anchorX, int anchorY, bool own) {
    const TShape& s = shapeOf(p);
    const int drop = (p & PackedLowered) != 0 ? LevelPixels : 0;
    for (int level = 0; level <= (p & PackedHeight); ++level) {
      const TPoint corner = PictureCorner({anchorX, anchorY + drop - LevelPixels * level}, s.Width, s.Height);
      later.push_back({&s, own ? level : MaxLevels, corner.X, corner.Y});
    }
  };
  add(self, 0, 0, true);
  for (int n = 0; n < 3; ++n) {
    if (front[n] != 0) add(front[n], OffsetX[n], OffsetY[n], false);
  }

  const TShape& mine = shapeOf(self);
  std::vector<TCover> covers;
  std::vector<TColumnSpan> shown(static_cast<size_t>(mine.Height));  // per row, in picture columns
  for (int level = 0; level <= (self & PackedHeight); ++level) {
    const TLater& own = later[level];
    int first = -1, last = -1;
    for (int row = 0; row < mine.Height; ++row) {
      const TRowSpan& span = mine.Rows[row];
      shown[row] = {};
      if (span.First >= span.End) continue;  // nothing drawn in this row
      const int y = own.Y + row;
      covers.clear();
      for (const TLater& b : later) {
        if (b.Level <= level) continue;
        const int i = y - b.Y;
        if (i < 0 || i >= b.Shape->Height || !b.Shape->Rows[i].Solid) continue;
        covers.push_back({b.X + b.Shape->Rows[i].First, b.X + b.Shape->Rows[i].End});
      }
      const TCover open = Uncovered(own.X + span.First, own.X + span.End, covers);
      if (open.First >= open.End) continue;
      shown[row] = {open.First - own.X, open.End - own.X};
      if (first < 0) first = row;
      last = row;
    }
    if (first < 0) continue;
    out.Level[level] = {static_cast<uint8_t>(first), static_cast<uint8_t>(last + 1), 0};
    // Rows drawn in full need no cut; hidden rows between shown ones count as cut.
    bool cut = false;
    for (int row = first; row <= last; ++row) {
      const TRowSpan& span = mine.Rows[row];
      cut |= span.First < span.End && (shown[row].First != span.First || shown[row].End != span.End);
    }
    if (cut) out.Level[level].Cut = CutNumber({shown.begin() + first, shown.begin() + last + 1});
  }
}

const TLevelRows* TStackCover::Rows(uint16_t self, const uint16_t (&front)[3]) {
  if (self == 0) return nullptr;
  const uint64_t key = (uint64_t{self} << 36) | (uint64_t{front[0]} << 24) | (uint64_t{front[1]} << 12) | front[2];
  const size_t slot = HashSlot(key, KeptBits);
  TKept* kept = &FKept[slot];
  if (kept->Key != key && FKept[slot ^ 1].Key == key) kept = &FKept[slot ^ 1];
  if (kept->Key != key) {
    if (FKept[slot ^ 1].Used < kept->Used) kept = &FKept[slot ^ 1];
    *kept = TKept{};
    kept->Key = key;
    Compute(self, front, *kept);
  }
  kept->Used = ++FUses;
  return kept->Level;
}
