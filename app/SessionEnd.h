// The end of a session, while the world still stands: the recording ended, the replay judged, the
// edits that could not be saved rescued. What each says goes to standard output, or to standard
// error when something is amiss.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class TMapKeeper;
class TRecorder;
class TReplay;
class TSystem;

// The exit statuses of a game that ended without keeping all it was to keep, past 0 (an ordinary
// end), 1 (a failure closed the program) and 2 (refused at the start). Where several apply the
// highest is given, also over 1.
inline constexpr int ExitMapRescued = 3;           // the edits are in a rescue file, not in the map's
inline constexpr int ExitRecordingIncomplete = 4;  // the recording stops short of the end
inline constexpr int ExitEditsLost = 5;            // the edits are in no file at all

// Writes the recording's end line and says where the recording is, or that it is incomplete;
// false then.
bool EndRecording(TRecorder& recorder, const TSystem& world, int frames);

// After the end's save failed (`reason`, naming the file): the edits written to a rescue file, its
// path said with the command that plays on it. ExitMapRescued, or ExitEditsLost when no rescue
// file could be written either.
int RescueEdits(const TSystem& world, const std::string& reason);

// Says how the replay ended, `picture` shown last; its exit status: 0 as recorded, 1 it differs,
// 2 the recording has no end line to judge it by. The words said also go to *said when given.
int JudgeReplay(const TReplay& replay, const TSystem& world, int frames, uint32_t picture, std::string* said = nullptr);

// What the end of a session calls for: the highest exit status of what it did not keep (0 when
// it kept all), and the replay's verdict (JudgeReplay's; 0 without a replay).
struct TSessionVerdict {
  int Unkept = 0;
  int Replay = 0;
  std::string ReplaySaid;  // the replay's verdict in words
};

// At the end, while the world still stands, after `frames` frames with `picture` (PictureCrc)
// shown last: the recording ended, the replay judged, or else the map saved by `saveMap` where the
// end is to save it (with --map, or after an F2 that failed), its edits rescued when that fails.
TSessionVerdict EndSession(const TSystem& world, int frames, uint32_t picture, TRecorder* recorder,
                           const TReplay* replay, const TMapKeeper& keeper,
                           const std::function<bool(std::string*)>& saveMap);
