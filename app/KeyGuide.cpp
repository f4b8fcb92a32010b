#include "app/KeyGuide.h"

#include <vector>

namespace {

enum class TWhere { Both, Desktop, Page };

// A line of the help: the key and what it does (the face is proportional), where it is listed,
// and what the page says instead where it differs. The page reads no gamepad; F12 opens the
// browser's tools, and full screen is the browser's (F11 too) with no window to go back to.
struct TGuideLine {
  const char* Key;
  const char* Effect;
  TWhere Where = TWhere::Both;
  const char* OnPage = nullptr;  // null: as Effect
};

constexpr TGuideLine Lines[] = {
    {"Keys", ""},
    {"", ""},
    {"Arrows, keypad 8 4 6 2", "walk"},
    {"Keypad 9 7 1 3", "walk along the map's axes"},
    {"PgUp, Home, End, PgDn", "the same"},
    {"Ctrl", "jump"},
    {"Insert", "next person"},
    {"Space", "bring the view back to the person"},
    {"Left drag", "select persons"},
    {"Right click", "send them to the cell"},
    {"Esc", "cancel a walk; in free control, quit", TWhere::Both, "cancel a walk; else end the game"},
    {"1 .. 6, keypad + -", "paint, raise, lower the cell"},
    {"= -", "raise, lower the cell"},
    {"F1, F3", "this help, the frame-rate overlay"},
    {"F2", "save the map", TWhere::Both, "save the map in this browser"},
    {"Pause or P", "pause"},
    {"Alt+Enter", "window or full screen", TWhere::Both, "full screen or back"},
    {"Print Screen, F9", "save a screenshot", TWhere::Both, "download a screenshot"},
    {"M, 9, 0", "sound off or on, quieter, louder"},
    {"F11", "full screen, as the start panel's button", TWhere::Page},
    {"Gamepad: d-pad, stick", "walk", TWhere::Desktop},
    {"A, shoulder, Y, Start", "jump, next person, view back, pause", TWhere::Desktop},
    {"F12", "quit", TWhere::Desktop},
    {"Esc or F1", "close this help"},
};

std::vector<THelpLine> HelpOf(bool page) {
  std::vector<THelpLine> help;
  for (const TGuideLine& line : Lines) {
    if (line.Where == (page ? TWhere::Desktop : TWhere::Page)) continue;
    help.push_back({line.Key, page && line.OnPage != nullptr ? line.OnPage : line.Effect});
  }
  return help;
}

const std::vector<THelpLine> DesktopHelp = HelpOf(false);
const std::vector<THelpLine> PageHelp = HelpOf(true);

}  // namespace

// "F1: keys · F12: quit", the dot in the canvas's code page.
const TKeyGuide DesktopKeys{DesktopHelp, "F1: keys \xA1\xA4 F12: quit"};
const TKeyGuide PageKeys{PageHelp, nullptr};
