// The map as a file keeps it: what a save writes, so that it loads anywhere a MAP.DAT does.
#pragma once

#include <cstdint>
#include <vector>

class TSystem;

// The world's map in the stored format (MapBytes): terrain kinds and heights as they are now;
// each person's number on the cell it stands on (one mid-step on the cell it is leaving) and no
// other mark; the explored and light layers cleared, so the map starts under fog when loaded.
// Two persons on one cell: the first keeps it, the other has no start cell in the file.
std::vector<uint8_t> StoredMap(const TSystem& world);
