// Bad files met by a game started in process as a fresh program starts it: loose sheets (with
// the sheet resources taken out of the table, since resources are looked up first), loose map
// files, wave files and a missing audio device. Each gets a clear refusal or its documented
// fallback; nothing crashes, nothing waits for ever.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "core/Log.h"
#include "game/World.h"
#include "headless/HeadlessSession.h"
#include "platform/headless/PlatformHeadless.h"
#include "res/Resources.h"
#include "sound/DXSound1.h"
#include "tests/support/GameFixture.h"
#include "util/Printable.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Bytes(std::span<const uint8_t> s) { return {s.begin(), s.end()}; }

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Runs every case in a directory of its own, so loose files are found there.
class BadInput : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    Saved = fs::current_path();
    Dir = fs::path(TempDir()) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    fs::current_path(Dir);
  }
  void TearDown() override {
    fs::current_path(Saved);
    fs::remove_all(Dir);
    GameTest::TearDown();
  }

  void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(Dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  void Fifo(const std::string& name) { ASSERT_EQ(::mkfifo((Dir / name).c_str(), 0600), 0); }

  // The message of the start-up failure, or "" when the game started (and ran a few frames).
  std::string Start(const std::string& mapFile = "") {
    THeadlessConfig config;
    config.MapFile = mapFile;
    config.Resources = Resources;
    try {
      THeadlessSession session(config);
      for (int i = 0; i < 20; ++i) {
        session.RunFrame();
        session.EndFrame();
      }
      return "";
    } catch (const std::runtime_error& e) {
      return e.what();
    }
  }

  fs::path Saved;
  fs::path Dir;
  std::optional<std::vector<TResource>> Resources;  // what Start's program has instead of its own
};

// The sheets as loose files only: the resource table keeps the map and the footstep.
class BadSheet : public BadInput {
 protected:
  void SetUp() override {
    BadInput::SetUp();
    Lumo1 = SheetFile("LUMO1");
    Lumo2 = SheetFile("LUMO2");
    const auto map = FindResource("Map", RT_MAP);
    const auto walk = FindResource("Walk", RT_WAVE);
    ASSERT_TRUE(map && walk);
    Resources = std::vector<TResource>{{"Map", RT_MAP, *map}, {"Walk", RT_WAVE, *walk}};
    Write("Lumo2.BMP", Lumo2);
  }

  // The resource with the 14-byte file header in front: the file a user would put there.
  static std::vector<uint8_t> SheetFile(const char* name) {
    const auto res = FindResource(name, RT_BITMAP);
    EXPECT_TRUE(res.has_value());
    std::vector<uint8_t> file(14 + res->size());
    std::copy(res->begin(), res->end(), file.begin() + 14);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, static_cast<uint32_t>(14 + res->size()));
    Put32(file, 10, 14 + 40 + 1024);
    return file;
  }

  std::vector<uint8_t> Lumo1, Lumo2;
};

TEST_F(BadSheet, GoodLooseSheetsStandInForMissingResources) {
  Write("Lumo1.BMP", Lumo1);
  EXPECT_EQ(Start(), "");
}

TEST_F(BadSheet, AMissingSheetEndsTheSetUpWithItsName) { EXPECT_EQ(Start(), "Lumo1 비트맵 로드 실패"); }

TEST_F(BadSheet, ATruncatedSheetIsRefusedAndEndsTheSetUp) {
  for (size_t size : {size_t{0}, size_t{10}, size_t{14 + 39}, size_t{14 + 40 + 512}, Lumo1.size() - 1}) {
    SCOPED_TRACE(size);
    Write("Lumo1.BMP", std::vector<uint8_t>(Lumo1.begin(), Lumo1.begin() + static_cast<ptrdiff_t>(size)));
    EXPECT_EQ(Start(), "Lumo1 비트맵 로드 실패");
  }
}

