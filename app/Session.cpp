// Preparing the map file, the recorder and the replay before the window opens.
#include "app/Session.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "app/MainUtDX.h"
#include "game/World.h"
#include "record/Recording.h"
#include "record/Script.h"
#include "res/Resources.h"
#include "util/Printable.h"

namespace {

constexpr size_t MaxRecordingBytes = size_t{256} << 20;

// The recording in `file` as the replay plays it; a refusal in *error.
std::unique_ptr<TReplay> LoadReplay(const std::string& file, std::string* error) {
  const auto bytes = ReadWholeFile(file, MaxRecordingBytes);
  if (!bytes) return *error = "cannot open the recording " + PrintablePath(file), nullptr;
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  ScriptParseResult parsed = ParseScript(text);
  TRecording recording = ReadRecording(text);
  if (!parsed.Error.empty() || !recording.Error.empty()) {
    return *error = PrintablePath(file) + ": " + (parsed.Error.empty() ? recording.Error : parsed.Error), nullptr;
  }
  if (!recording.IsRecording) {
    return *error = PrintablePath(file) + " is not a recording: its first line is not '" +
                    std::string(RecordingFirstLine) + "'",
           nullptr;
  }
  std::stable_sort(parsed.Events.begin(), parsed.Events.end(),
                   [](const ScriptEvent& a, const ScriptEvent& b) { return a.Frame < b.Frame; });
  ApplyRecordedSwitches(recording.Switches);
  const auto map = ReplayMap(recording, error);
  if (!map) return *error = "cannot replay " + PrintablePath(file) + ": " + *error, nullptr;
  MapDataOverride = map->Data;
  MapFileOverride = map->File;
  return std::make_unique<TReplay>(std::move(parsed.Events), std::move(recording));
}

}  // namespace

std::optional<int> PrepareSession(const TCommandLine& line, TBasic& window, std::ostream& err) {
  std::string error;
  if (!line.ReplayFile.empty()) {
    window.FReplay = LoadReplay(line.ReplayFile, &error);
    if (!window.FReplay) return err << "corvina: " << error << '\n', 2;
    return std::nullopt;
  }
  MapFileOverride.clear();
  if (!line.MapFile.empty()) {
    if (const auto refusal = MapFileRefusal(line.MapFile)) return err << "corvina: " << *refusal << '\n', 2;
    window.FKeeper = TMapKeeper(line.MapFile);
    std::error_code ec;
    // Absolute, so that a recording names it wherever it is replayed from.
    if (std::filesystem::exists(line.MapFile, ec)) MapFileOverride = std::filesystem::absolute(line.MapFile).string();
  }
  if (!line.RecordFile.empty()) {
    if (MapFileOverride.find_first_of("\r\n") != std::string::npos) {
      return err << "corvina: a recording cannot name a map whose path holds a line break\n", 2;
    }
    window.FRecorder = std::make_unique<TRecorder>(line.RecordFile);
    if (window.FRecorder->Failed()) {
      return err << "corvina: cannot record: " << window.FRecorder->Reason() << '\n', 2;
    }
  }
  return std::nullopt;
}
