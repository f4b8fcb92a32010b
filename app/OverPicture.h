// The program's own panels and notices are drawn over the picture with the back buffer's canvas,
// which is given back as it was: its font, pen and brush, and its device context released.
#pragma once

#include <functional>

#include "gfx/DDCanvas.h"

void DrawOverPicture(TDDCanvas& canvas, const std::function<void(TDDCanvas&)>& draw);
