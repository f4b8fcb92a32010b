// Making and keeping the encodings of a keyed surface.
#include "ddraw/KeyRunCache.h"

TKeyPicture& TKeyRunCache::Whole(const TPixelBuffer& pixels, TKeyRange key, uint64_t version) {
  if (FWholeVersion != version) {
    FWhole.Build(pixels.Origin(), pixels.Stride(), TRect{0, 0, pixels.Width(), pixels.Height()}, key.Low, key.High);
    FWholeVersion = version;
  }
  return FWhole;
}

const TKeyPicture& TKeyRunCache::Picture(const TPixelBuffer& pixels, TKeyRange key, const TRect& r,
                                         const TPictureCut& cut, int dstStride, uint64_t version) {
  bool made = false;
  TKeyPicture& p = FPictures.Obtain(r, cut.Id(), made);
  if (made || p.SourceVersion != version) {
    p.Build(pixels.Origin(), pixels.Stride(), r, key.Low, key.High, cut);
    p.SourceVersion = version;
  }
  p.PrepareMoves(dstStride);
  return p;
}

void TKeyRunCache::EncodeAll(const TPixelBuffer& pixels, TKeyRange key, uint64_t version) {
  Whole(pixels, key, version);
  // Pictures known from before a reload are encoded again now, not in the middle of a frame.
  FPictures.ForEach([&](const TRect& r, TKeyPicture& p) {
    const int stride = p.MoveStride;
    p.Build(pixels.Origin(), pixels.Stride(), r, key.Low, key.High, p.Cut);
    if (stride != 0) p.PrepareMoves(stride);
    p.SourceVersion = version;
  });
}
