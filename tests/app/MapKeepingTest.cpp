// The map the player edits is kept: F2 saves it, every ordinary end saves what F2 did not (with
// --map), a failed save says why and the game goes on, an end that cannot save leaves the edits in
// a rescue file, a file that is no map is refused, and so is a map another program plays on.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>

#include "GameWindow.h"
#include "app/MapKeeper.h"
#include "app/Session.h"
#include "platform/EndSignals.h"
#include "platform/VirtualKeys.h"
#include "res/Resources.h"
#include "util/AtomicFile.h"
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
  setenv("XDG_DATA_HOME", Dir.Path.c_str(), 1);
  Window->FKeeper = TMapKeeper(file);
  BeforeFrame = [](int frame) {
    if (frame == 2) World->FMap->SetCell(CellHeight, 30, 31, 8);
    if (frame == 3) HeadlessPushKeyDownEvent(VK_F2);
    if (frame == 9) HeadlessPushKeyDownEvent(VK_F12);
  };
  EXPECT_EQ(Run(), 3) << "the end could not save either";
  unsetenv("XDG_DATA_HOME");
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

namespace {

// The files in `folder` whose names start with `stem`.
std::vector<std::filesystem::path> FilesStartingWith(const std::filesystem::path& folder, const std::string& stem) {
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.path().filename().string().rfind(stem, 0) == 0) found.push_back(entry.path());
  }
  return found;
}

}  // namespace

