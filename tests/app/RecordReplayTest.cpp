// A session recorded by the program replays to the same end: headless with --verify, and on
// the program's own window with the same last picture. The session holds keys, sweeps a
// selection, orders a walk, edits the map, pauses, toggles the overlay and loses the focus.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "GameWindow.h"
#include "app/Session.h"
#include "core/Settings.h"
#include "game/World.h"
#include "headless/HeadlessRunner.h"
#include "platform/GameInput.h"
#include "platform/VirtualKeys.h"
#include "util/ScratchPath.h"

namespace {

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RecordReplay : public GameWindowTest {
 protected:
  // Runs the headless runner on the recording; its status, the verdict and the last trace line.
  int Verify(std::string* verdict, std::string* last = nullptr) {
    THeadlessOptions o;
    o.ScriptFile = Path.string();
    o.Verify = true;
    o.Trace = last != nullptr;
    o.Hash = true;
    return RunHeadless(
        o,
        [last](const std::string& line) {
          if (last) *last = line;
        },
        verdict);
  }

  // corvina-headless --verify's status: 2 for a refusal (its reason in *verdict), 1 for a failure.
  int VerifyStatus(std::string* verdict) {
    try {
      return Verify(verdict);
    } catch (const THeadlessRefusal& e) {
      *verdict = e.what();
      return 2;
    } catch (const std::exception& e) {
      *verdict = e.what();
      return 1;
    }
  }

  TScratchDirectory Dir{"corvina-record-replay"};
  std::filesystem::path Path = Dir.Path / "session.txt";
};

}  // namespace

