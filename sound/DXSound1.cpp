// The slot sound player on the platform's audio device.
#include "sound/DXSound1.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>

#include "platform/Platform.h"
#include "res/Resources.h"
#include "util/Printable.h"

namespace {

constexpr size_t MinBufferBytes = 4;  // the smallest sound buffer a device accepts

// What the device makes of a sound of `bytes` PCM bytes in `f`: DS_OK, or its refusal and why.
struct TVerdict {
  HRESULT Code = DS_OK;
  std::string Why;
};

TVerdict Judge(const TWaveFormatEx& f, size_t bytes) {
  const auto n = [](auto value) { return std::to_string(value); };
  if (f.wFormatTag != WAVE_FORMAT_PCM) {
    return {DSERR_BADFORMAT, "format tag " + n(f.wFormatTag) + "; 1 (PCM) is played"};
  }
  if (f.nChannels != 1 && f.nChannels != 2) return {DSERR_BADFORMAT, n(f.nChannels) + " channels; 1 or 2 are played"};
  if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) {
    return {DSERR_BADFORMAT, n(f.wBitsPerSample) + " bits a sample; 8 or 16 are played"};
  }
  if (f.nSamplesPerSec < 100 || f.nSamplesPerSec > 200000) {
    return {DSERR_BADFORMAT, n(f.nSamplesPerSec) + " samples a second; 100 to 200000 are played"};
  }
  const int frame = f.nChannels * f.wBitsPerSample / 8;
  if (f.nBlockAlign != frame) {
    return {DSERR_BADFORMAT, "a block align of " + n(f.nBlockAlign) + "; frames of " + n(f.nChannels) + " x " +
                                 n(f.wBitsPerSample) + " bits take " + n(frame)};
  }
  if (bytes < MinBufferBytes) return {DSERR_INVALIDPARAM, n(bytes) + " bytes of sound; at least 4 are played"};
  return {};
}

TPlatformPcm PcmOf(const std::vector<uint8_t>& data, const TWaveFormatEx& f) {
  TPlatformPcm pcm;
  pcm.Data = data.data();
  pcm.Size = data.size();
  pcm.Channels = f.nChannels;
  pcm.SamplesPerSec = static_cast<int>(f.nSamplesPerSec);
  pcm.BitsPerSample = f.wBitsPerSample;
  return pcm;
}

TSoundVolume Volume;
std::function<void(const TSoundVolume&)> VolumeListener;

}  // namespace

const TSoundVolume& SoundVolume() { return Volume; }

void SetSoundVolume(TSoundVolume volume) {
  volume.Percent = std::clamp(volume.Percent, 0, 100);
  if (volume == Volume) return;
  Volume = volume;
  if (VolumeListener) VolumeListener(Volume);
}

void SetSoundVolumeListener(std::function<void(const TSoundVolume&)> listener) { VolumeListener = std::move(listener); }

void ResetSoundVolume() {
  Volume = {};
  VolumeListener = nullptr;
}

TDXSound::TDXSound() {
  FGains.fill({255, 255});
  FSent.fill({255, 255});  // a device opens unattenuated
  FDeviceOpen = PlatformAudioOpen(MaxSlots, &FDeviceFailure);
}

TDXSound::~TDXSound() { Shutdown(); }

void TDXSound::Shutdown() {
  for (int slot = 0; slot <= MaxSlots; ++slot) freeSlot(slot);
  if (FDeviceOpen) PlatformAudioClose();
  FDeviceOpen = false;
}

void TDXSound::freeSlot(int slot) {
  if (FBuffers[slot] != 0) {
    PlatformAudioStop(slot);
    PlatformAudioFree(FBuffers[slot]);
  }
  FBuffers[slot] = 0;
  FWaveData[slot] = {};
  FWaveSize[slot] = 0;
  FFormats[slot] = {};
}

bool TDXSound::loaded(int slot) const { return FDeviceOpen && slot >= 1 && slot <= MaxSlots && FBuffers[slot] != 0; }

int TDXSound::FindFreeSlot() const {
  if (!FDeviceOpen) return -1;
  for (int slot = 1; slot <= MaxSlots; ++slot) {
    if (FBuffers[slot] == 0) return slot;
  }
  return -1;
}

int TDXSound::LoadFromResource(const std::string& name, int resType) {
  if (!FDeviceOpen) return -1;
  auto bytes = FindResource(name, resType);
  if (!bytes) {
    throw std::runtime_error("Resource \"" + name + "\" of type " + std::to_string(resType) + " not found");
  }
  auto image = ReadWaveResource(*bytes);
  return image ? loadImage(*image, "resource \"" + name + "\"") : -1;
}

