// The game's one pseudo-random generator (a 32-bit linear congruential sequence).
#include "game/Random.h"

uint32_t RandSeed = 0;

int Random(int N) {
  RandSeed = RandSeed * 134775813u + 1u;
  if (N <= 0) return 0;
  return static_cast<int>((static_cast<uint64_t>(RandSeed) * static_cast<uint32_t>(N)) >> 32);
}
