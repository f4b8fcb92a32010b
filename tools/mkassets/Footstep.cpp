// A step on sand: filtered noise (the crunch) with a 4 ms attack and about 100 ms of decay, a
// low decaying thump under it, and a fade to silence over the last samples so the sound starts
// and ends on the middle value without a click.
#include "tools/mkassets/Footstep.h"

#include <algorithm>
#include <cmath>

#include "tools/mkassets/IndexedImage.h"

std::vector<uint8_t> FootstepSamples() {
  constexpr double Pi = 3.14159265358979323846;
  std::vector<uint8_t> out(FootstepSampleCount);
  double low = 0.0, lower = 0.0;  // two one-pole low-pass stages soften the noise
  for (int i = 0; i < FootstepSampleCount; ++i) {
    const double t = double(i) / FootstepRate;
    const double attack = std::min(1.0, t / 0.004);
    const double decay = std::exp(-t / 0.030);
    const double noise = (Hash(i, 0, 77) & 0xFFFF) / 32767.5 - 1.0;
    low += 0.45 * (noise - low);
    lower += 0.5 * (low - lower);
    // Grains of sand: a few short louder crackles in the first 60 ms.
    const double grain = (t < 0.06 && Hash(i / 24, 1, 78) % 5 == 0) ? 1.6 : 1.0;
    const double crunch = lower * attack * decay * grain * 1.8;
    const double thump = std::sin(2 * Pi * 70.0 * t) * std::min(1.0, t / 0.003) * std::exp(-t / 0.025) * 0.55;
    const int tail = FootstepSampleCount - 1 - i;
    const double fade = std::min({1.0, tail / 120.0, i / 8.0});
    const double v = std::clamp((crunch + thump) * fade, -1.0, 1.0);
    out[static_cast<size_t>(i)] = static_cast<uint8_t>(std::lround(128.0 + 100.0 * v));
  }
  return out;
}

namespace {

void PutTag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> EncodeFootstepWave(const std::vector<uint8_t>& samples) {
  std::vector<uint8_t> w;
  w.reserve(FootstepWaveBytes);
  PutTag(w, "RIFF");
  PutLe(w, static_cast<uint32_t>(4 + 8 + 18 + 8 + samples.size()), 4);
  PutTag(w, "WAVE");
  PutTag(w, "fmt ");
  PutLe(w, 18, 4);
  PutLe(w, 1, 2);             // PCM
  PutLe(w, 1, 2);             // one channel
  PutLe(w, FootstepRate, 4);  // samples per second
  PutLe(w, FootstepRate, 4);  // bytes per second
  PutLe(w, 1, 2);             // block align
  PutLe(w, 8, 2);             // bits per sample
  PutLe(w, 0, 2);             // extra size
  PutTag(w, "data");
  PutLe(w, static_cast<uint32_t>(samples.size()), 4);
  w.insert(w.end(), samples.begin(), samples.end());
  return w;
}
