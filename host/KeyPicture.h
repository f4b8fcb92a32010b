// Pictures of a colour-keyed surface pre-encoded for fast copies. Each row's opaque runs are
// cut into fixed-size moves of 16, 8, 4 and 1 pixels (the last move of a run overlapping the
// one before), and each size's moves keep their pixels one after another, so the hot loops
// only load, transform and store, with no per-run branching. The drawing loops take a
// per-pixel operation that depends on the source pixel alone: a plain copy or a brightness
// change, so a pixel written twice by overlapping moves gets the same value.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/Types.h"

// Marks the functions that hold a hot drawing loop: built twice, the wider moves chosen where
// the processor has them.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
#define CORVINA_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define CORVINA_CLONES
#endif

// The moves of one size.
struct TPictureMoves {
  std::vector<uint16_t> Col;       // per move, its first column in the picture
  std::vector<uint32_t> RowFirst;  // per row, index of its first move; Height + 1 entries
  std::vector<uint16_t> Pixels;    // the moves' pixels, Size per move, in move order
  std::vector<int32_t> Dst;        // per move, its offset in pixels from the picture's top-left
                                   // on a destination of the picture's MoveStride
};

class TKeyPicture {
 public:
  // Pixels per move of each move list, longest first.
  static constexpr int MoveSizes[4] = {16, 8, 4, 1};

  // Encodes rectangle r (inside the surface) of the pixels src, stride in pixels; pixels in
  // [keyLow, keyHigh] are transparent. Destination offsets are made again by PrepareMoves.
  void Build(const uint16_t* src, int stride, const TRect& r, uint16_t keyLow, uint16_t keyHigh);
  // Destination offsets of every move for a destination of that stride (pixels).
  void PrepareMoves(int dstStride) {
    if (MoveStride != dstStride) MakeOffsets(dstStride);
  }

  int Width = 0;          // pixels
  int Height = 0;         // pixels
  size_t Opaque = 0;      // opaque pixels in the picture
  int MoveStride = 0;     // destination stride (pixels) of the offsets in Dst; 0: none yet
  TPictureMoves Moves[4];  // by MoveSizes

 private:
  void MakeOffsets(int dstStride);
};

// The drawing loops are inlined into each clone, so each gets its own moves.
#define CORVINA_INLINE inline __attribute__((always_inline))

// Lanes of pixels moved at once; the compiler maps them to the widest registers it has.
typedef uint16_t TLanes16 __attribute__((vector_size(32)));
typedef uint16_t TLanes8 __attribute__((vector_size(16)));
typedef uint16_t TLanes4 __attribute__((vector_size(8)));

// The per-pixel operation of a plain keyed copy.
struct TCopyPixel {
  template <class V>
  void operator()(V&) const {}
};

namespace keypicture {

template <int N>
struct TLanesOf {
  using Type = uint16_t;
};
template <>
struct TLanesOf<16> {
  using Type = TLanes16;
};
template <>
struct TLanesOf<8> {
  using Type = TLanes8;
};
template <>
struct TLanesOf<4> {
  using Type = TLanes4;
};

template <int N, class Op>
CORVINA_INLINE void Move(uint16_t* d, const uint16_t* s, const Op& op) {
  typename TLanesOf<N>::Type v;
  std::memcpy(&v, s, sizeof v);
  op(v);
  std::memcpy(d, &v, sizeof v);
}

// n pixels, fewer than 16: two overlapping moves of 8 or 4, or pixel by pixel.
template <class Op>
CORVINA_INLINE void MoveSpan(uint16_t* d, const uint16_t* s, int n, const Op& op) {
  if (n >= 8) {
    Move<8>(d, s, op);
    Move<8>(d + n - 8, s + n - 8, op);
  } else if (n >= 4) {
    Move<4>(d, s, op);
    Move<4>(d + n - 4, s + n - 4, op);
  } else {
    for (int k = 0; k < n; ++k) Move<1>(d + k, s + k, op);
  }
}

// The moves of size N in rows [r0, r1), whole; dst is the destination of picture row r0, column 0.
template <int N, class Op>
CORVINA_INLINE void MoveRows(const TPictureMoves& m, int r0, int r1, uint16_t* dst, ptrdiff_t shift, const Op& op) {
  const uint32_t last = m.RowFirst[r1];
  uint32_t i = m.RowFirst[r0];
  const uint16_t* s = m.Pixels.data() + static_cast<size_t>(i) * N;
  const int32_t* d = m.Dst.data();
#pragma GCC unroll 4
  for (; i < last; ++i, s += N) Move<N>(dst + (d[i] + shift), s, op);
}

// The same, keeping to columns [c0, c1); moves cut by an edge go pixel by pixel.
template <int N, class Op>
CORVINA_INLINE void MoveRowsClipped(const TPictureMoves& m, int r0, int r1, int c0, int c1, uint16_t* dst, ptrdiff_t shift,
                            const Op& op) {
  const uint32_t last = m.RowFirst[r1];
  for (uint32_t i = m.RowFirst[r0]; i < last; ++i) {
    const int col = m.Col[i];
    if (col >= c1 || col + N <= c0) continue;
    const uint16_t* s = m.Pixels.data() + static_cast<size_t>(i) * N;
    uint16_t* d = dst + (m.Dst[i] + shift);
    if (col >= c0 && col + N <= c1) {
      Move<N>(d, s, op);
      continue;
    }
    const int from = std::max(c0 - col, 0);
    MoveSpan(d + from, s + from, std::min(c1 - col, N) - from, op);
  }
}

}  // namespace keypicture

// Columns [c0, c1) of rows [r0, r1) of the picture (all inside it), with picture pixel (c0, r0)
// at dst; the moves must be prepared for dst's stride.
template <class Op>
CORVINA_INLINE void DrawPicturePart(const TKeyPicture& p, int c0, int r0, int c1, int r1, uint16_t* dst, const Op& op) {
  using namespace keypicture;
  // Offsets count from the picture's top-left, which may lie outside the destination.
  const ptrdiff_t shift = -(static_cast<ptrdiff_t>(r0) * p.MoveStride + c0);
  if (c0 == 0 && c1 == p.Width) {
    MoveRows<16>(p.Moves[0], r0, r1, dst, shift, op);
    MoveRows<8>(p.Moves[1], r0, r1, dst, shift, op);
    MoveRows<4>(p.Moves[2], r0, r1, dst, shift, op);
    MoveRows<1>(p.Moves[3], r0, r1, dst, shift, op);
  } else {
    MoveRowsClipped<16>(p.Moves[0], r0, r1, c0, c1, dst, shift, op);
    MoveRowsClipped<8>(p.Moves[1], r0, r1, c0, c1, dst, shift, op);
    MoveRowsClipped<4>(p.Moves[2], r0, r1, c0, c1, dst, shift, op);
    MoveRowsClipped<1>(p.Moves[3], r0, r1, c0, c1, dst, shift, op);
  }
}
