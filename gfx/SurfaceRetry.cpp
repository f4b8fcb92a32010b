#include "gfx/SurfaceRetry.h"

TSurfaceRetry* SurfaceRetry = nullptr;
