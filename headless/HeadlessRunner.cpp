// The headless run: script in, frames through the real game, trace lines and PNGs out.
#include "headless/HeadlessRunner.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "game/World.h"
#include "headless/HeadlessSession.h"
#include "platform/Platform.h"
#include "platform/headless/PlatformHeadless.h"
#include "headless/Script.h"
#include "headless/Trace.h"
#include "platform/VirtualKeys.h"
#include "res/Resources.h"
#include "util/Crc32.h"
#include "util/PngWriter.h"
#include "util/Printable.h"

namespace {

constexpr size_t MaxScriptBytes = 64u << 20;

std::vector<ScriptEvent> LoadScript(const std::string& file) {
  if (file.empty()) return {};
  const auto bytes = ReadWholeFile(file, MaxScriptBytes);
  if (!bytes) throw std::runtime_error("cannot open script " + PrintablePath(file));
  ScriptParseResult parsed = ParseScript(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  if (!parsed.Error.empty()) throw std::runtime_error(PrintablePath(file) + ": " + parsed.Error);
  std::stable_sort(parsed.Events.begin(), parsed.Events.end(),
                   [](const ScriptEvent& a, const ScriptEvent& b) { return a.Frame < b.Frame; });
  return parsed.Events;
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

THeadlessRun::THeadlessRun(const HeadlessOptions& o) : FOptions(o), FEvents(LoadScript(o.ScriptFile)) {
  HeadlessConfig config;
  config.HighRes = o.HighRes;
  config.StepMs = o.StepMs;
  config.MapFile = o.MapFile;
  FSession = std::make_unique<THeadlessSession>(config);
}

THeadlessRun::~THeadlessRun() = default;

bool THeadlessRun::Step(const std::function<void(const std::string&)>& traceLine) {
  if (FOver || FFrame >= FOptions.Frames) return false;
  const int frame = ++FFrame;
  bool f12 = false;
  for (; FNext < FEvents.size() && FEvents[FNext].Frame <= frame; ++FNext) {
    ApplyScriptEvent(FEvents[FNext]);
    const ScriptEvent& e = FEvents[FNext];
    if (e.Key == VK_F12 && (e.Command == ScriptCommand::Down || e.Command == ScriptCommand::Tap)) {
      f12 = true;
    }
  }
  const uint32_t tick = PlatformTicks();
  FSession->RunFrame();
  if (FOptions.Trace) {
    std::optional<uint32_t> crc;
    if (FOptions.Hash) crc = FrameCrc();
    traceLine(TraceLine(frame, tick, crc));
  }
  for (const PngRequest& png : FOptions.Pngs) {
    if (png.Frame == frame) WriteFramePng(png.File);
  }
  FSession->EndFrame();
  FOver = CloseRequested || f12;
  return true;
}

int RunHeadless(const HeadlessOptions& o, const std::function<void(const std::string&)>& traceLine) {
  THeadlessRun run(o);
  while (run.Step(traceLine)) {
  }
  for (const PngRequest& png : o.Pngs) {
    if (png.Frame > run.Frame()) {
      throw std::runtime_error("the run ended after frame " + std::to_string(run.Frame()) + ", so frame " +
                               std::to_string(png.Frame) + " for " + PrintablePath(png.File) + " was never drawn");
    }
  }
  return 0;
}
