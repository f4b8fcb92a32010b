// Small data the main-window tests put in place of the program's resources.
#pragma once

#include <cstdint>
#include <vector>

#include "res/Resources.h"

namespace apptest {

inline void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// An 8-bit bitmap resource (no file header) of the given size, every pixel index 1.
inline std::vector<uint8_t> SheetResource(int width, int height) {
  std::vector<uint8_t> out;
  PutLe(out, 40, 4);
  PutLe(out, static_cast<uint32_t>(width), 4);
  PutLe(out, static_cast<uint32_t>(height), 4);
  PutLe(out, 1, 2);
  PutLe(out, 8, 2);
  for (int i = 0; i < 6; ++i) PutLe(out, 0, 4);
  for (int i = 0; i < 256; ++i) PutLe(out, static_cast<uint32_t>(i * 0x010101), 4);
  const int stride = (width + 3) & ~3;
  out.resize(out.size() + static_cast<size_t>(stride) * height, 1);
  return out;
}

// A RIFF WAVE image of 8-bit mono PCM at 11025 samples per second.
inline std::vector<uint8_t> WaveResource(int samples) {
  std::vector<uint8_t> out;
  auto tag = [&out](const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(t[i]));
  };
  tag("RIFF");
  PutLe(out, static_cast<uint32_t>(36 + samples), 4);
  tag("WAVE");
  tag("fmt ");
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);
  PutLe(out, 1, 2);
  PutLe(out, 11025, 4);
  PutLe(out, 11025, 4);
  PutLe(out, 1, 2);
  PutLe(out, 8, 2);
  tag("data");
  PutLe(out, static_cast<uint32_t>(samples), 4);
  for (int i = 0; i < samples; ++i) out.push_back(static_cast<uint8_t>(128 + (i % 16)));
  return out;
}

}  // namespace apptest
