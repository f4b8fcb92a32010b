// Resource lookup over the embedded table (or a table set by a test), and loose files.
#include "res/Resources.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "core/FileDescriptor.h"
#include "res/EmbeddedTable.h"

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

}  // namespace

std::optional<std::span<const uint8_t>> FindResource(std::string_view name, int type) {
  for (const TResource& r : Table())
    if (r.Type == type && SameName(r.Name, name)) return r.Data;
  return std::nullopt;
}

void SetResourceTableForTesting(std::optional<std::vector<TResource>> table) { TestTable() = std::move(table); }

std::optional<std::string> FindLooseFile(const std::string& dir, const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
  const std::string exact = JoinPath(dir, name);
  if (IsRegularFile(exact)) return exact;
  // Several names may differ only in case; the first in byte order wins, so the choice is stable.
  std::optional<std::string> best;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (!SameName(entry, name) || (best && entry >= *best)) continue;
    if (IsRegularFile(JoinPath(dir, entry))) best = entry;
  }
  if (!best) return std::nullopt;
  return JoinPath(dir, *best);
}

std::string ProgramDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !exe.has_parent_path()) return "./";
  std::string dir = exe.parent_path().string();
  if (dir.back() != '/') dir += '/';
  return dir;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, size_t maxBytes) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return std::nullopt;
  // Opened without waiting: a FIFO nobody writes to would otherwise block the open for ever.
  // Reads then wait as usual, and end at once when there is no writer.
  const TFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.IsOpen()) return std::nullopt;
  ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
  // Read in pieces up to one byte past the bound: works for pipes and files whose size changes.
  std::vector<uint8_t> data;
  uint8_t buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      throw std::runtime_error(path + ": read error: " + std::strerror(error));
    }
    if (got == 0) break;
    if (data.size() + static_cast<size_t>(got) > maxBytes) {
      throw std::runtime_error(path + ": file larger than " + std::to_string(maxBytes) + " bytes, refused");
    }
    data.insert(data.end(), buffer, buffer + got);
  }
  return data;
}
