// Which parts of a terrain stack's blocks can still be seen once everything drawn after them is
// down. A block's sides are overdrawn by its own higher levels and by the three stacks in front
// of it; rows that will be overwritten in full need not be drawn at all, nor the columns at
// either end of a row that will be. Only solid rows of the later blocks count as cover, so the
// frame is the same pixel for pixel with or without it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "blit/PictureCut.h"
#include "core/Types.h"

class TSystem;

constexpr int LevelPixels = 13;  // screen pixels per height level
constexpr int WaterKind = 4;     // drawn 13 pixels lower, and fully lit when lit at all

// The ground diamond a block stands on, in its picture of GroundPictureWidth x
// GroundPictureHeight: centred on column 30 and row GroundCentreRow, GroundHalfRows rows each way,
// GroundHalfWidth(d) columns each side of the centre d rows from it. The diamonds of
// neighbouring places overlap rather than leave gaps.
constexpr int GroundPictureWidth = 60;
constexpr int GroundPictureHeight = 45;
constexpr int GroundCentreRow = 15;
constexpr int GroundHalfRows = 14;
constexpr int GroundHalfWidth(int d) { return std::max(1, 30 - d * 30 / GroundHalfRows); }
// The screen centre of the ground diamond of a block whose picture is anchored at `anchor`
// (the middle of its bottom edge).
constexpr TPoint GroundCentre(const TPoint& anchor) {
  return {anchor.X, anchor.Y - GroundPictureHeight + GroundCentreRow};
}

// One stack as the render pass paints it.
struct TStackSlot {
  int Code = -1;       // tile code; -1: nothing is drawn there
  int Height = 0;      // raised levels
  uint16_t Cover = 0;  // TStackCover::Pack of the two above
};

// Picture rows [From, To) of one level still to draw (From == To: none), and the columns of
// each: a cut of those rows, numbered for TStackCover::Cut (0: whole rows).
struct TLevelRows {
  uint8_t From = 0;
  uint8_t To = 0;
  uint16_t Cut = 0;
};

// The stacks drawn later that overlap a stack's lower part, by their anchor's offset from its
// own: front-left (-30, +14), front-right (+30, +14) and front (0, +28).
enum TFrontSlot { FrontLeft = 0, FrontRight = 1, Front = 2 };

class TStackCover {
 public:
  static constexpr int MaxLevels = 16;

  // Once a frame, before Pack: forgets what was worked out when a sheet has changed.
  void Sync();
  // Whether the stack's lowest block draws every pixel of its ground diamond: nothing needs
  // clearing under it.
  bool CoversGround(const TSystem& world, const TStackSlot& slot) { return Facts(world, slot.Code).CoversGround; }
  // A stack reduced to what decides its cover, in 12 bits: its picture's shape (shared by
  // every tile code with the same one), whether it sits lower as water does, and its height.
  // 0: it covers nothing and is drawn whole.
  uint16_t Pack(const TSystem& world, const TStackSlot& slot) {
    if (slot.Height < 0 || slot.Height > PackedHeight) return 0;
    const uint16_t packed = Facts(world, slot.Code).Packed;
    return packed == 0 ? 0 : static_cast<uint16_t>(packed | slot.Height);
  }
  // Rows of each level 0..height of the packed stack `self` to draw, given the packed stacks
  // in front, in TFrontSlot order. Null: draw every row.
  const TLevelRows* Rows(uint16_t self, const uint16_t (&front)[3]);
  // The cut numbered so in a TLevelRows; valid until the next Sync.
  const TPictureCut& Cut(uint16_t number) const {
    return number >= 1 && number <= FCuts.size() ? *FCuts[number - 1] : NoCut;
  }

 private:
  // Per picture row: the extent of its opaque pixels [First, End), and whether every pixel of
  // that extent is opaque (only then does the row hide what is under it).
  struct TRowSpan {
    int16_t First = 0;
    int16_t End = 0;
    bool Solid = false;
    bool operator==(const TRowSpan&) const = default;
  };
  struct TShape {
    int Width = 0;  // the picture's width and height
    int Height = 0;
    std::vector<TRowSpan> Rows;
    bool operator==(const TShape&) const = default;
    // Solid over the whole ground diamond.
    bool HoldsGround() const;
  };
  // One neighbourhood's answer, in a table indexed by a hash of its packed key: each key may sit
  // in either slot of a pair, so two neighbourhoods of one view that hash alike are not worked
  // out again every frame, in turn.
  struct TKept {
    uint64_t Key = 0;   // 0: empty
    uint32_t Used = 0;  // FUses when last asked for; the pair's older one is replaced
    TLevelRows Level[MaxLevels];
  };
  static constexpr int KeptBits = 12;  // enough that the neighbourhoods of a view seldom share a pair
  static constexpr size_t KeptSlots = size_t{1} << KeptBits;
  static constexpr size_t MaxShapes = 63;  // distinct shapes a packed stack can name

  static constexpr uint16_t PackedHeight = 0xF;

  // What a stack of one tile code packs to and covers, its height aside: asked for every place
  // of every frame, so kept by code once learnt.
  struct TCodeFacts {
    bool Known = false;
    bool CoversGround = false;
    uint16_t Packed = 0;  // Pack of a stack of the code at height 0; 0 without a shape
  };
  const TCodeFacts& Facts(const TSystem& world, int code) {
    static constexpr TCodeFacts none{true, false, 0};
    if (code < 0) return none;
    if (static_cast<size_t>(code) < FFacts.size() && FFacts[static_cast<size_t>(code)].Known) {
      return FFacts[static_cast<size_t>(code)];
    }
    return LearnFacts(world, code);
  }
  const TCodeFacts& LearnFacts(const TSystem& world, int code);
  // The shape of tile code's picture, shared by every code whose picture has the same one;
  // -1 when it has none.
  int ShapeOf(const TSystem& world, int code);
  void Compute(uint16_t self, const uint16_t (&front)[3], TKept& out);
  // The number of the cut with these rows, made when new; 0 when no more can be numbered.
  uint16_t CutNumber(const std::vector<TColumnSpan>& rows);

  uint64_t FSheetVersions[2] = {};  // the sheets' contents the shapes were taken from
  std::vector<int> FShapeOfCode;    // by tile code: index into FShapes, -1 none, -2 not taken yet
  std::vector<TShape> FShapes;
  std::vector<int8_t> FHoldsGround;  // by shape: 1 it holds its ground diamond, 0 not, -1 unknown
  std::vector<TCodeFacts> FFacts;    // by tile code
  std::vector<TKept> FKept = std::vector<TKept>(KeptSlots);
  uint32_t FUses = 0;
  std::vector<std::unique_ptr<TPictureCut>> FCuts;  // cut number n at n - 1
  std::map<std::vector<TColumnSpan>, uint16_t> FCutNumbers;
};
