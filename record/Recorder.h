// Writes a recording while the program runs: before each frame, the lines that bring a replay's
// input and program to what this frame reads (the keys as the game's latches hold them, the
// pointer and the focus when they change, the clock, the frame-rate count and the overlay); the
// file flushed every second and the end line at the end.
//
// The lines go to "NAME.partial-…" beside the file (its links followed), which takes the file's
// place only once the end line is written: a session cut short leaves what it recorded under
// that name, and the file as it was.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/GameInput.h"
#include "record/Recording.h"
#include "util/AtomicFile.h"

// Whether `a` and `b` name one file: the same file where either is there, else the same path once
// links, "." and ".." are taken away.
bool NamesSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Why `record` cannot be the file a recording goes to while `map` is the map file the game keeps
// (the one given to --map, or the data folder's): it is no regular file, or it is that map or its
// .bak by any of their names. Nothing, when it can; the reason names `record`.
std::optional<std::string> RecordingTargetRefusal(const std::filesystem::path& record,
                                                  const std::filesystem::path& map);

class TRecorder {
 public:
  // Creates the partial file beside `path`; Failed() and Reason() tell when it cannot.
  explicit TRecorder(const std::filesystem::path& path);
  TRecorder(const TRecorder&) = delete;
  TRecorder& operator=(const TRecorder&) = delete;

  // When the game has started: the header, with `mapData` (the map's bytes) when the map came from
  // a file. A replay starts from a fresh input at `startClock`, the frame-rate count at
  // `rateFrames` and the overlay as the switches say.
  void Start(const TRecordedSwitches& switches, uint32_t startClock, uint32_t startMap, int rateFrames,
             std::span<const uint8_t> mapData);
  // Before frame `frame` runs on `input`, with the display's count and the overlay as they are.
  void BeforeFrame(int frame, const TInputState& input, int rateFrames, bool overlay);
  // After it ran: what it consumed of the latches and counted.
  void AfterFrame(const TInputState& input, int rateFrames);
  // The end line, then the file flushed to the disk and put in the place of Path().
  void Finish(const TFinalState& state);

  bool Failed() const { return !FReason.empty(); }
  // The first failure: the path and the system's reason.
  const std::string& Reason() const { return FReason; }
  const std::filesystem::path& Path() const { return FPath; }
  // Where the lines go until Finish; empty once they are in Path() (or nothing was recorded).
  const std::filesystem::path& PartialPath() const { return FFile->PartialPath(); }

 private:
  void Line(const std::string& line);
  void Flush();
  void Fail();

  std::filesystem::path FPath;
  std::unique_ptr<TAtomicFile> FFile;
  std::string FPending;  // written out at the next flush
  std::string FReason;
  TInputState FReplay;      // what a replay's input holds now
  int FRateFrames = 0;      // a replay's frame-rate count now
  bool FOverlay = true;     // a replay's overlay now
  uint32_t FFlushedAt = 0;  // the clock at the last flush
};
