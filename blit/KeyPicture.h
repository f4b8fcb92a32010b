// Pictures of a colour-keyed surface pre-encoded for fast copies. Each row's opaque runs are
// cut into fixed-size moves of 16, 8, 4 and 1 pixels (the last move of a run overlapping the
// one before), and each size's moves keep their pixels one after another, so the hot loops
// only load, transform and store, with no per-run branching (blit/CopyKernels has them).
#pragma once

#include <cstddef>
#include <cstdint>
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
