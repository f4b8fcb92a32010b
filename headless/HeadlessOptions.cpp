// Command line of the headless runner.
#include "headless/HeadlessOptions.h"

#include <charconv>
#include <string_view>

namespace {
bool ToInt(std::string_view text, int& value, int lo, int hi) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty() && value >= lo && value <= hi;
}
}  // namespace

const char* HeadlessUsage() {
  return "usage: corvina-headless [--frames N] [--script FILE] [--trace] [--map FILE] [--high-res]\n"
         "                        [--step-ms N] [--png FRAME:FILE]... [--hash]\n";
}

bool ParseHeadlessOptions(int argc, char** argv, HeadlessOptions& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&](std::string_view& out) {
      if (i + 1 >= argc) {
        error = std::string(arg) + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    std::string_view v;
    if (arg == "--trace") {
      o.Trace = true;
    } else if (arg == "--high-res") {
      o.HighRes = true;
    } else if (arg == "--hash") {
      o.Hash = true;
    } else if (arg == "--help" || arg == "-h") {
      o.Help = true;
    } else if (arg == "--frames") {
      if (!value(v)) return false;
      if (!ToInt(v, o.Frames, 0, 100000000)) return error = "--frames needs a count from 0", false;
    } else if (arg == "--step-ms") {
      if (!value(v)) return false;
      if (!ToInt(v, o.StepMs, 0, 60000)) return error = "--step-ms needs 0..60000", false;
    } else if (arg == "--script") {
      if (!value(v)) return false;
      o.ScriptFile = v;
    } else if (arg == "--map") {
      if (!value(v)) return false;
      o.MapFile = v;
    } else if (arg == "--png") {
      if (!value(v)) return false;
      const size_t colon = v.find(':');
      PngRequest png;
      if (colon == std::string_view::npos || !ToInt(v.substr(0, colon), png.Frame, 1, 100000000) ||
          colon + 1 >= v.size()) {
        return error = "--png needs FRAME:FILE", false;
      }
      png.File = v.substr(colon + 1);
      o.Pngs.push_back(png);
    } else {
      error = "unknown option " + std::string(arg);
      return false;
    }
  }
  return true;
}
