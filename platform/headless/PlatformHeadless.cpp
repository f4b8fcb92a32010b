// The headless platform: virtual clock, scripted input, frames and sounds kept in memory.
#include "platform/headless/PlatformHeadless.h"

#include <algorithm>
#include <deque>
#include <map>
#include <memory>

#include "platform/EndSignals.h"
#include "platform/GameInput.h"
#include "platform/Platform.h"

namespace {
struct THeadlessState {
  TInputState Input;
  uint32_t Step = 16;
  bool FullScreen = false;
  std::deque<TPlatformEvent> Events;
  THeadlessFrame Last;
  TPlatformDisplayConfig Display;
  int Presents = 0;
  // The frame memory handed out last; a frame presented from it stays there, unpacked, in
  // Shown until it is asked for.
  std::shared_ptr<uint16_t[]> Handed;
  size_t HandedPixels = 0;
  std::shared_ptr<uint16_t[]> Shown;
  const uint16_t* ShownAt = nullptr;
  int ShownPitch = 0;  // bytes
  bool AudioAvailable = true;
  bool AudioOpen = false;
  int NextSound = 1;
  std::map<int, size_t> Sounds;
  std::map<int, int> Pans;  // by channel, as noted
  std::vector<THeadlessAudioCall> AudioLog;
};
THeadlessState& S() {
  static THeadlessState s;
  return s;
}
}  // namespace

void HeadlessReset() { S() = THeadlessState{}; }
void HeadlessSetStepMs(uint32_t ms) { S().Step = ms; }
uint32_t HeadlessStepMs() { return S().Step; }
void HeadlessAdvanceClock() { S().Input.Clock += S().Step; }
void HeadlessSetClock(uint32_t ms) { S().Input.Clock = ms; }
void HeadlessKeyDown(int vk) { S().Input.Keys.Press(vk); }
void HeadlessKeyUp(int vk) { S().Input.Keys.Release(vk); }
void HeadlessKeyTap(int vk) { S().Input.Keys.Tap(vk); }
TInputState& HeadlessInput() { return S().Input; }
void HeadlessSetCursor(TPoint p) { S().Input.Cursor = p; }
void HeadlessSetFocus(bool focused) {
  if (S().Input.Focus != focused) {
    S().Events.push_back({focused ? TPlatformEventKind::FocusGained : TPlatformEventKind::FocusLost});
  }
  S().Input.Focus = focused;
}
void HeadlessPushKeyDownEvent(int vk) { S().Events.push_back({TPlatformEventKind::KeyDown, vk}); }
namespace {

void CopyFrame(const uint16_t* pixels, int pitchBytes, int width, int height, bool rgb555) {
  THeadlessFrame& f = S().Last;
  f.Width = width;
  f.Height = height;
  f.Rgb555 = rgb555;
  f.Pixels.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const uint16_t*>(reinterpret_cast<const uint8_t*>(pixels) +
                                                        static_cast<ptrdiff_t>(y) * pitchBytes);
    std::copy(row, row + width, f.Pixels.begin() + static_cast<ptrdiff_t>(y) * width);
  }
}

// A frame shown from the frame memory, packed into Last now that it is asked for.
void PackShown() {
  if (!S().Shown) return;
  CopyFrame(S().ShownAt, S().ShownPitch, S().Last.Width, S().Last.Height, S().Last.Rgb555);
  S().Shown.reset();
}

}  // namespace

const THeadlessFrame& HeadlessLastFrame() {
  PackShown();
  return S().Last;
}
const TPlatformDisplayConfig& HeadlessDisplayConfig() { return S().Display; }
int HeadlessPresentCount() { return S().Presents; }
void HeadlessSetAudioAvailable(bool available) { S().AudioAvailable = available; }
const std::vector<THeadlessAudioCall>& HeadlessAudioLog() { return S().AudioLog; }
void HeadlessClearAudioLog() { S().AudioLog.clear(); }
void HeadlessNoteAudioPan(int channel, int pan) { S().Pans[channel] = pan; }

uint32_t PlatformTicks() { return S().Input.Clock; }
uint16_t PlatformAsyncKeyState(int vk) { return S().Input.Keys.Query(vk); }
void PlatformResetState() { HeadlessReset(); }
bool PlatformHasFocus() { return S().Input.Focus; }
TPoint PlatformCursorPos() { return S().Input.Cursor; }

