// The main window TBasic: its events, the frame pump, activation and the error handler. Its
// part in the session is in MainSession.cpp.
#include "app/MainUtDX.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>
#include <utility>

#include "app/SessionEnd.h"
#include "app/SoundKeys.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "game/World.h"
#include "platform/VirtualKeys.h"
#include "sound/DXSound1.h"
#include "sound/Footstep.h"

TBasic* Basic = nullptr;

TBasic::TBasic() : FGameStart(GameStart), FGameFrame(GameFrame), FGameStop(GameStop) { Display = this; }

TBasic::~TBasic() {
  if (Display == this) Display = nullptr;
  if (Basic == this) Basic = nullptr;
}

int TBasic::Run() {
  if (!Start()) return 1;
  while (!FClosing) {
    TPlatformEvent event;
    if (FPump.FrameDue() && FHold == THold::None) {
      Turn();
    } else if (PlatformWaitEvent(event)) {
      Guarded([&] { Dispatch(event); });
    } else {
      Close();
    }
  }
  return Finish();
}

bool TBasic::Start() {
  try {
    FormCreate();
  } catch (const std::exception& e) {
    // Before the error handler exists: the message under the program's title, then the end.
    LogWarning(e.what());
    PlatformShowError(Caption, e.what());
    FormDestroy();
    FClosing = FFailed = true;
    return false;
  }
  Guarded([this] { FormShow(); });
  return true;
}

void TBasic::Turn() {
  TPlatformEvent event;
  while (!FClosing && PlatformPollEvent(event)) Guarded([&] { Dispatch(event); });
  if (!FClosing) Guarded([this] { IdleStep(); });
}

int TBasic::Finish() {
  try {
    FormDestroy();
  } catch (const std::exception& e) {
    LogWarning(e.what());
    FFailed = true;
  }
  if (FVerbose) {
    const double seconds = static_cast<uint32_t>(PlatformTicks() - FStartTicks) / 1000.0;
    std::fprintf(stderr, "corvina: %d frames in %.2f s, %.1f frames a second\n", FFramesRun, seconds,
                 seconds > 0 ? FFramesRun / seconds : 0.0);
  }
  if (FUnkept != 0) return FUnkept;
  return FFailed ? 1 : FReplayStatus;
}

void TBasic::Guarded(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception& e) {
    AppException(e.what());
  } catch (...) {
    AppException("Unknown error");
  }
}

void TBasic::Dispatch(const TPlatformEvent& event) {
  switch (event.Kind) {
    case TPlatformEventKind::FocusGained: WMActivateApp(true); break;
    case TPlatformEventKind::FocusLost: WMActivateApp(false); break;
    case TPlatformEventKind::Minimized: FormMinimize(); break;
    case TPlatformEventKind::Restored: FormOnRestore(); break;
    case TPlatformEventKind::Exposed: FormPaint(); break;
    case TPlatformEventKind::KeyDown: FormKeyDown(event.Vk); break;
    case TPlatformEventKind::Quit: Close(); break;
    case TPlatformEventKind::FileKept:
      if (event.File.Kind == PlatformFileKind::Settings) {
        SettingsKept(event.File);
      } else {
        MapKept(event.File);
      }
      break;
  }
}

void TBasic::FormCreate() {
  ApplyScreenSize();
  FPump = TActivation(Settings.FullScreen);
  FPump.FActive = true;
  if (Settings.SoundOn) CreateSoundPlayer();
  DDFormCreate();
}

void TBasic::CreateSoundPlayer() {
  FSound = std::make_unique<TDXSound>();
  if (!FSound->HasDevice()) LogWarning("no sound in this run: " + FSound->DeviceFailure());
  HostSound = FSound.get();
  LoadFootstep(*FSound, Settings.UseResources);
}

void TBasic::DDFormCreate() {
  FSetupPending = true;
  FLocked = false;
  FPump.FSavedIdle = false;
  FPump.FIdleOn = false;
}

void TBasic::FormShow() { DDFormShow(Settings.FullScreen); }

void TBasic::DDFormShow(bool fullScreenMode) {
  if (!FSetupPending) return;
  FSetupPending = false;
  TPlatformDisplayConfig config;
  config.Width = ScreenWidth;
  config.Height = ScreenHeight;
  config.FullScreen = fullScreenMode;
  config.Scale = FScale;
  config.IntegerScale = FIntegerScale;
  config.FramesPerSecond = FFramesPerSecond;
  config.Presenter = FPresenter;
  config.Title = Caption;
  config.WindowWidth = FWindowSize.Width;
  config.WindowHeight = FWindowSize.Height;
  OpenDisplay(std::move(config));
  FDisplayOpen = true;
  FOpenedWindow = PlatformWindowedSize();
  // The platform hides the system pointer over its window: the game draws its own.
  CreateSurfaces(fullScreenMode, PixelKind565);
  EnterGame();
}

