// The headless run: script in, frames through the real game, trace lines and PNGs out.
#include "headless/HeadlessRunner.h"

#include <optional>
#include <stdexcept>

#include "game/World.h"
#include "headless/HeadlessSession.h"
#include "headless/Trace.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"
#include "record/Recording.h"
#include "record/Script.h"
#include "res/Resources.h"
#include "util/AtomicFile.h"
#include "util/Crc32.h"
#include "util/PngWriter.h"
#include "util/Printable.h"

namespace {

TScriptFile LoadScript(const THeadlessOptions& o) {
  if (o.ScriptFile.empty()) return {};
  std::string error;
  auto script = LoadScriptFile(o.ScriptFile, &error);
  // --verify's 1 says the replay differs: a recording not read was never replayed.
  if (!script && o.Verify) throw THeadlessRefusal(error);
  if (!script) throw std::runtime_error(error);
  return std::move(*script);
}

// How the session starts and how many frames run: as the options say, or as the recording was made.
int Prepare(const THeadlessOptions& o, const TScriptFile& script, THeadlessConfig& config) {
  const TRecording& r = script.Recording;
  config.HighRes = o.HighRes;
  config.AutoTiming = o.AutoTiming;
  config.NoOverlay = o.NoOverlay;
  config.NoMapEditing = o.NoMapEditing;
  config.Sound = o.Sound;
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
  const THeadlessFrame& f = HeadlessLastFrame();
  return Crc32(reinterpret_cast<const uint8_t*>(f.Pixels.data()), f.Pixels.size() * 2);
}

// The sounds the device started since its log was last cleared.
std::vector<TTraceSound> SoundsPlayed() {
  std::vector<TTraceSound> sounds;
  for (const THeadlessAudioCall& call : HeadlessAudioLog()) {
    if (call.What == "play") sounds.push_back({call.Channel, call.Pan});
  }
  return sounds;
}

void WriteFramePng(const std::string& file) {
  const THeadlessFrame& f = HeadlessLastFrame();
  std::string error;
  if (f.Pixels.empty()) throw std::runtime_error("no frame was presented to write " + PrintablePath(file));
  if (!WritePng565(file, f.Width, f.Height, f.Pixels.data(), f.Width, &error)) {
    throw std::runtime_error(error);
  }
}

}  // namespace

THeadlessRun::THeadlessRun(const THeadlessOptions& o) : FOptions(o), FScript(LoadScript(o)) {
  for (const TPngRequest& png : o.Pngs) {
    if (const auto refusal = WriteTargetRefusal(png.File)) throw THeadlessRefusal(*refusal);
  }
  THeadlessConfig config;
  FFrames = Prepare(o, FScript, config);
  if (const std::string beyond = PngBeyondRun(o, FFrames); !beyond.empty()) throw THeadlessRefusal(beyond);
  FSession = std::make_unique<THeadlessSession>(config);
}

THeadlessRun::~THeadlessRun() = default;

bool THeadlessRun::Step(const std::function<void(const std::string&)>& traceLine) {
  if (FOver || FFrame >= FFrames) return false;
  const int frame = ++FFrame;
  bool f12 = false;
  const std::vector<TScriptEvent>& events = FScript.Events;
  for (; FNext < events.size() && events[FNext].Frame <= frame; ++FNext) {
    ApplyScriptEvent(events[FNext], HeadlessInput());
    const TScriptEvent& e = events[FNext];
    if (e.Key == VK_F12 && (e.Command == ScriptCommand::Down || e.Command == ScriptCommand::Tap)) {
      f12 = true;
    }
  }
  const uint32_t tick = PlatformTicks();
  // The log holds one frame at a time: a long run keeps no history.
  HeadlessClearAudioLog();
  FSession->RunFrame();
  if (FOptions.Trace) {
    std::optional<uint32_t> crc;
    if (FOptions.Hash) crc = FrameCrc();
    const std::vector<TTraceSound> sounds = SoundsPlayed();
    traceLine(TraceLine(frame, tick, crc, &sounds));
  }
  for (const TPngRequest& png : FOptions.Pngs) {
    if (png.Frame == frame) WriteFramePng(png.File);
  }
  FSession->EndFrame();
  FOver = CloseRequested || f12;
  return true;
}

int THeadlessRun::Verify(std::string& verdict) const {
  const std::string difference = FirstDifference(*FScript.Recording.End, FinalStateOf(*World, FFrame));
  const std::string file = PrintablePath(FOptions.ScriptFile);
  verdict = difference.empty() ? file + ": " + std::to_string(FFrame) + " frames replayed; the end is as recorded"
                               : file + ": the replay differs from the recording: " + difference;
  return difference.empty() ? 0 : 1;
}

int RunHeadless(const THeadlessOptions& o, const std::function<void(const std::string&)>& traceLine,
                std::string* verdict) {
  THeadlessRun run(o);
  while (run.Step(traceLine)) {
  }
  for (const TPngRequest& png : o.Pngs) {
    if (png.Frame > run.Frame()) {
      throw std::runtime_error("the run ended after frame " + std::to_string(run.Frame()) + ", so frame " +
                               std::to_string(png.Frame) + " for " + PrintablePath(png.File) + " was never drawn");
    }
  }
  if (!o.Verify) return 0;
  std::string said;
  const int status = run.Verify(said);
  if (verdict) *verdict = said;
  return status;
}
