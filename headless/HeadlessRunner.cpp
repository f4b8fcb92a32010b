// The headless run: script in, frames through the real game, trace lines and PNGs out.
#include "headless/HeadlessRunner.h"

#include <optional>
#include <stdexcept>

#include "game/World.h"
#include "headless/HeadlessSession.h"
#include "platform/Platform.h"
#include "platform/headless/PlatformHeadless.h"
#include "headless/Trace.h"
#include "platform/VirtualKeys.h"
#include "record/Recording.h"
#include "record/Script.h"
#include "res/Resources.h"
#include "util/Crc32.h"
#include "util/PngWriter.h"
#include "util/Printable.h"

namespace {

TScriptFile LoadScript(const std::string& file) {
  if (file.empty()) return {};
  std::string error;
  auto script = LoadScriptFile(file, &error);
  if (!script) throw std::runtime_error(error);
  return std::move(*script);
}

// How the session starts and how many frames run: as the options say, or as the recording was made.
int Prepare(const HeadlessOptions& o, const TScriptFile& script, HeadlessConfig& config) {
  const TRecording& r = script.Recording;
  config.HighRes = o.HighRes;
  config.StepMs = o.StepMs;
  config.MapFile = o.MapFile;
  if (!r.IsRecording && !o.Verify) return o.Frames;
  // The recording's switches win over the command line's.
  std::string error;
  const auto map = PrepareReplay(o.ScriptFile, r, &error);
  if (!map) throw THeadlessRefusal(error);
  if (o.Verify && !r.End) {
    throw THeadlessRefusal(PrintablePath(o.ScriptFile) + " has no end line: the recording did not end cleanly");
  }
  config.Switches = r.Switches;
  config.MapFile = map->File;
  config.MapData = map->Data;
  config.StartClock = r.StartClock;
  if (o.FramesGiven && !o.Verify) return o.Frames;
  return RecordingLength(r, script.Events.empty() ? 0 : script.Events.back().Frame);
}

uint32_t FrameCrc() {
  const HeadlessFrame& f = HeadlessLastFrame();
  return Crc32(reinterpret_cast<const uint8_t*>(f.Pixels.data()), f.Pixels.size() * 2);
}

void WriteFramePng(const std::string& file) {
  const HeadlessFrame& f = HeadlessLastFrame();
  std::string error;
  if (f.Pixels.empty()) throw std::runtime_error("no frame was presented to write " + PrintablePath(file));
  if (!WritePng565(file, f.Width, f.Height, f.Pixels.data(), f.Width, &error)) {
    throw std::runtime_error(error);
  }
}

}  // namespace

int RunHeadless(const HeadlessOptions& o, const std::function<void(const std::string&)>& traceLine,
                std::string* verdict) {
  const TScriptFile script = LoadScript(o.ScriptFile);
  const std::vector<ScriptEvent>& events = script.Events;
  HeadlessConfig config;
  const int frames = Prepare(o, script, config);
  if (const std::string beyond = PngBeyondRun(o, frames); !beyond.empty()) throw THeadlessRefusal(beyond);
  THeadlessSession session(config);

  size_t next = 0;
  int ran = 0;
  for (int frame = 1; frame <= frames; ++frame) {
    ran = frame;
    bool f12 = false;
    for (; next < events.size() && events[next].Frame <= frame; ++next) {
      ApplyScriptEvent(events[next], HeadlessInput());
      const ScriptEvent& e = events[next];
      if (e.Key == VK_F12 && (e.Command == ScriptCommand::Down || e.Command == ScriptCommand::Tap)) {
        f12 = true;
      }
    }
    const uint32_t tick = PlatformTicks();
    session.RunFrame();
    if (o.Trace) {
      std::optional<uint32_t> crc;
      if (o.Hash) crc = FrameCrc();
      traceLine(TraceLine(frame, tick, crc));
    }
    for (const PngRequest& png : o.Pngs) {
      if (png.Frame == frame) WriteFramePng(png.File);
    }
    session.EndFrame();
    if (CloseRequested || f12) break;
  }
  for (const PngRequest& png : o.Pngs) {
    if (png.Frame > ran) {
      throw std::runtime_error("the run ended after frame " + std::to_string(ran) + ", so frame " +
                               std::to_string(png.Frame) + " for " + PrintablePath(png.File) + " was never drawn");
    }
  }
  if (!o.Verify) return 0;
  const std::string difference = FirstDifference(*script.Recording.End, FinalStateOf(*World, ran));
  if (verdict) {
    *verdict = PrintablePath(o.ScriptFile) + (difference.empty() ? ": " + std::to_string(ran) +
                                                                       " frames replayed; the end is as recorded"
                                                                 : ": the replay differs from the recording: " +
                                                                       difference);
  }
  return difference.empty() ? 0 : 1;
}
