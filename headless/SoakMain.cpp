// corvina-soak: plays a long headless game under seeded random input and checks the world's
// invariants after every frame. Exit 0 when they all held.
#include <cstdio>
#include <string>

#include "headless/Soak.h"

int main(int argc, char** argv) {
  TSoakOptions o;
  bool help = false;
  std::string error;
  if (!ParseSoakOptions(argc, argv, o, help, error)) {
    std::fprintf(stderr, "corvina-soak: %s\n%s", error.c_str(), SoakUsage());
    return 2;
  }
  if (help) {
    std::printf("%s", SoakUsage());
    return 0;
  }
  try {
    const TSoakResult r = RunSoak(o);
    std::printf("frames %ld, steps %ld, orders %ld, edits %ld, close requests %ld, violations %zu\n", r.FramesRun,
                r.Steps, r.Orders, r.Edits, r.CloseRequests, r.Violations.size());
    for (const auto& v : r.Violations) std::printf("  %s\n", v.c_str());
    return r.Violations.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvina-soak: %s\n", e.what());
    return 1;
  }
}
