// Print Screen: the game's own picture (the back buffer at its own size) as a PNG file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

class TDDSurface;
class THoldScreen;
class TNotice;

// The name, without its extension, of a screenshot taken at `when` (seconds since the epoch,
// local time): "corvina-YYYYMMDD-HHMMSS".
std::string ScreenshotStem(int64_t when);

// Writes the 5-6-5 picture into `folder` (made when missing) as ScreenshotStem(now).png, or with
// "-2", "-3", … added when that name is taken, by this program or another at the same moment.
// The file written, or nothing with the reason in *reason.
std::optional<std::filesystem::path> SaveScreenshot(const std::filesystem::path& folder, const uint16_t* pixels,
                                                    int width, int height, int pitchPixels, std::string* reason);

// F9 or Print Screen: the game's picture (the held one, or the back buffer's without the notice
// over it) saved into the user's screenshots folder, said on the console (a failure as a
// warning) and to the platform. The notice line that says it.
std::string TakeScreenshot(const TDDSurface& back, const THoldScreen& held, const TNotice& notice);
