// Resource lookup over the embedded table (or a table set by a test), and loose files.
#include "res/Resources.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>

#include "core/FileDescriptor.h"
#include "res/EmbeddedTable.h"
#include "util/Printable.h"
#include "util/FileKind.h"

namespace {

std::optional<std::vector<TResource>>& TestTable() {
  static std::optional<std::vector<TResource>> table;
  return table;
}

const std::vector<TResource>& Table() {
  static const std::vector<TResource> embedded = EmbeddedResources();
  return TestTable() ? *TestTable() : embedded;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// The entry of `dir` named `name` (without regard to case; an exact match wins) that passes `fits`.
std::optional<std::string> FindEntry(const std::string& dir, const std::string& name,
                                     bool (*fits)(const std::string& path)) {
  const std::string exact = JoinPath(dir, name);
  if (fits(exact)) return exact;
  // Several names may differ only in case; the first in byte order wins, so the choice is stable.
  std::optional<std::string> best;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (!SameName(entry, name) || (best && entry >= *best)) continue;
    if (fits(JoinPath(dir, entry))) best = entry;
  }
  if (!best) return std::nullopt;
  return JoinPath(dir, *best);
}

TFileRead NotRead(std::string why) { return {std::nullopt, std::move(why)}; }

}  // namespace

std::optional<std::span<const uint8_t>> FindResource(std::string_view name, int type) {
  for (const TResource& r : Table())
    if (r.Type == type && SameName(r.Name, name)) return r.Data;
  return std::nullopt;
}

void SetResourceTableForTesting(std::optional<std::vector<TResource>> table) { TestTable() = std::move(table); }

std::optional<std::string> FindLooseFile(const std::string& dir, const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
  if (auto file = FindEntry(dir, name, IsRegularFile)) return file;
  return FindEntry(dir, name, Exists);
}

std::string ProgramDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !exe.has_parent_path()) return "./";
  std::string dir = exe.parent_path().string();
  if (dir.back() != '/') dir += '/';
  return dir;
}

TFileRead ReadWholeFile(const std::string& path, size_t maxBytes) {
  // Anything but a regular file is refused before it is opened, since opening a device can act
  // (a watchdog starts, a tape rewinds); the opened descriptor is asked again, as the name may
  // have been given to something else in between.
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return NotRead(NotRegularFileKind(info.st_mode));
  // Opened without waiting: a FIFO put there in between would otherwise block the open for ever.
  const TFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.IsOpen()) return NotRead(std::strerror(errno));
  if (::fstat(fd.Get(), &info) != 0) return NotRead(std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return NotRead(NotRegularFileKind(info.st_mode));
  ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
  // Read in pieces up to one byte past the bound: works for pipes and files whose size changes.
  std::vector<uint8_t> data;
  uint8_t buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      throw std::runtime_error(PrintablePath(path) + ": read error: " + std::strerror(error));
    }
    if (got == 0) break;
    if (data.size() + static_cast<size_t>(got) > maxBytes) {
      throw std::runtime_error(PrintablePath(path) + ": file larger than " + std::to_string(maxBytes) +
                               " bytes, refused");
    }
    data.insert(data.end(), buffer, buffer + got);
  }
  return {std::move(data), {}};
}
