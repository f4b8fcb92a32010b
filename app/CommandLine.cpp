// Parsing of the program's command-line switches and its usage text.
#include "app/CommandLine.h"

#include <optional>

#include "util/Printable.h"
#include "util/WholeNumber.h"

namespace {

struct TSwitch {
  const char* Name;
  bool TSettings::*Field;
  bool Value;
  const char* Help;
};

constexpr TSwitch Switches[] = {
    {"--fullscreen", &TSettings::FullScreen, true, "full screen, the picture filling the screen's height (default)"},
    {"--windowed", &TSettings::FullScreen, false, "a window (resizable; Alt+Enter switches)"},
    {"--high-res", &TSettings::HighRes, true, "800 x 600 instead of 640 x 480"},
    {"--auto-timing", &TSettings::AutoTiming, true, "walk timing follows the frame rate"},
    {"--no-overlay", &TSettings::ShowOverlay, false, "hide the frame-rate overlay"},
    {"--system-memory", &TSettings::SystemMemory, true, "surfaces in system memory"},
    {"--video-memory", &TSettings::SystemMemory, false, "surfaces asked for in video memory"},
    {"--sound", &TSettings::SoundOn, true, "footstep sounds"},
    {"--no-map-editing", &TSettings::MapEditing, false, "number keys do not edit the map"},
    {"--use-files", &TSettings::UseResources, false, "map and footstep from files beside the program"},
};

TCommandLine Fail(TCommandLine result, std::string error) {
  result.Action = TCommandLine::TAction::Error;
  result.Error = std::move(error);
  return result;
}

// A switch with a value, as "--name VALUE" or "--name=VALUE", at args[i]; advances i past its
// value. Nothing when args[i] is another switch; an error message when the value is missing.
std::optional<std::string> TextSwitch(const std::vector<std::string>& args, size_t& i, const std::string& name,
                                      const std::string& what, std::string& value) {
  const std::string& arg = args[i];
  if (arg == name) {
    if (i + 1 >= args.size()) return name + " needs " + what;
    value = args[++i];
  } else if (arg.starts_with(name + "=")) {
    value = arg.substr(name.size() + 1);
  } else {
    return std::nullopt;
  }
  if (value.empty()) return name + " needs " + what;
  return std::string{};
}

// The same with a whole number in low..high; an error message also when the value is wrong.
std::optional<std::string> NumberSwitch(const std::vector<std::string>& args, size_t& i, const std::string& name,
                                        int low, int high, int& out) {
  std::string value;
  const auto given = TextSwitch(args, i, name, "a number", value);
  if (!given || !given->empty()) return given;
  if (const auto number = ParseWholeNumber(value, low, high)) {
    out = static_cast<int>(*number);
    return std::string{};
  }
  return WholeNumberRefusal(name, low, high, value);
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args, const TSettings& shipped) {
  TCommandLine result;
  result.Switches = shipped;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      result.Action = TCommandLine::TAction::Help;
      return result;
    }
    if (arg == "--version" || arg == "-V") {
      result.Action = TCommandLine::TAction::Version;
      return result;
    }
    if (arg == "--no-dialog" || arg == "--reset-settings") {
      (arg == "--no-dialog" ? result.NoDialog : result.ResetSettings) = true;
      continue;
    }
    if (arg == "--integer-scale" || arg == "--verbose") {
      (arg == "--verbose" ? result.Verbose : result.IntegerScale) = true;
      continue;
    }
    if (auto error = TextSwitch(args, i, "--renderer", "gpu or surface", result.Renderer)) {
      if (!error->empty()) return Fail(result, *error);
      if (result.Renderer != "gpu" && result.Renderer != "surface" && result.Renderer != "auto") {
        return Fail(result, "--renderer wants gpu, surface or auto, not '" + Printable(result.Renderer) + "'");
      }
      continue;
    }
    bool file = false;
    for (auto [name, field] :
         {std::pair{"--map", &TCommandLine::MapFile}, std::pair{"--record", &TCommandLine::RecordFile},
          std::pair{"--replay", &TCommandLine::ReplayFile}}) {
      if (auto error = TextSwitch(args, i, name, "a file", result.*field)) {
        if (!error->empty()) return Fail(result, *error);
        file = true;
        break;
      }
    }
    if (file) continue;
    if (auto error = NumberSwitch(args, i, "--scale", 1, MaxWindowScale, result.Scale)) {
      if (!error->empty()) return Fail(result, *error);
      result.ScaleGiven = true;
      continue;
    }
    if (auto error = NumberSwitch(args, i, "--fps", 0, MaxFramesPerSecond, result.FramesPerSecond)) {
      if (!error->empty()) return Fail(result, *error);
      continue;
    }
    bool known = false;
    for (const TSwitch& s : Switches) {
      if (arg == s.Name) {
        result.Switches.*s.Field = s.Value;
        known = true;
        break;
      }
    }
    if (!known) return Fail(result, "unknown option '" + Printable(arg) + "'");
  }
  if (!result.RecordFile.empty() && !result.ReplayFile.empty()) {
    return Fail(result, "--record and --replay cannot go together");
  }
  return result;
}

