// The main window on the headless platform: start-up order, the frame pump, closing by F12
// and by the game, failures at set-up and in frames, and the sound player's life.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "AppTestData.h"
#include "app/MainUtDX.h"
#include "core/Settings.h"
#include "game/ProgramState.h"
#include "game/World.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"
#include "sound/DXSound1.h"
#include "util/ScratchPath.h"

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    Settings.FullScreen = false;
    UseResources(true, true, false);
    Window.FGameStart = [this] {
      Log += "start ";
      ++Starts;
    };
    Window.FGameStop = [this] {
      Log += "stop ";
      ++Stops;
    };
    Window.FGameFrame = [this] {
      ++Frames;
      if (OnFrame) OnFrame(Frames);
    };
    Basic = &Window;
    Display = &Window;  // as its constructor made it, before the reset
  }

  void TearDown() override {
    Basic = nullptr;
    ResetProgramState();
  }

  void UseResources(bool sheet1, bool sheet2, bool walk) {
    std::vector<TResource> table;
    if (sheet1) table.push_back({"LUMO1", RT_BITMAP, Sheets[0]});
    if (sheet2) table.push_back({"LUMO2", RT_BITMAP, Sheets[1]});
    if (walk) {
      Walk = apptest::WaveResource(200);
      table.push_back({"Walk", RT_WAVE, Walk});
    }
    SetResourceTableForTesting(table);
  }

  // One frame, ended by F12, with `icon` as the program's icon resource beside the sheets.
  void RunOneFrameWithIcon(const std::vector<uint8_t>& icon) {
    SetResourceTableForTesting(std::vector<TResource>{
        {"LUMO1", RT_BITMAP, Sheets[0]}, {"LUMO2", RT_BITMAP, Sheets[1]}, {"MAINICON", RT_RGBA, icon}});
    QueueActivation();
    OnFrame = [](int) { HeadlessPushKeyDownEvent(VK_F12); };
    EXPECT_EQ(RunCapturingErrors(), 0);
  }

  // The activation a desktop sends once the window is up.
  static void QueueActivation() {
    HeadlessSetFocus(false);
    HeadlessSetFocus(true);
  }

  int RunCapturingErrors() {
    ::testing::internal::CaptureStderr();
    int status = Window.Run();
    Errors = ::testing::internal::GetCapturedStderr();
    return status;
  }

  TBasic Window;
  std::vector<uint8_t> Sheets[2] = {apptest::SheetResource(64, 32), apptest::SheetResource(32, 16)};
  std::vector<uint8_t> Walk;
  std::function<void(int)> OnFrame;
  std::string Log;
  std::string Errors;
  int Starts = 0;
  int Frames = 0;
  int Stops = 0;
};

TEST_F(MainWindowTest, F12EndsTheProgramWithStatusZeroAfterStoppingTheGame) {
  QueueActivation();
  OnFrame = [](int frame) {
    if (frame == 3) HeadlessPushKeyDownEvent(VK_F12);
  };
  EXPECT_EQ(RunCapturingErrors(), 0);
  EXPECT_EQ(Frames, 3);
  EXPECT_EQ(Log, "start stop ");
  EXPECT_EQ(Errors, "");
  EXPECT_FALSE(Window.FBackBuffer) << "surfaces released at the end";
}

// The desktop shows the program's icon resource on the window; a resource that is no square of
// RGBA pixels leaves the window without one rather than reading past it.
TEST_F(MainWindowTest, TheWindowCarriesTheIconResource) {
  const std::vector<uint8_t> icon(3 * 3 * 4, 200);
  RunOneFrameWithIcon(icon);
  EXPECT_EQ(HeadlessDisplayConfig().IconSize, 3);
  EXPECT_EQ(HeadlessDisplayConfig().Icon.data(), icon.data());
  EXPECT_EQ(HeadlessDisplayConfig().Icon.size(), icon.size());
}

TEST_F(MainWindowTest, AnIconResourceThatIsNoSquareIsLeftOut) {
  RunOneFrameWithIcon(std::vector<uint8_t>(3 * 3 * 4 + 1, 200));
  EXPECT_EQ(HeadlessDisplayConfig().IconSize, 0);
  EXPECT_TRUE(HeadlessDisplayConfig().Icon.empty());
}

