// Command line of the headless runner.
#pragma once

#include <string>
#include <vector>

struct TPngRequest {
  int Frame = 0;
  std::string File;
};

struct THeadlessOptions {
  int Frames = 60;
  bool FramesGiven = false;  // --frames was given; otherwise a recording runs for as long as it was made
  std::string ScriptFile;
  bool Verify = false;  // --verify FILE: the script is a recording whose end is checked
  bool Trace = false;
  std::string MapFile;
  bool HighRes = false;
  // The desktop program's switches of the same names; each not given leaves the shipped value,
  // and a recording's own switches win over them (it does not keep --sound).
  bool AutoTiming = false;    // --auto-timing
  bool NoOverlay = false;     // --no-overlay
  bool NoMapEditing = false;  // --no-map-editing
  bool Sound = false;         // --sound
  int StepMs = 16;
  std::vector<TPngRequest> Pngs;  // --png FRAME:FILE, repeatable
  bool Hash = false;              // --hash: CRC-32 of each presented frame in the trace
  bool Help = false;
};

// Parses argv; on a bad option returns false and fills error.
bool ParseHeadlessOptions(int argc, char** argv, THeadlessOptions& options, std::string& error);
const char* HeadlessUsage();
// The refusal of a --png frame past a run of `frames` frames; empty when there is none.
std::string PngBeyondRun(const THeadlessOptions& options, int frames);
