// The headless runner's input script: one event per line, "FRAME COMMAND ARGS", '#' comments.
// Events of frame N are applied before frame N runs; frames count from 1.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/Types.h"

enum class ScriptCommand { Down, Up, Tap, Mouse, Focus };

struct ScriptEvent {
  int Frame = 0;
  ScriptCommand Command = ScriptCommand::Down;
  int Key = 0;      // Down, Up, Tap: the virtual-key code
  TPoint Point;     // Mouse: back-buffer pixels, may lie outside the screen
  bool Focused = true;  // Focus
};

struct ScriptParseResult {
  std::vector<ScriptEvent> Events;  // in file order
  std::string Error;                // empty when the whole script parsed; else "line N: ..."
};

// Parses a whole script. Stops at the first bad line and says which and why.
ScriptParseResult ParseScript(std::string_view text);

// A virtual-key code from a decimal number (1..255) or a name (VK_LEFT, VK_NUMPAD7, "1"..."6");
// -1 when unknown.
int ParseKeyName(std::string_view name);

// Applies one event to the headless platform's input.
void ApplyScriptEvent(const ScriptEvent& event);
