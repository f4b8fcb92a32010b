// The platform's audio device on SDL2_mixer: 22050 Hz 16-bit stereo output, one mixer channel
// per sound slot (channel numbers are used as given, so 1..N and 0..N-1 both work), sounds
// converted once to the output format when loaded.
#include <SDL.h>
#include <SDL_mixer.h>

#include <climits>
#include <cstring>
#include <map>
#include <vector>

#include "platform/Platform.h"

namespace {

constexpr int kOutputRate = 22050;
constexpr int kOutputChannels = 2;
constexpr int kMixBufferFrames = 512;  // about 23 ms of latency

struct Sound {
  Mix_Chunk* Chunk = nullptr;
  Uint8* Samples = nullptr;  // converted PCM the chunk plays; ours to free after the chunk
};

struct Panning {
  uint8_t Left = 255;
  uint8_t Right = 255;
};

struct AudioState {
  bool Open = false;
  int Rate = 0;
  Uint16 Format = 0;
  int Channels = 0;
  int NextSound = 1;
  std::map<int, Sound> Sounds;
  std::vector<Panning> Pans;  // per mixer channel
};

AudioState& A() {
  static AudioState a;
  return a;
}

bool validChannel(int channel) {
  return A().Open && channel >= 0 && channel < static_cast<int>(A().Pans.size());
}

void freeSound(Sound& sound) {
  Mix_FreeChunk(sound.Chunk);  // halts any channel still playing it
  SDL_free(sound.Samples);
}

// The PCM in the output format, allocated with SDL_malloc; null when it cannot be converted.
Uint8* convert(const PlatformPcm& pcm, int& outBytes) {
  const SDL_AudioFormat source = pcm.BitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
  if ((pcm.BitsPerSample != 8 && pcm.BitsPerSample != 16) || pcm.Channels < 1 || pcm.Channels > 2 ||
      pcm.SamplesPerSec <= 0) {
    return nullptr;
  }
  const size_t frameBytes = static_cast<size_t>(pcm.Channels) * pcm.BitsPerSample / 8;
  const size_t bytes = pcm.Size / frameBytes * frameBytes;  // a cut-off last frame is dropped
  SDL_AudioCVT cvt;
  if (bytes == 0 || SDL_BuildAudioCVT(&cvt, source, static_cast<Uint8>(pcm.Channels), pcm.SamplesPerSec,
                                      A().Format, static_cast<Uint8>(A().Channels), A().Rate) < 0) {
    return nullptr;
  }
  if (bytes > static_cast<size_t>(INT_MAX / cvt.len_mult)) return nullptr;
  cvt.len = static_cast<int>(bytes);
  cvt.buf = static_cast<Uint8*>(SDL_malloc(bytes * cvt.len_mult));
  if (cvt.buf == nullptr) return nullptr;
  std::memcpy(cvt.buf, pcm.Data, bytes);
  if (SDL_ConvertAudio(&cvt) != 0) {
    SDL_free(cvt.buf);
    return nullptr;
  }
  outBytes = cvt.len_cvt;
  return cvt.buf;
}

}  // namespace

bool PlatformAudioOpen(int channels) {
  PlatformAudioClose();
  // Audio brings SDL's event loop up, and with it SDL's signal handlers: the program has its own.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (channels < 1 || SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  AudioState& a = A();
  if (Mix_OpenAudio(kOutputRate, AUDIO_S16LSB, kOutputChannels, kMixBufferFrames) != 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  if (Mix_QuerySpec(&a.Rate, &a.Format, &a.Channels) == 0) {
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  Mix_AllocateChannels(channels + 1);
  a.Pans.assign(static_cast<size_t>(channels) + 1, Panning{});
  a.Open = true;
  return true;
}

void PlatformAudioClose() {
  AudioState& a = A();
  if (!a.Open) return;
  Mix_HaltChannel(-1);
  for (auto& [id, sound] : a.Sounds) freeSound(sound);
  a.Sounds.clear();
  a.Pans.clear();
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  a.Open = false;
}

int PlatformAudioLoad(const PlatformPcm& pcm) {
  AudioState& a = A();
  if (!a.Open || pcm.Data == nullptr || pcm.Size == 0) return 0;
  int bytes = 0;
  Uint8* samples = convert(pcm, bytes);
  if (samples == nullptr) return 0;
  Mix_Chunk* chunk = Mix_QuickLoad_RAW(samples, static_cast<Uint32>(bytes));
  if (chunk == nullptr) {
    SDL_free(samples);
    return 0;
  }
  const int id = a.NextSound++;
  a.Sounds[id] = Sound{chunk, samples};
  return id;
}

void PlatformAudioFree(int sound) {
  auto it = A().Sounds.find(sound);
  if (it == A().Sounds.end()) return;
  freeSound(it->second);
  A().Sounds.erase(it);
}

void PlatformAudioPlay(int channel, int sound) {
  if (!validChannel(channel)) return;
  auto it = A().Sounds.find(sound);
  if (it == A().Sounds.end()) return;
  Mix_HaltChannel(channel);
  // The mixer drops a channel's panning whenever the channel stops, so it is set again here.
  const Panning& pan = A().Pans[static_cast<size_t>(channel)];
  Mix_SetPanning(channel, pan.Left, pan.Right);
  Mix_PlayChannel(channel, it->second.Chunk, 0);
}

void PlatformAudioStop(int channel) {
  if (validChannel(channel)) Mix_HaltChannel(channel);
}

void PlatformAudioSetPanning(int channel, uint8_t left, uint8_t right) {
  if (!validChannel(channel)) return;
  A().Pans[static_cast<size_t>(channel)] = Panning{left, right};
  Mix_SetPanning(channel, left, right);
}
