// Lines of text from FreeType and HarfBuzz. The placement follows the usual rules of a blended
// text line: HarfBuzz shapes with hinted advances, each glyph is put at the floor of its pen
// position, and overlapping coverage is combined bit by bit, so a line comes out the same on
// every run and on every machine with the same face and libraries.
#include "gfx/FaceRaster.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace {

constexpr FT_UInt Dpi = 96;
constexpr int MaxSide = 0xFFFF;  // pixels of a line's box each way; a longer line is cut

// 26.6 fixed point to whole pixels.
int Floor26(FT_Pos v) { return static_cast<int>((v & -64) / 64); }
int Ceil26(FT_Pos v) { return Floor26(v + 63); }

// The Unicode map to read the text through: the full-range one if the face has it, else the
// first of the 16-bit Unicode or symbol maps.
void PickCharmap(FT_Face face) {
  auto matches = [&](auto test) -> FT_CharMap {
    for (int i = 0; i < face->num_charmaps; ++i) {
      if (test(face->charmaps[i]->platform_id, face->charmaps[i]->encoding_id)) return face->charmaps[i];
    }
    return nullptr;
  };
  FT_CharMap map = matches([](int platform, int encoding) { return platform == 3 && encoding == 10; });
  if (map == nullptr) {
    map = matches([](int platform, int encoding) {
      return (platform == 3 && (encoding == 1 || encoding == 0)) || (platform == 2 && encoding == 1) || platform == 0;
    });
  }
  if (map != nullptr) FT_Set_Charmap(face, map);  // on failure the face's own choice stays
}

// One coverage value of a rendered glyph, whatever depth FreeType produced (embedded bitmaps
// come in 1, 2 or 4 bits, colour glyphs as BGRA, outlines as 8-bit grey).
uint8_t CoverageAt(const FT_Bitmap& bitmap, unsigned row, unsigned col) {
  const uint8_t* line = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
  auto scaled = [](unsigned v, unsigned max) { return static_cast<uint8_t>(v == 0 ? 0 : 256 * v / max - 1); };
  switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_MONO: return scaled((line[col / 8] >> (7 - col % 8)) & 1, 1);
    case FT_PIXEL_MODE_GRAY2: return scaled((line[col / 4] >> (6 - 2 * (col % 4))) & 3, 3);
    case FT_PIXEL_MODE_GRAY4: return scaled((line[col / 2] >> (4 - 4 * (col % 2))) & 15, 15);
    case FT_PIXEL_MODE_BGRA: return line[col * 4 + 3];
    default: return line[col];
  }
}

// Where a glyph goes: its pen position in 26.6, and its ink box as FreeType predicts it before
// drawing (this box, not the drawn one, sizes the line).
struct TPlaced {
  FT_UInt Index;
  FT_Pos X, Y;
  int Left, Top, Width, Rows;
};

// The ink box FreeType predicts on loading; from the glyph's metrics where it predicts none.
void PredictInk(const FT_GlyphSlot slot, TPlaced& p) {
  p.Left = slot->bitmap_left;
  p.Top = slot->bitmap_top;
  p.Width = static_cast<int>(slot->bitmap.width);
  p.Rows = static_cast<int>(slot->bitmap.rows);
  if (p.Left == 0 && p.Top == 0 && p.Width == 0 && p.Rows == 0) {
    const FT_Glyph_Metrics& m = slot->metrics;
    p.Left = Floor26(m.horiBearingX);
    p.Top = Floor26(m.horiBearingY);
    p.Width = Ceil26(m.horiBearingX + m.width) - p.Left;
    p.Rows = Ceil26(m.height);
  }
}

struct TBox {
  int MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
};

}  // namespace

struct TFaceRaster::TLibrary {
  FT_Library Handle = nullptr;
  ~TLibrary() {
    if (Handle != nullptr) FT_Done_FreeType(Handle);
  }
};

namespace {

// One glyph at one size, as loaded to size a line and as drawn into it.
struct TGlyph {
  bool Sized = false;  // loaded; then the ink box FreeType predicts:
  int Left = 0, Top = 0, Width = 0, Rows = 0;
  bool Drawn = false;  // loaded in colour and rendered; then its coverage:
  int BitmapLeft = 0, BitmapTop = 0, BitmapWidth = 0, BitmapRows = 0;
  bool Colour = false;            // stored over the line, not combined
  std::vector<uint8_t> Coverage;  // BitmapRows rows of BitmapWidth
};

}  // namespace

