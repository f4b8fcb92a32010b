// Where the pictures lie on the two sheets (640 x 480 each); the game cuts them at these places.
#pragma once

#include <vector>

constexpr int SheetWidth = 640;
constexpr int SheetHeight = 480;

struct TPictureRect {
  int Left, Top, Width, Height;
};

// Sheet 1: terrain block of kind 0..5 and edge variant 0..3 (60 x 45).
TPictureRect TerrainBlockRect(int kind, int variant);
constexpr TPictureRect PointerRects[2] = {{251, 16, 18, 18}, {269, 16, 18, 18}};
constexpr TPictureRect CellMarkerRect{287, 16, 64, 23};
constexpr TPictureRect GroundMarkerRect{351, 16, 64, 23};
constexpr TPictureRect ShadowRect{250, 40, 27, 13};
// Selection mark 0..9 (12 x 12), green to red.
TPictureRect SelectionMarkRect(int i);

// Sheet 2: character frame `entry` (direction * 3 + step) of frame kind 1..5 (54 x 70); kind 5's
// pictures may reach past the sheet's right edge.
TPictureRect CharacterFrameRect(int kind, int entry);

// Every picture of a sheet, for checks of the layout.
std::vector<TPictureRect> TerrainSheetPictures();
std::vector<TPictureRect> CharacterSheetPictures();
