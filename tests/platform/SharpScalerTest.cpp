// The processor's sharp scaling against the way a GPU does it: the picture enlarged by a whole
// factor with nearest neighbour, then sampled linearly at each destination pixel's centre.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/SharpScaler.h"

namespace {

// 5-6-5 to 8-bit components, widened by repeating the top bits.
void Rgb(uint16_t p, double c[3]) {
  const int r = p >> 11, g = (p >> 5) & 63, b = p & 31;
  c[0] = (r << 3) | (r >> 2);
  c[1] = (g << 2) | (g >> 4);
  c[2] = (b << 3) | (b >> 2);
}

// The reference: the enlarged picture built for real and filtered in floating point.
std::vector<uint32_t> Reference(const std::vector<uint16_t>& src, int sw, int sh, int dw, int dh) {
  const int k = std::max({(dw + sw - 1) / sw, (dh + sh - 1) / sh, 1});
  const int ew = sw * k, eh = sh * k;
  auto at = [&](int x, int y, double c[3]) { Rgb(src[static_cast<size_t>(y / k) * sw + x / k], c); };
  std::vector<uint32_t> out(static_cast<size_t>(dw) * dh);
  for (int y = 0; y < dh; ++y) {
    const double v = std::clamp((y + 0.5) * eh / dh - 0.5, 0.0, eh - 1.0);
    const int y0 = static_cast<int>(v), y1 = std::min(y0 + 1, eh - 1);
    for (int x = 0; x < dw; ++x) {
      const double u = std::clamp((x + 0.5) * ew / dw - 0.5, 0.0, ew - 1.0);
      const int x0 = static_cast<int>(u), x1 = std::min(x0 + 1, ew - 1);
      double a[3], b[3], c[3], d[3];
      at(x0, y0, a), at(x1, y0, b), at(x0, y1, c), at(x1, y1, d);
      uint32_t pixel = 0;
      for (int i = 0; i < 3; ++i) {
        const double top = a[i] + (b[i] - a[i]) * (u - x0), bottom = c[i] + (d[i] - c[i]) * (u - x0);
        pixel = (pixel << 8) | static_cast<uint32_t>(std::lround(top + (bottom - top) * (v - y0)));
      }
      out[static_cast<size_t>(y) * dw + x] = pixel;
    }
  }
  return out;
}

int MaxChannelDifference(uint32_t p, uint32_t q) {
  int worst = 0;
  for (int shift : {0, 8, 16})
    worst = std::max(worst, std::abs(static_cast<int>((p >> shift) & 255) - static_cast<int>((q >> shift) & 255)));
  return worst;
}

TEST(SharpScalerTest, MatchesTheEnlargedPictureFilteredDownAtEveryUsualSize) {
  const int sw = 64, sh = 48;
  std::vector<uint16_t> src(static_cast<size_t>(sw) * sh);
  std::srand(7);
  for (auto& p : src) p = static_cast<uint16_t>(std::rand());
  // Full screens of 16:10, 16:9, 4:3 at whole factors, shrinking, and an odd window.
  for (auto [dw, dh] : {std::pair{107, 80}, {128, 72}, {128, 96}, {64, 48}, {40, 30}, {99, 61}}) {
    TSharpScaler scaler;
    scaler.Prepare(sw, sh, dw, dh);
    const int pitch = dw + 3;
    std::vector<uint32_t> out(static_cast<size_t>(pitch) * dh, 0xDEADBEEF);
    scaler.Scale(src.data(), sw, false, out.data(), pitch);
    const std::vector<uint32_t> want = Reference(src, sw, sh, dw, dh);
    int worst = 0;
    for (int y = 0; y < dh; ++y) {
      for (int x = 0; x < dw; ++x)
        worst = std::max(worst, MaxChannelDifference(out[static_cast<size_t>(y) * pitch + x],
                                                     want[static_cast<size_t>(y) * dw + x]));
      EXPECT_EQ(out[static_cast<size_t>(y) * pitch + dw], 0xDEADBEEF) << "nothing written past the row";
    }
    // Fixed-point weights of 1/256: at most a step or two off the exact blend.
    EXPECT_LE(worst, 2) << dw << " x " << dh;
  }
}

TEST(SharpScalerTest, AWholeFactorIsPlainNearestNeighbour) {
  const std::vector<uint16_t> src = {0xF800, 0x07E0, 0x001F, 0xFFFF};  // 2 x 2
  TSharpScaler scaler;
  scaler.Prepare(2, 2, 6, 6);
  std::vector<uint32_t> out(36);
  scaler.Scale(src.data(), 2, false, out.data(), 6);
  EXPECT_EQ(out[0], 0xFF0000u);
  EXPECT_EQ(out[2], 0xFF0000u);
  EXPECT_EQ(out[3], 0x00FF00u);
  EXPECT_EQ(out[5 * 6 + 5], 0xFFFFFFu);
  EXPECT_EQ(out[3 * 6 + 0], 0x0000FFu);
}

// A canvas takes bytes R, G, B, A: the same picture as the 0x00RRGGBB words, blends included,
// in that order, and opaque.
TEST(SharpScalerTest, RgbaBytesCarryTheSamePictureOpaque) {
  const int sw = 16, sh = 12, dw = 27, dh = 20;
  std::vector<uint16_t> src(static_cast<size_t>(sw) * sh);
  std::srand(11);
  for (auto& p : src) p = static_cast<uint16_t>(std::rand());
  TSharpScaler scaler;
  scaler.Prepare(sw, sh, dw, dh);
  std::vector<uint32_t> words(static_cast<size_t>(dw) * dh), rgba(words.size());
  for (bool rgb555 : {false, true}) {
    // Alternating layouts on one scaler: each call builds the colours it needs.
    scaler.Scale(src.data(), sw, rgb555, words.data(), dw);
    scaler.Scale(src.data(), sw, rgb555, rgba.data(), dw, TSharpScaler::TLayout::RgbaBytes);
    for (size_t i = 0; i < words.size(); ++i) {
      const auto* bytes = reinterpret_cast<const uint8_t*>(&rgba[i]);
      const uint32_t back = (uint32_t{bytes[0]} << 16) | (uint32_t{bytes[1]} << 8) | bytes[2];
      ASSERT_EQ(back, words[i]) << "pixel " << i << (rgb555 ? " (5-5-5)" : "");
      ASSERT_EQ(bytes[3], 255) << "pixel " << i;
    }
  }
}

// The window at the picture's size, or a whole multiple of it: each destination pixel is its
// source pixel widened, in both formats, whatever the row's length; nothing past the row.
TEST(SharpScalerTest, WholeFactorsWidenEachSourcePixelExactlyInBothFormats) {
  const int sw = 37, sh = 5;  // rows longer than a vector and not a multiple of one
  std::vector<uint16_t> src(static_cast<size_t>(sw + 2) * sh);
  std::srand(11);
  for (auto& p : src) p = static_cast<uint16_t>(std::rand());
  for (bool rgb555 : {false, true}) {
    for (int k = 1; k <= 3; ++k) {
      TSharpScaler scaler;
      scaler.Prepare(sw, sh, sw * k, sh * k);
      const int pitch = sw * k + 1;
      std::vector<uint32_t> out(static_cast<size_t>(pitch) * sh * k, 0xDEADBEEF);
      scaler.Scale(src.data(), sw + 2, rgb555, out.data(), pitch);
      for (int y = 0; y < sh * k; ++y) {
        for (int x = 0; x < sw * k; ++x) {
          const uint16_t p = src[static_cast<size_t>(y / k) * (sw + 2) + x / k];
          const int r = rgb555 ? (p >> 10) & 31 : p >> 11, g = rgb555 ? (p >> 5) & 31 : (p >> 5) & 63, b = p & 31;
          const uint32_t want =
              static_cast<uint32_t>(((r << 3) | (r >> 2)) << 16 |
                                    (rgb555 ? (g << 3) | (g >> 2) : (g << 2) | (g >> 4)) << 8 | ((b << 3) | (b >> 2)));
          ASSERT_EQ(out[static_cast<size_t>(y) * pitch + x], want)
              << k << (rgb555 ? " 5-5-5 " : " 5-6-5 ") << x << "," << y;
        }
        EXPECT_EQ(out[static_cast<size_t>(y) * pitch + sw * k], 0xDEADBEEF);
      }
    }
  }
}

}  // namespace

