// The frame as a list: what a frame puts onto the back buffer, added in drawing order by the
// render pass, the pointer, the speech and the overlay, and drawn only by TFrameRenderer.
//
// An entry holds everything its pixels depend on: its kind and arguments (place, picture, cut,
// level, text, colours), the serial and version of the surface it copies from, and the setting
// the drawing routines read (pixel layout, clip, screen size). Entries are compared whole,
// field by field; nothing is hashed. A band of TDDSurface::RowBand rows is redrawn across the
// whole width when the frame's ground differs, when anything else wrote to the band since the
// last frame was drawn, or when the surface is another one; where only entries reaching it
// differ from the last frame's (in number, order or any field), only in the columns those
// reach, before and now. The world's terrain comes keyed by place (TKeyedPart): only the bands
// where a place's key changed are listed at all.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/Types.h"
#include "ddraw/DDraw.h"
#include "gfx/Drawing.h"

// A pointer an entry draws through but is not compared by: the fields beside it stand for what
// it points to, so the last frame's entries never follow a pointer that may be gone.
template <class T>
struct TDrawnThrough {
  T* Value = nullptr;
  bool operator==(const TDrawnThrough&) const { return true; }
};

// A sheet picture, as DrawKeyed and its shaded and stippled kin draw it.
struct TSheetPicture {
  enum TWay : uint8_t { Keyed, HalfBright, ThreeQuarterBright, Stippled };
  TWay Way = Keyed;
  bool AtCorner = false;
  int Sheet = 0;
  int X = 0, Y = 0;
  TRect R;
  int Level = 0;  // the stippled way's brightness
  uint32_t CutId = 0;
  TDrawnThrough<const TPictureCut> Cut{&NoCut};
  uint8_t Phase = 0;  // the stippled way's StipplePhase where it is drawn (KeyToScreenAt)

  static TSheetPicture Of(TWay way, int x, int y, int sheet, const TRect& r, bool atCorner,
                          const TPictureCut& cut = NoCut, int level = 0) {
    return {way, atCorner, sheet, x, y, r, level, cut.Id(), {&cut}};
  }
  TDDSurface* Source() const;
  int Top() const;
  int Bottom() const { return Top() + (R.Bottom - R.Top); }
  int Left() const;
  int Right() const { return Left() + (R.Right - R.Left); }
  void Draw(TDDSurface& back) const;
  bool operator==(const TSheetPicture&) const = default;
};

// A rectangle of a surface blended, brightened or added onto the back buffer.
struct TSpritePicture {
  enum TWay : uint8_t { Blend, Brighten, AddClipped };
  TWay Way = Blend;
  TBlendMode Mode = bmAlpha;  // the blend way's
  int X = 0, Y = 0;
  TRect R;
  int Level = 0;
  TDrawnThrough<TDDSurface> From;

  TDDSurface* Source() const { return From.Value; }
  int Top() const { return Y; }
  int Bottom() const { return Y + (R.Bottom - R.Top); }
  int Left() const { return X; }
  int Right() const { return X + (R.Right - R.Left); }
  void Draw(TDDSurface& back) const;
  bool operator==(const TSpritePicture&) const = default;
};

// A line of CP949 text through the back buffer's canvas.
struct TTextLine {
  int X = 0, Y = 0;
  int Points = 12;
  TColor Colour = 0;
  std::string Text;

  TDDSurface* Source() const { return nullptr; }
  int Top() const { return Y; }
  int Bottom() const;
  // Glyphs may reach left of X: the line is taken as wide as any surface.
  int Left() const { return INT_MIN; }
  int Right() const { return INT_MAX; }
  void Draw(TDDSurface& back) const;
  bool operator==(const TTextLine&) const = default;
};

// The canvas's rectangle: outlined in Pen, filled with Brush when Filled.
struct TBox {
  TRect R;
  TColor Pen = 0;
  TColor Brush = 0;
  bool Filled = false;

  TDDSurface* Source() const { return nullptr; }
  int Top() const { return std::min(R.Top, R.Bottom); }
  int Bottom() const { return std::max(R.Top, R.Bottom); }
  int Left() const { return std::min(R.Left, R.Right); }
  int Right() const { return std::max(R.Left, R.Right); }
  void Draw(TDDSurface& back) const;
  bool operator==(const TBox&) const = default;
};

// What the drawing routines read besides their arguments.
struct TDrawSetting {
  int ScreenW = 0, ScreenH = 0;
  int ClipLeft = 0, ClipTop = 0, ClipRight = 0, ClipBottom = 0;
  int PixelKind = 0;
  void (*Compose)(uint8_t, uint8_t, uint8_t, uint16_t&) = nullptr;
  static TDrawSetting Now();
  bool operator==(const TDrawSetting&) const = default;
};