TEST_F(MainWindowTest, OtherKeyEventsDoNotCloseTheWindow) {
  QueueActivation();
  OnFrame = [](int frame) {
    if (frame == 1) HeadlessPushKeyDownEvent(VK_ESCAPE);
    if (frame == 2) HeadlessPushKeyDownEvent(VK_INSERT);
    if (frame == 4) HeadlessPushKeyDownEvent(VK_F12);
  };
  EXPECT_EQ(RunCapturingErrors(), 0);
  EXPECT_EQ(Frames, 4);
}

TEST_F(MainWindowTest, TheGamesCloseRequestEndsTheProgramAfterThatFrame) {
  QueueActivation();
  OnFrame = [](int frame) {
    if (frame == 5) CloseRequested = true;
  };
  EXPECT_EQ(RunCapturingErrors(), 0);
  EXPECT_EQ(Frames, 5);
  EXPECT_EQ(Stops, 1);
}

TEST_F(MainWindowTest, NoFrameRunsBeforeTheFirstActivation) {
  // Nothing queued: the headless platform reports the window closed while the pump waits.
  EXPECT_EQ(RunCapturingErrors(), 0);
  EXPECT_EQ(Frames, 0);
  EXPECT_EQ(Log, "start stop ");
}

TEST_F(MainWindowTest, ActivationRestartsTheFrameRateMeasurement) {
  HeadlessSetClock(12345);
  QueueActivation();
  OnFrame = [this](int) {
    EXPECT_EQ(Window.FRateStart, 12345);
    CloseRequested = true;
  };
  RunCapturingErrors();
  EXPECT_EQ(Frames, 1);
  EXPECT_EQ(Window.FRateFrames, -TDisplay::UnmeasuredFrames) << "the stand-in frame does not count itself";
}

TEST_F(MainWindowTest, AWindowedGameKeepsRunningWithoutTheFocus) {
  QueueActivation();
  OnFrame = [](int frame) {
    if (frame == 2) HeadlessSetFocus(false);
    if (frame == 6) HeadlessPushKeyDownEvent(VK_F12);
  };
  EXPECT_EQ(RunCapturingErrors(), 0);
  EXPECT_EQ(Frames, 6);
}

TEST_F(MainWindowTest, AFullScreenGameStopsFramesWhenItLosesTheFocus) {
  Settings.FullScreen = true;
  QueueActivation();
  OnFrame = [](int frame) {
    if (frame == 2) HeadlessSetFocus(false);
  };
  // Detached, the loop waits; headless, waiting finds the window closed.
  EXPECT_EQ(RunCapturingErrors(), 0);
  EXPECT_EQ(Frames, 2);
  EXPECT_FALSE(Window.FPump.FIdleOn);
}

TEST_F(MainWindowTest, AFullScreenGameResumesWhenTheFocusComesBack) {
  Settings.FullScreen = true;
  QueueActivation();
  OnFrame = [](int frame) {
    if (frame == 2) QueueActivation();
    if (frame == 4) HeadlessPushKeyDownEvent(VK_F12);
  };
  EXPECT_EQ(RunCapturingErrors(), 0);
  EXPECT_EQ(Frames, 4);
}

TEST_F(MainWindowTest, AMissingSheetEndsTheProgramWithItsMessageBeforeAnyGameOrFrame) {
  UseResources(true, false, false);
  QueueActivation();
  EXPECT_EQ(RunCapturingErrors(), 1);
  EXPECT_NE(Errors.find("Lumo2 비트맵 로드 실패"), std::string::npos) << Errors;
  EXPECT_EQ(Starts, 0);
  EXPECT_EQ(Stops, 0) << "no game was started, so none is stopped";
  EXPECT_EQ(Frames, 0);
  EXPECT_EQ(HeadlessPresentCount(), 0);
}

TEST_F(MainWindowTest, AFailingGameStartIsReportedAndTheProgramEnds) {
  Window.FGameStart = [] { throw std::runtime_error("Map read error"); };
  QueueActivation();
  EXPECT_EQ(RunCapturingErrors(), 1);
  EXPECT_NE(Errors.find("Map read error"), std::string::npos);
  EXPECT_EQ(Frames, 0);
}

