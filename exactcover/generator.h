// The puzzle generator behind "Create": a random minimal puzzle with a unique solution.
#pragma once
#include <cstdint>

// Makes a new puzzle on the Board; always returns 1.
int CreatePuzzle();
// The same with another solution counter in place of CountSolutions (benchmarks and tests).
using SolutionCounter = int32_t (*)(const uint8_t* board, int32_t limit);
int CreatePuzzleWith(SolutionCounter count);
// Makes the random source reproducible: from now on RandomCell draws from a generator seeded
// with seed and ignores the clock.
void SeedRandom(uint32_t seed);

void ResetGeneratorModule();
