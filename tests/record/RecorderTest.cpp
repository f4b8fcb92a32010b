// The recorder writes what the game reads: a replay's input, fed the lines, answers every read of
// the game as the recorded input did, and the lines are the fewest that do.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "core/Settings.h"
#include "game/ProgramState.h"
#include "gfx/Display.h"
#include "platform/VirtualKeys.h"
#include "record/Recorder.h"
#include "record/Script.h"
#include "util/ScratchPath.h"

namespace {

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines after the header.
std::string Body(const std::string& text) {
  const size_t start = text.find("\n1 ");
  return start == std::string::npos ? text : text.substr(start + 1);
}

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    Display = &FDisplay;
  }
  void TearDown() override { ResetProgramState(); }

  TDisplay FDisplay;  // its frame-rate count only
  TScratchDirectory Dir{"corvina-recorder"};
  std::filesystem::path Path = Dir.Path / "rec.txt";
};

}  // namespace

TEST_F(RecorderTest, WritesTheClockEachFrameAndEachChangeOnceAsTheGameSawIt) {
  TInputLatch machine;  // the platform's latches
  TInputState live;     // what the game reads
  live.Clock = 100;
  const auto take = [&] {
    for (int vk = 1; vk < TInputLatch::KeyCount; ++vk) live.Keys.Absorb(vk, machine.Query(vk));
  };
  {
    TRecorder recorder(Path);
    ASSERT_FALSE(recorder.Failed()) << recorder.Reason();
    recorder.Start(TRecordedSwitches{}, 100, 0xabcdef01, -50, {});
    const auto frame = [&](int n, int rate, bool overlay) {
      take();
      recorder.BeforeFrame(n, live, rate, overlay);
      live.Keys.Query(VK_LEFT);  // the game reads one key
      recorder.AfterFrame(live, rate + 1);
      live.Clock += 16;
    };
    frame(1, -50, true);
    machine.Press(VK_LEFT);  // held over two frames
    frame(2, -49, true);
    frame(3, -48, true);
    machine.Release(VK_LEFT);
    machine.Press('3');  // down and up between two frames
    machine.Release('3');
    live.Cursor = {10, 20};
    frame(4, -47, true);
    machine.Press(VK_CONTROL);  // pressed during a pause, whose end forgets the presses
    take();
    machine.Query(VK_CONTROL);
    live.Keys.Forget(VK_CONTROL);
    live.Focus = false;
    frame(5, -50, false);
    recorder.Finish(TFinalState{5, 0x12345678, {{{1, 2}, 3}, {{4, 5}, 0}, {{6, 7}, 1}, {{8, 9}, 2}}});
  }
  EXPECT_EQ(Body(Read(Path)),
            "1 clock 100\n"
            "2 clock 116\n2 down VK_LEFT\n"
            "3 clock 132\n"
            "4 clock 148\n4 mouse 10 20\n4 up VK_LEFT\n4 tap 3\n"
            "5 clock 164\n5 focus 0\n5 down VK_CONTROL\n5 forget VK_CONTROL\n5 recount\n5 overlay 0\n"
            "# end frame=5 map=12345678 p1=1,2,3 p2=4,5,0 p3=6,7,1 p4=8,9,2\n");
}

