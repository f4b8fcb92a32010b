// A save killed at any moment (kill -9, so nothing of the writer runs after it) leaves the file or
// its .bak whole, and the next save leaves nothing of the killed one behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <sys/wait.h>
#include <vector>

#include "util/AtomicFile.h"
#include "util/ScratchPath.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t MapBytes = 50000;
// Enough kills to land in every step of a save; each costs a few milliseconds.
constexpr int Kills = 200;

// Written whole, a map of this test is one byte value throughout.
bool Whole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return bytes.size() == MapBytes && std::all_of(bytes.begin(), bytes.end(), [&](char c) { return c == bytes[0]; });
}

bool Save(const fs::path& path, uint8_t fill) {
  const std::vector<uint8_t> bytes(MapBytes, fill);
  return WriteFileAtomically(path, bytes, nullptr, TOldFile::KeepAsBak);
}

}  // namespace

TEST(InterruptedSave, AKilledSaveLeavesTheMapOrItsBakWholeAndTheNextSaveLeavesNothingBehind) {
  TScratchDirectory dir("corvina-interrupted-save");
  const fs::path map = dir.Path / "MAP.DAT";
  ASSERT_TRUE(Save(map, 1));
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> delayUs(0, 4000);
  for (int kill = 0; kill < Kills; ++kill) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      alarm(20);  // never outlives a test that failed before its kill
      for (uint8_t fill = 2;; fill = static_cast<uint8_t>(fill % 250 + 2)) Save(map, fill);
    }
    usleep(static_cast<useconds_t>(delayUs(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(Whole(map) || Whole(map.string() + ".bak")) << "after kill " << kill;
    ASSERT_TRUE(Save(map, 1)) << "after kill " << kill;
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.Path)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names, std::vector<std::string>({"MAP.DAT", "MAP.DAT.bak"})) << "after kill " << kill;
  }
}
