#include "util/UserDirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// $variable/corvina, or ~/fallback/corvina.
std::filesystem::path BaseDirectory(const char* variable, const std::filesystem::path& fallback) {
  // A relative path in the variable is not a base directory: it is ignored, as desktops do.
  if (const char* base = std::getenv(variable); base != nullptr && base[0] == '/') {
    return std::filesystem::path(base) / "corvina";
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    const passwd* entry = getpwuid(getuid());
    home = entry != nullptr ? entry->pw_dir : "/tmp";
  }
  return std::filesystem::path(home) / fallback / "corvina";
}

}  // namespace

std::filesystem::path UserDataDirectory() { return BaseDirectory("XDG_DATA_HOME", ".local/share"); }

std::filesystem::path UserConfigDirectory() { return BaseDirectory("XDG_CONFIG_HOME", ".config"); }

std::filesystem::path UserLockDirectory() {
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && run[0] == '/') {
    return std::filesystem::path(run) / "corvina";
  }
  return UserDataDirectory() / "locks";
}
