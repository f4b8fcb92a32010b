#include "blit/PictureTable.h"

#include <utility>

void TPictureTable::Grow() {
  std::vector<TSlot> old = std::move(FSlots);
  FSlots = std::vector<TSlot>(old.empty() ? 64 : old.size() * 2);
  for (TSlot& slot : old) {
    if (slot.Picture) *FindSlot(slot.Rect, slot.CutId) = std::move(slot);
  }
}

TKeyPicture& TPictureTable::Obtain(const TRect& r, uint32_t cutId, bool& made) {
  TSlot* slot = FindSlot(r, cutId);
  made = slot == nullptr || !slot->Picture;
  if (!made) return *slot->Picture;
  if (FCount >= MaxPictures) {
    for (TSlot& kept : FSlots) kept = TSlot{};
    FCount = 0;
    slot = FindSlot(r, cutId);
  }
  if (4 * (FCount + 1) > FSlots.size()) {
    Grow();
    slot = FindSlot(r, cutId);
  }
  slot->Rect = r;
  slot->CutId = cutId;
  slot->Picture = std::make_unique<TKeyPicture>();
  ++FCount;
  return *slot->Picture;
}
