// The desktop program's start-up switches through the runner, read where a user reads them: the
// trace's walk timing, frame rate and sounds, the frame CRCs, the map's CRC.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <ostream>
#include <regex>
#include <sstream>

#include "game/ProgramState.h"
#include "game/World.h"
#include "headless/HeadlessRunner.h"
#include "headless/HeadlessSession.h"
#include "platform/headless/PlatformHeadless.h"
#include "record/Recording.h"
#include "tests/headless/JsonLite.h"
#include "util/ScratchPath.h"

namespace {

class StartSwitches : public ::testing::Test {
 protected:
  std::vector<JsonValue> Run(const THeadlessOptions& o, const std::string& script, int frames) {
    std::vector<JsonValue> trace;
    for (const std::string& line : Lines(o, script, frames)) trace.push_back(JsonReader::Parse(line));
    return trace;
  }

  std::vector<std::string> Lines(THeadlessOptions o, const std::string& script, int frames) {
    if (o.ScriptFile.empty()) o.ScriptFile = Write("script.txt", script);
    o.Frames = frames;
    o.Trace = true;
    std::vector<std::string> lines;
    RunHeadless(o, [&](const std::string& line) { lines.push_back(line); });
    return lines;
  }

  std::string Write(const std::string& name, const std::string& text) {
    const auto path = Dir.Path / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path.string();
  }

  TScratchDirectory Dir{"corvina-start-switches"};
};

struct TSound {
  int Slot = 0;
  int Pan = 0;
  friend bool operator==(const TSound&, const TSound&) = default;
  friend std::ostream& operator<<(std::ostream& out, const TSound& s) {
    return out << "slot " << s.Slot << " pan " << s.Pan;
  }
};

std::vector<TSound> Sounds(const JsonValue& frame) {
  std::vector<TSound> sounds;
  for (const JsonValue& s : frame["sounds"].Items) sounds.push_back({s["slot"].Int(), s["pan"].Int()});
  return sounds;
}

// The footsteps a frame's persons began, in the order the persons move: a step started on the
// ground (its first count), and the middle of a long diagonal step; panned by the column of the
// cell the person stands on, on the 640-wide screen.
std::vector<TSound> FootstepsOf(const JsonValue& frame) {
  std::vector<TSound> steps;
  const int viewSum = frame["view"][0].Int() + frame["view"][1].Int();
  for (const JsonValue& p : frame["persons"].Items) {
    if (!p["moving"].Boolean || p["lift"].Int() != 0) continue;
    const bool longDiagonal = p["vector"][0].Int() * p["vector"][1].Int() == 1;
    const int count = p["count"].Int();
    if (count != 1 && !(longDiagonal && count == frame["walk_frame"].Int())) continue;
    const int column = 30 * (p["cell"][0].Int() + p["cell"][1].Int() - viewSum + 4);
    steps.push_back({1, std::clamp(column + 15 - 320, -256, 256)});
  }
  return steps;
}

std::string Rate(double framesPerSecond) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", framesPerSecond);
  return text;
}

}  // namespace

