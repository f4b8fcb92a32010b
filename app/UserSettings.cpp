// Reading and writing the player's settings file.
#include "app/UserSettings.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <system_error>

#include "core/Log.h"
#include "platform/Platform.h"
#include "util/AtomicFile.h"
#include "util/Printable.h"
#include "util/UserDirs.h"
#include "util/WholeNumber.h"

namespace {

constexpr size_t MaxFileBytes = 64 * 1024;  // more is no settings file
constexpr int MaxWarnedLines = 5;           // a damaged file is not echoed line by line
constexpr int MaxWindowSide = 16384;

struct TKey {
  const char* Name;
  const char* Comment;
  // False when the value is not one the key takes; `choices` is then unchanged.
  std::function<bool(std::string_view, TUserChoices&)> Read;
  std::function<std::string(const TUserChoices&)> Write;
  const char* Takes;  // what the warning says the key takes
};

std::optional<bool> YesNo(std::string_view value) {
  if (value == "yes" || value == "on" || value == "true") return true;
  if (value == "no" || value == "off" || value == "false") return false;
  return std::nullopt;
}

std::string YesNo(bool value) { return value ? "yes" : "no"; }

TKey Flag(const char* name, const char* comment, bool TUserChoices::*field) {
  return {name, comment,
          [field](std::string_view value, TUserChoices& c) {
            const auto flag = YesNo(value);
            if (flag) c.*field = *flag;
            return flag.has_value();
          },
          [field](const TUserChoices& c) { return YesNo(c.*field); }, "yes or no"};
}

const std::vector<TKey>& Keys() {
  static const std::vector<TKey> keys = {
      Flag("fullscreen", "Full screen (yes) or a window (no); Alt+Enter switches.", &TUserChoices::FullScreen),
      {"window", "The window's inside in pixels, WIDTHxHEIGHT, as last resized; 0x0: the picture's size.",
       [](std::string_view value, TUserChoices& c) {
         const size_t x = value.find('x');
         if (x == std::string_view::npos) return false;
         const auto w = ParseWholeNumber(value.substr(0, x), 0, MaxWindowSide);
         const auto h = ParseWholeNumber(value.substr(x + 1), 0, MaxWindowSide);
         if (!w || !h || (*w == 0) != (*h == 0)) return false;
         c.WindowWidth = static_cast<int>(*w);
         c.WindowHeight = static_cast<int>(*h);
         return true;
       },
       [](const TUserChoices& c) { return std::to_string(c.WindowWidth) + "x" + std::to_string(c.WindowHeight); },
       "WIDTHxHEIGHT"},
      {"scale", "sharp: the picture fills the screen at its own shape; integer: whole factors, with bars.",
       [](std::string_view value, TUserChoices& c) {
         if (value != "sharp" && value != "integer") return false;
         c.IntegerScale = value == "integer";
         return true;
       },
       [](const TUserChoices& c) { return std::string(c.IntegerScale ? "integer" : "sharp"); }, "sharp or integer"},
      Flag("overlay", "The frame-rate overlay (F3).", &TUserChoices::ShowOverlay),
      Flag("sound", "Footstep sounds.", &TUserChoices::SoundOn),
      Flag("mute", "Sound muted.", &TUserChoices::Mute),
      {"volume", "Sound volume in per cent, 0 to 100.",
       [](std::string_view value, TUserChoices& c) {
         const auto percent = ParseWholeNumber(value, 0, MaxVolume);
         if (percent) c.Volume = static_cast<int>(*percent);
         return percent.has_value();
       },
       [](const TUserChoices& c) { return std::to_string(c.Volume); }, "0 to 100"},
      Flag("hint-seen", "The first start's key hint has been shown.", &TUserChoices::HintSeen),
  };
  return keys;
}

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A line's key and value; nothing for a blank or comment line, the key empty for a line that
// is no "key = value".
std::optional<std::pair<std::string_view, std::string_view>> Split(std::string_view line) {
  line = Trimmed(line);
  if (line.empty() || line[0] == '#') return std::nullopt;
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::pair{std::string_view{}, line};
  return std::pair{Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1))};
}

const TKey* FindKey(std::string_view name) {
  for (const TKey& key : Keys()) {
    if (name == key.Name) return &key;
  }
  return nullptr;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
  }
  return lines;
}

}  // namespace

TUserChoices ShippedChoices(const TSettings& shipped) {
  TUserChoices choices;
  choices.FullScreen = shipped.FullScreen;
  choices.ShowOverlay = shipped.ShowOverlay;
  choices.SoundOn = shipped.SoundOn;
  return choices;
}

