// Sheet 1: the 24 isometric ground blocks and the small interface pictures.
#pragma once

#include "tools/mkassets/IndexedImage.h"

// The whole terrain sheet, 640 x 480.
TIndexedImage PaintTerrainSheet();

// Parts, each painting into the sheet at its rectangles.
void PaintTerrainBlocks(TIndexedImage& sheet);
void PaintInterfacePictures(TIndexedImage& sheet);