bool PlatformPollEvent(TPlatformEvent& event) {
  if (EndSignalled()) {
    event = {TPlatformEventKind::Quit};
    return true;
  }
  if (S().Events.empty()) return false;
  event = S().Events.front();
  S().Events.pop_front();
  return true;
}

// Nothing else will ever arrive headless: an empty queue means the window was closed.
bool PlatformWaitEvent(TPlatformEvent& event) {
  if (PlatformPollEvent(event)) return true;
  event = {TPlatformEventKind::Quit};
  return true;
}

TPlatformDisplayStep PlatformOpenDisplay(const TPlatformDisplayConfig& config, std::string*) {
  S().Display = config;
  S().FullScreen = config.FullScreen;
  return TPlatformDisplayStep::Ok;
}
void PlatformCloseDisplay() {}
void PlatformLeaveFullScreen() { S().FullScreen = false; }
bool PlatformToggleFullScreen() { return S().FullScreen = !S().FullScreen; }
TPlatformSize PlatformWindowedSize() { return {}; }

void PlatformPresent(const uint16_t* pixels, int pitchBytes, int width, int height, bool rgb555, const TChangedRows*) {
  ++S().Presents;
  const uint16_t* handed = S().Handed.get();
  const size_t last = static_cast<size_t>(height - 1) * (pitchBytes / 2) + width;
  if (handed != nullptr && height > 0 && pitchBytes > 0 && pixels >= handed &&
      static_cast<size_t>(pixels - handed) + last <= S().HandedPixels) {
    S().Shown = S().Handed;
    S().ShownAt = pixels;
    S().ShownPitch = pitchBytes;
    S().Last.Width = width;
    S().Last.Height = height;
    S().Last.Rgb555 = rgb555;
    return;
  }
  S().Shown.reset();
  CopyFrame(pixels, pitchBytes, width, height, rgb555);
}

std::shared_ptr<uint16_t[]> PlatformFrameMemory(size_t pixels) {
  // Memory handed out before may still hold the last frame; it stays while it is shown.
  S().Handed = std::shared_ptr<uint16_t[]>(std::make_unique<uint16_t[]>(pixels));
  S().HandedPixels = pixels;
  return S().Handed;
}

void PlatformShowError(const std::string&, const std::string&) {}
void PlatformBeep() {}
void PlatformSetScreenSaver(bool) {}
void PlatformReleasePointer() {}
std::optional<TPlatformFileKept> PlatformFileWritten(const std::string&, PlatformFileKind) {
  return TPlatformFileKept{};
}

bool PlatformAudioOpen(int, std::string* why) {
  S().AudioOpen = S().AudioAvailable;
  if (!S().AudioOpen && why) *why = "no audio device on this machine";
  return S().AudioOpen;
}
void PlatformAudioClose() {
  S().AudioOpen = false;
  S().Sounds.clear();
  S().Pans.clear();
}
int PlatformAudioLoad(const TPlatformPcm& pcm) {
  if (!S().AudioOpen || pcm.Data == nullptr || pcm.Size == 0) return 0;
  int id = S().NextSound++;
  S().Sounds[id] = pcm.Size;
  S().AudioLog.push_back({"load", 0, id, 0, 0, S().Input.Clock});
  return id;
}
void PlatformAudioFree(int sound) {
  if (S().Sounds.erase(sound)) S().AudioLog.push_back({"free", 0, sound, 0, 0, S().Input.Clock});
}
void PlatformAudioPlay(int channel, int sound) {
  if (!S().AudioOpen) return;
  const auto pan = S().Pans.find(channel);
  S().AudioLog.push_back({"play", channel, sound, 0, 0, S().Input.Clock, pan == S().Pans.end() ? 0 : pan->second});
}
void PlatformAudioStop(int channel) {
  if (S().AudioOpen) S().AudioLog.push_back({"stop", channel, 0, 0, 0, S().Input.Clock});
}
void PlatformAudioSetPanning(int channel, uint8_t left, uint8_t right) {
  if (S().AudioOpen) S().AudioLog.push_back({"pan", channel, 0, left, right, S().Input.Clock});
}
