// Parsing of the program's command-line switches and its usage text.
#include "app/CommandLine.h"

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
    {"--fullscreen", &TSettings::FullScreen, true, "desktop full screen, scaled with black bars"},
    {"--windowed", &TSettings::FullScreen, false, "a fixed-size window"},
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
    if (arg == "--version") {
      result.Action = TCommandLine::TAction::Version;
      return result;
    }
    if (arg == "--no-dialog") {
      result.NoDialog = true;
      continue;
    }
    if (arg == "--scale" || arg.starts_with("--scale=")) {
      std::string value;
      if (arg == "--scale") {
        if (i + 1 >= args.size()) return Fail(result, "--scale needs a number");
        value = args[++i];
      } else {
        value = arg.substr(8);
      }
      const auto scale = ParseWholeNumber(value, 1, MaxWindowScale);
      if (!scale) return Fail(result, WholeNumberRefusal("--scale", 1, MaxWindowScale, value));
      result.Scale = static_cast<int>(*scale);
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
  return result;
}

std::string UsageText(const std::string& program) {
  std::string text = "Usage: " + program + " [options]\n\nOptions:\n";
  auto line = [&text](const std::string& name, const std::string& help) {
    text += "  " + name + std::string(name.size() < 20 ? 20 - name.size() : 1, ' ') + help + "\n";
  };
  for (const TSwitch& s : Switches) line(s.Name, s.Help);
  line("--scale N", "windowed: show the picture N times as large (1.." + std::to_string(MaxWindowScale) + ")");
  line("--no-dialog", "print errors on standard error only (also CORVINA_NO_DIALOG=1)");
  line("--help", "show this text");
  line("--version", "show the version");
  text += "\nKeys: keypad, arrows, Home, End, PgUp, PgDn walk; Ctrl jumps; Insert: next person;\n"
          "Esc cancels a path or, in free mode, ends; left drag selects, right click orders;\n"
          "1..6 paint and keypad +/- raise or lower the cell under the pointer; F12 ends.\n";
  return text;
}

std::string UsageHint(const std::string& program) {
  return "Usage: " + program + " [options]; try '" + program + " --help'\n";
}

std::optional<int> CommandLineExitStatus(const TCommandLine& line, const std::string& program,
                                         const std::string& version, std::ostream& out,
                                         std::ostream& err) {
  switch (line.Action) {
    case TCommandLine::TAction::Help:
      out << UsageText(program);
      return 0;
    case TCommandLine::TAction::Version:
      out << program << ' ' << version << '\n';
      return 0;
    case TCommandLine::TAction::Error:
      err << program << ": " << line.Error << '\n' << UsageHint(program);
      return 2;
    case TCommandLine::TAction::Run:
      break;
  }
  return std::nullopt;
}
