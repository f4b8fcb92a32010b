// A recording's header and end lines: written, read back, compared.
#include "record/Recording.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>
#include <memory>

#include "core/Settings.h"
#include "game/World.h"
#include "res/Resources.h"
#include "util/Crc32.h"
#include "util/Printable.h"

namespace {

constexpr std::string_view SwitchesPrefix = "# switches:";
constexpr std::string_view StartPrefix = "# start ";
constexpr std::string_view EndPrefix = "# end ";
constexpr std::string_view MapDataPrefix = "# map-data ";
constexpr std::string_view MadeByPrefix = "# made-by ";
constexpr size_t MapDataLineChars = 76;
constexpr char Base64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The switches that are a single word, and the field each sets to the value opposite its default.
struct TWordSwitch {
  std::string_view Word;
  bool TRecordedSwitches::*Field;
};
constexpr TWordSwitch WordSwitches[] = {
    {"--high-res", &TRecordedSwitches::HighRes},       {"--auto-timing", &TRecordedSwitches::AutoTiming},
    {"--no-overlay", &TRecordedSwitches::ShowOverlay}, {"--no-map-editing", &TRecordedSwitches::MapEditing},
    {"--use-files", &TRecordedSwitches::UseResources},
};
const TRecordedSwitches PlainStart{};

std::string Hex8(uint32_t v) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", v);
  return text;
}

template <class T>
bool Number(std::string_view text, T& value, int base = 10) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  return !text.empty() && ec == std::errc() && ptr == end;
}

// "X,Y,D" as a person's end.
bool PersonEnd(std::string_view text, TFinalState::TPersonEnd& p) {
  const size_t a = text.find(','), b = a == std::string_view::npos ? a : text.find(',', a + 1);
  if (b == std::string_view::npos) return false;
  return Number(text.substr(0, a), p.Cell.X) && Number(text.substr(a + 1, b - a - 1), p.Cell.Y) &&
         Number(text.substr(b + 1), p.Facing);
}

// "--high-res --map /a b/MAP.DAT"; an error text when a word is not a switch a replay honours.
std::string ReadSwitches(std::string_view rest, TRecordedSwitches& s) {
  for (std::string_view word : ScriptWords(rest)) {
    if (word == "--map") {
      const size_t at = static_cast<size_t>(word.data() - rest.data()) + word.size();
      std::string_view path = rest.substr(at);
      if (!path.empty()) path.remove_prefix(1);
      if (!path.empty() && path.back() == '\r') path.remove_suffix(1);
      if (path.empty()) return "--map without a file";
      s.MapFile = std::string(path);
      return {};
    }
    const TWordSwitch* known = nullptr;
    for (const TWordSwitch& w : WordSwitches) {
      if (w.Word == word) known = &w;
    }
    if (!known) return "the recording asks for '" + Printable(word) + "', which this program cannot honour";
    s.*known->Field = !(PlainStart.*known->Field);
  }
  return {};
}

// "clock=123 map=1a2b3c4d": each of `keys` once, its value handed to take(index, value); false
// when a word is not one of them or one is missing.
bool KeyValues(std::string_view rest, std::initializer_list<std::string_view> keys,
               const std::function<bool(size_t, std::string_view)>& take) {
  std::vector<bool> seen(keys.size());
  for (std::string_view word : ScriptWords(rest)) {
    const size_t eq = word.find('=');
    const auto key = std::find(keys.begin(), keys.end(), word.substr(0, eq));
    if (eq == std::string_view::npos || key == keys.end()) return false;
    const size_t index = static_cast<size_t>(key - keys.begin());
    if (seen[index] || !take(index, word.substr(eq + 1))) return false;
    seen[index] = true;
  }
  return std::find(seen.begin(), seen.end(), false) == seen.end();
}

std::string ReadStart(std::string_view rest, TRecording& r) {
  const bool ok = KeyValues(rest, {"clock", "map"}, [&](size_t key, std::string_view value) {
    return key == 0 ? Number(value, r.StartClock) : Number(value, r.StartMap, 16);
  });
  return ok ? std::string{} : "the start line wants clock=MS map=CRC";
}

