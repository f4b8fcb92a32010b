// The frame list drawn against the last frame: a band is drawn again exactly when something its
// pixels depend on changed.
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gfx/FrameList.h"
#include "tests/gfx/GfxFixture.h"
#include "tests/support/SurfacePixels.h"

namespace {

// One entry of each kind, each alone in its band.
struct TKinds {
  TSheetPicture Sheet;
  TSpritePicture Sprite;
  TTextLine Text;
  TBox Box;
};
constexpr int SheetBand = 1, SpriteBand = 3, TextBand = 5, BoxBand = 7;

class FrameListTest : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    MakeOverlayDisplay();
    for (int i = 1; i <= 2; ++i) Fill(Sheet(i), {0, 0, 40, 20}, static_cast<uint16_t>(0x1234 * i));
  }

  TKinds Base() {
    return {TSheetPicture::Of(TSheetPicture::Keyed, 10, 18, 1, {0, 0, 20, 10}, true),
            TSpritePicture{TSpritePicture::Blend, bmAlpha, 10, 50, {0, 0, 20, 10}, 64, {&Sheet(2)}},
            TTextLine{10, 81, 9, RGB(200, 10, 10), "Ab"}, TBox{{10, 114, 30, 124}, RGB(1, 2, 3), RGB(4, 5, 6), true}};
  }

  // Draws the kinds as a frame against the last one; answers the bands drawn.
  std::set<int> DrawBands(const TKinds& k) {
    TFrameList frame;
    std::set<int> drawn;
    frame.SetGround({7}, [&](TDDSurface& back) {
      for (int row = back.RowsFrom(); row < back.RowsTo(); ++row) drawn.insert(row / TDDSurface::RowBand);
    });
    frame.Add(k.Sheet);
    frame.Add(k.Sprite);
    frame.Add(k.Text);
    frame.Add(k.Box);
    renderer.Draw(frame, Back(), true);
    return drawn;
  }

  TFrameRenderer renderer;
};

TEST_F(FrameListTest, EachInputOfEachKindRedrawsItsBandAndNothingElse) {
  const TPictureCut cut({{2, 8}});
  TDDSurface other(40, 20, PixelKind565);
  const std::vector<std::tuple<std::string, std::function<void(TKinds&)>, std::set<int>>> changes = {
      {"sheet way", [](TKinds& k) { k.Sheet.Way = TSheetPicture::HalfBright; }, {SheetBand}},
      {"sheet place", [](TKinds& k) { k.Sheet.X += 1; }, {SheetBand}},
      {"sheet row", [](TKinds& k) { k.Sheet.Y += 1; }, {SheetBand}},
      {"sheet picture", [](TKinds& k) { k.Sheet.R.Left += 1; }, {SheetBand}},
      {"sheet", [](TKinds& k) { k.Sheet.Sheet = 2; }, {SheetBand}},
      {"sheet anchor", [](TKinds& k) { k.Sheet.AtCorner = false, k.Sheet.Y += 10; }, {SheetBand}},
      {"sheet cut",
       [&](TKinds& k) { k.Sheet = TSheetPicture::Of(k.Sheet.Way, 10, 18, 1, k.Sheet.R, true, cut); },
       {SheetBand}},
      {"sheet level", [](TKinds& k) { k.Sheet.Way = TSheetPicture::Stippled, k.Sheet.Level = 5; }, {SheetBand}},
      {"sprite way", [](TKinds& k) { k.Sprite.Way = TSpritePicture::Brighten; }, {SpriteBand}},
      {"sprite mode", [](TKinds& k) { k.Sprite.Mode = bmAdd; }, {SpriteBand}},
      {"sprite place", [](TKinds& k) { k.Sprite.X -= 1; }, {SpriteBand}},
      {"sprite picture", [](TKinds& k) { k.Sprite.R.Right -= 1; }, {SpriteBand}},
      {"sprite level", [](TKinds& k) { k.Sprite.Level = 65; }, {SpriteBand}},
      {"sprite source", [&](TKinds& k) { k.Sprite.From = {&other}; }, {SpriteBand}},
      {"text place", [](TKinds& k) { k.Text.X += 1; }, {TextBand}},
      {"text size", [](TKinds& k) { k.Text.Points = 8; }, {TextBand}},
      {"text colour", [](TKinds& k) { k.Text.Colour = RGB(200, 10, 11); }, {TextBand}},
      {"text", [](TKinds& k) { k.Text.Text = "Ac"; }, {TextBand}},
      {"box", [](TKinds& k) { k.Box.R.Right += 1; }, {BoxBand}},
      {"pen", [](TKinds& k) { k.Box.Pen = RGB(1, 2, 4); }, {BoxBand}},
      {"brush", [](TKinds& k) { k.Box.Brush = RGB(4, 5, 7); }, {BoxBand}},
      {"fill", [](TKinds& k) { k.Box.Filled = false; }, {BoxBand}},
      {"the sheet's pixels", [&](TKinds&) { Set(Sheet(1), 3, 3, 1); }, {SheetBand}},
      {"the sprite's pixels", [&](TKinds&) { Set(Sheet(2), 3, 3, 1); }, {SpriteBand}},
      {"the clip", [](TKinds&) { ClipMaxX = 600; }, {SheetBand, SpriteBand, TextBand, BoxBand}},
      {"the pixel layout",
       [&](TKinds&) { display->FPixelKind = PixelKind555; },
       {SheetBand, SpriteBand, TextBand, BoxBand}},
      {"another write to the band", [&](TKinds&) { Back().MarkRowsChanged(100, 101); }, {6}},
  };
  ASSERT_EQ(DrawBands(Base()).size(), static_cast<size_t>(Back().RowBands())) << "the first frame is drawn whole";
  for (const auto& [name, change, bands] : changes) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(DrawBands(Base()).empty()) << "an unchanged frame draws nothing";
    TKinds changed = Base();
    change(changed);
    EXPECT_EQ(DrawBands(changed), bands);
    ClipMaxX = ScreenWidth;
    display->FPixelKind = PixelKind565;
    DrawBands(Base());
  }
  TFrameList moved;
  moved.SetGround({8}, [](TDDSurface&) {});
  EXPECT_EQ(renderer.Draw(moved, Back(), true), Back().Height()) << "another ground draws every row";
}

