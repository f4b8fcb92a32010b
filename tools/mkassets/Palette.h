// The 256-colour table shared by both sheets, arranged as shade ramps, one per material.
// Index 0 is black and means transparent; ramps run from darkest (first) to lightest (last).
#pragma once

#include <array>
#include <cstdint>

struct TRgb {
  uint8_t R, G, B;
};

using Palette = std::array<TRgb, 256>;

// A run of palette entries shading one material.
struct TRamp {
  uint8_t First;  // darkest entry
  uint8_t Count;  // number of entries
  // The entry for a brightness t in 0..1 (clamped).
  uint8_t Shade(double t) const;
  uint8_t At(int i) const;  // entry i, clamped to the ramp
};

namespace Ramps {
constexpr TRamp Grey{1, 15};  // outlines (1, 2) and the shadow
constexpr TRamp Grass{16, 16};
constexpr TRamp Wood{32, 16};
constexpr TRamp Stone{48, 16};
constexpr TRamp Sand{64, 16};
constexpr TRamp Water{80, 16};
constexpr TRamp Gravel{96, 16};
constexpr TRamp Marks{112, 10};  // selection marks, green to red
constexpr TRamp Skin{128, 8};
constexpr TRamp Hair{136, 8};
constexpr TRamp Tunic{144, 8};    // person 1: red tunic
constexpr TRamp Denim{152, 8};    // person 1: blue trousers
constexpr TRamp Spirit{160, 16};  // person 2: blue robe, drawn additively
constexpr TRamp Cloak{176, 8};    // person 3: dark green cloak
constexpr TRamp Crimson{184, 8};  // person 3: tunic
constexpr TRamp Steel{192, 8};    // person 4: armour
constexpr TRamp Purple{200, 8};   // person 4: tabard
constexpr TRamp Saffron{208, 8};  // figure 5: robe
constexpr TRamp Gold{216, 8};     // figure 5: trim
constexpr TRamp Leather{224, 8};  // boots and belts
constexpr TRamp Metal{232, 8};    // blades and buckles
constexpr TRamp Earth{240, 8};    // the soil under grass
constexpr TRamp Accent{248, 8};   // eyes, lips, small bright details
}  // namespace Ramps

// Single interface colours.
namespace Colours {
constexpr uint8_t Outline = 1;  // the dark outline of figures
constexpr uint8_t RedLight = 122;
constexpr uint8_t RedDark = 123;
constexpr uint8_t YellowLight = 124;
constexpr uint8_t YellowDark = 125;
constexpr uint8_t White = 126;
constexpr uint8_t PointerShade = 127;
}  // namespace Colours

Palette BuildPalette();