TEST_F(BadSheet, ASheetWithALyingHeaderIsRefused) {
  struct TLie {
    const char* What;
    size_t At;
    uint32_t Value;
  };
  for (const TLie& lie :
       {TLie{"pixel offset past the end", 10, 0x7FFFFFF0u}, TLie{"header size past the end", 14, 0x00100000u},
        TLie{"more rows than the data holds", 22, 4800u}, TLie{"colours used beyond 256", 14 + 32, 100000u},
        TLie{"compressed", 14 + 16, 1u}}) {
    SCOPED_TRACE(lie.What);
    std::vector<uint8_t> file = Lumo1;
    Put32(file, lie.At, lie.Value);
    Write("Lumo1.BMP", file);
    EXPECT_EQ(Start(), "Lumo1 비트맵 로드 실패");
  }
}

TEST_F(BadSheet, ASheetOfAnUnsupportedBitDepthIsRefused) {
  for (uint16_t bits : {uint16_t{1}, uint16_t{16}, uint16_t{32}, uint16_t{7}}) {
    SCOPED_TRACE(bits);
    std::vector<uint8_t> file = Lumo1;
    Put16(file, 14 + 14, bits);
    Write("Lumo1.BMP", file);
    EXPECT_EQ(Start(), "Lumo1 비트맵 로드 실패");
  }
}

TEST_F(BadSheet, ASheetOfAbsurdDimensionsIsRefusedUnread) {
  for (int32_t width : {0, -640, 1 << 20, 0x7FFFFFFF}) {
    SCOPED_TRACE(width);
    std::vector<uint8_t> file = Lumo1;
    Put32(file, 18, static_cast<uint32_t>(width));
    Write("Lumo1.BMP", file);
    EXPECT_EQ(Start(), "Lumo1 비트맵 로드 실패");
  }
}

TEST_F(BadSheet, ASheetThatIsNoRegularFileIsRefusedSayingWhatItIs) {
  const auto refusal = [this](const std::string& why) {
    TLogCapture log;
    EXPECT_EQ(Start(), "Lumo1 비트맵 로드 실패");
    EXPECT_EQ(log.Count("bitmap Lumo1.BMP refused: " + why), 1) << why;
    fs::remove(Dir / "Lumo1.BMP");
  };
  fs::create_directory(Dir / "Lumo1.BMP");
  refusal("is a directory");
  Fifo("Lumo1.BMP");  // nobody writes to it: never opened, never waited on
  refusal("is a FIFO");
  fs::create_symlink("/dev/null", Dir / "Lumo1.BMP");
  refusal("is a character device");
}

TEST_F(BadSheet, ABadSecondSheetNamesTheSecondSheet) {
  Write("Lumo1.BMP", Lumo1);
  Write("Lumo2.BMP", std::vector<uint8_t>(Lumo2.begin(), Lumo2.begin() + 100));
  EXPECT_EQ(Start(), "Lumo2 비트맵 로드 실패");
}

class BadMapFile : public BadInput {
 protected:
  std::vector<uint8_t> Shipped() {
    const auto map = FindResource("Map", RT_MAP);
    EXPECT_TRUE(map.has_value());
    return Bytes(*map);
  }
};

TEST_F(BadMapFile, AShortMapEndsTheStartWithItsLength) {
  std::vector<uint8_t> map = Shipped();
  map.resize(49999);
  Write("MAP.DAT", map);
  EXPECT_EQ(Start((Dir / "MAP.DAT").string()),
            "Map file \"" + (Dir / "MAP.DAT").string() + "\" is 49999 bytes long; 50000 bytes expected");
}

TEST_F(BadMapFile, ALongMapIsReadForItsFirst50000Bytes) {
  std::vector<uint8_t> map = Shipped();
  map.resize(70000, 0xEE);
  Write("MAP.DAT", map);
  THeadlessConfig config;
  config.MapFile = (Dir / "MAP.DAT").string();
  THeadlessSession session(config);
  EXPECT_EQ(World->Person(1)->FCellX, 48);
  EXPECT_EQ(World->Person(1)->FCellY, 62);
}

TEST_F(BadMapFile, AnAbsurdlyLargeMapIsRefusedUnread) {
  const fs::path path = Dir / "MAP.DAT";
  std::ofstream(path).close();
  fs::resize_file(path, MaxMapFileBytes + 1);  // sparse
  EXPECT_NE(Start(path.string()).find("refused"), std::string::npos);
}

