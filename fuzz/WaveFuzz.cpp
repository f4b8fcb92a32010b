// Fuzzing of the wave loaders: arbitrary bytes as an embedded sound resource (through the
// player on the headless device) and as a RIFF WAVE file held in memory.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <stdexcept>

#include "platform/headless/PlatformHeadless.h"
#include "res/Resources.h"
#include "sound/DXSound1.h"
#include "sound/WaveReader.h"

namespace {

// A parsed image must be a view inside the input.
void checkInside(const std::optional<TWaveImage>& image, std::span<const uint8_t> bytes) {
  if (!image || image->Data.empty()) return;
  const uint8_t* begin = image->Data.data();
  if (begin < bytes.data() || image->Data.size() > static_cast<size_t>(bytes.data() + bytes.size() - begin)) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  checkInside(ReadWaveFile(bytes), bytes);
  const auto resource = ReadWaveResource(bytes);
  checkInside(resource, bytes);

  HeadlessClearAudioLog();
  SetResourceTableForTesting(std::vector<TResource>{{"Walk", RT_WAVE, bytes}});
  {
    TDXSound sound;
    try {
      const int slot = sound.LoadFromResource("Walk", RT_WAVE);
      if (slot > 0 && (!resource || sound.WaveSize(slot) != static_cast<int>(resource->Data.size()))) std::abort();
      sound.SetPan(slot, static_cast<int>(size) - 300);
      sound.Play(slot);
    } catch (const std::runtime_error&) {
      // A format the device refuses, or the table not in place.
    }
  }
  SetResourceTableForTesting(std::nullopt);
  return 0;
}
