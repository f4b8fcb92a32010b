// A short line over the picture for two seconds ("saved: FILE"), drawn with the canvas like the
// overlay, at the foot of the picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TDDCanvas;
class TDDSurface;

class TNotice {
 public:
  static constexpr uint32_t ShownMs = 2000;
  static constexpr int Height = 24;  // the rows at the foot of the picture it covers

  // Shows `text` (cut to what a line holds) from `now`, the machine's clock in milliseconds.
  void Show(const std::string& text, uint32_t now);
  // Shows the program's own `cp949` text as it is from `now` for `shownMs`.
  void ShowFor(const std::string& cp949, uint32_t now, uint32_t shownMs);
  bool Visible(uint32_t now) const;
  const std::string& Text() const { return FText; }
  void Draw(TDDCanvas& canvas, int width, int height) const;

  // Draws the line over the back buffer `back` with its canvas, keeping aside the rows it covers.
  void DrawOver(TDDCanvas& canvas, const TDDSurface& back);
  // The back buffer's picture without the line, rows of its width; empty when the line is not over
  // it (never drawn, or drawn on since).
  std::vector<uint16_t> PictureUnder(const TDDSurface& back) const;

 private:
  std::string FText;
  uint32_t FSince = 0;
  uint32_t FShownMs = ShownMs;
  // The rows the line covers as the game drew them, and the back buffer's serial and version once
  // the line was over them.
  std::vector<uint16_t> FUnder;
  uint64_t FSerial = 0, FVersion = 0;
};