TEST_F(MapKeeping, AnEndThatCannotSaveKeepsTheEditsInARescueFileAndEndsWithItsOwnStatus) {
  struct TCase {
    std::string Name;
    bool Named;                                               // played with --map
    std::string Old;                                          // the file that was there, if any
    std::function<void(const std::filesystem::path&)> Break;  // at frame 3, the map's path given
  };
  const std::vector<TCase> cases = {
      {"a folder without write permission", true, "",
       [](auto&) { InjectAtomicFileFault(TAtomicStep::Create, EACCES); }},
      {"a full disk", true, "", [](auto&) { InjectAtomicFileFault(TAtomicStep::Write, ENOSPC); }},
      {"FILE.bak a folder", true, "old",
       [](const std::filesystem::path& file) { std::filesystem::create_directories(file.string() + ".bak"); }},
      // The end saves nothing without --map, unless the player's F2 failed.
      {"without --map after an F2 that failed", false, "",
       [](auto&) {
         InjectAtomicFileFault(TAtomicStep::Create, EACCES);
         HeadlessPushKeyDownEvent(VK_F2);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto data = Dir.Path / c.Name / "data";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    const auto file = c.Named ? Dir.Path / c.Name / "my map.dat" : data / "corvina" / "MAP.DAT";
    std::filesystem::create_directories(file.parent_path());
    if (!c.Old.empty()) std::ofstream(file) << c.Old;
    Start();
    if (c.Named) Window->FKeeper = TMapKeeper(file);
    BeforeFrame = [&](int frame) {
      if (frame == 2) World->FMap->SetCell(CellHeight, 30, 31, 8);
      if (frame == 3) c.Break(file);
      if (frame == 5) {
        if (!c.Named) InjectAtomicFileFault(TAtomicStep::Create, EACCES);
        HeadlessPushKeyDownEvent(VK_F12);
      }
    };
    EXPECT_EQ(Run(), 3) << Err;
    InjectAtomicFileFault(TAtomicStep::Create, 0);
    EXPECT_EQ(Read(file), std::vector<uint8_t>(c.Old.begin(), c.Old.end()));
    const auto rescued = FilesStartingWith(data / "corvina", "MAP-rescue-");
    ASSERT_EQ(rescued.size(), 1u) << Err;
    EXPECT_EQ(rescued[0].extension(), ".DAT");
    const auto kept = Read(rescued[0]);
    ASSERT_EQ(kept.size(), MapBytes);
    EXPECT_EQ(HeightIn(kept, 30, 31), 8);
    EXPECT_FALSE(MapFileRefusal(rescued[0]));
    EXPECT_NE(Err.find("corvina: map not saved: " + PrintablePath(file)), std::string::npos) << Err;
    EXPECT_NE(Err.find("corvina --map '" + rescued[0].string() + "'\n"), std::string::npos) << Err;
  }

  // No rescue file can be made either: said so, and a status of its own.
  const auto file = Dir.Path / "lost.dat";
  std::ofstream(Dir.Path / "a file") << "not a folder";
  setenv("XDG_DATA_HOME", (Dir.Path / "a file").c_str(), 1);
  Start();
  Window->FKeeper = TMapKeeper(file);
  BeforeFrame = [](int frame) {
    if (frame == 2) World->FMap->SetCell(CellHeight, 30, 31, 8);
    if (frame == 3) {
      InjectAtomicFileFault(TAtomicStep::Rename, EIO);
      HeadlessPushKeyDownEvent(VK_F12);
    }
  };
  EXPECT_EQ(Run(), 5) << Err;
  unsetenv("XDG_DATA_HOME");
  EXPECT_NE(Err.find("corvina: map not saved: " + file.string()), std::string::npos) << Err;
  EXPECT_NE(Err.find("no rescue file could be made either"), std::string::npos) << Err;
  EXPECT_NE(Err.find("the edits are lost"), std::string::npos) << Err;
}

TEST_F(MapKeeping, ARecordingLeftIncompleteEndsWithItsOwnStatus) {
  const auto path = Dir.Path / "session.txt";
  TCommandLine line;
  line.RecordFile = path.string();
  setenv("XDG_DATA_HOME", (Dir.Path / "data").c_str(), 1);
  ASSERT_EQ(PrepareSession(line, *Window, std::cerr), std::nullopt);
  BeforeFrame = [&path](int frame) {
    if (frame != 3) return;
    // The disk under the recording fills up: its descriptor now writes where nothing fits.
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
      // The recording is written beside its file until it is whole.
      if (std::filesystem::read_symlink(entry.path(), ec).native().starts_with(path.native() + ".partial")) {
        dup2(full, std::stoi(entry.path().filename().string()));
      }
    }
    close(full);
    HeadlessPushKeyDownEvent(VK_F12);
  };
  EXPECT_EQ(Run(), 4) << Err;
  unsetenv("XDG_DATA_HOME");
  EXPECT_NE(Err.find("corvina: the recording is incomplete: " + path.string() +
                     ": cannot write the file: No space left on device"),
            std::string::npos)
      << Err;
}

TEST_F(MapKeeping, ASecondProgramOnTheSameMapIsRefusedThroughAnyPathToIt) {
  setenv("XDG_DATA_HOME", (Dir.Path / "data").c_str(), 1);
  std::filesystem::create_directories(Dir.Path / "run");
  setenv("XDG_RUNTIME_DIR", (Dir.Path / "run").c_str(), 1);
  std::filesystem::create_directories(Dir.Path / "sub");
  const auto shipped = FindResource("Map", RT_MAP);
  ASSERT_TRUE(shipped);
  std::ofstream(Dir.Path / "mine.dat", std::ios::binary)
      .write(reinterpret_cast<const char*>(shipped->data()), static_cast<std::streamsize>(shipped->size()));
  std::filesystem::create_symlink(Dir.Path / "mine.dat", Dir.Path / "link.dat");
  const auto Prepare = [](TBasic& window, const std::filesystem::path& map, std::string* said) {
    TCommandLine line;
    line.MapFile = map.string();
    std::ostringstream err;
    const auto status = PrepareSession(line, window, err);
    if (said) *said = err.str();
    return status;
  };

  ASSERT_EQ(Prepare(*Window, Dir.Path / "mine.dat", nullptr), std::nullopt);
  for (const auto& other : {Dir.Path / "mine.dat", Dir.Path / "sub" / ".." / "mine.dat", Dir.Path / "link.dat"}) {
    TBasic second;
    std::string said;
    EXPECT_EQ(Prepare(second, other, &said), 2) << other;
    EXPECT_NE(said.find("corvina: " + other.string() + ": another Corvina (process " + std::to_string(getpid()) +
                        ") is using this map"),
              std::string::npos)
        << said;
  }
  // Once the first program is gone the map is free again, and its lock file gone with it.
  const auto LockFiles = [&] {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Path / "run" / "corvina"))
      names.push_back(entry.path().filename());
    return names;
  };
  ASSERT_EQ(LockFiles().size(), 1u);
  Start();
  EXPECT_EQ(LockFiles(), std::vector<std::string>{});
  EXPECT_EQ(Prepare(*Window, Dir.Path / "link.dat", nullptr), std::nullopt);

  // Without --map, the data folder's MAP.DAT is the map F2 saves to.
  {
    TBasic first, second;
    std::string said;
    EXPECT_EQ(Prepare(first, {}, nullptr), std::nullopt);
    EXPECT_EQ(Prepare(second, {}, &said), 2);
    EXPECT_NE(said.find("corvina/MAP.DAT: another Corvina"), std::string::npos) << said;
  }
  Start();
  EXPECT_EQ(LockFiles(), std::vector<std::string>{});

  // A map in a folder that is not there could never be saved: refused at the start.
  std::string said;
  EXPECT_EQ(Prepare(*Window, Dir.Path / "nowhere" / "map.dat", &said), 2);
  EXPECT_EQ(said, "corvina: " + (Dir.Path / "nowhere" / "map.dat").string() + " cannot be made: there is no folder " +
                      (Dir.Path / "nowhere").string() + "\n");
  unsetenv("XDG_DATA_HOME");
  unsetenv("XDG_RUNTIME_DIR");
}
