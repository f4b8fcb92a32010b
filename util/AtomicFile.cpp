// The atomic file writer: temporary file, fsync, rename, fsync of the folder.
#include "util/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <utility>

#include "util/Crc32.h"
#include "util/FileKind.h"
#include "util/Printable.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t RandomDigits = 16;
// The room a temporary name may take when the target's own name is shorter: every file system
// holds names this long.
constexpr size_t ShortNameRoom = 64;
// As many links as the system itself follows before it gives up.
constexpr int MaxLinks = 40;
// Temporary files named by process number, as earlier versions made them, count as left behind
// once this old: those versions' writes took moments.
constexpr time_t OldStyleStaleSeconds = 3600;
// Names tried by WriteNewFileAtomically before it gives up.
constexpr int MaxNewNames = 10000;

fs::path FolderOf(const fs::path& path) { return path.has_parent_path() ? path.parent_path() : fs::path("."); }

std::string CannotWrite(const fs::path& path, const std::string& why) {
  return PrintablePath(path) + ": cannot write the file: " + why;
}

std::string RandomHex() {
  std::random_device device;
  const uint64_t value = (static_cast<uint64_t>(device()) << 32) | device();
  char digits[RandomDigits + 1];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(value));
  return digits;
}

bool IsHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// Every temporary name for the target named `name` starts with this; RandomDigits hex digits
// follow (and "~" on the second name a .bak gets first). Never longer than the target's own name
// or ShortNameRoom, so a name that fits its folder leaves room for its temporary files.
std::string TemporaryHead(const std::string& name, TPartial partial) {
  const std::string dot = partial == TPartial::Hidden ? "." : "";
  const std::string tag = partial == TPartial::Hidden ? ".tmp-" : ".partial-";
  const size_t room = std::max(name.size(), ShortNameRoom);
  const size_t fixed = dot.size() + tag.size() + RandomDigits + 1;
  if (name.size() + fixed <= room) return dot + name + tag;
  // Cut at a whole UTF-8 character; the checksum tells apart names that start alike.
  size_t keep = room - fixed - 9;
  while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
  char crc[10];
  std::snprintf(crc, sizeof crc, ".%08x",
                static_cast<unsigned>(Crc32(reinterpret_cast<const uint8_t*>(name.data()), name.size())));
  return dot + name.substr(0, keep) + crc + tag;
}

fs::path TemporaryBeside(const fs::path& target, TPartial partial) {
  return FolderOf(target) / (TemporaryHead(target.filename().string(), partial) + RandomHex());
}

// Where the chain of links at `path` ends; 0, or the error that stopped it (ELOOP).
fs::path FollowLinks(fs::path path, int& error) {
  error = 0;
  for (int links = 0; links <= MaxLinks; ++links) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::error_code ec;
    const fs::path to = fs::read_symlink(path, ec);
    if (ec) {
      error = ec.value();
      return path;
    }
    path = to.is_absolute() ? to : FolderOf(path) / to;
  }
  error = ELOOP;
  return path;
}

// The target of a write to `path`, refused (with the reason's words) when it cannot be written.
struct TTarget {
  fs::path Path;
  std::optional<struct stat> Old;  // the file replaced, when there is one
  std::string Refusal;
};

TTarget Examine(const fs::path& path) {
  TTarget t;
  int error = 0;
  t.Path = FollowLinks(path, error);
  struct stat info {};
  if (error == 0 && stat(t.Path.c_str(), &info) == 0) {
    if (S_ISREG(info.st_mode))
      t.Old = info;
    else
      t.Refusal = NotRegularFileKind(info.st_mode);
  } else if (error != 0 || errno != ENOENT) {
    t.Refusal = std::system_category().message(error != 0 ? error : errno);
  }
  return t;
}

// The owner and mode of `old` on the open file `fd`: the owner first, as changing it may clear
// the set-id bits. The owner is kept where the system permits (always as root).
void TakeOwnerAndMode(int fd, const struct stat& old) {
  if (fchown(fd, old.st_uid, old.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
    // Another user's file, and a group this one is not in: it becomes this user's.
  }
  fchmod(fd, old.st_mode & 07777);
}

// The file at `path` when no live writer holds it (its lock free): it is removed.
bool RemoveIfLeftBehind(const fs::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat opened {
  }, named{};
  bool removed = false;
  if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      lstat(path.c_str(), &named) == 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
    removed = unlink(path.c_str()) == 0;
  }
  close(fd);
  return removed;
}

