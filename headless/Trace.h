// One JSON line per frame describing the world, for the headless runner's --trace.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A sound the device started: the player's slot and the pan it was given.
struct TTraceSound {
  int Slot = 0;
  int Pan = 0;
};

// The world after frame `frame`, at virtual tick `tick`, with the walk timing and the frame
// rate as the overlay shows it (null in a frame without the overlay); frameCrc is added as
// "frame_crc" when given (--hash), and the frame's sounds as "sounds" when known.
std::string TraceLine(int frame, uint32_t tick, std::optional<uint32_t> frameCrc,
                      const std::vector<TTraceSound>* sounds = nullptr);

// JSON string literal (with quotes) of UTF-8 text.
std::string JsonString(const std::string& utf8);
