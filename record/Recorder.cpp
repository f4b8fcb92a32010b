// Writing a recording while the program runs.
#include "record/Recorder.h"

#include <sys/stat.h>
#include <system_error>

#include "core/Log.h"
#include "gfx/Display.h"
#include "record/Script.h"
#include "util/Printable.h"

namespace {
constexpr uint32_t FlushEveryMs = 1000;
constexpr size_t FlushAtBytes = 1 << 16;

}  // namespace

bool NamesSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  struct stat sa {};
  struct stat sb {};
  const bool hasA = stat(a.c_str(), &sa) == 0, hasB = stat(b.c_str(), &sb) == 0;
  if (hasA || hasB) return hasA && hasB && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  std::error_code ec;
  const auto plain = [&ec](const std::filesystem::path& p) {
    return std::filesystem::weakly_canonical(std::filesystem::absolute(WriteTargetOf(p), ec), ec);
  };
  return plain(a) == plain(b);
}

std::optional<std::string> RecordingTargetRefusal(const std::filesystem::path& record,
                                                  const std::filesystem::path& map) {
  if (auto refusal = WriteTargetRefusal(record)) return refusal;
  std::filesystem::path bak = WriteTargetOf(map);
  bak += ".bak";
  const std::string name = PrintablePath(record);
  if (NamesSameFile(record, map)) return name + " is the map file the game keeps; it is left as it is";
  if (NamesSameFile(record, bak)) return name + " is the map file's previous version (.bak); it is left as it is";
  return std::nullopt;
}

TRecorder::TRecorder(const std::filesystem::path& path)
    : FPath(path), FFile(std::make_unique<TAtomicFile>(path, TOldFile::Forget, TPartial::Visible)) {
  Fail();
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
  if (Failed() && PartialPath().empty()) return;
  Line(EndLine(state));
  Flush();
  if (!Failed() && !FFile->Commit()) Fail();
  if (Failed() && !PartialPath().empty()) FReason += "; what was recorded is kept in " + PrintablePath(PartialPath());
}

void TRecorder::Line(const std::string& line) {
  if (Failed()) return;
  FPending += line;
  FPending += '\n';
}

void TRecorder::Flush() {
  const auto* bytes = reinterpret_cast<const uint8_t*>(FPending.data());
  if (!Failed() && !FPending.empty() && !FFile->Write(std::span(bytes, FPending.size()))) {
    Fail();
    LogWarning("the recording stops here: " + FReason);
  }
  FPending.clear();
}

void TRecorder::Fail() {
  if (FReason.empty()) FReason = FFile->Reason();
}