// Earlier versions' temporary files: ".NAME.tmp-PID-N" (and ".NAME.bak.tmp-PID-N").
bool IsOldStyleTemporary(std::string_view entry, const std::string& name) {
  for (const std::string& head : {"." + name + ".tmp-", "." + name + ".bak.tmp-"}) {
    if (!entry.starts_with(head)) continue;
    const std::string_view rest = entry.substr(head.size());
    const size_t dash = rest.find('-');
    const auto digits = [](std::string_view s) {
      return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (dash != std::string_view::npos && digits(rest.substr(0, dash)) && digits(rest.substr(dash + 1))) return true;
  }
  return false;
}

// Removes what dead writers of `target` left in its folder.
void RemoveLeftovers(const fs::path& target) {
  const fs::path folder = FolderOf(target);
  const std::string name = target.filename().string();
  const std::string head = TemporaryHead(name, TPartial::Hidden);
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (entry.starts_with(head)) {
      const std::string_view rest = std::string_view(entry).substr(head.size());
      if (rest.size() == RandomDigits && IsHex(rest)) {
        RemoveIfLeftBehind(it->path());
      } else if (rest.size() == RandomDigits + 1 && rest.back() == '~' && IsHex(rest.substr(0, RandomDigits))) {
        // A .bak's second name lives only while its writer's temporary file is there, locked.
        const fs::path writer = folder / entry.substr(0, entry.size() - 1);
        struct stat info {};
        if ((lstat(writer.c_str(), &info) != 0 && errno == ENOENT) || RemoveIfLeftBehind(writer)) {
          unlink(it->path().c_str());
        }
      }
    } else if (IsOldStyleTemporary(entry, name)) {
      struct stat info {};
      if (lstat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
          info.st_mtime + OldStyleStaleSeconds < std::time(nullptr)) {
        unlink(it->path().c_str());
      }
    }
  }
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

// A copy of `from` as the new file `to` with the owner and mode of `old`, flushed to the disk: for
// file systems without hard links.
int CopyFile(const fs::path& from, const fs::path& to, const struct stat& old) {
  const int in = open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) return errno;
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  int error = out < 0 ? errno : 0;
  if (error == 0) TakeOwnerAndMode(out, old);
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
int SyncFolder(const fs::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int error = fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
  close(fd);
  return error;
}

bool NoHardLinks(int error) {
  return error == EPERM || error == EXDEV || error == EMLINK || error == ENOTSUP || error == EOPNOTSUPP ||
         error == ENOSYS;
}

}  // namespace

std::optional<std::string> WriteTargetRefusal(const fs::path& path) {
  const TTarget target = Examine(path);
  if (target.Refusal.empty()) return std::nullopt;
  return CannotWrite(path, target.Refusal);
}

fs::path WriteTargetOf(const fs::path& path) {
  int error = 0;
  const fs::path target = FollowLinks(path, error);
  return error == 0 ? target : path;
}

TAtomicFile::TAtomicFile(fs::path path, TOldFile oldFile, TPartial partial)
    : FPath(std::move(path)), FOld(oldFile), FPartial(partial) {
  if (!FPath.has_filename()) {
    Fail(EISDIR);
    return;
  }
  TTarget target = Examine(FPath);
  FTarget = std::move(target.Path);
  if (!target.Refusal.empty()) {
    FReason = CannotWrite(FPath, target.Refusal);
    return;
  }
  RemoveLeftovers(FTarget);
  Create();
  if (FFd >= 0 && target.Old) TakeOwnerAndMode(FFd, *target.Old);
}

TAtomicFile::TAtomicFile(fs::path path, TNewName) : FPath(std::move(path)), FTarget(FPath) {
  RemoveLeftovers(FTarget);
  Create();
}

// The temporary file, created and locked before anything is written to it. A name that another
// writer's clean-up took between the two is given up for a new one.
void TAtomicFile::Create() {
  for (int attempt = 0;; ++attempt) {
    FTemp = TemporaryBeside(FTarget, FPartial);
    // Created with the usual 0666 less the umask; a file it replaces lends its mode and owner.
    const int injected = Fault(TAtomicStep::Create);
    FFd = injected != 0 ? -1 : open(FTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (FFd < 0) {
      const int error = injected != 0 ? injected : errno;
      FTemp.clear();  // not ours to remove
      if (error == EEXIST && attempt < 8) continue;
      Fail(error);
      return;
    }
    while (flock(FFd, LOCK_EX) != 0 && errno == EINTR) {
    }
    struct stat info {};
    if (fstat(FFd, &info) != 0 || info.st_nlink > 0 || attempt >= 8) return;
    close(FFd);
    FFd = -1;
  }
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
    FWritten = true;
    bytes = bytes.subspan(static_cast<size_t>(n));  // a short write goes on with the rest
  }
  return true;
}

// The bytes on the disk and the descriptor closed, its lock kept by FHold until the rename.
bool TAtomicFile::Flush() {
  if (FFd < 0) return false;
  if (const int error = Fault(TAtomicStep::Sync)) return Fail(error);
  if (fsync(FFd) != 0) return Fail(errno);
  FHold = dup(FFd);
  if (FHold < 0) return Fail(errno);
  const int fd = FFd;
  FFd = -1;
  if (const int error = close(fd) == 0 ? Fault(TAtomicStep::Close) : errno) return Fail(error);
  return true;
}

