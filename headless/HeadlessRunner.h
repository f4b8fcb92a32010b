// The headless run as a library call, shared by corvina-headless and the tests.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "headless/HeadlessOptions.h"
#include "record/Recording.h"

class THeadlessSession;

// A run that cannot be made as asked: a recording whose switches or map cannot be honoured here,
// or that was cut short; a --verify of what is no finished recording or cannot be read. Exit
// status 2.
class THeadlessRefusal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The same run a frame at a time, for a host that cannot block (the page's replay).
class THeadlessRun {
 public:
  // Loads the script and starts the game: for o.Frames frames, or a recording's own length under
  // its own switches unless --frames was given. Throws THeadlessRefusal, or std::runtime_error
  // on failure.
  explicit THeadlessRun(const THeadlessOptions& o);
  ~THeadlessRun();
  THeadlessRun(const THeadlessRun&) = delete;
  THeadlessRun& operator=(const THeadlessRun&) = delete;

  // Runs the next frame, handing its trace line (when o.Trace) to traceLine; false once the
  // run is over: every frame run, or the game closed itself.
  bool Step(const std::function<void(const std::string&)>& traceLine);
  // The frames run so far.
  int Frame() const { return FFrame; }
  // With --verify, after the run: 0 when it ended as recorded, else 1; the verdict in words.
  int Verify(std::string& verdict) const;

 private:
  THeadlessOptions FOptions;
  TScriptFile FScript;
  int FFrames = 0;  // the run's length
  size_t FNext = 0;
  int FFrame = 0;
  bool FOver = false;
  std::unique_ptr<THeadlessSession> FSession;
};

// Runs the game for o.Frames frames (fewer when it closes itself; a recording's own length unless
// --frames was given) and hands each trace line (when o.Trace) to traceLine. Returns the exit
// status, with --verify 0 or 1 and the verdict in *verdict. Throws THeadlessRefusal, or
// std::runtime_error on failure.
int RunHeadless(const THeadlessOptions& o, const std::function<void(const std::string&)>& traceLine,
                std::string* verdict = nullptr);
