// Shipped start-up switches (from the build) and the screen globals.
#include "core/Settings.h"

#ifndef CORVINA_FULLSCREEN
#define CORVINA_FULLSCREEN 1
#endif
#ifndef CORVINA_HIGHRES
#define CORVINA_HIGHRES 0
#endif
#ifndef CORVINA_AUTOTIMING
#define CORVINA_AUTOTIMING 0
#endif
#ifndef CORVINA_SHOWOVERLAY
#define CORVINA_SHOWOVERLAY 1
#endif
#ifndef CORVINA_SYSTEMMEMORY
#define CORVINA_SYSTEMMEMORY 1
#endif
#ifndef CORVINA_SOUNDON
#define CORVINA_SOUNDON 0
#endif
#ifndef CORVINA_MAPEDITING
#define CORVINA_MAPEDITING 1
#endif
#ifndef CORVINA_USERESOURCES
#define CORVINA_USERESOURCES 1
#endif

TSettings ShippedSettings() {
  return TSettings{CORVINA_FULLSCREEN != 0,   CORVINA_HIGHRES != 0, CORVINA_AUTOTIMING != 0, CORVINA_SHOWOVERLAY != 0,
                   CORVINA_SYSTEMMEMORY != 0, CORVINA_SOUNDON != 0, CORVINA_MAPEDITING != 0, CORVINA_USERESOURCES != 0};
}

TSettings Settings = ShippedSettings();
uint16_t ScreenWidth = 640;
uint16_t ScreenHeight = 480;
uint16_t BytesPerPixel = 2;
int WalkFrame = 3;
int FaceCount = 1;

void ApplyScreenSize() {
  ScreenWidth = Settings.HighRes ? 800 : 640;
  ScreenHeight = Settings.HighRes ? 600 : 480;
}

void ResetSettings() {
  Settings = ShippedSettings();
  ScreenWidth = 640;
  ScreenHeight = 480;
  BytesPerPixel = 2;
  WalkFrame = 3;
  FaceCount = 1;
}