TUserChoices ParseUserChoices(std::string_view text, const std::string& name, const TUserChoices& defaults) {
  TUserChoices choices = defaults;
  int number = 0, bad = 0;
  const auto warn = [&](std::string_view before, std::string_view echoed, std::string_view after) {
    if (++bad > MaxWarnedLines) return;
    std::string line = name;
    line.append(":").append(std::to_string(number)).append(": ").append(before);
    line.append(Printable(std::string(echoed))).append(after);
    LogWarning(line);
  };
  for (const std::string_view line : Lines(text)) {
    ++number;
    const auto pair = Split(line);
    if (!pair) continue;
    const auto [keyName, value] = *pair;
    const TKey* key = FindKey(keyName);
    if (keyName.empty()) {
      warn("'", value, "' is no 'key = value' line; ignored");
    } else if (!key) {
      warn("unknown setting '", keyName, "'; ignored");
    } else if (!key->Read(value, choices)) {
      // The line's value is refused, whatever an earlier line gave the key.
      key->Read(key->Write(defaults), choices);
      const std::string fallback = key->Write(defaults);
      warn(std::string(key->Name).append(" takes ").append(key->Takes).append(", not '"), value,
           std::string("'; using ").append(fallback));
    }
  }
  if (bad > MaxWarnedLines) LogWarning(name + ": " + std::to_string(bad - MaxWarnedLines) + " more lines ignored");
  return choices;
}

std::string FormatUserChoices(const TUserChoices& choices, std::string_view old) {
  std::string text;
  std::vector<const TKey*> written;
  for (const std::string_view line : Lines(old)) {
    const auto pair = Split(line);
    const TKey* key = pair ? FindKey(pair->first) : nullptr;
    if (key && std::find(written.begin(), written.end(), key) == written.end()) {
      text += std::string(key->Name) + " = " + key->Write(choices) + "\n";
      written.push_back(key);
    } else if (!key) {
      text += std::string(line) + "\n";
    }
  }
  if (old.empty()) {
    text +=
        "# Corvina's settings: \"key = value\" lines; a line starting with # is a comment.\n"
        "# The game writes the choices made in it; a switch on the command line applies to its run only.\n";
  }
  for (const TKey& key : Keys()) {
    if (std::find(written.begin(), written.end(), &key) != written.end()) continue;
    text += std::string("\n# ") + key.Comment + "\n" + key.Name + " = " + key.Write(choices) + "\n";
  }
  return text;
}

std::filesystem::path TUserSettings::DefaultPath() { return UserConfigDirectory() / "corvina.conf"; }

TUserSettings::TUserSettings(std::filesystem::path path, const TUserChoices& defaults)
    : FPath(std::move(path)), FDefaults(defaults), FChoices(defaults), FWritten(defaults) {}

void TUserSettings::Load() {
  std::ifstream in(FPath, std::ios::binary);
  if (!in) return;
  FText.assign(std::istreambuf_iterator<char>(in), {});
  if (FText.size() > MaxFileBytes) {
    LogWarning(PrintablePath(FPath) + ": longer than a settings file can be; the defaults are used");
    FText.clear();
    return;
  }
  FChoices = FWritten = ParseUserChoices(FText, PrintablePath(FPath), FDefaults);
}

void TUserSettings::Reset() {
  FChoices = FDefaults;
  FText.clear();
  FWritten = {};
  FWritten.Volume = -1;  // differs from any choice: written whatever the file held
  Save();
}

void TUserSettings::SetFullScreen(bool value) {
  FChoices.FullScreen = value;
  Save();
}

void TUserSettings::SetWindowSize(int width, int height) {
  if (width <= 0 || height <= 0) return;
  FChoices.WindowWidth = std::min(width, MaxWindowSide);
  FChoices.WindowHeight = std::min(height, MaxWindowSide);
  Save();
}

void TUserSettings::SetOverlay(bool value) {
  FChoices.ShowOverlay = value;
  Save();
}

void TUserSettings::SetSound(int percent, bool muted) {
  FChoices.Volume = std::clamp(percent, 0, MaxVolume);
  FChoices.Mute = muted;
  Save();
}

void TUserSettings::SetHintSeen() {
  FChoices.HintSeen = true;
  Save();
}

void TUserSettings::Save() {
  if (FChoices == FWritten) return;
  const std::string text = FormatUserChoices(FChoices, FText);
  std::error_code ec;
  std::filesystem::create_directories(FPath.parent_path(), ec);
  std::string reason;
  if (!WriteFileAtomically(FPath, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), &reason)) {
    if (!FWarned) LogWarning("settings not kept: " + reason);
    FWarned = true;
    return;
  }
  FText = text;
  FWritten = FChoices;
  // The page keeps it in the browser's storage, which answers later (TBasic::SettingsKept).
  PlatformFileWritten(FPath.string(), PlatformFileKind::Settings);
}
