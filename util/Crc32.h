// CRC-32 (the polynomial of PNG, zlib and gzip), for PNG chunks and for checksums of game data.
#pragma once

#include <cstddef>
#include <cstdint>

// The CRC-32 of `size` bytes at `data`. Pass a previous result as `seed` to continue over
// data that arrives in pieces: Crc32(b, nb, Crc32(a, na)) equals the CRC of a followed by b.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t seed = 0);
