// Screenshots get names of their own: programs saving at the same moment never take one name,
// and the path printed is harmless text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <vector>

#include "GameWindow.h"
#include "app/Screenshot.h"
#include "platform/VirtualKeys.h"
#include "util/ScratchPath.h"

namespace fs = std::filesystem;

TEST(Screenshot, ProgramsSavingAtTheSameMomentEachKeepTheirOwnPicture) {
  TScratchDirectory dir("corvina-shots-at-once");
  constexpr int Programs = 4, Shots = 25;
  const std::vector<uint16_t> pixels(16 * 16, 0x07E0);
  std::vector<pid_t> children;
  for (int p = 0; p < Programs; ++p) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      alarm(60);
      int saved = 0;
      for (int n = 0; n < Shots; ++n) saved += SaveScreenshot(dir.Path, pixels.data(), 16, 16, 16, nullptr) ? 1 : 0;
      _exit(saved == Shots ? 0 : 1);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed";
  }
  int pictures = 0;
  for (const auto& entry : fs::directory_iterator(dir.Path)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name.starts_with("corvina-") && name.ends_with(".png")) << name;
    std::ifstream in(entry.path(), std::ios::binary);
    char head[4] = {};
    in.read(head, 4);
    EXPECT_EQ(std::string(head + 1, 3), "PNG") << name;
    ++pictures;
  }
  EXPECT_EQ(pictures, Programs * Shots);
}

class ScreenshotMessage : public GameWindowTest {};

TEST_F(ScreenshotMessage, ThePathSavedOrNotIsPrintedWithItsControlBytesEscaped) {
  TScratchDirectory data("corvina-shot-names");
  const fs::path hostile = data.Path / "a\x1b]0;owned\x07";
  for (bool writable : {true, false}) {
    if (!writable) {
      fs::remove_all(hostile);
      std::ofstream(hostile) << "a file where the folder would be";
    }
    setenv("XDG_DATA_HOME", hostile.c_str(), 1);
    Start();
    BeforeFrame = [](int frame) {
      if (frame == 2) HeadlessPushKeyDownEvent(VK_SNAPSHOT);
      if (frame == 3) HeadlessPushKeyDownEvent(VK_F12);
    };
    EXPECT_EQ(Run(), 0);
    unsetenv("XDG_DATA_HOME");
    const std::string& said = writable ? Out : Err;
    EXPECT_NE(said.find(writable ? "screenshot saved: " : "screenshot not saved: cannot make "), std::string::npos)
        << said;
    EXPECT_NE(said.find("a\\x1b]0;owned\\x07"), std::string::npos) << said;
    EXPECT_EQ(said.find('\x1b'), std::string::npos);
  }
}
