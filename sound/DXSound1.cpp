// PLACEHOLDER until the sound player lands.
#include "sound/DXSound1.h"

void TDXSound::SetPan(int, int) {}
void TDXSound::Play(int) {}
