// The input script of the headless runner and of recordings: one event per line,
// "FRAME COMMAND ARGS", '#' comments. Events of frame N are applied before frame N runs, in file
// order; frames count from 1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Types.h"

struct TInputState;

enum class ScriptCommand {
  Down,     // down KEY: the key goes down (and counts as pressed)
  Up,       // up KEY
  Tap,      // tap KEY: pressed and let go before the game looked
  Mouse,    // mouse X Y: the pointer, back-buffer pixels
  Focus,    // focus 0|1: the window loses or gains the keyboard (gaining it restarts the rate count)
  Clock,    // clock MS: the clock the frame reads, in milliseconds
  Forget,   // forget KEY: a press the game has not seen was taken by the program (after a pause)
  Recount,  // recount: the frame-rate count starts again (the program was activated or resumed)
  Overlay,  // overlay 0|1: the frame-rate overlay hidden or shown
};

struct TScriptEvent {
  int Frame = 0;
  ScriptCommand Command = ScriptCommand::Down;
  int Key = 0;          // Down, Up, Tap, Forget: the virtual-key code
  TPoint Point;         // Mouse: back-buffer pixels, may lie outside the screen
  bool Focused = true;  // Focus
  uint32_t Clock = 0;   // Clock
  bool Shown = true;    // Overlay
  int Line = 0;         // the line of the script it was read from
};

struct TScriptParseResult {
  std::vector<TScriptEvent> Events;  // in file order
  std::string Error;                 // empty when the whole script parsed; else "line N: ..."
};

// The words of a line: what lies between spaces, tabs and carriage returns.
std::vector<std::string_view> ScriptWords(std::string_view line);
// Parses a whole script. Stops at the first bad line and says which and why.
TScriptParseResult ParseScript(std::string_view text);

// A virtual-key code from a decimal number (1..255) or a name (VK_LEFT, VK_NUMPAD7, "1"..."6");
// -1 when unknown.
int ParseKeyName(std::string_view name);
// The word ParseKeyName reads back as `vk` (1..255): its name where it has one.
std::string KeyName(int vk);
// The event as a script line, without the line end.
std::string ScriptLine(const TScriptEvent& event);

// Applies one event: its input to `input`, the rest to the running program (Settings, Display).
void ApplyScriptEvent(const TScriptEvent& event, TInputState& input);
