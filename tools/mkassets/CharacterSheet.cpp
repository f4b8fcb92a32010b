// The five figures: a villager in red (person 1), a blue spirit drawn additively (person 2), a
// ranger in a green cloak drawn at half strength (person 3), a knight drawn brightened
// (person 4) and a monk in saffron (kind 5, used by no person).
#include "tools/mkassets/CharacterSheet.h"

#include "tools/mkassets/Figure.h"
#include "tools/mkassets/SheetLayout.h"

namespace {

TFigureStyle StyleOf(int kind) {
  TFigureStyle s;
  switch (kind) {
    case 1: break;  // the defaults: brown hair, red tunic, blue trousers
    case 2:
      s.Top = s.Sleeves = s.Headgear = Ramps::Spirit;
      s.Belt = Ramps::Metal;
      s.Boots = Ramps::Spirit;
      s.Robe = s.Hood = true;
      s.Eye = Ramps::Accent.At(7);
      break;
    case 3:
      s.Top = Ramps::Crimson;
      s.Sleeves = Ramps::Crimson;
      s.Legs = Ramps::Leather;
      s.Headgear = Ramps::Cloak;
      s.Hood = s.Cape = true;
      break;
    case 4:
      s.Top = Ramps::Purple;
      s.Sleeves = s.Legs = s.Boots = s.Headgear = Ramps::Steel;
      s.Belt = Ramps::Leather;
      s.Helmet = true;
      break;
    default:
      s.Top = s.Sleeves = Ramps::Saffron;
      s.Belt = Ramps::Gold;
      s.Boots = Ramps::Leather;
      s.Robe = s.Bald = true;
      break;
  }
  return s;
}

}  // namespace

TIndexedImage PaintCharacterSheet() {
  TIndexedImage sheet(SheetWidth, SheetHeight);
  for (int kind = 1; kind <= 5; ++kind) {
    const TFigureStyle style = StyleOf(kind);
    for (int entry = 0; entry < 12; ++entry) {
      const TPictureRect r = CharacterFrameRect(kind, entry);
      const TIndexedImage pic = PaintFigure(style, entry / 3, entry % 3);
      for (int y = 0; y < r.Height; ++y)
        for (int x = 0; x < r.Width; ++x)
          if (pic.At(x, y)) sheet.Set(r.Left + x, r.Top + y, pic.At(x, y));
    }
  }
  return sheet;
}
