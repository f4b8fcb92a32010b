// Command line of the headless runner.
#include "headless/HeadlessOptions.h"

#include <string_view>

#include "util/Printable.h"
#include "util/WholeNumber.h"

namespace {

constexpr int MaxFrames = 100000000;
constexpr int MaxStepMs = 60000;

// Reads a number in lo..hi into `out`; otherwise the refusal naming the switch, range and value.
bool Number(std::string_view name, std::string_view text, int lo, int hi, int& out, std::string& error) {
  const auto value = ParseWholeNumber(text, lo, hi);
  if (!value) return error = WholeNumberRefusal(name, lo, hi, text), false;
  out = static_cast<int>(*value);
  return true;
}

bool ParsePng(std::string_view v, TPngRequest& png, std::string& error) {
  const size_t colon = v.find(':');
  if (colon == std::string_view::npos || colon + 1 >= v.size()) {
    return error = "--png needs FRAME:FILE, not '" + Printable(v) + "'", false;
  }
  if (!Number("--png FRAME", v.substr(0, colon), 1, MaxFrames, png.Frame, error)) return false;
  png.File = v.substr(colon + 1);
  return true;
}

}  // namespace

const char* HeadlessUsage() {
  return "usage: corvina-headless [--frames N] [--script FILE] [--trace] [--map FILE] [--high-res]\n"
         "                        [--auto-timing] [--no-overlay] [--no-map-editing] [--sound]\n"
         "                        [--step-ms N] [--png FRAME:FILE]... [--hash] [--verify FILE]\n"
         "  --frames N        frames to run, 0..100000000 (60; a recording: its own length)\n"
         "  --verify FILE     replay the recording FILE; status 0 when it ends as recorded,\n"
         "                    1 with the first difference, 2 when it cannot be replayed here\n"
         "  --step-ms N       virtual milliseconds per frame, 0..60000 (16)\n"
         "  --png FRAME:FILE  write the picture after frame FRAME (1..the run's length) to FILE\n"
         "  --high-res        800 x 600 instead of 640 x 480\n"
         "  --auto-timing     walk timing follows the frame rate\n"
         "  --no-overlay      hide the frame-rate overlay\n"
         "  --no-map-editing  number keys do not edit the map\n"
         "  --sound           footstep sounds, listed in the trace\n"
         "  A recording runs under its own switches; --sound alone is taken from here.\n";
}

bool ParseHeadlessOptions(int argc, char** argv, THeadlessOptions& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&](std::string_view& out) {
      if (i + 1 >= argc) {
        error = Printable(arg) + " needs a value";
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
    } else if (arg == "--auto-timing") {
      o.AutoTiming = true;
    } else if (arg == "--no-overlay") {
      o.NoOverlay = true;
    } else if (arg == "--no-map-editing") {
      o.NoMapEditing = true;
    } else if (arg == "--sound") {
      o.Sound = true;
    } else if (arg == "--hash") {
      o.Hash = true;
    } else if (arg == "--help" || arg == "-h") {
      o.Help = true;
    } else if (arg == "--frames") {
      if (!value(v) || !Number(arg, v, 0, MaxFrames, o.Frames, error)) return false;
      o.FramesGiven = true;
    } else if (arg == "--step-ms") {
      if (!value(v) || !Number(arg, v, 0, MaxStepMs, o.StepMs, error)) return false;
    } else if (arg == "--script" || arg == "--verify") {
      if (!value(v)) return false;
      if (!o.ScriptFile.empty() && o.ScriptFile != v) return error = "--script and --verify name one file", false;
      o.ScriptFile = v;
      o.Verify = o.Verify || arg == "--verify";
    } else if (arg == "--map") {
      if (!value(v)) return false;
      o.MapFile = v;
    } else if (arg == "--png") {
      TPngRequest png;
      if (!value(v) || !ParsePng(v, png, error)) return false;
      o.Pngs.push_back(png);
    } else {
      error = "unknown option '" + Printable(arg) + "'";
      return false;
    }
  }
  if (o.Help) return true;
  // A script may be a recording, which knows its own length.
  if (o.FramesGiven || o.ScriptFile.empty()) error = PngBeyondRun(o, o.Frames);
  return error.empty();
}

std::string PngBeyondRun(const THeadlessOptions& o, int frames) {
  // A frame past the end would silently never be written.
  for (const TPngRequest& png : o.Pngs) {
    if (png.Frame > frames) {
      return "--png " + std::to_string(png.Frame) + ":" + PrintablePath(png.File) + " asks for frame " +
             std::to_string(png.Frame) + ", but the run has " + std::to_string(frames) + " frames";
    }
  }
  return {};
}
