// The frame pump's state: attached or detached, and how activation, deactivation, minimize
// and restore move it. Platform-free so the whole table can be tested.
#pragma once

class TActivation {
 public:
  explicit TActivation(bool fullScreen = true) : FFullScreen(fullScreen) {}

  // The application became active (true) or inactive. Activation attaches the pump and
  // answers true: the frame-rate measurement restarts. Deactivation detaches it only in
  // full screen; a windowed game keeps running in the background.
  bool Activate(bool active);
  // Saves whether the pump ran and detaches it.
  void Minimize();
  // Re-attaches the pump when it ran before the minimize. Ignored when not minimized.
  void Restore();
  void SetIdleOn(bool value) { FIdleOn = value; }
  // Whether an idle turn runs a frame: attached, and in full screen only while active.
  bool FrameDue() const { return FIdleOn && (FActive || !FFullScreen); }

  bool FullScreen() const { return FFullScreen; }
  bool Minimized() const { return FMinimized; }

  bool FActive = true;      // the program is the active application
  bool FIdleOn = false;     // the frame pump is attached
  bool FSavedIdle = false;  // FIdleOn as it was at the last minimize

 private:
  bool FFullScreen;
  bool FMinimized = false;
};