TEST_F(RecorderTest, AReplayAnswersEveryReadOfTheGameAsTheRecordedInputDid) {
  constexpr int Frames = 600;
  const int keys[] = {VK_LEFT, VK_CONTROL, VK_LBUTTON, VK_RBUTTON, '3', VK_ADD, VK_ESCAPE};
  std::mt19937 random(11);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  struct TFrame {
    uint32_t Clock;
    TPoint Cursor;
    bool Focus, Overlay;
    int Rate;
    std::vector<std::pair<int, uint16_t>> Reads;  // each key the game read and its answer
  };
  std::vector<TFrame> seen;
  TInputLatch machine;
  TInputState live;
  live.Clock = 5000;
  int rate = -50;
  bool overlay = true;
  {
    TRecorder recorder(Path);
    recorder.Start(TRecordedSwitches{}, live.Clock, 0, rate, {});
    for (int frame = 1; frame <= Frames; ++frame) {
      // Between two frames: the machine's events and what the program does.
      for (int n = pick(4); n > 0; --n) {
        const int vk = keys[pick(7)], what = pick(3);
        if (what == 0) machine.Press(vk);
        if (what == 1) machine.Release(vk);
        if (what == 2) machine.Tap(vk);
      }
      if (pick(25) == 0) {
        live.Focus = !live.Focus;
        if (live.Focus) rate = -50;  // activation restarts the count
        if (!live.Focus) machine.ReleaseAll();
      }
      if (pick(8) == 0) live.Cursor = {pick(700) - 30, pick(540) - 30};
      if (pick(40) == 0) {  // the end of a pause: its key presses were the panel's
        for (int vk = 1; vk < TInputLatch::KeyCount; ++vk) machine.Query(vk), live.Keys.Forget(vk);
        rate = -50;
      }
      if (pick(60) == 0) overlay = !overlay;
      for (int vk = 1; vk < TInputLatch::KeyCount; ++vk) live.Keys.Absorb(vk, machine.Query(vk));
      live.Clock += 10 + static_cast<uint32_t>(pick(30));
      recorder.BeforeFrame(frame, live, rate, overlay);
      TFrame f{live.Clock, live.Cursor, live.Focus, overlay, rate, {}};
      // The game reads a few keys, some twice; without the focus it reads nothing.
      for (int n = pick(6); n > 0 && live.Focus; --n) {
        const int vk = keys[pick(7)];
        f.Reads.push_back({vk, live.Keys.Query(vk)});
      }
      seen.push_back(f);
      ++rate;
      recorder.AfterFrame(live, rate);
    }
    recorder.Finish(TFinalState{});
  }

  const TScriptParseResult script = ParseScript(Read(Path));
  ASSERT_EQ(script.Error, "");
  TInputState replay;
  replay.Clock = 5000;
  FDisplay.FRateFrames = -50;
  Settings.ShowOverlay = true;
  size_t next = 0;
  for (int frame = 1; frame <= Frames; ++frame) {
    for (; next < script.Events.size() && script.Events[next].Frame == frame; ++next) {
      ApplyScriptEvent(script.Events[next], replay);
    }
    const TFrame& f = seen[static_cast<size_t>(frame - 1)];
    ASSERT_EQ(replay.Clock, f.Clock) << "frame " << frame;
    ASSERT_EQ(replay.Cursor, f.Cursor) << "frame " << frame;
    ASSERT_EQ(replay.Focus, f.Focus) << "frame " << frame;
    ASSERT_EQ(Settings.ShowOverlay, f.Overlay) << "frame " << frame;
    ASSERT_EQ(FDisplay.FRateFrames, f.Rate) << "frame " << frame;
    for (const auto& [vk, answer] : f.Reads) {
      ASSERT_EQ(replay.Keys.Query(vk), answer) << "frame " << frame << " key " << vk;
    }
    ++FDisplay.FRateFrames;
  }
  EXPECT_EQ(next, script.Events.size());
}

TEST_F(RecorderTest, AFileThatCannotBeWrittenIsNamedWithTheReason) {
  TRecorder recorder(Dir.Path / "no-such-folder" / "rec.txt");
  EXPECT_TRUE(recorder.Failed());
  EXPECT_EQ(recorder.Reason(),
            (Dir.Path / "no-such-folder" / "rec.txt").string() + ": cannot write the file: No such file or directory");
}

TEST_F(RecorderTest, TheFileIsReplacedOnlyByAWholeRecordingAndAnInterruptedOneIsKeptBesideIt) {
  // Reached through a link: the link stays, its target is what is recorded into.
  std::ofstream(Dir.Path / "notes.txt") << "notes";
  std::filesystem::create_symlink("notes.txt", Path);
  const auto others = [&] {
    std::vector<std::filesystem::path> found;
    for (const auto& e : std::filesystem::directory_iterator(Dir.Path)) {
      if (e.path() != Path && e.path() != Dir.Path / "notes.txt") found.push_back(e.path());
    }
    return found;
  };
  { TRecorder unused(Path); }  // no game ran
  EXPECT_EQ(Read(Dir.Path / "notes.txt"), "notes");
  EXPECT_TRUE(others().empty());
  {
    TRecorder interrupted(Path);
    ASSERT_FALSE(interrupted.Failed()) << interrupted.Reason();
    interrupted.Start(TRecordedSwitches{}, 100, 0xabcdef01, -50, {});
    EXPECT_EQ(Read(Dir.Path / "notes.txt"), "notes");
    ASSERT_EQ(others().size(), 1u);
    EXPECT_EQ(others()[0], interrupted.PartialPath());
  }  // dropped without its end, as by a program that died
  EXPECT_EQ(Read(Dir.Path / "notes.txt"), "notes");
  ASSERT_EQ(others().size(), 1u);
  const std::filesystem::path part = others()[0];
  EXPECT_NE(Read(part).find(RecordingFirstLine), std::string::npos) << Read(part);
  std::filesystem::remove(part);
  {
    TRecorder whole(Path);
    whole.Start(TRecordedSwitches{}, 100, 0xabcdef01, -50, {});
    whole.Finish(TFinalState{});
    EXPECT_FALSE(whole.Failed()) << whole.Reason();
  }
  EXPECT_TRUE(std::filesystem::is_symlink(Path));
  EXPECT_NE(Read(Dir.Path / "notes.txt").find(RecordingFirstLine), std::string::npos);
  EXPECT_TRUE(others().empty());
}