TEST_F(RecordReplay, ARecordedSessionReplaysHeadlessAndOnScreenToTheSameEnd) {
  TCommandLine line;
  line.RecordFile = Path.string();
  ASSERT_EQ(PrepareSession(line, *Window, std::cerr), std::nullopt);
  BeforeFrame = [](int frame) {
    switch (frame) {
      case 2:
        HeadlessSetCursor({330, 250});
        HeadlessKeyDown(VK_UP);
        break;
      case 14: HeadlessKeyUp(VK_UP); break;
      case 20:
        HeadlessSetCursor({280, 170});
        HeadlessKeyDown(VK_LBUTTON);
        break;
      case 24: HeadlessSetCursor({390, 310}); break;
      case 27: HeadlessKeyUp(VK_LBUTTON); break;
      case 33:
        HeadlessSetCursor({200, 300});
        HeadlessKeyTap(VK_RBUTTON);
        break;
      case 50:
        HeadlessSetCursor({420, 200});
        HeadlessKeyTap(VK_ADD);
        HeadlessKeyDown('5');
        break;
      case 53: HeadlessKeyUp('5'); break;
      case 58:  // a key the pause takes, and the pause itself
        HeadlessKeyTap(VK_INSERT);
        HeadlessPushKeyDownEvent(VK_PAUSE);
        HeadlessPushKeyDownEvent(VK_PAUSE);
        break;
      case 64: HeadlessPushKeyDownEvent(VK_F3); break;
      case 70:
        HeadlessSetFocus(false);
        HeadlessKeyDown(VK_DOWN);
        break;
      case 76: HeadlessSetFocus(true); break;
      case 90: HeadlessPushKeyDownEvent(VK_F12); break;
    }
  };
  ASSERT_EQ(Run(), 0) << Err;
  ASSERT_EQ(Frame, 90);
  const std::string recording = Read(Path);
  for (const char* line : {"\n3 down VK_UP\n", "\n34 tap VK_RBUTTON\n", "\n59 recount\n", "\n65 overlay 0\n",
                           "\n71 focus 0\n", "\n77 focus 1\n", "\n# end frame=90 "}) {
    EXPECT_NE(recording.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(recording.find("VK_INSERT"), std::string::npos) << "the pause took it before the game saw it";
  EXPECT_EQ(recording.find("# map-data"), std::string::npos) << "the program's own map is not copied";

  std::string verdict, last;
  EXPECT_EQ(Verify(&verdict, &last), 0) << verdict;
  EXPECT_EQ(verdict, Path.string() + ": 90 frames replayed; the end is as recorded");
  const std::string picture = last.substr(last.find("\"frame_crc\":\"") + 13, 8);

  // On the window: its own input ignored but for ending and pausing.
  ResetProgramState();
  Start(40);
  line = TCommandLine{};
  line.ReplayFile = Path.string();
  ASSERT_EQ(PrepareSession(line, *Window, std::cerr), std::nullopt);
  BeforeFrame = [](int frame) {
    if (frame == 10) HeadlessPushKeyDownEvent(VK_F3);
    if (frame == 11) HeadlessPushKeyDownEvent(VK_INSERT);
    if (frame == 12) HeadlessPushKeyDownEvent(VK_F2);
  };
  EXPECT_EQ(Run(), 0) << Err;
  EXPECT_EQ(Frame, 90);
  EXPECT_NE(Out.find("replayed 90 frames; the end is as recorded; last picture " + picture), std::string::npos)
      << Out << Err;
  EXPECT_EQ(Out.find("map saved"), std::string::npos);

  // A replay that ends elsewhere names the first difference.
  std::string changed = recording;
  const size_t p1 = changed.find(" p1=");
  changed.replace(p1, 5, " p1=9");
  std::ofstream(Path, std::ios::trunc) << changed;
  EXPECT_EQ(Verify(&verdict), 1);
  EXPECT_NE(verdict.find("the replay differs from the recording: person 1's cell: recorded (9"), std::string::npos)
      << verdict;
}

// A disk that fills up cuts a recording anywhere. What is left is never judged to differ: it
// cannot be replayed (status 2, saying why), unless the cut took only the last line end.
TEST_F(RecordReplay, ARecordingCutAnywhereInItsLast200BytesIsRefusedNeverJudged) {
  TCommandLine line;
  line.RecordFile = Path.string();
  ASSERT_EQ(PrepareSession(line, *Window, std::cerr), std::nullopt);
  BeforeFrame = [](int frame) {
    if (frame == 2) HeadlessKeyDown(VK_RIGHT);
    if (frame == 9) HeadlessSetCursor({123, 45});
    if (frame == 21) HeadlessKeyUp(VK_RIGHT);
    if (frame == 30) HeadlessPushKeyDownEvent(VK_F12);
  };
  ASSERT_EQ(Run(), 0) << Err;
  const std::string recording = Read(Path);
  ASSERT_GT(recording.size(), 200u);
  const size_t endLine = recording.rfind("# end ");
  for (size_t size = recording.size() - 200; size < recording.size(); ++size) {
    const std::string cut = recording.substr(0, size);
    std::ofstream(Path, std::ios::trunc | std::ios::binary) << cut;
    std::string verdict;
    const int status = VerifyStatus(&verdict);
    if (size == recording.size() - 1) {
      EXPECT_EQ(status, 0) << "an intact end line without its line end: " << verdict;
      continue;
    }
    EXPECT_EQ(status, 2) << "cut at " << size << ": " << verdict;
    EXPECT_NE(verdict.find(cut.back() == '\n' ? "has no end line" : "is cut short"), std::string::npos)
        << "cut at " << size << ": " << verdict;
    // The page asks before it replays, and refuses with the same words.
    EXPECT_EQ(ReplayRefusal(Path.string()).value_or("(accepted)"), verdict) << "cut at " << size;

    // The program's own replay: refused before the window, or, cut between two lines, played
    // and then not judged.
    ResetProgramState();
    Start();
    TCommandLine replay;
    replay.ReplayFile = Path.string();
    std::ostringstream refusal;
    const auto prepared = PrepareSession(replay, *Window, refusal);
    if (cut.back() != '\n') {
      EXPECT_EQ(prepared, 2) << "cut at " << size;
      EXPECT_NE(refusal.str().find("is cut short"), std::string::npos) << refusal.str();
    } else if (size == endLine) {
      ASSERT_EQ(prepared, std::nullopt) << refusal.str();
      BeforeFrame = nullptr;
      EXPECT_EQ(Run(), 2) << Out << Err;
      EXPECT_NE(Err.find("has no end line"), std::string::npos) << Out << Err;
    }
  }
  // Asking leaves the game that asks as it was, though the recording wants another screen.
  std::string otherScreen = recording.substr(0, recording.rfind("# end "));
  otherScreen.insert(otherScreen.find("# switches:") + 11, " --high-res");
  std::ofstream(Path, std::ios::trunc | std::ios::binary) << otherScreen;
  MapFileOverride = "/kept/MAP.DAT";
  Settings.HighRes = false;
  EXPECT_NE(ReplayRefusal(Path.string()).value_or("").find("has no end line"), std::string::npos);
  EXPECT_FALSE(Settings.HighRes);
  EXPECT_EQ(MapFileOverride, "/kept/MAP.DAT");
}