bool TAtomicFile::Commit() {
  if (!Flush()) return false;
  // Whatever took the name since the start is looked at again: a device is never renamed over.
  struct stat now {};
  if (stat(FTarget.c_str(), &now) == 0 && !S_ISREG(now.st_mode)) {
    FReason = CannotWrite(FPath, NotRegularFileKind(now.st_mode));
    return Fail(EINVAL);
  }
  if (FOld == TOldFile::KeepAsBak && !KeepOld()) return false;
  if (const int error = Fault(TAtomicStep::Rename)) return Fail(error);
  if (rename(FTemp.c_str(), FTarget.c_str()) != 0) return Fail(errno);
  FTemp.clear();
  Discard();
  const int injected = Fault(TAtomicStep::SyncFolder);
  if (const int error = injected != 0 ? injected : SyncFolder(FolderOf(FTarget)); error != 0) {
    FReason = PrintablePath(FPath) +
              ": written, but its folder could not be flushed to the disk: " + std::system_category().message(error);
    return false;
  }
  return true;
}

std::optional<fs::path> TAtomicFile::CommitNew(const fs::path& folder, std::string_view stem,
                                               std::string_view extension) {
  if (!Flush()) return std::nullopt;
  fs::path claimed;
  int error = Fault(TAtomicStep::Rename);
  for (int n = 1; error == 0 && claimed.empty(); ++n) {
    if (n > MaxNewNames) {
      error = EEXIST;
      break;
    }
    std::string name(stem);
    if (n > 1) {
      // Appended part by part: g++ 12 at -O3 warns (-Wrestrict) about a "literal" + string chain.
      name += '-';
      name += std::to_string(n);
    }
    name += extension;
    const fs::path candidate = folder / name;
    if (link(FTemp.c_str(), candidate.c_str()) == 0) {
      unlink(FTemp.c_str());
      claimed = candidate;
    } else if (errno != EEXIST && !NoHardLinks(errno)) {
      error = errno;
    } else if (errno != EEXIST) {
      // No hard links here: the name is claimed empty, then the whole file renamed over it.
      const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd >= 0) {
        close(fd);
        if (rename(FTemp.c_str(), candidate.c_str()) == 0) {
          claimed = candidate;
        } else {
          error = errno;
          unlink(candidate.c_str());
        }
      } else if (errno != EEXIST) {
        error = errno;
      }
    }
  }
  if (error != 0) {
    Fail(error);
    return std::nullopt;
  }
  FTemp.clear();
  Discard();
  if (const int failed = SyncFolder(folder); failed != 0) {
    FReason = PrintablePath(claimed) +
              ": written, but its folder could not be flushed to the disk: " + std::system_category().message(failed);
  }
  return claimed;
}

// The old file gets a second name first and only then loses its first, so a crash at any point
// leaves it under NAME or NAME.bak, and NAME always present.
bool TAtomicFile::KeepOld() {
  struct stat old {};
  if (lstat(FTarget.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return true;  // nothing to keep
  fs::path bak = FTarget;
  bak += ".bak";
  // Named after this writer's own temporary file, so a clean-up knows whose it is.
  fs::path second = FTemp;
  second += "~";
  int error = Fault(TAtomicStep::KeepOld);
  if (error == 0 && link(FTarget.c_str(), second.c_str()) != 0) error = errno;
  if (NoHardLinks(error)) error = CopyFile(FTarget, second, old);
  if (error == 0 && rename(second.c_str(), bak.c_str()) != 0) {
    error = errno;
    unlink(second.c_str());
    if (error == ENAMETOOLONG) return true;  // the folder holds no NAME.bak for a name this long
  }
  if (error == 0) {
    // Where NAME.bak already was this very file (a save cut short between its two renames), the
    // rename did nothing and the second name is still there.
    unlink(second.c_str());
    return true;
  }
  FReason = PrintablePath(FPath) + ": cannot keep the previous version as " + PrintablePath(bak) + ": " +
            std::system_category().message(error);
  return Fail(error);
}

bool TAtomicFile::Fail(int error) {
  if (FReason.empty()) FReason = CannotWrite(FPath, std::system_category().message(error));
  Discard();
  return false;
}

void TAtomicFile::Discard() {
  if (FFd >= 0) close(FFd);
  FFd = -1;
  if (!FTemp.empty() && !(FPartial == TPartial::Visible && FWritten)) {
    unlink(FTemp.c_str());
    FTemp.clear();
  }
  // Unlocked only now: the clean-up of another writer leaves a kept partial file alone anyway.
  if (FHold >= 0) close(FHold);
  FHold = -1;
}

bool WriteFileAtomically(const fs::path& path, std::span<const uint8_t> bytes, std::string* reason, TOldFile old) {
  TAtomicFile file(path, old);
  const bool ok = file.Write(bytes) && file.Commit();
  if (!ok && reason) *reason = file.Reason();
  return ok;
}

std::optional<fs::path> WriteNewFileAtomically(const fs::path& folder, std::string_view stem,
                                               std::string_view extension, std::span<const uint8_t> bytes,
                                               std::string* reason) {
  TAtomicFile file(folder / (std::string(stem) + std::string(extension)), TAtomicFile::TNewName{});
  std::optional<fs::path> written;
  if (file.Write(bytes)) written = file.CommitNew(folder, stem, extension);
  if (reason && (!written || !file.Reason().empty())) *reason = file.Reason();
  return written;
}

void InjectAtomicFileFault(TAtomicStep step, int error) { gFault = TFault{step, error}; }
