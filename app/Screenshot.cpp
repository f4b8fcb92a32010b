#include "app/Screenshot.h"

#include <ctime>
#include <system_error>

#include "util/PngWriter.h"

std::filesystem::path ScreenshotPath(const std::filesystem::path& folder, int64_t when) {
  const std::time_t t = static_cast<std::time_t>(when);
  std::tm local{};
  localtime_r(&t, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string stem = std::string("corvina-") + stamp;
  std::filesystem::path path = folder / (stem + ".png");
  std::error_code ec;
  for (int n = 2; std::filesystem::exists(path, ec); ++n) path = folder / (stem + "-" + std::to_string(n) + ".png");
  return path;
}

std::optional<std::filesystem::path> SaveScreenshot(const std::filesystem::path& folder, const uint16_t* pixels,
                                                    int width, int height, int pitchPixels, std::string* reason) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    if (reason) *reason = "cannot make " + folder.string() + ": " + ec.message();
    return std::nullopt;
  }
  const std::filesystem::path path = ScreenshotPath(folder, std::time(nullptr));
  if (!WritePng565(path.string(), width, height, pixels, pitchPixels, reason)) return std::nullopt;
  return path;
}