struct TFrameEntry {
  int Top = 0, Bottom = 0;  // the rows it may change
  int Left = 0, Right = 0;  // and the columns
  uint64_t SourceSerial = 0, SourceVersion = 0;
  TDrawSetting Setting;
  std::variant<TSheetPicture, TSpritePicture, TTextLine, TBox> What;
  TDrawnThrough<TDDSurface> Source;
  bool operator==(const TFrameEntry&) const = default;
};

// A surface's columns as at most 64 tiles of equal width (the last one may be narrower), a set
// of them as the bits of a mask.
class TColumnTiles {
 public:
  static constexpr int MinTile = 32;
  explicit TColumnTiles(int width = 0) : FWidth(std::max(width, 0)), FTile(std::max(MinTile, (FWidth + 63) / 64)) {}
  int Tile() const { return FTile; }
  // The tiles holding any of columns [left, right).
  uint64_t Of(int left, int right) const {
    left = std::max(left, 0);
    right = std::min(right, FWidth);
    if (left >= right) return 0;
    const int first = left / FTile, last = (right - 1) / FTile;
    return (last == 63 ? ~uint64_t{0} : (uint64_t{1} << (last + 1)) - 1) & ~((uint64_t{1} << first) - 1);
  }
  uint64_t All() const { return Of(0, FWidth); }
  // The columns of tiles [first, end).
  int From(int first) const { return std::min(first * FTile, FWidth); }
  int To(int end) const { return std::min(end * FTile, FWidth); }

 private:
  int FWidth;
  int FTile;
};

// What stands for everything a part of the frame draws: words that reach every band, and items,
// each with the rows and columns it may draw on and two words for what it draws there. The
// part's items are the same from frame to frame in number and order, so each is compared with
// the last frame's item at its place, and only where an item changed is stale.
class TPartKeys {
 public:
  void Restart(int bands) {
    FAll.clear();
    FItems.clear();
    FUnmatched.clear();
    FBands = bands;
  }
  void AddToAll(uint64_t word) { FAll.push_back(word); }
  void Add(int top, int bottom, int left, int right, uint64_t first, uint64_t second) {
    FItems.push_back({top, bottom, left, right, first, second});
  }
  int Bands() const { return FBands; }
  size_t Items() const { return FItems.size(); }
  // Whether each item stands at the same place in both, and the words for every band are the same.
  bool SameForAll(const TPartKeys& last) const {
    return FBands == last.FBands && FAll == last.FAll && FItems.size() == last.FItems.size();
  }
  // Adds to each band's columns in stale those that an item changed from last reaches there,
  // before or now.
  void MarkChanged(const TPartKeys& last, const TColumnTiles& tiles, std::vector<uint64_t>& stale) const;
  // The items renumbered after their pictures moved by `by`: item i becomes the one that was
  // from[i] (-1: one that matches no item). Adds where every item that none continues lies
  // after the move to gone.
  void Renumber(const std::vector<int>& from, const TPoint& by, std::vector<TRect>& gone);

 private:
  struct TItem {
    int Top, Bottom, Left, Right;
    uint64_t First, Second;
    bool operator==(const TItem&) const = default;
  };
  std::vector<uint64_t> FAll;
  std::vector<TItem> FItems;
  std::vector<uint8_t> FUnmatched;  // by item, after Renumber: 1 where no item continues it
  int FBands = 0;
};

class TFrameList;

// A part of the frame too large to list every frame (the world's terrain): it stands at its
// place among the entries and is compared band by band through its words, which must stand
// for everything its pixels depend on, and through the few entries listed with it (compared
// as any entry). Its entries are made only when bands are drawn, and only those reaching them
// need be made.
struct TKeyedPart {
  bool Present = false;
  size_t At = 0;  // entries listed before it
  TPartKeys Keys;
  // Listed entries, each with the place among the made ones where it goes (Make puts it there).
  std::vector<TFrameEntry> Listed;
  std::vector<int> Places;
  // Every surface a made entry may copy from.
  std::vector<const TDDSurface*> Sources;
  // Adds the part's entries to `into` in drawing order: at least every entry reaching a tile
  // set in its band's word of `tiles` (of `columns`; null: every column), and each of
  // part.Listed at its place.
  std::function<void(const TKeyedPart& part, const std::vector<uint64_t>& tiles, const TColumnTiles* columns,
                     TFrameList& into)>
      Make;
};