int TDXSound::LoadFromFile(const std::string& fileName, std::string* why) {
  if (!FDeviceOpen) return -1;
  const TFileRead file = ReadWholeFile(fileName, MaxFileBytes);
  if (!file.Bytes) {
    if (why) *why = file.Why;
    return -1;
  }
  auto image = ReadWaveFile(*file.Bytes);
  return image ? loadImage(*image, PrintablePath(fileName)) : -1;
}

int TDXSound::loadImage(const TWaveImage& image, const std::string& source) {
  const int slot = FindFreeSlot();
  if (slot < 0 || image.Data.size() > static_cast<size_t>(INT_MAX)) return -1;
  FWaveData[slot].assign(image.Data.begin(), image.Data.end());
  FWaveSize[slot] = static_cast<int>(image.Data.size());
  TWaveFormatEx format = image.Format;
  bool created = false;
  try {
    created = CreateBuffer(slot, format);
  } catch (const std::runtime_error& e) {
    freeSlot(slot);
    // The device's text alone names neither the sound nor what is wrong with it.
    const std::string why = Judge(format, image.Data.size()).Why;
    throw std::runtime_error(source + ": " + (why.empty() ? "" : why + ". ") + e.what());
  } catch (...) {
    freeSlot(slot);
    throw;
  }
  if (!created) {
    freeSlot(slot);
    return -1;
  }
  return slot;
}

bool TDXSound::CreateBuffer(int slot, TWaveFormatEx& format) {
  if (!FDeviceOpen || slot < 1 || slot > MaxSlots) return false;
  HRESULT result = Judge(format, FWaveData[slot].size()).Code;
  int sound = 0;
  if (result == DS_OK) {
    sound = PlatformAudioLoad(PcmOf(FWaveData[slot], format));
    if (sound == 0) result = DSERR_OUTOFMEMORY;
  }
  if (result != DS_OK) throw std::runtime_error(DSErrorString(result));
  if (FBuffers[slot] != 0) PlatformAudioFree(FBuffers[slot]);
  FBuffers[slot] = sound;
  FFormats[slot] = format;
  return true;
}

bool TDXSound::FillBuffer(int slot) {
  if (!loaded(slot)) return false;
  const int sound = PlatformAudioLoad(PcmOf(FWaveData[slot], FFormats[slot]));
  if (sound == 0) return false;
  PlatformAudioStop(slot);
  PlatformAudioFree(FBuffers[slot]);
  FBuffers[slot] = sound;
  return true;
}

TDXSound::TGains TDXSound::PanGains(int pan) {
  const int hundredthsDb = std::clamp(pan, -PanLimit, PanLimit) * PanScale;
  const double db = std::abs(hundredthsDb) / 100.0;
  const auto attenuated = static_cast<uint8_t>(std::lround(255.0 * std::pow(10.0, -db / 20.0)));
  if (hundredthsDb < 0) return {255, attenuated};
  return {attenuated, 255};
}

TDXSound::TGains TDXSound::AtVolume(TGains gains, const TSoundVolume& volume) {
  const int percent = volume.Muted ? 0 : std::clamp(volume.Percent, 0, 100);
  const auto scaled = [&](uint8_t gain) { return static_cast<uint8_t>((gain * percent + 50) / 100); };
  return {scaled(gains.Left), scaled(gains.Right)};
}

void TDXSound::sendGains(int slot) {
  const TGains gains = AtVolume(FGains[slot], SoundVolume());
  FSent[slot] = gains;
  PlatformAudioSetPanning(slot, gains.Left, gains.Right);
}

// The device's panning cannot fail, so there is no result to report.
void TDXSound::SetPan(int slot, int pan) {
  if (!loaded(slot)) return;
  if (FPanWitness) FPanWitness(slot, pan);
  FGains[slot] = PanGains(pan);
  sendGains(slot);
}

void TDXSound::ApplyVolume() {
  for (int slot = 1; slot <= MaxSlots; ++slot) {
    const TGains gains = AtVolume(FGains[slot], SoundVolume());
    if (loaded(slot) && (gains.Left != FSent[slot].Left || gains.Right != FSent[slot].Right)) sendGains(slot);
  }
}

void TDXSound::Play(int slot) {
  if (!loaded(slot)) return;
  Stop(slot);
  ApplyVolume();  // the volume may have changed since the slot was last panned
  PlatformAudioPlay(slot, FBuffers[slot]);
}

void TDXSound::Stop(int slot) {
  if (loaded(slot)) PlatformAudioStop(slot);
}

int TDXSound::WaveSize(int slot) const { return loaded(slot) ? FWaveSize[slot] : 0; }

TWaveFormatEx TDXSound::WaveFormat(int slot) const { return loaded(slot) ? FFormats[slot] : TWaveFormatEx{}; }
