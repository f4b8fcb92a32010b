#include "app/Screenshot.h"

#include <ctime>
#include <iostream>
#include <system_error>
#include <utility>
#include <vector>

#include "app/HoldScreen.h"
#include "app/Notice.h"
#include "core/Log.h"
#include "ddraw/DDraw.h"
#include "platform/Platform.h"
#include "util/AtomicFile.h"
#include "util/PngWriter.h"
#include "util/Printable.h"
#include "util/TimeStamp.h"
#include "util/UserDirs.h"

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

std::string TakeScreenshot(const TDDSurface& back, const THoldScreen& held, const TNotice& notice) {
  const bool kept = held.Kept();
  const std::vector<uint16_t> clean = kept ? std::vector<uint16_t>() : notice.PictureUnder(back);
  const uint16_t* pixels = kept ? held.Pixels() : !clean.empty() ? clean.data() : back.Pixels();
  const int pitch = kept || !clean.empty() ? back.Width() : back.Pitch() / 2;
  std::string reason;
  const auto path =
      SaveScreenshot(UserDataDirectory() / "screenshots", pixels, back.Width(), back.Height(), pitch, &reason);
  if (!path) {
    LogWarning("screenshot not saved: " + reason);
    return "screenshot not saved: " + reason;
  }
  std::cout << "corvina: screenshot saved: " << PrintablePath(*path) << std::endl;
  PlatformFileWritten(path->string(), PlatformFileKind::Screenshot);
  return "screenshot saved: " + path->filename().string();
}
