// Before the window: the map file, a recording to make or one to replay, as the command line
// asks. Refusals come here, before anything is shown. Then the recording's start.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "app/CommandLine.h"

class TBasic;
class TRecorder;
class TSystem;

// Sets MapFileOverride and, for a replay, Settings (the recording's switches win over the
// command line's), and gives `window` its map keeper, recorder or replay. Nothing when the
// program may run; else its exit status (2), the reason written to `err`.
std::optional<int> PrepareSession(const TCommandLine& line, TBasic& window, std::ostream& err);

// The recording's first lines once the game has started on `world`: the switches, the clock and
// the map, and the map's cells themselves when they come from a file.
void StartRecording(TRecorder& recorder, const TSystem& world, uint32_t clock, int rateFrames);

// Why the recording in `file` cannot be replayed to a verdict here, as corvina-headless --verify
// refuses it (not a recording, damaged, no end line, its map not at hand); nothing when it can.
// The running program is left as it was: its switches and map are put back.
std::optional<std::string> ReplayRefusal(const std::string& file);
