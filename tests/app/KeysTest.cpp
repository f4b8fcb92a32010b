// Keys every keyboard has, on the real game: Esc closes the panels without reaching the game, the
// main row's "=" and "-" raise and lower cells as the keypad's do, and F9 saves a screenshot as
// Print Screen does, saying so on the picture but not in the file.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "GameWindow.h"
#include "platform/VirtualKeys.h"
#include "util/ScratchPath.h"

namespace fs = std::filesystem;

namespace {

class Keys : public GameWindowTest {};

// Red, green and blue of the pixel at (x, y) of a PNG file; empty when it cannot be read.
std::vector<int> PngPixel(const fs::path& file, int x, int y) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
  const size_t at = (static_cast<size_t>(y) * image.width + x) * 3;
  return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

}  // namespace

TEST_F(Keys, EscClosesTheHelpAndThePauseAndTheGameGoesOn) {
  BeforeFrame = [](int frame) {
    // As a desktop delivers it: the key latched for the game and its event for the window.
    const auto press = [](int vk) {
      HeadlessKeyTap(vk);
      HeadlessPushKeyDownEvent(vk);
    };
    if (frame == 2) {
      HeadlessPushKeyDownEvent(VK_F1);
      press(VK_ESCAPE);
    }
    if (frame == 4) {
      HeadlessPushKeyDownEvent(VK_PAUSE);
      press(VK_ESCAPE);
    }
    if (frame == 8) HeadlessPushKeyDownEvent(VK_F12);
  };
  EXPECT_EQ(Run(), 0) << Err;
  EXPECT_EQ(Frame, 8) << "a panel was left open, or Esc reached the game";
  EXPECT_EQ(Window->Hold(), THold::None);
  EXPECT_FALSE(CloseRequested);
}

TEST_F(Keys, TheMainRowsEqualsAndMinusRaiseAndLowerTheCellAsTheKeypadDoes) {
  std::vector<uint8_t> before;
  std::vector<std::vector<uint8_t>> after;
  const auto heights = [] {
    std::vector<uint8_t> all;
    for (int y = 0; y < MapSize; ++y) {
      for (int x = 0; x < MapSize; ++x) all.push_back(static_cast<uint8_t>(World->FMap->GetCell(CellHeight, x, y)));
    }
    return all;
  };
  BeforeFrame = [&](int frame) {
    if (frame == 2) HeadlessSetCursor({420, 200});
    if (frame == 4) before = heights();
    const int keys[] = {VK_ADD, VK_OEM_PLUS, VK_OEM_MINUS, VK_SUBTRACT};
    if (frame >= 4 && frame < 12 && frame % 2 == 0) HeadlessKeyTap(keys[(frame - 4) / 2]);
    if (frame > 5 && frame % 2 == 1) after.push_back(heights());
    if (frame == 13) HeadlessPushKeyDownEvent(VK_F12);
  };
  EXPECT_EQ(Run(), 0) << Err;
  ASSERT_EQ(after.size(), 4u);
  // The one cell under the pointer, up two and down two.
  const auto cell = std::mismatch(before.begin(), before.end(), after[0].begin()).first - before.begin();
  ASSERT_LT(cell, static_cast<long>(before.size())) << "the keypad's + changed no cell";
  const int h = before[static_cast<size_t>(cell)];
  ASSERT_LE(h, 7);
  std::vector<int> seen;
  for (const auto& step : after) seen.push_back(step[static_cast<size_t>(cell)]);
  EXPECT_EQ(seen, std::vector<int>({h + 1, h + 2, h + 1, h}));
  EXPECT_EQ(after.back(), before) << "no other cell changed";
}

TEST_F(Keys, F9SavesAScreenshotAsPrintScreenDoesAndTheNoticeStaysOutOfTheFile) {
  TScratchDirectory data("corvina-f9");
  setenv("XDG_DATA_HOME", data.Path.c_str(), 1);
  std::vector<std::string> notices;
  std::vector<uint16_t> shownCorner;
  BeforeFrame = [&](int frame) {
    // The second screenshot is taken while the first one's notice is on the picture.
    if (frame == 2) HeadlessPushKeyDownEvent(VK_SNAPSHOT);
    if (frame == 4) HeadlessPushKeyDownEvent(VK_F9);
    if (frame == 4 || frame == 6) {
      notices.push_back(Window->Notice().Visible(PlatformTicks()) ? Window->Notice().Text() : "");
      const THeadlessFrame& shown = HeadlessLastFrame();
      shownCorner.push_back(shown.Pixels[static_cast<size_t>(shown.Height - 12) * shown.Width + 2]);
    }
    if (frame == 7) HeadlessPushKeyDownEvent(VK_F12);
  };
  EXPECT_EQ(Run(), 0) << Err;
  unsetenv("XDG_DATA_HOME");
  std::vector<fs::path> shots;
  for (const auto& entry : fs::directory_iterator(data.Path / "corvina" / "screenshots")) shots.push_back(entry.path());
  ASSERT_EQ(shots.size(), 2u) << Out << Err;
  ASSERT_EQ(notices.size(), 2u);
  // Both shown by name, on the notice line of the picture.
  const uint16_t noticeGround = (2 << 11) | (6 << 5) | 5;  // RGB(16, 24, 40) in 5-6-5
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_NE(Out.find("corvina: screenshot saved: " + shots[i].string()), std::string::npos) << Out;
    EXPECT_EQ(shownCorner[i], noticeGround) << "shot " << i;
  }
  std::vector<std::string> named = {"screenshot saved: " + shots[0].filename().string(),
                                    "screenshot saved: " + shots[1].filename().string()};
  std::sort(named.begin(), named.end());
  std::sort(notices.begin(), notices.end());
  EXPECT_EQ(notices, named);
  for (const auto& shot : shots) {
    EXPECT_NE(PngPixel(shot, 2, 480 - 12), std::vector<int>({16, 24, 41})) << shot << ": the notice is in the file";
  }
}
