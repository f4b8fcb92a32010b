// The two sheets: format, pictures where the game cuts them and nothing elsewhere, palette rules,
// figures standing on row 60, and edge variants that differ only along their edges.
#include <gtest/gtest.h>

#include "tools/mkassets/Assets.h"
#include "tools/mkassets/BmpWriter.h"
#include "tools/mkassets/CharacterSheet.h"
#include "tools/mkassets/SheetLayout.h"
#include "tools/mkassets/TerrainSheet.h"

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

bool InsideAny(const std::vector<TPictureRect>& rects, int x, int y) {
  for (const TPictureRect& r : rects)
    if (x >= r.Left && x < r.Left + r.Width && y >= r.Top && y < r.Top + r.Height) return true;
  return false;
}

int OpaqueIn(const TIndexedImage& sheet, const TPictureRect& r) {
  int n = 0;
  for (int y = r.Top; y < r.Top + r.Height; ++y)
    for (int x = r.Left; x < r.Left + r.Width; ++x) n += sheet.At(x, y) != 0;
  return n;
}

class Sheets : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    terrain_ = new TIndexedImage(PaintTerrainSheet());
    characters_ = new TIndexedImage(PaintCharacterSheet());
    assets_ = new TGeneratedAssets(MakeAssets());
  }
  static void TearDownTestSuite() {
    delete terrain_;
    delete characters_;
    delete assets_;
  }
  static inline TIndexedImage* terrain_ = nullptr;
  static inline TIndexedImage* characters_ = nullptr;
  static inline TGeneratedAssets* assets_ = nullptr;
};

TEST_F(Sheets, BitmapFilesHaveTheHeadersTheLoaderExpects) {
  for (const auto* file : {&assets_->Lumo1, &assets_->Lumo2}) {
    ASSERT_EQ(file->size(), 14u + 308264u);
    EXPECT_EQ((*file)[0], 'B');
    EXPECT_EQ((*file)[1], 'M');
    EXPECT_EQ(Le32(*file, 2), 308278u);
    EXPECT_EQ(Le32(*file, 10), 1078u);
    EXPECT_EQ(Le32(*file, 14), 40u);
    EXPECT_EQ(Le32(*file, 18), 640u);
    EXPECT_EQ(Le32(*file, 22), 480u);
    EXPECT_EQ((*file)[26] | (*file)[27] << 8, 1);
    EXPECT_EQ((*file)[28] | (*file)[29] << 8, 8);
    EXPECT_EQ(Le32(*file, 30), 0u);
    EXPECT_EQ(Le32(*file, 34), 307200u);
    EXPECT_EQ(Le32(*file, 46), 0u);  // all 256 colours
  }
}

TEST_F(Sheets, PixelsAreStoredBottomRowFirst) {
  const auto dib = EncodeDib(*terrain_, BuildPalette());
  const size_t pixels = 40 + 1024;
  for (int x = 0; x < 640; ++x) {
    EXPECT_EQ(dib[pixels + size_t(x)], terrain_->At(x, 479));
    EXPECT_EQ(dib[pixels + 479 * 640 + size_t(x)], terrain_->At(x, 0));
  }
}

TEST_F(Sheets, EveryTerrainPictureHasPixelsAndNothingLiesOutsideThem) {
  const auto rects = TerrainSheetPictures();
  for (const TPictureRect& r : rects) EXPECT_GT(OpaqueIn(*terrain_, r), 0) << r.Left << "," << r.Top;
  for (int y = 0; y < SheetHeight; ++y)
    for (int x = 0; x < SheetWidth; ++x)
      if (terrain_->At(x, y)) {
        ASSERT_TRUE(InsideAny(rects, x, y)) << x << "," << y;
      }
}

TEST_F(Sheets, EveryCharacterFrameHasPixelsAndNothingLiesOutsideThem) {
  const auto rects = CharacterSheetPictures();
  for (const TPictureRect& r : rects) EXPECT_GT(OpaqueIn(*characters_, r), 200) << r.Left << "," << r.Top;
  for (int y = 0; y < SheetHeight; ++y)
    for (int x = 0; x < SheetWidth; ++x)
      if (characters_->At(x, y)) {
        ASSERT_TRUE(InsideAny(rects, x, y)) << x << "," << y;
      }
}

