// The main window TBasic: its events, the frame pump, activation and the error handler.
#include "app/MainUtDX.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <thread>
#include <utility>

#include "app/OverPicture.h"
#include "app/Screenshot.h"
#include "app/SessionEnd.h"
#include "core/Settings.h"
#include "game/World.h"
#include "platform/VirtualKeys.h"
#include "res/Resources.h"
#include "sound/DXSound1.h"
#include "sound/Footstep.h"
#include "util/Printable.h"
#include "util/UserDirs.h"

TBasic* Basic = nullptr;

namespace {

// The program's icon resource, a square of RGBA pixels, for the window; none when absent or
// not square.
void AddWindowIcon(TPlatformDisplayConfig& config) {
  const auto icon = FindResource("MAINICON", RT_RGBA);
  if (!icon) return;
  const auto side = static_cast<size_t>(std::lround(std::sqrt(static_cast<double>(icon->size()) / 4)));
  if (side == 0 || side * side * 4 != icon->size()) return;
  config.Icon = *icon;
  config.IconSize = static_cast<int>(side);
}

}  // namespace

std::string SetupFailureMessage(TPlatformDisplayStep step, bool fullScreen) {
  // The platform reports failure, not a result code: -1 stands for it.
  const std::string number = "-1";
  switch (step) {
    case TPlatformDisplayStep::Ok: return {};
    case TPlatformDisplayStep::Video: return "DirectDraw 객체 생성 실패";
    case TPlatformDisplayStep::Window:
      return fullScreen ? "배타적 풀스크린 얻기 실패 : " + number : "일반 윈도우 모드 설정 실패";
    case TPlatformDisplayStep::Renderer:
      return fullScreen ? "복합 화상 공간 생성 실패 : " + number : "단일 화상 공간 생성 실패";
    case TPlatformDisplayStep::Texture: return fullScreen ? "후면 버퍼 생성 실패 : " + number : "가상 버퍼 생성 실패";
  }
  return {};
}

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
    std::cerr << "corvina: " << e.what() << '\n';
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
    std::cerr << "corvina: " << e.what() << '\n';
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
    case TPlatformEventKind::FileKept: MapKept(event.File); break;
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
  AddWindowIcon(config);
  std::string detail;
  TPlatformDisplayStep step = PlatformOpenDisplay(config, &detail);
  if (step != TPlatformDisplayStep::Ok) {
    // The detail may hold what the environment said (DISPLAY): shown as harmless text.
    if (!detail.empty()) std::cerr << "corvina: " << Printable(detail, EchoedPathChars) << '\n';
    throw std::runtime_error(SetupFailureMessage(step, fullScreenMode));
  }
  FDisplayOpen = true;
  // The platform hides the system pointer over its window: the game draws its own.
  CreateSurfaces(fullScreenMode, PixelKind565);
  EnterGame();
}

void TBasic::FormPaint() {
  if (FDisplayOpen && FSheets[1] && FSheets[2]) ReloadSheets();
  // Held frames do not redraw themselves: show the held picture again.
  if (FHold != THold::None) {
    FHoldScreen.Draw(*this, FHold);
    PresentBackBuffer();
  }
}

void TBasic::FormKeyDown(int key) {
  if (FReplay) {
    // A replay's input is the recording's: the keyboard only ends or pauses it.
    if (key == VK_ESCAPE && FHold != THold::None) {
      SetHold(THold::None);
      return;
    }
    if (key == VK_F12 || key == VK_ESCAPE) Close();
    if (key == VK_PAUSE || key == 'P') SetHold(FHold == THold::Paused ? THold::None : THold::Paused);
    return;
  }
  switch (key) {
    case VK_F12: Close(); break;
    case VK_F2: SaveMap(); break;
    case VK_RETURN:
      if (PlatformAsyncKeyState(VK_MENU) & 0x8000) PlatformToggleFullScreen();
      break;
    case VK_PAUSE:
    case 'P': SetHold(FHold == THold::Paused ? THold::None : THold::Paused); break;
    case VK_F1: SetHold(FHold == THold::Help ? THold::None : THold::Help); break;
    // Esc closes a panel; the game never sees it (SetHold forgets the keys pressed meanwhile).
    case VK_ESCAPE: SetHold(THold::None); break;
    case VK_F3: Settings.ShowOverlay = !Settings.ShowOverlay; break;
    // F9 too: desktops keep Print Screen for their own screenshot tool.
    case VK_SNAPSHOT:
    case VK_F9: TakeScreenshot(); break;
    default: break;
  }
}

void TBasic::SetHold(THold hold) {
  if (hold == FHold || !FDisplayOpen || !FBackBuffer) return;
  if (FHold == THold::None) FHoldScreen.Keep(*FBackBuffer);
  FHold = hold;
  FHoldScreen.Draw(*this, hold);
  if (hold != THold::None) {
    PresentBackBuffer();
    return;
  }
  FHoldScreen.Forget();
  // A replay's keys and frame-rate count are the recording's.
  if (FReplay) return;
  // Keys pressed while held were meant for the panel, not for the game.
  for (int vk = 1; vk < TInputLatch::KeyCount; ++vk) {
    PlatformAsyncKeyState(vk);
    FInput.Keys.Forget(vk);
  }
  RestartRateMeasurement();
}

