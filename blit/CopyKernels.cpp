#include "blit/CopyKernels.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

// The operations on one pixel and on lanes of pixels; V is a pixel or a vector of them.
struct TCopyOp {
  TCopyOp(uint16_t, uint16_t) {}
  template <class V>
  CORVINA_INLINE void operator()(V&) const {}
};
struct THalfOp {
  THalfOp(uint16_t m1, uint16_t) : M1(m1) {}
  template <class V>
  CORVINA_INLINE void operator()(V& v) const {
    v = static_cast<V>((v >> 1) & M1);
  }
  uint16_t M1;
};
struct TThreeQuarterOp {
  TThreeQuarterOp(uint16_t m1, uint16_t m2) : M1(m1), M2(m2) {}
  template <class V>
  CORVINA_INLINE void operator()(V& v) const {
    v = static_cast<V>(((v >> 1) & M1) + ((v >> 2) & M2));
  }
  uint16_t M1, M2;
};

// The plain loops: the picture's whole runs, pixel by pixel, within the columns asked for.
template <class Op>
void PlainPart(const TKeyPicture& p, int c0, int r0, int c1, int r1, uint16_t* dst, uint16_t m1, uint16_t m2) {
  const Op op(m1, m2);
  for (int row = r0; row < r1; ++row, dst += p.MoveStride) {
    for (uint32_t i = p.RunFirst[row]; i < p.RunFirst[row + 1]; ++i) {
      const TPictureRun& run = p.Runs[i];
      const int from = std::max<int>(run.Col, c0), to = std::min<int>(run.Col + run.Length, c1);
      const uint16_t* s = p.RunPixels.data() + run.Pixel + (from - run.Col);
      for (int col = from; col < to; ++col) {
        uint16_t v = *s++;
        op(v);
        dst[col - c0] = v;
      }
    }
  }
}

CORVINA_INLINE uint16_t Stippled(uint16_t p, int f, int rShift, int gShift) {
  if (f < 0) return p;
  const auto channel = [&](int shift) { return std::min((((p >> shift) & 31) * f) >> 6, 31) << shift; };
  return static_cast<uint16_t>(channel(rShift) | channel(gShift) | channel(0));
}

void StipplePlain(const uint16_t* s, uint16_t* d, int n, int first, int f, int rShift, int gShift) {
  for (int i = first; i < n; i += 3) {
    if (s[i] != 0) d[i] = Stippled(s[i], f, rShift, gShift);
  }
}

constexpr TCopyKernels PlainKernels{PlainPart<TCopyOp>, PlainPart<THalfOp>, PlainPart<TThreeQuarterOp>, StipplePlain};

#if defined(__x86_64__) || defined(__wasm_simd128__)

// Lanes of pixels moved at once, as generic vectors: a build for SSE2 moves sixteen in two
// registers, one for AVX2 in one.
typedef uint16_t TLanes16 __attribute__((vector_size(32)));
typedef uint16_t TLanes8 __attribute__((vector_size(16)));
typedef uint16_t TLanes4 __attribute__((vector_size(8)));

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

// n pixels: moves of 16, the last overlapping; fewer in two overlapping moves of 8 or 4, or
// pixel by pixel.
template <class Op>
CORVINA_INLINE void MoveSpan(uint16_t* d, const uint16_t* s, int n, const Op& op) {
  if (n >= 16) {
    for (int at = 0; at + 16 < n; at += 16) Move<16>(d + at, s + at, op);
    Move<16>(d + n - 16, s + n - 16, op);
  } else if (n >= 8) {
    Move<8>(d, s, op);
    Move<8>(d + n - 8, s + n - 8, op);
  } else if (n >= 4) {
    Move<4>(d, s, op);
    Move<4>(d + n - 4, s + n - 4, op);
  } else {
    for (int k = 0; k < n; ++k) Move<1>(d + k, s + k, op);
  }
}

// The moves of size N in rows [r0, r1), whole; dst is the destination of picture row r0,
// column 0. The whole picture's needs no row index.
template <int N, class Op>
CORVINA_INLINE void MoveRows(const TKeyPicture::TMoveList& m, bool wholePicture, int r0, int r1, uint16_t* dst,
                             ptrdiff_t shift, const Op& op) {
  const size_t first = wholePicture ? 0 : m.RowFirst[r0];
  const int32_t* d = m.Dst + first;
  const int32_t* const end = m.Dst + (wholePicture ? m.Count : m.RowFirst[r1]);
  const uint16_t* s = m.Pixels + first * N;
  // Four at a time: the loop's own upkeep is then small beside the moves.
  for (; end - d >= 4; d += 4, s += 4 * N) {
    Move<N>(dst + (d[0] + shift), s, op);
    Move<N>(dst + (d[1] + shift), s + N, op);
    Move<N>(dst + (d[2] + shift), s + 2 * N, op);
    Move<N>(dst + (d[3] + shift), s + 3 * N, op);
  }
  for (; d != end; ++d, s += N) Move<N>(dst + (*d + shift), s, op);
}

