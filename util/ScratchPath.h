// A file or directory of this process under the temporary directory, removed with everything
// in it when the process ends: test and fuzzing processes run by the thousand and must leave
// nothing behind.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

class TScratchPath {
 public:
  explicit TScratchPath(const std::string& stem)
      : Path(std::filesystem::temp_directory_path() / (stem + "-" + std::to_string(getpid()))) {}
  ~TScratchPath() {
    std::error_code ignored;
    std::filesystem::remove_all(Path, ignored);
  }
  TScratchPath(const TScratchPath&) = delete;
  TScratchPath& operator=(const TScratchPath&) = delete;

  const std::filesystem::path Path;
};

// The same, made as a directory at once.
class TScratchDirectory : public TScratchPath {
 public:
  explicit TScratchDirectory(const std::string& stem) : TScratchPath(stem) {
    std::filesystem::create_directories(Path);
  }
};
