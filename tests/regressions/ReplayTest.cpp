// Replays every kept input under tests/regressions/<Target>/ through the fuzz target's own entry
// point: an input that once crashed or tripped a sanitizer stays in every test run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TReplayer {
  const char* Name;
  int (*Run)(const uint8_t*, size_t);
  int (*Init)(int*, char***);  // null when the target has no initializer
};

}  // namespace

#include "ReplayTable.inc"

namespace {

const TReplayer Replayers[] = {CORVINA_REPLAYERS};

struct TKept {
  const TReplayer* Target;
  fs::path File;
};

std::vector<TKept> KeptInputs() {
  std::vector<TKept> kept;
  for (const TReplayer& r : Replayers) {
    const fs::path dir = fs::path(CORVINA_REGRESSIONS_DIR) / r.Name;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) kept.push_back({&r, f});
  }
  return kept;
}

class KeptFuzzInput : public ::testing::TestWithParam<TKept> {};

TEST_P(KeptFuzzInput, ReplaysWithoutACrashOrASanitizerReport) {
  const TKept& k = GetParam();
  std::ifstream in(k.File, std::ios::binary);
  ASSERT_TRUE(in) << k.File;
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (k.Target->Init != nullptr) {
    int argc = 0;
    char** argv = nullptr;
    k.Target->Init(&argc, &argv);
  }
  EXPECT_EQ(k.Target->Run(bytes.data(), bytes.size()), 0);
}

INSTANTIATE_TEST_SUITE_P(Kept, KeptFuzzInput, ::testing::ValuesIn(KeptInputs()),
                         [](const ::testing::TestParamInfo<TKept>& info) {
                           std::string name =
                               std::string(info.param.Target->Name) + "_" + info.param.File.filename().string();
                           std::replace_if(
                               name.begin(), name.end(),
                               [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                           return name;
                         });

}  // namespace
