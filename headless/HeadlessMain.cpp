// corvina-headless: the real game on the headless platform, driven by a script, traced per
// frame. Its options, script language and trace fields are a stable interface.
#include <cstdio>
#include <string>

#include "headless/HeadlessOptions.h"
#include "headless/HeadlessRunner.h"

int main(int argc, char** argv) {
  THeadlessOptions options;
  std::string error;
  if (!ParseHeadlessOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "corvina-headless: %s\n%s", error.c_str(), HeadlessUsage());
    return 2;
  }
  if (options.Help) {
    std::printf("%s", HeadlessUsage());
    return 0;
  }
  try {
    std::string verdict;
    const int status = RunHeadless(
        options, [](const std::string& line) { std::printf("%s\n", line.c_str()); }, &verdict);
    if (!verdict.empty()) std::fprintf(status == 0 ? stdout : stderr, "%s\n", verdict.c_str());
    return status;
  } catch (const THeadlessRefusal& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "corvina-headless: %s\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "corvina-headless: %s\n", e.what());
    return 1;
  }
}
