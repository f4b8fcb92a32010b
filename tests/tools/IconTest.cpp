// The icon at every installed size: the person and the block show (opaque in the middle and at
// the block's foot), the corners stay see-through, and only the scene's outline is blended.
#include <gtest/gtest.h>

#include "tools/mkassets/Icon.h"

namespace {

uint8_t Alpha(const TRgbaImage& icon, int x, int y) {
  return icon.Pixels[(static_cast<size_t>(y) * static_cast<size_t>(icon.Width) + static_cast<size_t>(x)) * 4 + 3];
}

TEST(Icon, EverySizeShowsTheSceneOnATransparentGround) {
  for (int size : IconSizes) {
    SCOPED_TRACE(size);
    const TRgbaImage icon = PaintIcon(size);
    ASSERT_EQ(icon.Width, size);
    ASSERT_EQ(icon.Height, size);
    ASSERT_EQ(icon.Pixels.size(), static_cast<size_t>(size) * size * 4);
    for (int corner : {0, size - 1}) {
      EXPECT_EQ(Alpha(icon, corner, 0), 0);
      EXPECT_EQ(Alpha(icon, corner, size - 1), 0);
    }
    EXPECT_EQ(Alpha(icon, size / 2, size / 3), 255);      // the person's body
    EXPECT_EQ(Alpha(icon, size / 2, size * 7 / 8), 255);  // the block's front edge
    int opaque = 0, partial = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const uint8_t a = Alpha(icon, x, y);
        opaque += a == 255;
        partial += a != 0 && a != 255;
      }
    // The scene covers about a third of the square; only its outline (some four sides long)
    // is blended.
    EXPECT_GT(opaque, size * size / 4);
    EXPECT_LT(opaque, size * size / 2);
    EXPECT_LT(partial, size * 6);
  }
}

}  // namespace
