// The map the player edits and the file it is kept in: the one given to --map, or MAP.DAT in the
// user's data folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "core/FileDescriptor.h"
#include "platform/Platform.h"

class TMap;
class TSystem;

// A lock file this process holds: removed, while still held, when it goes, so that clean ends
// leave no lock files behind. A program that dies leaves its file, unlocked, for the next to take.
class THeldLock {
 public:
  THeldLock(std::unique_ptr<TFileDescriptor> fd, std::filesystem::path path);
  ~THeldLock();
  THeldLock(const THeldLock&) = delete;
  THeldLock& operator=(const THeldLock&) = delete;

 private:
  std::unique_ptr<TFileDescriptor> FFd;
  std::filesystem::path FPath;
  int FOwner;  // the process that took it: a forked child lets it be
};

class TMapKeeper {
 public:
  // `named`: the file given to --map; empty when none was.
  explicit TMapKeeper(std::filesystem::path named = {});

  bool Named() const { return !FNamed.empty(); }
  // The named file, or $XDG_DATA_HOME/corvina/MAP.DAT (~/.local/share/… when unset).
  std::filesystem::path Path() const;

  // Takes the lock that keeps a second program off Path() while this keeper lives (a program that
  // dies lets it go). The refusal, naming the file, when another program holds it; a lock that
  // cannot be made at all is warned about, and the game plays on unlocked.
  std::optional<std::string> Lock();

  // The terrain as `map` has it counts as kept (at the start, after a save).
  void Kept(const TMap& map);
  // Whether a cell's kind or height changed since.
  bool Unsaved(const TMap& map) const;
  // Writes the world's map to Path() (its folder made when it is the data folder), the file that
  // was there kept as Path().bak. False, with the path and the reason in *reason, when it could not
  // be written; the file is then as it was.
  bool Save(const TSystem& world, std::string* reason);
  // Whether the last Save failed (the player asked for a save that did not happen).
  bool LastSaveFailed() const { return FLastSaveFailed; }
  // Says on the console what became of the map Save wrote (a failure as a warning; a save to
  // the data folder with the command that plays on it again); the notice line that says it.
  std::string SayKept(const TPlatformFileKept& kept) const;

  // Writes the world's map, which Save could not keep, into a new file of the data folder
  // (MAP-rescue-YYYYMMDD-HHMMSS.DAT) and answers its path; nothing, with the reason in *reason,
  // when that cannot be written either.
  static std::optional<std::filesystem::path> Rescue(const TSystem& world, std::string* reason);

 private:
  std::filesystem::path FNamed;
  uint32_t FKeptTerrain = 0;
  bool FLastSaveFailed = false;
  std::unique_ptr<THeldLock> FLock;
};

// The CRC-32 of every cell's kind and height: what an edit changes and a save keeps.
uint32_t TerrainCrc(const TMap& map);

// Whether the file given to --map can be played on: absent in a folder that is there (the game then
// starts on its own map and the first save makes the file) or a valid map. The refusal otherwise,
// naming the file.
std::optional<std::string> MapFileRefusal(const std::filesystem::path& file);
