// The slot player on the headless audio device: slots, loading rules, pan, play and stop.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "WaveBytes.h"
#include "platform/headless/PlatformHeadless.h"
#include "res/Resources.h"
#include "sound/DXSound1.h"

using namespace wavebytes;

namespace {

std::vector<std::string> calls() {
  std::vector<std::string> out;
  for (const auto& c : HeadlessAudioLog()) out.push_back(c.What + " " + std::to_string(c.Channel));
  return out;
}

int countCalls(const std::string& what) {
  int n = 0;
  for (const auto& c : HeadlessAudioLog()) n += c.What == what;
  return n;
}

class SoundPlayer : public ::testing::Test {
 protected:
  void SetUp() override {
    HeadlessReset();
    HeadlessSetAudioAvailable(true);
    walk_ = waveResource(monoByte(), ramp(1404));
    Install({});
  }
  void TearDown() override {
    SetResourceTableForTesting(std::nullopt);
    std::filesystem::remove_all(dir_);
  }

  // The resource table: "Walk" plus `more`, each of type 25.
  void Install(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& more) {
    stored_ = more;
    std::vector<TResource> table{{"Walk", RT_WAVE, walk_}};
    for (const auto& [name, bytes] : stored_) table.push_back({name, RT_WAVE, bytes});
    SetResourceTableForTesting(table);
  }

  std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(dir_);
    const auto path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
  }

  std::vector<uint8_t> walk_;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> stored_;
  std::filesystem::path dir_ = std::filesystem::temp_directory_path() /
                               ("corvina-sound-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(SoundPlayer, TheFootstepResourceLoadsIntoSlotOneAs1404BytesOfByteMonoPcm) {
  TDXSound sound;
  ASSERT_TRUE(sound.HasDevice());
  EXPECT_EQ(sound.LoadFromResource("Walk", RT_WAVE), 1);
  EXPECT_EQ(sound.WaveSize(1), 1404);
  const TWaveFormatEx f = sound.WaveFormat(1);
  EXPECT_EQ(f.nChannels, 1);
  EXPECT_EQ(f.nSamplesPerSec, 11025u);
  EXPECT_EQ(f.wBitsPerSample, 8);
  EXPECT_EQ(countCalls("load"), 1);
}

TEST_F(SoundPlayer, TheEmbeddedFootstepLoadsIntoSlotOneAs1404Bytes) {
  SetResourceTableForTesting(std::nullopt);
  auto shipped = FindResource("Walk", RT_WAVE);
  ASSERT_TRUE(shipped);
  EXPECT_EQ(shipped->size(), 1450u);
  TDXSound sound;
  EXPECT_EQ(sound.LoadFromResource("Walk", RT_WAVE), 1);
  EXPECT_EQ(sound.WaveSize(1), 1404);
  EXPECT_EQ(sound.WaveFormat(1).nSamplesPerSec, 11025u);
  EXPECT_EQ(sound.WaveFormat(1).wBitsPerSample, 8);
}

TEST_F(SoundPlayer, ResourceNamesAreFoundWithoutRegardToCase) {
  TDXSound sound;
  EXPECT_EQ(sound.LoadFromResource("WALK", RT_WAVE), 1);
}

TEST_F(SoundPlayer, LoadsTakeTheLowestSlotsAndTheTwentyFirstIsRefused) {
  TDXSound sound;
  for (int expected = 1; expected <= 20; ++expected) EXPECT_EQ(sound.LoadFromResource("Walk", RT_WAVE), expected);
  EXPECT_EQ(sound.FindFreeSlot(), -1);
  EXPECT_EQ(sound.LoadFromResource("Walk", RT_WAVE), -1);
  EXPECT_EQ(countCalls("load"), 20);
}

TEST_F(SoundPlayer, AMissingResourceThrowsAMessageNamingIt) {
  TDXSound sound;
  try {
    sound.LoadFromResource("Step", RT_WAVE);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Step"), std::string::npos) << e.what();
  }
  EXPECT_THROW(sound.LoadFromResource("Walk", RT_MIDI), std::runtime_error);
}

TEST_F(SoundPlayer, TruncatedOrLyingResourcesGiveMinusOneAndLeaveNothingBehind) {
  auto lying = walk_;
  poke32(lying, 42, 1405);
  auto truncated = walk_;
  truncated.resize(30);
  auto hugeFormat = walk_;
  poke32(hugeFormat, 16, 0xFFFFFFFFu);
  Install({{"Lying", lying}, {"Truncated", truncated}, {"HugeFormat", hugeFormat}});
  TDXSound sound;
  EXPECT_EQ(sound.LoadFromResource("Lying", RT_WAVE), -1);
  EXPECT_EQ(sound.LoadFromResource("Truncated", RT_WAVE), -1);
  EXPECT_EQ(sound.LoadFromResource("HugeFormat", RT_WAVE), -1);
  EXPECT_EQ(sound.FindFreeSlot(), 1);
  EXPECT_EQ(countCalls("load"), 0);
}

TEST_F(SoundPlayer, AResourceWithAnyFormatTagIsPassedToTheDeviceWhichRefusesNonPcm) {
  auto f = monoByte();
  f.wFormatTag = 2;
  Install({{"Adpcm", waveResource(f, ramp(64))}});
  TDXSound sound;
  try {
    sound.LoadFromResource("Adpcm", RT_WAVE);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(),
                 "resource \"Adpcm\": format tag 2; 1 (PCM) is played. The specified wave format is not supported.");
  }
  EXPECT_EQ(sound.FindFreeSlot(), 1);
  EXPECT_EQ(sound.WaveSize(1), 0);
}

