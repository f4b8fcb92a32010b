// The in-memory wave parsers: the fixed resource layout and RIFF WAVE files.
#include <gtest/gtest.h>

#include "WaveBytes.h"
#include "sound/WaveReader.h"

using namespace wavebytes;

namespace {

std::vector<uint8_t> asVector(std::span<const uint8_t> s) { return {s.begin(), s.end()}; }

TEST(WaveResourceLayout, TheFootstepLayoutGivesItsFormatAndAllOfItsData) {
  const auto data = ramp(1404);
  const auto bytes = waveResource(monoByte(), data);
  ASSERT_EQ(bytes.size(), 1450u);
  auto image = ReadWaveResource(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Format.wFormatTag, 1);
  EXPECT_EQ(image->Format.nChannels, 1);
  EXPECT_EQ(image->Format.nSamplesPerSec, 11025u);
  EXPECT_EQ(image->Format.wBitsPerSample, 8);
  EXPECT_EQ(asVector(image->Data), data);
}

TEST(WaveResourceLayout, ExtraFormatBytesAreSkippedToReachTheData) {
  const auto data = ramp(40);
  const auto bytes = waveResource(monoByte(), data, 18, 22);
  auto image = ReadWaveResource(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Format.nSamplesPerSec, 11025u);
  EXPECT_EQ(asVector(image->Data), data);
}

TEST(WaveResourceLayout, AShortFormatChunkLeavesTheMissingFieldsZero) {
  auto f = monoByte();
  f.cbSize = 0x1234;
  const auto bytes = waveResource(f, ramp(10), 16);
  auto image = ReadWaveResource(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Format.wBitsPerSample, 8);
  EXPECT_EQ(image->Format.cbSize, 0);
  EXPECT_EQ(image->Data.size(), 10u);
}

TEST(WaveResourceLayout, ChunkIdsAndTheFormatTagAreNotExamined) {
  auto f = monoByte();
  f.wFormatTag = 0x55;
  auto bytes = waveResource(f, ramp(8));
  for (size_t at : {0u, 8u, 12u, 38u}) bytes[at] = 'X';
  auto image = ReadWaveResource(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Format.wFormatTag, 0x55);
}

TEST(WaveResourceLayout, DataLongerThanTheSourceHoldsIsRefused) {
  auto bytes = waveResource(monoByte(), ramp(100));
  poke32(bytes, 42, 101);
  EXPECT_FALSE(ReadWaveResource(bytes));
  poke32(bytes, 42, 0xFFFFFFFFu);
  EXPECT_FALSE(ReadWaveResource(bytes));
  poke32(bytes, 42, 100);
  EXPECT_TRUE(ReadWaveResource(bytes));
}

TEST(WaveResourceLayout, AFormatSizeBeyondTheSourceIsRefused) {
  auto bytes = waveResource(monoByte(), ramp(100));
  poke32(bytes, 16, 0xFFFFFFF0u);
  EXPECT_FALSE(ReadWaveResource(bytes));
}

TEST(WaveResourceLayout, EveryTruncationOfTheHeaderIsRefused) {
  const auto bytes = waveResource(monoByte(), ramp(4));
  for (size_t n = 0; n < bytes.size(); ++n) {
    EXPECT_FALSE(ReadWaveResource(std::span(bytes).first(n))) << n << " bytes";
  }
}

TEST(WaveFile, APlainFileGivesItsFormatAndData) {
  const auto data = ramp(300);
  const auto bytes = waveFile(monoByte(), data);
  auto image = ReadWaveFile(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Format.nBlockAlign, 1);
  EXPECT_EQ(asVector(image->Data), data);
}

TEST(WaveFile, TheCommonSixteenByteFormatChunkIsAccepted) {
  const auto bytes = waveFile(monoByte(), ramp(20), 16);
  auto image = ReadWaveFile(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Format.wBitsPerSample, 8);
  EXPECT_EQ(image->Format.cbSize, 0);
}

TEST(WaveFile, AFormatChunkShorterThanThePcmFieldsIsRefused) {
  EXPECT_FALSE(ReadWaveFile(waveFile(monoByte(), ramp(20), 14)));
}

TEST(WaveFile, ChunksAreFoundByIdPastOthersAndTheirPadBytes) {
  const auto data = ramp(33);
  std::vector<uint8_t> chunks;
  putChunk(chunks, "LIST", ramp(5));  // odd: a pad byte follows
  putChunk(chunks, "data", data);
  putChunk(chunks, "junk", ramp(3));
  putChunk(chunks, "fmt ", formatBody(monoByte(), 16));
  const auto bytes = riff(chunks);
  auto image = ReadWaveFile(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Format.nSamplesPerSec, 11025u);
  EXPECT_EQ(asVector(image->Data), data);
}

TEST(WaveFile, AnOddDataChunkAtTheEndNeedsNoPadByte) {
  std::vector<uint8_t> chunks;
  putChunk(chunks, "fmt ", formatBody(monoByte()));
  putChunk(chunks, "data", ramp(7), false);
  const auto bytes = riff(chunks);
  auto image = ReadWaveFile(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Data.size(), 7u);
}

TEST(WaveFile, ANonPcmFormatTagIsRefused) {
  auto f = monoByte();
  f.wFormatTag = 3;
  EXPECT_FALSE(ReadWaveFile(waveFile(f, ramp(16))));
}

TEST(WaveFile, FilesThatAreNotRiffWaveAreRefused) {
  auto bytes = waveFile(monoByte(), ramp(16));
  auto notRiff = bytes;
  notRiff[0] = 'r';
  EXPECT_FALSE(ReadWaveFile(notRiff));
  auto notWave = bytes;
  notWave[8] = 'A';
  EXPECT_FALSE(ReadWaveFile(notWave));
  EXPECT_FALSE(ReadWaveFile({}));
}

TEST(WaveFile, MissingFormatOrDataChunksAreRefused) {
  std::vector<uint8_t> onlyFormat;
  putChunk(onlyFormat, "fmt ", formatBody(monoByte()));
  EXPECT_FALSE(ReadWaveFile(riff(onlyFormat)));
  std::vector<uint8_t> onlyData;
  putChunk(onlyData, "data", ramp(8));
  EXPECT_FALSE(ReadWaveFile(riff(onlyData)));
}

TEST(WaveFile, SizesThatClaimMoreThanTheFileHoldsAreRefused) {
  const auto bytes = waveFile(monoByte(), ramp(64));
  const size_t dataSizeAt = 12 + 8 + 18 + 4;
  auto lyingData = bytes;
  poke32(lyingData, dataSizeAt, 65);
  EXPECT_FALSE(ReadWaveFile(lyingData));
  auto lyingRiff = bytes;
  poke32(lyingRiff, 4, static_cast<uint32_t>(bytes.size()));
  EXPECT_FALSE(ReadWaveFile(lyingRiff));
  auto lyingFormat = bytes;
  poke32(lyingFormat, 16, 0x7FFFFFFFu);
  EXPECT_FALSE(ReadWaveFile(lyingFormat));
}

TEST(WaveFile, EveryTruncationIsRefused) {
  const auto bytes = waveFile(monoByte(), ramp(6));
  for (size_t n = 0; n < bytes.size(); ++n) {
    EXPECT_FALSE(ReadWaveFile(std::span(bytes).first(n))) << n << " bytes";
  }
}

TEST(FourCC, TheFirstCharacterIsTheLowByte) {
  EXPECT_EQ(MakeFourCC('R', 'I', 'F', 'F'), 0x46464952u);
  EXPECT_EQ(MakeFourCC(1, 2, 3, 4), 0x04030201u);
}

}  // namespace
