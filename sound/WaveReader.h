// Wave data in memory: the fixed layout of the embedded sound resources and RIFF WAVE files,
// both turned into one format record and a view of the PCM bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/LittleEndian.h"

// The 32-bit code of a RIFF chunk id: its four characters read as the word they are stored as.
constexpr uint32_t MakeFourCC(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const uint8_t id[4] = {a, b, c, d};
  return ReadLe32(id, 0);
}

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// The WAVEFORMATEX layout: 18 bytes, little-endian in the stream.
#pragma pack(push, 1)
struct TWaveFormatEx {
  uint16_t wFormatTag = 0;      // 1 = PCM
  uint16_t nChannels = 0;       // 1 mono, 2 stereo
  uint32_t nSamplesPerSec = 0;  // frames per second
  uint32_t nAvgBytesPerSec = 0;
  uint16_t nBlockAlign = 0;     // bytes per frame
  uint16_t wBitsPerSample = 0;  // 8 (unsigned) or 16 (signed)
  uint16_t cbSize = 0;          // bytes of format data after these fields
};
#pragma pack(pop)
static_assert(sizeof(TWaveFormatEx) == 18);

// A parsed sound: its format and the PCM bytes, a view into the source.
struct TWaveImage {
  TWaveFormatEx Format;
  std::span<const uint8_t> Data;
};

// The resource layout: format chunk size at offset 16, the format record at 20, one chunk
// header of 8 bytes after it whose second word is the data size, then the data. Chunk ids are
// not compared and the format tag is not examined. A format chunk longer than the record has
// its extra bytes skipped; a shorter one leaves the missing fields zero. Nothing when the
// bytes end before any part, including data the header claims but the source lacks.
std::optional<TWaveImage> ReadWaveResource(std::span<const uint8_t> bytes);

// A RIFF WAVE file: a "RIFF" chunk of form "WAVE" whose "fmt " and "data" subchunks are found
// by id wherever they stand (odd-sized chunks are followed by a pad byte). The format chunk
// must hold at least the 16 bytes of the PCM fields and its tag must be PCM. Nothing when any
// of that fails or a chunk claims more bytes than its parent holds.
std::optional<TWaveImage> ReadWaveFile(std::span<const uint8_t> bytes);
