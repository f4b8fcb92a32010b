// The PNG writer's files read back through libpng with the pixels unchanged; CRC-32 gives the
// standard check value.
#include <gtest/gtest.h>
#include <png.h>

#include "util/Crc32.h"
#include "util/PngWriter.h"

namespace {

// The pixels of a PNG as libpng reads them back, and its size.
std::vector<uint8_t> Decode(const std::vector<uint8_t>& png, int& w, int& h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
  w = static_cast<int>(image.width);
  h = static_cast<int>(image.height);
  return rgb;
}

TEST(Crc32, GivesTheStandardCheckValueAndContinuesAcrossPieces) {
  const std::string text = "123456789";
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  EXPECT_EQ(Crc32(p, 9), 0xCBF43926u);
  EXPECT_EQ(Crc32(p + 4, 5, Crc32(p, 4)), 0xCBF43926u);
  EXPECT_EQ(Crc32(nullptr, 0), 0u);
}

TEST(PngWriter, ImagesReadBackWithTheirSizeAndPixelsAndAreCompressed) {
  const std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90};
  int w = 0, h = 0;
  EXPECT_EQ(Decode(EncodePng(3, 2, rgb), w, h), rgb);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  // A frame-sized picture of a few colours, as the game's are, takes a small part of its bytes.
  std::vector<uint8_t> frame(size_t(640) * 480 * 3);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t((i / 3 / 64) * 40);
  const auto png = EncodePng(640, 480, frame);
  EXPECT_EQ(Decode(png, w, h), frame);
  EXPECT_LT(png.size(), frame.size() / 10);
}

TEST(PngWriter, AlphaImagesKeepTheirAlpha) {
  const std::vector<uint8_t> rgba = {1, 2, 3, 0, 4, 5, 6, 255, 7, 8, 9, 128};
  const auto png = EncodePngRgba(3, 1, rgba);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()));
  EXPECT_TRUE(image.format & PNG_FORMAT_FLAG_ALPHA);
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> back(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr));
  // Fully transparent pixels may come back with their colour cleared; the alpha is what counts.
  EXPECT_EQ(back[3], 0);
  EXPECT_EQ(std::vector<uint8_t>(back.begin() + 4, back.end()), std::vector<uint8_t>(rgba.begin() + 4, rgba.end()));
  EXPECT_TRUE(EncodePngRgba(2, 1, std::vector<uint8_t>(6)).empty());  // RGB bytes for an RGBA image
}

TEST(PngWriter, MismatchedSizesAreRefusedWithAMessage) {
  EXPECT_TRUE(EncodePng(2, 2, std::vector<uint8_t>(11)).empty());
  EXPECT_TRUE(EncodePng(0, 2, {}).empty());
  std::string error;
  EXPECT_FALSE(WritePng("/tmp/never.png", 2, 2, std::vector<uint8_t>(11), &error));
  EXPECT_NE(error.find("/tmp/never.png"), std::string::npos);
}

TEST(PngWriter, UnwritablePathIsReportedNotIgnored) {
  std::string error;
  EXPECT_FALSE(WritePng("/nonexistent-dir/x.png", 1, 1, {1, 2, 3}, &error));
  EXPECT_EQ(error, "/nonexistent-dir/x.png: cannot write the file: No such file or directory");
}

TEST(PngWriter, Pixels565WidenToFullRangeHonouringThePitch) {
  const uint16_t pixels[] = {0xFFFF, 0xF800, 0x1234, 0x07E0, 0x001F, 0x5678};  // pitch 3, width 2
  const auto rgb = Rgb565ToRgb24(2, 2, pixels, 3);
  EXPECT_EQ(rgb, (std::vector<uint8_t>{255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255}));
}

}  // namespace
