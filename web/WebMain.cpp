// The game in a page: the main window's life on the browser's loop, one game frame per
// animation frame at the designed pace, the user's folder kept in the browser's storage (the
// map saved there is the one played on next time), and the ended screen when the game is over.
#include <emscripten/emscripten.h>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/MainUtDX.h"
#include "app/MapKeeper.h"
#include "app/Session.h"
#include "core/Settings.h"
#include "game/World.h"
#include "headless/Trace.h"
#include "platform/web/AnimationPace.h"
#include "util/UserDirs.h"

extern "C" {
// library_corvina.js
void corvina_storage_open(const char* path, void (*ready)());
void corvina_page_ended(int failed);
void corvina_page_frame(int frame);
}

namespace {

std::unique_ptr<TBasic> Game;
TAnimationPace Pace;
double TurnMs = 0;  // time spent in the game's turns, frames and presents included

void AnimationFrame() {
  if (!Pace.Due(emscripten_get_now())) return;
  const int before = Game->FFramesRun;
  const double begin = emscripten_get_now();
  Game->Turn();
  TurnMs += emscripten_get_now() - begin;
  if (Game->FFramesRun != before) corvina_page_frame(Game->FFramesRun);
  if (!Game->Closing()) return;
  emscripten_cancel_main_loop();
  const int status = Game->Finish();
  corvina_page_ended(status);
}

void Begin() {
  Game = std::make_unique<TBasic>();
  Basic = Game.get();
  // A page has no command line: it plays on the map its player saved, as `corvina --map` does,
  // so an edit kept with F2 (or at the end) is there when the page is opened again.
  TCommandLine line;
  line.MapFile = (UserDataDirectory() / "MAP.DAT").string();
  // A kept file that is not a map is refused on the console; the page then starts on its own
  // map, and a save keeps the refused file as MAP.DAT.bak.
  PrepareSession(line, *Game, std::cerr);
  if (!Game->Start()) {
    corvina_page_ended(1);
    return;
  }
  emscripten_set_main_loop(AnimationFrame, 0, false);
}

}  // namespace

// For tests and bug reports: the frames run, and the world as corvina-headless traces it.
extern "C" EMSCRIPTEN_KEEPALIVE int corvina_frames() { return Game ? Game->FFramesRun : 0; }

// The mean time of a frame on the processor: the game's frame, its picture and its present.
extern "C" EMSCRIPTEN_KEEPALIVE double corvina_frame_ms() {
  return Game && Game->FFramesRun > 0 ? TurnMs / Game->FFramesRun : 0;
}

// The notice over the picture while it is shown, else empty.
extern "C" EMSCRIPTEN_KEEPALIVE const char* corvina_notice() {
  static std::string text;
  text = Game && Game->Notice().Visible(PlatformTicks()) ? Game->Notice().Text() : "";
  return text.c_str();
}

extern "C" EMSCRIPTEN_KEEPALIVE unsigned corvina_terrain() {
  return Game && Game->GameStarted() && World ? TerrainCrc(*World->FMap) : 0;
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* corvina_trace() {
  static std::string line;
  line = Game && Game->GameStarted() && World ? TraceLine(Game->FFramesRun, PlatformTicks(), std::nullopt) : "";
  return line.c_str();
}

int main() {
  Settings = ShippedSettings();
  corvina_storage_open(UserDataDirectory().c_str(), Begin);
  return 0;
}
