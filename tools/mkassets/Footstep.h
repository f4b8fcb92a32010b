// The footstep sound: a RIFF WAVE image of 1450 bytes, 8-bit mono PCM at 11025 samples/s.
#pragma once

#include <cstdint>
#include <vector>

constexpr int FootstepRate = 11025;        // samples per second
constexpr int FootstepSampleCount = 1404;  // about 127 ms
constexpr int FootstepWaveBytes = 1450;

// The 8-bit unsigned samples (128 is silence): a soft step on sand.
std::vector<uint8_t> FootstepSamples();

// The samples behind a 12-byte RIFF header, an 18-byte format chunk and the data chunk header.
std::vector<uint8_t> EncodeFootstepWave(const std::vector<uint8_t>& samples);
