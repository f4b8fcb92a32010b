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
// A regular file is preferred; an entry of another kind (a directory, a FIFO, a device) is
// given only when no file has the name, so that its loader can say why it is not read.
std::optional<std::string> FindLooseFile(const std::string& dir, const std::string& name);

// The directory the running program lives in, with a trailing '/'.
std::string ProgramDirectory();

// A whole file, or why it was not read.
struct TFileRead {
  std::optional<std::vector<uint8_t>> Bytes;
  std::string Why;  // without Bytes: "is a directory", "is a FIFO", ... or the system's reason the open failed
};

// Reads a regular file whole. Anything else (a directory, FIFO, device or socket) is never read,
// nor is a device opened: it gives no bytes and its kind as the reason, as a file that cannot be
// opened gives the system's reason. Throws std::runtime_error naming the file for one larger than
// maxBytes (a loader's bound, so no absurd file is read into memory) or one that fails while read.
TFileRead ReadWholeFile(const std::string& path, size_t maxBytes);