TEST_F(BadMapFile, ValuesOutOfRangeEverywhereStillPlay) {
  for (const std::vector<uint8_t>& cell :
       {std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, std::vector<uint8_t>{6, 10, 105, 2, 3},
        std::vector<uint8_t>{200, 0, 1, 0, 0}}) {
    std::vector<uint8_t> map;
    for (int i = 0; i < 10000; ++i) map.insert(map.end(), cell.begin(), cell.end());
    Write("MAP.DAT", map);
    EXPECT_EQ(Start((Dir / "MAP.DAT").string()), "");
  }
}

// A FIFO or a device is never read (a terminal would wait for input): each is passed over for a
// generated map as a missing file or a directory is, saying what it is.
TEST_F(BadMapFile, AMapThatCannotBeOpenedOrIsNoRegularFileGivesAGeneratedMapSayingWhy) {
  const std::string path = (Dir / "MAP.DAT").string();
  const auto generated = [&](const std::string& why) {
    TLogCapture log;
    THeadlessConfig config;
    config.MapFile = path;
    THeadlessSession session(config);
    EXPECT_EQ(World->FMap->FFileName, "") << why;  // generated, not loaded
    EXPECT_EQ(log.Count("map file " + path + " cannot be opened (" + why + "); a random map is generated"), 1) << why;
    fs::remove(path);
  };
  generated("No such file or directory");
  fs::create_directory(path);
  generated("is a directory");
  Fifo("MAP.DAT");
  generated("is a FIFO");
  fs::create_symlink("/dev/null", path);
  generated("is a character device");
}

TEST_F(BadMapFile, AMapThatFailsWhileItIsReadIsRefusedWithTheReason) {
  fs::create_symlink("/proc/self/mem", Dir / "MAP.DAT");
  EXPECT_NE(Start((Dir / "MAP.DAT").string()).find("read error"), std::string::npos);
}

class BadWave : public BadInput {
 protected:
  static std::vector<uint8_t> Wave(uint16_t tag = 1, uint32_t dataLen = 1404) {
    std::vector<uint8_t> w(44 + dataLen, 0x80);
    std::memcpy(&w[0], "RIFF", 4);
    Put32(w, 4, static_cast<uint32_t>(w.size() - 8));
    std::memcpy(&w[8], "WAVEfmt ", 8);
    Put32(w, 16, 16);
    Put16(w, 20, tag);
    Put16(w, 22, 1);
    Put32(w, 24, 11025);
    Put32(w, 28, 11025);
    Put16(w, 32, 1);
    Put16(w, 34, 8);
    std::memcpy(&w[36], "data", 4);
    Put32(w, 40, dataLen);
    return w;
  }
  int Load(const std::string& name, std::string* why = nullptr) {
    TDXSound sound;
    return sound.LoadFromFile((Dir / name).string(), why);
  }
  // The message a load of `wave` as Walk.Wav (grown to `size` bytes when given) ends with.
  std::string Refusal(const std::vector<uint8_t>& wave, uintmax_t size = 0) {
    Write("Walk.Wav", wave);
    if (size > 0) fs::resize_file(Dir / "Walk.Wav", size);  // sparse
    try {
      Load("Walk.Wav");
      return "";
    } catch (const std::runtime_error& e) {
      return e.what();
    }
  }
};

TEST_F(BadWave, AGoodWaveLoadsSoTheRefusalsBelowMeanSomething) {
  Write("Walk.Wav", Wave());
  EXPECT_EQ(Load("Walk.Wav"), 1);
}

TEST_F(BadWave, TruncatedNotPcmOrUnreadableWavesAreRefused) {
  std::vector<uint8_t> truncated = Wave();
  truncated.resize(300);
  Write("short.wav", truncated);
  Write("float.wav", Wave(3));
  Write("empty.wav", {});
  fs::create_directory(Dir / "dir.wav");
  Fifo("fifo.wav");
  for (const char* name : {"short.wav", "float.wav", "empty.wav", "dir.wav", "fifo.wav", "missing.wav"}) {
    EXPECT_EQ(Load(name), -1) << name;
  }
  std::string why;
  EXPECT_EQ(Load("fifo.wav", &why), -1);
  EXPECT_EQ(why, "is a FIFO");
}

