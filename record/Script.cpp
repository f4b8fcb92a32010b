// Parsing, writing and applying input scripts.
#include "record/Script.h"

#include <charconv>
#include <utility>

#include "core/Settings.h"
#include "gfx/Display.h"
#include "platform/GameInput.h"
#include "platform/VirtualKeys.h"
#include "util/Printable.h"
#include "util/WholeNumber.h"

namespace {

// Codes 3..6 have names too: written as numbers they would read back as the digit keys.
// clang-format off
constexpr std::pair<std::string_view, int> KeyNames[] = {
    {"VK_LBUTTON", VK_LBUTTON},  {"VK_RBUTTON", VK_RBUTTON},  {"VK_CONTROL", VK_CONTROL},
    {"VK_ESCAPE", VK_ESCAPE},    {"VK_INSERT", VK_INSERT},    {"VK_PRIOR", VK_PRIOR},
    {"VK_NEXT", VK_NEXT},        {"VK_END", VK_END},          {"VK_HOME", VK_HOME},
    {"VK_LEFT", VK_LEFT},        {"VK_UP", VK_UP},            {"VK_RIGHT", VK_RIGHT},
    {"VK_DOWN", VK_DOWN},        {"VK_NUMPAD1", VK_NUMPAD1},  {"VK_NUMPAD2", VK_NUMPAD2},
    {"VK_NUMPAD3", VK_NUMPAD3},  {"VK_NUMPAD4", VK_NUMPAD4},  {"VK_NUMPAD5", VK_NUMPAD5},
    {"VK_NUMPAD6", VK_NUMPAD6},  {"VK_NUMPAD7", VK_NUMPAD7},  {"VK_NUMPAD8", VK_NUMPAD8},
    {"VK_NUMPAD9", VK_NUMPAD9},  {"VK_ADD", VK_ADD},          {"VK_SUBTRACT", VK_SUBTRACT},
    {"VK_F12", VK_F12},          {"VK_RETURN", VK_RETURN},    {"VK_MENU", VK_MENU},
    {"VK_PAUSE", VK_PAUSE},      {"VK_SNAPSHOT", VK_SNAPSHOT}, {"VK_NUMPAD0", VK_NUMPAD0},
    {"VK_F1", VK_F1},            {"VK_F2", VK_F2},            {"VK_F3", VK_F3},
    {"VK_CANCEL", 3},            {"VK_MBUTTON", 4},           {"VK_XBUTTON1", 5},
    {"VK_XBUTTON2", 6},          {"VK_F9", VK_F9},            {"VK_OEM_PLUS", VK_OEM_PLUS},
    {"VK_OEM_MINUS", VK_OEM_MINUS}, {"VK_SPACE", VK_SPACE},
};
// clang-format on

bool ParseInt(std::string_view text, int& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

}  // namespace

std::vector<std::string_view> ScriptWords(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

namespace {

// One line's event; an error text when it is not one.
std::string ParseLine(const std::vector<std::string_view>& w, TScriptEvent& e) {
  if (w.size() < 2) return "expected FRAME COMMAND ARGS";
  if (!ParseInt(w[0], e.Frame) || e.Frame < 1) return "frame must be a number from 1 on";
  const std::string_view cmd = w[1];
  auto wantArgs = [&](size_t n) { return w.size() == n + 2; };
  if (cmd == "down" || cmd == "up" || cmd == "tap" || cmd == "forget") {
    if (!wantArgs(1)) return std::string(cmd) + " takes one key";
    e.Command = cmd == "down"  ? ScriptCommand::Down
                : cmd == "up"  ? ScriptCommand::Up
                : cmd == "tap" ? ScriptCommand::Tap
                               : ScriptCommand::Forget;
    e.Key = ParseKeyName(w[2]);
    if (e.Key < 0) return "unknown key '" + Printable(w[2]) + "'";
    return {};
  }
  if (cmd == "mouse") {
    if (!wantArgs(2)) return "mouse takes X Y";
    e.Command = ScriptCommand::Mouse;
    if (!ParseInt(w[2], e.Point.X) || !ParseInt(w[3], e.Point.Y)) return "mouse X Y must be numbers";
    if (e.Point.X < -100000 || e.Point.X > 100000 || e.Point.Y < -100000 || e.Point.Y > 100000) {
      return "mouse position out of range";
    }
    return {};
  }
  if (cmd == "focus" || cmd == "overlay") {
    if (!wantArgs(1) || (w[2] != "0" && w[2] != "1")) return std::string(cmd) + " takes 0 or 1";
    e.Command = cmd == "focus" ? ScriptCommand::Focus : ScriptCommand::Overlay;
    e.Focused = e.Shown = w[2] == "1";
    return {};
  }
  if (cmd == "clock") {
    const auto ms = wantArgs(1) ? ParseWholeNumber(w[2], 0, UINT32_MAX) : std::nullopt;
    if (!ms) return "clock takes milliseconds from 0 to " + std::to_string(UINT32_MAX);
    e.Command = ScriptCommand::Clock;
    e.Clock = static_cast<uint32_t>(*ms);
    return {};
  }
  if (cmd == "recount") {
    if (!wantArgs(0)) return "recount takes nothing";
    e.Command = ScriptCommand::Recount;
    return {};
  }
  return "unknown command '" + Printable(cmd) + "'";
}

}  // namespace

int ParseKeyName(std::string_view name) {
  for (const auto& [text, vk] : KeyNames) {
    if (name == text) return vk;
  }
  if (name.size() == 1 && name[0] >= '1' && name[0] <= '6') return name[0];
  int vk = 0;
  if (ParseInt(name, vk) && vk >= 1 && vk <= 255) return vk;
  return -1;
}

std::string KeyName(int vk) {
  for (const auto& [text, code] : KeyNames) {
    if (code == vk) return std::string(text);
  }
  if (vk >= '1' && vk <= '6') return std::string(1, static_cast<char>(vk));
  return std::to_string(vk);
}

std::string ScriptLine(const TScriptEvent& e) {
  std::string line = std::to_string(e.Frame) + " ";
  switch (e.Command) {
    case ScriptCommand::Down: return line + "down " + KeyName(e.Key);
    case ScriptCommand::Up: return line + "up " + KeyName(e.Key);
    case ScriptCommand::Tap: return line + "tap " + KeyName(e.Key);
    case ScriptCommand::Forget: return line + "forget " + KeyName(e.Key);
    case ScriptCommand::Mouse: return line + "mouse " + std::to_string(e.Point.X) + " " + std::to_string(e.Point.Y);
    case ScriptCommand::Focus: return line + (e.Focused ? "focus 1" : "focus 0");
    case ScriptCommand::Clock: return line + "clock " + std::to_string(e.Clock);
    case ScriptCommand::Recount: return line + "recount";
    case ScriptCommand::Overlay: return line + (e.Shown ? "overlay 1" : "overlay 0");
  }
  return line;
}

TScriptParseResult ParseScript(std::string_view text) {
  TScriptParseResult result;
  int lineNumber = 0;
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
    ++lineNumber;
    if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    const auto words = ScriptWords(line);
    if (words.empty()) continue;
    TScriptEvent event;
    event.Line = lineNumber;
    if (std::string error = ParseLine(words, event); !error.empty()) {
      result.Error = "line " + std::to_string(lineNumber) + ": " + error;
      result.Events.clear();
      return result;
    }
    result.Events.push_back(event);
  }
  return result;
}

void ApplyScriptEvent(const TScriptEvent& event, TInputState& input) {
  switch (event.Command) {
    case ScriptCommand::Down: input.Keys.Press(event.Key); break;
    case ScriptCommand::Up: input.Keys.Release(event.Key); break;
    case ScriptCommand::Tap: input.Keys.Tap(event.Key); break;
    case ScriptCommand::Forget: input.Keys.Forget(event.Key); break;
    case ScriptCommand::Mouse: input.Cursor = event.Point; break;
    case ScriptCommand::Clock: input.Clock = event.Clock; break;
    case ScriptCommand::Overlay: Settings.ShowOverlay = event.Shown; break;
    case ScriptCommand::Focus:
      // The window's activation restarts the count, as the program does.
      if (event.Focused && !input.Focus && Display) Display->RestartRateMeasurement();
      input.Focus = event.Focused;
      break;
    case ScriptCommand::Recount:
      if (Display) Display->RestartRateMeasurement();
      break;
  }
}
