// Resource lookup by name and type, loose files matched without regard to case, bounded reads.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/FileDescriptor.h"
#include "res/Resources.h"

namespace fs = std::filesystem;

namespace {

class EmbeddedResources : public ::testing::Test {
 protected:
  void SetUp() override { SetResourceTableForTesting(std::nullopt); }
};

TEST_F(EmbeddedResources, SheetsAreBitmapsWithoutFileHeaderFoundInAnyCase) {
  for (const char* name : {"LUMO1", "Lumo1", "lumo1", "LUMO2", "Lumo2"}) {
    auto r = FindResource(name, RT_BITMAP);
    ASSERT_TRUE(r) << name;
    EXPECT_EQ(r->size(), 308264u) << name;
    EXPECT_EQ((*r)[0], 40) << name;  // the info header's size, no "BM" in front
  }
}

TEST_F(EmbeddedResources, MapAndFootstepHaveTheirNumericTypesAndSizes) {
  auto map = FindResource("Map", RT_MAP);
  ASSERT_TRUE(map);
  EXPECT_EQ(map->size(), 50000u);
  auto walk = FindResource("WALK", RT_WAVE);
  ASSERT_TRUE(walk);
  ASSERT_EQ(walk->size(), 1450u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(walk->data()), 4), "RIFF");
}

TEST_F(EmbeddedResources, WrongTypeOrUnknownNameFindsNothing) {
  EXPECT_FALSE(FindResource("Map", RT_BITMAP));
  EXPECT_FALSE(FindResource("LUMO1", RT_MAP));
  EXPECT_FALSE(FindResource("LUMO3", RT_BITMAP));
  EXPECT_FALSE(FindResource("", RT_MAP));
  EXPECT_FALSE(FindResource("Map ", RT_MAP));
}

TEST_F(EmbeddedResources, TestTableReplacesTheEmbeddedOneUntilReset) {
  static const uint8_t bytes[] = {1, 2, 3};
  SetResourceTableForTesting(std::vector<TResource>{{"Tiny", 99, std::span<const uint8_t>(bytes, 3)}});
  EXPECT_FALSE(FindResource("Map", RT_MAP));
  auto tiny = FindResource("tiny", 99);
  ASSERT_TRUE(tiny);
  EXPECT_EQ(tiny->size(), 3u);
  SetResourceTableForTesting(std::nullopt);
  EXPECT_TRUE(FindResource("Map", RT_MAP));
  EXPECT_FALSE(FindResource("Tiny", 99));
}

// A fresh directory per test, removed afterwards.
class LooseFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("corvina-res-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name, std::ios::binary) << text; }
  std::string Dir() const { return dir_.string(); }
  fs::path dir_;
};

TEST_F(LooseFiles, NameMatchesWithoutRegardToCase) {
  Write("lumo1.bmp", "x");
  auto found = FindLooseFile(Dir(), "Lumo1.BMP");
  ASSERT_TRUE(found);
  EXPECT_EQ(fs::path(*found).filename(), "lumo1.bmp");
  EXPECT_EQ(fs::path(*found).parent_path(), dir_);
}

TEST_F(LooseFiles, ExactMatchWinsOverOtherCases) {
  Write("WALK.WAV", "a");
  Write("Walk.Wav", "b");
  Write("walk.wav", "c");
  EXPECT_EQ(fs::path(*FindLooseFile(Dir(), "Walk.Wav")).filename(), "Walk.Wav");
  // Without an exact match the choice is still the same every time.
  EXPECT_EQ(fs::path(*FindLooseFile(Dir(), "wALK.wAV")).filename(), "WALK.WAV");
}

TEST_F(LooseFiles, MissingFilesAndPathsInNamesAreNotFound) {
  EXPECT_FALSE(FindLooseFile(Dir(), "Lumo2.BMP"));
  EXPECT_FALSE(FindLooseFile(Dir() + "/nowhere", "Lumo2.BMP"));
  Write("x", "1");
  EXPECT_FALSE(FindLooseFile("/", Dir().substr(1) + "/x"));
}

