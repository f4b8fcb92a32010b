// A silent audio device for builds without the SDL mixer back end: nothing opens, so the
// sound player stays silent.
#include "host/Platform.h"

bool PlatformAudioOpen(int) { return false; }
void PlatformAudioClose() {}
int PlatformAudioLoad(const PlatformPcm&) { return 0; }
void PlatformAudioFree(int) {}
void PlatformAudioPlay(int, int) {}
void PlatformAudioStop(int) {}
void PlatformAudioSetPanning(int, uint8_t, uint8_t) {}
