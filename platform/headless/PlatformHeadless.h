// Controls of the headless platform: a virtual clock, scripted input, frames and sounds kept
// in memory. Only tests, the headless runner, benchmarks and fuzzers include this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Types.h"
#include "platform/Platform.h"

struct TInputState;

// Back to the start: clock 0, step 16 ms, no keys, focus on, pointer (320, 240), no frames.
void HeadlessReset();
void HeadlessSetStepMs(uint32_t ms);
uint32_t HeadlessStepMs();
// One frame's worth of virtual time.
void HeadlessAdvanceClock();
void HeadlessSetClock(uint32_t ms);

// The keys, pointer, focus and clock the platform answers with, to change directly. A focus
// changed here queues no event; HeadlessSetFocus does.
TInputState& HeadlessInput();
void HeadlessKeyDown(int vk);
void HeadlessKeyUp(int vk);
void HeadlessKeyTap(int vk);
void HeadlessSetCursor(TPoint p);
void HeadlessSetFocus(bool focused);
// Window events for a host loop to take with PlatformPollEvent.
void HeadlessPushKeyDownEvent(int vk);

// The last presented frame, as 16-bit pixels of Width x Height (tightly packed). A frame shown
// from the frame memory is read from there at the first call after its present, so what is
// drawn into that memory between the present and the call shows in it.
struct THeadlessFrame {
  std::vector<uint16_t> Pixels;
  int Width = 0;
  int Height = 0;
  bool Rgb555 = false;
};
const THeadlessFrame& HeadlessLastFrame();
// What the last PlatformOpenDisplay was asked for.
const TPlatformDisplayConfig& HeadlessDisplayConfig();
int HeadlessPresentCount();

// Audio: a virtual device that records what it is asked to do.
struct THeadlessAudioCall {
  std::string What;  // "play", "stop", "pan", "load", "free"
  int Channel = 0;
  int Sound = 0;
  int Left = 0;
  int Right = 0;
  uint32_t Tick = 0;
  int Pan = 0;  // "play": the pan last noted for the channel (HeadlessNoteAudioPan), 0 when none
};
void HeadlessSetAudioAvailable(bool available);
// The pan a player was given for a channel, before it became the gains the device is sent (gains
// near silence cannot be read back to it): reported with each later play on the channel.
void HeadlessNoteAudioPan(int channel, int pan);
const std::vector<THeadlessAudioCall>& HeadlessAudioLog();
void HeadlessClearAudioLog();
