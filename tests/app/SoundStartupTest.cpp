// The sound switch in the whole program on the headless platform: the command line, the main
// window's start-up loading the footstep, footsteps while it runs, and a footstep that cannot
// be loaded ending the program before any game.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/MainUtDX.h"
#include "core/Settings.h"
#include "game/World.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"
#include "res/Resources.h"
#include "sound/DXSound1.h"
#include "tests/support/GameFixture.h"

namespace {

class SoundStartup : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    Basic = &Window;
    Display = &Window;  // as its constructor made it, before the reset
    Window.FGameFrame = [this] {
      GameFrame();
      HeadlessAdvanceClock();
      ++Frames;
      if (OnFrame) OnFrame(Frames);
      if (Frames >= FrameLimit) CloseRequested = true;
    };
  }
  void TearDown() override {
    Basic = nullptr;
    ResetProgramState();
  }

  void CommandLine(std::vector<std::string> args) {
    args.push_back("--windowed");
    const TCommandLine line = ParseCommandLine(args, ShippedSettings());
    ASSERT_EQ(line.Action, TCommandLine::TAction::Run);
    Settings = line.Switches;
  }
  // The whole program: create, show, frames until the limit, destroy. The exit status.
  int Run() {
    HeadlessSetFocus(false);  // the activation a desktop sends once the window is up
    HeadlessSetFocus(true);
    ::testing::internal::CaptureStderr();
    const int status = Window.Run();
    Errors = ::testing::internal::GetCapturedStderr();
    return status;
  }
  // Person 1 walks right-up with a held key from the second frame on.
  void WalkDuringTheRun() {
    OnFrame = [](int frame) {
      if (frame == 2) HeadlessKeyDown(VK_PRIOR);
      if (frame == 20) HeadlessKeyUp(VK_PRIOR);
    };
  }
  int Count(const std::string& what, int channel = -1) const {
    int n = 0;
    for (const THeadlessAudioCall& call : HeadlessAudioLog())
      if (call.What == what && (channel < 0 || call.Channel == channel)) ++n;
    return n;
  }

  TBasic Window;
  std::function<void(int)> OnFrame;
  int Frames = 0;
  int FrameLimit = 30;
  std::string Errors;
};

TEST_F(SoundStartup, TheSoundSwitchLoadsTheShippedFootstepIntoSlotOneBeforeTheDisplay) {
  CommandLine({"--sound"});
  Window.FormCreate();
  ASSERT_TRUE(Window.FSound);
  EXPECT_EQ(HostSound, Window.FSound.get());
  EXPECT_FALSE(Window.FBackBuffer);
  EXPECT_EQ(Count("load"), 1);
  EXPECT_EQ(Window.FSound->WaveSize(1), 1404);
  const TWaveFormatEx format = Window.FSound->WaveFormat(1);
  EXPECT_EQ(format.wFormatTag, 1);
  EXPECT_EQ(format.nChannels, 1);
  EXPECT_EQ(format.nSamplesPerSec, 11025u);
  EXPECT_EQ(format.wBitsPerSample, 8);
  Window.FormDestroy();
  EXPECT_EQ(Count("free"), 1);
  EXPECT_EQ(HostSound, nullptr);
}

TEST_F(SoundStartup, AWalkInTheRunningProgramPlaysTheLoadedFootstepOnSlotOnesChannel) {
  CommandLine({"--sound"});
  WalkDuringTheRun();
  EXPECT_EQ(Run(), 0) << Errors;
  EXPECT_EQ(Frames, FrameLimit);
  ASSERT_EQ(Count("load"), 1);
  const int footstep = HeadlessAudioLog().front().Sound;
  int plays = 0;
  for (const THeadlessAudioCall& call : HeadlessAudioLog()) {
    if (call.What != "play") continue;
    ++plays;
    EXPECT_EQ(call.Channel, 1);
    EXPECT_EQ(call.Sound, footstep);
  }
  EXPECT_GE(plays, 5);  // one every three frames while the key is held
  EXPECT_EQ(Count("pan", 1), plays);
  EXPECT_EQ(Count("free"), 1);
  EXPECT_EQ(HostSound, nullptr);
}

TEST_F(SoundStartup, WithoutTheSoundSwitchTheRunningProgramMakesNoSound) {
  CommandLine({});
  WalkDuringTheRun();
  EXPECT_EQ(Run(), 0) << Errors;
  EXPECT_EQ(Frames, FrameLimit);
  EXPECT_FALSE(Window.FSound);
  EXPECT_TRUE(HeadlessAudioLog().empty());
}

