// A session recorded by the program replays to the same end: headless with --verify, and on
// the program's own window with the same last picture. The session holds keys, sweeps a
// selection, orders a walk, edits the map, pauses, toggles the overlay and loses the focus.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "GameWindow.h"
#include "app/Session.h"
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
