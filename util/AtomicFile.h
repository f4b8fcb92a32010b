// Every file the programs write is written whole or not at all: the bytes go to a temporary
// file in the target's folder, are flushed to the disk, and only then renamed over the target,
// whose folder is flushed last. A full disk, a failing device or a killed program leaves the old
// file as it was (at worst a stray hidden ".NAME.tmp-…" beside it), never a part of the new one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

// What becomes of the file a write replaces.
enum class TOldFile {
  Drop,
  // Kept whole as "NAME.bak" beside it (an older one replaced) before the new file takes its
  // place: a hard link, or a copy where the file system has none, so NAME is never missing.
  KeepAsBak,
};

// The whole of `bytes` as the file `path` (a symbolic link there is replaced, not followed). On
// failure returns false and, when `reason` is given, puts there the path and the system's reason:
// "shot.png: cannot write the file: No space left on device".
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                         std::string* reason = nullptr, TOldFile old = TOldFile::Drop);

// The same for a file written in pieces (a long trace).
class TAtomicFile {
 public:
  // Creates the temporary file at once; a failure there shows in Write, Commit and Reason.
  explicit TAtomicFile(std::filesystem::path path, TOldFile old = TOldFile::Drop);
  // Without a successful Commit the temporary file goes and `path` stays as it was.
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // Appends; false once anything has failed or after Commit.
  bool Write(std::span<const uint8_t> bytes);
  // Puts the new file in place of `path`; false when it or anything before it failed.
  bool Commit();
  // Empty until something fails; then the first failure, naming the path.
  const std::string& Reason() const { return FReason; }

 private:
  bool Fail(int error);
  bool KeepOld();
  void Discard();

  std::filesystem::path FPath;
  TOldFile FOld;
  std::filesystem::path FTemp;  // while it exists and is not yet renamed
  int FFd = -1;                 // while Write and Commit may go on
  std::string FReason;
};

// The steps of a write in their order, each a place where a test can make it fail.
enum class TAtomicStep { Create, Write, Sync, Close, KeepOld, Rename, SyncFolder };
// The next write that reaches `step` fails there with the system error `error`, as though the
// system had answered so (0 withdraws it). For tests.
void InjectAtomicFileFault(TAtomicStep step, int error);
