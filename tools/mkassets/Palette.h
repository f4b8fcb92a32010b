// The 256-colour table shared by both sheets, arranged as shade ramps, one per material.
// Index 0 is black and means transparent; ramps run from darkest (first) to lightest (last).
#pragma once

#include <array>
#include <cstdint>

struct Rgb {
  uint8_t R, G, B;
};

using Palette = std::array<Rgb, 256>;

// A run of palette entries shading one material.
struct Ramp {
  uint8_t First;  // darkest entry
  uint8_t Count;  // number of entries
  // The entry for a brightness t in 0..1 (clamped).
  uint8_t Shade(double t) const;
  uint8_t At(int i) const;  // entry i, clamped to the ramp
};

namespace Ramps {
constexpr Ramp Grey{1, 15};      // outlines (1, 2) and the shadow
constexpr Ramp Grass{16, 16};
constexpr Ramp Wood{32, 16};
constexpr Ramp Stone{48, 16};
constexpr Ramp Sand{64, 16};
constexpr Ramp Water{80, 16};
constexpr Ramp Gravel{96, 16};
constexpr Ramp Marks{112, 10};   // selection marks, green to red
constexpr Ramp Skin{128, 8};
constexpr Ramp Hair{136, 8};
constexpr Ramp Tunic{144, 8};    // person 1: red tunic
constexpr Ramp Denim{152, 8};    // person 1: blue trousers
constexpr Ramp Spirit{160, 16};  // person 2: blue robe, drawn additively
constexpr Ramp Cloak{176, 8};    // person 3: dark green cloak
constexpr Ramp Crimson{184, 8};  // person 3: tunic
constexpr Ramp Steel{192, 8};    // person 4: armour
constexpr Ramp Purple{200, 8};   // person 4: tabard
constexpr Ramp Saffron{208, 8};  // figure 5: robe
constexpr Ramp Gold{216, 8};     // figure 5: trim
constexpr Ramp Leather{224, 8};  // boots and belts
constexpr Ramp Metal{232, 8};    // blades and buckles
constexpr Ramp Earth{240, 8};    // the soil under grass
constexpr Ramp Accent{248, 8};   // eyes, lips, small bright details
}  // namespace Ramps

// Single interface colours.
namespace Colours {
constexpr uint8_t Outline = 1;     // the dark outline of figures
constexpr uint8_t RedLight = 122;
constexpr uint8_t RedDark = 123;
constexpr uint8_t YellowLight = 124;
constexpr uint8_t YellowDark = 125;
constexpr uint8_t White = 126;
constexpr uint8_t PointerShade = 127;
}  // namespace Colours

Palette BuildPalette();
