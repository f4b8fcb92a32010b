// The SDL2_mixer audio device, recorded through SDL's disk driver: panned clicks land on the
// expected side, a pan survives a restart, and a device that cannot open leaves silence.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "sound/DXSound1.h"

namespace {

// 16-bit mono square wave at 11025 frames per second.
std::vector<uint8_t> click(int frames) {
  std::vector<uint8_t> out;
  for (int i = 0; i < frames; ++i) {
    const int16_t v = (i / 12) % 2 ? 8000 : -8000;
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  return out;
}

struct Energy {
  double Left = 0;
  double Right = 0;
};

class DiskAudio : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ =
        std::filesystem::temp_directory_path() /
        ("corvina-disk-audio-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
    if (!PlatformAudioOpen(TDXSound::MaxSlots)) GTEST_SKIP() << "SDL's disk audio driver did not open";
    pcm_ = click(1600);  // about 0.15 s
    TPlatformPcm pcm;
    pcm.Data = pcm_.data();
    pcm.Size = pcm_.size();
    pcm.BitsPerSample = 16;
    sound_ = PlatformAudioLoad(pcm);
    ASSERT_GT(sound_, 0);
  }
  void TearDown() override {
    PlatformAudioClose();
    std::filesystem::remove(path_);
  }

  static void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

  // Closes the device and sums the squares of each side of the recorded S16LE stereo frames.
  Energy Recorded() {
    PlatformAudioClose();
    std::ifstream in(path_, std::ios::binary);
    std::vector<char> raw((std::istreambuf_iterator<char>(in)), {});
    Energy e;
    for (size_t i = 0; i + 4 <= raw.size(); i += 4) {
      auto sample = [&](size_t at) {
        return static_cast<int16_t>(static_cast<uint8_t>(raw[at]) | (static_cast<uint8_t>(raw[at + 1]) << 8));
      };
      e.Left += static_cast<double>(sample(i)) * sample(i);
      e.Right += static_cast<double>(sample(i + 2)) * sample(i + 2);
    }
    return e;
  }

  std::filesystem::path path_;
  std::vector<uint8_t> pcm_;
  int sound_ = 0;
};

TEST_F(DiskAudio, ALeftPanPlaysLouderOnTheLeft) {
  const auto gains = TDXSound::PanGains(-256);
  PlatformAudioSetPanning(1, gains.Left, gains.Right);
  PlatformAudioPlay(1, sound_);
  Wait(250);
  const Energy e = Recorded();
  EXPECT_GT(e.Left, 0);
  EXPECT_GT(e.Left, 100 * e.Right);
}

TEST_F(DiskAudio, ARightPanHoldsWhenTheSoundIsRestarted) {
  const auto gains = TDXSound::PanGains(256);
  PlatformAudioSetPanning(3, gains.Left, gains.Right);
  PlatformAudioPlay(3, sound_);
  Wait(60);
  PlatformAudioPlay(3, sound_);
  Wait(250);
  const Energy e = Recorded();
  EXPECT_GT(e.Right, 0);
  EXPECT_GT(e.Right, 100 * e.Left);
}

TEST(AudioDevice, WithoutADriverTheDeviceStaysClosedAndCallsAreHarmless) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_FALSE(PlatformAudioOpen(20));
  const uint8_t bytes[8] = {};
  TPlatformPcm pcm;
  pcm.Data = bytes;
  pcm.Size = sizeof bytes;
  EXPECT_EQ(PlatformAudioLoad(pcm), 0);
  PlatformAudioSetPanning(1, 255, 0);
  PlatformAudioPlay(1, 1);
  PlatformAudioStop(1);
  PlatformAudioFree(1);
  PlatformAudioClose();
  TDXSound player;
  EXPECT_FALSE(player.HasDevice());
}

}  // namespace