class TFrameList {
 public:
  template <class T>
  void Add(T what) {
    TDDSurface* source = what.Source();
    const int top = what.Top(), bottom = what.Bottom();
    FEntries.push_back({top,
                        bottom,
                        what.Left(),
                        what.Right(),
                        source != nullptr ? source->Serial() : 0,
                        source != nullptr ? source->Version() : 0,
                        TDrawSetting::Now(),
                        std::move(what),
                        {source}});
  }
  // What the frame draws first, under everything, onto every row: inputs stand for everything
  // fill's pixels depend on.
  void SetGround(std::vector<uint64_t> inputs, std::function<void(TDDSurface&)> fill) {
    FGroundInputs = std::move(inputs);
    FGround = std::move(fill);
  }
  // The ground is source's rows moved up by rowShift: a band is also redrawn where those rows
  // changed since the last frame was drawn. The inputs must name source and the shift.
  void SetGroundFrom(const TDDSurface* source, int rowShift) {
    FGroundSource = source;
    FGroundShift = rowShift;
  }
  // An entry made elsewhere, as it is.
  void AddEntry(const TFrameEntry& e) { FEntries.push_back(e); }
  // The keyed part's entries all listed where it stands, as if they had been added there.
  void ListPartWhole();
  // Hands the entries over, leaving the list without any.
  void TakeEntries(std::vector<TFrameEntry>& into) {
    into.clear();
    into.swap(FEntries);
  }
  // The keyed part, to be filled; it stands after the entries listed so far. A part already
  // set this frame is made whole into the list first.
  TKeyedPart& StartPart(int bands);
  // Empty again, for the next frame.
  void Restart() {
    FEntries.clear();
    FGroundInputs.clear();
    FGround = nullptr;
    FGroundSource = nullptr;
    FGroundShift = 0;
    FPart.Present = false;
    FPart.Listed.clear();
    FPart.Places.clear();
    FPart.Sources.clear();
    FPart.Make = nullptr;
  }
  const std::vector<TFrameEntry>& Entries() const { return FEntries; }
  bool Empty() const { return FEntries.empty() && !FGround && !FPart.Present; }

 private:
  friend class TFrameRenderer;
  std::vector<TFrameEntry> FEntries;
  TKeyedPart FPart;
  std::vector<uint64_t> FGroundInputs;
  std::function<void(TDDSurface&)> FGround;
  const TDDSurface* FGroundSource = nullptr;
  int FGroundShift = 0;
};

// Entries to be drawn onto a surface that holds the screen with its top-left corner at screen:
// what their pixels owe to where the screen lies there (a sprite's clip rectangle, the stippled
// way's pattern) is put in their fields, so they are compared by it.
void KeyToScreenAt(std::vector<TFrameEntry>& entries, const TPoint& screen);

// Draws frame lists onto a surface, keeping the last one drawn to compare the next with.
class TFrameRenderer {
 public:
  // Draws frame onto back and empties it: whole, or, with changedOnly, only the columns of the
  // bands that can differ from the last frame drawn, each under the surface's window. Answers
  // rows drawn (in any of their columns).
  int Draw(TFrameList& frame, TDDSurface& back, bool changedOnly);
  int DrawnRows() const { return FDrawnRows; }
  // The pixels the last Draw drew over, ground and entries counted once.
  int64_t DrawnPixels() const { return FDrawnPixels; }
  // Everything is drawn at the next frame.
  void Forget() { FKept = false; }
  // Moves the pixels of surface, where the last frame was drawn, by `by` (even in both
  // directions, so the stippled pattern moves onto itself), and the last frame with them, so
  // the next frame is compared with what now lies where it draws: the keyed part's item i
  // continues the last frame's item itemFrom[i] (-1: none). What the move uncovers and what
  // the moved items without a successor covered are drawn at the next frame. When no frame is
  // kept for the surface, or the move is odd or as large as the surface, nothing moves and
  // the next frame is drawn whole.
  void Shift(TDDSurface& surface, const TPoint& by, const std::vector<int>& itemFrom);

 private:
  // The entries reaching each band, in order: band b's are FIndex[FStart[b] .. FStart[b + 1]).
  struct TBands {
    std::vector<int> Start;
    std::vector<int> Index;
    void Build(const std::vector<TFrameEntry>& entries, int height, int bands);
  };
  // The band's columns that can differ from the last frame drawn, as tiles.
  uint64_t Stale(const TFrameList& frame, const TDDSurface& back, int band) const;
  void DrawBands(const TFrameList& frame, TDDSurface& back);
  // Every entry of frame (all, or those reaching window), the keyed part's made ones at its place.
  void DrawEntries(const TFrameList& frame, TDDSurface& back, bool all, const TRect& window) const;

  TFrameList FLast;
  TBands FLastBands, FBands;
  TBands FLastListed, FListed;  // the keyed part's listed entries
  TFrameList FMade;             // the keyed part's entries made for this frame
  bool FKept = false;
  bool FLastBandsReady = false;  // FLastBands and FLastListed sort FLast
  uint64_t FSurfaceSerial = 0;
  uint64_t FVersionAfter = 0;
  uint64_t FGroundVersion = 0;  // the ground source's version when the last frame was drawn
  int FHeight = 0;
  int FDrawnRows = 0;
  int64_t FDrawnPixels = 0;
  TColumnTiles FTiles;
  std::vector<uint64_t> FRedraw;       // by band: the tiles to draw
  std::vector<uint64_t> FPartChanged;  // by band: the tiles where the keyed part's items changed
  std::vector<TRect> FStale;           // drawn at the next frame whatever it lists (Shift)
};
