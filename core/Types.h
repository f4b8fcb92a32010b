// Plain value types shared by every layer: points, rectangles, colours, call results; and one
// table hash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The result of a surface or sound call: 0 success, anything else a code of its layer.
using HRESULT = int32_t;

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// "(x, y)", as messages show a cell or a point. Appended piece by piece: g++ 12 at -O2 raises a
// false overlap warning on a chained concatenation.
inline std::string PointText(const TPoint& p) {
  std::string text = "(";
  text += std::to_string(p.X);
  text += ", ";
  text += std::to_string(p.Y);
  text += ")";
  return text;
}

// Right and Bottom are exclusive: a picture of width w at x has Right = x + w.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const TRect&, const TRect&) = default;
};

// A slot of a table of 2^bits slots for a 64-bit key: the top bits of a Fibonacci hash, which
// spread keys that differ in any bits.
inline size_t HashSlot(uint64_t key, int bits) {
  return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

// Whether inner lies wholly in outer.
inline bool RectInside(const TRect& inner, const TRect& outer) {
  return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
         inner.Bottom <= outer.Bottom;
}

inline TRect MakeRect(int left, int top, int width, int height) { return TRect{left, top, left + width, top + height}; }

// 0x00BBGGRR
using TColor = uint32_t;

constexpr TColor RGB(int r, int g, int b) {
  return static_cast<TColor>((r & 255) | ((g & 255) << 8) | ((b & 255) << 16));
}
constexpr int GetRValue(TColor c) { return c & 255; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 255; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 255; }
