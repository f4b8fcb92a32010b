// One JSON line per frame describing the world, for the headless runner's --trace.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The world after frame `frame`, at virtual tick `tick`; frameCrc is added as "frame_crc"
// when given (--hash).
std::string TraceLine(int frame, uint32_t tick, std::optional<uint32_t> frameCrc);

// JSON string literal (with quotes) of UTF-8 text.
std::string JsonString(const std::string& utf8);
