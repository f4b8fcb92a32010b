// A game on the headless platform, started as a fresh program would start it and stopped when
// the session ends. The runner and the soak both drive one.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gfx/Display.h"
#include "record/Recording.h"
#include "res/Resources.h"

class TDXSound;

struct THeadlessConfig {
  bool HighRes = false;
  // Start-up switches turned from their shipped values, as the desktop program's are.
  bool AutoTiming = false;
  bool NoOverlay = false;
  bool NoMapEditing = false;
  // Footsteps: a sound player on the headless device, which notes each pan it is given.
  // Recordings do not keep this switch, so it holds under theirs too.
  bool Sound = false;
  int StepMs = 16;                                  // virtual milliseconds per frame
  std::string MapFile;                              // empty: the embedded map
  std::vector<uint8_t> MapData;                     // a replay's map, kept in its recording: before MapFile
  std::optional<std::vector<TResource>> Resources;  // the program's resources; nothing: the embedded ones
  // A recording's switches (then none of those above but Sound is used) and the clock it
  // started at.
  std::optional<TRecordedSwitches> Switches;
  uint32_t StartClock = 0;
};

class THeadlessSession {
 public:
  // Resets the program (ResetProgramState), applies the configuration, makes the sound player
  // when the sound is on, builds the display and starts the game.
  // Throws std::runtime_error when the set-up, the footstep or the map fails.
  explicit THeadlessSession(const THeadlessConfig& config);
  ~THeadlessSession();
  THeadlessSession(const THeadlessSession&) = delete;
  THeadlessSession& operator=(const THeadlessSession&) = delete;

  // Takes queued window events (activation restarts the frame rate), then runs GameFrame.
  void RunFrame();
  // Moves the virtual clock on by one frame.
  void EndFrame();

 private:
  TDisplay FDisplay;
  std::unique_ptr<TDXSound> FSound;
};
