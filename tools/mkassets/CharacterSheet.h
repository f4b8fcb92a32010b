// Sheet 2: the walking figures of frame kinds 1..5 at the frame table's places.
#pragma once

#include "tools/mkassets/IndexedImage.h"

TIndexedImage PaintCharacterSheet();
