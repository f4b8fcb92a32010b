// Writing a recording while the program runs.
#include "record/Recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "core/Log.h"
#include "gfx/Display.h"
#include "record/Script.h"
#include "util/Printable.h"

namespace {
constexpr uint32_t FlushEveryMs = 1000;
constexpr size_t FlushAtBytes = 1 << 16;
}  // namespace

TRecorder::TRecorder(const std::filesystem::path& path)
    : FPath(path), FFile(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)) {
  if (!FFile.IsOpen()) Fail(errno);
}

void TRecorder::Start(const TRecordedSwitches& switches, uint32_t startClock, uint32_t startMap, int rateFrames,
                      std::span<const uint8_t> mapData) {
  FPending += RecordingHeader(switches, startClock, startMap, mapData);
  FReplay = TInputState{};
  FReplay.Clock = startClock;
  FRateFrames = rateFrames;
  FOverlay = switches.ShowOverlay;
  FFlushedAt = startClock;
  Flush();
}

void TRecorder::BeforeFrame(int frame, const TInputState& input, int rateFrames, bool overlay) {
  TScriptEvent e;  // each line sets what its command reads
  e.Frame = frame;
  const auto emit = [&](ScriptCommand command) {
    e.Command = command;
    Line(ScriptLine(e));
  };
  e.Clock = input.Clock;
  emit(ScriptCommand::Clock);
  if (input.Focus != FReplay.Focus) {
    e.Focused = input.Focus;
    emit(ScriptCommand::Focus);
    if (input.Focus) FRateFrames = -TDisplay::UnmeasuredFrames;  // a replay restarts the count then
  }
  e.Point = input.Cursor;
  if (input.Cursor != FReplay.Cursor) emit(ScriptCommand::Mouse);
  // The fewest commands that turn a replay's latch into this one: "down" also counts as a
  // press, "tap" is a press alone, "forget" takes one back.
  for (int vk = 1; vk < TInputLatch::KeyCount; ++vk) {
    bool down = FReplay.Keys.IsDown(vk), pressed = FReplay.Keys.Pressed(vk);
    e.Key = vk;
    if (input.Keys.IsDown(vk) != down) {
      emit(down ? ScriptCommand::Up : ScriptCommand::Down);
      pressed = pressed || !down;
    }
    if (input.Keys.Pressed(vk) != pressed) emit(pressed ? ScriptCommand::Forget : ScriptCommand::Tap);
  }
  if (rateFrames != FRateFrames) emit(ScriptCommand::Recount);
  e.Shown = overlay;
  if (overlay != FOverlay) emit(ScriptCommand::Overlay);
  FReplay = input;
  FRateFrames = rateFrames;
  FOverlay = overlay;
  if (input.Clock - FFlushedAt >= FlushEveryMs || FPending.size() >= FlushAtBytes) {
    FFlushedAt = input.Clock;
    Flush();
  }
}

void TRecorder::AfterFrame(const TInputState& input, int rateFrames) {
  FReplay.Keys = input.Keys;
  FRateFrames = rateFrames;
}

void TRecorder::Finish(const TFinalState& state) {
  if (!FFile.IsOpen()) return;
  Line(EndLine(state));
  Flush();
  if (!Failed() && fsync(FFile.Get()) != 0) Fail(errno);
}

void TRecorder::Line(const std::string& line) {
  if (Failed()) return;
  FPending += line;
  FPending += '\n';
}

void TRecorder::Flush() {
  std::string_view rest = FPending;
  while (!Failed() && !rest.empty()) {
    const ssize_t n = write(FFile.Get(), rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Fail(n < 0 ? errno : ENOSPC);
      LogWarning("the recording stops here: " + FReason);
      break;
    }
    rest.remove_prefix(static_cast<size_t>(n));
  }
  FPending.clear();
}

void TRecorder::Fail(int error) {
  if (FReason.empty()) FReason = PrintablePath(FPath) + ": " + std::system_category().message(error);
}
