// Every file the programs write is written whole or not at all: the bytes go to a temporary
// file in the target's folder, are flushed to the disk, and only then renamed over the target,
// whose folder is flushed last. A full disk, a failing device or a killed program leaves the old
// file as it was, never a part of the new one.
//
// The rules every write keeps:
// - A link is followed to the file it ends at, which is replaced; the link stays, and NAME.bak
//   goes beside that file.
// - What is there and is no regular file (a device, a FIFO, a socket, a folder) is refused by
//   its kind and left alone: nothing is opened that could wait or act.
// - The new file (and a NAME.bak made by copying) gets the mode, owner and group of the file it
//   replaces, the owner where the system permits (always as root).
// - Temporary files are named ".NAME.tmp-" and 16 random hex digits (NAME cut short, with a
//   checksum of the whole, where a long name would not leave room), held locked while their
//   writer lives. Those of writers that died (killed, or the machine stopped) are removed by the
//   next write of NAME; a live writer's never are.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// What becomes of the file a write replaces.
enum class TOldFile {
  // Forgotten: the new file simply takes its name.
  Forget,
  // Kept whole as "NAME.bak" beside it (an older one replaced) before the new file takes its
  // place: a hard link, or a copy where the file system has none, so NAME is never missing.
  // Where the folder cannot hold a name that long, the write goes on without one.
  KeepAsBak,
};

// Whether the file being written shows before it is whole.
enum class TPartial {
  Hidden,  // the hidden temporary above, removed when the write does not complete
  // "NAME.partial-…" beside the target (PartialPath), kept when the writer ends without Commit
  // once anything was written to it: a long recording cut short keeps what it had.
  Visible,
};

// Why `path` cannot be written, or nothing: it, or the file its links end at, exists and is no
// regular file, or the links cannot be followed. The words a write would fail with:
// "out.png: cannot write the file: is a FIFO". Programs ask it for paths given as switches, to
// refuse them before anything runs.
std::optional<std::string> WriteTargetRefusal(const std::filesystem::path& path);

// The file a write to `path` replaces: where its chain of links ends (`path` when it is no link,
// or when the chain cannot be followed).
std::filesystem::path WriteTargetOf(const std::filesystem::path& path);

// The whole of `bytes` as the file `path`. On failure returns false and, when `reason` is given,
// puts there the path and the system's reason:
// "shot.png: cannot write the file: No space left on device".
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                         std::string* reason = nullptr, TOldFile old = TOldFile::Forget);

// The whole of `bytes` as a new file in `folder` named `stem` + `extension` or, when that name is
// taken, `stem`-2 + `extension`, -3 and so on: the name is claimed (by a hard link, or an
// exclusive create where there are none) only once the file is whole, so two writers never take
// one name and nothing is replaced. The path written, or nothing with the reason in *reason.
std::optional<std::filesystem::path> WriteNewFileAtomically(const std::filesystem::path& folder, std::string_view stem,
                                                            std::string_view extension, std::span<const uint8_t> bytes,
                                                            std::string* reason = nullptr);

// The same as WriteFileAtomically for a file written in pieces (a long trace, a recording).
class TAtomicFile {
 public:
  // Creates the temporary file at once; a failure there shows in Write, Commit and Reason.
  explicit TAtomicFile(std::filesystem::path path, TOldFile old = TOldFile::Forget,
                       TPartial partial = TPartial::Hidden);
  // Without a successful Commit the temporary file goes (but see TPartial::Visible) and `path`
  // stays as it was.
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // Appends; false once anything has failed or after Commit.
  bool Write(std::span<const uint8_t> bytes);
  // Puts the new file in place of `path`; false when it or anything before it failed.
  bool Commit();
  // Empty until something fails; then the first failure, naming the path.
  const std::string& Reason() const { return FReason; }
  // The temporary file while it is there (and, Visible, once kept); empty after Commit.
  const std::filesystem::path& PartialPath() const { return FTemp; }

 private:
  friend std::optional<std::filesystem::path> WriteNewFileAtomically(const std::filesystem::path&, std::string_view,
                                                                     std::string_view, std::span<const uint8_t>,
                                                                     std::string*);
  struct TNewName {};
  TAtomicFile(std::filesystem::path path, TNewName);
  void Create();
  bool Flush();
  std::optional<std::filesystem::path> CommitNew(const std::filesystem::path& folder, std::string_view stem,
                                                 std::string_view extension);
  bool Fail(int error);
  bool KeepOld();
  void Discard();

  std::filesystem::path FPath;    // as given: the name in messages
  std::filesystem::path FTarget;  // the file replaced: FPath with its links followed
  TOldFile FOld = TOldFile::Forget;
  TPartial FPartial = TPartial::Hidden;
  std::filesystem::path FTemp;  // while it exists and is not yet renamed
  int FFd = -1;                 // while Write and Commit may go on
  int FHold = -1;               // keeps the temporary file locked from its close to its rename
  bool FWritten = false;        // a byte reached the temporary file
  std::string FReason;
};

// The steps of a write in their order, each a place where a test can make it fail.
enum class TAtomicStep { Create, Write, Sync, Close, KeepOld, Rename, SyncFolder };
// The next write that reaches `step` fails there with the system error `error`, as though the
// system had answered so (0 withdraws it). For tests.
void InjectAtomicFileFault(TAtomicStep step, int error);
