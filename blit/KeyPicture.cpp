// Encoding a keyed picture into its moves and runs.
#include "blit/KeyPicture.h"

void TKeyPicture::Build(const uint16_t* src, int stride, const TRect& r, uint16_t keyLow, uint16_t keyHigh,
                        const TPictureCut& cut) {
  Width = r.Right - r.Left;
  Height = r.Bottom - r.Top;
  Opaque = 0;
  Cut = cut;
  MoveStride = 0;
  for (TPictureMoves& m : Moves) {
    m.Col.clear();
    m.Pixels.clear();
    m.Dst.clear();
    m.RowFirst.assign(static_cast<size_t>(Height) + 1, 0);
  }
  Runs.clear();
  RunPixels.clear();
  RunFirst.assign(static_cast<size_t>(Height) + 1, 0);
  const auto opaque = [&](uint16_t p) { return p < keyLow || p > keyHigh; };
  for (int y = 0; y < Height; ++y) {
    for (TPictureMoves& m : Moves) m.RowFirst[y] = static_cast<uint32_t>(m.Col.size());
    RunFirst[y] = static_cast<uint32_t>(Runs.size());
    const uint16_t* row = src + static_cast<size_t>(r.Top + y) * stride + r.Left;
    const TColumnSpan span = cut.Row(y, Width);
    int x = span.First;
    while (x < span.End) {
      while (x < span.End && !opaque(row[x])) ++x;
      const int start = x;
      while (x < span.End && opaque(row[x])) ++x;
      const int n = x - start;
      if (n == 0) break;
      Opaque += static_cast<size_t>(n);
      Runs.push_back({static_cast<uint16_t>(start), static_cast<uint16_t>(n), static_cast<uint32_t>(RunPixels.size())});
      RunPixels.insert(RunPixels.end(), row + start, row + x);
      const auto add = [&](int list, int at) {
        TPictureMoves& m = Moves[list];
        m.Col.push_back(static_cast<uint16_t>(start + at));
        m.Pixels.insert(m.Pixels.end(), row + start + at, row + start + at + MoveSizes[list]);
      };
      // Runs of 16 and more in moves of 16, the last overlapping; shorter ones in two
      // overlapping moves of 8 or 4; the shortest pixel by pixel.
      if (n >= 16) {
        for (int at = 0; at + 16 < n; at += 16) add(0, at);
        add(0, n - 16);
      } else if (n >= 4) {
        const int list = n >= 8 ? 1 : 2;
        add(list, 0);
        if (n > MoveSizes[list]) add(list, n - MoveSizes[list]);
      } else {
        for (int at = 0; at < n; ++at) add(3, at);
      }
    }
  }
  for (TPictureMoves& m : Moves) m.RowFirst[Height] = static_cast<uint32_t>(m.Col.size());
  RunFirst[Height] = static_cast<uint32_t>(Runs.size());
}

void TKeyPicture::MakeOffsets(int dstStride) {
  for (int k = 0; k < 4; ++k) {
    TPictureMoves& m = Moves[k];
    m.Dst.resize(m.Col.size());
    for (int y = 0; y < Height; ++y)
      for (uint32_t i = m.RowFirst[y]; i < m.RowFirst[y + 1]; ++i) m.Dst[i] = y * dstStride + m.Col[i];
    Lists[k] = {m.Dst.data(), m.Pixels.data(), m.RowFirst.data(), static_cast<uint32_t>(m.Dst.size())};
  }
  MoveStride = dstStride;
}