TEST_F(SoundStartup, AMissingFootstepFileEndsTheProgramWithItsNameBeforeAnyGame) {
  if (FindLooseFile(ProgramDirectory(), "Walk.Wav")) GTEST_SKIP() << "a Walk.Wav lies beside the test program";
  CommandLine({"--sound", "--use-files"});
  EXPECT_EQ(Run(), 1);
  EXPECT_NE(Errors.find("Walk.Wav"), std::string::npos) << Errors;
  EXPECT_EQ(Frames, 0);
  EXPECT_EQ(World, nullptr);
  EXPECT_FALSE(Window.FBackBuffer);
  EXPECT_FALSE(Window.FSound);
  EXPECT_EQ(HostSound, nullptr);
}

TEST_F(SoundStartup, ATruncatedFootstepResourceEndsTheProgramToo) {
  const auto shipped = FindResource("Walk", RT_WAVE);
  ASSERT_TRUE(shipped);
  std::vector<uint8_t> wave(shipped->begin(), shipped->end());
  wave.resize(wave.size() / 2);  // the data chunk claims more than is there
  SetResourceTableForTesting(std::vector<TResource>{{"Walk", RT_WAVE, wave}});
  CommandLine({"--sound"});
  EXPECT_EQ(Run(), 1);
  EXPECT_NE(Errors.find("Walk"), std::string::npos) << Errors;
  EXPECT_EQ(Frames, 0);
  EXPECT_EQ(Count("load"), 0);
  EXPECT_EQ(HostSound, nullptr);
}

TEST_F(SoundStartup, WithoutAnAudioDeviceAMissingFootstepFileIsNoHindrance) {
  if (FindLooseFile(ProgramDirectory(), "Walk.Wav")) GTEST_SKIP() << "a Walk.Wav lies beside the test program";
  HeadlessSetAudioAvailable(false);
  CommandLine({"--sound", "--use-files"});
  WalkDuringTheRun();
  EXPECT_EQ(Run(), 0) << Errors;
  EXPECT_EQ(Frames, FrameLimit);
  EXPECT_TRUE(HeadlessAudioLog().empty());
  EXPECT_TRUE(Errors.starts_with("corvina: no sound in this run: no audio device on this machine\n")) << Errors;
}

TEST_F(SoundStartup, TheVolumeKeysAndMuteReachEveryFootstepAreShownAndAreToldToTheirKeeper) {
  CommandLine({"--sound"});
  WalkDuringTheRun();
  std::vector<TSoundVolume> told;
  SetSoundVolumeListener([&](const TSoundVolume& v) { told.push_back(v); });
  size_t quieter = 0, muted = 0;  // where the log stood at each change
  std::vector<std::string> shown;
  OnFrame = [&](int frame) {
    if (frame == 2) HeadlessKeyDown(VK_PRIOR);
    if (frame == 26) HeadlessKeyUp(VK_PRIOR);
    if (frame == 8) {
      quieter = HeadlessAudioLog().size();
      HeadlessPushKeyDownEvent('9');
      HeadlessPushKeyDownEvent('9');
    }
    if (frame == 14) {
      muted = HeadlessAudioLog().size();
      HeadlessPushKeyDownEvent('M');
    }
    if (frame == 9 || frame == 15) shown.push_back(Window.Notice().Text());
  };
  EXPECT_EQ(Run(), 0) << Errors;
  constexpr int Expected[3] = {255, 204, 0};
  std::vector<int> loudest[3];  // per stretch: the louder side of every pan the device got
  const auto& log = HeadlessAudioLog();
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i].What == "pan") loudest[(i >= quieter) + (i >= muted)].push_back(std::max(log[i].Left, log[i].Right));
  }
  // Each key reaches the sound at once: the first 9 gives 90% before the second gives 80%.
  ASSERT_FALSE(loudest[1].empty());
  EXPECT_EQ(loudest[1].front(), 230);
  loudest[1].erase(loudest[1].begin());
  for (int stretch = 0; stretch < 3; ++stretch) {
    ASSERT_GE(loudest[stretch].size(), 2u) << stretch;
    for (int gain : loudest[stretch]) EXPECT_EQ(gain, Expected[stretch]) << stretch;
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"volume 80%", "sound muted"}));
  ASSERT_EQ(told.size(), 3u);
  EXPECT_EQ(told.back(), (TSoundVolume{80, true}));
}

}  // namespace
