// A recording played back on screen: each frame's events handed to the game's input, frames at
// the pace of the recorded clock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/GameInput.h"
#include "record/Recording.h"
#include "record/Script.h"

class TDDSurface;
class TSystem;

// The CRC-32 of a surface's picture, row by row: the headless runner's "frame_crc" of it.
uint32_t PictureCrc(const TDDSurface& surface);

class TReplay {
 public:
  // `events` in frame order, as the runner sorts them.
  TReplay(std::vector<TScriptEvent> events, TRecording recording);

  const TRecording& Recording() const { return FRecording; }
  // Frames the recording holds: its end line's count, else up to its last event.
  int Frames() const { return FFrames; }
  // Whether frame `frame` (the next one) is due at `now`, the machine's clock: frames follow the
  // recorded clock, a stillness of more than a second (a pause) is cut to one, and a replay held
  // up (paused itself) goes on from where it is rather than hurrying to catch up.
  bool Due(int frame, uint32_t now);
  // Hands frame `frame`'s events to `input` (and to the program: overlay, frame-rate count).
  void Feed(int frame, TInputState& input);
  // What the end of a replay that ran `frames` frames, `picture` (PictureCrc) shown last, says,
  // and the exit status: stopped early or as recorded (0), the first difference (1), or no end
  // line to judge it by (2).
  std::string Verdict(const TSystem& world, int frames, uint32_t picture, int& status) const;

 private:
  uint32_t ClockOf(int frame) const;

  std::vector<TScriptEvent> FEvents;
  TRecording FRecording;
  int FFrames = 0;
  size_t FNext = 0;
  bool FStarted = false;
  uint32_t FDueAt = 0;      // the machine's clock when the last frame was due
  uint32_t FLastClock = 0;  // the recorded clock of the last frame
};