// Person 1 is selected, the view scrolled until it stands at the right edge, and it is sent
// three long diagonal steps left; then the view is scrolled until it stands at the left edge and
// it is sent right; last it walks short steps up by key, the camera following it.
TEST_F(StartSwitches, SoundPlaysAFootstepWhereEachStepStartsAndHalfwayAlongALongDiagonal) {
  const std::string script =
      "2 mouse 355 215\n3 down VK_LBUTTON\n4 mouse 305 185\n5 up VK_LBUTTON\n"
      "6 mouse 0 240\n16 mouse 450 250\n17 tap VK_RBUTTON\n"
      "36 mouse 639 240\n50 mouse 210 250\n51 tap VK_RBUTTON\n"
      "66 mouse 320 300\n66 down VK_UP\n76 up VK_UP\n";
  THeadlessOptions sound;
  sound.Sound = true;
  const auto trace = Run(sound, script, 80);
  ASSERT_EQ(trace.size(), 80u);
  for (const JsonValue& frame : trace) {
    ASSERT_EQ(Sounds(frame), FootstepsOf(frame)) << "frame " << frame["frame"].Int();
  }
  // The frames are the world's; these pin the pans a listener hears at both edges.
  const auto at = [&](int frame) { return Sounds(trace[frame - 1]); };
  EXPECT_EQ(at(17), (std::vector<TSound>{{1, 256}})) << "screen column 600 is past the right limit";
  EXPECT_EQ(at(19), (std::vector<TSound>{{1, 256}})) << "halfway along the first long step";
  EXPECT_EQ(at(23), (std::vector<TSound>{{1, 235}}));
  EXPECT_EQ(at(52), (std::vector<TSound>{{1, -256}})) << "screen column 0 is past the left limit";
  EXPECT_EQ(at(58), (std::vector<TSound>{{1, -245}}));
  EXPECT_EQ(at(66), (std::vector<TSound>{{1, -185}})) << "the key's first step, in the view the frame drew";
  EXPECT_EQ(at(69), (std::vector<TSound>{{1, -5}})) << "a step up, the camera on the person";
  EXPECT_TRUE(at(70).empty() && at(71).empty()) << "a short step has no second footstep";

  const auto silent = Run({}, script, 80);
  for (const JsonValue& frame : silent) EXPECT_TRUE(Sounds(frame).empty()) << "frame " << frame["frame"].Int();
}

TEST_F(StartSwitches, TheDeviceReportsOnlyWhatThePlayerPlaysWithThePanItWasGiven) {
  THeadlessConfig config;
  config.Sound = true;
  THeadlessSession session(config);
  session.RunFrame();
  HeadlessClearAudioLog();
  const TPoint cell{World->Person(1)->FCellX, World->Person(1)->FCellY};
  for (int slot : {0, 2, 21}) World->PlaySoundAt(slot, cell);  // nothing is loaded there
  World->PlaySoundAt(1, cell);
  std::vector<std::pair<int, int>> played;
  for (const THeadlessAudioCall& call : HeadlessAudioLog()) {
    if (call.What == "play") played.emplace_back(call.Channel, call.Pan);
  }
  const int column = World->CellToScreen(cell).X;
  EXPECT_EQ(played, (std::vector<std::pair<int, int>>{{1, std::clamp(column + 15 - 320, -256, 256)}}));
}

TEST_F(StartSwitches, AutoTimingFollowsTheMeasuredRateOnceFiftyFramesHavePassed) {
  THeadlessOptions timed;
  timed.AutoTiming = true;
  const auto trace = Run(timed, "", 200);
  ASSERT_EQ(trace.size(), 200u);
  for (const JsonValue& frame : trace) {
    const int n = frame["frame"].Int();
    // The count starts again at the start; after 50 frames it counts from frame 51's clock.
    if (n <= 51) {
      EXPECT_EQ(frame["fps"].Type, JsonValue::Kind::Null) << "frame " << n;
      EXPECT_EQ(frame["walk_frame"].Int(), 3) << "frame " << n;
      EXPECT_EQ(frame["face_count"].Int(), 1) << "frame " << n;
      continue;
    }
    const double rate = (n - 50) * 1000.0 / (16.0 * (n - 51));
    EXPECT_EQ(frame["fps"].Number, std::stod(Rate(rate))) << "frame " << n;
    EXPECT_EQ(frame["walk_frame"].Int(), static_cast<int>(std::nearbyint(rate * 0.2))) << "frame " << n;
    EXPECT_EQ(frame["face_count"].Int(), static_cast<int>(std::nearbyint(rate / 15))) << "frame " << n;
  }
  EXPECT_EQ(trace[51]["walk_frame"].Int(), 25) << "2 frames in 16 ms: 125 a second";
  EXPECT_EQ(trace[51]["face_count"].Int(), 8);
  EXPECT_EQ(trace[199]["walk_frame"].Int(), 13) << "63.16 a second";
  EXPECT_EQ(trace[199]["face_count"].Int(), 4);

  // An activation starts the count again: 50 frames and one more keep the timing as it stood.
  const auto refocused = Run(timed, "100 focus 0\n101 focus 1\n", 152);
  for (int n = 101; n <= 151; ++n) {
    const JsonValue& frame = refocused[static_cast<size_t>(n - 1)];
    EXPECT_EQ(frame["fps"].Type, JsonValue::Kind::Null) << "frame " << n;
    EXPECT_EQ(frame["walk_frame"].Int(), 13) << "frame " << n;
    EXPECT_EQ(frame["face_count"].Int(), 4) << "frame " << n;
  }
  EXPECT_EQ(refocused[151]["walk_frame"].Int(), 25);

  // Halves go to the even neighbour: 62.5 a second walks 12 frames a step, 37.5 8 and faces 2.
  timed.StepMs = 32;
  const auto even = Run(timed, "", 52);
  EXPECT_EQ(even[51]["fps"].Number, 62.5);
  EXPECT_EQ(even[51]["walk_frame"].Int(), 12);
  EXPECT_EQ(even[51]["face_count"].Int(), 4);
  timed.StepMs = 40;
  const auto slower = Run(timed, "", 53);
  EXPECT_EQ(slower[52]["fps"].Number, 37.5);
  EXPECT_EQ(slower[52]["walk_frame"].Int(), 8);
  EXPECT_EQ(slower[52]["face_count"].Int(), 2);

  const auto fixed = Run({}, "", 60);
  EXPECT_EQ(fixed[59]["walk_frame"].Int(), 3) << "without the switch the overlay only shows the rate";
  EXPECT_EQ(fixed[59]["fps"].Number, std::stod(Rate(10 * 1000.0 / (16 * 9))));
}

