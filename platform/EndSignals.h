// SIGTERM, SIGINT and SIGHUP ask the program to end. The handler only notes the request; the
// platforms report it as the window's Quit event, so the program ends the ordinary way on its
// main thread, with everything it keeps written (a map, a recording).
#pragma once

#include <signal.h>

// While one lives the three signals are noted instead of ending the program; the handlers that
// were there before come back with its end. One at a time.
class TEndSignals {
 public:
  TEndSignals();
  ~TEndSignals();
  TEndSignals(const TEndSignals&) = delete;
  TEndSignals& operator=(const TEndSignals&) = delete;

 private:
  struct sigaction FOld[3]{};
};

// Whether one of the signals arrived while a TEndSignals lived (cleared by the next one).
bool EndSignalled();