std::string ReadEnd(std::string_view rest, TRecording& r) {
  TFinalState end;
  const bool ok = KeyValues(rest, {"frame", "map", "p1", "p2", "p3", "p4"}, [&](size_t key, std::string_view value) {
    if (key == 0) return Number(value, end.Frame) && end.Frame >= 0 && end.Frame <= MaxRecordedFrames;
    if (key == 1) return Number(value, end.Map, 16);
    return PersonEnd(value, end.Persons[key - 2]);
  });
  if (!ok) return "the end line wants frame=N map=CRC p1=X,Y,D .. p4=X,Y,D";
  r.End = end;
  return {};
}

std::string Base64(std::span<const uint8_t> bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k) group = group << 8 | (k < n ? bytes[i + k] : 0);
    for (size_t k = 0; k < 4; ++k) out += k <= n ? Base64Digits[(group >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

// Appends the decoded `text` to `out`; false at a character that is not base64.
bool AddBase64(std::string_view text, std::vector<uint8_t>& out, uint32_t& group, int& digits) {
  for (char c : text) {
    if (c == '=') continue;
    const char* at = std::char_traits<char>::find(Base64Digits, 64, c);
    if (!at) return false;
    group = group << 6 | static_cast<uint32_t>(at - Base64Digits);
    if (++digits % 4 == 0) {
      for (int k = 2; k >= 0; --k) out.push_back(static_cast<uint8_t>(group >> (8 * k)));
      group = 0;
    }
  }
  return true;
}

// The bytes of a last group of two or three digits; false for a single digit left over.
bool EndBase64(std::vector<uint8_t>& out, uint32_t group, int digits) {
  const int left = digits % 4;
  if (left == 1) return false;
  group <<= 6 * (4 - left);
  for (int k = 2; left != 0 && k >= 4 - left; --k) out.push_back(static_cast<uint8_t>(group >> (8 * k)));
  return true;
}

}  // namespace

TRecording ReadRecording(std::string_view text) {
  TRecording r;
  bool started = false;
  uint32_t group = 0;  // the map data's base64 digits not yet decoded
  int digits = 0;
  for (int number = 1; !text.empty(); ++number) {
    const size_t eol = text.find('\n');
    const bool ended = eol != std::string_view::npos;
    std::string_view line = text.substr(0, eol);
    text = ended ? text.substr(eol + 1) : std::string_view{};
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (number == 1) {
      if (line != RecordingFirstLine) return r;
      r.IsRecording = true;
      continue;
    }
    std::string error;
    // The recorder ends every line it writes: a line without its end was cut where the file
    // stopped, and what is left of it cannot be trusted, but for a whole end line.
    if (!ended) {
      if (!line.starts_with(EndPrefix) || r.End || !ReadEnd(line.substr(EndPrefix.size()), r).empty()) {
        error = "the recording is cut short in this line";
      }
    } else if (line.starts_with(SwitchesPrefix)) {
      error = ReadSwitches(line.substr(SwitchesPrefix.size()), r.Switches);
    } else if (line.starts_with(StartPrefix)) {
      error = ReadStart(line.substr(StartPrefix.size()), r);
      started = true;
    } else if (line.starts_with(EndPrefix)) {
      error = r.End ? "a second end line" : ReadEnd(line.substr(EndPrefix.size()), r);
    } else if (line.starts_with(MadeByPrefix)) {
      r.MadeBy = std::string(line.substr(MadeByPrefix.size()));
    } else if (line.starts_with(MapDataPrefix)) {
      if (r.MapData.size() > MapBytes || !AddBase64(line.substr(MapDataPrefix.size()), r.MapData, group, digits)) {
        error = "the map kept in the recording is damaged";
      }
    }
    if (!error.empty()) {
      r.Error = "line " + std::to_string(number) + ": " + error;
      return r;
    }
    if (r.End && r.EndLineNumber == 0) r.EndLineNumber = number;
  }
  if (r.IsRecording && !started) r.Error = "the recording has no start line";
  const bool whole =
      EndBase64(r.MapData, group, digits) &&
      (r.MapData.empty() || (r.MapData.size() == MapBytes && Crc32(r.MapData.data(), r.MapData.size()) == r.StartMap));
  if (r.Error.empty() && !whole) {
    r.Error = "the map kept in the recording is damaged";
  }
  return r;
}

std::string RecordedFramesError(const TRecording& r, const std::vector<TScriptEvent>& events) {
  int frames = 0;  // the clock lines so far
  for (const TScriptEvent& e : events) {
    const std::string at = "line " + std::to_string(e.Line) + ": ";
    if (r.End && e.Line > r.EndLineNumber) return at + "an event after the end line";
    if (e.Command == ScriptCommand::Clock) {
      if (e.Frame != frames + 1) {
        return at + "frame " + std::to_string(e.Frame) + "'s clock line " +
               (frames == 0 ? "comes first" : "follows frame " + std::to_string(frames) + "'s") +
               "; a recording has one for every frame in turn";
      }
      frames = e.Frame;
    } else if (e.Frame != frames) {
      return at + "an event of frame " + std::to_string(e.Frame) +
             (e.Frame > frames ? " before that frame's clock line" : " after frame " + std::to_string(frames) + "'s");
    }
  }
  if (r.End && r.End->Frame != frames) {
    return "line " + std::to_string(r.EndLineNumber) + ": the end line says " + std::to_string(r.End->Frame) +
           " frames, but the recording holds clock lines for " + std::to_string(frames);
  }
  return {};
}

int RecordingLength(const TRecording& r, int lastEventFrame) {
  return std::clamp(r.End ? r.End->Frame : lastEventFrame, 0, MaxRecordedFrames);
}

TRecordedSwitches CurrentSwitches(const std::string& mapFile) {
  TRecordedSwitches s;
  s.HighRes = Settings.HighRes;
  s.AutoTiming = Settings.AutoTiming;
  s.ShowOverlay = Settings.ShowOverlay;
  s.MapEditing = Settings.MapEditing;
  s.UseResources = Settings.UseResources;
  s.MapFile = mapFile;
  return s;
}

void ApplyRecordedSwitches(const TRecordedSwitches& s) {
  Settings.HighRes = s.HighRes;
  Settings.AutoTiming = s.AutoTiming;
  Settings.ShowOverlay = s.ShowOverlay;
  Settings.MapEditing = s.MapEditing;
  Settings.UseResources = s.UseResources;
  ApplyScreenSize();
}

#ifndef CORVINA_VERSION
#define CORVINA_VERSION "unknown"
#endif

std::string RecordingMaker() {
#ifdef __EMSCRIPTEN__
  return "corvina " CORVINA_VERSION " web";
#else
  return "corvina " CORVINA_VERSION " linux";
#endif
}

std::string RecordingHeader(const TRecordedSwitches& s, uint32_t startClock, uint32_t startMap,
                            std::span<const uint8_t> mapData) {
  std::string switches;
  for (const TWordSwitch& w : WordSwitches) {
    if (s.*w.Field != PlainStart.*w.Field) (switches += " ") += w.Word;
  }
  if (!s.MapFile.empty()) switches += " --map " + s.MapFile;
  std::string header(RecordingFirstLine);
  header += "\n";
  header += SwitchesPrefix;
  header += switches;
  header += "\n";
  header += StartPrefix;
  header += "clock=";
  header += std::to_string(startClock);
  header += " map=";
  header += Hex8(startMap);
  header += "\n";
  header += MadeByPrefix;
  header += RecordingMaker();
  header += "\n";
  const std::string data = Base64(mapData);
  for (size_t i = 0; i < data.size(); i += MapDataLineChars) {
    header += std::string(MapDataPrefix) + data.substr(i, MapDataLineChars) + "\n";
  }
  return header;
}

std::string EndLine(const TFinalState& state) {
  std::string line = std::string(EndPrefix) + "frame=" + std::to_string(state.Frame) + " map=" + Hex8(state.Map);
  for (int i = 0; i < 4; ++i) {
    const auto& p = state.Persons[i];
    line += " p" + std::to_string(i + 1) + "=" + std::to_string(p.Cell.X) + "," + std::to_string(p.Cell.Y) + "," +
            std::to_string(p.Facing);
  }
  return line;
}

std::optional<TReplayMap> ReplayMap(const TRecording& r, std::string* error) {
  if (!r.MapData.empty()) return TReplayMap{r.MapData, {}};
  const std::string& file = r.Switches.MapFile;
  const std::string which = file.empty() ? "the map the program plays on" : PrintablePath(file);
  try {
    MapFileOverride.clear();
    std::unique_ptr<TMap> map = std::make_unique<TMap>();
    if (file.empty()) {
      map = LoadGameMap();
    } else if (std::string why; !map->LoadFromFile(file, &why)) {
      if (error) *error = which + ", the recording's map, cannot be opened (" + why + ")";
      return std::nullopt;
    }
    if (MapCrc(*map) == r.StartMap) return TReplayMap{{}, file};
    if (error) {
      *error = which + " is not the map the recording started on (its CRC is " + Hex8(MapCrc(*map)) +
               ", the recording's " + Hex8(r.StartMap) + ")";
    }
  } catch (const std::exception& e) {
    if (error) *error = e.what();
  }
  return std::nullopt;
}

std::optional<TScriptFile> ReadScriptFile(std::string_view text, std::string* error) {
  TRecording recording = ReadRecording(text);
  // A recording refused: its events are not needed, and a cut line would be told as a bad one.
  if (!recording.Error.empty()) return TScriptFile{{}, std::move(recording)};
  TScriptParseResult parsed = ParseScript(text);
  if (!parsed.Error.empty()) {
    if (!recording.IsRecording) return *error = parsed.Error, std::nullopt;
    recording.Error = parsed.Error;
    return TScriptFile{{}, std::move(recording)};
  }
  if (recording.IsRecording) {
    recording.Error = RecordedFramesError(recording, parsed.Events);
    if (!recording.Error.empty()) return TScriptFile{{}, std::move(recording)};
  }
  std::stable_sort(parsed.Events.begin(), parsed.Events.end(),
                   [](const TScriptEvent& a, const TScriptEvent& b) { return a.Frame < b.Frame; });
  return TScriptFile{std::move(parsed.Events), std::move(recording)};
}

std::optional<TScriptFile> LoadScriptFile(const std::string& path, std::string* error) {
  constexpr size_t MaxScriptBytes = 64u << 20;
  const TFileRead file = ReadWholeFile(path, MaxScriptBytes);
  if (!file.Bytes) return *error = "cannot open script " + PrintablePath(path) + " (" + file.Why + ")", std::nullopt;
  const std::string_view text(reinterpret_cast<const char*>(file.Bytes->data()), file.Bytes->size());
  auto script = ReadScriptFile(text, error);
  if (!script) *error = PrintablePath(path) + ": " + *error;
  return script;
}

std::optional<TReplayMap> PrepareReplay(const std::string& path, const TRecording& r, std::string* error) {
  if (!r.IsRecording) {
    *error =
        PrintablePath(path) + " is not a recording: its first line is not '" + std::string(RecordingFirstLine) + "'";
    return std::nullopt;
  }
  if (!r.Error.empty()) return *error = PrintablePath(path) + ": " + r.Error, std::nullopt;
  ApplyRecordedSwitches(r.Switches);
  auto map = ReplayMap(r, error);
  if (!map) *error = "cannot replay " + PrintablePath(path) + ": " + *error;
  return map;
}

uint32_t MapCrc(const TMap& map) { return Crc32(reinterpret_cast<const uint8_t*>(map.FCells), MapBytes); }

TFinalState FinalStateOf(const TSystem& world, int frames) {
  TFinalState state;
  state.Frame = frames;
  state.Map = MapCrc(*world.FMap);
  for (int i = 0; i < 4; ++i) {
    if (const TPerson* p = world.Person(i + 1)) state.Persons[i] = {TPoint{p->FCellX, p->FCellY}, p->FDirection};
  }
  return state;
}

std::string FirstDifference(const TFinalState& recorded, const TFinalState& replayed) {
  if (recorded.Frame != replayed.Frame) {
    return "frames run: recorded " + std::to_string(recorded.Frame) + ", replayed " + std::to_string(replayed.Frame);
  }
  if (recorded.Map != replayed.Map) {
    return "the map: recorded " + Hex8(recorded.Map) + ", replayed " + Hex8(replayed.Map);
  }
  for (int i = 0; i < 4; ++i) {
    const auto& a = recorded.Persons[i];
    const auto& b = replayed.Persons[i];
    const std::string who = "person " + std::to_string(i + 1) + "'s ";
    if (a.Cell != b.Cell) return who + "cell: recorded " + PointText(a.Cell) + ", replayed " + PointText(b.Cell);
    if (a.Facing != b.Facing) {
      return who + "facing: recorded " + std::to_string(a.Facing) + ", replayed " + std::to_string(b.Facing);
    }
  }
  return {};
}
