// A pass of drawing onto the back buffer kept as a list, then carried out only on the rows where
// it can differ from what the back buffer already holds. Most frames change a band or two of
// the picture (the pointer's picture, a walking person); the rest is drawn exactly as the frame
// before drew it, onto the same rows. A frame keeps everything it draws up to its presentation:
// the world, the pointer and the overlay.
//
// A row band is drawn again when the list of drawings reaching it differs from the last pass's
// (each drawing's routine, place, picture, cut, level and text, and the contents of its
// source, folded into a 64-bit key per band), when anything else wrote to it since the last
// pass (a notice over the picture, a lost surface), or when the pass's key differs (what else
// decides the pixels: the clear, the layout, the clip). A band left alone then holds what drawing it would give: the
// pass opens with a clear that, with the pass's opaque drawing, sets every pixel, so what a band's drawing gives
// depends on that list alone.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "blit/PictureCut.h"
#include "core/Types.h"
#include "ddraw/DDraw.h"

class TDrawJournal {
 public:
  // The ways of drawing a pass keeps: the routines of Drawing.h, the canvas's text and rectangle.
  enum class TKind : uint8_t {
    Keyed,
    HalfBright,
    ThreeQuarterBright,
    Stippled,
    Blend,
    Brighten,
    AddClipped,
    Text,
    Rectangle
  };

  // Starts keeping the drawing onto back; key: what else decides the pass's pixels; clear: what
  // the pass draws first (it must set every pixel the rest does not). False (and nothing kept:
  // draw directly) when back or a sheet is busy, lost or under an injected fault, whose answers
  // depend on every call being made, and when the key changed at this pass and the last.
  bool Begin(TDDSurface& back, uint64_t key, std::function<void()> clear);
  // The surface of the pass begun and not yet ended; null when none is.
  const TDDSurface* Surface() const { return FBack; }
  // Whether a TJournalScope has made this the journal that keeps the drawing.
  bool InScope() const;

  void AddSheet(TKind kind, int x, int y, int sheet, const TRect& r, bool atCorner, const TPictureCut& cut, int level);
  void AddSprite(TKind kind, int x, int y, const TRect& r, TDDSurface* source, int level, int mode);
  void AddText(int x, int y, std::string_view cp949, int points, TColor colour);
  // The canvas's rectangle: outlined in pen, filled with brush unless not filled.
  void AddRectangle(const TRect& r, TColor pen, TColor brush, bool filled);

  // Ends the pass: for each run of bands to draw, sets back's row window to it, calls the clear
  // and carries out every kept drawing that reaches it. Answers the rows drawn.
  int Finish();
  // The rows the last pass drew.
  int DrawnRows() const { return FDrawnRows; }
  // Ends a pass without drawing (the pass was abandoned: everything is drawn the next time).
  void Abandon();
  // Everything is drawn at the next pass.
  void Forget() { FBandKeys.clear(); }

  // Folds v into h, every bit of v reaching every bit of the result (splitmix64's finaliser).
  static uint64_t Mix(uint64_t h, uint64_t v) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
    return h ^ (h >> 31);
  }
  static uint64_t Pair(int a, int b) {
    return static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32 | static_cast<uint32_t>(b);
  }

 private:
  struct TEntry {
    TKind Kind;
    uint8_t Sheet;
    bool AtCorner;
    int X, Y;
    TRect R;
    const TPictureCut* Cut;
    TDDSurface* Source;
    int Level;
    int Mode;
    size_t Text;  // in FTexts
    TColor Colour;
    int Top, Bottom;  // the rows it may change
    uint64_t Hash;
  };
  void Add(TEntry e);
  // No pass: the kept drawing let go.
  void Drop();
  void Replay(const TEntry& e, TDDSurface& back);

  TDDSurface* FBack = nullptr;
  uint64_t FKey = 0;
  uint64_t FLastKey = 0;     // of the last pass begun, kept or not
  bool FKeyChanged = false;  // whether that pass's key differed from the one before
  std::function<void()> FClear;
  std::vector<TEntry> FEntries;
  std::vector<std::string> FTexts;
  // Of the last pass: each band's key, the surface it drew on and its version after the pass.
  std::vector<uint64_t> FBandKeys;
  std::vector<uint64_t> FNewKeys;  // this pass's, kept for its storage
  std::vector<uint8_t> FRedraw;    // per band: drawn this pass
  uint64_t FSurfaceSerial = 0;
  uint64_t FVersionAfter = 0;
  int FHeight = 0;
  int FDrawnRows = 0;
};

namespace journal {
extern TDrawJournal* Current;
}
// The pass that keeps the drawing onto surface, when one does (null otherwise): the drawing
// routines hand their work to it.
inline TDrawJournal* RecordingJournal(const TDDSurface* surface) {
  TDrawJournal* j = journal::Current;
  return j != nullptr && surface != nullptr && j->Surface() == surface ? j : nullptr;
}
// Makes journal the one that keeps the drawing (null: none) for the scope.
class TJournalScope {
 public:
  explicit TJournalScope(TDrawJournal* journal);
  ~TJournalScope();
  TJournalScope(const TJournalScope&) = delete;
  TJournalScope& operator=(const TJournalScope&) = delete;

 private:
  TDrawJournal* FBefore;
};
