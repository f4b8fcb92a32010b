// The headless run as a library call, shared by corvina-headless and the tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "headless/HeadlessOptions.h"
#include "headless/Script.h"

class THeadlessSession;

// The same run a frame at a time, for a host that cannot block (the page's replay).
class THeadlessRun {
 public:
  // Loads the script and starts the game; throws std::runtime_error on failure.
  explicit THeadlessRun(const HeadlessOptions& o);
  ~THeadlessRun();
  THeadlessRun(const THeadlessRun&) = delete;
  THeadlessRun& operator=(const THeadlessRun&) = delete;

  // Runs the next frame, handing its trace line (when o.Trace) to traceLine; false once the
  // run is over: every frame run, or the game closed itself.
  bool Step(const std::function<void(const std::string&)>& traceLine);
  // The frames run so far.
  int Frame() const { return FFrame; }

 private:
  HeadlessOptions FOptions;
  std::vector<ScriptEvent> FEvents;
  size_t FNext = 0;
  int FFrame = 0;
  bool FOver = false;
  std::unique_ptr<THeadlessSession> FSession;
};

// Runs the game for o.Frames frames (fewer when it closes itself) and hands each trace line
// (when o.Trace) to traceLine. Returns the exit status; throws std::runtime_error on failure.
int RunHeadless(const HeadlessOptions& o, const std::function<void(const std::string&)>& traceLine);
