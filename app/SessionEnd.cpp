// The end of a session.
#include "app/SessionEnd.h"

#include <iostream>
#include <string>

#include "app/MapKeeper.h"
#include "app/Replay.h"
#include "record/Recorder.h"
#include "util/Printable.h"

bool EndRecording(TRecorder& recorder, const TSystem& world, int frames) {
  recorder.Finish(FinalStateOf(world, frames));
  if (recorder.Failed()) {
    std::cerr << "corvina: the recording is incomplete: " << recorder.Reason() << std::endl;
    return false;
  }
  std::cout << "corvina: recorded " << frames << " frames: " << PrintablePath(recorder.Path()) << std::endl;
  return true;
}

int RescueEdits(const TSystem& world, const std::string& reason) {
  std::string why;
  const auto rescue = TMapKeeper::Rescue(world, &why);
  if (!rescue) {
    std::cerr << "corvina: no rescue file could be made either: " << why << "; the edits are lost (" << reason << ")"
              << std::endl;
    return ExitEditsLost;
  }
  std::cerr << "corvina: the edits are kept in " << PrintablePath(*rescue) << " instead\n"
            << "corvina: to play on them again: corvina --map " << ShellQuoted(rescue->native()) << std::endl;
  return ExitMapRescued;
}

int JudgeReplay(const TReplay& replay, const TSystem& world, int frames, uint32_t picture, std::string* said) {
  int status = 0;
  const std::string verdict = replay.Verdict(world, frames, picture, status);
  if (said) *said = verdict;
  (status != 0 ? std::cerr : std::cout) << "corvina: " << verdict << std::endl;
  return status;
}
