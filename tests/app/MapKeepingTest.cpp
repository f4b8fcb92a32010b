// The map the player edits is kept: F2 saves it, every ordinary end saves what F2 did not (with
// --map), a failed save says why and the game goes on, and a file that is no map is refused.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include "GameWindow.h"
#include "app/MapKeeper.h"
#include "platform/EndSignals.h"
#include "platform/VirtualKeys.h"
#include "util/Printable.h"
#include "util/ScratchPath.h"

namespace {

std::vector<uint8_t> Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint8_t HeightIn(const std::vector<uint8_t>& map, int x, int y) { return map.at((y * MapSize + x) * 5 + 1); }

class MapKeeping : public GameWindowTest {
 protected:
  TScratchDirectory Dir{"corvina-keep-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())};
};

}  // namespace

TEST_F(MapKeeping, F2SavesIntoTheDataFolderAndSaysHowToPlayOnIt) {
  // A folder whose name a shell would split, or end a quote in.
  const auto data = Dir.Path / "it's my data";
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  BeforeFrame = [](int frame) {
    if (frame == 2) World->FMap->SetCell(CellHeight, 30, 31, 8);
    if (frame == 3) HeadlessPushKeyDownEvent(VK_F2);
    if (frame == 4) HeadlessPushKeyDownEvent(VK_F12);
  };
  EXPECT_EQ(Run(), 0) << Err;
  unsetenv("XDG_DATA_HOME");
  const auto file = data / "corvina" / "MAP.DAT";
  const auto saved = Read(file);
  ASSERT_EQ(saved.size(), MapBytes);
  EXPECT_EQ(HeightIn(saved, 30, 31), 8);
  EXPECT_NE(Out.find("corvina: map saved: " + file.string()), std::string::npos) << Out;
  EXPECT_NE(Out.find("corvina: to play on it again: corvina --map '" + Dir.Path.string() +
                     "/it'\\''s my data/corvina/MAP.DAT'\n"),
            std::string::npos)
      << Out;
  // A path too long for the line keeps its end.
  EXPECT_EQ(Window->Notice().Text().rfind("saved: /", 0), 0u) << Window->Notice().Text();
  EXPECT_TRUE(Window->Notice().Text().ends_with("/corvina/MAP.DAT")) << Window->Notice().Text();
  EXPECT_TRUE(Window->Notice().Visible(PlatformTicks()));
  EXPECT_FALSE(Window->Notice().Visible(PlatformTicks() + TNotice::ShownMs));
  EXPECT_EQ(Err, "");
}

TEST_F(MapKeeping, WithAMapFileASignalSavesWhatF2DidNotAndTheOldVersionIsKept) {
  const auto file = Dir.Path / "my.dat";
  Window->FKeeper = TMapKeeper(file);
  int before = -1;  // the third cell's height before its edit
  BeforeFrame = [&before](int frame) {
    if (frame == 2) World->FMap->SetCell(CellHeight, 30, 31, 8);
    if (frame == 3) World->FMap->SetCell(CellHeight, 32, 31, 7);
    if (frame == 4) HeadlessPushKeyDownEvent(VK_F2);
    if (frame == 6) {
      before = World->FMap->GetCell(CellHeight, 34, 31);
      World->FMap->SetCell(CellHeight, 34, 31, before == 6 ? 5 : 6);
    }
    if (frame == 8) raise(SIGTERM);
  };
  {
    TEndSignals signals;
    EXPECT_EQ(Run(), 0) << Err;
  }
  EXPECT_EQ(Frame, 8) << "the signal ends the program after the frame it came in";
  const auto saved = Read(file), bak = Read(file.string() + ".bak");
  ASSERT_EQ(saved.size(), MapBytes);
  ASSERT_EQ(bak.size(), MapBytes);
  const int third = before == 6 ? 5 : 6;
  EXPECT_EQ(std::vector<int>({HeightIn(saved, 30, 31), HeightIn(saved, 32, 31), HeightIn(saved, 34, 31)}),
            std::vector<int>({8, 7, third}));
  EXPECT_EQ(std::vector<int>({HeightIn(bak, 30, 31), HeightIn(bak, 32, 31), HeightIn(bak, 34, 31)}),
            std::vector<int>({8, 7, before}))
      << "F2's version, before the third edit";

  // Played on again: loaded from the file, and an end without edits writes nothing.
  Start();
  ASSERT_FALSE(MapFileRefusal(file));
  MapFileOverride = file.string();
  Window->FKeeper = TMapKeeper(file);
  int loaded = -1;
  BeforeFrame = [&loaded](int frame) {
    if (frame == 1) loaded = World->FMap->GetCell(CellHeight, 34, 31);
    if (frame == 3) HeadlessPushKeyDownEvent(VK_F12);
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(loaded, third);
  EXPECT_EQ(Out.find("map saved"), std::string::npos) << Out;
  EXPECT_EQ(Read(file.string() + ".bak"), bak);
}

TEST_F(MapKeeping, AFailedSaveSaysWhyLeavesTheFileAndTheGameGoesOn) {
  const auto file = Dir.Path / "a-folder";
  std::filesystem::create_directory(file);
  std::ofstream(file / "inside") << "kept";
  Window->FKeeper = TMapKeeper(file);
  BeforeFrame = [](int frame) {
    if (frame == 2) World->FMap->SetCell(CellHeight, 30, 31, 8);
    if (frame == 3) HeadlessPushKeyDownEvent(VK_F2);
    if (frame == 9) HeadlessPushKeyDownEvent(VK_F12);
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Frame, 9);
  EXPECT_NE(Err.find("corvina: map not saved: " + file.string() + ": cannot write the file: "), std::string::npos)
      << Err;
  EXPECT_EQ(Window->Notice().Text().rfind("not saved: ", 0), 0u) << Window->Notice().Text();
  EXPECT_TRUE(std::filesystem::is_directory(file));
  EXPECT_EQ(Read(file / "inside").size(), 4u);
}

TEST_F(MapKeeping, AMapFileThatIsNoMapIsRefusedAndAMissingOneIsMadeLater) {
  EXPECT_FALSE(MapFileRefusal(Dir.Path / "not-yet.dat"));
  std::ofstream(Dir.Path / "short.dat") << "too short";
  const auto refusal = MapFileRefusal(Dir.Path / "short.dat");
  ASSERT_TRUE(refusal);
  EXPECT_NE(refusal->find("short.dat\" is 9 bytes long; 50000 bytes expected"), std::string::npos) << *refusal;
  EXPECT_NE(refusal->find("left as it is"), std::string::npos) << *refusal;
  EXPECT_EQ(Read(Dir.Path / "short.dat").size(), 9u);
  // A folder or a device is refused unread (a terminal would wait for input), saying what it is.
  ASSERT_EQ(::mkfifo((Dir.Path / "fifo.dat").c_str(), 0600), 0);
  for (const auto& [file, what] : {std::pair<std::filesystem::path, std::string>{Dir.Path, "is a directory"},
                                   {Dir.Path / "fifo.dat", "is a FIFO"},
                                   {"/dev/null", "is a character device"}}) {
    EXPECT_EQ(MapFileRefusal(file),
              PrintablePath(file) + " cannot be opened as a map (" + what + "); it is left as it is");
  }
}