namespace {

// A picture scaled whole, then a few of its bands changed and scaled again with only those
// bands named: the destination is the new picture scaled whole, and the rows made only from
// unchanged bands were left alone (DestRowChanged names exactly the rows written).
TEST(SharpScalerTest, OnlyTheRowsMadeFromChangedBandsAreWrittenAndTheyMatchAWholeScale) {
  const int sw = 64, sh = 48;
  std::vector<uint16_t> src(static_cast<size_t>(sw) * sh);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint16_t>(i * 2654435761u >> 7);
  // 107 x 80 (the shape of a 1280 x 800 screen's) has destination rows that blend the last row
  // of a band with the first of the next, unchanged one.
  for (const std::pair<int, int>& size : {std::pair{128, 96}, std::pair{100, 75}, std::pair{107, 80}}) {
    const int dw = size.first, dh = size.second;  // named: clang 14 takes no bindings into lambdas
    TSharpScaler scaler;
    scaler.Prepare(sw, sh, dw, dh);
    std::vector<uint32_t> kept(static_cast<size_t>(dw) * dh);
    scaler.Scale(src.data(), sw, false, kept.data(), dw);
    std::vector<uint16_t> next = src;
    const uint8_t bands[3] = {0, 1, 0};  // rows 16..31 change, their neighbours stay
    for (int y = 16; y < 32; ++y)
      for (int x = 0; x < sw; ++x) next[static_cast<size_t>(y) * sw + x] ^= 0x5A5A;
    const TChangedRows changed{16, bands, 3};
    std::vector<uint32_t> marked(kept.size(), 0xDEADBEEF), whole(kept.size());
    scaler.Scale(next.data(), sw, false, marked.data(), dw, TSharpScaler::TLayout::Xrgb, &changed);
    scaler.Scale(next.data(), sw, false, whole.data(), dw);
    int written = 0;
    for (int y = 0; y < dh; ++y) {
      const auto row = [&](const std::vector<uint32_t>& v) {
        return std::vector<uint32_t>(v.begin() + y * dw, v.begin() + (y + 1) * dw);
      };
      if (scaler.DestRowChanged(y, changed)) {
        ++written;
        EXPECT_EQ(row(marked), row(whole)) << dw << " x " << dh << ", row " << y;
      } else {
        EXPECT_EQ(row(marked), std::vector<uint32_t>(dw, 0xDEADBEEF)) << dw << " x " << dh << ", row " << y;
        EXPECT_EQ(row(kept), row(whole)) << "row " << y << " changed but was not named";
      }
    }
    EXPECT_GT(written, dh / 4);
    EXPECT_LT(written, dh / 2);
  }
}

}  // namespace

