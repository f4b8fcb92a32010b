// One walking figure picture (54 x 70, feet on row 60) built from shaded body parts.
#pragma once

#include "tools/mkassets/IndexedImage.h"
#include "tools/mkassets/Palette.h"

// What a figure wears: one ramp per material, and the shape of its clothes.
struct TFigureStyle {
  TRamp Skin = Ramps::Skin;
  TRamp Hair = Ramps::Hair;
  TRamp Top = Ramps::Tunic;  // shirt, tunic or tabard
  TRamp Sleeves = Ramps::Tunic;
  TRamp Legs = Ramps::Denim;
  TRamp Boots = Ramps::Leather;
  TRamp Belt = Ramps::Leather;
  TRamp Headgear = Ramps::Hair;  // hood or helmet
  bool Robe = false;             // a long skirt down to the ankles instead of trousers
  bool Hood = false;
  bool Helmet = false;
  bool Bald = false;
  bool Cape = false;  // a cape in the Headgear ramp, seen behind the body
  uint8_t Eye = Ramps::Accent.At(0);
};

// Facing 0 left-down, 1 right-down (front views), 2 left-up, 3 right-up (back views);
// step 1 standing, 0 and 2 opposite strides.
TIndexedImage PaintFigure(const TFigureStyle& style, int facing, int step);
