// The notice line at the foot of the picture.
#include "app/Notice.h"

#include <algorithm>
#include <cstring>

#include "app/OverPicture.h"
#include "ddraw/DDraw.h"
#include "gfx/DDCanvas.h"
#include "util/Printable.h"

namespace {
constexpr size_t LineChars = 80;
constexpr size_t KeptHead = 12;
constexpr int LineHeight = TNotice::Height;
}  // namespace

void TNotice::Show(const std::string& text, uint32_t now) {
  FText = Printable(text, EchoedPathChars);
  // Too long for the line: its middle goes, since a path says most at its end.
  if (FText.size() > LineChars) {
    FText = FText.substr(0, KeptHead) + "..." + FText.substr(FText.size() - (LineChars - KeptHead - 3));
  }
  // The canvas draws the game's own code page: anything beyond ASCII shows as '?'.
  for (char& c : FText) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  }
  FSince = now;
  FShownMs = ShownMs;
}

void TNotice::ShowFor(const std::string& cp949, uint32_t now, uint32_t shownMs) {
  FText = cp949;
  FSince = now;
  FShownMs = shownMs;
}

bool TNotice::Visible(uint32_t now) const { return !FText.empty() && now - FSince < FShownMs; }

void TNotice::Draw(TDDCanvas& canvas, int width, int height) const {
  canvas.Brush = {TBrushStyle::Solid, RGB(16, 24, 40)};
  canvas.Pen = {RGB(200, 200, 120)};
  canvas.Rectangle(0, height - LineHeight, width, height);
  canvas.Font.Size = 12;
  canvas.Font.Color = RGB(255, 240, 160);
  canvas.TextOut(8, height - LineHeight + 4, FText);
}

void TNotice::DrawOver(TDDCanvas& canvas, const TDDSurface& back) {
  const int width = back.Width(), height = back.Height(), pitch = back.Pitch() / 2;
  const int top = std::max(0, height - Height);
  FUnder.resize(static_cast<size_t>(height - top) * width);
  for (int y = top; y < height; ++y) {
    std::memcpy(&FUnder[static_cast<size_t>(y - top) * width], back.Pixels() + static_cast<size_t>(y) * pitch,
                width * 2u);
  }
  DrawOverPicture(canvas, [&](TDDCanvas& over) { Draw(over, width, height); });
  FSerial = back.Serial();
  FVersion = back.Version();
}

std::vector<uint16_t> TNotice::PictureUnder(const TDDSurface& back) const {
  if (FUnder.empty()) return {};
  // Drawn on since: whatever the line covered is the game's again.
  if (back.Serial() != FSerial || back.Version() != FVersion) return {};
  const int width = back.Width(), height = back.Height(), pitch = back.Pitch() / 2;
  const int top = std::max(0, height - Height);
  if (FUnder.size() != static_cast<size_t>(height - top) * width) return {};
  std::vector<uint16_t> picture(static_cast<size_t>(width) * height);
  for (int y = 0; y < top; ++y) {
    std::memcpy(&picture[static_cast<size_t>(y) * width], back.Pixels() + static_cast<size_t>(y) * pitch, width * 2u);
  }
  std::copy(FUnder.begin(), FUnder.end(), picture.begin() + static_cast<ptrdiff_t>(top) * width);
  return picture;
}