std::string UsageText(const std::string& program) {
  std::string text = "Usage: " + program + " [options]\n\nOptions:\n";
  auto line = [&text](const std::string& name, const std::string& help) {
    text += "  " + name + std::string(name.size() < 20 ? 20 - name.size() : 1, ' ') + help + "\n";
  };
  for (const TSwitch& s : Switches) line(s.Name, s.Help);
  line("--scale N", "windowed: show the picture N times as large (1.." + std::to_string(MaxWindowScale) +
                        ", as far as the screen holds it)");
  line("--integer-scale", "scale by whole factors only, with black bars");
  line("--fps N", "pace without vertical sync (0.." + std::to_string(MaxFramesPerSecond) + ", 0: unpaced; 60)");
  line("--verbose", "print frames, seconds and the frame rate at the end");
  line("--map FILE", "play on the map FILE (when it exists) and keep the edits in it: F2 saves,");
  line("", "and so does every ordinary end; the old version is kept as FILE.bak");
  line("--record FILE", "write everything the game reads, frame by frame, into FILE");
  line("--replay FILE", "play such a recording back; F12 or Esc ends it, Pause pauses");
  line("--renderer R", "gpu, or surface (the window's own, scaled by the processor); auto:");
  line("", "the GPU unless it is a software rasterizer");
  line("--no-dialog", "print errors on standard error only (also CORVINA_NO_DIALOG=1)");
  line("--reset-settings", "forget the settings the game remembers and start from the defaults");
  line("--help", "show this text");
  line("--version, -V", "show the version");
  text +=
      "\nFull screen is the default. The game remembers full screen or window, the window's size,\n"
      "the overlay and the sound in $XDG_CONFIG_HOME/corvina/corvina.conf; a switch above applies\n"
      "to its run only.\n"
      "\nKeys: keypad, arrows, Home, End, PgUp, PgDn walk; Ctrl jumps; Insert: next person;\n"
      "Esc cancels a path or, in free mode, ends; left drag selects, right click orders;\n"
      "1..6 paint and keypad +/- raise or lower the cell under the pointer; F12 ends.\n"
      "F1 help; F2 saves the map; F3 frame-rate overlay; Pause or P pauses;\n"
      "Print Screen saves a screenshot;\n"
      "Alt+Enter switches between window and full screen.\n";
  return text;
}

std::string UsageHint(const std::string& program) {
  return "Usage: " + program + " [options]; try '" + program + " --help'\n";
}

std::optional<int> CommandLineExitStatus(const TCommandLine& line, const std::string& program,
                                         const std::string& version, std::ostream& out, std::ostream& err) {
  switch (line.Action) {
    case TCommandLine::TAction::Help: out << UsageText(program); return 0;
    case TCommandLine::TAction::Version: out << program << ' ' << version << '\n'; return 0;
    case TCommandLine::TAction::Error: err << program << ": " << line.Error << '\n' << UsageHint(program); return 2;
    case TCommandLine::TAction::Run: break;
  }
  return std::nullopt;
}
