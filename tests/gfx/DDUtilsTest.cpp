// Loading sheets and palettes: the search order, the conversion to 16-bit pixels, stretching,
// refused files, the palette rules and clearing.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <list>
#include <stdexcept>

#include "core/Log.h"
#include "tests/gfx/GfxFixture.h"

namespace {

class LoaderTest : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    old = std::filesystem::current_path();
    dir = std::filesystem::temp_directory_path() / ("corvina-gfx-" + std::to_string(getpid()) + "-" +
                                                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
  }
  void TearDown() override {
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
    GfxTest::TearDown();
  }
  static void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  // Resources must outlive the table: kept here.
  void AddResource(const std::string& name, std::vector<uint8_t> bytes) {
    kept.push_back(std::move(bytes));
    table.push_back({name, RT_BITMAP, kept.back()});
    SetResourceTableForTesting(table);
  }
  // A 2 x 1 picture of one colour at index 1 (index 0 at the left).
  static TTestBitmap TwoPixels(uint32_t colour) {
    TTestBitmap s;
    s.Width = 2;
    s.Height = 1;
    s.Colours = {0x000000, colour};
    s.Pixels = {0, 1};
    return s;
  }
  std::filesystem::path old, dir;
  std::list<std::vector<uint8_t>> kept;
  std::vector<TResource> table;
  std::unique_ptr<TDDSurface> surface;
};

TEST_F(LoaderTest, AResourceWinsOverAFileOfTheSameName) {
  AddResource("LUMO1", MakeBmp(TwoPixels(0xFF0000), false));
  WriteFile("Lumo1.BMP", MakeBmp(TwoPixels(0x0000FF), true));
  LoadBitmapSurface("Lumo1", 0, 0, true, PixelKind565, surface);
  ASSERT_TRUE(surface);
  EXPECT_EQ(At(*surface, 0, 0), 0);
  EXPECT_EQ(At(*surface, 1, 0), 0xF800);
}

TEST_F(LoaderTest, TheDatFileServesTheFirstLoadButNotAReload) {
  WriteFile("lumo2.dat", MakeBmp(TwoPixels(0x00FF00), true));
  LoadBitmapSurface("Lumo2", 0, 0, true, PixelKind555, surface);
  ASSERT_TRUE(surface);
  EXPECT_EQ(At(*surface, 1, 0), 0x03E0);
  Set(*surface, 1, 0, 0x1234);
  ReloadBitmapSurface(surface.get(), "Lumo2");
  EXPECT_EQ(At(*surface, 1, 0), 0x1234);
  WriteFile("LUMO2.bmp", MakeBmp(TwoPixels(0x0000FF), true));
  ReloadBitmapSurface(surface.get(), "Lumo2");
  EXPECT_EQ(At(*surface, 1, 0), 0x001F);
}

TEST_F(LoaderTest, NothingFoundLeavesTheSurfaceUntouched) {
  surface = std::make_unique<TDDSurface>(3, 3, PixelKind565);
  TDDSurface* before = surface.get();
  LoadBitmapSurface("Nothing", 0, 0, true, PixelKind565, surface);
  EXPECT_EQ(surface.get(), before);
}

TEST_F(LoaderTest, AnEmptyNameMakesABlankSurfaceOfTheAskedSize) {
  LoadBitmapSurface("", 100, 50, true, PixelKind565, surface);
  ASSERT_TRUE(surface);
  EXPECT_EQ(surface->Width(), 100);
  EXPECT_EQ(surface->Height(), 50);
  EXPECT_EQ(CountNot(*surface, 0), 0);
}

TEST_F(LoaderTest, AColourTooDarkForTheFormatStaysOpaque) {
  AddResource("Dark", MakeBmp(TwoPixels(0x020301), false));
  LoadBitmapSurface("Dark", 0, 0, true, PixelKind565, surface);
  ASSERT_TRUE(surface);
  EXPECT_EQ(At(*surface, 0, 0), 0);
  EXPECT_NE(At(*surface, 1, 0), 0);
  AddResource("Black", MakeBmp(TwoPixels(0x000000), false));
  LoadBitmapSurface("Black", 0, 0, true, PixelKind555, surface);
  EXPECT_NE(At(*surface, 1, 0), 0);
}

TEST_F(LoaderTest, TwentyFourBitBlackIsTransparentAndOtherColoursConvert) {
  TTestBitmap s;
  s.Width = 3;
  s.Height = 1;
  s.Bits = 24;
  s.Pixels = {0x000000, 0xFFFFFF, 0x010101};
  AddResource("True", MakeBmp(s, false));
  LoadBitmapSurface("True", 0, 0, true, PixelKind565, surface);
  ASSERT_TRUE(surface);
  EXPECT_EQ(At(*surface, 0, 0), 0);
  EXPECT_EQ(At(*surface, 1, 0), 0xFFFF);
  EXPECT_NE(At(*surface, 2, 0), 0);
}

