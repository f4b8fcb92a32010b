#include "platform/ScaleKernels.h"

#include <algorithm>
#include <cstddef>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// One pixel's mix: red and blue in one product, green in another. Each channel's sum stays
// below 65,536, so no carry crosses into the next: the same as mixing each channel alone,
// which is what the vector loops do.
inline uint32_t Blend(uint32_t p, uint32_t q, uint32_t w) {
  if (w == 0) return p;
  const uint32_t rb = (((p & 0xFF00FFu) * (256 - w) + (q & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
  const uint32_t g = (((p & 0x00FF00u) * (256 - w) + (q & 0x00FF00u) * w) >> 8) & 0x00FF00u;
  return rb | g;
}

inline uint32_t RgbaBytes(uint32_t p) {
  return 0xFF000000u | (p & 0x00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16);
}

void BlendRowsPlain(const uint32_t* a, const uint32_t* b, uint32_t w, uint32_t* out, int n) {
  for (int x = 0; x < n; ++x) out[x] = Blend(a[x], b[x], w);
}

void BlendColumnsPlain(const uint32_t* wide, const int32_t* col, const uint16_t* weight, uint32_t* out, int n) {
  for (int x = 0; x < n; ++x) out[x] = Blend(wide[col[x]], wide[col[x] + 1], weight[x]);
}

void RepeatPlain(const uint32_t* in, int n, int k, uint32_t* out) {
  for (int x = 0; x < n; ++x) std::fill_n(out + static_cast<std::ptrdiff_t>(x) * k, k, in[x]);
}

void ToRgbaBytesPlain(uint32_t* row, int n) {
  for (int x = 0; x < n; ++x) row[x] = RgbaBytes(row[x]);
}

constexpr TScaleKernels PlainKernels{BlendRowsPlain, BlendColumnsPlain, RepeatPlain, ToRgbaBytesPlain};

#if defined(__x86_64__)

// Channels widened to 16-bit lanes: p * (256 - w) + q * w fits one lane (at most 255 * 256).
inline __m128i Mix16(__m128i p, __m128i q, __m128i w) {
  const __m128i keep = _mm_sub_epi16(_mm_set1_epi16(256), w);
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(p, keep), _mm_mullo_epi16(q, w)), 8);
}
// Four pixels; wLo holds the weights of pixels 0 and 1 (each four times), wHi of 2 and 3.
inline __m128i Mix4(__m128i p, __m128i q, __m128i wLo, __m128i wHi) {
  const __m128i z = _mm_setzero_si128();
  const __m128i lo = Mix16(_mm_unpacklo_epi8(p, z), _mm_unpacklo_epi8(q, z), wLo);
  const __m128i hi = Mix16(_mm_unpackhi_epi8(p, z), _mm_unpackhi_epi8(q, z), wHi);
  return _mm_packus_epi16(lo, hi);
}

// Pixels col[i] and col[i] + 1 of four columns, split into the first pixels and the second.
inline void Pairs4(const uint32_t* wide, const int32_t* col, __m128i& p, __m128i& q) {
  const auto pair = [&](int i) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(wide + col[i])); };
  const __m128 a = _mm_castsi128_ps(_mm_unpacklo_epi64(pair(0), pair(1)));
  const __m128 b = _mm_castsi128_ps(_mm_unpacklo_epi64(pair(2), pair(3)));
  p = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
  q = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
}

void BlendRowsSse2(const uint32_t* a, const uint32_t* b, uint32_t w, uint32_t* out, int n) {
  const __m128i wv = _mm_set1_epi16(static_cast<int16_t>(w));
  int x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
    const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), Mix4(p, q, wv, wv));
  }
  for (; x < n; ++x) out[x] = Blend(a[x], b[x], w);
}

void BlendColumnsSse2(const uint32_t* wide, const int32_t* col, const uint16_t* weight, uint32_t* out, int n) {
  int x = 0;
  for (; x + 4 <= n; x += 4) {
    __m128i p, q;
    Pairs4(wide, col + x, p, q);
    const __m128i w = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(weight + x));
    const __m128i w2 = _mm_unpacklo_epi16(w, w);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                     Mix4(p, q, _mm_unpacklo_epi32(w2, w2), _mm_unpackhi_epi32(w2, w2)));
  }
  for (; x < n; ++x) out[x] = Blend(wide[col[x]], wide[col[x] + 1], weight[x]);
}

void RepeatSse2(const uint32_t* in, int n, int k, uint32_t* out) {
  int x = 0;
  const auto store = [](uint32_t* at, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v); };
  if (k == 2) {
    for (; x + 4 <= n; x += 4) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
      store(out + 2 * x, _mm_unpacklo_epi32(v, v));
      store(out + 2 * x + 4, _mm_unpackhi_epi32(v, v));
    }
  } else if (k == 3) {
    for (; x + 4 <= n; x += 4) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
      store(out + 3 * x, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 0, 0)));
      store(out + 3 * x + 4, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 2, 1, 1)));
      store(out + 3 * x + 8, _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 3, 3, 2)));
    }
  } else if (k >= 4) {
    // Stores of four, the last overlapping the one before.
    for (; x < n; ++x) {
      const __m128i v = _mm_set1_epi32(static_cast<int>(in[x]));
      uint32_t* at = out + static_cast<std::ptrdiff_t>(x) * k;
      for (int i = 0; i + 4 < k; i += 4) store(at + i, v);
      store(at + k - 4, v);
    }
  }
  RepeatPlain(in + x, n - x, k, out + static_cast<std::ptrdiff_t>(x) * k);
}

