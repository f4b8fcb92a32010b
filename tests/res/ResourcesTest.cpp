// Resource lookup by name and type, loose files matched without regard to case, bounded reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

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

TEST_F(LooseFiles, MissingFilesDirectoriesAndPathsInNamesAreNotFound) {
  fs::create_directories(dir_ / "MAP.DAT");
  EXPECT_FALSE(FindLooseFile(Dir(), "map.dat"));
  EXPECT_FALSE(FindLooseFile(Dir(), "Lumo2.BMP"));
  EXPECT_FALSE(FindLooseFile(Dir() + "/nowhere", "Lumo2.BMP"));
  Write("x", "1");
  EXPECT_FALSE(FindLooseFile("/", Dir().substr(1) + "/x"));
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
  auto data = ReadWholeFile(Dir() + "/MAP.DAT", 100);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->size(), 100u);
  EXPECT_EQ((*data)[99], 'm');
  Write("empty", "");
  EXPECT_EQ(ReadWholeFile(Dir() + "/empty", 10)->size(), 0u);
}

TEST_F(LooseFiles, ReadWholeFileRefusesAFileLargerThanItsBoundNamingIt) {
  Write("big", std::string(101, 'b'));
  try {
    ReadWholeFile(Dir() + "/big", 100);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("big"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("100"), std::string::npos);
  }
}

TEST_F(LooseFiles, ReadWholeFileGivesNothingForMissingFilesAndDirectories) {
  EXPECT_FALSE(ReadWholeFile(Dir() + "/none", 10));
  EXPECT_FALSE(ReadWholeFile(Dir(), 10));
}

TEST_F(LooseFiles, ReadWholeFileLeavesNoDescriptorOpenWhicheverWayItEnds) {
  const auto openDescriptors = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
  };
  Write("big", std::string(101, 'b'));
  const auto before = openDescriptors();
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(ReadWholeFile(Dir() + "/big", 101));
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
