// The slot sound player: up to 20 sounds, each loaded once into a numbered slot (1..20),
// played from its start, panned. Without an audio device it is silent: every call does
// nothing and loads answer -1.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Types.h"
#include "sound/WaveReader.h"

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT DSERR_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT DSERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DSERR_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DSERR_ALLOCATED = static_cast<HRESULT>(0x8878000Au);
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001Eu);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032u);
constexpr HRESULT DSERR_PRIOLEVELNEEDED = static_cast<HRESULT>(0x88780046u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078u);
constexpr HRESULT DSERR_ALREADYINITIALIZED = static_cast<HRESULT>(0x88780082u);
constexpr HRESULT DSERR_BUFFERLOST = static_cast<HRESULT>(0x88780096u);
constexpr HRESULT DSERR_OTHERAPPHASPRIO = static_cast<HRESULT>(0x887800A0u);
constexpr HRESULT DSERR_UNINITIALIZED = static_cast<HRESULT>(0x887800AAu);

// How loud the player wants the sound: a share of full loudness in steps, and mute.
struct TSoundVolume {
  static constexpr int Step = 10;  // percent, one press of a volume key
  int Percent = 100;               // 0..100
  bool Muted = false;
  bool operator==(const TSoundVolume&) const = default;
};
// The loudness every sound player of the program plays at. A program that keeps it across runs
// sets it at start and learns of each change from the listener (one at a time; none: empty).
const TSoundVolume& SoundVolume();
void SetSoundVolume(TSoundVolume volume);  // the percent limited to 0..100
void SetSoundVolumeListener(std::function<void(const TSoundVolume&)> listener);
// Full loudness, not muted, no listener.
void ResetSoundVolume();

// The English text of a sound result code; "Unrecognized Error" for codes not in the table.
std::string DSErrorString(HRESULT result);

class TDXSound {
 public:
  static constexpr int MaxSlots = 20;
  static constexpr int PanLimit = 256;               // SetPan's input range is -PanLimit..PanLimit
  static constexpr int PanScale = 20;                // one pan step in hundredths of a decibel
  static constexpr size_t MaxFileBytes = 64u << 20;  // larger wave files are refused

  // Opens the audio device with one channel per slot; when that fails the player is silent.
  TDXSound();
  ~TDXSound();
  TDXSound(const TDXSound&) = delete;
  TDXSound& operator=(const TDXSound&) = delete;

  // Frees every slot and closes the device; afterwards the player is silent. Safe to repeat.
  void Shutdown();

  // Whether an audio device is open (false: the silent player), and if not, why not.
  bool HasDevice() const { return FDeviceOpen; }
  const std::string& DeviceFailure() const { return FDeviceFailure; }
  // Brings the sounds playing now to SoundVolume(); later plays take it by themselves.
  void ApplyVolume();

  // Loads the embedded resource `name` of numeric type `resType`; the slot or -1.
  // Throws std::runtime_error for a missing resource, and when the device refuses the sound:
  // the source, what is wrong and DSErrorString's text ("resource "Walk": 24 bits a sample; 8 or
  // 16 are played. The specified wave format is not supported.").
  int LoadFromResource(const std::string& name, int resType);
  // Loads a RIFF WAVE file of PCM; the slot or -1 (unreadable, not a regular file, malformed,
  // not PCM, no slot), with *why set when the file was not read. Throws like LoadFromResource
  // (naming the file) when the device refuses the sound, and for a file larger than MaxFileBytes
  // or one that fails while read.
  int LoadFromFile(const std::string& fileName, std::string* why = nullptr);

  // The lowest free slot 1..20, or -1 when all are taken or there is no device.
  int FindFreeSlot() const;
  // Makes the slot's mixer sound from its data block in `format`. False without a device or
  // for a slot outside 1..20; throws std::runtime_error(DSErrorString(code)) when refused,
  // leaving the slot free.
  bool CreateBuffer(int slot, TWaveFormatEx& format);
  // Copies the slot's data block into a fresh mixer sound in place of the current one.
  // False without a device or a loaded slot.
  bool FillBuffer(int slot);

  // Pan -256..256 (limited), times 20: hundredths of a decibel taken off the opposite side;
  // negative pans to the left. Ignored for a slot that is not loaded.
  void SetPan(int slot, int pan);
  // Told of each pan SetPan hands to the device, as given and before it becomes gains, for a
  // device that reports what it plays (the headless one); none by default.
  using TPanWitness = void (*)(int slot, int pan);
  void SetPanWitness(TPanWitness witness) { FPanWitness = witness; }
  // Restarts the slot's sound from its start, once.
  void Play(int slot);
  void Stop(int slot);

  static uint32_t MakeFourCC(uint8_t a, uint8_t b, uint8_t c, uint8_t d) { return ::MakeFourCC(a, b, c, d); }

  // The gains 0..255 of the left and right side for a pan (limited to -256..256 first).
  struct TGains {
    uint8_t Left;
    uint8_t Right;
  };
  static TGains PanGains(int pan);
  // The gains as heard at `volume`.
  static TGains AtVolume(TGains gains, const TSoundVolume& volume);

  // Byte size of the slot's data block; 0 for a free or invalid slot.
  int WaveSize(int slot) const;
  // The slot's format record (zero for a free or invalid slot).
  TWaveFormatEx WaveFormat(int slot) const;

 private:
  bool loaded(int slot) const;
  int loadImage(const TWaveImage& image, const std::string& source);
  void freeSlot(int slot);

  void sendGains(int slot);

  bool FDeviceOpen = false;                                  // audio device open; false: silent
  std::string FDeviceFailure;                                // why no device opened
  std::array<TGains, MaxSlots + 1> FGains{};                 // per slot: the pan's gains, at full volume
  std::array<TGains, MaxSlots + 1> FSent{};                  // per slot: the gains the device has
  TPanWitness FPanWitness = nullptr;                         // told of every pan handed on
  std::array<std::vector<uint8_t>, MaxSlots + 1> FWaveData;  // per slot: PCM, index 0 unused
  std::array<int, MaxSlots + 1> FWaveSize{};                 // per slot: bytes of FWaveData
  std::array<int, MaxSlots + 1> FBuffers{};                  // per slot: mixer sound, 0 = free
  std::array<TWaveFormatEx, MaxSlots + 1> FFormats{};        // per slot: format of FWaveData
};
