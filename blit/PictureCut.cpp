#include "blit/PictureCut.h"

#include <atomic>
#include <utility>

TPictureCut::TPictureCut(std::vector<TColumnSpan> rows) : FRows(std::move(rows)) {
  static std::atomic<uint32_t> made{0};
  FId = ++made;
}
