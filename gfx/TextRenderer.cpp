// The text renderer behind TextRenderer.h: a face fontconfig picks for Korean (or the one a
// build carries), drawn by FaceRaster, its lines kept as masks and blended into 16-bit pixels.
#ifndef CORVINA_FACE_FILE
#include <fontconfig/fontconfig.h>
#endif

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Log.h"
#include "gfx/Cp949.h"
#include "gfx/FaceRaster.h"
#include "gfx/PixelFormat.h"
#include "gfx/TextRenderer.h"

namespace {

#ifdef CORVINA_FACE_FILE
// A build that carries its face (the page, in its data) asks no one.
std::string FindFace() { return CORVINA_FACE_FILE; }
#else
// Asks fontconfig for a sans face covering Korean: its file, and whether it does cover Korean.
void MatchFace(FcConfig* config, std::string& path, bool& korean) {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ko"));
  if (pattern != nullptr) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
      FcChar8* file = nullptr;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
        path = reinterpret_cast<const char*>(file);
      }
      FcLangSet* langs = nullptr;
      if (FcPatternGetLangSet(match, FC_LANG, 0, &langs) == FcResultMatch) {
        korean = FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ko")) == FcLangEqual;
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
}

// The file of the best sans face covering Korean, or of any face when none covers it.
std::string FindFace() {
  std::string path;
  bool korean = false;
  if (FcConfig* config = FcInitLoadConfigAndFonts()) {
    MatchFace(config, path, korean);
    FcConfigDestroy(config);
  }
  if (path.empty()) {
    LogWarning("no font found; text is not drawn");
  } else if (!korean) {
    LogWarning("no font covering Korean found (install fonts-nanum); using " + path);
  }
  return path;
}
#endif

// Lives until the program's static objects go: the face and FreeType are given back then, so
// nothing the renderer opened is still held at exit.
struct TFonts {
  bool Searched = false;
  bool Warned = false;
  std::string Path;
  std::unique_ptr<TFaceRaster> Raster;
};
TFonts& Fonts() {
  static TFonts fonts;
  return fonts;
}

const std::string& FacePath() {
  TFonts& f = Fonts();
  if (!f.Searched) {
    f.Searched = true;
    f.Path = FindFace();
  }
  return f.Path;
}

// The coverage of a line, or false when there is no face, it does not open at this size (told
// once) or the line has no width.
bool RenderLine(std::string_view utf8, int points, TCoverage& line) {
  TFonts& f = Fonts();
  if (FacePath().empty()) return false;
  std::string reason;
  if (f.Raster == nullptr && !f.Warned) f.Raster = TFaceRaster::Create(f.Path, reason);
  if (f.Raster != nullptr && f.Raster->Render(utf8, points, line, reason)) return true;
  if (!reason.empty() && !f.Warned) {
    f.Warned = true;
    LogWarning("cannot open font " + f.Path + ": " + reason);
  }
  return false;
}

uint8_t Mix(uint8_t fg, uint8_t bg, uint32_t alpha) {
  return static_cast<uint8_t>((fg * alpha + bg * (255 - alpha) + 127) / 255);
}

// One inked pixel of a rendered line.
struct TInk {
  uint16_t Col;
  uint16_t Row;
  uint8_t Alpha;  // coverage, 1..255
};

// The coverage of one rendered line, independent of its colour: only the inked pixels, since
// most of a line's box is empty. Fully covered pixels are kept apart: they are only stored.
struct TLineMask {
  std::vector<TInk> Solid;    // coverage 255, row by row
  std::vector<TInk> Partial;  // coverage 1..254, row by row
  int Width = 0;              // the ink's extent from the line's top-left
  int Height = 0;
};

enum class TEncoding : uint8_t { Utf8, Cp949 };

// What a kept line is found by: its bytes as the caller has them, their encoding and the size.
// Looked up through a view of the caller's bytes, so a line drawn again is neither converted
// nor copied.
struct TLineView {
  std::string_view Bytes;
  TEncoding Encoding;
  int Points;
};
struct TLineKey {
  std::string Bytes;
  TEncoding Encoding;
  int Points;
  TLineView View() const { return {Bytes, Encoding, Points}; }
};
struct TLineHash {
  using is_transparent = void;
  size_t operator()(const TLineView& v) const {
    return std::hash<std::string_view>{}(v.Bytes) ^ (static_cast<size_t>(v.Points) * 0x9E3779B97F4A7C15ull) ^
           static_cast<size_t>(v.Encoding);
  }
  size_t operator()(const TLineKey& k) const { return (*this)(k.View()); }
};
struct TLineEqual {
  using is_transparent = void;
  static bool Same(const TLineView& a, const TLineView& b) {
    return a.Points == b.Points && a.Encoding == b.Encoding && a.Bytes == b.Bytes;
  }
  template <class A, class B>
  bool operator()(const A& a, const B& b) const {
    return Same(ViewOf(a), ViewOf(b));
  }
  static TLineView ViewOf(const TLineView& v) { return v; }
  static TLineView ViewOf(const TLineKey& k) { return k.View(); }
};

// The same few lines (speech, the frame rate) come back every frame, and rendering them anew
// costs more than the rest of the text path, so their masks are KeptLines. The store is emptied
// when it grows past a bound, which keeps it small and the output independent of its history.
constexpr size_t MaxKeptLines = 256;
std::unordered_map<TLineKey, TLineMask, TLineHash, TLineEqual> KeptLines;

const TLineMask* MaskOf(const TLineView& text) {
  if (auto it = KeptLines.find(text); it != KeptLines.end()) return &it->second;
  const std::string utf8 = text.Encoding == TEncoding::Cp949 ? Cp949ToUtf8(text.Bytes) : std::string(text.Bytes);
  TCoverage line;
  if (!RenderLine(utf8, text.Points, line)) return nullptr;
  TLineMask mask;  // a line's box is at most 65535 pixels each way: its places fit 16 bits
  for (int row = 0; row < line.Height; ++row) {
    const uint8_t* src = line.Alpha.data() + static_cast<size_t>(row) * line.Width;
    for (int col = 0; col < line.Width; ++col) {
      const uint8_t alpha = src[col];
      if (alpha == 0) continue;
      (alpha == 255 ? mask.Solid : mask.Partial)
          .push_back({static_cast<uint16_t>(col), static_cast<uint16_t>(row), alpha});
      mask.Width = std::max(mask.Width, col + 1);
      mask.Height = row + 1;
    }
  }
  if (KeptLines.size() >= MaxKeptLines) KeptLines.clear();
  TLineKey key{std::string(text.Bytes), text.Encoding, text.Points};
  return &KeptLines.emplace(std::move(key), std::move(mask)).first->second;
}

// fn(pixel, ink) for each ink of the list that falls inside the target; the bounds are only
// tested one by one when the line reaches past the target.
template <class Fn>
void EachInk(const TSurfaceDC& target, int x, int y, bool inside, const std::vector<TInk>& inks, Fn fn) {
  auto* pixels = reinterpret_cast<uint8_t*>(target.Pixels);
  for (const TInk& ink : inks) {
    const int px = x + ink.Col, py = y + ink.Row;
    if (!inside && (px < 0 || py < 0 || px >= target.Width || py >= target.Height)) continue;
    fn(reinterpret_cast<uint16_t*>(pixels + static_cast<ptrdiff_t>(py) * target.Pitch)[px], ink);
  }
}

// The line's ink in the colour over the target's pixels, clipped to the target.
template <int Kind>
void BlendInk(const TSurfaceDC& target, int x, int y, const TLineMask& mask, TColor colour) {
  const uint8_t fr = static_cast<uint8_t>(GetRValue(colour));
  const uint8_t fg = static_cast<uint8_t>(GetGValue(colour));
  const uint8_t fb = static_cast<uint8_t>(GetBValue(colour));
  const uint16_t solid = PackColour(Kind, colour);
  const bool inside =
      x >= 0 && y >= 0 && int64_t{x} + mask.Width <= target.Width && int64_t{y} + mask.Height <= target.Height;
  EachInk(target, x, y, inside, mask.Solid, [&](uint16_t& d, const TInk&) { d = solid; });
  EachInk(target, x, y, inside, mask.Partial, [&](uint16_t& d, const TInk& ink) {
    uint8_t r, g, b;
    UnpackRgb(Kind, d, r, g, b);
    d = PackRgb(Kind, Mix(fr, r, ink.Alpha), Mix(fg, g, ink.Alpha), Mix(fb, b, ink.Alpha));
  });
}

}  // namespace

