// The table of resources embedded in the program: LUMO1 and LUMO2 (bitmaps), "Map" (type 27),
// "Walk" (type 25) and MAINICON (type 28).
#pragma once

#include <vector>

#include "res/Resources.h"

std::vector<TResource> EmbeddedResources();