void ToRgbaBytesSse2(uint32_t* row, int n) {
  const __m128i green = _mm_set1_epi32(0x00FF00), low = _mm_set1_epi32(0xFF), alpha = _mm_set1_epi32(-0x1000000);
  int x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    const __m128i swapped =
        _mm_or_si128(_mm_and_si128(_mm_srli_epi32(p, 16), low), _mm_slli_epi32(_mm_and_si128(p, low), 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x),
                     _mm_or_si128(_mm_or_si128(_mm_and_si128(p, green), swapped), alpha));
  }
  ToRgbaBytesPlain(row + x, n - x);
}

constexpr TScaleKernels Sse2Kernels{BlendRowsSse2, BlendColumnsSse2, RepeatSse2, ToRgbaBytesSse2};

#define CORVINA_AVX2 __attribute__((target("avx2")))

CORVINA_AVX2 inline __m256i Mix16Avx2(__m256i p, __m256i q, __m256i w) {
  const __m256i keep = _mm256_sub_epi16(_mm256_set1_epi16(256), w);
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(p, keep), _mm256_mullo_epi16(q, w)), 8);
}
// Eight pixels; the unpacks work within each half, so wLo holds the weights of pixels 0, 1
// and 4, 5, wHi of 2, 3 and 6, 7.
CORVINA_AVX2 inline __m256i Mix8(__m256i p, __m256i q, __m256i wLo, __m256i wHi) {
  const __m256i z = _mm256_setzero_si256();
  const __m256i lo = Mix16Avx2(_mm256_unpacklo_epi8(p, z), _mm256_unpacklo_epi8(q, z), wLo);
  const __m256i hi = Mix16Avx2(_mm256_unpackhi_epi8(p, z), _mm256_unpackhi_epi8(q, z), wHi);
  return _mm256_packus_epi16(lo, hi);
}

CORVINA_AVX2 void BlendRowsAvx2(const uint32_t* a, const uint32_t* b, uint32_t w, uint32_t* out, int n) {
  const __m256i wv = _mm256_set1_epi16(static_cast<int16_t>(w));
  int x = 0;
  for (; x + 8 <= n; x += 8) {
    const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + x));
    const __m256i q = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + x));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), Mix8(p, q, wv, wv));
  }
  for (; x < n; ++x) out[x] = Blend(a[x], b[x], w);
}

CORVINA_AVX2 void BlendColumnsAvx2(const uint32_t* wide, const int32_t* col, const uint16_t* weight, uint32_t* out,
                                   int n) {
  int x = 0;
  for (; x + 8 <= n; x += 8) {
    // Pairs loaded one by one: the gather instructions are slower on some processors.
    const auto pair = [&](int i) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(wide + col[x + i])); };
    const __m256 a = _mm256_castsi256_ps(
        _mm256_setr_m128i(_mm_unpacklo_epi64(pair(0), pair(1)), _mm_unpacklo_epi64(pair(4), pair(5))));
    const __m256 b = _mm256_castsi256_ps(
        _mm256_setr_m128i(_mm_unpacklo_epi64(pair(2), pair(3)), _mm_unpacklo_epi64(pair(6), pair(7))));
    const __m256i p = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m256i q = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    // Each weight in both halves of its 32-bit lane, then doubled again by the unpacks.
    __m256i w = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(weight + x)));
    w = _mm256_or_si256(w, _mm256_slli_epi32(w, 16));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                        Mix8(p, q, _mm256_unpacklo_epi32(w, w), _mm256_unpackhi_epi32(w, w)));
  }
  BlendColumnsSse2(wide, col + x, weight + x, out + x, n - x);
}

constexpr TScaleKernels Avx2Kernels{BlendRowsAvx2, BlendColumnsAvx2, RepeatSse2, ToRgbaBytesSse2};

#endif

}  // namespace

bool ScaleKernelSupported(TScaleKernel k) {
  switch (k) {
    case TScaleKernel::Plain: return true;
#if defined(__x86_64__)
    case TScaleKernel::Sse2: return true;
    case TScaleKernel::Avx2: return __builtin_cpu_supports("avx2");
#else
    default: return false;
#endif
  }
  return false;
}

TScaleKernel FastestScaleKernel() {
  for (TScaleKernel k : {TScaleKernel::Avx2, TScaleKernel::Sse2})
    if (ScaleKernelSupported(k)) return k;
  return TScaleKernel::Plain;
}

const TScaleKernels& ScaleKernelsOf(TScaleKernel k) {
#if defined(__x86_64__)
  if (k == TScaleKernel::Avx2) return Avx2Kernels;
  if (k == TScaleKernel::Sse2) return Sse2Kernels;
#else
  (void)k;
#endif
  return PlainKernels;
}
