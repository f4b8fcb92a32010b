// The text renderer behind TextRenderer.h: SDL2_ttf with a face fontconfig picks for Korean.
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <string>

#include "gfx/PixelFormat.h"
#include "gfx/TextRenderer.h"

namespace {

// The file of the best sans face covering Korean, or of any face when none covers it.
std::string FindFace() {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) return {};
  std::string path;
  bool korean = false;
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
  FcConfigDestroy(config);
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

}  // namespace

std::string_view DefaultFacePath() { return FacePath(); }

void DrawTextUtf8(const TSurfaceDC& target, int x, int y, std::string_view utf8, int points, TColor colour) {
  if (utf8.empty() || target.Pixels == nullptr) return;
  TTF_Font* font = FontOfSize(points);
  if (font == nullptr) return;
  const std::string text(utf8);
  SDL_Surface* glyphs = TTF_RenderUTF8_Blended(font, text.c_str(), SDL_Color{255, 255, 255, 255});
  if (glyphs == nullptr) return;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(glyphs, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(glyphs);
  if (argb == nullptr) return;
  const uint8_t fr = static_cast<uint8_t>(GetRValue(colour));
  const uint8_t fg = static_cast<uint8_t>(GetGValue(colour));
  const uint8_t fb = static_cast<uint8_t>(GetBValue(colour));
  const uint16_t solid = PackColour(target.PixelKind, colour);
  const int x0 = std::max(0, -x), x1 = std::min(argb->w, target.Width - x);
  const int y0 = std::max(0, -y), y1 = std::min(argb->h, target.Height - y);
  for (int row = y0; row < y1; ++row) {
    const auto* src = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + row * argb->pitch);
    auto* dst = reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(target.Pixels) +
                                            static_cast<ptrdiff_t>(y + row) * target.Pitch) + x;
    for (int col = x0; col < x1; ++col) {
      const uint32_t alpha = src[col] >> 24;
      if (alpha == 0) continue;
      if (alpha == 255) {
        dst[col] = solid;
        continue;
      }
      uint8_t r, g, b;
      UnpackRgb(target.PixelKind, dst[col], r, g, b);
      dst[col] = PackRgb(target.PixelKind, Mix(fr, r, alpha), Mix(fg, g, alpha), Mix(fb, b, alpha));
    }
  }
  SDL_FreeSurface(argb);
}
