// The eight start-up switches and the screen globals every layer reads.
#pragma once

#include <cstdint>

struct TSettings {
  bool FullScreen;    // desktop full screen; false: a fixed-size window
  bool HighRes;       // 800 x 600 instead of 640 x 480
  bool AutoTiming;    // WalkFrame and FaceCount follow the measured frame rate
  bool ShowOverlay;   // the frame-rate overlay is drawn
  bool SystemMemory;  // kept for its switch; our surfaces always live in system memory
  bool SoundOn;       // the sound player exists and footsteps play
  bool MapEditing;    // number keys and keypad +/- edit the cell under the pointer
  bool UseResources;  // map and footstep from the program's resources, else loose files
};

// The values this build ships with (CMake options).
TSettings ShippedSettings();

extern TSettings Settings;
extern uint16_t ScreenWidth;    // pixels, 640 or 800
extern uint16_t ScreenHeight;   // pixels, 480 or 600
extern uint16_t BytesPerPixel;  // always 2: our back buffer is 16-bit

// Program-wide animation timing: frames a step lasts, stepping frames per animation picture.
// The game may derive both from the measured frame rate (AutoTiming).
extern int WalkFrame;  // initially 3
extern int FaceCount;  // initially 1

// Screen size from Settings.HighRes.
void ApplyScreenSize();

// Back to the shipped switches, 640 x 480 and the initial timing (core's part of the program reset).
void ResetSettings();
