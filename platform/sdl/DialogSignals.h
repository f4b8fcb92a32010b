// Signals during a modal dialog. SDL turns SIGINT and SIGTERM into a quit event that nobody
// reads while its message box waits for its button, and shows the box from a forked process
// that inherits that handler: a logout, `systemctl stop` or a CI timeout would wait for a click.
#pragma once

#include <signal.h>

// While one exists, SIGINT, SIGTERM and SIGHUP end the program at once with `status`, and every
// process forked meanwhile (the message box's) takes the default action on them and is killed
// when the program ends, however it ends. The previous handlers come back with its end.
class TDialogSignals {
 public:
  explicit TDialogSignals(int status);
  ~TDialogSignals();
  TDialogSignals(const TDialogSignals&) = delete;
  TDialogSignals& operator=(const TDialogSignals&) = delete;

 private:
  struct sigaction FOldInt {};
  struct sigaction FOldTerm {};
  struct sigaction FOldHup {};
};
