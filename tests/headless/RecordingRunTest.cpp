// The runner given a recording: it runs the recording's length under the recording's switches,
// whatever the command line says, and refuses (status 2) what it cannot honour.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "core/Settings.h"
#include "game/ProgramState.h"
#include "game/World.h"
#include "headless/HeadlessRunner.h"
#include "record/Recording.h"
#include "util/ScratchPath.h"

namespace {

class RecordingRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    OwnMap = MapCrc(*LoadGameMap());
  }
  void TearDown() override { ResetProgramState(); }

  // The runner on `text`: its status, or the refusal's text.
  std::string Run(const std::string& text, THeadlessOptions o, std::vector<std::string>* trace = nullptr) {
    std::ofstream(Path, std::ios::trunc) << text;
    o.ScriptFile = Path.string();
    try {
      std::string verdict;
      const auto keep = [trace](const std::string& line) {
        if (trace) trace->push_back(line);
      };
      return std::to_string(RunHeadless(o, keep, &verdict));
    } catch (const THeadlessRefusal& e) {
      return e.what();
    }
  }

  // Whether the runner takes `text` as a run: "runs", or the refusal's text. Nothing is run.
  std::string Prepared(const std::string& text, THeadlessOptions o) {
    std::ofstream(Path, std::ios::trunc) << text;
    o.ScriptFile = Path.string();
    try {
      THeadlessRun run(o);
      return "runs";
    } catch (const THeadlessRefusal& e) {
      return e.what();
    }
  }

  uint32_t OwnMap = 0;
  TScratchDirectory Dir{"corvina-recording-run"};
  std::filesystem::path Path = Dir.Path / "rec.txt";
};

}  // namespace

TEST_F(RecordingRun, RunsItsOwnLengthUnderItsOwnSwitches) {
  TRecordedSwitches switches;
  switches.HighRes = true;
  const std::string text = RecordingHeader(switches, 500, OwnMap) + "1 clock 500\n2 clock 530\n3 clock 560\n";
  THeadlessOptions o;
  o.Trace = true;
  o.HighRes = false;
  std::vector<std::string> trace;
  EXPECT_EQ(Run(text, o, &trace), "0");
  ASSERT_EQ(trace.size(), 3u) << "not the 60 frames of a plain script";
  EXPECT_NE(trace[2].find("\"tick\":560"), std::string::npos) << trace[2];
  EXPECT_EQ(ScreenWidth, 800) << "the recording's --high-res wins";
  o.Frames = 2;
  o.FramesGiven = true;
  trace.clear();
  EXPECT_EQ(Run(text, o, &trace), "0");
  EXPECT_EQ(trace.size(), 2u);
}

TEST_F(RecordingRun, RefusesWhatItCannotHonour) {
  THeadlessOptions verify;
  verify.Verify = true;
  const std::string rec = Path.string();
  EXPECT_EQ(Run("1 down VK_LEFT\n", verify), rec + " is not a recording: its first line is not '# corvina recording'");
  EXPECT_EQ(Run(RecordingHeader({}, 0, OwnMap) + "1 clock 0\n", verify),
            rec + " has no end line: the recording did not end cleanly");
  char crcs[64];
  std::snprintf(crcs, sizeof crcs, " (its CRC is %08x, the recording's %08x)", OwnMap, OwnMap ^ 1);
  EXPECT_EQ(Run(RecordingHeader({}, 0, OwnMap ^ 1), {}),
            "cannot replay " + rec + ": the map the program plays on is not the map the recording started on" + crcs);
  TRecordedSwitches elsewhere;
  elsewhere.MapFile = (Dir.Path / "gone.dat").string();
  EXPECT_EQ(Run(RecordingHeader(elsewhere, 0, OwnMap), {}),
            "cannot replay " + rec + ": " + elsewhere.MapFile +
                ", the recording's map, cannot be opened (No such file or directory)");
  EXPECT_EQ(Run("# corvina recording\n# switches: --sound\n", {}),
            rec + ": line 2: the recording asks for '--sound', which this program cannot honour");
}

// The recorder writes a clock line first in every frame, so a recording holds frames 1 to N in
// turn and ends at N: an end line past what the file holds is refused before a frame runs
// (a file of 142 bytes claiming 100000000 frames would run for hours).
TEST_F(RecordingRun, FramesTheFileCannotHoldAreRefusedNamingTheLine) {
  const std::string head = RecordingHeader({}, 0, OwnMap);  // four lines, the made-by line last
  const std::string persons = " map=00000000 p1=0,0,0 p2=0,0,0 p3=0,0,0 p4=0,0,0\n";
  const std::string rec = Path.string() + ": ";
  THeadlessOptions verify;
  verify.Verify = true;
  const std::string huge = head + "1 clock 0\n# end frame=100000000" + persons;
  EXPECT_EQ(Prepared(huge, verify),
            rec + "line 6: the end line says 100000000 frames, but the recording holds clock lines for 1");
  EXPECT_EQ(Prepared(huge, {}), Prepared(huge, verify)) << "a replay without --verify runs as long";
  EXPECT_EQ(Prepared(head + "1 clock 0\n3 clock 32\n# end frame=3" + persons, verify),
            rec + "line 6: frame 3's clock line follows frame 1's; a recording has one for every frame in turn");
  EXPECT_EQ(Prepared(head + "1 clock 0\n2 down VK_LEFT\n2 clock 16\n# end frame=2" + persons, verify),
            rec + "line 6: an event of frame 2 before that frame's clock line");
  EXPECT_EQ(Prepared(head + "1 clock 0\n2 clock 16\n# end frame=1" + persons, verify),
            rec + "line 7: the end line says 1 frames, but the recording holds clock lines for 2");
  EXPECT_EQ(Prepared(head + "# end frame=0" + persons, verify), "runs") << "a recording of no frame";
  EXPECT_EQ(Prepared(head + "1 clock 0\n1 down VK_LEFT\n2 clock 16\n# end frame=2" + persons, verify), "runs");
  EXPECT_EQ(Prepared(head + "1 clock 0\n2 clock 16\n", {}), "runs") << "no end: the events say how long";
}
