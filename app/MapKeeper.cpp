// Keeping the edited map in its file.
#include "app/MapKeeper.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <exception>
#include <iostream>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>

#include "core/Log.h"
#include "game/StoredMap.h"
#include "game/World.h"
#include "util/AtomicFile.h"
#include "util/Crc32.h"
#include "util/Printable.h"
#include "util/TimeStamp.h"
#include "util/UserDirs.h"

uint32_t TerrainCrc(const TMap& map) {
  uint32_t crc = 0;
  for (const auto& row : map.FCells) {
    for (const TMapCell& cell : row) crc = Crc32(&cell.Kind, 2, crc);  // the kind and the height
  }
  return crc;
}

TMapKeeper::TMapKeeper(std::filesystem::path named) : FNamed(std::move(named)) {}

std::filesystem::path TMapKeeper::Path() const { return Named() ? FNamed : UserDataDirectory() / "MAP.DAT"; }

void TMapKeeper::Kept(const TMap& map) { FKeptTerrain = TerrainCrc(map); }

bool TMapKeeper::Unsaved(const TMap& map) const { return TerrainCrc(map) != FKeptTerrain; }

std::string TMapKeeper::SayKept(const TPlatformFileKept& kept) const {
  if (!kept.Kept) {
    LogWarning("map not saved: " + kept.Detail);
    return "not saved: " + kept.Detail;
  }
  const std::string where = kept.Detail.empty() ? PrintablePath(Path()) : kept.Detail;
  std::cout << "corvina: map saved: " << where << std::endl;
  if (!Named())
    std::cout << "corvina: to play on it again: corvina --map " << ShellQuoted(Path().native()) << std::endl;
  return "saved: " + where;
}

namespace {

bool MakeFolder(const std::filesystem::path& folder, std::string* reason) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec && reason) *reason = "cannot make " + PrintablePath(folder) + ": " + ec.message();
  return !ec;
}

// FNV-1a, 64 bits: a file name for any path, long or not.
uint64_t PathKey(const std::string& path) {
  uint64_t key = 14695981039346656037ull;
  for (const char c : path) key = (key ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return key;
}

// The process a lock file names on its first line; empty when it names none.
std::string Holder(int fd) {
  char text[32] = {};
  const ssize_t n = pread(fd, text, sizeof text - 1, 0);
  std::string pid(text, n > 0 ? static_cast<size_t>(n) : 0);
  pid = pid.substr(0, pid.find('\n'));
  return !pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos ? pid : "";
}

// Whether fd is the file the name leads to now.
bool SameFile(int fd, const std::filesystem::path& name) {
  struct stat held {
  }, named{};
  return fstat(fd, &held) == 0 && stat(name.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

}  // namespace

THeldLock::THeldLock(std::unique_ptr<TFileDescriptor> fd, std::filesystem::path path)
    : FFd(std::move(fd)), FPath(std::move(path)), FOwner(getpid()) {}

THeldLock::~THeldLock() {
  // Removed before it is let go: whoever opens the name later makes a new file, and whoever had
  // the old one open finds it gone once it gets the lock.
  if (getpid() == FOwner && SameFile(FFd->Get(), FPath)) unlink(FPath.c_str());
}

std::optional<std::string> TMapKeeper::Lock() {
#ifdef __EMSCRIPTEN__
  return std::nullopt;  // the page is the only program on its storage
#else
  // Every save replaces the map by a rename, so a lock on the file itself would not outlive it:
  // the lock is a file of its own, named after the map's canonical path, so that the same map
  // reached through a link or another path takes the same lock.
  const std::filesystem::path path = Path();
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
  if (ec) canonical = path;
  char name[40];
  std::snprintf(name, sizeof name, "map-%016llx.lock", static_cast<unsigned long long>(PathKey(canonical.native())));
  for (const auto& folder : {UserLockDirectory(), UserDataDirectory() / "locks"}) {
    std::filesystem::create_directories(folder, ec);
    const std::filesystem::path file = folder / name;
    // A holder that ends removes the file while it still holds it; a program that opened the file
    // just before and locks it after holds a file no longer there, and opens the name again.
    for (int attempt = 0; attempt < 3; ++attempt) {
      auto lock = std::make_unique<TFileDescriptor>(open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
      if (!lock->IsOpen()) break;
      if (flock(lock->Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) break;
        const std::string holder = Holder(lock->Get());
        return PrintablePath(path) + ": another Corvina" + (holder.empty() ? "" : " (process " + holder + ")") +
               " is using this map; end it first, or play on another file";
      }
      if (!SameFile(lock->Get(), file)) continue;
      // Who holds it, for the refusal of the next one, and which map, for whoever looks.
      const std::string said = std::to_string(getpid()) + "\n" + canonical.native() + "\n";
      if (ftruncate(lock->Get(), 0) != 0 || pwrite(lock->Get(), said.data(), said.size(), 0) < 0) {
        // The lock holds all the same; the next program's refusal just names no process.
      }
      FLock = std::make_unique<THeldLock>(std::move(lock), file);
      return std::nullopt;
    }
  }
  LogWarning("cannot lock " + PrintablePath(path) + ": another Corvina could play on it at the same time");
  return std::nullopt;
#endif
}

bool TMapKeeper::Save(const TSystem& world, std::string* reason) {
  const std::filesystem::path path = Path();
  FLastSaveFailed = true;
  if (!Named() && !MakeFolder(path.parent_path(), reason)) return false;
  if (!WriteFileAtomically(path, StoredMap(world), reason, TOldFile::KeepAsBak)) return false;
  FLastSaveFailed = false;
  Kept(*world.FMap);
  return true;
}

std::optional<std::filesystem::path> TMapKeeper::Rescue(const TSystem& world, std::string* reason) {
  const std::filesystem::path folder = UserDataDirectory();
  if (!MakeFolder(folder, reason)) return std::nullopt;
  // Claimed only once whole: two programs rescuing in the same second never share a name.
  return WriteNewFileAtomically(folder, "MAP-rescue-" + LocalTimeStamp(std::time(nullptr)), ".DAT", StoredMap(world),
                                reason);
}

std::optional<std::string> MapFileRefusal(const std::filesystem::path& file) {
  std::error_code ec;
  const std::string name = PrintablePath(file);
  if (std::filesystem::symlink_status(file, ec).type() == std::filesystem::file_type::not_found) {
    // Its first save would fail, and the edits with it.
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    if (std::filesystem::is_directory(folder, ec)) return std::nullopt;
    return name + " cannot be made: there is no folder " + PrintablePath(folder);
  }
  try {
    std::string why;
    if (!std::make_unique<TMap>()->LoadFromFile(file.string(), &why)) {
      return name + " cannot be opened as a map (" + why + "); it is left as it is";
    }
  } catch (const std::exception& e) {
    return std::string(e.what()) + "; it is not a map, and is left as it is";
  }
  return std::nullopt;
}
