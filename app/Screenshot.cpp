#include "app/Screenshot.h"

#include <ctime>
#include <system_error>

#include "util/AtomicFile.h"
#include "util/PngWriter.h"
#include "util/Printable.h"

std::string ScreenshotStem(int64_t when) {
  const std::time_t t = static_cast<std::time_t>(when);
  std::tm local{};
  localtime_r(&t, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  return std::string("corvina-") + stamp;
}

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
