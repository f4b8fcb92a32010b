// The end of a session.
#include "app/SessionEnd.h"

#include <iostream>
#include <string>

#include "app/Replay.h"
#include "record/Recorder.h"
#include "util/Printable.h"

void EndRecording(TRecorder& recorder, const TSystem& world, int frames) {
  recorder.Finish(FinalStateOf(world, frames));
  if (recorder.Failed()) {
    std::cerr << "corvina: the recording is incomplete: " << recorder.Reason() << std::endl;
  } else {
    std::cout << "corvina: recorded " << frames << " frames: " << PrintablePath(recorder.Path()) << std::endl;
  }
}

bool JudgeReplay(const TReplay& replay, const TSystem& world, int frames, uint32_t picture) {
  bool differed = false;
  const std::string verdict = replay.Verdict(world, frames, picture, differed);
  (differed ? std::cerr : std::cout) << "corvina: " << verdict << std::endl;
  return !differed;
}
