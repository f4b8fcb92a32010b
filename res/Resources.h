// The program's embedded resources, found by name (without regard to case) and numeric type,
// and loose data files beside the program or in the current directory.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Numeric resource types used by the game.
constexpr int RT_BITMAP = 2;   // LUMO1, LUMO2: the image without its 14-byte file header
constexpr int RT_WAVE = 25;    // "Walk"
constexpr int RT_MIDI = 26;
constexpr int RT_MAP = 27;     // "Map"
constexpr int RT_RGBA = 28;    // MAINICON: the window's icon, a square of 4-byte pixels (R, G, B, alpha)

struct TResource {
  std::string Name;  // as stored, e.g. "LUMO1"
  int Type;
  std::span<const uint8_t> Data;
};

// The resource `name` of `type`, or nothing.
std::optional<std::span<const uint8_t>> FindResource(std::string_view name, int type);

// Tests replace the table (and put it back with an empty optional).
void SetResourceTableForTesting(std::optional<std::vector<TResource>> table);

// The path of a file named `name` in `dir`, matching the name without regard to case
// (an exact match wins); nothing when there is none. An empty dir means the current directory.
std::optional<std::string> FindLooseFile(const std::string& dir, const std::string& name);

// The directory the running program lives in, with a trailing '/'.
std::string ProgramDirectory();

// Whole file, or nothing when it cannot be opened. Throws std::runtime_error for a file larger
// than maxBytes (a loader's bound) so no absurd file is read into memory.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, size_t maxBytes);