TEST_F(BadWave, PcmTheDeviceCannotPlayIsRefusedNamingTheFileAndWhatIsWrongBeforeTheDevicesText) {
  const std::string badFormat = "The specified wave format is not supported.";
  struct TCase {
    size_t At;  // the field changed: bits 34, channels 22, rate 24
    uint16_t Value;
    std::string Expected;
  };
  for (const TCase& c : {TCase{34, 24, "24 bits a sample; 8 or 16 are played. " + badFormat},
                         TCase{34, 32, "32 bits a sample; 8 or 16 are played. " + badFormat},
                         TCase{22, 0, "0 channels; 1 or 2 are played. " + badFormat},
                         TCase{22, 3, "3 channels; 1 or 2 are played. " + badFormat},
                         TCase{24, 0, "0 samples a second; 100 to 200000 are played. " + badFormat},
                         TCase{24, 99, "99 samples a second; 100 to 200000 are played. " + badFormat},
                         TCase{32, 2, "a block align of 2; frames of 1 x 8 bits take 1. " + badFormat}}) {
    std::vector<uint8_t> wave = Wave();
    Put16(wave, c.At, c.Value);
    EXPECT_EQ(Refusal(wave), (Dir / "Walk.Wav").string() + ": " + c.Expected);
  }
  const std::string path = (Dir / "Walk.Wav").string();
  EXPECT_EQ(
      Refusal(Wave(1, 0)),
      path + ": 0 bytes of sound; at least 4 are played. An invalid parameter was passed to the returning function.");
  EXPECT_EQ(Refusal(Wave(), TDXSound::MaxFileBytes + 1), path + ": file larger than 67108864 bytes, refused");
}

TEST_F(BadWave, WithoutAnAudioDeviceTheGamePlaysSilent) {
  HeadlessSetAudioAvailable(false);
  TDXSound sound;
  EXPECT_FALSE(sound.HasDevice());
  EXPECT_EQ(sound.LoadFromResource("Walk", RT_WAVE), -1);
  sound.Play(1);
  EXPECT_TRUE(HeadlessAudioLog().empty());
}

}  // namespace

// A file name is input: a terminal escape or a byte that is not UTF-8 in it reaches no message
// raw, whatever the message says about the file.
TEST_F(BadWave, EveryMessageAboutAFileShowsItsNameEscaped) {
  const std::string name = "evil\x1b]0;owned\x07\xff.dat";
  const std::string path = (Dir / name).string();
  const std::string shown = (Dir / "evil\\x1b]0;owned\\x07\\xff.dat").string();
  const auto raw = [](const std::string& message) {
    return std::any_of(message.begin(), message.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
  };
  std::vector<std::string> said;
  {
    TLogCapture log;
    Write(name, {1, 2, 3, 4, 5});
    said.push_back(Start(path));
    std::vector<uint8_t> map = Bytes(*FindResource("Map", RT_MAP));
    map.resize(70000);
    Write(name, map);
    said.push_back(Start(path));
    fs::remove(Dir / name);
    said.push_back(Start(path));
    std::ofstream(path).close();
    fs::resize_file(path, MaxMapFileBytes + 1);  // sparse
    said.push_back(Start(path));
    std::erase(said, "");
    for (const std::string& line : log.Lines()) said.push_back(line);
  }
  ASSERT_EQ(said.size(), 4u);
  for (const std::string& message : said) {
    EXPECT_FALSE(raw(message)) << Printable(message, EchoedPathChars);
    EXPECT_NE(message.find(shown), std::string::npos) << Printable(message, EchoedPathChars);
  }
  EXPECT_EQ(said[0], "Map file \"" + shown + "\" is 5 bytes long; 50000 bytes expected");

  Write(name, Wave(1, 0));
  std::string why;
  try {
    TDXSound().LoadFromFile(path, &why);
  } catch (const std::runtime_error& e) {
    why = e.what();
  }
  EXPECT_FALSE(raw(why)) << Printable(why, EchoedPathChars);
  EXPECT_EQ(why.find(shown), 0u) << Printable(why, EchoedPathChars);
}
