// SIGTERM, SIGINT and SIGHUP ask the program to end. The handler only notes the request; the
// platforms report it as the window's Quit event, so the program ends the ordinary way on its
// main thread, with everything it keeps written (a map, a recording).
#pragma once

#include <signal.h>

// What becomes of the three signals when a TEndSignals ends.
enum class TAfterEnd {
  RestoreOld,  // the handlers that were there before come back
  // Ignored for the rest of the process: a program whose end is under way keeps the exit status it
  // decided (a save done, a status of 0) instead of dying of a signal on the way out.
  Ignore,
};

// While one lives the three signals are noted instead of ending the program. One at a time.
class TEndSignals {
 public:
  explicit TEndSignals(TAfterEnd after = TAfterEnd::RestoreOld);
  ~TEndSignals();
  TEndSignals(const TEndSignals&) = delete;
  TEndSignals& operator=(const TEndSignals&) = delete;

 private:
  TAfterEnd FAfter;
  struct sigaction FOld[3]{};
};

// Whether one of the signals arrived while a TEndSignals lived (cleared by the next one).
bool EndSignalled();