TEST_F(StartSwitches, BelowTwoAndAHalfFramesASecondAStepTakesNoFramesYetThePersonsWalk) {
  THeadlessOptions timed;
  timed.AutoTiming = true;
  timed.StepMs = 1000;
  const auto trace = Run(timed, "53 down VK_RIGHT\n", 58);
  EXPECT_EQ(trace[51]["fps"].Number, 2);
  EXPECT_EQ(trace[51]["walk_frame"].Int(), 0);
  // Frame 53 turns person 1 to the right; from then on a step a frame.
  for (int n = 54; n <= 58; ++n) {
    const JsonValue& p = trace[n - 1]["persons"][0];
    EXPECT_EQ(p["cell"][0].Int(), 48 + n - 53) << "frame " << n;
    EXPECT_EQ(p["cell"][1].Int(), 62 + n - 53) << "frame " << n;
  }
}

TEST_F(StartSwitches, NoMapEditingLeavesTheMapAloneUnderTheNumberKeys) {
  // The pointer rests on cell (52, 62); 3 paints it, keypad + raises it.
  const std::string script = "2 mouse 450 194\n3 down 3\n5 up 3\n6 tap VK_ADD\n7 down 6\n8 up 6\n";
  const auto edited = Run({}, script, 10);
  EXPECT_NE(edited[9]["map"].Text, edited[0]["map"].Text) << "the keys edit the map by default";
  THeadlessOptions fixedMap;
  fixedMap.NoMapEditing = true;
  const auto kept = Run(fixedMap, script, 10);
  for (const JsonValue& frame : kept) EXPECT_EQ(frame["map"].Text, kept[0]["map"].Text) << frame["frame"].Int();
}

