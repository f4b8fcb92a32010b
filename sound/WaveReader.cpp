// Parsing of wave data held in memory: the resource layout and RIFF WAVE files.
#include "sound/WaveReader.h"

#include <algorithm>
#include <cstring>

#include "core/LittleEndian.h"

namespace {

constexpr size_t ChunkHeaderBytes = 8;
constexpr size_t PcmFieldBytes = 16;  // the format record without cbSize

// `size` bytes from `at`, or nothing when the source ends first (no overflow for any values).
std::optional<std::span<const uint8_t>> slice(std::span<const uint8_t> bytes, size_t at, uint64_t size) {
  if (at > bytes.size() || size > bytes.size() - at) return std::nullopt;
  return bytes.subspan(at, static_cast<size_t>(size));
}

// The record from the first bytes of a format chunk body; fields beyond the body stay zero,
// bytes beyond the record are ignored.
TWaveFormatEx DecodeFormat(std::span<const uint8_t> body) {
  uint8_t raw[sizeof(TWaveFormatEx)] = {};
  std::memcpy(raw, body.data(), std::min(body.size(), sizeof raw));
  TWaveFormatEx f;
  f.wFormatTag = ReadLe16(raw, 0);
  f.nChannels = ReadLe16(raw, 2);
  f.nSamplesPerSec = ReadLe32(raw, 4);
  f.nAvgBytesPerSec = ReadLe32(raw, 8);
  f.nBlockAlign = ReadLe16(raw, 12);
  f.wBitsPerSample = ReadLe16(raw, 14);
  f.cbSize = ReadLe16(raw, 16);
  return f;
}

struct TChunk {
  uint32_t Id;
  std::span<const uint8_t> Body;
};

// The chunk whose header starts at `at`, or nothing when its header or body overruns.
std::optional<TChunk> ChunkAt(std::span<const uint8_t> bytes, size_t at) {
  auto header = slice(bytes, at, ChunkHeaderBytes);
  if (!header) return std::nullopt;
  auto body = slice(bytes, at + ChunkHeaderBytes, ReadLe32(*header, 4));
  if (!body) return std::nullopt;
  return TChunk{ReadLe32(*header, 0), *body};
}

// The first subchunk `id` in a list of chunks; nothing when it is absent or the list is
// broken before it is reached.
std::optional<std::span<const uint8_t>> findChunk(std::span<const uint8_t> list, uint32_t id) {
  size_t at = 0;
  while (at < list.size()) {
    auto chunk = ChunkAt(list, at);
    if (!chunk) return std::nullopt;
    if (chunk->Id == id) return chunk->Body;
    at += ChunkHeaderBytes + chunk->Body.size() + (chunk->Body.size() & 1);
  }
  return std::nullopt;
}

}  // namespace

std::optional<TWaveImage> ReadWaveResource(std::span<const uint8_t> bytes) {
  constexpr size_t FormatSizeAt = 16;
  auto formatSize = slice(bytes, FormatSizeAt, 4);
  if (!formatSize) return std::nullopt;
  const size_t formatAt = FormatSizeAt + 4;
  auto format = slice(bytes, formatAt, ReadLe32(*formatSize, 0));
  if (!format) return std::nullopt;
  // The chunk after the format record: its id is skipped, its size word is the data size.
  auto data = ChunkAt(bytes, formatAt + format->size());
  if (!data) return std::nullopt;
  return TWaveImage{DecodeFormat(*format), data->Body};
}

std::optional<TWaveImage> ReadWaveFile(std::span<const uint8_t> bytes) {
  auto riff = ChunkAt(bytes, 0);
  if (!riff || riff->Id != MakeFourCC('R', 'I', 'F', 'F') || riff->Body.size() < 4 ||
      ReadLe32(riff->Body, 0) != MakeFourCC('W', 'A', 'V', 'E')) {
    return std::nullopt;
  }
  auto subchunks = riff->Body.subspan(4);
  auto format = findChunk(subchunks, MakeFourCC('f', 'm', 't', ' '));
  if (!format || format->size() < PcmFieldBytes) return std::nullopt;
  TWaveImage image{DecodeFormat(*format), {}};
  if (image.Format.wFormatTag != WAVE_FORMAT_PCM) return std::nullopt;
  auto data = findChunk(subchunks, MakeFourCC('d', 'a', 't', 'a'));
  if (!data) return std::nullopt;
  image.Data = *data;
  return image;
}
