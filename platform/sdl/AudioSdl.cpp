// The platform's audio device on SDL2_mixer: 22050 Hz 16-bit stereo output, one mixer channel
// per sound slot (channel numbers are used as given, so 1..N and 0..N-1 both work), sounds
// converted once to the output format when loaded.
#include <SDL.h>
#include <SDL_mixer.h>
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/FileDescriptor.h"
#include "platform/Platform.h"

namespace {

constexpr int OutputRate = 22050;
constexpr int OutputChannels = 2;
constexpr int MixBufferFrames = 512;  // about 23 ms of latency

struct TSound {
  Mix_Chunk* Chunk = nullptr;
  Uint8* Samples = nullptr;  // converted PCM the chunk plays; ours to free after the chunk
};

struct TPanning {
  uint8_t Left = 255;
  uint8_t Right = 255;
};

struct TAudioState {
  bool Open = false;
  int Rate = 0;
  Uint16 Format = 0;
  int Channels = 0;
  int NextSound = 1;
  std::map<int, TSound> Sounds;
  std::vector<TPanning> Pans;  // per mixer channel
};

TAudioState& A() {
  static TAudioState a;
  return a;
}

bool ValidChannel(int channel) { return A().Open && channel >= 0 && channel < static_cast<int>(A().Pans.size()); }

void FreeSound(TSound& sound) {
  Mix_FreeChunk(sound.Chunk);  // halts any channel still playing it
  SDL_free(sound.Samples);
}

// The PCM in the output format, allocated with SDL_malloc; null when it cannot be converted.
Uint8* Convert(const TPlatformPcm& pcm, int& outBytes) {
  const SDL_AudioFormat source = pcm.BitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
  if ((pcm.BitsPerSample != 8 && pcm.BitsPerSample != 16) || pcm.Channels < 1 || pcm.Channels > 2 ||
      pcm.SamplesPerSec <= 0) {
    return nullptr;
  }
  const size_t frameBytes = static_cast<size_t>(pcm.Channels) * pcm.BitsPerSample / 8;
  const size_t bytes = pcm.Size / frameBytes * frameBytes;  // a cut-off last frame is dropped
  SDL_AudioCVT cvt;
  if (bytes == 0 || SDL_BuildAudioCVT(&cvt, source, static_cast<Uint8>(pcm.Channels), pcm.SamplesPerSec, A().Format,
                                      static_cast<Uint8>(A().Channels), A().Rate) < 0) {
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

// While one lives, what is written to standard error goes nowhere: the sound servers and ALSA
// tried on the way to a device print their own complaints there, several lines for one missing
// card, and the program says in one line of its own what came of it.
class TQuietErrors {
 public:
  TQuietErrors() : FSaved(::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0)) {
    const TFileDescriptor null(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (!FSaved.IsOpen() || !null.IsOpen() || ::dup2(null.Get(), STDERR_FILENO) < 0) FQuiet = false;
  }
  ~TQuietErrors() {
    if (FSaved.IsOpen() && FQuiet) ::dup2(FSaved.Get(), STDERR_FILENO);
  }
  TQuietErrors(const TQuietErrors&) = delete;
  TQuietErrors& operator=(const TQuietErrors&) = delete;

 private:
  TFileDescriptor FSaved;
  bool FQuiet = true;
};

bool Refuse(std::string* why, const std::string& what) {
  if (why) *why = what;
  return false;
}

}  // namespace

bool PlatformAudioOpen(int channels, std::string* why) {
  PlatformAudioClose();
  if (channels < 1) return Refuse(why, "no sound channels were asked for");
  // Audio brings SDL's event loop up, and with it SDL's signal handlers: the program has its own.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  TAudioState& a = A();
  std::fflush(stderr);
  TQuietErrors quiet;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return Refuse(why, std::string("no audio driver: ") + SDL_GetError());
  if (Mix_OpenAudio(OutputRate, AUDIO_S16LSB, OutputChannels, MixBufferFrames) != 0) {
    const std::string error = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return Refuse(why, "the audio device did not open: " + error);
  }
  if (Mix_QuerySpec(&a.Rate, &a.Format, &a.Channels) == 0) {
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return Refuse(why, "the audio device gave no format");
  }
  Mix_AllocateChannels(channels + 1);
  a.Pans.assign(static_cast<size_t>(channels) + 1, TPanning{});
  a.Open = true;
  return true;
}

void PlatformAudioClose() {
  TAudioState& a = A();
  if (!a.Open) return;
  Mix_HaltChannel(-1);
  for (auto& [id, sound] : a.Sounds) FreeSound(sound);
  a.Sounds.clear();
  a.Pans.clear();
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  a.Open = false;
}

int PlatformAudioLoad(const TPlatformPcm& pcm) {
  TAudioState& a = A();
  if (!a.Open || pcm.Data == nullptr || pcm.Size == 0) return 0;
  int bytes = 0;
  Uint8* samples = Convert(pcm, bytes);
  if (samples == nullptr) return 0;
  Mix_Chunk* chunk = Mix_QuickLoad_RAW(samples, static_cast<Uint32>(bytes));
  if (chunk == nullptr) {
    SDL_free(samples);
    return 0;
  }
  const int id = a.NextSound++;
  a.Sounds[id] = TSound{chunk, samples};
  return id;
}

void PlatformAudioFree(int sound) {
  auto it = A().Sounds.find(sound);
  if (it == A().Sounds.end()) return;
  FreeSound(it->second);
  A().Sounds.erase(it);
}

void PlatformAudioPlay(int channel, int sound) {
  if (!ValidChannel(channel)) return;
  auto it = A().Sounds.find(sound);
  if (it == A().Sounds.end()) return;
  Mix_HaltChannel(channel);
  // The mixer drops a channel's panning whenever the channel stops, so it is set again here.
  const TPanning& pan = A().Pans[static_cast<size_t>(channel)];
  Mix_SetPanning(channel, pan.Left, pan.Right);
  Mix_PlayChannel(channel, it->second.Chunk, 0);
}

void PlatformAudioStop(int channel) {
  if (ValidChannel(channel)) Mix_HaltChannel(channel);
}

void PlatformAudioSetPanning(int channel, uint8_t left, uint8_t right) {
  if (!ValidChannel(channel)) return;
  A().Pans[static_cast<size_t>(channel)] = TPanning{left, right};
  Mix_SetPanning(channel, left, right);
}
