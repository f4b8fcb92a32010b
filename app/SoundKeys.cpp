#include "app/SoundKeys.h"

#include "sound/DXSound1.h"

std::optional<std::string> PlayerSoundKey(int key, TDXSound* sound) {
  TSoundVolume volume = SoundVolume();
  if (key == MuteKey) {
    volume.Muted = !volume.Muted;
  } else if (key == QuieterKey || key == LouderKey) {
    volume.Percent += key == LouderKey ? TSoundVolume::Step : -TSoundVolume::Step;
    volume.Muted = false;  // a volume key is meant to be heard
  } else {
    return std::nullopt;
  }
  SetSoundVolume(volume);
  if (sound) sound->ApplyVolume();
  const TSoundVolume& now = SoundVolume();
  std::string said = now.Muted ? "sound muted" : "volume " + std::to_string(now.Percent) + "%";
  if (!sound) {
    said += " (no sound in this run: start with --sound)";
  } else if (!sound->HasDevice()) {
    said += " (no audio device)";
  }
  return said;
}
