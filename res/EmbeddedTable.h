// The table of resources embedded in the program: LUMO1 and LUMO2 (bitmaps), "Map" (type 27)
// and "Walk" (type 25).
#pragma once

#include <vector>

#include "res/Resources.h"

std::vector<TResource> EmbeddedResources();
