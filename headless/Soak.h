// The soak: a long headless game under seeded random input, with the world's invariants
// checked after every frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TSoakOptions {
  long Frames = 10000;
  uint32_t Seed = 1;
  bool HighRes = false;
};

struct TSoakResult {
  long FramesRun = 0;
  long Steps = 0;                       // steps started by any person
  long Orders = 0;                      // right clicks that found a path
  long CloseRequests = 0;               // Esc in free control (ignored so the soak goes on)
  long Edits = 0;                       // map-editing key presses
  std::vector<std::string> Violations;  // the first few broken invariants, with their frame
};

// The soak's command line (argv[0] is the program). False on a bad one, with `error` naming the
// word and, for a number, its range; `help` tells that --help was asked for.
bool ParseSoakOptions(int argc, char** argv, TSoakOptions& options, bool& help, std::string& error);
const char* SoakUsage();

TSoakResult RunSoak(const TSoakOptions& options);

// The invariants of the running world; empty when they all hold. `stepped[i]` tells whether
// person i has ever stood on a marked cell (person 4 starts unmarked at (0, 0)).
std::vector<std::string> CheckWorldInvariants(const bool stepped[5]);
