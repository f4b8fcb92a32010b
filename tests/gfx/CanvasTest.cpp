// The surface canvas: borrowing and giving back the device context, text and rectangles in the
// surface's pixels, and CP949 speech bytes.
#include <stdexcept>

#include "gfx/Cp949.h"
#include "gfx/DDCanvas.h"
#include "gfx/TextRenderer.h"
#include "tests/gfx/GfxFixture.h"

namespace {

class CanvasTest : public ::testing::Test {
 protected:
  TDDSurface surface{200, 60, PixelKind565};
  TDDCanvas canvas{&surface};
  static int Lit(const TDDSurface& s) {
    int n = 0;
    for (int i = 0; i < s.Width() * s.Height(); ++i) n += s.Pixels()[i] != 0;
    return n;
  }
};

TEST_F(CanvasTest, ANilSurfaceIsRefused) {
  try {
    TDDCanvas bad(nullptr);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Cannot create canvas for NIL surface");
  }
}

TEST_F(CanvasTest, ReleaseWithoutDrawingDoesNothing) {
  canvas.Release();
  canvas.Release();
  EXPECT_FALSE(surface.HasDC());
}

TEST_F(CanvasTest, TwoDrawingsBorrowOnceAndOneReleaseGivesBack) {
  canvas.TextOut(0, 0, "A");
  canvas.Rectangle(0, 0, 5, 5);
  EXPECT_TRUE(canvas.HoldsDC());
  DDSURFACEDESC desc;
  EXPECT_EQ(surface.Lock(&desc), DDERR_SURFACEBUSY);
  canvas.Release();
  EXPECT_FALSE(surface.HasDC());
  canvas.TextOut(0, 0, "B");  // borrows afresh
  EXPECT_TRUE(surface.HasDC());
}

TEST_F(CanvasTest, DestroyingACanvasThatHoldsTheContextGivesItBack) {
  {
    TDDCanvas other(&surface);
    other.Rectangle(1, 1, 3, 3);
    EXPECT_TRUE(surface.HasDC());
  }
  EXPECT_FALSE(surface.HasDC());
}

TEST_F(CanvasTest, WithoutAContextDrawingIsRefused) {
  surface.LoseSurface();
  try {
    canvas.TextOut(0, 0, "x");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Canvas does not allow drawing");
  }
  EXPECT_FALSE(canvas.HoldsDC());
}

TEST_F(CanvasTest, TheClearBrushDrawsOnlyTheOutlineInThePenColour) {
  std::fill_n(surface.WritePixels(0, surface.Height()), 200 * 60, uint16_t{0x0001});
  canvas.Pen.Color = RGB(0, 255, 100);
  canvas.Brush.Style = TBrushStyle::Clear;
  canvas.Rectangle(10, 10, 20, 15);
  canvas.Release();
  const uint16_t pen = (0 << 11) | (63 << 5) | (100 >> 3);
  EXPECT_EQ(surface.Pixels()[10 * 200 + 10], pen);
  EXPECT_EQ(surface.Pixels()[14 * 200 + 19], pen);
  EXPECT_EQ(surface.Pixels()[12 * 200 + 15], 0x0001);
  EXPECT_EQ(surface.Pixels()[15 * 200 + 20], 0x0001);
}

TEST_F(CanvasTest, ASolidBrushFillsAndAReversedOrClippedRectangleIsSafe) {
  canvas.Brush.Style = TBrushStyle::Solid;
  canvas.Brush.Color = RGB(255, 0, 0);
  canvas.Rectangle(20, 20, 10, 10);
  canvas.Rectangle(-50, -50, 500, 500);
  canvas.Release();
  EXPECT_EQ(surface.Pixels()[15 * 200 + 15], 0xF800);
}

TEST_F(CanvasTest, TextIsTheSamePixelsEveryTimeAndClippedToTheSurface) {
  if (DefaultFacePath().empty()) GTEST_SKIP() << "no font on this machine";
  canvas.TextOut(2, 2, "FPS : 60.00");
  canvas.TextOut(190, 50, "clipped at the corner");
  canvas.Release();
  const std::vector<uint16_t> first(surface.Pixels(), surface.Pixels() + 200 * 60);
  EXPECT_GT(Lit(surface), 20);
  std::fill_n(surface.WritePixels(0, surface.Height()), 200 * 60, uint16_t{0});
  canvas.TextOut(2, 2, "FPS : 60.00");
  canvas.TextOut(190, 50, "clipped at the corner");
  canvas.Release();
  EXPECT_EQ(std::vector<uint16_t>(surface.Pixels(), surface.Pixels() + 200 * 60), first);
}

// A speech line is drawn twice a frame, as its shadow and in its colour: each copy must come
// out in its own colour over the same shape.
TEST_F(CanvasTest, TheSameLineInTwoColoursKeepsEachColourAndOneShape) {
  if (DefaultFacePath().empty()) GTEST_SKIP() << "no font on this machine";
  canvas.Font.Color = RGB(255, 0, 0);
  canvas.TextOut(0, 0, "Walk 3");
  canvas.Font.Color = RGB(0, 0, 255);
  canvas.TextOut(0, 30, "Walk 3");
  canvas.Release();
  int shared = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 200; ++x) {
      const uint16_t red = surface.Pixels()[y * 200 + x], blue = surface.Pixels()[(y + 30) * 200 + x];
      EXPECT_EQ(red & 0x07FF, 0) << x << "," << y;   // nothing but red in the red copy
      EXPECT_EQ(blue & 0xFFE0, 0) << x << "," << y;  // nothing but blue in the blue copy
      EXPECT_EQ(red >> 11, blue & 31) << x << "," << y;
      shared += red != 0;
    }
  }
  EXPECT_GT(shared, 20);
}

