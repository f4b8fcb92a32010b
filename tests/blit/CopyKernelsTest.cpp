#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "blit/CopyKernels.h"
#include "tests/support/RandomCut.h"

namespace {

// Every kernel draws exactly the picture's opaque pixels within the part and the cut, each
// through the operation, and nothing else: plain copies and both brightnesses in both layouts'
// masks, runs of every length from 1 to past two vectors (moves of each size, overlapping or
// not), parts cut at each side and at both, and the whole picture. Every pixel of the
// destination is compared, its margins included.
class CopyKernelTest : public testing::TestWithParam<TCopyKernel> {};

TEST_P(CopyKernelTest, DrawsTheOpaquePixelsThroughTheOperationAndNothingElse) {
  if (!CopyKernelSupported(GetParam())) GTEST_SKIP() << "this processor lacks the kernel";
  const TCopyKernels& kernels = CopyKernelsOf(GetParam());
  constexpr int W = 75, H = 44;
  std::mt19937 rng(11);
  // Row y: a run of y + 1 pixels, a key pixel, then a run reaching near the right side; the
  // last rows are random, with short gaps and runs.
  std::vector<uint16_t> src(static_cast<size_t>(W) * H, 0);
  for (int y = 0; y < H; ++y) {
    uint16_t* row = src.data() + static_cast<size_t>(y) * W;
    if (y < 40) {
      const int first = y % 7, end = std::min(W, first + y + 1);
      for (int x = first; x < end; ++x) row[x] = static_cast<uint16_t>(rng() | 1);
      for (int x = end + 1; x < W - y % 3; ++x) row[x] = static_cast<uint16_t>(rng() | 1);
    } else {
      for (int x = 0; x < W; ++x) row[x] = rng() % 5 == 0 ? 0 : static_cast<uint16_t>(rng() | 1);
    }
  }
  const TPictureCut cut = RandomCut(rng, W, H);
  struct TOperation {
    const char* Name;
    TCopyKernels::TPart Part;
    uint16_t M1, M2;
  };
  const TOperation operations[] = {{"copy", kernels.Copy, 0, 0},
                                   {"half 5-6-5", kernels.Half, 0x7BEF, 0},
                                   {"half 5-5-5", kernels.Half, 0x3DEF, 0},
                                   {"three quarters 5-6-5", kernels.ThreeQuarter, 0x7BEF, 0x39E7},
                                   {"three quarters 5-5-5", kernels.ThreeQuarter, 0x3DEF, 0x1CE7}};
  const auto apply = [](const TOperation& o, uint16_t p) -> uint16_t {
    if (o.M1 == 0) return p;
    return o.M2 == 0 ? THalfPixel{o.M1}.Of(p) : TThreeQuarterPixel{o.M1, o.M2}.Of(p);
  };
  // The destination: the picture at (9, 3) of a wider, taller buffer.
  constexpr int Stride = W + 23, Rows = H + 7, X = 9, Y = 3;
  for (const TPictureCut* c : {&NoCut, &cut}) {
    TKeyPicture p;
    p.Build(src.data(), W, TRect{0, 0, W, H}, 0, 0, *c);
    p.PrepareMoves(Stride);
    for (const TOperation& o : operations) {
      for (int c0 : {0, 1, 15, 16, 17, W - 4}) {
        for (int c1 : {W, W - 1, W - 16, 33, 5}) {
          for (auto [r0, r1] : {std::pair{0, H}, {1, H}, {0, H - 1}, {7, 29}, {H - 1, H}}) {
            if (c0 >= c1) continue;
            std::vector<uint16_t> want(static_cast<size_t>(Stride) * Rows), got;
            for (size_t i = 0; i < want.size(); ++i) want[i] = static_cast<uint16_t>(0xA000 + i);
            got = want;
            o.Part(p, c0, r0, c1, r1, got.data() + (Y + r0) * Stride + X + c0, o.M1, o.M2);
            for (int y = r0; y < r1; ++y) {
              const TColumnSpan span = c->Row(y, W);
              for (int x = std::max(c0, span.First); x < std::min(c1, span.End); ++x) {
                if (const uint16_t s = src[static_cast<size_t>(y) * W + x]; s != 0)
                  want[static_cast<size_t>(Y + y) * Stride + X + x] = apply(o, s);
              }
            }
            for (size_t i = 0; i < want.size(); ++i) {
              ASSERT_EQ(got[i], want[i]) << o.Name << (c == &cut ? ", cut" : "") << ", columns " << c0 << ".." << c1
                                         << ", rows " << r0 << ".." << r1 << ": x " << int(i % Stride) - X << " y "
                                         << int(i / Stride) - Y;
            }
          }
        }
      }
    }
  }
}

// The stippled rows: every third pixel from each start, rows shorter and longer than a vector
// or two, in both layouts, as they are and at brightnesses down to black and up to the limit.
TEST_P(CopyKernelTest, StipplesRowsAsThePlainLoopsDo) {
  if (!CopyKernelSupported(GetParam())) GTEST_SKIP() << "this processor lacks the kernel";
  if (GetParam() == TCopyKernel::Plain) GTEST_SKIP() << "the plain loops are the reference";
  const TCopyKernels &plain = CopyKernelsOf(TCopyKernel::Plain), &kernel = CopyKernelsOf(GetParam());
  std::mt19937 rng(3);
  std::vector<uint16_t> src(64), dst(64);
  for (auto& p : src) p = rng() % 4 == 0 ? 0 : static_cast<uint16_t>(rng());
  for (auto& p : dst) p = static_cast<uint16_t>(rng());
  for (int n = 0; n <= 50; ++n) {
    for (int first = 0; first < 3; ++first) {
      for (int f : {-1, 0, 37, 64, 100, 128}) {
        for (auto [rShift, gShift] : {std::pair{11, 6}, {10, 5}}) {
          std::vector<uint16_t> want(dst), got(dst);
          plain.StippleRow(src.data() + 1, want.data() + 1, n, first, f, rShift, gShift);
          kernel.StippleRow(src.data() + 1, got.data() + 1, n, first, f, rShift, gShift);
          ASSERT_EQ(got, want) << n << " pixels from " << first << ", f " << f << ", red at " << rShift;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, CopyKernelTest,
                         testing::Values(TCopyKernel::Plain, TCopyKernel::Sse2, TCopyKernel::Avx2),
                         [](const testing::TestParamInfo<TCopyKernel>& info) {
                           return info.param == TCopyKernel::Plain  ? std::string("Plain")
                                  : info.param == TCopyKernel::Sse2 ? std::string("Sse2")
                                                                    : std::string("Avx2");
                         });

}  // namespace
