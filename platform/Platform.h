// The one seam between Corvina and the machine it runs on. Exactly one implementation is
// linked into each executable: PlatformSdl (the real program), PlatformWeb (the page) or
// PlatformHeadless (tests, the headless runner and the page's replay, benchmarks, fuzzers).
// Nothing above this header knows which.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/Types.h"
#include "platform/ChangedRows.h"

// ---- Clock ----
// Milliseconds since an arbitrary start; stands for both GetTickCount and timeGetTime.
// Wraps at 2^32 like them. Headless: a virtual clock advanced by a fixed step per frame.
uint32_t PlatformTicks();

// ---- Input ----
// Windows virtual-key state: bit 15 (0x8000) set while the key is down now, bit 0 set when the
// key was pressed since the previous query of this same key; the query clears bit 0.
// Keys and the two mouse buttons (VK_LBUTTON 1, VK_RBUTTON 2) are latched, so a press and
// release between two queries still shows as "pressed since". Does not look at the focus.
uint16_t PlatformAsyncKeyState(int vk);
// Forgets every latched key and button. Headless, the whole platform goes back to its start;
// on SDL the window and the audio device stay as they are.
void PlatformResetState();
// True while the game window has the keyboard focus.
bool PlatformHasFocus();
// Pointer position in back-buffer pixels; may lie outside the back buffer.
TPoint PlatformCursorPos();

// ---- Window and events ----
// A file the user keeps: a screenshot, a saved map, the player's settings (PlatformFileWritten).
enum class PlatformFileKind { Screenshot, Saved, Settings };
// What became of a file the user saved.
struct TPlatformFileKept {
  bool Kept = true;
  std::string Detail;  // kept: where, as the user knows the place (empty: at its path); else why not
  PlatformFileKind Kind = PlatformFileKind::Saved;
};
// Exposed: the picture shown was lost (the window uncovered, the page's GPU context restored)
// and wants showing again.
enum class TPlatformEventKind { FocusGained, FocusLost, Minimized, Restored, Exposed, KeyDown, Quit, FileKept };
struct TPlatformEvent {
  TPlatformEventKind Kind;
  int Vk = 0;                   // KeyDown only: the virtual-key code
  TPlatformFileKept File = {};  // FileKept only: the answer PlatformFileWritten left for later
};
// Takes the next pending window event without waiting; false when none is pending.
bool PlatformPollEvent(TPlatformEvent& event);
// Waits (without using the processor) for the next window event.
bool PlatformWaitEvent(TPlatformEvent& event);
// A signal asking the program to end (platform/EndSignals.h) is reported by both as Quit, also
// while the wait goes on.

struct TPlatformDisplayConfig {
  int Width = 640;  // back-buffer size in pixels
  int Height = 480;
  bool FullScreen = true;  // desktop full screen
  int Scale = 1;           // windowed: client area = back buffer x Scale, as far as the screen allows
  // Windowed: the client area asked for instead (a size the player chose), as far as the screen
  // allows; 0 x 0: from Scale.
  int WindowWidth = 0;
  int WindowHeight = 0;
  // The picture fills the output at its own aspect ("sharp": a whole-factor enlargement, then
  // filtered down); true keeps to whole factors, with bars.
  bool IntegerScale = false;
  // Presentation pace when the display does not keep it (no vertical sync, or a refresh
  // outside 50..75 Hz); 0: unpaced.
  int FramesPerSecond = 60;
  // How frames reach the screen: Auto takes the GPU renderer unless it is a software
  // rasterizer, and then draws into the window's own surface, scaling on the processor.
  enum class TPresenter { Auto, Gpu, Surface } Presenter = TPresenter::Auto;
  std::string Title = "Corvina Project";
  // The window's icon: IconSize x IconSize pixels of 4 bytes (red, green, blue, alpha), rows
  // top first, kept by the caller while the window is open; none when empty.
  std::span<const uint8_t> Icon;
  int IconSize = 0;
};
enum class TPlatformDisplayStep { Ok, Video, Window, Renderer, Texture };
// Opens the window; on failure returns the step that failed and fills *error (may be null).
TPlatformDisplayStep PlatformOpenDisplay(const TPlatformDisplayConfig& config, std::string* error);
void PlatformCloseDisplay();
// Leaves full screen (before a dialog); harmless when windowed or closed.
void PlatformLeaveFullScreen();
// Switches between window and full screen while the game runs; answers whether it is now
// full screen. The picture, the world and the frame count are untouched.
bool PlatformToggleFullScreen();
// The window's client area while windowed, or as it was when last windowed (as it will be when
// full screen is left); 0 x 0 where the platform has no window of its own.
struct TPlatformSize {
  int Width = 0;
  int Height = 0;
  bool operator==(const TPlatformSize&) const = default;
};
TPlatformSize PlatformWindowedSize();
// Shows one finished 16-bit frame (5-6-5, or 5-5-5 when rgb555), paced by the display. changed:
// the rows that may differ from the frame presented before (null: any); a platform that keeps
// the picture it showed may convert and send only those.
void PlatformPresent(const uint16_t* pixels, int pitchBytes, int width, int height, bool rgb555,
                     const TChangedRows* changed = nullptr);
// Memory to draw the frames in, where the platform shows a frame straight from memory it
// keeps: `pixels` 16-bit pixels, shared so that neither side outlives what the other reads.
// A frame presented from it is not copied. Null where the platform converts every frame on its
// way to the screen anyway; PlatformPresent takes frames from any memory.
std::shared_ptr<uint16_t[]> PlatformFrameMemory(size_t pixels);
// Modal error dialog with one OK button; returns at once when dialogs are disabled. SIGINT,
// SIGTERM or SIGHUP while it is shown ends the program with status 1, as closing it would, and
// takes the dialog with it.
void PlatformShowError(const std::string& caption, const std::string& message);
void PlatformBeep();
// Screen saver off while a game runs; ReleasePointer frees any pointer confinement.
void PlatformSetScreenSaver(bool enabled);
void PlatformReleasePointer();

// ---- Files the user keeps ----
// A file written for the user (a screenshot, a saved map, the settings) is complete at `path`.
// Answers what became of it when that is known at once: the desktop has nothing more to do
// (kept at its path), the page offers a screenshot as a download. The page keeps a saved file
// and the settings in the browser's persistent storage, which answers later: then nothing is
// answered here, and one FileKept event of that kind brings the outcome. Nothing is kept until
// that outcome says so.
std::optional<TPlatformFileKept> PlatformFileWritten(const std::string& path, PlatformFileKind kind);

// ---- Audio device: one mixer channel per sound slot ----
struct TPlatformPcm {
  const uint8_t* Data = nullptr;  // interleaved PCM, copied by PlatformAudioLoad
  size_t Size = 0;                // bytes
  int Channels = 1;
  int SamplesPerSec = 11025;
  int BitsPerSample = 8;  // 8 (unsigned) or 16 (signed little-endian)
};
// False when no device can be opened: the caller then stays silent, and *why (may be null) says
// what stood in the way. What the audio libraries print while trying is not shown.
bool PlatformAudioOpen(int channels, std::string* why = nullptr);
void PlatformAudioClose();
// A handle > 0 for the loaded sound, or 0 when it cannot be converted.
int PlatformAudioLoad(const TPlatformPcm& pcm);
void PlatformAudioFree(int sound);
// Plays the sound on a channel from its start, once, stopping what the channel played.
void PlatformAudioPlay(int channel, int sound);
void PlatformAudioStop(int channel);
// Gains 0..255 per side; 255/255 is unattenuated.
void PlatformAudioSetPanning(int channel, uint8_t left, uint8_t right);
