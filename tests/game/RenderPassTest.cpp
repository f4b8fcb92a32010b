// The render pass: terrain stacks by height and light, persons on lit cells only, the second
// drawing of a stepping person, camera offsets while following, marks, and real pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/Settings.h"
#include "game/Random.h"
#include "game/World.h"
#include "gfx/Display.h"
#include "gfx/Drawing.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"
#include "tests/support/GameFixture.h"

namespace {

enum class Way { Plain, Dim, Dark };
struct TileDraw {
  int Code;
  TPoint At;
  Way How;
};
struct PersonDraw {
  int Id;
  TPoint At;
};

std::vector<TileDraw> tileDraws;
std::vector<PersonDraw> personDraws;

class RecordingTile : public TTile {
 public:
  RecordingTile(int code, const TRect& r) : TTile(1, r), FCode(code) {}
  void Draw(TFrameList&, const TPoint& p) override { tileDraws.push_back({FCode, p, Way::Plain}); }
  void DrawShaded(TFrameList&, const TPoint& p, bool dark) override {
    tileDraws.push_back({FCode, p, dark ? Way::Dark : Way::Dim});
  }
  int FCode;
};

class RecordingPerson : public TPerson {
 public:
  using TPerson::TPerson;
  void Draw(TFrameList&, const TPoint& p) override { personDraws.push_back({FId, p}); }
};

class RenderPassTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    StartOn(StandardMap());
  }
  // A game on `built` (any running game stopped first) whose tiles and persons record what
  // they are asked to draw.
  void StartOn(const TTestMap& built) {
    GameStop();
    StartGameOn(built);
    for (int c = 0; c < 24; ++c) World->FTiles[c] = std::make_unique<RecordingTile>(c, World->FTiles[c]->FSourceRect);
    for (int i = 1; i <= 4; ++i) {
      auto person = std::make_unique<RecordingPerson>(i, i, 12);
      const TPerson& old = P(i);
      person->FCellX = old.FCellX;
      person->FCellY = old.FCellY;
      person->FAddLevel = old.FAddLevel;
      person->FOpacity = old.FOpacity;
      person->FBrightness = old.FBrightness;
      World->FActors[i] = std::move(person);
    }
    tileDraws.clear();
    personDraws.clear();
  }
  void Draw() {
    tileDraws.clear();
    personDraws.clear();
    World->DrawWorld();
  }
  std::vector<TileDraw> DrawsOfKind(int kind) {
    std::vector<TileDraw> out;
    std::copy_if(tileDraws.begin(), tileDraws.end(), std::back_inserter(out),
                 [&](const TileDraw& d) { return d.Code / 4 == kind; });
    return out;
  }
  // The ground anchor of a cell's tile for the view of the last pass, without offsets.
  TPoint Ground(TPoint c) {
    const TPoint b = World->CellToScreen(c);
    return TPoint{b.X + 30, b.Y + 44};
  }
  void Light(TPoint c, int light, int explored = 1) {
    Map().SetCell(CellLight, c.X, c.Y, static_cast<uint8_t>(light));
    Map().SetCell(CellExplored, c.X, c.Y, static_cast<uint8_t>(explored));
  }
  // On flat ground: the ground anchor of every cell the fog leaves in sight and that has a
  // terrain picture, and the anchors the last pass drew at, both in one order.
  std::vector<std::pair<int, int>> GroundsInSight() {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < MapSize; ++y) {
      for (int x = 0; x < MapSize; ++x) {
        const TMapCell& c = Map().FCells[y][x];
        if ((c.Light != 0 || c.Explored != 0) && c.Kind <= 5) out.emplace_back(Ground({x, y}).X, Ground({x, y}).Y);
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  std::vector<std::pair<int, int>> DrawnGrounds() const {
    std::vector<std::pair<int, int>> out;
    for (const TileDraw& d : tileDraws) out.emplace_back(d.At.X, d.At.Y);
    std::sort(out.begin(), out.end());
    return out;
  }
};

TEST_F(RenderPassTest, ACellOfHeightThreeIsAStackOfFourPictures) {
  StartOn(StandardMap().Kind(52, 50, 1).Height(52, 50, 3));
  Draw();
  const auto draws = DrawsOfKind(1);
  ASSERT_EQ(draws.size(), 4u);
  const TPoint g = Ground({52, 50});
  for (int level = 0; level < 4; ++level) {
    EXPECT_EQ(draws[level].At, (TPoint{g.X, g.Y - 13 * level}));
    EXPECT_EQ(draws[level].How, Way::Plain);
  }
}

TEST_F(RenderPassTest, LightDecidesHowEachKindIsDrawn) {
  StartOn(
      StandardMap().Kind(50, 58, 2).Kind(42, 50, 4).Kind(43, 50, 5).Kind(44, 43, 4).Kind(56, 58, 0).Kind(45, 57, 1));
  Light({50, 58}, 1);     // dim ground
  Light({42, 50}, 1);     // dim water is drawn plainly, 13 pixels lower
  Light({43, 50}, 0);     // explored, unlit
  Light({44, 43}, 0);     // explored, unlit water
  Light({56, 58}, 0, 0);  // never seen
  Light({45, 57}, 2);
  Draw();
  ASSERT_EQ(DrawsOfKind(2).size(), 1u);
  EXPECT_EQ(DrawsOfKind(2)[0].How, Way::Dim);
  ASSERT_EQ(DrawsOfKind(4).size(), 2u);
  EXPECT_EQ(DrawsOfKind(4)[0].How, Way::Dark);
  EXPECT_EQ(DrawsOfKind(4)[1].How, Way::Plain);
  EXPECT_EQ(DrawsOfKind(4)[1].At, (TPoint{Ground({42, 50}).X, Ground({42, 50}).Y + 13}));
  ASSERT_EQ(DrawsOfKind(5).size(), 1u);
  EXPECT_EQ(DrawsOfKind(5)[0].How, Way::Dark);
  EXPECT_TRUE(DrawsOfKind(0).empty());
  ASSERT_EQ(DrawsOfKind(1).size(), 1u);
  EXPECT_EQ(DrawsOfKind(1)[0].How, Way::Plain);
}

TEST_F(RenderPassTest, ThePassRevealsAroundTheCurrentPersonAndDrawsEachCellInSightOnce) {
  Draw();
  EXPECT_EQ(Map().GetCell(CellLight, 50, 50), 2);
  EXPECT_EQ(World->FViewX, 60);
  EXPECT_EQ(World->FViewY, 34);
  // The lit disc and ring lie wholly on screen: each of their cells is drawn once, where it
  // stands, and nothing under the fog.
  ASSERT_GT(GroundsInSight().size(), 100u);
  EXPECT_EQ(DrawnGrounds(), GroundsInSight());
}

TEST_F(RenderPassTest, APersonOnAnExploredButUnlitCellIsNotDrawn) {
  Light({50, 60}, 0);  // person 3
  Draw();
  for (const PersonDraw& d : personDraws) EXPECT_NE(d.Id, 3);
  Light({50, 60}, 1);
  Draw();
  const auto it = std::find_if(personDraws.begin(), personDraws.end(), [](auto& d) { return d.Id == 3; });
  ASSERT_NE(it, personDraws.end());
  const TPoint g = Ground({50, 60});
  EXPECT_EQ(it->At, (TPoint{g.X, g.Y - 20}));
}

TEST_F(RenderPassTest, AFollowedPersonOneFrameIntoAnEastStepShiftsTheMapByTenAndFour) {
  World->SetCameraFree(false);
  Draw();
  const TPoint before = DrawsOfKind(3).front().At;
  const TPoint personBefore = personDraws.front().At;
  P(1).FDirection = 3;
  P(1).TryStep(1, 0);
  ASSERT_EQ(P(1).FStepCount, 1);
  Draw();
  const TPoint after = DrawsOfKind(3).front().At;
  EXPECT_EQ(after.X - before.X, -10);
  EXPECT_EQ(after.Y - before.Y, 4);
  // The person stays in place on the screen, drawn from both cells at one point.
  std::vector<TPoint> ones;
  for (const PersonDraw& d : personDraws)
    if (d.Id == 1) ones.push_back(d.At);
  EXPECT_EQ(ones, (std::vector<TPoint>{personBefore, personBefore}));
}

TEST_F(RenderPassTest, ABlendedPersonIsNotDrawnAgainFromItsTargetCell) {
  World->FCurrent = 3;
  P(3).FDirection = 3;
  P(3).TryStep(1, 0);
  ASSERT_TRUE(P(3).FMoving);
  Draw();
  EXPECT_EQ(std::count_if(personDraws.begin(), personDraws.end(), [](auto& d) { return d.Id == 3; }), 1);
}

TEST_F(RenderPassTest, EachSelectedPersonDrawnDrawsOneRandomMark) {
  World->FSelected = 1 << 1;
  Draw();
  RandSeed = 99;
  Draw();
  EXPECT_EQ(RandSeed, 99u * 134775813u + 1u);
  World->FSelected = 0;
  Draw();
  EXPECT_EQ(RandSeed, 99u * 134775813u + 1u);
}

TEST_F(RenderPassTest, StoredKindsAboveFiveDrawNoTerrainButTheirPersons) {
  StartOn(StandardMap().Kind(50, 50, 9).Kind(51, 50, 200));
  Draw();
  for (const TileDraw& d : tileDraws) EXPECT_LT(d.Code, 24);
  // Every other cell in sight still is drawn: the two without a picture end nothing early.
  EXPECT_EQ(DrawnGrounds(), GroundsInSight());
  ASSERT_EQ(Map().GetCell(CellLight, 51, 50), 2);
  const TPoint g = Ground({50, 50});
  ASSERT_EQ(personDraws.size(), 1u);  // only person 1 stands in the light
  EXPECT_EQ(personDraws[0].Id, 1);
  EXPECT_EQ(personDraws[0].At, (TPoint{g.X, g.Y - 20}));
}

// ---- Real pixels on a display ----

class RenderPixelsTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    display = std::make_unique<TDisplay>();
    display->FBackBuffer = MakeBackBuffer(640, 480, PixelKind565);
    for (int i = 1; i <= 2; ++i) {
      display->FSheets[i] = std::make_unique<TDDSurface>(640, 480, PixelKind565);
      display->FSheets[i]->SetColorKey(0, 0);
      uint16_t* px = display->FSheets[i]->WritePixels(0, 480);
      std::fill(px, px + 640 * 480, static_cast<uint16_t>(0xF800));
    }
    display->FBackCanvas = std::make_unique<TDDCanvas>(display->FBackBuffer.get());
    display->FPixelKind = PixelKind565;
    Display = display.get();
    SelectPixelFormat(PixelKind565);
    StartGameOn(StandardMap());
  }
  void TearDown() override {
    GameStop();
    Display = nullptr;
    display.reset();
    GameTest::TearDown();
  }
  uint16_t At(TPoint p) const {
    const TDDSurface& back = *display->FBackBuffer;
    return back.Pixels()[p.Y * (back.Pitch() / 2) + p.X];
  }
  std::unique_ptr<TDisplay> display;
};

