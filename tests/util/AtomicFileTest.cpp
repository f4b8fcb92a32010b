// The atomic writer replaces a file whole or leaves it as it was (its old version kept as .bak
// when asked), and says why it failed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>

#include "util/AtomicFile.h"
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

  TScratchDirectory Dir{"corvina-atomic-" +
                        std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())};
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
  struct stat st {};
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
  EXPECT_EQ(reason,
            (Dir.Path / "no-such-folder" / "x.png").string() + ": cannot write the file: No such file or directory");
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

namespace {

// A small file system mounted over `dir` while it lives, in a mount namespace of this process's
// own, where the process may make one (as root in a container); Mounted() tells.
class TSmallDisk {
 public:
  TSmallDisk(const fs::path& dir, int kib) : FDir(dir) {
    const std::string size = "size=" + std::to_string(kib) + "k";
    FMounted = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               mount("tmpfs", dir.c_str(), "tmpfs", 0, size.c_str()) == 0;
  }
  ~TSmallDisk() {
    if (FMounted) umount2(FDir.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return FMounted; }
  bool MakeReadOnly() {
    return FMounted && mount(nullptr, FDir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

 private:
  fs::path FDir;
  bool FMounted = false;
};

}  // namespace

TEST_F(AtomicFile, TheReplacedFileIsKeptAsBakByLinkOrByCopy) {
  const fs::path bak = Dir.Path / "shot.png.bak";
  std::string reason;
  ASSERT_TRUE(WriteFileAtomically(Target, Bytes(5, 'a'), &reason, TOldFile::KeepAsBak)) << reason;
  ExpectOnly({"shot.png"});  // nothing was there to keep
  ASSERT_TRUE(WriteFileAtomically(Target, Bytes(6, 'b'), &reason, TOldFile::KeepAsBak)) << reason;
  // A file system without hard links: the old file is copied instead.
  InjectAtomicFileFault(TAtomicStep::KeepOld, EPERM);
  ASSERT_TRUE(WriteFileAtomically(Target, Bytes(7, 'c'), &reason, TOldFile::KeepAsBak)) << reason;
  EXPECT_EQ(Read(Target), "ccccccc");
  EXPECT_EQ(Read(bak), "bbbbbb");
  ExpectOnly({"shot.png", "shot.png.bak"});
}

TEST_F(AtomicFile, AFailureAtAnyStepLeavesTheFileWholeAndNothingStrayBehind) {
  const fs::path bak = Dir.Path / "shot.png.bak";
  const std::pair<TAtomicStep, const char*> steps[] = {
      {TAtomicStep::Create, "create"}, {TAtomicStep::Write, "write"},      {TAtomicStep::Sync, "sync"},
      {TAtomicStep::Close, "close"},   {TAtomicStep::KeepOld, "keep old"}, {TAtomicStep::Rename, "rename"},
  };
  for (const auto& [step, name] : steps) {
    std::ofstream(Target, std::ios::trunc) << "old";
    std::ofstream(bak, std::ios::trunc) << "older";
    InjectAtomicFileFault(step, EIO);
    std::string reason;
    EXPECT_FALSE(WriteFileAtomically(Target, Bytes(3, 'n'), &reason, TOldFile::KeepAsBak)) << name;
    EXPECT_NE(reason.find("shot.png: cannot "), std::string::npos) << name << ": " << reason;
    EXPECT_NE(reason.find("Input/output error"), std::string::npos) << name << ": " << reason;
    EXPECT_EQ(Read(Target), "old") << name;
    // The old .bak, or (once the old file got its second name) the old file itself.
    EXPECT_THAT(Read(bak), ::testing::AnyOf("older", "old")) << name;
    ExpectOnly({"shot.png", "shot.png.bak"});
  }
  // Past the rename the new file is in place, whole; only flushing the folder failed.
  InjectAtomicFileFault(TAtomicStep::SyncFolder, EIO);
  std::string reason;
  EXPECT_FALSE(WriteFileAtomically(Target, Bytes(3, 'n'), &reason, TOldFile::KeepAsBak));
  EXPECT_NE(reason.find("written, but its folder could not be flushed"), std::string::npos) << reason;
  EXPECT_EQ(Read(Target), "nnn");
  EXPECT_EQ(Read(bak), "old");
}

TEST_F(AtomicFile, AFullDiskOrAReadOnlyFolderLeavesTheFileAsItWas) {
  const fs::path disk = Dir.Path / "disk";
  fs::create_directory(disk);
  TSmallDisk small(disk, 64);
  const fs::path map = disk / "MAP.DAT";
  const std::string old(40000, 'o');
  std::ofstream(map) << old;
  // The new file does not fit beside the old one; without a small disk to fill, the write is
  // told the disk is full.
  if (!small.Mounted()) InjectAtomicFileFault(TAtomicStep::Write, ENOSPC);
  std::string reason;
  EXPECT_FALSE(WriteFileAtomically(map, Bytes(50000, 'n'), &reason, TOldFile::KeepAsBak));
  EXPECT_EQ(reason, map.string() + ": cannot write the file: No space left on device");
  EXPECT_EQ(Read(map), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(disk), fs::directory_iterator()), 1);

  if (!small.MakeReadOnly()) {
    // A permission the superuser is not held to: then the system's answer is injected.
    if (geteuid() != 0)
      chmod(disk.c_str(), 0555);
    else
      InjectAtomicFileFault(TAtomicStep::Create, EROFS);
  }
  EXPECT_FALSE(WriteFileAtomically(map, Bytes(10, 'n'), &reason, TOldFile::KeepAsBak));
  EXPECT_NE(reason.find("MAP.DAT: cannot write the file: "), std::string::npos) << reason;
  EXPECT_EQ(Read(map), old);
  chmod(disk.c_str(), 0755);
}

namespace {

bool IsFifo(const fs::path& path) { return fs::symlink_status(path).type() == fs::file_type::fifo; }

// A socket bound at `path`, left there when the descriptor closes.
bool MakeSocket(const fs::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.native().size() >= sizeof address.sun_path) return false;
  std::strcpy(address.sun_path, path.c_str());
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  const bool bound = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0) close(fd);
  return bound;
}

}  // namespace

