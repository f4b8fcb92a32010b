// Command line of the soak.
#include <string_view>

#include "headless/Soak.h"
#include "util/Printable.h"
#include "util/WholeNumber.h"

namespace {
constexpr int64_t MaxSoakFrames = 1000000000;
constexpr int64_t MaxSeed = 4294967295;
}  // namespace

const char* SoakUsage() {
  return "usage: corvina-soak [--frames N] [--seed S] [--high-res]\n"
         "  --frames N  frames to play, 0..1000000000 (10000)\n"
         "  --seed S    seed of the random input, 0..4294967295 (1)\n"
         "  --high-res  800 x 600 instead of 640 x 480\n";
}

bool ParseSoakOptions(int argc, char** argv, TSoakOptions& o, bool& help, std::string& error) {
  help = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--high-res") {
      o.HighRes = true;
    } else if (arg == "--frames" || arg == "--seed") {
      if (i + 1 >= argc) return error = std::string(arg) + " needs a value", false;
      const std::string_view text = argv[++i];
      const int64_t hi = arg == "--frames" ? MaxSoakFrames : MaxSeed;
      const auto value = ParseWholeNumber(text, 0, hi);
      if (!value) return error = WholeNumberRefusal(arg, 0, hi, text), false;
      if (arg == "--frames") {
        o.Frames = static_cast<long>(*value);
      } else {
        o.Seed = static_cast<uint32_t>(*value);
      }
    } else {
      return error = "unknown option '" + Printable(arg) + "'", false;
    }
  }
  return true;
}