TEST_F(MainWindowTest, AFailingFrameIsReportedOnceAndClosesTheProgram) {
  QueueActivation();
  OnFrame = [](int frame) {
    if (frame == 2) throw std::runtime_error("frame broke");
  };
  EXPECT_EQ(RunCapturingErrors(), 1);
  EXPECT_EQ(Frames, 2);
  EXPECT_EQ(Stops, 1);
  EXPECT_EQ(Errors, "corvina: frame broke\n");
}

TEST_F(MainWindowTest, TheErrorHandlerGivesTheBackBufferLockBackAndClosesTheWindow) {
  Window.FormCreate();
  Window.FormShow();
  Window.LockBackBuffer();
  ::testing::internal::CaptureStderr();
  Window.AppException("boom");
  ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(Window.FLocked);
  EXPECT_TRUE(Window.Closing());
  Window.FormDestroy();
  EXPECT_FALSE(Window.FLocked);
  EXPECT_EQ(Log, "start stop ");
}

TEST_F(MainWindowTest, ShowingTheWindowAgainDoesNotRepeatTheSetUp) {
  Window.FormCreate();
  Window.FormShow();
  Window.FormShow();
  EXPECT_EQ(Starts, 1);
  EXPECT_EQ(Window.FPixelKind, PixelKind565);
  Window.FormDestroy();
}

TEST_F(MainWindowTest, HighResolutionMakesAnEightHundredBySixHundredBackBuffer) {
  Settings.HighRes = true;
  Window.FormCreate();
  Window.FormShow();
  ASSERT_TRUE(Window.FBackBuffer);
  EXPECT_EQ(Window.FBackBuffer->Width(), 800);
  EXPECT_EQ(Window.FBackBuffer->Height(), 600);
  Window.FormDestroy();
}

TEST_F(MainWindowTest, WithTheShippedSwitchesThereIsNoSoundPlayer) {
  Window.FormCreate();
  EXPECT_FALSE(Window.FSound);
  EXPECT_EQ(HostSound, nullptr);
  Window.FormDestroy();
}

TEST_F(MainWindowTest, WithSoundTheFootstepTakesSlotOneAndThePlayerIsFreedAtTheEnd) {
  Settings.SoundOn = true;
  UseResources(true, true, true);
  Window.FormCreate();
  ASSERT_TRUE(Window.FSound);
  EXPECT_EQ(HostSound, Window.FSound.get());
  EXPECT_EQ(Window.FSound->WaveSize(1), 200);
  EXPECT_EQ(Window.FSound->FindFreeSlot(), 2);
  Window.FormDestroy();
  EXPECT_FALSE(Window.FSound);
  EXPECT_EQ(HostSound, nullptr);
}

TEST_F(MainWindowTest, AMissingFootstepEndsTheProgramBeforeTheDisplayIsSetUp) {
  Settings.SoundOn = true;
  QueueActivation();
  EXPECT_EQ(RunCapturingErrors(), 1);
  EXPECT_NE(Errors.find("Walk"), std::string::npos) << Errors;
  EXPECT_EQ(Starts, 0);
  EXPECT_EQ(Frames, 0);
  EXPECT_FALSE(Window.FBackBuffer);
  EXPECT_EQ(HostSound, nullptr);
}

TEST_F(MainWindowTest, WithoutAnAudioDeviceTheFootstepIsSilentlySkipped) {
  Settings.SoundOn = true;
  HeadlessSetAudioAvailable(false);
  QueueActivation();
  OnFrame = [](int) { CloseRequested = true; };
  EXPECT_EQ(RunCapturingErrors(), 0);
  EXPECT_EQ(Frames, 1);
}

// The program's own keys: the game never reads them, the window does.
TEST_F(MainWindowTest, PauseAndHelpHoldTheFramesAndShowTheirPanelsOverThePicture) {
  QueueActivation();
  std::vector<uint16_t> paused, help;
  OnFrame = [](int frame) {
    if (frame == 3) HeadlessPushKeyDownEvent(VK_PAUSE);
  };
  EXPECT_EQ(RunCapturingErrors(), 0);
  // Held after three frames; the headless platform then reports the window closed.
  EXPECT_EQ(Frames, 3);
  const THeadlessFrame& shown = HeadlessLastFrame();
  const auto centre = [&] {
    return shown.Pixels[static_cast<size_t>(shown.Height / 2) * shown.Width + shown.Width / 2 - 30];
  };
  ASSERT_EQ(shown.Width, 640);
  EXPECT_NE(centre(), 0) << "the pause panel is drawn over the (black) picture";
}