TEST_F(AtomicFile, ATargetThatIsNoRegularFileIsRefusedByItsKindAndLeftAsItIs) {
  std::vector<std::pair<fs::path, std::string>> cases = {{Dir.Path / "fifo", "is a FIFO"},
                                                         {Dir.Path / "folder", "is a directory"}};
  ASSERT_EQ(mkfifo(cases[0].first.c_str(), 0644), 0);
  fs::create_directory(cases[1].first);
  if (MakeSocket(Dir.Path / "sock")) cases.emplace_back(Dir.Path / "sock", "is a socket");
  // The numbers of /dev/null, made here (as root) so the real one is never at stake.
  if (mknod((Dir.Path / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    cases.emplace_back(Dir.Path / "null", "is a character device");
  }
  // Reached through a link, as /dev/stdout is.
  fs::create_symlink("fifo", Dir.Path / "stdout");
  cases.emplace_back(Dir.Path / "stdout", "is a FIFO");
  for (const auto& [path, kind] : cases) {
    std::string reason;
    EXPECT_FALSE(WriteFileAtomically(path, Bytes(3, 'n'), &reason, TOldFile::KeepAsBak)) << path;
    EXPECT_EQ(reason, path.string() + ": cannot write the file: " + kind);
    EXPECT_EQ(WriteTargetRefusal(path), reason);
  }
  EXPECT_TRUE(IsFifo(Dir.Path / "fifo"));
  EXPECT_TRUE(fs::is_symlink(Dir.Path / "stdout"));
  EXPECT_FALSE(WriteTargetRefusal(Dir.Path / "new.png"));
  std::ofstream(Target) << "old";
  EXPECT_FALSE(WriteTargetRefusal(Target));
}

TEST_F(AtomicFile, ALinkIsFollowedToItsTargetWhichIsWrittenWithItsBakBesideIt) {
  fs::create_directory(Dir.Path / "real");
  std::ofstream(Dir.Path / "real" / "map.dat") << "old";
  fs::create_symlink("real/map.dat", Dir.Path / "link.dat");
  std::string reason;
  ASSERT_TRUE(WriteFileAtomically(Dir.Path / "link.dat", Bytes(3, 'n'), &reason, TOldFile::KeepAsBak)) << reason;
  EXPECT_TRUE(fs::is_symlink(Dir.Path / "link.dat"));
  EXPECT_EQ(Read(Dir.Path / "real" / "map.dat"), "nnn");
  EXPECT_EQ(Read(Dir.Path / "real" / "map.dat.bak"), "old");
  ExpectOnly({"link.dat", "real"});
  // A link to a file not there yet makes it.
  fs::create_symlink("real/new.dat", Dir.Path / "ahead.dat");
  ASSERT_TRUE(WriteFileAtomically(Dir.Path / "ahead.dat", Bytes(2, 'a'), &reason)) << reason;
  EXPECT_TRUE(fs::is_symlink(Dir.Path / "ahead.dat"));
  EXPECT_EQ(Read(Dir.Path / "real" / "new.dat"), "aa");
}

TEST_F(AtomicFile, LeftoversOfAnotherRunAndNamesAsLongAsTheSystemAllowsDoNotStopASave) {
  // What a run with the same process number would have left behind (as in a new container).
  for (int n = 0; n < 200; ++n) {
    std::ofstream(Dir.Path / (".shot.png.tmp-" + std::to_string(getpid()) + "-" + std::to_string(n))) << "stale";
  }
  std::string reason;
  EXPECT_TRUE(WriteFileAtomically(Target, Bytes(3, 'n'), &reason)) << reason;
  EXPECT_EQ(Read(Target), "nnn");
  for (const auto& entry : fs::directory_iterator(Dir.Path)) {
    if (entry.path() != Target) fs::remove(entry.path());
  }
  // The longest name a folder holds, and the longest whose .bak still fits beside it.
  const fs::path longest = Dir.Path / (std::string(251, 'm') + ".dat");
  const fs::path withBak = Dir.Path / (std::string(247, 'b') + ".dat");
  for (const fs::path& path : {longest, withBak}) {
    for (uint8_t fill : {'a', 'b'}) {
      ASSERT_TRUE(WriteFileAtomically(path, Bytes(4, fill), &reason, TOldFile::KeepAsBak)) << reason;
    }
    EXPECT_EQ(Read(path), "bbbb");
  }
  EXPECT_EQ(Read(withBak.string() + ".bak"), "aaaa");
  ExpectOnly(
      {std::string(247, 'b') + ".dat", std::string(247, 'b') + ".dat.bak", std::string(251, 'm') + ".dat", "shot.png"});
}

TEST_F(AtomicFile, TheReplacedFilesOwnerAndModeGoToTheNewFileAndItsBak) {
  if (geteuid() != 0) GTEST_SKIP() << "only the superuser can give a file away";
  std::ofstream(Target) << "old";
  ASSERT_EQ(chown(Target.c_str(), 4321, 4322), 0);
  chmod(Target.c_str(), 0600);
  const fs::path bak = Target.string() + ".bak";
  for (bool copied : {false, true}) {
    // Once by link, once by copy (a file system without hard links).
    if (copied) InjectAtomicFileFault(TAtomicStep::KeepOld, EPERM);
    std::string reason;
    ASSERT_TRUE(WriteFileAtomically(Target, Bytes(3, copied ? 'c' : 'l'), &reason, TOldFile::KeepAsBak)) << reason;
    for (const fs::path& path : {Target, bak}) {
      struct stat st {};
      ASSERT_EQ(stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_uid, 4321u) << path << (copied ? " copied" : " linked");
      EXPECT_EQ(st.st_gid, 4322u) << path << (copied ? " copied" : " linked");
      EXPECT_EQ(st.st_mode & 07777, 0600u) << path << (copied ? " copied" : " linked");
    }
  }
  EXPECT_EQ(Read(bak), "lll");
}

TEST_F(AtomicFile, ATemporaryFileOfADeadWriterGoesAtTheNextSaveAndALiveWritersStays) {
  std::ofstream(Target) << "old";
  const pid_t child = fork();
  if (child == 0) {
    TAtomicFile dying(Target);
    dying.Write(Bytes(5, 'd'));
    _exit(0);  // no destructor: the temporary file stays, as after a kill
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_EQ(std::distance(fs::directory_iterator(Dir.Path), fs::directory_iterator()), 2);
  TAtomicFile live(Target);
  ASSERT_TRUE(live.Write(Bytes(4, 'l')));
  std::string reason;
  ASSERT_TRUE(WriteFileAtomically(Target, Bytes(3, 'n'), &reason)) << reason;
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path), fs::directory_iterator()), 2) << "the live one";
  EXPECT_TRUE(live.Commit()) << live.Reason();
  EXPECT_EQ(Read(Target), "llll");
  ExpectOnly({"shot.png"});
}
