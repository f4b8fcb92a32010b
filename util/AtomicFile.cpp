// The atomic file writer: temporary file, fsync, rename, fsync of the folder.
#include "util/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <utility>

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

struct TFault {
  TAtomicStep Step = TAtomicStep::Create;
  int Error = 0;
};
TFault gFault;

// The error a test injected at `step` (taken, so it fails once), or 0.
int Fault(TAtomicStep step) {
  if (gFault.Error == 0 || gFault.Step != step) return 0;
  return std::exchange(gFault.Error, 0);
}

// A copy of `from` as the new file `to`, flushed to the disk: for file systems without hard links.
int CopyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  int error = out < 0 ? errno : 0;
  char buffer[1 << 16];
  while (error == 0) {
    const ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : 0;
      break;
    }
    for (ssize_t done = 0; done < n && error == 0;) {
      const ssize_t w = write(out, buffer + done, static_cast<size_t>(n - done));
      if (w > 0) done += w;
      if (w < 0 && errno != EINTR) error = errno;
      if (w == 0) error = ENOSPC;
    }
  }
  if (error == 0 && fsync(out) != 0) error = errno;
  if (out >= 0 && close(out) != 0 && error == 0) error = errno;
  close(in);
  if (error != 0 && out >= 0) unlink(to.c_str());
  return error;
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

TAtomicFile::TAtomicFile(std::filesystem::path path, TOldFile oldFile) : FPath(std::move(path)), FOld(oldFile) {
  if (!FPath.has_filename()) {
    Fail(EISDIR);
    return;
  }
  FTemp = TemporaryBeside(FPath);
  // Created with the usual 0666 less the umask; a file it replaces keeps its permissions.
  const int injected = Fault(TAtomicStep::Create);
  FFd = injected != 0 ? -1 : open(FTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (FFd < 0) {
    const int error = injected != 0 ? injected : errno;
    FTemp.clear();  // not ours to remove
    Fail(error);
    return;
  }
  struct stat old {};
  if (stat(FPath.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(FFd, old.st_mode & 07777);
}

TAtomicFile::~TAtomicFile() { Discard(); }

bool TAtomicFile::Write(std::span<const uint8_t> bytes) {
  if (FFd < 0) return false;
  while (!bytes.empty()) {
    if (const int error = Fault(TAtomicStep::Write)) return Fail(error);
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
  if (const int error = Fault(TAtomicStep::Sync)) return Fail(error);
  if (fsync(FFd) != 0) return Fail(errno);
  const int fd = FFd;
  FFd = -1;
  if (const int error = close(fd) == 0 ? Fault(TAtomicStep::Close) : errno) return Fail(error);
  if (FOld == TOldFile::KeepAsBak && !KeepOld()) return false;
  if (const int error = Fault(TAtomicStep::Rename)) return Fail(error);
  if (rename(FTemp.c_str(), FPath.c_str()) != 0) return Fail(errno);
  FTemp.clear();
  const int injected = Fault(TAtomicStep::SyncFolder);
  if (const int error = injected != 0 ? injected : SyncFolder(FolderOf(FPath)); error != 0) {
    FReason = PrintablePath(FPath) +
              ": written, but its folder could not be flushed to the disk: " + std::system_category().message(error);
    return false;
  }
  return true;
}

// The old file gets a second name first and only then loses its first, so a crash at any point
// leaves it under NAME or NAME.bak, and NAME always present.
bool TAtomicFile::KeepOld() {
  struct stat old {};
  if (lstat(FPath.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return true;  // nothing to keep
  std::filesystem::path bak = FPath;
  bak += ".bak";
  const std::filesystem::path temp = TemporaryBeside(bak);
  int error = Fault(TAtomicStep::KeepOld);
  if (error == 0 && link(FPath.c_str(), temp.c_str()) != 0) error = errno;
  if (error == EPERM || error == EXDEV || error == EMLINK || error == ENOTSUP || error == ENOSYS) {
    error = CopyFile(FPath, temp);
  }
  if (error == 0 && rename(temp.c_str(), bak.c_str()) != 0) {
    error = errno;
    unlink(temp.c_str());
  }
  if (error == 0) return true;
  FReason = PrintablePath(FPath) + ": cannot keep the previous version as " + PrintablePath(bak) + ": " +
            std::system_category().message(error);
  return Fail(error);
}

bool TAtomicFile::Fail(int error) {
  if (FReason.empty()) {
    FReason = PrintablePath(FPath) + ": cannot write the file: " + std::system_category().message(error);
  }
  Discard();
  return false;
}

void TAtomicFile::Discard() {
  if (FFd >= 0) close(FFd);
  FFd = -1;
  if (!FTemp.empty()) unlink(FTemp.c_str());
  FTemp.clear();
}

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes, std::string* reason,
                         TOldFile old) {
  TAtomicFile file(path, old);
  const bool ok = file.Write(bytes) && file.Commit();
  if (!ok && reason) *reason = file.Reason();
  return ok;
}

void InjectAtomicFileFault(TAtomicStep step, int error) { gFault = TFault{step, error}; }