// A directory is found only where no file has the name, so the loader can tell why it is not read.
TEST_F(LooseFiles, AFileOfTheNameIsPreferredToADirectory) {
  fs::create_directories(dir_ / "MAP.DAT");
  EXPECT_EQ(fs::path(FindLooseFile(Dir(), "map.dat").value_or("")).filename(), "MAP.DAT");
  Write("Map.dat", "m");
  EXPECT_EQ(fs::path(FindLooseFile(Dir(), "MAP.DAT").value_or("")).filename(), "Map.dat");
}

TEST_F(LooseFiles, EmptyDirectoryMeansTheCurrentOne) {
  Write("Lumo2.dat", "x");
  const fs::path old = fs::current_path();
  fs::current_path(dir_);
  auto found = FindLooseFile("", "LUMO2.DAT");
  fs::current_path(old);
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, "Lumo2.dat");
}

TEST_F(LooseFiles, ReadWholeFileReturnsTheBytesUpToItsBound) {
  Write("MAP.DAT", std::string(100, 'm'));
  const TFileRead file = ReadWholeFile(Dir() + "/MAP.DAT", 100);
  ASSERT_TRUE(file.Bytes);
  EXPECT_EQ(file.Bytes->size(), 100u);
  EXPECT_EQ(file.Bytes->back(), 'm');
  Write("empty", "");
  EXPECT_EQ(ReadWholeFile(Dir() + "/empty", 10).Bytes->size(), 0u);
}

// The bytes this process has read so far, as the system counts them.
uint64_t BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}

// However large the file, no more than one piece past the bound is read before the refusal.
TEST_F(LooseFiles, ReadWholeFileRefusesAFileLargerThanItsBoundNamingItAfterABoundedRead) {
  Write("big", std::string(101, 'b'));
  fs::resize_file(dir_ / "big", 64u << 20);  // sparse
  const uint64_t before = BytesRead();
  try {
    ReadWholeFile(Dir() + "/big", 100);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("big"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("100"), std::string::npos);
  }
  EXPECT_LE(BytesRead() - before, 100u + 65536u + 4096u);  // the last a margin for /proc/self/io itself
}

// Nothing but a regular file is read (a device could wait for ever), and each says why.
TEST_F(LooseFiles, ReadWholeFileReadsOnlyRegularFilesAndSaysWhatElseItWasGiven) {
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  const TFileDescriptor sock(::socket(AF_UNIX, SOCK_STREAM, 0));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = Dir() + "/sock";
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(::bind(sock.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  fs::create_directory_symlink(dir_, dir_ / "link-to-dir");
  std::vector<std::pair<std::string, std::string>> cases = {
      {Dir() + "/none", "No such file or directory"}, {Dir(), "is a directory"},
      {Dir() + "/link-to-dir", "is a directory"},     {Dir() + "/fifo", "is a FIFO"},
      {"/dev/null", "is a character device"},         {socketPath, "is a socket"}};
  // Where the machine lets a block device be made (as root); never opened, so any numbers do.
  if (::mknod((dir_ / "block").c_str(), S_IFBLK | 0600, makedev(7, 200)) == 0) {
    cases.emplace_back(Dir() + "/block", "is a block device");
  }
  for (const auto& [path, why] : cases) {
    const TFileRead file = ReadWholeFile(path, 10);
    EXPECT_FALSE(file.Bytes) << path;
    EXPECT_EQ(file.Why, why) << path;
  }
}

TEST_F(LooseFiles, ReadWholeFileLeavesNoDescriptorOpenWhicheverWayItEnds) {
  const auto openDescriptors = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
  };
  Write("big", std::string(101, 'b'));
  const auto before = openDescriptors();
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(ReadWholeFile(Dir() + "/big", 101).Bytes);
    EXPECT_THROW(ReadWholeFile(Dir() + "/big", 100), std::runtime_error);
    EXPECT_THROW(ReadWholeFile("/proc/self/mem", 100), std::runtime_error);  // fails while read
  }
  EXPECT_EQ(openDescriptors(), before);
}

TEST(ProgramDirectory, IsTheTestProgramsOwnDirectoryWithATrailingSlash) {
  const std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_TRUE(fs::exists(dir + "corvina_tests_res"));
}

}  // namespace