TEST_F(RenderPixelsTest, LitGroundIsDrawnAndUnseenGroundStaysBlack) {
  display->FBackBuffer->BltFill(nullptr, 0x1234);
  World->DrawWorld();
  const TPoint lit = World->CellToScreen({47, 53});
  const TPoint unseen = World->CellToScreen({58, 42});  // above every lit picture
  EXPECT_EQ(At({lit.X + 30, lit.Y + 14}), 0xF800);
  EXPECT_EQ(At({unseen.X + 30, unseen.Y + 14}), 0);
}

TEST_F(RenderPixelsTest, DimGroundIsDarkerThanLitGround) {
  World->DrawWorld();
  Map().ClearLight();
  Map().SetCell(CellLight, 47, 53, 0);  // explored, unlit: half bright
  World->SetCameraFree(true);
  World->FCurrent = 4;  // person 4 stands off screen: nothing else is lit
  World->DrawWorld();
  const TPoint dark = World->CellToScreen({47, 53});
  const uint16_t px = At({dark.X + 30, dark.Y + 14});
  EXPECT_NE(px, 0);
  EXPECT_LT(px >> 11, 0xF800 >> 11);
}

TEST_F(RenderPixelsTest, AFrameWithSpeechAndASelectionRunsOnADisplay) {
  World->FSelected = 0x1E;
  World->Person(1)->Say("\xb4\xde\xb5\xb5", RGB(1, 2, 3));
  HeadlessSetCursor({300, 200});
  HeadlessKeyDown(VK_LBUTTON);
  RunFrames(2);
  HeadlessSetCursor({100, 100});
  RunFrames(1);
  EXPECT_FALSE(display->FBackCanvas->HoldsDC());
  EXPECT_TRUE(World->FDragging);
}

