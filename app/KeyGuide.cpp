#include "app/KeyGuide.h"

namespace {

// The key and what it does, in two columns (the face is proportional).
constexpr THelpLine DesktopHelp[] = {
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
    {"Esc", "cancel a walk; in free control, quit"},
    {"1 .. 6, keypad + -", "paint, raise, lower the cell"},
    {"= -", "raise, lower the cell"},
    {"F1, F3", "this help, the frame-rate overlay"},
    {"F2", "save the map"},
    {"Pause or P", "pause"},
    {"Alt+Enter", "window or full screen"},
    {"Print Screen, F9", "save a screenshot"},
    {"M, 9, 0", "sound off or on, quieter, louder"},
    {"Gamepad: d-pad, stick", "walk"},
    {"A, shoulder, Y, Start", "jump, next person, view back, pause"},
    {"F12", "quit"},
    {"Esc or F1", "close this help"},
};

// The page reads no gamepad; F12 opens the browser's tools, and full screen is the browser's
// (F11) or the start panel's button. The game's end offers Play again.
constexpr THelpLine PageHelp[] = {
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
    {"Esc", "cancel a walk; else end the game"},
    {"1 .. 6, keypad + -", "paint, raise, lower the cell"},
    {"= -", "raise, lower the cell"},
    {"F1, F3", "this help, the frame-rate overlay"},
    {"F2", "save the map in this browser"},
    {"Pause or P", "pause"},
    {"Print Screen, F9", "download a screenshot"},
    {"M, 9, 0", "sound off or on, quieter, louder"},
    {"F11", "full screen, as the start panel's button"},
    {"Esc or F1", "close this help"},
};

}  // namespace

// "F1: keys · F12: quit", the dot in the canvas's code page.
const TKeyGuide DesktopKeys{DesktopHelp, "F1: keys \xA1\xA4 F12: quit"};
const TKeyGuide PageKeys{PageHelp, nullptr};
