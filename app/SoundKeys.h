// The player's sound keys: M mutes and unmutes, 9 and 0 make it quieter and louder.
#pragma once

#include <optional>
#include <string>

class TDXSound;

constexpr int MuteKey = 'M';
constexpr int QuieterKey = '9';
constexpr int LouderKey = '0';

// Carries out a sound key on SoundVolume() and brings `sound` (null: none) to it; what to show
// the player, or nothing when `key` is no sound key. The choice is kept without a player too,
// for a later run.
std::optional<std::string> PlayerSoundKey(int key, TDXSound* sound);
