// The "sharp" scaling done on the processor, for presenting without a GPU: the picture as if
// enlarged by a whole factor with nearest neighbour and then filtered linearly down to the
// destination. The enlarged picture is never made: each destination pixel blends at most two
// source columns and two source rows, with weights worked out once per size. A destination that
// is the picture enlarged by a whole factor exactly is written straight from the source, each
// pixel repeated.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ChangedRows.h"
#include "platform/ScaleKernels.h"

class TSharpScaler {
 public:
  // The row loops: the widest the processor runs unless told otherwise (all draw alike).
  explicit TSharpScaler(TScaleKernel kernel = FastestScaleKernel()) : FKernels(&ScaleKernelsOf(kernel)) {}
  // For a source of srcWidth x srcHeight drawn into destWidth x destHeight (all positive).
  void Prepare(int srcWidth, int srcHeight, int destWidth, int destHeight);
  // 16-bit source pixels (5-6-5, or 5-5-5 when rgb555) into 32-bit 0x00RRGGBB pixels; pitches in pixels.
  // How the 32-bit pixels are laid out: 0x00RRGGBB words, or the bytes R, G, B, 255 in memory
  // (a canvas's ImageData) on a little-endian machine.
  enum class TLayout { Xrgb, RgbaBytes };
  // changed: the source rows that differ from those last scaled into dest (null: any); only
  // the destination rows made from them are written. Every row with the RgbaBytes layout.
  void Scale(const uint16_t* src, int srcPitch, bool rgb555, uint32_t* dest, int destPitch,
             TLayout layout = TLayout::Xrgb, const TChangedRows* changed = nullptr);
  // Whether destination row y is made from a source row that changed.
  bool DestRowChanged(int y, const TChangedRows& changed) const;

  int DestWidth() const { return static_cast<int>(FCols.size()); }
  int DestHeight() const { return static_cast<int>(FRows.size()); }

 private:
  // A destination column (or row) from source columns A and B, B weighing W of 256.
  struct TTap {
    uint16_t A = 0;
    uint16_t B = 0;
    uint16_t W = 0;
  };
  static std::vector<TTap> Taps(int src, int dest, int factor);
  // Source row `row` widened to 32 bits and scaled across, kept as the line `slot`: in the
  // slot's own memory, or in the destination row made from that row alone when one at or
  // below destination row y is to be written.
  const uint32_t* ScaledRow(const uint16_t* src, int srcPitch, bool rgb555, int row, int slot, uint32_t* dest,
                            int destPitch, int y, const TChangedRows* changed);
  // The destination as the source enlarged FWhole times.
  void ScaleWhole(const uint16_t* src, int srcPitch, bool rgb555, uint32_t* dest, int destPitch,
                  const TChangedRows* changed);
  void ScaleFiltered(const uint16_t* src, int srcPitch, bool rgb555, uint32_t* dest, int destPitch,
                     const TChangedRows* changed);

  const TScaleKernels* FKernels;
  int FSrcWidth = 0;
  int FSrcHeight = 0;
  int FWhole = 0;  // the whole factor the destination is the source enlarged by; 0: none
  std::vector<TTap> FCols;
  std::vector<TTap> FRows;
  // FCols for the column loop: A, and B's weight (B is A + 1 wherever it weighs anything).
  std::vector<int32_t> FColA;
  std::vector<uint16_t> FColW;
  std::vector<uint32_t> FWide;  // one source row in 32 bits, and a pixel past it
  std::vector<uint32_t> FLine[2];
  int FLineRow[2] = {-1, -1};
  const uint32_t* FLinePlace[2] = {nullptr, nullptr};  // where each line lies now
  std::vector<int> FHome;  // per source row, the first destination row made from it alone; -1: none
};
