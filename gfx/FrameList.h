// The frame as a list: what a frame puts onto the back buffer, added in drawing order by the
// render pass, the pointer, the speech and the overlay, and drawn only by TFrameRenderer.
//
// An entry holds everything its pixels depend on: its kind and arguments (place, picture, cut,
// level, text, colours), the serial and version of the surface it copies from, and the setting
// the drawing routines read (pixel layout, clip, screen size). Entries are compared whole,
// field by field; nothing is hashed. A band of TDDSurface::RowBand rows is redrawn when the
// entries reaching it differ from the last frame's in number, order or any field, when the
// frame's ground differs, when anything else wrote to the band since the last frame was drawn,
// or when the surface is another one.
#pragma once

#include <algorithm>
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

  static TSheetPicture Of(TWay way, int x, int y, int sheet, const TRect& r, bool atCorner,
                          const TPictureCut& cut = NoCut, int level = 0) {
    return {way, atCorner, sheet, x, y, r, level, cut.Id(), {&cut}};
  }
  TDDSurface* Source() const;
  int Top() const;
  int Bottom() const { return Top() + (R.Bottom - R.Top); }
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
  uint64_t SourceSerial = 0, SourceVersion = 0;
  TDrawSetting Setting;
  std::variant<TSheetPicture, TSpritePicture, TTextLine, TBox> What;
  TDrawnThrough<TDDSurface> Source;
  bool operator==(const TFrameEntry&) const = default;
};

class TFrameList {
 public:
  template <class T>
  void Add(T what) {
    TDDSurface* source = what.Source();
    const int top = what.Top(), bottom = what.Bottom();
    FEntries.push_back({top,
                        bottom,
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
  // Empty again, for the next frame.
  void Restart() {
    FEntries.clear();
    FGroundInputs.clear();
    FGround = nullptr;
  }
  const std::vector<TFrameEntry>& Entries() const { return FEntries; }
  bool Empty() const { return FEntries.empty() && !FGround; }

 private:
  friend class TFrameRenderer;
  std::vector<TFrameEntry> FEntries;
  std::vector<uint64_t> FGroundInputs;
  std::function<void(TDDSurface&)> FGround;
};

// Draws frame lists onto a surface, keeping the last one drawn to compare the next with.
class TFrameRenderer {
 public:
  // Draws frame onto back and empties it: whole, or, with changedOnly, only the bands that can
  // differ from the last frame drawn, each under the surface's row window. Answers rows drawn.
  int Draw(TFrameList& frame, TDDSurface& back, bool changedOnly);
  int DrawnRows() const { return FDrawnRows; }
  // Everything is drawn at the next frame.
  void Forget() { FKept = false; }

 private:
  // The entries reaching each band, in order: band b's are FIndex[FStart[b] .. FStart[b + 1]).
  struct TBands {
    std::vector<int> Start;
    std::vector<int> Index;
    void Build(const std::vector<TFrameEntry>& entries, int height, int bands);
  };
  bool Stale(const TFrameList& frame, const TDDSurface& back, int band) const;
  void DrawBands(const TFrameList& frame, TDDSurface& back);

  TFrameList FLast;
  TBands FLastBands, FBands;
  bool FKept = false;
  bool FLastBandsReady = false;  // FLastBands sorts FLast
  uint64_t FSurfaceSerial = 0;
  uint64_t FVersionAfter = 0;
  int FHeight = 0;
  int FDrawnRows = 0;
  std::vector<uint8_t> FRedraw;
};
