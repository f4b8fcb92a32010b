// The text renderer behind TextRenderer.h: a face fontconfig picks for Korean (or the one a
// build carries), drawn by FaceRaster, its lines kept as masks and blended into 16-bit pixels.
#ifndef CORVINA_FACE_FILE
#include <fontconfig/fontconfig.h>
#endif

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Log.h"
#include "gfx/Cp949.h"
#include "gfx/FaceRaster.h"
#include "gfx/InkBlend.h"
#include "gfx/TextRenderer.h"
#include "util/Printable.h"

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
    LogWarning("no font covering Korean found (install fonts-nanum); using " + PrintablePath(path));
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
  uint32_t Face = 0;  // counts the faces used, so what was measured with another is told apart
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
    LogWarning("cannot open font " + PrintablePath(f.Path) + ": " + reason);
  }
  return false;
}

// The coverage of one rendered line, independent of its colour: only the stretches with ink
// (from an inked pixel to an inked pixel, close gaps included at 0), since most of a line's box
// is empty.
struct TLineMask {
  std::vector<TInkSpan> Spans;  // row by row
  std::vector<uint8_t> Cover;   // InkSlack more at the end
  int Width = 0;                // the ink's extent from the line's top-left
  int Height = 0;
};

// Inks this close in a row share a span: blending a few uninked pixels costs less than
// starting another span.
constexpr int SpanGap = 16;

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
    for (int col = 0; col < line.Width;) {
      if (src[col] == 0) {
        ++col;
        continue;
      }
      int end = col + 1;  // one past the span's last ink
      for (int next = end; next < line.Width && next - end < SpanGap; ++next) {
        if (src[next] != 0) end = next + 1;
      }
      mask.Spans.push_back({static_cast<uint16_t>(col), static_cast<uint16_t>(row), static_cast<uint16_t>(end - col),
                            static_cast<uint32_t>(mask.Cover.size())});
      mask.Cover.insert(mask.Cover.end(), src + col, src + end);
      mask.Width = std::max(mask.Width, end);
      mask.Height = row + 1;
      col = end;
    }
  }
  mask.Cover.resize(mask.Cover.size() + InkSlack);
  if (KeptLines.size() >= MaxKeptLines) KeptLines.clear();
  TLineKey key{std::string(text.Bytes), text.Encoding, text.Points};
  return &KeptLines.emplace(std::move(key), std::move(mask)).first->second;
}

// The frame list measures the same few lines every frame (the overlay's, speech): their rows
// are kept where a look costs less than the store's hash, by face too. A line that measures no
// rows (no face to render it) is measured again.
struct TMeasured {
  uint32_t Face = 0;
  int Points = 0;
  int Rows = 0;
  std::string Text;
};
constexpr size_t MaxMeasured = 16;
std::vector<TMeasured> Measured;
size_t OldestMeasured = 0;

}  // namespace

std::string_view DefaultFacePath() { return FacePath(); }

void UseDefaultFace(std::string path) {
  TFonts& f = Fonts();
  f.Searched = true;
  f.Warned = false;
  f.Path = std::move(path);
  f.Raster.reset();
  ++f.Face;
  KeptLines.clear();  // the last face's lines
}

namespace {

int DrawLine(const TSurfaceDC& target, int x, int y, const TLineView& text, TColor colour) {
  if (text.Bytes.empty() || target.Pixels == nullptr) return 0;
  const TLineMask* mask = MaskOf(text);
  if (mask == nullptr) return 0;
  BlendInkSpans(target, x, y, mask->Spans, mask->Cover.data(),
                {static_cast<uint8_t>(GetRValue(colour)), static_cast<uint8_t>(GetGValue(colour)),
                 static_cast<uint8_t>(GetBValue(colour))});
  return mask->Height;
}

}  // namespace

int DrawTextUtf8(const TSurfaceDC& target, int x, int y, std::string_view utf8, int points, TColor colour) {
  return DrawLine(target, x, y, {utf8, TEncoding::Utf8, points}, colour);
}

int DrawTextCp949(const TSurfaceDC& target, int x, int y, std::string_view cp949, int points, TColor colour) {
  return DrawLine(target, x, y, {cp949, TEncoding::Cp949, points}, colour);
}

int TextRowsCp949(std::string_view cp949, int points) {
  const uint32_t face = Fonts().Face;
  for (const TMeasured& m : Measured) {
    if (m.Face == face && m.Points == points && m.Text == cp949) return m.Rows;
  }
  const TLineMask* mask = cp949.empty() ? nullptr : MaskOf({cp949, TEncoding::Cp949, points});
  const int rows = mask != nullptr ? mask->Height : 0;
  if (rows > 0) {
    TMeasured measured{face, points, rows, std::string(cp949)};
    if (Measured.size() < MaxMeasured) {
      Measured.push_back(std::move(measured));
    } else {
      Measured[OldestMeasured] = std::move(measured);
      OldestMeasured = (OldestMeasured + 1) % MaxMeasured;
    }
  }
  return rows;
}

// The face and its opened sizes stay: they depend on the machine only, and finding them again
// would ask fontconfig for every font on it.
void ResetTextCache() {
  KeptLines.clear();
  Measured.clear();
  OldestMeasured = 0;
}
