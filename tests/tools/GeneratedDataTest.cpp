// The generator repeats itself byte for byte, the footstep has its fixed layout and soft ends,
// and the data embedded in the program is what the generator makes.
#include <gtest/gtest.h>

#include <cmath>

#include "res/Resources.h"
#include "tools/mkassets/Assets.h"

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
int Le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }

class GeneratedData : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { assets_ = new TGeneratedAssets(MakeAssets()); }
  static void TearDownTestSuite() { delete assets_; }
  static inline TGeneratedAssets* assets_ = nullptr;
};

TEST_F(GeneratedData, TwoRunsGiveIdenticalBytes) {
  const TGeneratedAssets again = MakeAssets();
  EXPECT_EQ(again.Lumo1, assets_->Lumo1);
  EXPECT_EQ(again.Lumo2, assets_->Lumo2);
  EXPECT_EQ(again.Map, assets_->Map);
  EXPECT_EQ(again.Walk, assets_->Walk);
  EXPECT_EQ(again.Icon, assets_->Icon);
}

TEST_F(GeneratedData, FootstepIsA1450ByteWaveWithTheFixedFormat) {
  const auto& w = assets_->Walk;
  ASSERT_EQ(w.size(), 1450u);
  EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
  EXPECT_EQ(Le32(w, 4), 1442u);
  EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(Le32(w, 16), 18u);
  EXPECT_EQ(Le16(w, 20), 1);  // PCM
  EXPECT_EQ(Le16(w, 22), 1);  // mono
  EXPECT_EQ(Le32(w, 24), 11025u);
  EXPECT_EQ(Le32(w, 28), 11025u);
  EXPECT_EQ(Le16(w, 32), 1);
  EXPECT_EQ(Le16(w, 34), 8);
  EXPECT_EQ(Le16(w, 36), 0);
  EXPECT_EQ(std::string(w.begin() + 38, w.begin() + 42), "data");
  EXPECT_EQ(Le32(w, 42), 1404u);
}

TEST_F(GeneratedData, FootstepStartsAndEndsSilentWithoutAJump) {
  const std::vector<uint8_t> s(assets_->Walk.begin() + 46, assets_->Walk.end());
  EXPECT_NEAR(s.front(), 128, 1);
  EXPECT_NEAR(s.back(), 128, 1);
  int peak = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    peak = std::max(peak, std::abs(s[i] - 128));
    if (i < 8 || i + 40 >= s.size()) {
      EXPECT_LE(std::abs(s[i] - 128), 8) << i;
    }
  }
  EXPECT_GT(peak, 30);  // audible
  // Most of the energy lies in the first 100 ms.
  double early = 0, late = 0;
  for (size_t i = 0; i < s.size(); ++i) (i < 1100 ? early : late) += (s[i] - 128.0) * (s[i] - 128.0);
  EXPECT_GT(early, 20 * late);
}

TEST_F(GeneratedData, EmbeddedResourcesAreTheGeneratorsOutput) {
  SetResourceTableForTesting(std::nullopt);
  auto same = [](std::span<const uint8_t> a, const std::vector<uint8_t>& b, size_t skip) {
    return a.size() + skip == b.size() && std::equal(a.begin(), a.end(), b.begin() + long(skip));
  };
  EXPECT_TRUE(same(*FindResource("LUMO1", RT_BITMAP), assets_->Lumo1, 14));
  EXPECT_TRUE(same(*FindResource("LUMO2", RT_BITMAP), assets_->Lumo2, 14));
  EXPECT_TRUE(same(*FindResource("Map", RT_MAP), assets_->Map, 0));
  EXPECT_TRUE(same(*FindResource("Walk", RT_WAVE), assets_->Walk, 0));
  EXPECT_TRUE(same(*FindResource("MAINICON", RT_RGBA), assets_->Icon, 0));
}

}  // namespace
