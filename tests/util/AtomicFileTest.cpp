// The atomic writer replaces a file whole or leaves it as it was, and says why it failed.
#include "util/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iterator>

#include "util/ScratchPath.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> Bytes(size_t n, uint8_t fill) { return std::vector<uint8_t>(n, fill); }

class AtomicFile : public ::testing::Test {
 protected:
  // The folder holds only `names` (so no temporary file was left).
  void ExpectOnly(std::initializer_list<std::string> names) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(Dir.Path)) found.push_back(e.path().filename().string());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, std::vector<std::string>(names));
  }

  TScratchDirectory Dir{"corvina-atomic-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())};
  fs::path Target = Dir.Path / "shot.png";
};

// Files larger than `bytes` cannot be written while it lives: the next write stops short, the
// one after fails with EFBIG, as on a disk that fills up part way.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &FOld);
    FOldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = FOld;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FOld);
    std::signal(SIGXFSZ, FOldSignal);
  }

 private:
  rlimit FOld{};
  void (*FOldSignal)(int);
};

}  // namespace

TEST_F(AtomicFile, ReplacesAFileWholeKeepingItsPermissions) {
  std::ofstream(Target) << "old";
  chmod(Target.c_str(), 0640);
  std::string reason;
  ASSERT_TRUE(WriteFileAtomically(Target, Bytes(100000, 'n'), &reason)) << reason;
  EXPECT_EQ(Read(Target), std::string(100000, 'n'));
  struct stat st{};
  stat(Target.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ExpectOnly({"shot.png"});
}

TEST_F(AtomicFile, AWriteThatStopsShortLeavesTheOldFileAndNamesTheReason) {
  std::ofstream(Target) << std::string(100000, 'o');
  std::string reason;
  {
    TFileSizeLimit limit(65536);
    EXPECT_FALSE(WriteFileAtomically(Target, Bytes(131072, 'n'), &reason));
  }
  EXPECT_EQ(Read(Target), std::string(100000, 'o'));
  EXPECT_EQ(reason, Target.string() + ": cannot write the file: File too large");
  ExpectOnly({"shot.png"});
}

TEST_F(AtomicFile, AMissingFolderOrADirectoryInTheWayIsRefusedWithTheSystemsReason) {
  std::string reason;
  EXPECT_FALSE(WriteFileAtomically(Dir.Path / "no-such-folder" / "x.png", Bytes(3, 1), &reason));
  EXPECT_EQ(reason, (Dir.Path / "no-such-folder" / "x.png").string() + ": cannot write the file: No such file or directory");
  fs::create_directory(Target);
  std::ofstream(Target / "inside") << "kept";
  EXPECT_FALSE(WriteFileAtomically(Target, Bytes(3, 1), &reason));
  EXPECT_NE(reason.find("shot.png: cannot write the file: "), std::string::npos) << reason;
  EXPECT_EQ(Read(Target / "inside"), "kept");
  ExpectOnly({"shot.png"});
}

TEST_F(AtomicFile, AStreamedFileAppearsOnlyWhenCommitted) {
  std::ofstream(Target) << "old";
  {
    TAtomicFile file(Target);
    EXPECT_TRUE(file.Write(Bytes(10, 'a')));
    EXPECT_TRUE(file.Write(Bytes(5, 'b')));
    EXPECT_EQ(Read(Target), "old");
  }  // dropped without Commit
  EXPECT_EQ(Read(Target), "old");
  ExpectOnly({"shot.png"});
  TAtomicFile file(Target);
  EXPECT_TRUE(file.Write(Bytes(2, 'a')) && file.Write(Bytes(1, 'b')) && file.Commit()) << file.Reason();
  EXPECT_EQ(Read(Target), "aab");
  EXPECT_FALSE(file.Write(Bytes(1, 'c')));
  EXPECT_EQ(Read(Target), "aab");
}