// The face opened at one size, with its shaper and the line metrics in pixels.
struct TFaceRaster::TSized {
  FT_Face Face = nullptr;
  hb_font_t* Shaper = nullptr;
  int Ascent = 0;
  int Height = 0;  // ascent to descent
  // Loading and drawing glyphs is most of a new line's cost, and a glyph comes out the same
  // each time: they are kept by glyph index, forgotten all at once past a bound.
  std::unordered_map<FT_UInt, TGlyph> Glyphs;
  static constexpr size_t MaxGlyphs = 4096;
  const TGlyph& GlyphOf(FT_UInt index);
  ~TSized() {
    if (Shaper != nullptr) hb_font_destroy(Shaper);
    if (Face != nullptr) FT_Done_Face(Face);
  }
};

const TGlyph& TFaceRaster::TSized::GlyphOf(FT_UInt index) {
  if (auto it = Glyphs.find(index); it != Glyphs.end()) return it->second;
  if (Glyphs.size() >= MaxGlyphs) Glyphs.clear();
  TGlyph& g = Glyphs[index];
  if (FT_Load_Glyph(Face, index, FT_LOAD_DEFAULT) != 0) return g;
  TPlaced predicted{};
  PredictInk(Face->glyph, predicted);
  g.Sized = true;
  g.Left = predicted.Left;
  g.Top = predicted.Top;
  g.Width = predicted.Width;
  g.Rows = predicted.Rows;
  if (FT_Load_Glyph(Face, index, FT_LOAD_DEFAULT | FT_LOAD_COLOR) != 0) return g;
  const FT_GlyphSlot slot = Face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return g;
  const FT_Bitmap& bitmap = slot->bitmap;
  g.Drawn = true;
  g.BitmapLeft = slot->bitmap_left;
  g.BitmapTop = slot->bitmap_top;
  g.BitmapWidth = static_cast<int>(bitmap.width);
  g.BitmapRows = bitmap.width == 0 ? 0 : static_cast<int>(bitmap.rows);
  g.Colour = bitmap.pixel_mode == FT_PIXEL_MODE_BGRA;
  g.Coverage.resize(static_cast<size_t>(g.BitmapWidth) * g.BitmapRows);
  for (int row = 0; row < g.BitmapRows; ++row)
    for (int col = 0; col < g.BitmapWidth; ++col)
      g.Coverage[static_cast<size_t>(row) * g.BitmapWidth + col] = CoverageAt(bitmap, row, col);
  return g;
}

TFaceRaster::TFaceRaster(std::string path, std::unique_ptr<TLibrary> library)
    : FPath(std::move(path)), FLibrary(std::move(library)) {}

TFaceRaster::~TFaceRaster() = default;

std::unique_ptr<TFaceRaster> TFaceRaster::Create(std::string path, std::string& reason) {
  auto library = std::make_unique<TLibrary>();
  if (const FT_Error error = FT_Init_FreeType(&library->Handle); error != 0) {
    library->Handle = nullptr;
    reason = "FreeType does not start (error " + std::to_string(error) + ")";
    return nullptr;
  }
  return std::unique_ptr<TFaceRaster>(new TFaceRaster(std::move(path), std::move(library)));
}

TFaceRaster::TSized* TFaceRaster::SizeOf(int points, std::string& reason) {
  if (auto it = FSizes.find(points); it != FSizes.end()) return it->second.get();
  auto sized = std::make_unique<TSized>();
  FT_Error error = FT_New_Face(FLibrary->Handle, FPath.c_str(), 0, &sized->Face);
  if (error == 0) {
    FT_Face face = sized->Face;
    PickCharmap(face);
    // Advances measured as the glyphs are drawn: hinted, default loading.
    sized->Shaper = hb_ft_font_create(face, nullptr);
    hb_ft_font_set_load_flags(sized->Shaper, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL);
    if (FT_IS_SCALABLE(face)) {
      error = FT_Set_Char_Size(face, 0, FT_F26Dot6{points} * 64, Dpi, Dpi);
      const FT_Fixed scale = face->size->metrics.y_scale;
      sized->Ascent = Ceil26(FT_MulFix(face->ascender, scale));
      sized->Height = Ceil26(FT_MulFix(face->ascender - face->descender, scale));
    } else if (face->num_fixed_sizes > 0) {
      // A bitmap face: the size picks one of its strikes.
      error = FT_Select_Size(face, std::clamp(points, 0, face->num_fixed_sizes - 1));
      sized->Ascent = Ceil26(face->size->metrics.ascender);
      sized->Height = Ceil26(face->size->metrics.height);
    } else {
      error = FT_Err_Invalid_Pixel_Size;
    }
    hb_ft_font_changed(sized->Shaper);
  }
  if (error != 0) {
    reason = "FreeType error " + std::to_string(error);
    sized.reset();
  }
  return FSizes.emplace(points, std::move(sized)).first->second.get();
}

