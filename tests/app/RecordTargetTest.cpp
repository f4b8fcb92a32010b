// --record never destroys a file: the map played on (by any of its names), its .bak and anything
// that is no regular file are refused before the window opens, and nothing is opened that could
// wait.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

#include "GameWindow.h"
#include "app/Session.h"
#include "core/Settings.h"
#include "game/Map.h"
#include "res/Resources.h"
#include "util/ScratchPath.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RecordTarget : public GameWindowTest {
 protected:
  // PrepareSession's status (-1: it let the program run), with what it said.
  int Prepare(const fs::path& map, const fs::path& record) {
    Start();
    TCommandLine line;
    line.MapFile = map.string();
    line.RecordFile = record.string();
    std::ostringstream err;
    const auto status = PrepareSession(line, *Window, err);
    Said = err.str();
    return status.value_or(-1);
  }

  TScratchDirectory Dir{"corvina-record-target-" +
                        std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())};
  std::string Said;
};

}  // namespace

TEST_F(RecordTarget, TheMapItsBakOrTheSameFileByAnotherNameIsRefusedAndLeftAsItIs) {
  const fs::path map = Dir.Path / "my.dat";
  const std::string cells(MapBytes, '\1');
  std::ofstream(map) << cells;
  fs::create_directory(Dir.Path / "sub");
  fs::create_hard_link(map, Dir.Path / "hard.dat");
  fs::create_symlink("my.dat", Dir.Path / "soft.dat");
  for (const fs::path& record : {map, fs::path(map.string() + ".bak"), Dir.Path / "hard.dat", Dir.Path / "soft.dat",
                                 Dir.Path / "sub" / ".." / "my.dat"}) {
    EXPECT_EQ(Prepare(map, record), 2) << record;
    EXPECT_NE(Said.find("corvina: cannot record: "), std::string::npos) << Said;
    EXPECT_EQ(Read(map), cells) << record;
  }
  // The map reached through a link is the same file too; the .bak kept beside the link's target.
  EXPECT_EQ(Prepare(Dir.Path / "soft.dat", map), 2);
  EXPECT_EQ(Prepare(Dir.Path / "soft.dat", map.string() + ".bak"), 2);
  EXPECT_EQ(Read(map), cells);
  EXPECT_FALSE(fs::exists(map.string() + ".bak"));
  EXPECT_TRUE(fs::is_symlink(Dir.Path / "soft.dat"));
}

TEST_F(RecordTarget, AFifoOrADeviceIsRefusedAtOnceByItsKind) {
  const fs::path fifo = Dir.Path / "rec.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  // In a child: an open that waits for a reader must fail the test, not hang it.
  const pid_t child = fork();
  if (child == 0) _exit(Prepare({}, fifo));
  int status = -1;
  for (int waited = 0; waited < 500 && waitpid(child, &status, WNOHANG) == 0; ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!WIFEXITED(status)) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "--record FIFO waited";
  }
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_EQ(Prepare({}, fifo), 2);
  EXPECT_NE(Said.find("is a FIFO"), std::string::npos) << Said;
  EXPECT_EQ(Prepare({}, "/dev/null"), 2);
  EXPECT_NE(Said.find("is a character device"), std::string::npos) << Said;
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(RecordTarget, TheMapAndFootstepBesideTheProgramAreRefusedWithUseFiles) {
  const std::string dir = ProgramDirectory();
  for (const char* name : {"MAP.DAT", "Walk.Wav"}) {
    const bool there = fs::exists(dir + name);
    Settings.UseResources = false;  // --use-files
    EXPECT_EQ(Prepare({}, dir + name), 2) << name;
    EXPECT_EQ(Said, "corvina: cannot record: " + dir + name + " is read by --use-files; it is left as it is\n");
    EXPECT_EQ(fs::exists(dir + name), there) << name;
  }
}