TEST_F(MainWindowTest, KeysResumeTheGameToggleTheOverlayAndRestartTheRateCount) {
  QueueActivation();
  const bool overlay = Settings.ShowOverlay;
  OnFrame = [this](int frame) {
    Window.FRateFrames = 7;
    if (frame == 2) {
      for (int vk : {VK_F1, VK_PAUSE, VK_F3, VK_PAUSE}) HeadlessPushKeyDownEvent(vk);
    }
    if (frame == 5) HeadlessPushKeyDownEvent(VK_F12);
  };
  int rateAfterResume = 0;
  const auto frame = Window.FGameFrame;
  Window.FGameFrame = [&] {
    if (Frames == 2) rateAfterResume = Window.FRateFrames;
    frame();
  };
  EXPECT_EQ(RunCapturingErrors(), 0);
  EXPECT_EQ(Frames, 5);
  EXPECT_EQ(Window.Hold(), THold::None);
  EXPECT_EQ(Settings.ShowOverlay, !overlay);
  EXPECT_EQ(rateAfterResume, -50);
}

TEST_F(MainWindowTest, PrintScreenSavesTheGamesOwnPictureUnderTheDataDirectory) {
  TScratchDirectory data("corvina-shots");
  setenv("XDG_DATA_HOME", data.Path.c_str(), 1);
  QueueActivation();
  OnFrame = [](int frame) {
    if (frame == 2) {
      // Twice in one second: the second file does not replace the first.
      HeadlessPushKeyDownEvent(VK_SNAPSHOT);
      HeadlessPushKeyDownEvent(VK_SNAPSHOT);
      HeadlessPushKeyDownEvent(VK_F12);
    }
  };
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(RunCapturingErrors(), 0);
  const std::string said = ::testing::internal::GetCapturedStdout();
  unsetenv("XDG_DATA_HOME");
  std::vector<std::filesystem::path> shots;
  for (const auto& entry : std::filesystem::directory_iterator(data.Path / "corvina" / "screenshots")) {
    shots.push_back(entry.path());
  }
  ASSERT_EQ(shots.size(), 2u) << said << Errors;
  for (const auto& shot : shots) {
    EXPECT_NE(said.find(shot.string()), std::string::npos) << "the path is printed";
    std::ifstream in(shot, std::ios::binary);
    std::vector<unsigned char> head(24);
    in.read(reinterpret_cast<char*>(head.data()), 24);
    EXPECT_EQ(head[1], 'P');
    // IHDR: 640 x 480, the back buffer's own size.
    EXPECT_EQ((head[18] << 8) | head[19], 640);
    EXPECT_EQ((head[22] << 8) | head[23], 480);
  }
}

TEST(SetupFailureMessageTest, EachPlatformStepHasTheMessageOfItsMode) {
  EXPECT_EQ(SetupFailureMessage(TPlatformDisplayStep::Video, true), "DirectDraw 객체 생성 실패");
  EXPECT_EQ(SetupFailureMessage(TPlatformDisplayStep::Video, false), "DirectDraw 객체 생성 실패");
  EXPECT_EQ(SetupFailureMessage(TPlatformDisplayStep::Window, true), "배타적 풀스크린 얻기 실패 : -1");
  EXPECT_EQ(SetupFailureMessage(TPlatformDisplayStep::Window, false), "일반 윈도우 모드 설정 실패");
  EXPECT_EQ(SetupFailureMessage(TPlatformDisplayStep::Renderer, true), "복합 화상 공간 생성 실패 : -1");
  EXPECT_EQ(SetupFailureMessage(TPlatformDisplayStep::Renderer, false), "단일 화상 공간 생성 실패");
  EXPECT_EQ(SetupFailureMessage(TPlatformDisplayStep::Texture, true), "후면 버퍼 생성 실패 : -1");
  EXPECT_EQ(SetupFailureMessage(TPlatformDisplayStep::Texture, false), "가상 버퍼 생성 실패");
}

}  // namespace