std::string_view DefaultFacePath() { return FacePath(); }

namespace {

void DrawLine(const TSurfaceDC& target, int x, int y, const TLineView& text, TColor colour) {
  if (text.Bytes.empty() || target.Pixels == nullptr) return;
  const TLineMask* mask = MaskOf(text);
  if (mask == nullptr) return;
  switch (target.PixelKind) {
    case PixelKind555: return BlendInk<PixelKind555>(target, x, y, *mask, colour);
    case PixelKindBgr565: return BlendInk<PixelKindBgr565>(target, x, y, *mask, colour);
    default: return BlendInk<PixelKind565>(target, x, y, *mask, colour);
  }
}

}  // namespace

void DrawTextUtf8(const TSurfaceDC& target, int x, int y, std::string_view utf8, int points, TColor colour) {
  DrawLine(target, x, y, {utf8, TEncoding::Utf8, points}, colour);
}

void DrawTextCp949(const TSurfaceDC& target, int x, int y, std::string_view cp949, int points, TColor colour) {
  DrawLine(target, x, y, {cp949, TEncoding::Cp949, points}, colour);
}

// The face and its opened sizes stay: they depend on the machine only, and finding them again
// would ask fontconfig for every font on it.
void ResetTextCache() { KeptLines.clear(); }
