// Feeding a recording to the game at its own pace.
#include "app/Replay.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "ddraw/DDraw.h"
#include "util/Crc32.h"

namespace {
constexpr uint32_t LongestStillMs = 1000;
constexpr uint32_t HeldUpMs = 250;
}  // namespace

TReplay::TReplay(std::vector<TScriptEvent> events, TRecording recording)
    : FEvents(std::move(events)), FRecording(std::move(recording)) {
  FFrames = RecordingLength(FRecording, FEvents.empty() ? 0 : FEvents.back().Frame);
}

uint32_t TReplay::ClockOf(int frame) const {
  uint32_t clock = FLastClock;
  for (size_t i = FNext; i < FEvents.size() && FEvents[i].Frame <= frame; ++i) {
    if (FEvents[i].Command == ScriptCommand::Clock) clock = FEvents[i].Clock;
  }
  return clock;
}

bool TReplay::Due(int frame, uint32_t now) {
  const uint32_t clock = ClockOf(frame);
  if (!FStarted) {
    FStarted = true;
    FDueAt = now;
    FLastClock = clock;
    return true;
  }
  const uint32_t dueAt =
      FDueAt + static_cast<uint32_t>(std::clamp<int64_t>(static_cast<int32_t>(clock - FLastClock), 0, LongestStillMs));
  if (static_cast<int32_t>(now - dueAt) < 0) return false;
  FDueAt = now - dueAt > HeldUpMs ? now : dueAt;
  FLastClock = clock;
  return true;
}

void TReplay::Feed(int frame, TInputState& input) {
  for (; FNext < FEvents.size() && FEvents[FNext].Frame <= frame; ++FNext) ApplyScriptEvent(FEvents[FNext], input);
}

std::string TReplay::Verdict(const TSystem& world, int frames, uint32_t picture, int& status) const {
  status = 0;
  const std::string ran = std::to_string(frames);
  if (frames < FFrames) return "replay stopped after frame " + ran + " of " + std::to_string(FFrames);
  char last[32];
  std::snprintf(last, sizeof last, "; last picture %08x", picture);
  if (!FRecording.End) {
    status = 2;
    return "replayed " + ran + " frames, but the recording has no end line to judge them by: it did not end cleanly" +
           last;
  }
  const std::string difference = FirstDifference(*FRecording.End, FinalStateOf(world, frames));
  if (!difference.empty()) return status = 1, "the replay differs from the recording: " + difference;
  return "replayed " + ran + " frames; the end is as recorded" + last;
}

uint32_t PictureCrc(const TDDSurface& surface) {
  uint32_t crc = 0;
  for (int y = 0; y < surface.Height(); ++y) {
    const uint16_t* row = surface.Pixels() + static_cast<size_t>(y) * (surface.Pitch() / 2);
    crc = Crc32(reinterpret_cast<const uint8_t*>(row), static_cast<size_t>(surface.Width()) * 2, crc);
  }
  return crc;
}