TEST_F(SoundPlayer, FormatsTheDeviceCannotPlayThrowItsTextAndLeaveTheSlotFree) {
  auto wide = monoByte();
  wide.wBitsPerSample = 24;
  wide.nBlockAlign = 3;
  auto misaligned = monoByte();
  misaligned.nBlockAlign = 2;
  auto surround = monoByte();
  surround.nChannels = 6;
  surround.nBlockAlign = 6;
  Install({{"Wide", waveResource(wide, ramp(30))},
           {"Misaligned", waveResource(misaligned, ramp(30))},
           {"Surround", waveResource(surround, ramp(30))},
           {"Tiny", waveResource(monoByte(), ramp(3))}});
  TDXSound sound;
  for (const char* name : {"Wide", "Misaligned", "Surround"}) {
    EXPECT_THROW(sound.LoadFromResource(name, RT_WAVE), std::runtime_error) << name;
  }
  try {
    sound.LoadFromResource("Tiny", RT_WAVE);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(),
                 "resource \"Tiny\": 3 bytes of sound; at least 4 are played. An invalid parameter was passed to the "
                 "returning function.");
  }
  EXPECT_EQ(sound.FindFreeSlot(), 1);
  EXPECT_EQ(countCalls("load"), 0);
}

TEST_F(SoundPlayer, SixteenBitStereoIsAccepted) {
  TWaveFormatEx f{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
  Install({{"Stereo", waveResource(f, ramp(400))}});
  TDXSound sound;
  EXPECT_EQ(sound.LoadFromResource("Stereo", RT_WAVE), 1);
}

TEST_F(SoundPlayer, AWaveFileLoadsIntoTheNextSlot) {
  const auto path = WriteFile("Walk.Wav", waveFile(monoByte(), ramp(500), 16));
  TDXSound sound;
  EXPECT_EQ(sound.LoadFromResource("Walk", RT_WAVE), 1);
  EXPECT_EQ(sound.LoadFromFile(path), 2);
  EXPECT_EQ(sound.WaveSize(2), 500);
}

TEST_F(SoundPlayer, AWaveFileWithANonPcmTagIsRefusedWithoutAnException) {
  auto f = monoByte();
  f.wFormatTag = 3;
  const auto path = WriteFile("float.wav", waveFile(f, ramp(64)));
  TDXSound sound;
  EXPECT_EQ(sound.LoadFromFile(path), -1);
  EXPECT_EQ(countCalls("load"), 0);
}

TEST_F(SoundPlayer, MissingTruncatedOrLyingWaveFilesGiveMinusOne) {
  auto bytes = waveFile(monoByte(), ramp(64));
  auto lying = bytes;
  poke32(lying, 42, 1000);
  auto truncated = bytes;
  truncated.resize(bytes.size() - 1);
  TDXSound sound;
  EXPECT_EQ(sound.LoadFromFile((dir_ / "absent.wav").string()), -1);
  EXPECT_EQ(sound.LoadFromFile(WriteFile("lying.wav", lying)), -1);
  EXPECT_EQ(sound.LoadFromFile(WriteFile("truncated.wav", truncated)), -1);
  EXPECT_EQ(sound.LoadFromFile(dir_.string()), -1);
  EXPECT_EQ(sound.FindFreeSlot(), 1);
}

TEST_F(SoundPlayer, PlayStopsTheSlotAndStartsItAgainFromTheStart) {
  TDXSound sound;
  ASSERT_EQ(sound.LoadFromResource("Walk", RT_WAVE), 1);
  HeadlessClearAudioLog();
  sound.Play(1);
  sound.Play(1);
  sound.Stop(1);
  EXPECT_EQ(calls(), (std::vector<std::string>{"stop 1", "play 1", "stop 1", "play 1", "stop 1"}));
}

TEST_F(SoundPlayer, PlayStopAndSetPanOnSlotZeroTwentyOneOrAFreeSlotDoNothing) {
  TDXSound sound;
  ASSERT_EQ(sound.LoadFromResource("Walk", RT_WAVE), 1);
  HeadlessClearAudioLog();
  for (int slot : {0, 2, 20, 21, -1, INT_MAX}) {
    sound.Play(slot);
    sound.Stop(slot);
    sound.SetPan(slot, -100);
    EXPECT_FALSE(sound.FillBuffer(slot));
  }
  EXPECT_TRUE(HeadlessAudioLog().empty());
}

TEST_F(SoundPlayer, SetPanHandsTheSideGainsToTheSlotsChannel) {
  TDXSound sound;
  ASSERT_EQ(sound.LoadFromResource("Walk", RT_WAVE), 1);
  HeadlessClearAudioLog();
  sound.SetPan(1, -300);
  ASSERT_EQ(HeadlessAudioLog().size(), 1u);
  const auto& pan = HeadlessAudioLog()[0];
  EXPECT_EQ(pan.What, "pan");
  EXPECT_EQ(pan.Channel, 1);
  EXPECT_EQ(pan.Left, 255);
  EXPECT_EQ(pan.Right, 1);
}

TEST_F(SoundPlayer, FillBufferReplacesTheSlotsSoundWithAFreshCopy) {
  TDXSound sound;
  ASSERT_EQ(sound.LoadFromResource("Walk", RT_WAVE), 1);
  const int before = HeadlessAudioLog().back().Sound;
  HeadlessClearAudioLog();
  EXPECT_TRUE(sound.FillBuffer(1));
  EXPECT_EQ(countCalls("load"), 1);
  EXPECT_EQ(countCalls("free"), 1);
  EXPECT_NE(HeadlessAudioLog().front().Sound, before);
  EXPECT_EQ(sound.WaveSize(1), 1404);
}

TEST_F(SoundPlayer, ShutdownFreesEverySoundAndLeavesASilentPlayer) {
  TDXSound sound;
  sound.LoadFromResource("Walk", RT_WAVE);
  sound.LoadFromResource("Walk", RT_WAVE);
  sound.Shutdown();
  EXPECT_EQ(countCalls("free"), 2);
  EXPECT_FALSE(sound.HasDevice());
  HeadlessClearAudioLog();
  sound.Play(1);
  sound.Shutdown();
  EXPECT_EQ(sound.LoadFromResource("Walk", RT_WAVE), -1);
  EXPECT_TRUE(HeadlessAudioLog().empty());
}

TEST_F(SoundPlayer, DestroyingThePlayerFreesItsSounds) {
  {
    TDXSound sound;
    sound.LoadFromResource("Walk", RT_WAVE);
  }
  EXPECT_EQ(countCalls("free"), 1);
}

TEST_F(SoundPlayer, WithoutADeviceEveryCallIsANoOpAndLoadsGiveMinusOne) {
  HeadlessSetAudioAvailable(false);
  TDXSound sound;
  EXPECT_FALSE(sound.HasDevice());
  EXPECT_EQ(sound.FindFreeSlot(), -1);
  EXPECT_EQ(sound.LoadFromResource("Walk", RT_WAVE), -1);
  EXPECT_EQ(sound.LoadFromResource("NoSuchSound", RT_WAVE), -1);
  EXPECT_EQ(sound.LoadFromFile(WriteFile("w.wav", waveFile(monoByte(), ramp(64)))), -1);
  TWaveFormatEx f = monoByte();
  EXPECT_FALSE(sound.CreateBuffer(1, f));
  EXPECT_FALSE(sound.FillBuffer(1));
  sound.SetPan(1, 100);
  sound.Play(1);
  sound.Stop(1);
  sound.Shutdown();
  EXPECT_TRUE(HeadlessAudioLog().empty());
}

// Pan in, side gains out: the opposite side loses |pan| * 20 hundredths of a decibel.
TEST(PanGains, ZeroLeavesBothSidesFull) {
  EXPECT_EQ(TDXSound::PanGains(0).Left, 255);
  EXPECT_EQ(TDXSound::PanGains(0).Right, 255);
}

TEST(PanGains, NegativePansAttenuateTheRightSideAndPositiveTheLeft) {
  EXPECT_EQ(TDXSound::PanGains(-128).Left, 255);
  EXPECT_EQ(TDXSound::PanGains(-128).Right, 13);  // 25.6 dB
  EXPECT_EQ(TDXSound::PanGains(128).Left, 13);
  EXPECT_EQ(TDXSound::PanGains(128).Right, 255);
}

TEST(PanGains, FollowTheDecibelScale) {
  EXPECT_EQ(TDXSound::PanGains(1).Left, 249);   // 0.2 dB
  EXPECT_EQ(TDXSound::PanGains(15).Left, 181);  // 3 dB
  EXPECT_EQ(TDXSound::PanGains(50).Left, 81);   // 10 dB
  EXPECT_EQ(TDXSound::PanGains(100).Left, 26);  // 20 dB
  EXPECT_EQ(TDXSound::PanGains(256).Left, 1);   // 51.2 dB
}

TEST(PanGains, PansBeyondTheLimitActAsTheLimit) {
  for (int pan : {257, 1000, INT_MAX}) {
    EXPECT_EQ(TDXSound::PanGains(pan).Left, TDXSound::PanGains(256).Left) << pan;
    EXPECT_EQ(TDXSound::PanGains(pan).Right, 255) << pan;
  }
  for (int pan : {-257, -300, INT_MIN}) {
    EXPECT_EQ(TDXSound::PanGains(pan).Right, TDXSound::PanGains(-256).Right) << pan;
    EXPECT_EQ(TDXSound::PanGains(pan).Left, 255) << pan;
  }
}

TEST(DSErrorString, GivesTheTextOfEachKnownCode) {
  EXPECT_EQ(DSErrorString(DS_OK), "The request completed successfully.");
  EXPECT_EQ(DSErrorString(DSERR_CONTROLUNAVAIL),
            "The control (volume, pan, and so forth) requested by the caller is not available.");
  EXPECT_EQ(DSErrorString(DSERR_BUFFERLOST), "The buffer memory has been lost and must be restored.");
  EXPECT_EQ(DSErrorString(static_cast<HRESULT>(0x887800AAu)),
            "The IDirectSound::Initialize method has not been called or has not been called successfully "
            "before other methods were called.");
}

TEST(DSErrorString, TheOutOfMemoryTextUsesTheAcuteAccentInUtf8) {
  const std::string text = DSErrorString(static_cast<HRESULT>(0x8007000Eu));
  EXPECT_NE(text.find("caller\xC2\xB4s request."), std::string::npos) << text;
  EXPECT_EQ(text.find('\''), std::string::npos);
}

TEST(DSErrorString, AnyOtherCodeIsUnrecognized) {
  EXPECT_EQ(DSErrorString(1), "Unrecognized Error");
  EXPECT_EQ(DSErrorString(static_cast<HRESULT>(0x88760000u)), "Unrecognized Error");
}

}  // namespace
