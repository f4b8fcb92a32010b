// The end of a session.
#include "app/SessionEnd.h"

#include <algorithm>
#include <iostream>
#include <string>

#include "app/MapKeeper.h"
#include "app/Replay.h"
#include "core/Log.h"
#include "game/World.h"
#include "record/Recorder.h"
#include "util/Printable.h"

bool EndRecording(TRecorder& recorder, const TSystem& world, int frames) {
  recorder.Finish(FinalStateOf(world, frames));
  if (recorder.Failed()) {
    LogWarning("the recording is incomplete: " + recorder.Reason());
    return false;
  }
  std::cout << "corvina: recorded " << frames << " frames: " << PrintablePath(recorder.Path()) << std::endl;
  return true;
}

int RescueEdits(const TSystem& world, const std::string& reason) {
  std::string why;
  const auto rescue = TMapKeeper::Rescue(world, &why);
  if (!rescue) {
    LogWarning("no rescue file could be made either: " + why + "; the edits are lost (" + reason + ")");
    return ExitEditsLost;
  }
  LogWarning("the edits are kept in " + PrintablePath(*rescue) + " instead");
  LogWarning("to play on them again: corvina --map " + ShellQuoted(rescue->native()));
  return ExitMapRescued;
}

int JudgeReplay(const TReplay& replay, const TSystem& world, int frames, uint32_t picture, std::string* said) {
  int status = 0;
  const std::string verdict = replay.Verdict(world, frames, picture, status);
  if (said) *said = verdict;
  if (status != 0) {
    LogWarning(verdict);
  } else {
    std::cout << "corvina: " << verdict << std::endl;
  }
  return status;
}

TSessionVerdict EndSession(const TSystem& world, int frames, uint32_t picture, TRecorder* recorder,
                           const TReplay* replay, const TMapKeeper& keeper,
                           const std::function<bool(std::string*)>& saveMap) {
  TSessionVerdict verdict;
  if (recorder && !EndRecording(*recorder, world, frames)) verdict.Unkept = ExitRecordingIncomplete;
  if (replay) {
    verdict.Replay = JudgeReplay(*replay, world, frames, picture, &verdict.ReplaySaid);
    return verdict;
  }
  // Without --map the end saves only what the player asked F2 to save and it could not.
  if (!keeper.Unsaved(*world.FMap) || !(keeper.Named() || keeper.LastSaveFailed())) return verdict;
  std::string reason;
  if (!saveMap(&reason)) verdict.Unkept = std::max(verdict.Unkept, RescueEdits(world, reason));
  return verdict;
}
