// Ending the program, and the dialog's process with it, on a signal while a dialog is shown.
#include "platform/sdl/DialogSignals.h"

#include <pthread.h>
#include <unistd.h>

#include <mutex>
#include <sys/prctl.h>

namespace {

// Read in a signal handler and in a forked child: plain values set before either can run.
volatile sig_atomic_t gActive = 0;
volatile sig_atomic_t gStatus = 1;
volatile pid_t gProgram = 0;

extern "C" void EndProgram(int) { _exit(gStatus); }

void SetAction(int signal, void (*handler)(int), struct sigaction* old) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, old);
}

// Runs in every child forked while a dialog is up, before it shows anything. Only
// async-signal-safe calls: the program may have other threads.
extern "C" void InForkedChild() {
  if (!gActive) return;
  SetAction(SIGINT, SIG_DFL, nullptr);
  SetAction(SIGTERM, SIG_DFL, nullptr);
  SetAction(SIGHUP, SIG_DFL, nullptr);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  // The program may have ended between the fork and the line above.
  if (getppid() != gProgram) _exit(gStatus);
}

}  // namespace

TDialogSignals::TDialogSignals(int status) {
  static std::once_flag registered;
  std::call_once(registered, [] { pthread_atfork(nullptr, nullptr, InForkedChild); });
  gStatus = status;
  gProgram = getpid();
  gActive = 1;
  SetAction(SIGINT, EndProgram, &FOldInt);
  SetAction(SIGTERM, EndProgram, &FOldTerm);
  SetAction(SIGHUP, EndProgram, &FOldHup);
}

TDialogSignals::~TDialogSignals() {
  sigaction(SIGINT, &FOldInt, nullptr);
  sigaction(SIGTERM, &FOldTerm, nullptr);
  sigaction(SIGHUP, &FOldHup, nullptr);
  gActive = 0;
}
