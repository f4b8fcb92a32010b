// Scripted runs of the real game through the runner, checked on the trace a user would read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "headless/HeadlessRunner.h"
#include "tests/headless/JsonLite.h"

namespace {

class RunnerScenario : public ::testing::Test {
 protected:
  std::vector<JsonValue> Run(const std::string& script, int frames) {
    THeadlessOptions o;
    o.Frames = frames;
    o.Trace = true;
    if (!script.empty()) {
      o.ScriptFile = WriteTemp("script.txt", script);
    }
    return RunWith(o);
  }

  std::vector<JsonValue> RunWith(const THeadlessOptions& o) {
    std::vector<JsonValue> frames;
    RunHeadless(o, [&](const std::string& line) { frames.push_back(JsonReader::Parse(line)); });
    return frames;
  }

  std::string WriteTemp(const std::string& name, const std::string& content) {
    const auto path = Dir() / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }

  std::filesystem::path Dir() {
    if (FDir.empty()) {
      FDir = std::filesystem::temp_directory_path() / ("corvina-runner-" + std::to_string(::getpid()) + "-" +
                                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
      std::filesystem::create_directories(FDir);
    }
    return FDir;
  }

  void TearDown() override {
    if (!FDir.empty()) std::filesystem::remove_all(FDir);
  }

  static const JsonValue& Person(const JsonValue& frame, int id) { return frame["persons"][id - 1]; }
  static std::pair<int, int> Cell(const JsonValue& person) {
    return {person["cell"][0].Int(), person["cell"][1].Int()};
  }

  std::filesystem::path FDir;
};

}  // namespace

TEST_F(RunnerScenario, AHeldArrowKeyFirstTurnsThePersonThenWalksItAndTheCameraFollows) {
  // Up on the screen is the cell offset (+1, -1); person 1 starts facing 0 on (48, 62).
  const auto f = Run("1 down VK_UP\n", 8);
  const JsonValue& p1 = Person(f[0], 1);
  EXPECT_EQ(p1["dir"].Int(), 3);
  EXPECT_FALSE(p1["moving"].Boolean);
  EXPECT_EQ(Cell(p1), (std::pair{48, 62}));
  EXPECT_FALSE(f[0]["camera"]["free"].Boolean);

  EXPECT_TRUE(Person(f[1], 1)["moving"].Boolean);
  EXPECT_EQ(Person(f[1], 1)["count"].Int(), 1);
  EXPECT_EQ(Person(f[1], 1)["vector"][0].Int(), 1);
  EXPECT_EQ(Person(f[1], 1)["vector"][1].Int(), -1);
  EXPECT_EQ(Cell(Person(f[2], 1)), (std::pair{48, 62}));
  EXPECT_EQ(Cell(Person(f[3], 1)), (std::pair{49, 61}));
  EXPECT_FALSE(Person(f[3], 1)["moving"].Boolean);
  EXPECT_EQ(Cell(Person(f[6], 1)), (std::pair{50, 60}));
}

TEST_F(RunnerScenario, CtrlMakesTheCurrentPersonJumpAlongTheGravityCurve) {
  const auto f = Run("2 tap VK_CONTROL\n", 14);
  std::vector<int> lifts;
  for (int i = 1; i < 14; ++i) lifts.push_back(Person(f[i], 1)["lift"].Int());
  EXPECT_EQ(lifts, (std::vector<int>{0, 20, 36, 48, 56, 60, 60, 56, 48, 36, 20, 0, 0}));
}

TEST_F(RunnerScenario, InsertMakesTheNextPersonCurrent) {
  const auto f = Run("2 tap VK_INSERT\n5 tap VK_INSERT\n", 6);
  EXPECT_EQ(f[0]["current"].Int(), 1);
  EXPECT_EQ(f[1]["current"].Int(), 2);
  EXPECT_EQ(f[5]["current"].Int(), 3);
}

// With the free start camera on person 1 the view is (58, 46): person 1's selection box is
// (311, 196)-(350, 256), person 3's (311, 224)-(350, 284), and the diamond of cell (52, 62)
// is centred on (450, 194).
TEST_F(RunnerScenario, SpaceBringsAViewScrolledAwayBackToTheCurrentPersonAndItFollowsAgain) {
  // The pointer on the left edge scrolls the free camera away; back inside the picture, Space.
  // Then person 2 becomes current: a following view goes with it. The view's cell lies at
  // (+10, -16) from the cell the camera is on.
  const auto f = Run("1 mouse 0 240\n31 mouse 320 240\n41 tap VK_SPACE\n51 tap VK_INSERT\n", 52);
  const auto view = [&](int frame) { return std::pair{f[frame - 1]["view"][0].Int(), f[frame - 1]["view"][1].Int()}; };
  const auto onPerson = [&](int frame, int id) {
    const auto [x, y] = Cell(Person(f[frame - 1], id));
    return std::pair{x + 10, y - 16};
  };
  EXPECT_EQ(view(1), onPerson(1, 1));
  ASSERT_NE(view(40), onPerson(40, 1));
  EXPECT_EQ(view(39), view(40)) << "a pointer resting inside the picture must not scroll";
  EXPECT_TRUE(f[39]["camera"]["free"].Boolean);
  EXPECT_FALSE(f[40]["camera"]["free"].Boolean);
  EXPECT_EQ(view(41), onPerson(41, 1));
  EXPECT_EQ(view(52), onPerson(52, 2));
}

TEST_F(RunnerScenario, ADraggedRectangleSelectsAndARightClickSendsThePersonAlongItsPath) {
  const auto f =
      Run("2 mouse 355 215\n"
          "3 down VK_LBUTTON\n"
          "4 mouse 305 185\n"  // dragged up and to the left
          "5 up VK_LBUTTON\n"
          "6 mouse 450 194\n"
          "7 tap VK_RBUTTON\n",
          40);
  EXPECT_EQ(f[3]["selected"].Items.size(), 0u);
  ASSERT_EQ(f[4]["selected"].Items.size(), 1u);
  EXPECT_EQ(f[4]["selected"][0].Int(), 1);

  const JsonValue& ordered = f[6];
  EXPECT_TRUE(ordered["order"]["active"].Boolean);
  EXPECT_EQ(ordered["order"]["cell"][0].Int(), 52);
  EXPECT_EQ(ordered["order"]["cell"][1].Int(), 62);
  // Four steps along +X; the first digit only turns the person from facing 0 to 3.
  EXPECT_FALSE(Person(ordered, 1)["free"].Boolean);
  EXPECT_EQ(Person(ordered, 1)["path"].Text, "888");
  EXPECT_EQ(Person(ordered, 1)["dir"].Int(), 3);

  const JsonValue& last = f.back();
  EXPECT_EQ(Cell(Person(last, 1)), (std::pair{51, 62}));
  EXPECT_TRUE(Person(last, 1)["free"].Boolean);
  EXPECT_FALSE(last["order"]["active"].Boolean);
}

TEST_F(RunnerScenario, TheSameScriptGivesTheSameTraceTwice) {
  const std::string script =
      "1 down VK_RIGHT\n20 up VK_RIGHT\n21 mouse 0 240\n30 mouse 320 240\n31 down 3\n33 up 3\n"
      "34 tap VK_ADD\n40 tap VK_INSERT\n41 down VK_HOME\n60 up VK_HOME\n";
  THeadlessOptions o;
  o.Frames = 120;
  o.Trace = true;
  o.Hash = true;
  o.ScriptFile = WriteTemp("s.txt", script);
  std::vector<std::string> a, b;
  RunHeadless(o, [&](const std::string& l) { a.push_back(l); });
  RunHeadless(o, [&](const std::string& l) { b.push_back(l); });
  ASSERT_EQ(a.size(), 120u);
  ASSERT_EQ(b.size(), 120u);
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(a[i], b[i]) << "first difference at frame " << i + 1;
  }
}

