// The one way back to a fresh program inside the same process: tests between cases, the
// headless session before each run, the benchmarks and the fuzzers between inputs.
#pragma once

// Every global and every cache of the library as at program start: the game stopped, then each
// layer's own reset from the lowest up. A display or window that outlives the call is no longer
// the current one; its owner sets it again.
void ResetProgramState();
