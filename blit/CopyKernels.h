// The loops that copy a pre-encoded picture: plain C++, and builds for the vector units of
// x86-64 (SSE2 on every such processor, AVX2 where it has it), each drawing exactly what the
// plain one draws. The browser takes the same vector loops on its 128-bit lanes. The processor's
// widest is chosen once, at start.
#pragma once

#include <cstdint>

#include "blit/KeyPicture.h"

enum class TCopyKernel { Plain, Sse2, Avx2 };

// The per-pixel operations, which depend on the source pixel alone: a pixel written twice by
// overlapping moves gets the same value.
struct TCopyPixel {};
// Each channel halved; M1 keeps each channel's bits below its top.
struct THalfPixel {
  uint16_t M1;
  uint16_t Of(uint16_t p) const { return static_cast<uint16_t>((p >> 1) & M1); }
};
// Each channel at three quarters, as a half and a quarter; M2 keeps each channel's bits below
// its top two.
struct TThreeQuarterPixel {
  uint16_t M1, M2;
  uint16_t Of(uint16_t p) const { return static_cast<uint16_t>(((p >> 1) & M1) + ((p >> 2) & M2)); }
};

struct TCopyKernels {
  // Columns [c0, c1) of rows [r0, r1) of the picture (all inside it), with picture pixel
  // (c0, r0) at dst; the moves must be prepared for dst's stride. m1, m2: the operation's masks.
  using TPart = void (*)(const TKeyPicture& p, int c0, int r0, int c1, int r1, uint16_t* dst, uint16_t m1, uint16_t m2);
  TPart Copy;
  TPart Half;
  TPart ThreeQuarter;
  // Pixels first, first + 3, ... below n of row s that are not 0 onto d: as they are for f < 0,
  // else each channel (red and green at bit rShift and gShift, blue at 0, five bits each)
  // times f / 64 (f at most 128), limited to 31.
  void (*StippleRow)(const uint16_t* s, uint16_t* d, int n, int first, int f, int rShift, int gShift);
};

// Whether this processor and build can run kernel k.
bool CopyKernelSupported(TCopyKernel k);
// The widest kernel this processor runs.
TCopyKernel FastestCopyKernel();
// The loops of kernel k, which must be supported.
const TCopyKernels& CopyKernelsOf(TCopyKernel k);
// The fastest kernel's loops, which every draw takes.
extern const TCopyKernels* const SelectedCopyKernels;

// Columns [c0, c1) of rows [r0, r1) of the picture through op, with picture pixel (c0, r0) at
// dst; the moves must be prepared for dst's stride.
inline void DrawPicturePart(const TKeyPicture& p, int c0, int r0, int c1, int r1, uint16_t* dst, TCopyPixel) {
  SelectedCopyKernels->Copy(p, c0, r0, c1, r1, dst, 0, 0);
}
inline void DrawPicturePart(const TKeyPicture& p, int c0, int r0, int c1, int r1, uint16_t* dst, THalfPixel op) {
  SelectedCopyKernels->Half(p, c0, r0, c1, r1, dst, op.M1, 0);
}
inline void DrawPicturePart(const TKeyPicture& p, int c0, int r0, int c1, int r1, uint16_t* dst,
                            TThreeQuarterPixel op) {
  SelectedCopyKernels->ThreeQuarter(p, c0, r0, c1, r1, dst, op.M1, op.M2);
}
