// The row loops of the sharp scaler: plain C++, and builds for the vector units of x86-64
// (SSE2 on every such processor, AVX2 where it has it), each drawing exactly what the plain
// one draws. Elsewhere (the browser) only the plain loops exist.
#pragma once

#include <cstdint>

enum class TScaleKernel { Plain, Sse2, Avx2 };

struct TScaleKernels {
  // out[x] = a[x] and b[x] mixed channel by channel, b weighing w of 256 (rounded down), for
  // 0x00RRGGBB pixels.
  void (*BlendRows)(const uint32_t* a, const uint32_t* b, uint32_t w, uint32_t* out, int n);
  // out[x] = wide[col[x]] and wide[col[x] + 1] mixed as above, the second weighing weight[x]
  // of 256; wide is readable one pixel past the largest col.
  void (*BlendColumns)(const uint32_t* wide, const int32_t* col, const uint16_t* weight, uint32_t* out, int n);
  // Each of the n pixels of in written k times over into out.
  void (*Repeat)(const uint32_t* in, int n, int k, uint32_t* out);
  // 0x00RRGGBB words turned into the bytes R, G, B, 255, in place.
  void (*ToRgbaBytes)(uint32_t* row, int n);
};

// Whether this processor and build can run kernel k.
bool ScaleKernelSupported(TScaleKernel k);
// The widest kernel this processor runs.
TScaleKernel FastestScaleKernel();
// The loops of kernel k, which must be supported.
const TScaleKernels& ScaleKernelsOf(TScaleKernel k);
