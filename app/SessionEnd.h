// The end of a session, while the world still stands: the recording ended and the replay judged.
// What each says goes to standard output, or to standard error when something is amiss.
#pragma once

#include <cstdint>

class TRecorder;
class TReplay;
class TSystem;

// Writes the recording's end line and says where the recording is, or that it is incomplete.
void EndRecording(TRecorder& recorder, const TSystem& world, int frames);

// Says whether the replay ended as recorded, `picture` shown last; true when it did.
bool JudgeReplay(const TReplay& replay, const TSystem& world, int frames, uint32_t picture);