TEST_F(Sheets, FiguresStandWithTheirFeetNearRowSixty) {
  for (int kind = 1; kind <= 4; ++kind)
    for (int entry = 0; entry < 12; ++entry) {
      const TPictureRect r = CharacterFrameRect(kind, entry);
      int lowest = -1;
      for (int y = 0; y < r.Height; ++y)
        if (OpaqueIn(*characters_, {r.Left, r.Top + y, r.Width, 1})) lowest = y;
      EXPECT_GE(lowest, 58) << kind << "/" << entry;
      EXPECT_LE(lowest, 61) << kind << "/" << entry;
    }
}

TEST_F(Sheets, FacingsAndStepsAreDistinctPictures) {
  auto picture = [](int kind, int entry) {
    const TPictureRect r = CharacterFrameRect(kind, entry);
    std::vector<uint8_t> px;
    for (int y = r.Top; y < r.Top + r.Height; ++y)
      for (int x = r.Left; x < r.Left + r.Width; ++x) px.push_back(characters_->At(x, y));
    return px;
  };
  for (int kind = 1; kind <= 4; ++kind)
    for (int a = 0; a < 12; ++a)
      for (int b = a + 1; b < 12; ++b) EXPECT_NE(picture(kind, a), picture(kind, b)) << kind << ": " << a << " " << b;
  for (int a = 1; a <= 4; ++a)
    for (int b = a + 1; b <= 4; ++b) EXPECT_NE(picture(a, 4), picture(b, 4));
}

TEST_F(Sheets, PaletteKeepsBlackForTransparencyAndEveryUsedColourVisible) {
  const Palette p = BuildPalette();
  EXPECT_EQ(p[0].R + p[0].G + p[0].B, 0);
  for (const TIndexedImage* sheet : {terrain_, characters_})
    for (uint8_t i : sheet->Pixels)
      if (i != 0) {
        ASSERT_GE(std::max({p[i].R, p[i].G, p[i].B}), 8) << int(i);
      }
  // The colour table in the files is the same palette, entry 0 black.
  for (const auto* file : {&assets_->Lumo1, &assets_->Lumo2}) {
    EXPECT_EQ(Le32(*file, 54), 0u);
    for (int i = 1; i < 256; ++i) {
      const size_t at = 54 + size_t(i) * 4;
      EXPECT_EQ((*file)[at + 2], p[size_t(i)].R);
    }
  }
}

TEST_F(Sheets, EdgeVariantsDifferFromThePlainBlockOnlyAlongTheirUpperEdges) {
  for (int kind = 0; kind < 6; ++kind) {
    const TPictureRect plain = TerrainBlockRect(kind, 0);
    for (int v = 1; v < 4; ++v) {
      const TPictureRect r = TerrainBlockRect(kind, v);
      int changed = 0;
      for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 60; ++x) {
          if (terrain_->At(r.Left + x, r.Top + y) == terrain_->At(plain.Left + x, plain.Top + y)) continue;
          ++changed;
          EXPECT_LE(y, 15) << "kind " << kind << " variant " << v << " at " << x << "," << y;
          if (!(v & 1)) {
            EXPECT_GE(x, 29) << "kind " << kind << " variant " << v;
          }
          if (!(v & 2)) {
            EXPECT_LE(x, 30) << "kind " << kind << " variant " << v;
          }
        }
      EXPECT_GT(changed, 20) << "kind " << kind << " variant " << v;
    }
  }
}

TEST_F(Sheets, GroundBlocksFillTheirDiamondAndReachTheBottomRow) {
  for (int kind = 0; kind < 6; ++kind) {
    const TPictureRect r = TerrainBlockRect(kind, 0);
    EXPECT_TRUE(terrain_->At(r.Left + 29, r.Top + 1)) << kind;  // top vertex
    EXPECT_FALSE(terrain_->At(r.Left + 29, r.Top)) << kind;
    EXPECT_TRUE(terrain_->At(r.Left, r.Top + 15)) << kind;       // left corner
    EXPECT_TRUE(terrain_->At(r.Left + 59, r.Top + 15)) << kind;  // right corner
    EXPECT_TRUE(terrain_->At(r.Left + 29, r.Top + 44)) << kind;  // foot of the side faces
    // The left face is lit, the right one shaded: compare their brightness.
    const Palette p = BuildPalette();
    auto lum = [&](int x, int y) {
      const TRgb c = p[terrain_->At(r.Left + x, r.Top + y)];
      return c.R + c.G + c.B;
    };
    int left = 0, right = 0;
    for (int y = 32; y < 42; ++y) left += lum(15, y), right += lum(44, y);
    EXPECT_GT(left, right) << kind;
  }
}

}  // namespace
