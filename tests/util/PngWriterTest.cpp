// The PNG writer's stream is valid (signature, chunk CRCs, stored deflate, Adler-32) and carries
// the pixels unchanged; CRC-32 gives the standard check value.
#include "util/PngWriter.h"

#include <gtest/gtest.h>

#include "util/Crc32.h"

namespace {

uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

struct Chunk {
  std::string Type;
  std::vector<uint8_t> Body;
};

// Splits a PNG into chunks, checking each CRC.
std::vector<Chunk> Chunks(const std::vector<uint8_t>& png) {
  std::vector<Chunk> out;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t len = Be32(png, at);
    Chunk c{std::string(png.begin() + long(at + 4), png.begin() + long(at + 8)),
            std::vector<uint8_t>(png.begin() + long(at + 8), png.begin() + long(at + 8 + len))};
    EXPECT_EQ(Be32(png, at + 8 + len), Crc32(png.data() + at + 4, len + 4)) << c.Type;
    out.push_back(c);
    at += 12 + len;
  }
  EXPECT_EQ(at, png.size());
  return out;
}

// The raw scanlines inside a zlib stream of stored blocks.
std::vector<uint8_t> Unstore(const std::vector<uint8_t>& z) {
  std::vector<uint8_t> raw;
  size_t at = 2;
  for (bool last = false; !last;) {
    last = z[at] & 1;
    EXPECT_EQ(z[at] & 6, 0) << "not a stored block";
    const size_t n = z[at + 1] | z[at + 2] << 8;
    EXPECT_EQ(n ^ 0xFFFF, size_t(z[at + 3] | z[at + 4] << 8));
    raw.insert(raw.end(), z.begin() + long(at + 5), z.begin() + long(at + 5 + n));
    at += 5 + n;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) a = (a + v) % 65521, b = (b + a) % 65521;
  EXPECT_EQ(Be32(z, at), (b << 16) | a);
  return raw;
}

TEST(Crc32, GivesTheStandardCheckValueAndContinuesAcrossPieces) {
  const std::string text = "123456789";
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  EXPECT_EQ(Crc32(p, 9), 0xCBF43926u);
  EXPECT_EQ(Crc32(p + 4, 5, Crc32(p, 4)), 0xCBF43926u);
  EXPECT_EQ(Crc32(nullptr, 0), 0u);
}

TEST(PngWriter, ImageCarriesSizeAndPixelsRowByRow) {
  const std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90};
  const auto png = EncodePng(3, 2, rgb);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8), (std::vector<uint8_t>{0x89, 'P', 'N', 'G', 13, 10, 26, 10}));
  const auto chunks = Chunks(png);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].Type, "IHDR");
  EXPECT_EQ(Be32(chunks[0].Body, 0), 3u);
  EXPECT_EQ(Be32(chunks[0].Body, 4), 2u);
  EXPECT_EQ(chunks[0].Body[8], 8);  // bits per channel
  EXPECT_EQ(chunks[0].Body[9], 2);  // truecolour
  EXPECT_EQ(chunks[2].Type, "IEND");
  const auto raw = Unstore(chunks[1].Body);
  std::vector<uint8_t> expected = {0};
  expected.insert(expected.end(), rgb.begin(), rgb.begin() + 9);
  expected.push_back(0);
  expected.insert(expected.end(), rgb.begin() + 9, rgb.end());
  EXPECT_EQ(raw, expected);
}

TEST(PngWriter, LargeImagesSpanSeveralStoredBlocks) {
  const int w = 300, h = 100;  // 90100 bytes of scanlines, more than one block holds
  std::vector<uint8_t> rgb(size_t(w) * h * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 7);
  const auto raw = Unstore(Chunks(EncodePng(w, h, rgb))[1].Body);
  ASSERT_EQ(raw.size(), size_t(h) * (w * 3 + 1));
  EXPECT_EQ(raw[size_t(h - 1) * (w * 3 + 1) + 1], rgb[size_t(h - 1) * w * 3]);
}

TEST(PngWriter, AlphaImagesAreColourType6WithFourBytesAPixel) {
  const std::vector<uint8_t> rgba = {1, 2, 3, 0, 4, 5, 6, 255};
  const auto chunks = Chunks(EncodePngRgba(2, 1, rgba));
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].Body[9], 6);  // truecolour with alpha
  EXPECT_EQ(Unstore(chunks[1].Body), (std::vector<uint8_t>{0, 1, 2, 3, 0, 4, 5, 6, 255}));
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
  EXPECT_NE(error.find("/nonexistent-dir/x.png"), std::string::npos);
}

TEST(PngWriter, Pixels565WidenToFullRangeHonouringThePitch) {
  const uint16_t pixels[] = {0xFFFF, 0xF800, 0x1234, 0x07E0, 0x001F, 0x5678};  // pitch 3, width 2
  const auto rgb = Rgb565ToRgb24(2, 2, pixels, 3);
  EXPECT_EQ(rgb, (std::vector<uint8_t>{255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255}));
}

}  // namespace
