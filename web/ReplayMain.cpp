// The page's replay (index.html?replay=FILE[&frames=N][&high-res=1]): a headless-runner script
// on the headless platform at the runner's fixed 16 ms step, as fast as the page can, every
// frame drawn. At the end the title reads "corvina done N CRC": the frames run and the last
// frame's CRC as corvina-headless --hash prints it.
#include <algorithm>
#include <cstdlib>
#include <emscripten/emscripten.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "headless/HeadlessRunner.h"
#include "platform/headless/PlatformHeadless.h"
#include "platform/web/Canvas.h"
#include "util/Printable.h"

extern "C" {
// library_corvina.js
void corvina_replay_fetch(const char* path, void (*begin)(int frames, int highRes));
int corvina_replay_name(char* name, int size);  // ?replay=FILE's FILE, cut to size
void corvina_page_title(const char* text);
}

namespace {

constexpr const char* ScriptPath = "/replay.txt";

std::unique_ptr<THeadlessRun> Run;
TCanvas Canvas;
std::string LastLine;  // the trace of the last frame run
std::string Crcs;      // every frame's CRC, space-separated, from frame 1

// The script's own length and screen, from its header comments ("# frames: N",
// "# options: --high-res"); without a length, up to its last event (0 without events).
void ReadHeader(int& frames, bool& highRes) {
  std::ifstream in(ScriptPath);
  int lastEvent = 0;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string first, key;
    words >> first >> key;
    if (first == "#" && key == "frames:") words >> frames;
    if (first == "#" && key == "options:" && line.find("--high-res") != std::string::npos) highRes = true;
    if (!first.empty() && first[0] != '#') lastEvent = std::max(lastEvent, std::atoi(first.c_str()));
  }
  if (frames <= 0) frames = lastEvent;
}

std::string FieldOf(const std::string& line, const std::string& name) {
  const std::string key = "\"" + name + "\":\"";
  const size_t at = line.find(key);
  if (at == std::string::npos) return {};
  const size_t start = at + key.size();
  return line.substr(start, line.find('"', start) - start);
}

// A refusal names the file the page was given, not the page's copy of it.
std::string Failure(const std::string& message) {
  char name[512];
  corvina_replay_name(name, sizeof name);
  const std::string copy = PrintablePath(ScriptPath), given = PrintablePath(name);
  std::string text = "corvina failed: " + message;
  for (size_t at = 0; (at = text.find(copy, at)) != std::string::npos; at += given.size()) {
    text.replace(at, copy.size(), given);
  }
  return text;
}

void End(const std::string& title) {
  emscripten_cancel_main_loop();
  Run.reset();
  corvina_page_title(title.c_str());
}

void Frame() {
  try {
    if (!Run->Step([](const std::string& line) { LastLine = line; })) {
      End("corvina done " + std::to_string(Run->Frame()) + " " + FieldOf(LastLine, "frame_crc"));
      return;
    }
  } catch (const std::exception& e) {
    End(Failure(e.what()));
    return;
  }
  Crcs += (Crcs.empty() ? "" : " ") + FieldOf(LastLine, "frame_crc");
  const THeadlessFrame& f = HeadlessLastFrame();
  Canvas.Present(f.Pixels.data(), f.Width * 2, f.Width, f.Height, f.Rgb555);
}

void Begin(int frames, int highRes) {
  int scriptFrames = 0;
  bool scriptHighRes = false;
  ReadHeader(scriptFrames, scriptHighRes);
  THeadlessOptions o;  // the runner's own defaults where neither the page nor the script says
  o.ScriptFile = ScriptPath;
  if (frames > 0 || scriptFrames > 0) o.Frames = frames > 0 ? frames : scriptFrames;
  // The page's &frames=N cuts a recording short, as --frames does; without it a recording runs
  // for as long as it was made.
  o.FramesGiven = frames > 0;
  o.HighRes = highRes != 0 || scriptHighRes;
  o.Trace = o.Hash = true;
  try {
    Run = std::make_unique<THeadlessRun>(o);
  } catch (const std::exception& e) {
    corvina_page_title(Failure(e.what()).c_str());
    return;
  }
  emscripten_set_main_loop(Frame, 0, false);
  emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
}

}  // namespace

// For tests and bug reports: the last frame's trace line, and every frame's CRC.
extern "C" EMSCRIPTEN_KEEPALIVE const char* corvina_trace() { return LastLine.c_str(); }
extern "C" EMSCRIPTEN_KEEPALIVE const char* corvina_crcs() { return Crcs.c_str(); }

int main() {
  corvina_replay_fetch(ScriptPath, Begin);
  return 0;
}
