// The BMP decoder: the good forms, and hostile inputs refused with a reason.
#include <gtest/gtest.h>

#include "gfx/Bitmap.h"
#include "tests/gfx/GfxFixture.h"

namespace {

class BitmapTest : public ::testing::Test {
 protected:
  static TTestBitmap Sample8() {
    TTestBitmap s;
    s.Width = 3;
    s.Height = 2;
    s.Colours = {0x000000, 0xFF0000, 0x00FF00};
    s.Pixels = {0, 1, 2, 2, 1, 0};
    return s;
  }
  bool File(const std::vector<uint8_t>& bytes) { return DecodeBitmapFile(bytes, bitmap, error); }
  bool Resource(const std::vector<uint8_t>& bytes) { return DecodeBitmapResource(bytes, bitmap, error); }
  TBitmap bitmap;
  std::string error;
};

TEST_F(BitmapTest, EightBitFileAndResourceDecodeToTheSameTopDownIndices) {
  ASSERT_TRUE(File(MakeBmp(Sample8(), true))) << error;
  EXPECT_EQ(bitmap.Width, 3);
  EXPECT_EQ(bitmap.Height, 2);
  EXPECT_EQ(bitmap.Pixels, (std::vector<uint8_t>{0, 1, 2, 2, 1, 0}));
  ASSERT_EQ(bitmap.Colours.size(), 3u);
  EXPECT_EQ(bitmap.Colours[1].Red, 255);
  const auto fromFile = bitmap.Pixels;
  ASSERT_TRUE(Resource(MakeBmp(Sample8(), false))) << error;
  EXPECT_EQ(bitmap.Pixels, fromFile);
}

TEST_F(BitmapTest, ANegativeHeightStoresTheTopRowFirst) {
  TTestBitmap s = Sample8();
  s.Height = -2;
  ASSERT_TRUE(Resource(MakeBmp(s, false))) << error;
  EXPECT_EQ(bitmap.Height, 2);
  EXPECT_EQ(bitmap.Pixels, (std::vector<uint8_t>{0, 1, 2, 2, 1, 0}));
}

TEST_F(BitmapTest, FourBitRowsWithPaddingDecodeBothNibbles) {
  TTestBitmap s;
  s.Width = 5;
  s.Height = 2;
  s.Bits = 4;
  for (int i = 0; i < 16; ++i) s.Colours.push_back(static_cast<uint32_t>(i * 0x111111));
  s.Pixels = {1, 2, 3, 4, 5, 15, 14, 13, 12, 11};
  ASSERT_TRUE(File(MakeBmp(s, true))) << error;
  EXPECT_EQ(bitmap.Pixels, (std::vector<uint8_t>{1, 2, 3, 4, 5, 15, 14, 13, 12, 11}));
}

TEST_F(BitmapTest, TwentyFourBitPixelsComeOutAsRedGreenBlue) {
  TTestBitmap s;
  s.Width = 2;
  s.Height = 1;
  s.Bits = 24;
  s.Pixels = {0x102030, 0xFFFFFF};
  ASSERT_TRUE(Resource(MakeBmp(s, false))) << error;
  EXPECT_EQ(bitmap.Pixels, (std::vector<uint8_t>{0x10, 0x20, 0x30, 255, 255, 255}));
  EXPECT_TRUE(bitmap.Colours.empty());
}

TEST_F(BitmapTest, TruncatedInputsAreRefusedAtEveryLength) {
  const auto whole = MakeBmp(Sample8(), true);
  for (size_t n = 0; n < whole.size(); ++n) {
    EXPECT_FALSE(File(std::vector<uint8_t>(whole.begin(), whole.begin() + n))) << n;
    EXPECT_FALSE(error.empty());
  }
  const auto res = MakeBmp(Sample8(), false);
  EXPECT_FALSE(Resource(std::vector<uint8_t>(res.begin(), res.end() - 1)));
  EXPECT_NE(error.find("truncated"), std::string::npos);
}

TEST_F(BitmapTest, ALyingPixelOffsetOrHeaderSizeIsRefused) {
  auto bytes = MakeBmp(Sample8(), true);
  PutLe(bytes, 10, 0x7FFFFFF0, 4);
  EXPECT_FALSE(File(bytes));
  EXPECT_NE(error.find("offset"), std::string::npos);
  bytes = MakeBmp(Sample8(), false);
  PutLe(bytes, 0, 0xFFFFFF00, 4);
  EXPECT_FALSE(Resource(bytes));
  PutLe(bytes, 0, 12, 4);
  EXPECT_FALSE(Resource(bytes));
  EXPECT_NE(error.find("header"), std::string::npos);
}

TEST_F(BitmapTest, AbsurdDimensionsAreRefusedBeforeAnyAllocation) {
  for (auto [w, h] : {std::pair{0, 5}, {-3, 5}, {5, 0}, {100000, 1}, {1, -100000}, {16384, 16384}}) {
    auto bytes = MakeBmp(Sample8(), false);
    PutLe(bytes, 4, static_cast<uint32_t>(w), 4);
    PutLe(bytes, 8, static_cast<uint32_t>(h), 4);
    EXPECT_FALSE(Resource(bytes)) << w << " x " << h;
    EXPECT_NE(error.find("size"), std::string::npos);
  }
}

TEST_F(BitmapTest, AnIndexPastTheColourTableIsRefused) {
  TTestBitmap s = Sample8();
  s.Pixels[4] = 9;
  EXPECT_FALSE(File(MakeBmp(s, true)));
  EXPECT_NE(error.find("index 9"), std::string::npos);
}

TEST_F(BitmapTest, UnsupportedFormsAreRefusedWithTheReason) {
  auto bytes = MakeBmp(Sample8(), false);
  PutLe(bytes, 14, 16, 2);
  EXPECT_FALSE(Resource(bytes));
  EXPECT_NE(error.find("16 bits"), std::string::npos);
  bytes = MakeBmp(Sample8(), false);
  PutLe(bytes, 16, 1, 4);
  EXPECT_FALSE(Resource(bytes));
  EXPECT_NE(error.find("compressed"), std::string::npos);
  bytes = MakeBmp(Sample8(), false);
  PutLe(bytes, 32, 300, 4);
  EXPECT_FALSE(Resource(bytes));
  bytes = MakeBmp(Sample8(), true);
  bytes[0] = 'X';
  EXPECT_FALSE(File(bytes));
}

}  // namespace
