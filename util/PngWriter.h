// PNG files (truecolour with or without alpha, 8 bits per channel, compressed by libpng): the
// generator's previews and icons, the headless runner's frames and the program's screenshots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The PNG image of `w` x `h` pixels; `rgb` holds 3 bytes (red, green, blue) per pixel, rows top
// first. Empty when the sizes do not match or are not positive.
std::vector<uint8_t> EncodePng(int w, int h, const std::vector<uint8_t>& rgb);
// The same with an alpha channel: 4 bytes (red, green, blue, straight alpha) per pixel.
std::vector<uint8_t> EncodePngRgba(int w, int h, const std::vector<uint8_t>& rgba);

// Writes EncodePng's image to `path`, atomically (util/AtomicFile.h). On failure returns false
// and, when `error` is given, puts a message there naming the path and the reason.
bool WritePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb, std::string* error = nullptr);

// The same for 16-bit pixels in the 5-6-5 layout (red in the top five bits), as the back buffer
// holds them; `pitch` is in pixels (0 means `w`). Components are widened by repeating their top
// bits, so 0xFFFF becomes white.
bool WritePng565(const std::string& path, int w, int h, const uint16_t* pixels, int pitch,
                 std::string* error = nullptr);

// RGB24 from 5-6-5 pixels, the conversion WritePng565 uses.
std::vector<uint8_t> Rgb565ToRgb24(int w, int h, const uint16_t* pixels, int pitch);
