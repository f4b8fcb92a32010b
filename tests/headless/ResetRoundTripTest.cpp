// One reset between runs in one process: a scenario run again after ResetProgramState, also
// after a run that left the program as unlike a fresh one as it could, gives the trace and the
// frames a fresh process gives.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Settings.h"
#include "game/ProgramState.h"
#include "headless/HeadlessRunner.h"
#include "headless/HeadlessSession.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"
#include "res/Resources.h"

namespace {

constexpr int Frames = 300;

// A golden scene, run on past its end: a selection, an order, then the persons left to wander
// and speak.
std::string Script() {
  const char* src = std::getenv("CORVINA_SOURCE_DIR");
  return (std::filesystem::path(src ? src : CORVINA_TEST_SOURCE_DIR) / "tests" / "golden" / "order.txt").string();
}

// Every trace line of the scenario, frame CRCs included.
std::vector<std::string> RunInProcess() {
  THeadlessOptions o;
  o.Frames = Frames;
  o.ScriptFile = Script();
  o.Trace = true;
  o.Hash = true;
  std::vector<std::string> lines;
  RunHeadless(o, [&](const std::string& line) { lines.push_back(line); });
  return lines;
}

std::vector<std::string> RunInFreshProcess() {
  const std::string command = std::string("'") + CORVINA_HEADLESS_PROGRAM + "' --trace --hash --frames " +
                              std::to_string(Frames) + " --script '" + Script() + "'";
  std::vector<std::string> lines;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return lines;
  std::string line;
  for (int c; (c = std::fgetc(pipe)) != EOF;) {
    if (c != '\n') {
      line += static_cast<char>(c);
    } else {
      lines.push_back(line);
      line.clear();
    }
  }
  EXPECT_EQ(::pclose(pipe), 0) << command;
  return lines;
}

// The larger screen, timing worked out from the frame rate, a key left held down and a
// resource table without the map, all left behind when the run ends.
void RunOtherwise() {
  THeadlessConfig config;
  config.HighRes = true;
  THeadlessSession session(config);
  Settings.AutoTiming = true;
  HeadlessKeyDown(VK_RIGHT);
  for (int i = 0; i < 200; ++i) {
    session.RunFrame();
    session.EndFrame();
  }
  ASSERT_NE(WalkFrame, 3) << "the run did not change the timing it should leave behind";
  SetResourceTableForTesting(std::vector<TResource>{});
}

void ExpectSameRun(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    ASSERT_EQ(actual[i], expected[i]) << "first difference at frame " << i + 1;
  }
}

TEST(ResetRoundTrip, AScenarioRunAgainAfterAResetGivesTheSameTraceAndFrames) {
  const std::vector<std::string> first = RunInProcess();
  ASSERT_EQ(first.size(), static_cast<size_t>(Frames));
  ResetProgramState();
  ExpectSameRun(RunInProcess(), first);
}

TEST(ResetRoundTrip, AfterARunWithOtherSwitchesAResetGivesTheRunOfAFreshProcess) {
  const std::vector<std::string> fresh = RunInFreshProcess();
  ASSERT_EQ(fresh.size(), static_cast<size_t>(Frames));
  RunOtherwise();
  ResetProgramState();
  ExpectSameRun(RunInProcess(), fresh);
  ResetProgramState();
}

}  // namespace
