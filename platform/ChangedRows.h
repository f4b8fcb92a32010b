// Which rows of a frame may differ from the frame presented before it, in bands of rows.
#pragma once

#include <cstdint>

struct TChangedRows {
  int BandRows = 16;
  const uint8_t* Changed = nullptr;  // per band: non-zero when a row of it may differ
  int Bands = 0;
  // A row past the bands counts as changed.
  bool Row(int y) const {
    const int band = y / BandRows;
    return y < 0 || band >= Bands || Changed[band] != 0;
  }
};