void TBasic::TakeScreenshot() {
  if (!FBackBuffer) return;
  const bool held = FHoldScreen.Kept();
  const std::vector<uint16_t> clean = held ? std::vector<uint16_t>() : PictureUnderNotice();
  const uint16_t* pixels = held             ? FHoldScreen.Pixels()
                           : !clean.empty() ? clean.data()
                                            : std::as_const(*FBackBuffer).Pixels();
  const int pitch = held || !clean.empty() ? FBackBuffer->Width() : FBackBuffer->Pitch() / 2;
  std::string reason;
  if (const auto path = SaveScreenshot(UserDataDirectory() / "screenshots", pixels, FBackBuffer->Width(),
                                       FBackBuffer->Height(), pitch, &reason)) {
    std::cout << "corvina: screenshot saved: " << PrintablePath(*path) << std::endl;
    PlatformFileWritten(path->string(), PlatformFileKind::Screenshot);
    FNotice.Show("screenshot saved: " + path->filename().string(), PlatformTicks());
  } else {
    std::cerr << "corvina: screenshot not saved: " << reason << '\n';
    FNotice.Show("screenshot not saved: " + reason, PlatformTicks());
  }
  ShowNoticeWhileHeld();
}

void TBasic::ShowNoticeWhileHeld() {
  // Held frames do not draw themselves: show it at once.
  if (FHold != THold::None && !FClosing) {
    FHoldScreen.Draw(*this, FHold);
    PresentBackBuffer();
  }
}

bool TBasic::SaveMap(std::string* failure) {
  if (!World) return false;
  std::string reason;
  if (!FKeeper.Save(*World, &reason)) {
    if (failure) *failure = reason;
    MapKept({false, reason});
    return false;
  }
  // Otherwise "saved" waits for the platform's word that the file is kept.
  if (const auto kept = PlatformFileWritten(FKeeper.Path().string(), PlatformFileKind::Saved)) MapKept(*kept);
  return true;
}

void TBasic::MapKept(const TPlatformFileKept& kept) {
  const std::string path = PrintablePath(FKeeper.Path());
  if (kept.Kept) {
    const std::string where = kept.Detail.empty() ? path : kept.Detail;
    std::cout << "corvina: map saved: " << where << std::endl;
    if (!FKeeper.Named()) {
      std::cout << "corvina: to play on it again: corvina --map " << ShellQuoted(FKeeper.Path().native()) << std::endl;
    }
    FNotice.Show("saved: " + where, PlatformTicks());
  } else {
    std::cerr << "corvina: map not saved: " << kept.Detail << std::endl;
    FNotice.Show("not saved: " + kept.Detail, PlatformTicks());
  }
  ShowNoticeWhileHeld();
}

void TBasic::Unkept(int status) { FUnkept = std::max(FUnkept, status); }

void TBasic::DecoratePicture() {
  if (!FBackCanvas || !FBackBuffer || !FNotice.Visible(PlatformTicks())) return;
  const TDDSurface& back = *FBackBuffer;
  const int width = back.Width(), height = back.Height(), pitch = back.Pitch() / 2;
  const int top = std::max(0, height - TNotice::Height);
  FUnderNotice.resize(static_cast<size_t>(height - top) * width);
  for (int y = top; y < height; ++y) {
    std::memcpy(&FUnderNotice[static_cast<size_t>(y - top) * width], back.Pixels() + static_cast<size_t>(y) * pitch,
                width * 2u);
  }
  DrawOverPicture(*FBackCanvas, [&](TDDCanvas& canvas) { FNotice.Draw(canvas, width, height); });
  FNoticeSerial = back.Serial();
  FNoticeVersion = back.Version();
}

std::vector<uint16_t> TBasic::PictureUnderNotice() const {
  if (FUnderNotice.empty() || !FBackBuffer) return {};
  const TDDSurface& back = *FBackBuffer;
  // Drawn on since: whatever the notice covered is the game's again.
  if (back.Serial() != FNoticeSerial || back.Version() != FNoticeVersion) return {};
  const int width = back.Width(), height = back.Height(), pitch = back.Pitch() / 2;
  const int top = std::max(0, height - TNotice::Height);
  if (FUnderNotice.size() != static_cast<size_t>(height - top) * width) return {};
  std::vector<uint16_t> picture(static_cast<size_t>(width) * height);
  for (int y = 0; y < top; ++y) {
    std::memcpy(&picture[static_cast<size_t>(y) * width], back.Pixels() + static_cast<size_t>(y) * pitch, width * 2u);
  }
  std::copy(FUnderNotice.begin(), FUnderNotice.end(), picture.begin() + static_cast<ptrdiff_t>(top) * width);
  return picture;
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
  std::cerr << "corvina: " << message << '\n';
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
  if (!World) return;
  FKeeper.Kept(*World->FMap);
  if (FRecorder) {
    // A map from a file goes into the recording: the file may change, or not be where it is replayed.
    const bool fromFile = !MapFileOverride.empty() || !Settings.UseResources;
    const auto* cells = reinterpret_cast<const uint8_t*>(World->FMap->FCells);
    FRecorder->Start(CurrentSwitches(MapFileOverride), FInput.Clock, MapCrc(*World->FMap), FRateFrames,
                     fromFile ? std::span<const uint8_t>(cells, MapBytes) : std::span<const uint8_t>());
  }
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

void TBasic::FinishSession() {
  if (!World) return;
  if (FRecorder && !EndRecording(*FRecorder, *World, FFramesRun)) Unkept(ExitRecordingIncomplete);
  if (FReplay) {
    FReplayStatus = JudgeReplay(*FReplay, *World, FFramesRun, FBackBuffer ? PictureCrc(*FBackBuffer) : 0);
    return;
  }
  // Without --map the end saves only what the player asked F2 to save and it could not.
  if (!FKeeper.Unsaved(*World->FMap) || !(FKeeper.Named() || FKeeper.LastSaveFailed())) return;
  std::string reason;
  if (!SaveMap(&reason)) Unkept(RescueEdits(*World, reason));
}

void TBasic::Close() {
  if (FClosing) return;
  FClosing = true;
  FormClose();
}
