// The slot sound player: up to 20 sounds, each loaded once, played from its start, panned.
// (Declaration owned by the sound layer; the game relies on SetPan and Play.)
#pragma once

class TDXSound {
 public:
  // Pan -256..256 (limited), times 20: hundredths of a decibel taken off the opposite side.
  void SetPan(int slot, int pan);
  // Restarts the slot's sound from its start.
  void Play(int slot);
};
