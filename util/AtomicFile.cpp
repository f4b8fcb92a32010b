// The atomic file writer: temporary file, fsync, rename, fsync of the folder.
#include "util/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

#include "util/Printable.h"

namespace {

std::filesystem::path FolderOf(const std::filesystem::path& path) {
  return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// A name in the same folder no other writer of this process or another picks.
std::filesystem::path TemporaryBeside(const std::filesystem::path& path) {
  static std::atomic<unsigned> counter{0};
  // Appended part by part: g++ 12 at -O3 warns (-Wrestrict) about a "literal" + string chain.
  std::string name = ".";
  name += path.filename().string();
  name += ".tmp-";
  name += std::to_string(getpid());
  name += '-';
  name += std::to_string(counter++);
  return path.has_parent_path() ? path.parent_path() / name : std::filesystem::path(name);
}

// Flushes the folder so the rename itself survives a crash; file systems that cannot sync a
// folder (EINVAL) have nothing to flush.
int SyncFolder(const std::filesystem::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int error = fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
  close(fd);
  return error;
}

}  // namespace

TAtomicFile::TAtomicFile(std::filesystem::path path) : FPath(std::move(path)) {
  if (!FPath.has_filename()) {
    Fail(EISDIR);
    return;
  }
  FTemp = TemporaryBeside(FPath);
  // Created with the usual 0666 less the umask; a file it replaces keeps its permissions.
  FFd = open(FTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (FFd < 0) {
    const int error = errno;
    FTemp.clear();  // not ours to remove
    Fail(error);
    return;
  }
  struct stat old{};
  if (stat(FPath.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(FFd, old.st_mode & 07777);
}

TAtomicFile::~TAtomicFile() { Discard(); }

bool TAtomicFile::Write(std::span<const uint8_t> bytes) {
  if (FFd < 0) return false;
  while (!bytes.empty()) {
    const ssize_t n = write(FFd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno);
    if (n == 0) return Fail(ENOSPC);
    bytes = bytes.subspan(static_cast<size_t>(n));  // a short write goes on with the rest
  }
  return true;
}

bool TAtomicFile::Commit() {
  if (FFd < 0) return false;
  if (fsync(FFd) != 0) return Fail(errno);
  const int fd = FFd;
  FFd = -1;
  if (close(fd) != 0) return Fail(errno);
  if (rename(FTemp.c_str(), FPath.c_str()) != 0) return Fail(errno);
  FTemp.clear();
  if (const int error = SyncFolder(FolderOf(FPath)); error != 0) {
    FReason = PrintablePath(FPath) + ": written, but its folder could not be flushed to the disk: " +
              std::system_category().message(error);
    return false;
  }
  return true;
}

bool TAtomicFile::Fail(int error) {
  if (FReason.empty()) FReason = PrintablePath(FPath) + ": cannot write the file: " + std::system_category().message(error);
  Discard();
  return false;
}

void TAtomicFile::Discard() {
  if (FFd >= 0) close(FFd);
  FFd = -1;
  if (!FTemp.empty()) unlink(FTemp.c_str());
  FTemp.clear();
}

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes, std::string* reason) {
  TAtomicFile file(path);
  const bool ok = file.Write(bytes) && file.Commit();
  if (!ok && reason) *reason = file.Reason();
  return ok;
}
