// The platform's audio device on WebAudio (library_corvina.js): one buffer per loaded sound,
// one source per play, and per channel a gain for each side, as the desktop mixer pans.
#include "platform/Platform.h"

extern "C" {
int corvina_audio_open(int channels);
void corvina_audio_close();
int corvina_audio_load(const uint8_t* data, size_t size, int channels, int rate, int bits);
void corvina_audio_free(int sound);
void corvina_audio_play(int channel, int sound);
void corvina_audio_stop(int channel);
void corvina_audio_pan(int channel, int left, int right);
}

bool PlatformAudioOpen(int channels, std::string* why) {
  if (channels >= 1 && corvina_audio_open(channels) != 0) return true;
  if (why) *why = "the browser gave no audio context";
  return false;
}
void PlatformAudioClose() { corvina_audio_close(); }

int PlatformAudioLoad(const TPlatformPcm& pcm) {
  if (pcm.Data == nullptr || pcm.Size == 0 || pcm.SamplesPerSec <= 0) return 0;
  return corvina_audio_load(pcm.Data, pcm.Size, pcm.Channels, pcm.SamplesPerSec, pcm.BitsPerSample);
}

void PlatformAudioFree(int sound) { corvina_audio_free(sound); }
void PlatformAudioPlay(int channel, int sound) { corvina_audio_play(channel, sound); }
void PlatformAudioStop(int channel) { corvina_audio_stop(channel); }
void PlatformAudioSetPanning(int channel, uint8_t left, uint8_t right) { corvina_audio_pan(channel, left, right); }
