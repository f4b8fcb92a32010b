// The picture rectangles of both sheets.
#include "tools/mkassets/SheetLayout.h"

TPictureRect TerrainBlockRect(int kind, int variant) { return {60 * variant, 45 * kind + 2, 60, 45}; }

TPictureRect SelectionMarkRect(int i) { return {416 + 12 * i, 0, 12, 12}; }

TPictureRect CharacterFrameRect(int kind, int entry) {
  const int d = entry / 3, s = entry % 3;
  if (kind <= 3) return {(kind - 1) * 165 + 55 * s + 1, 71 * d + 1, 54, 70};
  const int x0 = kind == 4 ? (d < 2 ? 1 : 166) : (d < 2 ? 329 : 493);
  return {55 * s + x0, 71 * (d % 2) + 285, 54, 70};
}

std::vector<TPictureRect> TerrainSheetPictures() {
  std::vector<TPictureRect> all;
  for (int kind = 0; kind < 6; ++kind)
    for (int v = 0; v < 4; ++v) all.push_back(TerrainBlockRect(kind, v));
  all.insert(all.end(), {PointerRects[0], PointerRects[1], CellMarkerRect, GroundMarkerRect, ShadowRect});
  for (int i = 0; i < 10; ++i) all.push_back(SelectionMarkRect(i));
  return all;
}

std::vector<TPictureRect> CharacterSheetPictures() {
  std::vector<TPictureRect> all;
  for (int kind = 1; kind <= 5; ++kind)
    for (int e = 0; e < 12; ++e) all.push_back(CharacterFrameRect(kind, e));
  return all;
}
