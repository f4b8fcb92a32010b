// The text renderer behind TextRenderer.h: SDL2_ttf with a face fontconfig picks for Korean.
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "gfx/PixelFormat.h"
#include "gfx/TextRenderer.h"

namespace {

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
    std::cerr << "corvina: no font found; text is not drawn\n";
  } else if (!korean) {
    std::cerr << "corvina: no font covering Korean found (install fonts-nanum); using " << path << '\n';
  }
  return path;
}

// Lives until the program's static objects go: the fonts and the library are given back then,
// so nothing the renderer opened is still held at exit.
struct TFonts {
  bool Searched = false;
  bool Warned = false;
  bool OwnsTtf = false;  // TTF_Init was called here, so TTF_Quit is ours too
  std::string Path;
  std::map<int, TTF_Font*> BySize;

  TFonts() = default;
  TFonts(const TFonts&) = delete;
  TFonts& operator=(const TFonts&) = delete;
  ~TFonts() {
    for (auto& entry : BySize) {
      if (entry.second != nullptr) TTF_CloseFont(entry.second);
    }
    if (OwnsTtf) TTF_Quit();
  }
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

TTF_Font* FontOfSize(int points) {
  TFonts& f = Fonts();
  if (auto it = f.BySize.find(points); it != f.BySize.end()) return it->second;
  TTF_Font* font = nullptr;
  if (!FacePath().empty() && TTF_WasInit() == 0 && TTF_Init() == 0) f.OwnsTtf = true;
  if (!FacePath().empty() && TTF_WasInit() != 0) {
    font = TTF_OpenFontDPI(f.Path.c_str(), points, 96, 96);
    if (font == nullptr && !f.Warned) {
      f.Warned = true;
      std::cerr << "corvina: cannot open font " << f.Path << ": " << TTF_GetError() << '\n';
    }
  }
  f.BySize[points] = font;
  return font;
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

// The same few lines (speech, the frame rate) come back every frame, and rendering them anew
// costs more than the rest of the text path, so their masks are kept. The store is emptied
// when it grows past a bound, which keeps it small and the output independent of its history.
constexpr size_t MaxKeptLines = 256;
std::unordered_map<std::string, TLineMask> kept;

const TLineMask* MaskOf(std::string_view utf8, int points) {
  std::string key(utf8);
  key.append(1, '\0').append(std::to_string(points));
  if (auto it = kept.find(key); it != kept.end()) return &it->second;
  TTF_Font* font = FontOfSize(points);
  if (font == nullptr) return nullptr;
  const std::string text(utf8);
  SDL_Surface* glyphs = TTF_RenderUTF8_Blended(font, text.c_str(), SDL_Color{255, 255, 255, 255});
  if (glyphs == nullptr) return nullptr;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(glyphs, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(glyphs);
  if (argb == nullptr) return nullptr;
  TLineMask mask;
  const int w = std::min(argb->w, 0xFFFF), h = std::min(argb->h, 0xFFFF);
  for (int row = 0; row < h; ++row) {
    const auto* src = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + row * argb->pitch);
    for (int col = 0; col < w; ++col) {
      const auto alpha = static_cast<uint8_t>(src[col] >> 24);
      if (alpha == 0) continue;
      (alpha == 255 ? mask.Solid : mask.Partial).push_back({static_cast<uint16_t>(col), static_cast<uint16_t>(row), alpha});
      mask.Width = std::max(mask.Width, col + 1);
      mask.Height = row + 1;
    }
  }
  SDL_FreeSurface(argb);
  if (kept.size() >= MaxKeptLines) kept.clear();
  return &kept.emplace(std::move(key), std::move(mask)).first->second;
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
  const bool inside = x >= 0 && y >= 0 && int64_t{x} + mask.Width <= target.Width && int64_t{y} + mask.Height <= target.Height;
  EachInk(target, x, y, inside, mask.Solid, [&](uint16_t& d, const TInk&) { d = solid; });
  EachInk(target, x, y, inside, mask.Partial, [&](uint16_t& d, const TInk& ink) {
    uint8_t r, g, b;
    UnpackRgb(Kind, d, r, g, b);
    d = PackRgb(Kind, Mix(fr, r, ink.Alpha), Mix(fg, g, ink.Alpha), Mix(fb, b, ink.Alpha));
  });
}

}  // namespace

std::string_view DefaultFacePath() { return FacePath(); }

void DrawTextUtf8(const TSurfaceDC& target, int x, int y, std::string_view utf8, int points, TColor colour) {
  if (utf8.empty() || target.Pixels == nullptr) return;
  const TLineMask* mask = MaskOf(utf8, points);
  if (mask == nullptr) return;
  switch (target.PixelKind) {
    case PixelKind555:
      return BlendInk<PixelKind555>(target, x, y, *mask, colour);
    case PixelKindBgr565:
      return BlendInk<PixelKindBgr565>(target, x, y, *mask, colour);
    default:
      return BlendInk<PixelKind565>(target, x, y, *mask, colour);
  }
}

// The face and its opened sizes stay: they depend on the machine only, and finding them again
// would ask fontconfig for every font on it.
void ResetTextCache() { kept.clear(); }
