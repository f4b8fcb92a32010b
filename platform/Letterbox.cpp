// Letterbox placement and the pointer's way back through scale and bars.
#include "platform/Letterbox.h"

#include <algorithm>
#include <cstdint>

namespace {
// Floor division for a positive divisor.
int FloorDiv(int64_t a, int64_t b) { return static_cast<int>(a >= 0 ? a / b : -((-a + b - 1) / b)); }

// The picture shrunk or grown to the limiting side of the output, keeping its proportions.
TLetterbox FitToOutput(int outWidth, int outHeight, int backWidth, int backHeight) {
  TLetterbox box;
  box.BackWidth = backWidth;
  box.BackHeight = backHeight;
  int w, h;
  if (static_cast<int64_t>(outWidth) * backHeight <= static_cast<int64_t>(outHeight) * backWidth) {
    w = outWidth;
    h = std::max(1, static_cast<int>(static_cast<int64_t>(outWidth) * backHeight / backWidth));
  } else {
    h = outHeight;
    w = std::max(1, static_cast<int>(static_cast<int64_t>(outHeight) * backWidth / backHeight));
  }
  box.Dest = MakeRect((outWidth - w) / 2, (outHeight - h) / 2, w, h);
  return box;
}
}  // namespace

TLetterbox ComputeSharpFit(int outWidth, int outHeight, int backWidth, int backHeight) {
  return FitToOutput(std::max(outWidth, 1), std::max(outHeight, 1), std::max(backWidth, 1), std::max(backHeight, 1));
}

TLetterbox ComputeLetterbox(int outWidth, int outHeight, int backWidth, int backHeight) {
  backWidth = std::max(backWidth, 1);
  backHeight = std::max(backHeight, 1);
  outWidth = std::max(outWidth, 1);
  outHeight = std::max(outHeight, 1);
  const int scale = std::min(outWidth / backWidth, outHeight / backHeight);
  // Too small for even one whole copy: shrink to the limiting side.
  if (scale < 1) return FitToOutput(outWidth, outHeight, backWidth, backHeight);
  TLetterbox box;
  box.BackWidth = backWidth;
  box.BackHeight = backHeight;
  const int w = backWidth * scale, h = backHeight * scale;
  box.Dest = MakeRect((outWidth - w) / 2, (outHeight - h) / 2, w, h);
  return box;
}

int TLetterbox::SharpFactor() const {
  const int w = Dest.Right - Dest.Left, h = Dest.Bottom - Dest.Top;
  const int byWidth = (w + BackWidth - 1) / BackWidth, byHeight = (h + BackHeight - 1) / BackHeight;
  return std::max({byWidth, byHeight, 1});
}

bool TLetterbox::WholeFactor() const {
  const int k = SharpFactor();
  return Dest.Right - Dest.Left == BackWidth * k && Dest.Bottom - Dest.Top == BackHeight * k;
}

int ClampWindowScale(int requested, int backWidth, int backHeight, int usableWidth, int usableHeight, int borderWidth,
                     int borderHeight) {
  int scale = std::max(requested, 1);
  while (scale > 1 && (static_cast<int64_t>(backWidth) * scale + borderWidth > usableWidth ||
                       static_cast<int64_t>(backHeight) * scale + borderHeight > usableHeight)) {
    --scale;
  }
  return scale;
}

TPoint TLetterbox::ToBackBuffer(TPoint output) const {
  int w = std::max(Dest.Right - Dest.Left, 1);
  int h = std::max(Dest.Bottom - Dest.Top, 1);
  return TPoint{FloorDiv(static_cast<int64_t>(output.X - Dest.Left) * BackWidth, w),
                FloorDiv(static_cast<int64_t>(output.Y - Dest.Top) * BackHeight, h)};
}

TPoint TLetterbox::FromBackBuffer(TPoint pixel) const {
  // The middle of the output points whose way back leads to the pixel: from the first at or
  // after its left (top) edge to the last before the next pixel's.
  const auto middle = [](int index, int backSize, int destStart, int destSize) {
    const int64_t size = std::max(destSize, 1), back = std::max(backSize, 1);
    const int64_t p = std::clamp<int64_t>(index, 0, back - 1);
    const int64_t first = (p * size + back - 1) / back, next = ((p + 1) * size + back - 1) / back;
    return destStart + static_cast<int>(std::min((first + std::max(first, next - 1)) / 2, size - 1));
  };
  return TPoint{middle(pixel.X, BackWidth, Dest.Left, Dest.Right - Dest.Left),
                middle(pixel.Y, BackHeight, Dest.Top, Dest.Bottom - Dest.Top)};
}

TPoint CentreWindow(const TRect& usable, int width, int height, int borderLeft, int borderTop, int borderRight,
                    int borderBottom) {
  const int frameWidth = width + borderLeft + borderRight, frameHeight = height + borderTop + borderBottom;
  const int left = usable.Left + std::max((usable.Right - usable.Left - frameWidth) / 2, 0);
  const int top = usable.Top + std::max((usable.Bottom - usable.Top - frameHeight) / 2, 0);
  return TPoint{left + borderLeft, top + borderTop};
}