TEST_F(StartSwitches, NoOverlayChangesTheFrameCrcAndNothingElse) {
  const std::string script = "1 down VK_RIGHT\n30 up VK_RIGHT\n40 tap VK_CONTROL\n";
  THeadlessOptions hashed;
  hashed.Hash = true;
  THeadlessOptions hidden = hashed;
  hidden.NoOverlay = true;
  const auto shown = Lines(hashed, script, 90);
  const auto bare = Lines(hidden, script, 90);
  ASSERT_EQ(shown.size(), 90u);
  ASSERT_EQ(bare.size(), 90u);
  const std::regex drawn(R"(,"frame_crc":"[0-9a-f]{8}"|,"fps":[0-9.]+|,"fps":null)");
  for (size_t i = 0; i < shown.size(); ++i) {
    const JsonValue a = JsonReader::Parse(shown[i]), b = JsonReader::Parse(bare[i]);
    const bool overlaid = a["fps"].Type != JsonValue::Kind::Null;
    EXPECT_EQ(overlaid, i + 1 > 51) << "frame " << i + 1;
    EXPECT_EQ(b["fps"].Type, JsonValue::Kind::Null) << "frame " << i + 1;
    EXPECT_EQ(a["frame_crc"].Text != b["frame_crc"].Text, overlaid) << "frame " << i + 1;
    EXPECT_EQ(std::regex_replace(shown[i], drawn, ""), std::regex_replace(bare[i], drawn, "")) << "frame " << i + 1;
  }
}

// `script` as the recorder writes it: each frame's clock line first, at the runner's 16 ms a frame.
std::string WithClockLines(const std::string& script, int frames) {
  std::map<int, std::string> events;
  std::istringstream lines(script);
  for (std::string line; std::getline(lines, line);) events[std::stoi(line)] += line + "\n";
  std::string text;
  for (int frame = 1; frame <= frames; ++frame) {
    text += std::to_string(frame) + " clock " + std::to_string((frame - 1) * 16) + "\n" + events[frame];
  }
  return text;
}

// Each set of switches a recording keeps: made by a run under them, replayed and verified with a
// command line that names none of them.
TEST_F(StartSwitches, ARecordingReplaysAndVerifiesUnderTheSwitchesItKeeps) {
  ResetProgramState();
  const uint32_t startMap = MapCrc(*LoadGameMap());
  const std::string script = "2 mouse 450 194\n3 down 3\n5 up 3\n6 tap VK_ADD\n10 down VK_RIGHT\n40 up VK_RIGHT\n";
  constexpr int Frames = 80;
  THeadlessOptions timedFixed, hidden;
  timedFixed.AutoTiming = timedFixed.NoMapEditing = hidden.NoOverlay = true;
  for (THeadlessOptions given : {timedFixed, hidden}) {
    given.Hash = true;
    const std::vector<std::string> made = Lines(given, script, Frames);
    ASSERT_EQ(made.size(), static_cast<size_t>(Frames));
    const JsonValue last = JsonReader::Parse(made.back());
    TFinalState end;
    end.Frame = Frames;
    end.Map = static_cast<uint32_t>(std::stoul(last["map"].Text, nullptr, 16));
    for (int i = 0; i < 4; ++i) {
      const JsonValue& p = last["persons"][static_cast<size_t>(i)];
      end.Persons[i] = {{p["cell"][0].Int(), p["cell"][1].Int()}, p["dir"].Int()};
    }
    TRecordedSwitches switches;
    switches.AutoTiming = given.AutoTiming;
    switches.ShowOverlay = !given.NoOverlay;
    switches.MapEditing = !given.NoMapEditing;
    THeadlessOptions replay;
    replay.ScriptFile =
        Write("rec.txt", RecordingHeader(switches, 0, startMap) + WithClockLines(script, Frames) + EndLine(end) + "\n");
    replay.Hash = true;
    replay.Frames = Frames;
    replay.Trace = true;
    std::vector<std::string> replayed;
    RunHeadless(replay, [&](const std::string& line) { replayed.push_back(line); });
    EXPECT_EQ(replayed, made) << "the replay under the recording's switches";
    replay.Verify = true;
    replay.Trace = false;
    std::string verdict;
    EXPECT_EQ(RunHeadless(
                  replay, [](const std::string&) {}, &verdict),
              0)
        << verdict;
    // The sound is no switch a recording keeps: the command line's holds for the replay.
    replay.Verify = false;
    replay.Trace = true;
    replay.Sound = true;
    int footsteps = 0;
    RunHeadless(replay, [&](const std::string& line) {
      footsteps += static_cast<int>(Sounds(JsonReader::Parse(line)).size());
    });
    EXPECT_GT(footsteps, 0);
  }
}
