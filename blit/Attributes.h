// The compiler attributes of the hot drawing code.
#pragma once

// Marks the functions that hold a hot drawing loop: built twice, the wider moves chosen where
// the processor has them. GCC inlines a plain inline function into such a build only when told
// to flatten it (clang takes no flatten beside the clones, and inlines them anyway).
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__) && defined(__clang__)
#define CORVINA_CLONES __attribute__((target_clones("avx2", "default")))
#elif defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
#define CORVINA_CLONES __attribute__((target_clones("avx2", "default"), flatten))
#else
#define CORVINA_CLONES
#endif

// The drawing loops are inlined into each clone, so each gets its own moves.
#define CORVINA_INLINE inline __attribute__((always_inline))