// The world is kept on a canvas larger than the screen and the screen copied from it: a view
// moved only by its pixel offset redraws none of it, and a view whose camera steps a cell moves
// the canvas with its cells. Persons cut by the screen's edges (their shadows, see-through
// ones, a faded and a brightened one, all clipped to the screen) must still come out as a whole
// redraw draws them, the canvas kept from one frame to the next.
class CanvasPixelsTest : public RenderPixelsTest {
 protected:
  void SetUp() override {
    RenderPixelsTest::SetUp();
    for (int i = 1; i <= 2; ++i) {
      // Pictures whose every pixel differs from its neighbours, so a pixel out of place shows,
      // with holes that show what lies under them.
      uint16_t* px = display->FSheets[i]->WritePixels(0, 480);
      for (int n = 0; n < 640 * 480; ++n)
        px[n] = n % 3 == 0
                    ? 0
                    : static_cast<uint16_t>((static_cast<unsigned>(n) * 7919u + static_cast<unsigned>(i)) | 0x21u);
    }
    // Ground of every kind and a few heights, so that no step of the view gives its picture again.
    for (int y = 20; y < 90; ++y) {
      for (int x = 20; x < 90; ++x) {
        Map().SetCell(CellKind, x, y, static_cast<uint8_t>((x * 5 + y * 3 + x * y) % 6));
        Map().SetCell(CellHeight, x, y, static_cast<uint8_t>((x + 2 * y) % 3));
      }
    }
    P(2).FOpacity = 50;
    P(3).FBrightness = 20;
    World->SetCameraFree(true);
    World->FCurrent = 4;
    Map().Reveal(55, 55, 24);
  }
  std::vector<uint16_t> Frame(bool changedOnly) {
    const TDDSurface& back = *display->FBackBuffer;
    World->FView.FRedrawChanged = changedOnly;
    World->DrawWorld();
    std::vector<uint16_t> rows;
    for (int y = 0; y < back.Height(); ++y) {
      const uint16_t* row = back.Pixels() + static_cast<size_t>(y) * (back.Pitch() / 2);
      rows.insert(rows.end(), row, row + back.Width());
    }
    return rows;
  }
  // The frame drawn on the kept canvas is the frame of a whole redraw; answers whether the
  // world went onto the canvas.
  bool ExpectWholeRedraw(TPoint off) {
    World->FScrollX = off.X;
    World->FScrollY = off.Y;
    const std::vector<uint16_t> kept = Frame(true);
    const bool onCanvas = World->FView.FOnCanvas;
    EXPECT_TRUE(kept == Frame(false)) << "camera " << World->FCameraX << "," << World->FCameraY << " offset " << off.X
                                      << "," << off.Y;
    return onCanvas;
  }
};

// The camera steps cell by cell in each of the eight directions, as it does following a walker,
// and jumps a few cells; at each cell it goes back and forth over the pixel offsets the free
// camera takes. The canvas's pixels and keys move with the cells, and what a step uncovers, the
// places that left the view and the light that moved are drawn anew.
TEST_F(CanvasPixelsTest, AViewMovedByItsPixelOffsetOrItsCellGivesTheFrameOfAWholeRedraw) {
  World->FCameraX = 50;
  World->FCameraY = 50;
  const TPoint steps[] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {3, 2}, {-2, -3}};
  int onCanvas = 0;
  for (const TPoint step : steps) {
    for (int k = 0; k < 3; ++k) {
      World->FCameraX += step.X;
      World->FCameraY += step.Y;
      // The light moves with a lit cell walking beside the view's edge.
      Map().ClearLight();
      Map().Reveal(World->FCameraX + 9, World->FCameraY - 6, 3);
      for (int i = 0; i < 10; ++i) onCanvas += ExpectWholeRedraw({i * 37 % 60 - 30, i * 11 % 28 - 14});
      if (HasFailure()) return;
    }
  }
  EXPECT_EQ(onCanvas, 10 * 3 * 10);
}

}  // namespace
