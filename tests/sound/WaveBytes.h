// Builders of wave bytes for the sound tests: the resource layout and RIFF WAVE files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sound/WaveReader.h"

namespace wavebytes {

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
inline void putId(std::vector<uint8_t>& out, const char (&id)[5]) {
  put32(out, MakeFourCC(id[0], id[1], id[2], id[3]));
}

// 8-bit mono PCM at 11025 frames per second, like the footstep.
inline TWaveFormatEx monoByte() { return TWaveFormatEx{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0}; }

// The first `size` bytes of the format record, padded with `extra` bytes of 0xEE.
inline std::vector<uint8_t> formatBody(const TWaveFormatEx& f, size_t size = 18, size_t extra = 0) {
  std::vector<uint8_t> out;
  put16(out, f.wFormatTag);
  put16(out, f.nChannels);
  put32(out, f.nSamplesPerSec);
  put32(out, f.nAvgBytesPerSec);
  put16(out, f.nBlockAlign);
  put16(out, f.wBitsPerSample);
  put16(out, f.cbSize);
  out.resize(size);
  out.insert(out.end(), extra, 0xEE);
  return out;
}

// A recognisable ramp of PCM bytes.
inline std::vector<uint8_t> ramp(size_t n) {
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i * 7 + 1);
  return out;
}

inline void putChunk(std::vector<uint8_t>& out, const char (&id)[5], const std::vector<uint8_t>& body,
                     bool pad = true) {
  putId(out, id);
  put32(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  if (pad && (body.size() & 1)) out.push_back(0);
}

// RIFF "WAVE" around the given chunk bytes, with the true RIFF size.
inline std::vector<uint8_t> riff(const std::vector<uint8_t>& chunks) {
  std::vector<uint8_t> out;
  putId(out, "RIFF");
  put32(out, static_cast<uint32_t>(chunks.size() + 4));
  putId(out, "WAVE");
  out.insert(out.end(), chunks.begin(), chunks.end());
  return out;
}

// The plain file: "fmt " (18 bytes by default) then "data".
inline std::vector<uint8_t> waveFile(const TWaveFormatEx& f, const std::vector<uint8_t>& data, size_t formatSize = 18) {
  std::vector<uint8_t> chunks;
  putChunk(chunks, "fmt ", formatBody(f, formatSize));
  putChunk(chunks, "data", data);
  return riff(chunks);
}

// The resource layout; its data chunk may claim a size other than the bytes present.
inline std::vector<uint8_t> waveResource(const TWaveFormatEx& f, const std::vector<uint8_t>& data,
                                         size_t formatSize = 18, size_t extra = 0) {
  std::vector<uint8_t> chunks;
  putChunk(chunks, "fmt ", formatBody(f, formatSize, extra), false);
  putChunk(chunks, "data", data, false);
  return riff(chunks);
}

// Overwrites the 32-bit little-endian word at `at`.
inline void poke32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace wavebytes
