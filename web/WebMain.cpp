// The game in a page: the main window's life on the browser's loop, one game frame per
// animation frame at the designed pace, the user's folder kept in the browser's storage (the
// map saved there is the one played on next time), and the ended screen when the game is over.
// The game starts when the page's start panel says the player asked for it (corvina_play).
// The page may instead start a game that is recorded, or replay a recording the player chose, as
// corvina --record and --replay do; the files the player hands it come in through Chosen.
#include <emscripten/emscripten.h>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/KeyGuide.h"
#include "app/MainUtDX.h"
#include "app/MapKeeper.h"
#include "app/Session.h"
#include "app/UserSettings.h"
#include "core/Settings.h"
#include "game/StoredMap.h"
#include "game/World.h"
#include "headless/Trace.h"
#include "platform/web/AnimationPace.h"
#include "record/Recording.h"
#include "util/AtomicFile.h"
#include "util/Printable.h"
#include "util/UserDirs.h"

extern "C" {
// library_corvina.js
void corvina_storage_open(const char* path, void (*ready)());
void corvina_page_ended(int failed);
void corvina_page_frame(int frame);
void corvina_page_download(const char* path);
void corvina_storage_keep(const char* path, void (*answer)(int kept, const char* detail), int settings);
}

// What the page asked this game to be (index.html's Module.corvinaSession): 0 a game, 1 the
// replay of the recording it wrote to `path`, 2 a game recorded into `path`.
// clang-format off
EM_JS(int, corvina_page_session, (char* path, int size), {
  var session = Module.corvinaSession;
  if (!session || !session.mode) return 0;
  FS.mkdirTree('/chosen');
  var file = '/chosen/' + session.name;
  if (session.text !== undefined) FS.writeFile(file, session.text);
  stringToUTF8(file, path, size);
  return session.mode;
});

// The replay is over: what it said, for the page's panel and title.
EM_JS(void, corvina_page_replayed,
      (int frames, unsigned crc, const char* verdict, int status, const char* madeBy, const char* recordedEnd), {
  if (Module.corvinaReplayed) {
    Module.corvinaReplayed({frames: frames, crc: (crc >>> 0).toString(16).padStart(8, '0'),
                            verdict: UTF8ToString(verdict), status: status, madeBy: UTF8ToString(madeBy),
                            recordedEnd: UTF8ToString(recordedEnd)});
  }
});

// The recorded game is over: the file for the page to offer (null when none was made).
EM_JS(void, corvina_page_recorded, (const char* path), {
  var file = UTF8ToString(path), bytes = null;
  try {
    bytes = FS.readFile(file);
  } catch (e) {
  }
  if (Module.corvinaRecorded) Module.corvinaRecorded(file.substring(file.lastIndexOf('/') + 1), bytes);
});

EM_JS(void, corvina_page_reload, (), { location.reload(); });

// The game is ready to start: the page's start panel starts it with corvina_play, at the
// player's click (a page without one starts it at once).
EM_JS(void, corvina_page_ask_start, (), {
  if (Module.corvinaAskStart) {
    Module.corvinaAskStart();
  } else {
    Module._corvina_play();
  }
});
// clang-format on

namespace {

std::unique_ptr<TBasic> Game;
std::unique_ptr<TUserSettings> User;
TAnimationPace Pace;
double TurnMs = 0;  // time spent in the game's turns, frames and presents included
enum TPageSession { Playing = 0, Replaying = 1, Recording = 2 };
int Session = Playing;
std::string SessionFile;      // the recording replayed or made
std::vector<uint8_t> Chosen;  // the bytes of the file the player handed the page last

// A file the player chose, written where the program can read it: its path.
std::string ChosenFile(const std::string& name) {
  std::filesystem::create_directories("/chosen");
  const std::string path = "/chosen/" + std::filesystem::path(name).filename().string();
  std::string reason;
  if (!WriteFileAtomically(path, Chosen, &reason)) throw std::runtime_error(reason);
  return path;
}

// A refusal in the player's terms: the file by the name it had, not by the page's copy.
std::string NamedAs(std::string text, const std::string& path, const std::string& name) {
  const std::string copy = PrintablePath(path), given = PrintablePath(name);
  for (size_t at = 0; (at = text.find(copy, at)) != std::string::npos; at += given.size()) {
    text.replace(at, copy.size(), given);
  }
  return text;
}

// After the end, with the world gone: the replay's verdict, or the recording offered.
void SessionOver(int status) {
  if (Session == Replaying && Game->FReplay) {
    const TRecording& recording = Game->FReplay->Recording();
    // The end as recorded, "frame=N map=CRC p1=X,Y,D ...", that the verdict was judged by.
    const std::string end = recording.End ? EndLine(*recording.End).substr(std::string_view("# end ").size()) : "";
    corvina_page_replayed(Game->FFramesRun, Game->ReplayPicture(), Game->ReplayVerdict().c_str(), status,
                          recording.MadeBy.c_str(), end.c_str());
  } else if (Session == Recording) {
    corvina_page_recorded(SessionFile.c_str());
  }
}

void ImportKept(int kept, const char*) {
  // The game starts again on the imported map; storage that did not keep it says so on the page.
  if (kept) corvina_page_reload();
}

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
  SessionOver(status);
  // A replay that differs from its recording has not failed: its own panel says how it ended.
  corvina_page_ended(Session == Replaying ? 0 : status);
}

