// The shipped map: 100 x 100 cells of five bytes (kind, height, occupant, explored, light),
// row by row; cell (X, Y) at byte Y * 500 + X * 5. A village in the sand around the start cells.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

constexpr int MapSize = 100;
constexpr int MapBytes = MapSize * MapSize * 5;

// Cells of each kind 0..5 and of each height 0..4 that the shipped map has.
constexpr std::array<int, 6> kKindCounts = {309, 419, 1075, 8172, 15, 10};
constexpr std::array<int, 5> kHeightCounts = {9584, 108, 104, 95, 109};

struct TStartCell {
  int Person, X, Y;
};
constexpr std::array<TStartCell, 3> kStartCells = {{{1, 48, 62}, {2, 55, 61}, {3, 47, 63}}};

// The 50000 bytes of the map. Throws std::logic_error if the design misses the counts above.
std::vector<uint8_t> MakeVillageMap();
