// The settings file: every choice comes back through it, and it keeps the player's own lines;
// damage is warned about by file and line and costs only that key. The choices made in the game,
// the hint, a switch and --reset-settings are held by tests/e2e/run_settings_e2e.py.
#include <gtest/gtest.h>

#include <string>

#include "app/UserSettings.h"
#include "core/Log.h"
#include "core/Settings.h"

namespace {

TUserChoices Defaults() { return ShippedChoices(ShippedSettings()); }

TUserChoices Changed() {
  TUserChoices c = Defaults();
  c.FullScreen = !c.FullScreen;
  c.WindowWidth = 1000;
  c.WindowHeight = 700;
  c.IntegerScale = true;
  c.ShowOverlay = !c.ShowOverlay;
  c.SoundOn = !c.SoundOn;
  c.Mute = true;
  c.Volume = 35;
  c.HintSeen = true;
  return c;
}

}  // namespace

TEST(UserChoicesTest, EveryChoiceComesBackThroughTheFileWithThePlayersOwnLinesKept) {
  TLogCapture log;
  const std::string fresh = FormatUserChoices(Changed(), "");
  EXPECT_EQ(ParseUserChoices(fresh, "f", Defaults()), Changed()) << fresh;
  EXPECT_EQ(ParseUserChoices(FormatUserChoices(Defaults(), ""), "f", Changed()), Defaults());
  EXPECT_TRUE(log.Lines().empty()) << "the program's own file warned about";

  // A file the player edited: comments, a line of their own, a key twice, keys in their order.
  const std::string edited = "# mine\nvolume = 80\nfavourite = blue\n\n# also mine\nfullscreen = yes\nvolume = 90\n";
  const std::string kept = FormatUserChoices(Changed(), edited);
  EXPECT_EQ(kept.rfind("# mine\nvolume = 35\nfavourite = blue\n\n# also mine\nfullscreen = no\n", 0), 0u) << kept;
  EXPECT_EQ(kept.find("volume = 90"), std::string::npos) << "a key's later line kept beside its value";
  EXPECT_EQ(ParseUserChoices(kept, "f", Defaults()), Changed()) << kept;
  EXPECT_EQ(log.Count("unknown setting 'favourite'"), 1);
}

TEST(UserChoicesTest, ABadLineIsWarnedAboutByFileAndLineAndLeavesOnlyItsKeyAtTheDefault) {
  TLogCapture log;
  const TUserChoices read = ParseUserChoices(
      "overlay = no\nvolume = 50\nvolume = 101\r\nwindow = 10x\nno equals here\n  scale=integer  \nmute = maybe\n",
      "/x/corvina.conf", Defaults());
  TUserChoices want = Defaults();
  want.ShowOverlay = false;  // good lines before and after the bad ones count
  want.IntegerScale = true;
  EXPECT_EQ(read, want) << "a bad value must give its key's default, not an earlier line's";
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                             "corvina: /x/corvina.conf:3: volume takes 0 to 100, not '101'; using 100",
                             "corvina: /x/corvina.conf:4: window takes WIDTHxHEIGHT, not '10x'; using 0x0",
                             "corvina: /x/corvina.conf:5: 'no equals here' is no 'key = value' line; ignored",
                             "corvina: /x/corvina.conf:7: mute takes yes or no, not 'maybe'; using no",
                         }));

  // Binary garbage: a few lines said, the rest counted, nothing read.
  TLogCapture flood;
  std::string garbage = std::string(2000, '\n') + std::string(300, '\x01') + "\n\xff\n\x80=\x80\n";
  for (int i = 0; i < 5; ++i) garbage += "\x1b[2J\n";
  EXPECT_EQ(ParseUserChoices(garbage, "f", Defaults()), Defaults());
  EXPECT_EQ(flood.Lines().size(), 6u);
  EXPECT_EQ(flood.Count("f:2001: '"), 1);
  EXPECT_EQ(flood.Count("\x1b"), 0) << "the file's bytes echoed raw";
  EXPECT_EQ(flood.Count("more lines ignored"), 1);
}
