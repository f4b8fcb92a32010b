// Golden scenes: scripted runs whose chosen frames must hash exactly as recorded.
// Regenerate with scripts/update-golden.sh (never by hand); it also writes PNGs to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "headless/HeadlessRunner.h"
#include "tests/headless/JsonLite.h"

namespace fs = std::filesystem;

namespace {

fs::path GoldenDir() {
  const char* src = std::getenv("CORVINA_SOURCE_DIR");
  return fs::path(src ? src : CORVINA_TEST_SOURCE_DIR) / "tests" / "golden";
}

std::vector<std::string> SceneNames() {
  std::vector<std::string> names;
  if (!fs::is_directory(GoldenDir())) return names;
  for (const auto& e : fs::directory_iterator(GoldenDir())) {
    if (e.path().extension() == ".txt") names.push_back(e.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The scene's header comments: "# frames: N", "# check: F F ...", "# options: --high-res".
struct Scene {
  int Frames = 0;
  std::vector<int> Checks;
  bool HighRes = false;
};

Scene ReadScene(const fs::path& script) {
  Scene s;
  std::ifstream in(script);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string hash, key;
    words >> hash >> key;
    if (hash != "#") continue;
    if (key == "frames:") words >> s.Frames;
    if (key == "check:") {
      for (int f; words >> f;) s.Checks.push_back(f);
    }
    if (key == "options:") s.HighRes = line.find("--high-res") != std::string::npos;
  }
  return s;
}

std::map<int, std::string> ReadHashes(const fs::path& file) {
  std::map<int, std::string> hashes;
  std::ifstream in(file);
  int frame;
  std::string crc;
  while (in >> frame >> crc) hashes[frame] = crc;
  return hashes;
}

class GoldenScene : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(GoldenScene, FramesMatchTheRecordedHashes) {
  const fs::path script = GoldenDir() / (GetParam() + ".txt");
  const Scene scene = ReadScene(script);
  ASSERT_GT(scene.Frames, 0) << script << " has no '# frames:' line";
  ASSERT_FALSE(scene.Checks.empty()) << script << " has no '# check:' line";

  const char* pngDir = std::getenv("CORVINA_GOLDEN_PNG_DIR");
  THeadlessOptions o;
  o.Frames = scene.Frames;
  o.ScriptFile = script.string();
  o.HighRes = scene.HighRes;
  o.Trace = true;
  o.Hash = true;
  if (pngDir) {
    for (int f : scene.Checks) {
      o.Pngs.push_back({f, (fs::path(pngDir) / (GetParam() + "-" + std::to_string(f) + ".png")).string()});
    }
  }
  std::map<int, std::string> actual;
  RunHeadless(o, [&](const std::string& line) {
    const JsonValue v = JsonReader::Parse(line);
    actual[v["frame"].Int()] = v["frame_crc"].Text;
  });

  const fs::path hashFile = GoldenDir() / (GetParam() + ".crc");
  if (std::getenv("CORVINA_UPDATE_GOLDEN")) {
    std::ofstream out(hashFile);
    for (int f : scene.Checks) out << f << " " << actual.at(f) << "\n";
    return;
  }
  const auto expected = ReadHashes(hashFile);
  ASSERT_FALSE(expected.empty()) << hashFile << " is missing: run scripts/update-golden.sh";
  for (int f : scene.Checks) {
    EXPECT_EQ(actual[f], expected.count(f) ? expected.at(f) : "(none)") << "frame " << f;
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, GoldenScene, ::testing::ValuesIn(SceneNames()),
                         [](const auto& info) { return info.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(GoldenScene);

// Without scenes the suite above would pass by running nothing, as it once did under ctest.
TEST(GoldenScenes, AreFound) { EXPECT_GE(SceneNames().size(), 4u) << "no golden scenes in " << GoldenDir(); }