namespace {

// Each vector kernel draws what the plain loops draw, to the bit: both source formats, both
// destination layouts, whole factors and filtered sizes with rows that are no multiple of a
// vector, padded pitches, and only some bands changed. Every word of the destination is
// compared, the padding past each row and the rows left alone included.
class SharpScalerKernelTest : public testing::TestWithParam<TScaleKernel> {};

TEST_P(SharpScalerKernelTest, DrawsExactlyWhatThePlainLoopsDraw) {
  if (!ScaleKernelSupported(GetParam())) GTEST_SKIP() << "this processor lacks the kernel";
  const int sw = 37, sh = 29, srcPitch = sw + 3;
  std::vector<uint16_t> src(static_cast<size_t>(srcPitch) * sh);
  std::srand(5);
  for (auto& p : src) p = static_cast<uint16_t>(std::rand());
  // Repeated pixels, so blends of equal neighbours and of the extremes come up as well.
  for (int x = 0; x < 8; ++x) src[static_cast<size_t>(x)] = x < 4 ? 0xFFFF : 0;
  const uint8_t bands[4] = {1, 0, 0, 1};
  const TChangedRows someBands{8, bands, 4};
  for (auto [dw, dh] : {std::pair{37, 29},
                        {74, 58},
                        {111, 87},
                        {148, 116},
                        {185, 145},
                        {61, 45},
                        {99, 80},
                        {150, 100},
                        {20, 15},
                        {9, 7}}) {
    TSharpScaler plain(TScaleKernel::Plain), vector(GetParam());
    plain.Prepare(sw, sh, dw, dh);
    vector.Prepare(sw, sh, dw, dh);
    const int pitch = dw + 5;
    for (bool rgb555 : {false, true}) {
      for (auto layout : {TSharpScaler::TLayout::Xrgb, TSharpScaler::TLayout::RgbaBytes}) {
        for (const TChangedRows* changed : {static_cast<const TChangedRows*>(nullptr), &someBands}) {
          std::vector<uint32_t> want(static_cast<size_t>(pitch) * dh, 0xDEADBEEF), got(want);
          plain.Scale(src.data(), srcPitch, rgb555, want.data(), pitch, layout, changed);
          vector.Scale(src.data(), srcPitch, rgb555, got.data(), pitch, layout, changed);
          for (size_t i = 0; i < want.size(); ++i) {
            ASSERT_EQ(got[i], want[i]) << dw << " x " << dh << (rgb555 ? " 5-5-5" : " 5-6-5") << " layout "
                                       << static_cast<int>(layout) << (changed ? " some bands" : "") << ", x "
                                       << i % pitch << " y " << i / pitch;
          }
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, SharpScalerKernelTest, testing::Values(TScaleKernel::Sse2, TScaleKernel::Avx2),
                         [](const testing::TestParamInfo<TScaleKernel>& info) {
                           return info.param == TScaleKernel::Sse2 ? std::string("Sse2") : std::string("Avx2");
                         });

}  // namespace
