// Letterbox placement and the pointer's way back through scale and bars.
#include "platform/Letterbox.h"

#include <algorithm>
#include <cstdint>

namespace {
// Floor division for a positive divisor.
int FloorDiv(int64_t a, int64_t b) { return static_cast<int>(a >= 0 ? a / b : -((-a + b - 1) / b)); }
}  // namespace

TLetterbox ComputeLetterbox(int outWidth, int outHeight, int backWidth, int backHeight) {
  TLetterbox box;
  box.BackWidth = std::max(backWidth, 1);
  box.BackHeight = std::max(backHeight, 1);
  outWidth = std::max(outWidth, 1);
  outHeight = std::max(outHeight, 1);
  int scale = std::min(outWidth / box.BackWidth, outHeight / box.BackHeight);
  int w = box.BackWidth * scale;
  int h = box.BackHeight * scale;
  if (scale < 1) {
    // Too small for even one whole copy: shrink to the limiting side.
    if (static_cast<int64_t>(outWidth) * box.BackHeight <= static_cast<int64_t>(outHeight) * box.BackWidth) {
      w = outWidth;
      h = std::max(1, static_cast<int>(static_cast<int64_t>(outWidth) * box.BackHeight / box.BackWidth));
    } else {
      h = outHeight;
      w = std::max(1, static_cast<int>(static_cast<int64_t>(outHeight) * box.BackWidth / box.BackHeight));
    }
  }
  box.Dest = MakeRect((outWidth - w) / 2, (outHeight - h) / 2, w, h);
  return box;
}

TPoint TLetterbox::ToBackBuffer(TPoint output) const {
  int w = std::max(Dest.Right - Dest.Left, 1);
  int h = std::max(Dest.Bottom - Dest.Top, 1);
  return TPoint{FloorDiv(static_cast<int64_t>(output.X - Dest.Left) * BackWidth, w),
                FloorDiv(static_cast<int64_t>(output.Y - Dest.Top) * BackHeight, h)};
}
