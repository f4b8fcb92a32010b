// A colour-keyed surface's pre-encoded opaque runs, the fast way to copy it keyed: of the
// whole surface, for a copy of any rectangle, and of each picture asked for by its rectangle
// and cut. Each encoding remembers the version of the contents it was made from, and is made
// again when the contents have moved on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "blit/Attributes.h"
#include "blit/KeyPicture.h"
#include "blit/PictureTable.h"
#include "core/Types.h"
#include "ddraw/PixelBuffer.h"

// The pixel values a keyed copy skips, [Low, High].
struct TKeyRange {
  uint16_t Low = 0;
  uint16_t High = 0;
};

class TKeyRunCache {
 public:
  // Off: no encoding is made or handed out (keyed copies then test every pixel).
  bool On() const { return FOn; }
  void SetOn(bool on) { FOn = on; }
  bool WholeReady(uint64_t version) const { return FWholeVersion == version; }
  // The whole buffer's runs, encoded again when older than version.
  TKeyPicture& Whole(const TPixelBuffer& pixels, TKeyRange key, uint64_t version);
  // The kept picture of r with that cut when it is encoded for version and prepared for a
  // destination of dstStride pixels; null otherwise.
  CORVINA_INLINE const TKeyPicture* Ready(const TRect& r, uint32_t cutId, int dstStride, uint64_t version) const {
    if (!FOn) return nullptr;
    const TKeyPicture* p = FPictures.Find(r, cutId);
    return p == nullptr || p->SourceVersion != version || p->MoveStride != dstStride ? nullptr : p;
  }
  // The picture of r (inside the buffer) with that cut, encoded for version and prepared for
  // dstStride. Valid until the next call: past MaxPictures all are forgotten.
  const TKeyPicture& Picture(const TPixelBuffer& pixels, TKeyRange key, const TRect& r, const TPictureCut& cut,
                             int dstStride, uint64_t version);
  // Encodes the whole buffer and every picture kept for version now.
  void EncodeAll(const TPixelBuffer& pixels, TKeyRange key, uint64_t version);
  size_t PictureCount() const { return FPictures.Count(); }

 private:
  bool FOn = true;
  uint64_t FWholeVersion = 0;  // the version FWhole encodes
  TKeyPicture FWhole;
  TPictureTable FPictures;
};
