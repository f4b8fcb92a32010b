// The game's one sound, the footstep in slot 1, as every program that plays it loads it.
#pragma once

class TDXSound;

// From the embedded resource or, with `fromResources` off, from Walk.Wav beside the program.
// Without an audio device every load fails and the game runs silent; with one, a footstep that
// cannot be read throws with its reason rather than letting the game walk on mute.
void LoadFootstep(TDXSound& player, bool fromResources);
