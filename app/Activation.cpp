// Transitions of the frame pump's state.
#include "app/Activation.h"

bool TActivation::Activate(bool active) {
  FActive = active;
  if (active) {
    FIdleOn = true;
    return true;
  }
  if (FFullScreen) FIdleOn = false;
  return false;
}

void TActivation::Minimize() {
  if (FMinimized) return;
  FSavedIdle = FIdleOn;
  FIdleOn = false;
  FMinimized = true;
}

void TActivation::Restore() {
  if (!FMinimized) return;
  FMinimized = false;
  FIdleOn = FSavedIdle;
}
