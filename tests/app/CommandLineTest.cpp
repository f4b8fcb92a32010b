// Command-line switches: each override, the scale's validation and the early exits.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "app/CommandLine.h"

namespace {

class CommandLineTest : public ::testing::Test {
 protected:
  // Shipped values chosen so every switch visibly changes something.
  TSettings Shipped{true, false, false, true, true, false, true, true};

  TCommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args, Shipped); }
};

TEST_F(CommandLineTest, NoArgumentsKeepsTheShippedSwitches) {
  TCommandLine line = Parse({});
  EXPECT_EQ(line.Action, TCommandLine::TAction::Run);
  EXPECT_EQ(line.Scale, 1);
  EXPECT_FALSE(line.NoDialog);
  EXPECT_TRUE(line.Switches.FullScreen);
  EXPECT_FALSE(line.Switches.SoundOn);
  EXPECT_TRUE(line.Switches.UseResources);
}

TEST_F(CommandLineTest, EachSwitchSetsItsOwnFieldOnly) {
  struct Case {
    const char* Arg;
    bool TSettings::*Field;
    bool Expected;
  };
  const Case cases[] = {
      {"--windowed", &TSettings::FullScreen, false},       {"--high-res", &TSettings::HighRes, true},
      {"--auto-timing", &TSettings::AutoTiming, true},     {"--no-overlay", &TSettings::ShowOverlay, false},
      {"--video-memory", &TSettings::SystemMemory, false}, {"--sound", &TSettings::SoundOn, true},
      {"--no-map-editing", &TSettings::MapEditing, false}, {"--use-files", &TSettings::UseResources, false},
  };
  for (const Case& c : cases) {
    TCommandLine line = Parse({c.Arg});
    ASSERT_EQ(line.Action, TCommandLine::TAction::Run) << c.Arg;
    EXPECT_EQ(line.Switches.*c.Field, c.Expected) << c.Arg;
    TSettings expected = Shipped;
    expected.*c.Field = c.Expected;
    EXPECT_EQ(0, std::memcmp(&expected, &line.Switches, sizeof(TSettings))) << c.Arg << " changed another switch";
  }
}

TEST_F(CommandLineTest, TheLaterOfTwoOpposedSwitchesWins) {
  Shipped.FullScreen = false;
  Shipped.SystemMemory = false;
  EXPECT_TRUE(Parse({"--fullscreen"}).Switches.FullScreen);
  EXPECT_FALSE(Parse({"--fullscreen", "--windowed"}).Switches.FullScreen);
  EXPECT_TRUE(Parse({"--video-memory", "--system-memory"}).Switches.SystemMemory);
}

TEST_F(CommandLineTest, NoDialogIsRemembered) { EXPECT_TRUE(Parse({"--no-dialog"}).NoDialog); }

TEST_F(CommandLineTest, ScaleTakesAWholeNumberInRangeInEitherSpelling) {
  EXPECT_EQ(Parse({"--scale", "2"}).Scale, 2);
  EXPECT_EQ(Parse({"--scale=3"}).Scale, 3);
  EXPECT_EQ(Parse({"--scale", "1"}).Scale, 1);
  EXPECT_EQ(Parse({"--scale", std::to_string(MaxWindowScale)}).Scale, MaxWindowScale);
}

TEST_F(CommandLineTest, ScaleRefusesZeroTooLargeNegativeAndNonNumbers) {
  for (const char* bad : {"0", "9", "-1", "abc", "2x", "", "1.5", "99999999999"}) {
    TCommandLine line = Parse({"--scale", bad});
    EXPECT_EQ(line.Action, TCommandLine::TAction::Error) << "'" << bad << "'";
  }
}

TEST_F(CommandLineTest, ScaleWithoutAValueIsAnError) {
  TCommandLine line = Parse({"--windowed", "--scale"});
  EXPECT_EQ(line.Action, TCommandLine::TAction::Error);
  EXPECT_NE(line.Error.find("--scale"), std::string::npos);
}

TEST_F(CommandLineTest, UnknownOptionsAndStrayWordsAreErrorsNamingThem) {
  for (const char* bad : {"--bogus", "-x", "windowed", "--Windowed", "--windowed=1"}) {
    TCommandLine line = Parse({bad});
    EXPECT_EQ(line.Action, TCommandLine::TAction::Error) << bad;
    EXPECT_NE(line.Error.find(bad), std::string::npos) << line.Error;
  }
}