void Begin() {
  Game = std::make_unique<TBasic>();
  Basic = Game.get();
  Game->FKeys = &PageKeys;
  // The player's sound (M, 9, 0) as last left, kept beside the map in the browser's storage,
  // which the page read before it asked to start: set before the game makes a sound.
  User = std::make_unique<TUserSettings>(UserDataDirectory() / "corvina.conf", ShippedChoices(Settings));
  User->Load();
  Game->FUserSettings = User.get();
  // A page has no command line: it plays on the map its player saved, as `corvina --map` does,
  // so an edit kept with F2 (or at the end) is there when the page is opened again.
  TCommandLine line;
  char path[512] = "";
  Session = corvina_page_session(path, sizeof path);
  SessionFile = path;
  if (Session == Replaying) {
    line.ReplayFile = SessionFile;
  } else {
    line.MapFile = (UserDataDirectory() / "MAP.DAT").string();
    if (Session == Recording) line.RecordFile = SessionFile;
  }
  // A kept file that is not a map is refused on the console; the page then starts on its own
  // map, and a save keeps the refused file as MAP.DAT.bak.
  if (PrepareSession(line, *Game, std::cerr) && Session != Playing) {
    // The page checked the recording; only a changed browser's storage can refuse it now.
    corvina_page_ended(1);
    return;
  }
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

// The help's lines while F1 shows it ("KEY: EFFECT" a line), else empty.
extern "C" EMSCRIPTEN_KEEPALIVE const char* corvina_help() {
  static std::string text;
  text.clear();
  if (!Game || Game->Hold() != THold::Help) return "";
  for (const THelpLine& line : Game->FKeys->Help) text.append(line.Key).append(": ").append(line.Effect).append("\n");
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

// A buffer of `size` bytes for the page to copy a chosen file into.
extern "C" EMSCRIPTEN_KEEPALIVE uint8_t* corvina_chosen(int size) {
  Chosen.assign(static_cast<size_t>(size), 0);
  return Chosen.data();
}

// The chosen file, named `name`, as a recording to replay: empty when it can be, else why not,
// as corvina-headless --verify refuses it. The game goes on either way.
extern "C" EMSCRIPTEN_KEEPALIVE const char* corvina_check_recording(const char* name) {
  static std::string refusal;
  try {
    const std::string path = ChosenFile(name);
    refusal = NamedAs(ReplayRefusal(path).value_or(""), path, name);
    std::filesystem::remove(path);
  } catch (const std::exception& e) {
    refusal = e.what();
  }
  return refusal.c_str();
}

// The chosen file, named `name`, as the map to play on: refused as --map refuses a file (the
// game and its map untouched), else kept as the page's map, and the game started again on it
// once the browser's storage has it.
extern "C" EMSCRIPTEN_KEEPALIVE const char* corvina_import_map(const char* name) {
  static std::string refusal;
  refusal.clear();
  if (!Game) return "the game has not started yet";
  try {
    const std::string path = ChosenFile(name);
    if (const auto refused = MapFileRefusal(path)) {
      refusal = NamedAs(*refused, path, name);
    } else if (std::string reason; !WriteFileAtomically(Game->FKeeper.Path(), Chosen, &reason, TOldFile::KeepAsBak)) {
      refusal = reason;
    } else {
      corvina_storage_keep(Game->FKeeper.Path().c_str(), ImportKept, 0);
    }
    std::filesystem::remove(path);
  } catch (const std::exception& e) {
    refusal = e.what();
  }
  return refusal.c_str();
}

// The map as played, edits included, handed to the browser as MAP.DAT.
extern "C" EMSCRIPTEN_KEEPALIVE int corvina_export_map() {
  if (!Game || !Game->GameStarted() || !World) return 0;
  const std::vector<uint8_t> bytes = StoredMap(*World);
  std::filesystem::create_directories("/chosen/export");
  if (!WriteFileAtomically("/chosen/export/MAP.DAT", bytes)) return 0;
  corvina_page_download("/chosen/export/MAP.DAT");
  return 1;
}

// Ends the game as Esc does (the Record toggle turned off).
extern "C" EMSCRIPTEN_KEEPALIVE void corvina_end_game() {
  if (Game && Game->GameStarted()) Game->Close();
}

// Starts the game, once: the page calls it when the player has asked to play. Inside the
// player's click, the sound it opens may play at once.
extern "C" EMSCRIPTEN_KEEPALIVE void corvina_play() {
  static bool started = false;
  if (started) return;
  started = true;
  Begin();
}

int main() {
  Settings = ShippedSettings();
  corvina_storage_open(UserDataDirectory().c_str(), [] { corvina_page_ask_start(); });
  return 0;
}
