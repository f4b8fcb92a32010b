// Command-line switches of the program: they override the shipped start-up switches before
// the main window exists, and choose the window scale and whether dialogs are shown.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/Settings.h"

struct TCommandLine {
  enum class TAction { Run, Help, Version, Error };
  TAction Action = TAction::Run;
  TSettings Switches{};           // the shipped switches with the overrides applied
  int Scale = 1;                  // windowed: client area = back buffer x Scale, 1..MaxScale
  bool IntegerScale = false;      // whole-factor scaling with bars instead of filling the output
  int FramesPerSecond = 60;       // presentation pace without a display that keeps it; 0: unpaced
  bool Verbose = false;           // frames, seconds and the frame rate printed at the end
  std::string Renderer = "auto";  // "gpu", "surface" or "auto" (the surface on a software rasterizer)
  bool NoDialog = false;          // messages go to standard error only
  std::string MapFile;            // --map: the map played on and saved to; empty: none named
  std::string RecordFile;         // --record: the recording written as the program runs
  std::string ReplayFile;         // --replay: the recording played back
  bool ScaleGiven = false;        // --scale was given: the window's remembered size is not used
  bool ResetSettings = false;     // --reset-settings: the remembered settings forgotten
  std::string Error;              // Action == Error: what was wrong, one line
};

constexpr int MaxWindowScale = 8;
constexpr int MaxFramesPerSecond = 1000;

// args excludes the program name. `shipped` is the starting point the switches change.
TCommandLine ParseCommandLine(const std::vector<std::string>& args, const TSettings& shipped);

// The full usage text (for --help) and the one-line hint after an error.
std::string UsageText(const std::string& program);
std::string UsageHint(const std::string& program);

// What the program does with a parsed command line before any window: --help prints the
// usage (status 0), --version the version (0), an error a hint on `err` (2). Nothing when
// the program is to run.
std::optional<int> CommandLineExitStatus(const TCommandLine& line, const std::string& program,
                                         const std::string& version, std::ostream& out, std::ostream& err);