TEST_F(LoaderTest, AskedSizesStretchAndReloadsFillTheSurfaceSize) {
  AddResource("Pair", MakeBmp(TwoPixels(0xFFFFFF), false));
  LoadBitmapSurface("Pair", 6, 2, true, PixelKind565, surface);
  ASSERT_EQ(surface->Width(), 6);
  EXPECT_EQ(CountNot(*surface, 0xFFFF), 6);  // the left half stays transparent
  EXPECT_EQ(At(*surface, 2, 1), 0);
  EXPECT_EQ(At(*surface, 3, 1), 0xFFFF);
}

TEST_F(LoaderTest, ARefusedFileIsReportedOnceAndTreatedAsNotFound) {
  auto bad = MakeBmp(TwoPixels(0xFF0000), true);
  bad.resize(bad.size() - 1);
  WriteFile("Lumo1.BMP", bad);
  WriteFile("Lumo1.DAT", MakeBmp(TwoPixels(0x0000FF), true));
  const TLogCapture said;
  LoadBitmapSurface("Lumo1", 0, 0, true, PixelKind565, surface);
  LoadBitmapSurface("Lumo1", 0, 0, true, PixelKind565, surface);
  ASSERT_TRUE(surface);
  EXPECT_EQ(At(*surface, 1, 0), 0x001F);
  EXPECT_EQ(said.Count("corvina: bitmap Lumo1.BMP refused: "), 1);
  EXPECT_EQ(said.Count("truncated"), 1);
}

TEST_F(LoaderTest, PaletteComesFromAWholeTableOfTheSheet) {
  TTestBitmap s;
  s.Width = 1;
  s.Height = 1;
  for (uint32_t i = 0; i < 256; ++i) s.Colours.push_back((i << 16) | ((255 - i) << 8) | 7 | 0x5A000000u);
  s.Pixels = {0};
  AddResource("Lumo1", MakeBmp(s, false));
  const TPalette p = LoadPaletteFromBitmap("Lumo1");
  EXPECT_EQ(p[200].Red, 200);
  EXPECT_EQ(p[200].Green, 55);
  EXPECT_EQ(p[200].Blue, 7);
  EXPECT_EQ(p[200].Flags, 0);  // the resource path drops the reserved byte
}

TEST_F(LoaderTest, ASixteenColourResourceLeavesTheRestOnTheRamp) {
  TTestBitmap s;
  s.Width = 1;
  s.Height = 1;
  s.Bits = 4;
  for (uint32_t i = 0; i < 16; ++i) s.Colours.push_back(0x101010);
  s.Pixels = {0};
  AddResource("Small", MakeBmp(s, false));
  const TPalette p = LoadPaletteFromBitmap("Small");
  EXPECT_EQ(p[15].Red, 16);
  EXPECT_EQ(p[16].Red, 0);
  EXPECT_EQ(p[16].Blue, 0);
  EXPECT_EQ(p[16].Green, 145);  // the ramp: 4 * 255 / 7
}

TEST_F(LoaderTest, ATwentyFourBitResourceGivesThePureRamp) {
  TTestBitmap s;
  s.Width = 1;
  s.Height = 1;
  s.Bits = 24;
  s.Pixels = {0};
  AddResource("True", MakeBmp(s, false));
  const TPalette p = LoadPaletteFromBitmap("True");
  auto rgb = [&](int i) { return std::tuple{p[i].Red, p[i].Green, p[i].Blue}; };
  EXPECT_EQ(rgb(255), std::tuple(255, 255, 255));
  EXPECT_EQ(rgb(224), std::tuple(255, 0, 0));
  EXPECT_EQ(rgb(28), std::tuple(0, 255, 0));
  EXPECT_EQ(rgb(3), std::tuple(0, 0, 255));
  EXPECT_EQ(rgb(0), std::tuple(0, 0, 0));
}

TEST_F(LoaderTest, APaletteFileSwapsTheTableAndKeepsTheFourthByte) {
  TTestBitmap s;
  s.Width = 1;
  s.Height = 1;
  s.Colours = {0x11223344u | 0x99000000u, 0x00AABBCC};
  s.Pixels = {0};
  WriteFile("Pal.BMP", MakeBmp(s, true));
  const TPalette p = LoadPaletteFromBitmap("Pal");
  EXPECT_EQ(p[0].Red, 0x22);
  EXPECT_EQ(p[0].Green, 0x33);
  EXPECT_EQ(p[0].Blue, 0x44);
  EXPECT_EQ(p[0].Flags, 0x99);
  EXPECT_EQ(p[1].Red, 0xAA);
}

TEST_F(LoaderTest, AMissingPaletteFileRaisesTheStreamError) {
  try {
    LoadPaletteFromBitmap("Gone");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Cannot open file Gone.BMP");
  }
  EXPECT_EQ(LoadPaletteFromBitmap("")[224].Red, 255);
}

TEST_F(LoaderTest, ClearingLeavesEveryPixelZeroByFillOrFallback) {
  TDDSurface s(10, 10, PixelKind565, 12);
  ClearSurface(&s, 0x1234);
  EXPECT_EQ(CountNot(s, 0x1234), 0);
  s.InjectBusy(1);  // the fill fails; the fallback writes 0 whatever was asked
  ClearSurface(&s, 0x5555);
  EXPECT_EQ(CountNot(s, 0), 0);
  ClearSurface(nullptr, 0);
}

}  // namespace