// A person walking past a still picture, half over it, in front and behind, as another comes
// and goes, over a ground of its own pattern: each frame redraws only the columns where they
// moved, and the frame is the whole redraw's.
TEST_F(FrameListTest, MovingSpritesBesideAStillPictureRedrawTheirColumnsToTheWholeRedrawsFrame) {
  Fill(Sheet(1), {0, 0, 60, 40}, 0x4321);
  Fill(Sheet(2), {0, 0, 24, 40}, 0x7BEF);
  Set(Sheet(2), 5, 5, 0);  // a see-through pixel
  const auto list = [&](int step, TFrameList& frame) {
    frame.SetGround({1}, [](TDDSurface& back) {
      uint16_t* pixels = back.WritePixels(back.RowsFrom(), back.RowsTo());
      for (int y = back.RowsFrom(); y < back.RowsTo(); ++y)
        for (int x = back.ColumnsFrom(); x < back.ColumnsTo(); ++x)
          pixels[y * (back.Pitch() / 2) + x] = static_cast<uint16_t>(x * 31 + y * 7);
    });
    const TSheetPicture still = TSheetPicture::Of(TSheetPicture::Keyed, 230, 70, 1, {0, 0, 60, 40}, false);
    const TSheetPicture stipple = TSheetPicture::Of(TSheetPicture::Stippled, 330, 60, 1, {0, 0, 60, 40}, false);
    const TSpritePicture walker{TSpritePicture::Blend, bmAlpha, 150 + 9 * step, 20 + 5 * (step % 5),
                                {0, 0, 24, 40},        64,      {&Sheet(2)}};
    const TSpritePicture visitor{TSpritePicture::Brighten, bmAlpha, 400,        10 + 4 * step,
                                 {0, 0, 24, 40},           20,      {&Sheet(2)}};
    if (step % 3 == 1) frame.Add(visitor);
    // Every fourth frame the walker steps behind the picture: the same entries in another order.
    if (step % 4 == 3) {
      frame.Add(walker);
      frame.Add(still);
    } else {
      frame.Add(still);
      frame.Add(walker);
    }
    frame.Add(stipple);
    if (step % 3 == 2) frame.Add(visitor);
  };
  std::unique_ptr<TDDSurface> whole = MakeBackBuffer(ScreenWidth, ScreenHeight, PixelKind565);
  TFrameRenderer wholeRenderer;
  int64_t drawn = 0;
  for (int step = 0; step < 24; ++step) {
    TFrameList changed, all;
    list(step, changed);
    renderer.Draw(changed, Back(), true);
    if (step > 0) drawn += renderer.DrawnPixels();
    std::swap(display->FBackBuffer, whole);
    list(step, all);
    wholeRenderer.Draw(all, Back(), false);
    std::swap(display->FBackBuffer, whole);
    ASSERT_EQ(VisiblePixels(Back()), VisiblePixels(*whole)) << "step " << step;
  }
  EXPECT_LT(drawn, int64_t{23} * Back().Width() * Back().Height() / 10) << "the walker's columns only";
}

}  // namespace