// Whole rows through the moves; a part cut at a side run by run.
template <class Op>
CORVINA_INLINE void VectorPart(const TKeyPicture& p, int c0, int r0, int c1, int r1, uint16_t* dst, uint16_t m1,
                               uint16_t m2) {
  const Op op(m1, m2);
  if (c0 == 0 && c1 == p.Width) {
    // Offsets count from the picture's top-left, which may lie outside the destination.
    const ptrdiff_t shift = -static_cast<ptrdiff_t>(r0) * p.MoveStride;
    const bool whole = r0 == 0 && r1 == p.Height;
    MoveRows<16>(p.Lists[0], whole, r0, r1, dst, shift, op);
    MoveRows<8>(p.Lists[1], whole, r0, r1, dst, shift, op);
    MoveRows<4>(p.Lists[2], whole, r0, r1, dst, shift, op);
    MoveRows<1>(p.Lists[3], whole, r0, r1, dst, shift, op);
    return;
  }
  for (int row = r0; row < r1; ++row, dst += p.MoveStride) {
    for (uint32_t i = p.RunFirst[row]; i < p.RunFirst[row + 1]; ++i) {
      const TPictureRun& run = p.Runs[i];
      const int from = std::max<int>(run.Col, c0), to = std::min<int>(run.Col + run.Length, c1);
      if (from < to) MoveSpan(dst + (from - c0), p.RunPixels.data() + run.Pixel + (from - run.Col), to - from, op);
    }
  }
}

// The channel of v at bit `shift` times factor / 64, limited to 31, put into out.
CORVINA_INLINE void AddScaledChannel(TLanes16& out, const TLanes16& v, int shift, uint16_t factor) {
  TLanes16 c = (((v >> shift) & 31) * factor) >> 6;
  c = c > 31 ? 31 : c;
  out |= c << shift;
}

// Sixteen pixels at a time: every pixel's new value worked out, then kept only in the lanes
// that are picked and not 0; the rest of the row pixel by pixel.
CORVINA_INLINE void StippleVector(const uint16_t* s, uint16_t* d, int n, int first, int f, int rShift, int gShift) {
  // pick[q]: the lanes k with (k + q) a multiple of three.
  TLanes16 pick[3];
  for (int q = 0; q < 3; ++q)
    for (int k = 0; k < 16; ++k) pick[q][k] = (k + q) % 3 == 0 ? 0xFFFF : 0;
  const uint16_t factor = static_cast<uint16_t>(f < 0 ? 0 : f);
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    TLanes16 sv, dv;
    std::memcpy(&sv, s + i, sizeof sv);
    std::memcpy(&dv, d + i, sizeof dv);
    TLanes16 out = sv;
    if (f >= 0) {
      out = out ^ out;
      AddScaledChannel(out, sv, rShift, factor);
      AddScaledChannel(out, sv, gShift, factor);
      AddScaledChannel(out, sv, 0, factor);
    }
    const TLanes16 keep = pick[(i - first + 3) % 3] & static_cast<TLanes16>(sv != 0);
    dv = (out & keep) | (dv & ~keep);
    std::memcpy(d + i, &dv, sizeof dv);
  }
  const int rest = i + ((first - i) % 3 + 3) % 3;
  if (rest < n) StipplePlain(s + i, d + i, n - i, rest - i, f, rShift, gShift);
}

// The build's own vector unit, with no target of its own: SSE2, which every x86-64 processor
// has, or the browser's 128-bit lanes.
template <class Op>
void BasePart(const TKeyPicture& p, int c0, int r0, int c1, int r1, uint16_t* dst, uint16_t m1, uint16_t m2) {
  VectorPart<Op>(p, c0, r0, c1, r1, dst, m1, m2);
}
void BaseStipple(const uint16_t* s, uint16_t* d, int n, int first, int f, int rShift, int gShift) {
  StippleVector(s, d, n, first, f, rShift, gShift);
}
constexpr TCopyKernels BaseVectorKernels{BasePart<TCopyOp>, BasePart<THalfOp>, BasePart<TThreeQuarterOp>, BaseStipple};

#endif

#if defined(__x86_64__)
// The same loops on AVX2's 256-bit lanes, where the processor has them.
template <class Op>
__attribute__((target("avx2"))) void Avx2Part(const TKeyPicture& p, int c0, int r0, int c1, int r1, uint16_t* dst,
                                              uint16_t m1, uint16_t m2) {
  VectorPart<Op>(p, c0, r0, c1, r1, dst, m1, m2);
}
__attribute__((target("avx2"))) void Avx2Stipple(const uint16_t* s, uint16_t* d, int n, int first, int f, int rShift,
                                                 int gShift) {
  StippleVector(s, d, n, first, f, rShift, gShift);
}
constexpr TCopyKernels Avx2Kernels{Avx2Part<TCopyOp>, Avx2Part<THalfOp>, Avx2Part<TThreeQuarterOp>, Avx2Stipple};

#endif

}  // namespace

bool CopyKernelSupported(TCopyKernel k) {
  switch (k) {
    case TCopyKernel::Plain: return true;
#if defined(__x86_64__)
    case TCopyKernel::Sse2: return true;
    case TCopyKernel::Avx2:
      // May run before the library's own start-up has read the processor's features.
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2");
#else
    default: return false;
#endif
  }
  return false;
}

TCopyKernel FastestCopyKernel() {
  for (TCopyKernel k : {TCopyKernel::Avx2, TCopyKernel::Sse2})
    if (CopyKernelSupported(k)) return k;
  return TCopyKernel::Plain;
}

const TCopyKernels& CopyKernelsOf(TCopyKernel k) {
#if defined(__x86_64__)
  if (k == TCopyKernel::Avx2) return Avx2Kernels;
  if (k == TCopyKernel::Sse2) return BaseVectorKernels;
#else
  (void)k;
#endif
  return PlainKernels;
}

#if defined(__wasm_simd128__)
const TCopyKernels* const SelectedCopyKernels = &BaseVectorKernels;
#else
const TCopyKernels* const SelectedCopyKernels = &CopyKernelsOf(FastestCopyKernel());
#endif
