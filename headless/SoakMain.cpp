// corvina-soak: plays a long headless game under seeded random input and checks the world's
// invariants after every frame. Exit 0 when they all held.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "headless/Soak.h"

int main(int argc, char** argv) {
  SoakOptions o;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    auto number = [&](auto& out) {
      const char* v = argv[++i];
      auto [p, ec] = std::from_chars(v, v + std::strlen(v), out);
      return ec == std::errc() && *p == '\0';
    };
    if (arg == "--frames" && hasValue && number(o.Frames) && o.Frames >= 0) continue;
    if (arg == "--seed" && hasValue && number(o.Seed)) continue;
    if (arg == "--high-res") {
      o.HighRes = true;
      continue;
    }
    std::fprintf(stderr, "usage: corvina-soak [--frames N] [--seed S] [--high-res]\n");
    return 2;
  }
  try {
    const SoakResult r = RunSoak(o);
    std::printf("frames %ld, steps %ld, orders %ld, edits %ld, close requests %ld, violations %zu\n",
                r.FramesRun, r.Steps, r.Orders, r.Edits, r.CloseRequests, r.Violations.size());
    for (const auto& v : r.Violations) std::printf("  %s\n", v.c_str());
    return r.Violations.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvina-soak: %s\n", e.what());
    return 1;
  }
}
