// The pictures kept for one surface, found by their rectangle and cut: open addressing in a
// table of a power-of-two size, at most a quarter full. A long game meets ever more cuts, so
// past MaxPictures all are forgotten and encoded again as they are asked for.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "blit/Attributes.h"
#include "blit/KeyPicture.h"
#include "core/Types.h"

class TPictureTable {
 public:
  static constexpr size_t MaxPictures = 4096;

  // The picture kept for r with that cut, or null.
  CORVINA_INLINE const TKeyPicture* Find(const TRect& r, uint32_t cutId) const {
    const TSlot* slot = FindSlot(r, cutId);
    return slot == nullptr ? nullptr : slot->Picture.get();
  }
  // The picture kept for r with that cut; a new, empty one (made set) when none is kept.
  TKeyPicture& Obtain(const TRect& r, uint32_t cutId, bool& made);
  size_t Count() const { return FCount; }
  // fn(rectangle, picture) for every kept picture.
  template <class Fn>
  void ForEach(Fn fn) {
    for (TSlot& slot : FSlots) {
      if (slot.Picture) fn(slot.Rect, *slot.Picture);
    }
  }

 private:
  struct TSlot {
    TRect Rect;
    uint32_t CutId = 0;
    std::unique_ptr<TKeyPicture> Picture;
  };
  // The slot of r with that cut, or the empty slot where it would go; null while the table
  // is empty.
  CORVINA_INLINE const TSlot* FindSlot(const TRect& r, uint32_t cutId) const {
    if (FSlots.empty()) return nullptr;
    const uint64_t key = (uint64_t{static_cast<uint16_t>(r.Left)} << 48) |
                         (uint64_t{static_cast<uint16_t>(r.Top)} << 32) |
                         (uint64_t{static_cast<uint16_t>(r.Right)} << 16) | uint64_t{static_cast<uint16_t>(r.Bottom)};
    const size_t mask = FSlots.size() - 1;
    for (size_t i = HashSlot(key + cutId * 0xD6E8FEB86659FD93ull, std::countr_zero(FSlots.size()));; ++i) {
      const TSlot& slot = FSlots[i & mask];
      if (!slot.Picture || (slot.Rect == r && slot.CutId == cutId)) return &slot;
    }
  }
  TSlot* FindSlot(const TRect& r, uint32_t cutId) {
    return const_cast<TSlot*>(static_cast<const TPictureTable*>(this)->FindSlot(r, cutId));
  }
  void Grow();

  std::vector<TSlot> FSlots;  // size a power of two or 0
  size_t FCount = 0;
};
