// A short line over the picture for two seconds ("saved: FILE"), drawn with the canvas like the
// overlay, at the foot of the picture.
#pragma once

#include <cstdint>
#include <string>

class TDDCanvas;

class TNotice {
 public:
  static constexpr uint32_t ShownMs = 2000;
  static constexpr int Height = 24;  // the rows at the foot of the picture it covers

  // Shows `text` (cut to what a line holds) from `now`, the machine's clock in milliseconds.
  void Show(const std::string& text, uint32_t now);
  bool Visible(uint32_t now) const;
  const std::string& Text() const { return FText; }
  void Draw(TDDCanvas& canvas, int width, int height) const;

 private:
  std::string FText;
  uint32_t FSince = 0;
};