TEST_F(CommandLineTest, HelpAndVersionStopParsingWhereverTheyStand) {
  EXPECT_EQ(Parse({"--windowed", "--help"}).Action, TCommandLine::TAction::Help);
  EXPECT_EQ(Parse({"-h"}).Action, TCommandLine::TAction::Help);
  EXPECT_EQ(Parse({"--version", "--bogus"}).Action, TCommandLine::TAction::Version);
}

class CommandLineExitTest : public CommandLineTest {
 protected:
  std::optional<int> Exit(std::vector<std::string> args) {
    return CommandLineExitStatus(Parse(std::move(args)), "corvina", "1.2.3", Out, Err);
  }
  std::ostringstream Out;
  std::ostringstream Err;
};

TEST_F(CommandLineExitTest, AnUnknownOptionExitsWithStatusTwoAndAHintOnStandardError) {
  EXPECT_EQ(Exit({"--bogus"}), 2);
  EXPECT_TRUE(Out.str().empty());
  EXPECT_NE(Err.str().find("unknown option '--bogus'"), std::string::npos);
  EXPECT_NE(Err.str().find("--help"), std::string::npos);
}

TEST_F(CommandLineExitTest, HelpListsEverySwitchOnStandardOutputAndExitsZero) {
  EXPECT_EQ(Exit({"--help"}), 0);
  for (const char* name :
       {"--fullscreen", "--windowed", "--high-res", "--auto-timing", "--no-overlay", "--system-memory",
        "--video-memory", "--sound", "--no-map-editing", "--use-files", "--scale N", "--no-dialog", "--version", "F12",
        "F2", "--map FILE", "--record FILE", "--replay FILE"}) {
    EXPECT_NE(Out.str().find(name), std::string::npos) << name;
  }
  EXPECT_TRUE(Err.str().empty());
}

TEST_F(CommandLineExitTest, VersionPrintsTheProgramAndItsVersion) {
  EXPECT_EQ(Exit({"--version"}), 0);
  EXPECT_EQ(Out.str(), "corvina 1.2.3\n");
}

TEST_F(CommandLineExitTest, ARunnableCommandLineDoesNotExit) {
  EXPECT_EQ(Exit({"--windowed", "--scale", "2"}), std::nullopt);
  EXPECT_TRUE(Out.str().empty());
  EXPECT_TRUE(Err.str().empty());
}

TEST_F(CommandLineTest, DesktopSwitchesTakeTheirValuesAndStateTheirRanges) {
  EXPECT_EQ(Parse({"-V"}).Action, TCommandLine::TAction::Version);
  const TCommandLine line = Parse({"--integer-scale", "--fps", "0", "--verbose"});
  EXPECT_TRUE(line.IntegerScale);
  EXPECT_EQ(line.FramesPerSecond, 0);
  EXPECT_TRUE(line.Verbose);
  EXPECT_EQ(Parse({}).FramesPerSecond, 60);
  EXPECT_EQ(Parse({"--fps=144"}).FramesPerSecond, 144);
  const TCommandLine bad = Parse({"--fps", "1001"});
  EXPECT_EQ(bad.Action, TCommandLine::TAction::Error);
  EXPECT_NE(bad.Error.find("0 to 1000"), std::string::npos) << bad.Error;
}

TEST_F(CommandLineTest, FileSwitchesTakeTheirFilesAndRecordAndReplayExcludeEachOther) {
  const TCommandLine line = Parse({"--map", "my map.dat", "--record=rec.txt"});
  ASSERT_EQ(line.Action, TCommandLine::TAction::Run) << line.Error;
  EXPECT_EQ(line.MapFile, "my map.dat");
  EXPECT_EQ(line.RecordFile, "rec.txt");
  EXPECT_EQ(Parse({"--replay", "rec.txt"}).ReplayFile, "rec.txt");
  EXPECT_EQ(Parse({"--map"}).Error, "--map needs a file");
  EXPECT_EQ(Parse({"--record="}).Error, "--record needs a file");
  EXPECT_EQ(Parse({"--record", "a", "--replay", "b"}).Error, "--record and --replay cannot go together");
}

}  // namespace