bool TFaceRaster::Render(std::string_view utf8, int points, TCoverage& line, std::string& reason) {
  TSized* sized = SizeOf(points, reason);
  if (sized == nullptr) return false;

  const std::string text(utf8);
  const std::unique_ptr<hb_buffer_t, decltype(&hb_buffer_destroy)> buffer(hb_buffer_create(), hb_buffer_destroy);
  hb_buffer_set_direction(buffer.get(), HB_DIRECTION_LTR);
  hb_buffer_set_script(buffer.get(), HB_SCRIPT_UNKNOWN);
  hb_buffer_add_utf8(buffer.get(), text.c_str(), -1, 0, -1);  // up to the first NUL
  hb_shape(sized->Shaper, buffer.get(), nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer.get(), &count);
  const hb_glyph_position_t* moves = hb_buffer_get_glyph_positions(buffer.get(), &count);

  // The box: the face's height from the pen's top, widened by every glyph's predicted ink.
  std::vector<TPlaced> placed;
  placed.reserve(count);
  TBox box{0, 0, 0, sized->Height};
  FT_Pos penX = 0, penY = 0;
  for (unsigned g = 0; g < count; ++g) {
    TPlaced p{infos[g].codepoint,
              penX + moves[g].x_offset,
              penY + FT_Pos{sized->Ascent} * 64 - moves[g].y_offset,
              0,
              0,
              0,
              0};
    penX += moves[g].x_advance;
    penY += moves[g].y_advance;
    const TGlyph& glyph = sized->GlyphOf(p.Index);
    if (!glyph.Sized) return false;
    p.Left = glyph.Left;
    p.Top = glyph.Top;
    p.Width = glyph.Width;
    p.Rows = glyph.Rows;
    const int x = Floor26(p.X) + p.Left, y = Floor26(p.Y) - p.Top;
    box.MinX = std::min(box.MinX, x);
    box.MaxX = std::max(box.MaxX, x + p.Width);
    box.MinY = std::min(box.MinY, y);
    box.MaxY = std::max(box.MaxY, y + p.Rows);
    placed.push_back(p);
  }
  box.MaxX = std::max(box.MaxX, Floor26(penX));  // a line of spaces still has its width
  if (box.MaxX == box.MinX) return false;
  line.Width = std::min(box.MaxX - box.MinX, MaxSide);
  line.Height = std::min(box.MaxY - box.MinY, MaxSide);
  line.Alpha.assign(static_cast<size_t>(line.Width) * line.Height, 0);

  // Each glyph drawn where its pen position falls, clipped to the box.
  for (const TPlaced& p : placed) {
    const TGlyph& glyph = sized->GlyphOf(p.Index);
    if (!glyph.Drawn) return false;
    const int x0 = -box.MinX + Floor26(p.X) + glyph.BitmapLeft;
    const int y0 = -box.MinY + Floor26(p.Y) - glyph.BitmapTop;
    for (int row = std::max(0, -y0); row < glyph.BitmapRows && y0 + row < line.Height; ++row) {
      uint8_t* out = line.Alpha.data() + static_cast<size_t>(y0 + row) * line.Width;
      const uint8_t* in = glyph.Coverage.data() + static_cast<size_t>(row) * glyph.BitmapWidth;
      for (int col = std::max(0, -x0); col < glyph.BitmapWidth && x0 + col < line.Width; ++col) {
        out[x0 + col] = glyph.Colour ? in[col] : static_cast<uint8_t>(out[x0 + col] | in[col]);
      }
    }
  }
  return true;
}
