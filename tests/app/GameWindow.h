// The main window running the real game on the headless platform, windowed and activated, with a
// hook before each frame and the virtual clock moving on after it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/MainUtDX.h"
#include "core/Settings.h"
#include "game/ProgramState.h"
#include "game/World.h"
#include "platform/headless/PlatformHeadless.h"
#include "util/ScratchPath.h"

class GameWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Map locks of this process only: tests running side by side, or a player's game, never meet.
    setenv("XDG_RUNTIME_DIR", Runtime.Path.c_str(), 1);
    // Nor does a window under test meet the player's settings.
    setenv("XDG_CONFIG_HOME", Runtime.Path.c_str(), 1);
    ResetProgramState();
    Start();
  }
  void TearDown() override {
    Basic = nullptr;
    ResetProgramState();
  }

  // A fresh window (the platform as it is); `step` virtual milliseconds a frame.
  void Start(uint32_t step = 16) {
    Window = std::make_unique<TBasic>();
    Basic = Window.get();
    Settings.FullScreen = false;
    HeadlessSetFocus(false);
    HeadlessSetFocus(true);
    Window->FGameFrame = [this, step] {
      ++Frame;
      if (BeforeFrame) BeforeFrame(Frame);
      GameFrame();
      HeadlessAdvanceClock();
      for (uint32_t ms = 16; ms < step; ms += 16) HeadlessAdvanceClock();
    };
    Frame = 0;
  }

  // Runs the window to its end: its status, with what it wrote to both streams.
  int Run() {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = Window->Run();
    Out = ::testing::internal::GetCapturedStdout();
    Err = ::testing::internal::GetCapturedStderr();
    return status;
  }

  TScratchDirectory Runtime{"corvina-test-runtime"};
  std::unique_ptr<TBasic> Window;
  std::function<void(int)> BeforeFrame;  // while frame n runs, before the game's frame
  int Frame = 0;
  std::string Out, Err;
};
