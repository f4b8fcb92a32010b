// The game's one pseudo-random generator: every random choice of the game draws from it.
#pragma once

#include <cstdint>

// The generator's state; 0 at program start, set from the clock only when a map is generated.
extern uint32_t RandSeed;

// A uniform integer in 0..N-1 (0 when N <= 0); advances RandSeed by one step.
int Random(int N);
