// Noting the signals that ask the program to end.
#include "platform/EndSignals.h"

namespace {

constexpr int Signals[3] = {SIGTERM, SIGINT, SIGHUP};
volatile sig_atomic_t gSignalled = 0;

extern "C" void NoteEnd(int) { gSignalled = 1; }

}  // namespace

TEndSignals::TEndSignals(TAfterEnd after) : FAfter(after) {
  gSignalled = 0;
  struct sigaction action {};
  action.sa_handler = NoteEnd;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait the signal interrupts returns, so the request is seen at once.
  for (int i = 0; i < 3; ++i) sigaction(Signals[i], &action, &FOld[i]);
}

TEndSignals::~TEndSignals() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(Signals[i], FAfter == TAfterEnd::Ignore ? &ignore : &FOld[i], nullptr);
  gSignalled = 0;
}

bool EndSignalled() { return gSignalled != 0; }
