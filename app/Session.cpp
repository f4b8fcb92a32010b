// Preparing the map file, the recorder and the replay before the window opens.
#include "app/Session.h"

#include <iostream>
#include <memory>
#include <span>

#include "app/MainUtDX.h"
#include "core/Settings.h"
#include "game/World.h"
#include "record/Recording.h"
#include "res/Resources.h"
#include "util/Printable.h"

namespace {

// The recording in `file` as the replay plays it; a refusal in *error.
std::unique_ptr<TReplay> LoadReplay(const std::string& file, std::string* error) {
  auto script = LoadScriptFile(file, error);
  if (!script) return nullptr;
  const auto map = PrepareReplay(file, script->Recording, error);
  if (!map) return nullptr;
  MapDataOverride = map->Data;
  MapFileOverride = map->File;
  return std::make_unique<TReplay>(std::move(script->Events), std::move(script->Recording));
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
  // One program at a time on a map, MAP.DAT included: the other's edits would be lost at a save.
  if (const auto busy = window.FKeeper.Lock()) return err << "corvina: " << *busy << '\n', 2;
  if (!line.RecordFile.empty()) {
    if (MapFileOverride.find_first_of("\r\n") != std::string::npos) {
      return err << "corvina: a recording cannot name a map whose path holds a line break\n", 2;
    }
    // Before anything is created: the file named may be the map played on, or something
    // that is no file at all.
    if (const auto refusal = RecordingTargetRefusal(line.RecordFile, window.FKeeper.Path())) {
      return err << "corvina: cannot record: " << *refusal << '\n', 2;
    }
    if (!Settings.UseResources) {
      const std::string dir = ProgramDirectory();
      for (const char* name : {"MAP.DAT", "Walk.Wav"}) {
        if (NamesSameFile(line.RecordFile, FindLooseFile(dir, name).value_or(dir + name))) {
          return err << "corvina: cannot record: " << PrintablePath(line.RecordFile)
                     << " is read by --use-files; it is left as it is\n",
                 2;
        }
      }
    }
    window.FRecorder = std::make_unique<TRecorder>(line.RecordFile);
    if (window.FRecorder->Failed()) {
      return err << "corvina: cannot record: " << window.FRecorder->Reason() << '\n', 2;
    }
    std::cout << "corvina: recording into " << PrintablePath(window.FRecorder->PartialPath()) << " until the game ends"
              << std::endl;
  }
  return std::nullopt;
}

void StartRecording(TRecorder& recorder, const TSystem& world, uint32_t clock, int rateFrames) {
  // A map from a file goes into the recording: the file may change, or not be where it is replayed.
  const bool fromFile = !MapFileOverride.empty() || !Settings.UseResources;
  const auto* cells = reinterpret_cast<const uint8_t*>(world.FMap->FCells);
  recorder.Start(CurrentSwitches(MapFileOverride), clock, MapCrc(*world.FMap), rateFrames,
                 fromFile ? std::span<const uint8_t>(cells, MapBytes) : std::span<const uint8_t>());
}

std::optional<std::string> ReplayRefusal(const std::string& file) {
  std::string error;
  const auto script = LoadScriptFile(file, &error);
  if (!script) return error;
  const TSettings settings = Settings;
  const std::string mapFile = MapFileOverride;
  const auto map = PrepareReplay(file, script->Recording, &error);
  Settings = settings;
  ApplyScreenSize();
  MapFileOverride = mapFile;
  if (!map) return error;
  if (!script->Recording.End) return PrintablePath(file) + " has no end line: the recording did not end cleanly";
  return std::nullopt;
}