TEST_F(RunnerScenario, F12AndEscapeInFreeControlEndTheRunAfterTheirFrame) {
  EXPECT_EQ(Run("4 tap VK_F12\n", 50).size(), 4u);
  EXPECT_EQ(Run("6 tap VK_ESCAPE\n", 50).size(), 6u);
}

TEST_F(RunnerScenario, AShortMapFileEndsTheRunNamingTheFileAndBothSizes) {
  THeadlessOptions o;
  o.Frames = 3;
  o.MapFile = WriteTemp("MAP.DAT", std::string(1234, '\0'));
  try {
    RunWith(o);
    FAIL() << "a short map ran";
  } catch (const std::runtime_error& e) {
    const std::string m = e.what();
    EXPECT_NE(m.find("MAP.DAT"), std::string::npos) << m;
    EXPECT_NE(m.find("1234"), std::string::npos) << m;
    EXPECT_NE(m.find("50000"), std::string::npos) << m;
  }
}

TEST_F(RunnerScenario, AMissingScriptIsAClearError) {
  THeadlessOptions o;
  o.ScriptFile = (Dir() / "nope.txt").string();
  EXPECT_THROW(RunWith(o), std::runtime_error);
}

TEST_F(RunnerScenario, APictureAskedForAfterTheGameClosedIsAnErrorNotASilentSuccess) {
  THeadlessOptions o;
  o.Frames = 20;
  o.ScriptFile = WriteTemp("script.txt", "4 tap VK_F12\n");
  o.Pngs = {{4, (Dir() / "four.png").string()}, {10, (Dir() / "ten.png").string()}};
  try {
    RunWith(o);
    FAIL() << "the run said nothing of the picture it never drew";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()),
              "the run ended after frame 4, so frame 10 for " + o.Pngs[1].File + " was never drawn");
  }
  EXPECT_TRUE(std::filesystem::exists(Dir() / "four.png"));
}
