#include "app/Screenshot.h"

#include <ctime>
#include <system_error>

#include "util/AtomicFile.h"
#include "util/PngWriter.h"
#include "util/Printable.h"
#include "util/TimeStamp.h"

std::string ScreenshotStem(int64_t when) { return "corvina-" + LocalTimeStamp(when); }

std::optional<std::filesystem::path> SaveScreenshot(const std::filesystem::path& folder, const uint16_t* pixels,
                                                    int width, int height, int pitchPixels, std::string* reason) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    if (reason) *reason = "cannot make " + PrintablePath(folder) + ": " + ec.message();
    return std::nullopt;
  }
  const std::vector<uint8_t> png = EncodePng(width, height, Rgb565ToRgb24(width, height, pixels, pitchPixels));
  if (png.empty()) {
    if (reason) *reason = "the picture could not be encoded";
    return std::nullopt;
  }
  return WriteNewFileAtomically(folder, ScreenshotStem(std::time(nullptr)), ".png", png, reason);
}
