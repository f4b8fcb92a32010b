// The sheet format: a 40-byte info header, a 256-entry colour table and 8-bit pixels, bottom
// row first; and the BMP file that puts a 14-byte file header in front of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/mkassets/IndexedImage.h"
#include "tools/mkassets/Palette.h"

constexpr size_t BmpFileHeaderBytes = 14;
constexpr size_t DibHeaderBytes = 40;
constexpr size_t ColourTableBytes = 1024;

// The device-independent bitmap (what a bitmap resource holds). The image's width must be a
// multiple of 4, so rows need no padding.
std::vector<uint8_t> EncodeDib(const TIndexedImage& image, const Palette& palette);

// A BMP file around a device-independent bitmap made by EncodeDib.
std::vector<uint8_t> EncodeBmpFile(const std::vector<uint8_t>& dib);
