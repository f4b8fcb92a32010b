// The main window TBasic: start-up, display set-up, the frame pump, activation, the one
// application-wide error handler and the orderly end. Platform-free: it speaks only to the
// platform seam, so the same window runs on SDL and headless.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/Activation.h"
#include "app/DisplaySetup.h"
#include "app/HoldScreen.h"
#include "app/MapKeeper.h"
#include "app/Notice.h"
#include "app/Replay.h"
#include "gfx/Display.h"
#include "platform/GameInput.h"
#include "platform/Platform.h"
#include "record/Recorder.h"

class TDXSound;
class TUserSettings;

class TBasic : public TDisplay {
 public:
  static constexpr const char* Caption = "Corvina Project";

  TBasic();
  ~TBasic() override;

  // The whole life of the window: create, show, the message loop, destroy. Returns the exit
  // status: 0 after an ordinary close, 1 when a failure closed the program, 3 to 5 when the end
  // did not keep all it was to keep (app/SessionEnd.h).
  int Run();
  // The same life for a host that owns the loop (the page): Start creates and shows (false
  // when that failed, and all is over), Turn takes what events are pending and runs a frame
  // when one is due, without ever waiting, until Closing(); Finish destroys and answers the
  // exit status.
  bool Start();
  void Turn();
  int Finish();

  // Window events, in the order the loop raises them.
  void FormCreate();
  void DDFormCreate();
  void FormShow();
  void DDFormShow(bool fullScreenMode);
  void FormPaint();
  void FormKeyDown(int key);
  void FormClose();
  void FormDestroy();
  void DDFormDestroy();

  // Application events.
  void FormMinimize();
  void FormOnRestore();
  void WMActivateApp(bool active);
  void AppException(const std::string& message);

  // The frame pump.
  void SetIdleOn(bool value);
  void IdleStep();
  void RunFrame();
  void EnterGame();
  void LeaveGame();
  // Asks the loop to end after the current event or frame.
  void Close();

  // The program's own keys beside the game: pause and help hold the frames (Esc closes them);
  // Print Screen or F9 saves the game's picture; F2 saves the map.
  void SetHold(THold hold);
  THold Hold() const { return FHold; }
  void TakeScreenshot();
  // Saves the map; false, the reason in *failure, when it could not be written. What became of it
  // is said by MapKept, at once or when the platform has kept the file.
  bool SaveMap(std::string* failure = nullptr);
  // What became of the map SaveMap wrote: said on the console and over the picture.
  void MapKept(const TPlatformFileKept& kept);
  // What became of the settings the page handed its storage: only a refusal is said.
  void SettingsKept(const TPlatformFileKept& kept);
  // Alt+Enter and F3, remembered in the settings.
  void ToggleFullScreen();
  void ToggleOverlay();
  // The notice line over the picture (a save's, the first start's hint).
  void DecoratePicture() override;
  const TNotice& Notice() const { return FNotice; }

  bool Closing() const { return FClosing; }
  // After a replay's end: what it said (as corvina --replay prints it) and its last picture's CRC.
  const std::string& ReplayVerdict() const { return FReplayVerdict; }
  uint32_t ReplayPicture() const { return FReplayPicture; }
  bool GameStarted() const { return FGameStarted; }

  TActivation FPump;
  bool FSetupPending = false;
  int FScale = 1;  // windowed: client area = back buffer x FScale
  bool FIntegerScale = false;
  int FFramesPerSecond = 60;  // presentation pace without a display that keeps it
  bool FVerbose = false;      // frames, seconds and frame rate printed at the end
  TPlatformDisplayConfig::TPresenter FPresenter = TPlatformDisplayConfig::TPresenter::Auto;
  int FFramesRun = 0;
  std::unique_ptr<TDXSound> FSound;
  // The player's settings kept between runs, which the game's choices change (the page's in the
  // browser's storage); none (tests) keeps nothing. The window's client area asked for; 0 x 0:
  // from FScale.
  TUserSettings* FUserSettings = nullptr;
  TPlatformSize FWindowSize;
  // The keys the help lists and the first start's hint names (the page has its own).
  const TKeyGuide* FKeys = &DesktopKeys;

  // What the program keeps of a session: the map file (F2 saves it; with --map so does every
  // ordinary end), a recording made as the game runs, a recording replayed instead of the
  // machine's input.
  TMapKeeper FKeeper;
  std::unique_ptr<TRecorder> FRecorder;
  std::unique_ptr<TReplay> FReplay;
  // What the game reads: the machine's input, taken before each frame, or the replay's.
  TInputState FInput;

  // The game procedures; tests count calls through them.
  std::function<void()> FGameStart;
  std::function<void()> FGameFrame;
  std::function<void()> FGameStop;

 private:
  void CreateSoundPlayer();
  void ShowNoticeWhileHeld();
  // A key during a replay, whose input is the recording's.
  void ReplayKeyDown(int key);
  // The window's size kept in the settings when the player changed it.
  void RememberWindowSize();
  // The key hint over the first start's picture, until it has been shown once in full.
  // The remembered volume and mute applied, and every change the player makes remembered.
  void RememberSound();
  void ShowFirstHint();
  void WatchHint();
  void Dispatch(const TPlatformEvent& event);
  // Once the game has started: the map as kept, the recording's first lines.
  void StartSession();
  // At the end, while the world still stands: the recording ended, the replay judged, the map
  // saved, or its edits rescued.
  void FinishSession();
  // Something the session was to keep was not kept: the exit status that says which.
  void Unkept(int status);
  // Runs `step`; an exception out of it goes to AppException.
  void Guarded(const std::function<void()>& step);

  bool FClosing = false;
  bool FFailed = false;
  bool FDisplayOpen = false;
  bool FGameStarted = false;
  int FReplayStatus = 0;        // the replay's verdict: 0 as recorded, 1 differs, 2 not to be judged
  std::string FReplayVerdict;
  uint32_t FReplayPicture = 0;
  int FUnkept = 0;              // the highest status of ExitMapRescued…ExitEditsLost that applies
  TPlatformSize FOpenedWindow;  // the windowed size as the display opened
  bool FHintShown = false;
  THold FHold = THold::None;
  THoldScreen FHoldScreen;
  TNotice FNotice;
  uint32_t FStartTicks = 0;
};

// The one main window of the running program (nil outside Run's caller's lifetime). Its owner
// sets it; a window being destroyed clears it when it points to that window.
extern TBasic* Basic;
