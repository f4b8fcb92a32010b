#include "util/UserDirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

std::filesystem::path UserDataDirectory() {
  // A relative path in the variable is not a base directory: it is ignored, as desktops do.
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
    return std::filesystem::path(data) / "corvina";
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    const passwd* entry = getpwuid(getuid());
    home = entry != nullptr ? entry->pw_dir : "/tmp";
  }
  return std::filesystem::path(home) / ".local" / "share" / "corvina";
}

std::filesystem::path UserLockDirectory() {
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && run[0] == '/') {
    return std::filesystem::path(run) / "corvina";
  }
  return UserDataDirectory() / "locks";
}
