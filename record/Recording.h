// A recording is an input script whose comment lines also say how the game was started and where
// it ended, so that a replay starts the same game and can check that it ends the same way:
//
//   # corvina recording
//   # switches: --high-res --map /home/me/maps/MAP.DAT
//   # start clock=123456 map=1a2b3c4d
//   # made-by corvina 0.1.0 linux
//   # map-data AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA
//   ...
//   1 clock 123456
//   ...
//   # end frame=1800 map=5e6f7a8b p1=50,51,3 p2=60,50,1 p3=50,60,0 p4=0,0,1
//
// The switches line names only what differs from the program's plain start (640 x 480, fixed
// timing, overlay shown, map editing on, the map it carries); a map is last and runs to the line's
// end. A map that came from a file is kept in the recording, base64 in the map-data lines, as
// it was when the game started: the replay plays on that copy wherever it is run, whatever
// became of the file. "pN=X,Y,D" is person N's cell and facing. The made-by line names the build
// and the platform that recorded it; recordings from before it was written still replay.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Types.h"
#include "record/Script.h"

class TMap;
class TSystem;

inline constexpr std::string_view RecordingFirstLine = "# corvina recording";
// The most frames a recording runs (the runner's own limit).
inline constexpr int MaxRecordedFrames = 100000000;

// The start-up switches that change what the game does, as a recording keeps them.
struct TRecordedSwitches {
  bool HighRes = false;
  bool AutoTiming = false;
  bool ShowOverlay = true;
  bool MapEditing = true;
  bool UseResources = true;
  std::string MapFile;  // absolute; empty: the map the program plays on without --map
  friend bool operator==(const TRecordedSwitches&, const TRecordedSwitches&) = default;
};

// Where a game stands after a run.
struct TFinalState {
  struct TPersonEnd {
    TPoint Cell;
    int Facing = 0;
    friend bool operator==(const TPersonEnd&, const TPersonEnd&) = default;
  };
  int Frame = 0;     // frames run
  uint32_t Map = 0;  // CRC-32 of the map's bytes (the trace's "map")
  TPersonEnd Persons[4];
  friend bool operator==(const TFinalState&, const TFinalState&) = default;
};

struct TRecording {
  bool IsRecording = false;  // the text starts with RecordingFirstLine
  TRecordedSwitches Switches;
  uint32_t StartClock = 0;         // the clock when the game started
  uint32_t StartMap = 0;           // the map's CRC-32 when the game started
  std::vector<uint8_t> MapData;    // the map as it started, when kept; its CRC-32 is StartMap
  std::optional<TFinalState> End;  // nothing: the recording did not end cleanly
  std::string MadeBy;              // "corvina 0.1.0 web", as written; empty in older recordings
  int EndLineNumber = 0;           // the end line's, when there is one
  std::string Error;               // empty, or "line N: ..." for a line that cannot be honoured
};

// The header and end lines of a recording's text; the events are ParseScript's. A last line
// without its line end is a recording cut short (a full disk), unless it is a whole end line.
TRecording ReadRecording(std::string_view text);
// Empty when `events` (in file order) are what the recorder writes, else "line N: ..." for the
// first that is not: a clock line opens every frame, frames 1, 2, 3 ... in turn, and the end
// line counts them. So a replay runs no frame its file does not hold.
std::string RecordedFramesError(const TRecording& recording, const std::vector<TScriptEvent>& events);
// How many frames a replay of it runs: as many as its end says, or up to its last event
// (`lastEventFrame`) when it has none; at most MaxRecordedFrames.
int RecordingLength(const TRecording& recording, int lastEventFrame);

// The switches of the running program (Settings) and the map file it was started on.
TRecordedSwitches CurrentSwitches(const std::string& mapFile);
// Sets Settings as the switches say (the map is the caller's).
void ApplyRecordedSwitches(const TRecordedSwitches& switches);

// The program and platform this build records as ("corvina 0.1.0 linux").
std::string RecordingMaker();

// The header lines, each ended by '\n'; `mapData` (the map's bytes at the start) kept when given.
std::string RecordingHeader(const TRecordedSwitches& switches, uint32_t startClock, uint32_t startMap,
                            std::span<const uint8_t> mapData = {});
// The end line, without the line end.
std::string EndLine(const TFinalState& state);

// Where a replay of `recording` finds the map it started on (for MapDataOverride and
// MapFileOverride), its switches already in Settings: the copy the recording keeps; else the
// file it names, or the program's own map, when that is still the same map. Nothing, with the
// reason in *error, when it is not.
struct TReplayMap {
  std::vector<uint8_t> Data;
  std::string File;
};
std::optional<TReplayMap> ReplayMap(const TRecording& recording, std::string* error);

// A script or a recording as read from its file.
struct TScriptFile {
  std::vector<TScriptEvent> Events;  // by frame, in file order within one
  TRecording Recording;
};
// Nothing, with the reason (naming the file) in *error, when it cannot be read or a line of a
// script is not of the script language. Whatever makes a recording one that cannot be replayed
// (a line cut short or not of the language, a header that cannot be honoured, frames its file
// does not hold) is in Recording.Error instead.
std::optional<TScriptFile> LoadScriptFile(const std::string& path, std::string* error);
// The same for a file's text; the reason in *error does not name the file.
std::optional<TScriptFile> ReadScriptFile(std::string_view text, std::string* error);
// Readies a replay of the recording read from `path`: its switches into Settings and its map
// found. Nothing, with the refusal in *error, when it is no recording, its header cannot be
// honoured or its map is not at hand.
std::optional<TReplayMap> PrepareReplay(const std::string& path, const TRecording& recording, std::string* error);

uint32_t MapCrc(const TMap& map);
TFinalState FinalStateOf(const TSystem& world, int frames);
// Empty when the two agree, else the first difference in words:
// "person 2's cell: recorded (10, 12), replayed (10, 13)".
std::string FirstDifference(const TFinalState& recorded, const TFinalState& replayed);