void TBasic::FormPaint() {
  if (FDisplayOpen && FSheets[1] && FSheets[2]) ReloadSheets();
  // Held frames do not redraw themselves: show the held picture again.
  if (FHold != THold::None) {
    FHoldScreen.Draw(*this, FHold, *FKeys);
    PresentBackBuffer();
  } else if (FDisplayOpen && !FClosing && !FPump.FrameDue()) {
    // Nor do the frames of a program out of focus: the last one shown again.
    PresentBackBuffer();
  }
}

void TBasic::FormKeyDown(int key) {
  if (const auto said = PlayerSoundKey(key, FSound.get())) {
    FNotice.Show(*said, PlatformTicks());
    ShowNoticeWhileHeld();
    return;
  }
  if (FReplay) {
    ReplayKeyDown(key);
    return;
  }
  switch (key) {
    case VK_F12: Close(); break;
    case VK_F2: SaveMap(); break;
    case VK_RETURN:
      if (PlatformAsyncKeyState(VK_MENU) & 0x8000) ToggleFullScreen();
      break;
    case VK_PAUSE:
    case 'P': SetHold(FHold == THold::Paused ? THold::None : THold::Paused); break;
    case VK_F1: SetHold(FHold == THold::Help ? THold::None : THold::Help); break;
    // Esc closes a panel; the game never sees it (SetHold forgets the keys pressed meanwhile).
    case VK_ESCAPE: SetHold(THold::None); break;
    case VK_F3: ToggleOverlay(); break;
    // F9 too: desktops keep Print Screen for their own screenshot tool.
    case VK_SNAPSHOT:
    case VK_F9: TakeScreenshot(); break;
    default: break;
  }
}

// The window keeps its fixed border; closing the main window ends the program.
void TBasic::FormClose() {}

void TBasic::FormDestroy() {
  DDFormDestroy();
  if (FSound) {
    FSound->Shutdown();
    HostSound = nullptr;
    FSound.reset();
  }
}

void TBasic::DDFormDestroy() {
  UnlockBackBuffer();
  SetIdleOn(false);
  LeaveGame();
  ReleaseSurfaces();
  if (FDisplayOpen) {
    RememberWindowSize();
    PlatformCloseDisplay();
    FDisplayOpen = false;
  }
}

void TBasic::FormMinimize() { FPump.Minimize(); }

void TBasic::FormOnRestore() { FPump.Restore(); }

void TBasic::WMActivateApp(bool active) {
  if (FPump.Activate(active) && !FReplay) RestartRateMeasurement();
}

void TBasic::AppException(const std::string& message) {
  PlatformBeep();
  bool idle = FPump.FIdleOn;
  SetIdleOn(false);
  bool locked = FLocked;
  if (locked) UnlockBackBuffer();
  if (FDisplayOpen) PlatformLeaveFullScreen();
  LogWarning(message);
  PlatformShowError("Error", message);
  if (locked) LockBackBuffer();
  SetIdleOn(idle);
  FFailed = true;
  Close();
}

void TBasic::SetIdleOn(bool value) { FPump.SetIdleOn(value); }

void TBasic::IdleStep() {
  if (!FPump.FrameDue() || FHold != THold::None) return;
  if (FReplay && !FReplay->Due(FFramesRun + 1, PlatformTicks())) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return;
  }
  RunFrame();
}

void TBasic::RunFrame() {
  if (FReplay && FFramesRun >= FReplay->Frames()) {
    Close();
    return;
  }
  ++FFramesRun;
  if (FReplay) {
    FReplay->Feed(FFramesRun, FInput);
  } else {
    TakeMachineInput(FInput);
  }
  if (FRecorder) FRecorder->BeforeFrame(FFramesRun, FInput, FRateFrames, Settings.ShowOverlay);
  FGameFrame();
  // For timing the start from outside (bench/present/present_cpu.py).
  if (FVerbose && FFramesRun == 1) std::fprintf(stderr, "corvina: first frame shown\n");
  if (FRecorder) FRecorder->AfterFrame(FInput, FRateFrames);
  if (CloseRequested || (FReplay && FFramesRun >= FReplay->Frames())) Close();
}

void TBasic::EnterGame() {
  PlatformSetScreenSaver(false);
  CloseRequested = false;
  // Marked before the start: a start that fails half-way is stopped like a whole one.
  FGameStarted = true;
  FStartTicks = PlatformTicks();
  // The game reads its input from here on; it starts with nothing pressed, as a replay's does.
  FInput = TInputState{};
  FInput.Clock = FReplay ? FReplay->Recording().StartClock : PlatformTicks();
  SetGameInput(&FInput);
  RestartRateMeasurement();
  FGameStart();
  StartSession();
}

void TBasic::LeaveGame() {
  if (FGameStarted) {
    FGameStarted = false;
    FinishSession();
    FGameStop();
  }
  SetGameInput(nullptr);
  PlatformReleasePointer();
  PlatformSetScreenSaver(true);
}

void TBasic::Close() {
  if (FClosing) return;
  FClosing = true;
  FormClose();
}