// Lines are kept by their bytes and glyphs by their index: a CP949 line drawn from what was
// kept, or from glyphs first met in other lines, is the line rendered afresh from UTF-8.
TEST_F(CanvasTest, KeptLinesAndGlyphsDrawTheLineAsRenderedAfresh) {
  if (DefaultFacePath().empty()) GTEST_SKIP() << "no font on this machine";
  const auto draw = [](std::string_view text, bool cp949) {
    TDDSurface s(200, 30, PixelKind565);
    TSurfaceDC* dc = nullptr;
    s.GetDC(&dc);
    (cp949 ? DrawTextCp949 : DrawTextUtf8)(*dc, 3, 2, text, 12, RGB(255, 200, 40));
    s.ReleaseDC(dc);
    return std::vector<uint16_t>(s.Pixels(), s.Pixels() + 200 * 30);
  };
  ResetTextCache();
  const auto fresh = draw("\xED\x95\x9C\xEA\xB8\x80 FPS : 61.25", false);  // 한글 ... in UTF-8
  const auto cp949 = draw("\xC7\xD1\xB1\xDB FPS : 61.25\xC7", true);       // cut off at the end
  EXPECT_EQ(cp949, fresh);
  EXPECT_EQ(draw("\xC7\xD1\xB1\xDB FPS : 61.25\xC7", true), fresh);
  ResetTextCache();
  draw("FPS : 16.52 \xB1\xDB\xC7\xD1", true);  // every glyph met first in another line
  EXPECT_EQ(draw("\xC7\xD1\xB1\xDB FPS : 61.25", true), fresh);
}

TEST_F(CanvasTest, HangulSpeechIsDrawn) {
  if (DefaultFacePath().empty()) GTEST_SKIP() << "no font on this machine";
  canvas.Font.Color = RGB(255, 255, 0);
  canvas.TextOut(0, 0, "\xC7\xD1\xB1\xDB");  // "한글" in CP949
  canvas.Release();
  EXPECT_GT(Lit(surface), 30);
}

TEST(Cp949Test, ConvertsWansungAndCp949OnlySyllables) {
  EXPECT_EQ(Cp949ToUtf8("\xC7\xD1\xB1\xDB"), "\xED\x95\x9C\xEA\xB8\x80");  // 한글
  EXPECT_EQ(Cp949ToUtf8("\x81\x41"), "\xEA\xB0\x82");                      // 갂, outside EUC-KR
  EXPECT_EQ(Cp949ToUtf8("Walk 3"), "Walk 3");
}

TEST(Cp949Test, ACharacterCutInHalfIsDropped) {
  EXPECT_EQ(Cp949ToUtf8("AB\xC7"), "AB");
  EXPECT_EQ(Cp949ToUtf8("\xC7\xD1\xB1"), "\xED\x95\x9C");
  EXPECT_EQ(Cp949ToUtf8(""), "");
}

}  // namespace
