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

#include "blit/Attributes.h"
#include "blit/PictureCut.h"
#include "core/Types.h"

// The moves of one size.
struct TPictureMoves {
  std::vector<uint16_t> Col;       // per move, its first column in the picture
  std::vector<uint32_t> RowFirst;  // per row, index of its first move; Height + 1 entries
  std::vector<uint16_t> Pixels;    // the moves' pixels, Size per move, in move order
  std::vector<int32_t> Dst;        // per move, its offset in pixels from the picture's top-left
                                   // on a destination of the picture's MoveStride
};

// One opaque run of a row, for drawing a picture cut by a side edge.
struct TPictureRun {
  uint16_t Col;     // first column
  uint16_t Length;  // pixels
  uint32_t Pixel;   // index of its first pixel in TKeyPicture::RunPixels
};

class TKeyPicture {
 public:
  // Pixels per move of each move list, longest first.
  static constexpr int MoveSizes[4] = {16, 8, 4, 1};

  TKeyPicture() = default;
  // Lists points into the move lists' storage, which a move keeps and a copy would not.
  TKeyPicture(const TKeyPicture&) = delete;
  TKeyPicture& operator=(const TKeyPicture&) = delete;
  TKeyPicture(TKeyPicture&&) = default;
  TKeyPicture& operator=(TKeyPicture&&) = default;

  // Encodes rectangle r (inside the surface) of the pixels src, stride in pixels; pixels in
  // [keyLow, keyHigh] are transparent, and so are those the cut leaves out. Destination
  // offsets are made again by PrepareMoves.
  void Build(const uint16_t* src, int stride, const TRect& r, uint16_t keyLow, uint16_t keyHigh,
             const TPictureCut& cut = NoCut);
  // Destination offsets of every move for a destination of that stride (pixels).
  void PrepareMoves(int dstStride) {
    if (MoveStride != dstStride) MakeOffsets(dstStride);
  }

  // What a draw reads first, together: whether the picture is ready, its size, and per move
  // size the moves' destination offsets and pixels and their count (set by PrepareMoves).
  struct TMoveList {
    const int32_t* Dst = nullptr;
    const uint16_t* Pixels = nullptr;
    const uint32_t* RowFirst = nullptr;
    uint32_t Count = 0;  // moves in the whole picture
  };
  uint64_t SourceVersion = 0;  // for the keeper: the contents of the surface it was built from
  int MoveStride = 0;          // destination stride (pixels) of the offsets in Dst; 0: none yet
  int Width = 0;               // pixels
  int Height = 0;              // pixels
  TMoveList Lists[4];
  size_t Opaque = 0;       // opaque pixels in the picture
  TPictureCut Cut;         // the cut it was built with
  TPictureMoves Moves[4];  // by MoveSizes
  // The same pixels as whole runs, row by row: a part cut by a side edge is copied run by
  // run, not move by move.
  std::vector<TPictureRun> Runs;
  std::vector<uint32_t> RunFirst;  // per row, index of its first run; Height + 1 entries
  std::vector<uint16_t> RunPixels;

 private:
  void MakeOffsets(int dstStride);
};

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

// Rows [r0, r1) keeping to columns [c0, c1), run by run; dst is the destination of picture
// row r0, column c0.
template <class Op>
CORVINA_INLINE void RunRowsClipped(const TKeyPicture& p, int r0, int r1, int c0, int c1, uint16_t* dst, const Op& op) {
  for (int row = r0; row < r1; ++row, dst += p.MoveStride) {
    for (uint32_t i = p.RunFirst[row]; i < p.RunFirst[row + 1]; ++i) {
      const TPictureRun& run = p.Runs[i];
      const int from = std::max<int>(run.Col, c0), to = std::min<int>(run.Col + run.Length, c1);
      if (from < to) MoveSpan(dst + (from - c0), p.RunPixels.data() + run.Pixel + (from - run.Col), to - from, op);
    }
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
    const bool whole = r0 == 0 && r1 == p.Height;
    MoveRows<16>(p.Lists[0], whole, r0, r1, dst, shift, op);
    MoveRows<8>(p.Lists[1], whole, r0, r1, dst, shift, op);
    MoveRows<4>(p.Lists[2], whole, r0, r1, dst, shift, op);
    MoveRows<1>(p.Lists[3], whole, r0, r1, dst, shift, op);
  } else {
    RunRowsClipped(p, r0, r1, c0, c1, dst, op);
  }
}

// Rectangle r of the picture kept for rectangle `picture` of its surface, to be copied to dst:
// the part of the picture, and where that part goes. Columns cut off where the destination has
// room for them (leftRoom, rightRoom) are drawn all the same, so whole rows go the fast way.
struct TPicturePart {
  TRect Part;
  uint16_t* Dst;
};
CORVINA_INLINE TPicturePart PicturePart(const TKeyPicture& p, const TRect& r, const TRect& picture, int leftRoom,
                                        int rightRoom, uint16_t* dst) {
  TRect part{r.Left - picture.Left, r.Top - picture.Top, r.Right - picture.Left, r.Bottom - picture.Top};
  if (part.Left <= leftRoom && p.Width - part.Right <= rightRoom) {
    dst -= part.Left;
    part.Left = 0;
    part.Right = p.Width;
  }
  return {part, dst};
}
