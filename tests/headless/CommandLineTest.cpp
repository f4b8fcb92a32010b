// The command lines of corvina-headless and corvina-soak: every bad value is refused naming
// itself and the range it must lie in, before anything runs.
#include <gtest/gtest.h>

#include "headless/HeadlessOptions.h"
#include "headless/Soak.h"

namespace {

// argv for the parsers: the program's name, then `args`.
class Argv {
 public:
  Argv(std::initializer_list<std::string> args) : FWords{"program"} {
    FWords.insert(FWords.end(), args.begin(), args.end());
    for (auto& w : FWords) FPointers.push_back(w.data());
  }
  int Count() { return static_cast<int>(FPointers.size()); }
  char** Values() { return FPointers.data(); }

 private:
  std::vector<std::string> FWords;
  std::vector<char*> FPointers;
};

std::string HeadlessError(std::initializer_list<std::string> args) {
  Argv argv(args);
  THeadlessOptions o;
  std::string error;
  EXPECT_FALSE(ParseHeadlessOptions(argv.Count(), argv.Values(), o, error)) << "accepted";
  return error;
}

std::string SoakError(std::initializer_list<std::string> args) {
  Argv argv(args);
  TSoakOptions o;
  bool help = false;
  std::string error;
  EXPECT_FALSE(ParseSoakOptions(argv.Count(), argv.Values(), o, help, error)) << "accepted";
  return error;
}

}  // namespace

TEST(HeadlessCommandLine, EveryNumberStatesItsRangeAndTheValueGiven) {
  EXPECT_EQ(HeadlessError({"--frames", "100000001"}),
            "--frames needs a whole number from 0 to 100000000, not '100000001'");
  EXPECT_EQ(HeadlessError({"--step-ms", "-1"}), "--step-ms needs a whole number from 0 to 60000, not '-1'");
  EXPECT_EQ(HeadlessError({"--png", "0:a.png"}), "--png FRAME needs a whole number from 1 to 100000000, not '0'");
  EXPECT_EQ(HeadlessError({"--png", "a.png"}), "--png needs FRAME:FILE, not 'a.png'");
  EXPECT_EQ(HeadlessError({"--frames"}), "--frames needs a value");
  EXPECT_EQ(HeadlessError({"--fast\x1b]0;x\x07"}), "unknown option '--fast\\x1b]0;x\\x07'");
}

TEST(HeadlessCommandLine, AFrameThePictureRunNeverReachesIsRefusedWhereverTheSwitchesStand) {
  EXPECT_EQ(HeadlessError({"--png", "9:x.png", "--frames", "5"}),
            "--png 9:x.png asks for frame 9, but the run has 5 frames");
  EXPECT_EQ(HeadlessError({"--png", "61:x.png"}), "--png 61:x.png asks for frame 61, but the run has 60 frames");
  Argv last({"--frames", "5", "--png", "5:x.png"});
  THeadlessOptions o;
  std::string error;
  EXPECT_TRUE(ParseHeadlessOptions(last.Count(), last.Values(), o, error)) << error;
}

TEST(SoakCommandLine, HelpIsAskedForAndEveryBadWordNamesItself) {
  Argv argv({"--seed", "4294967295", "--frames", "7", "--help"});
  TSoakOptions o;
  bool help = false;
  std::string error;
  ASSERT_TRUE(ParseSoakOptions(argv.Count(), argv.Values(), o, help, error)) << error;
  EXPECT_TRUE(help);
  EXPECT_EQ(o.Seed, 4294967295u);
  EXPECT_EQ(o.Frames, 7);
  EXPECT_EQ(SoakError({"--seed", "4294967296"}), "--seed needs a whole number from 0 to 4294967295, not '4294967296'");
  EXPECT_EQ(SoakError({"--frames", "-5"}), "--frames needs a whole number from 0 to 1000000000, not '-5'");
  EXPECT_EQ(SoakError({"--seed"}), "--seed needs a value");
  EXPECT_EQ(SoakError({"--fast"}), "unknown option '--fast'");
}
