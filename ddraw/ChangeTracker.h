// What changed in a surface's pixels, and where drawing may go. Every change counts up a
// version; rows are watched in bands of RowBand, each remembering the version of its last
// change, so a watcher that keeps the version it last saw learns which bands to look at again.
// The window, rows and columns, limits where drawing routines and device contexts draw.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

class TChangeTracker {
 public:
  static constexpr int RowBand = 16;

  TChangeTracker(int width, int height, uint64_t serial)
      : FWidth(std::max(width, 0)),
        FHeight(std::max(height, 0)),
        FSerial(serial),
        FBandVersion(static_cast<size_t>((FHeight + RowBand - 1) / RowBand), FVersion) {}

  // Counts changes of the contents: what was worked out from the pixels stays true while it is
  // unchanged.
  uint64_t Version() const { return FVersion; }
  // Different for every surface the program made.
  uint64_t Serial() const { return FSerial; }
  int RowBands() const { return static_cast<int>(FBandVersion.size()); }
  bool BandChangedSince(int band, uint64_t version) const { return FBandVersion[static_cast<size_t>(band)] > version; }

  // Rows [from, to) (clipped to the surface) changed.
  void MarkRows(int from, int to) {
    ++FVersion;
    from = std::max(from, 0);
    to = std::min(to, FHeight);
    if (from >= to) return;
    std::fill(FBandVersion.begin() + from / RowBand, FBandVersion.begin() + (to - 1) / RowBand + 1, FVersion);
  }
  void MarkAll() { MarkRows(0, FHeight); }
  // A change whose rows are marked by whoever makes it, one by one.
  void MarkUnplaced() { ++FVersion; }

  void SetWindow(int rowsFrom, int rowsTo, int columnsFrom = 0, int columnsTo = INT_MAX) {
    FRowsFrom = rowsFrom;
    FRowsTo = rowsTo;
    FColumnsFrom = columnsFrom;
    FColumnsTo = columnsTo;
  }
  void ClearWindow() { SetWindow(0, INT_MAX); }
  int RowsFrom() const { return std::clamp(FRowsFrom, 0, FHeight); }
  int RowsTo() const { return std::clamp(FRowsTo, RowsFrom(), FHeight); }
  int ColumnsFrom() const { return std::clamp(FColumnsFrom, 0, FWidth); }
  int ColumnsTo() const { return std::clamp(FColumnsTo, ColumnsFrom(), FWidth); }

 private:
  int FWidth;
  int FHeight;
  uint64_t FVersion = 1;
  uint64_t FSerial;
  std::vector<uint64_t> FBandVersion;  // per band of rows, the version of its last change
  int FRowsFrom = 0;
  int FRowsTo = INT_MAX;
  int FColumnsFrom = 0;
  int FColumnsTo = INT_MAX;
};
