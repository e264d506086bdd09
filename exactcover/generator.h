// The puzzle generator behind "Create": a random minimal puzzle with a unique solution.
#pragma once
#include "exactcover/count.h"
#include <cstdint>
#include <random>

struct Game;

// One generator: its random source. A fresh
// record draws from a source seeded from the clock at its first draw; SeedGenerator makes it
// reproducible. Generators on different records can run on different threads at once.
struct Generator {
    std::mt19937 Random;
    int Seeded = -1; // 1 after SeedGenerator (the clock is then left out), 0 once seeded
                     // from the clock, -1 before the first draw
};

// From now on the generator draws from a std::mt19937 seeded with seed and ignores the clock.
void SeedGenerator(Generator* gen, uint32_t seed);
// Makes a new puzzle in board (81 plain givens, 0 for an empty cell) and its solution in solution;
// always returns 1. When the nine seed digits admit no solution, the givens are drawn from what
// solution held before (the last puzzle's solution, or zeros), so keep the same grid from one
// puzzle to the next for a repeatable sequence.
int CreatePuzzle(Generator* gen, uint8_t* board, uint8_t* solution);
// The same with another solution counter in place of CountSolutions (benchmarks and tests).
using SolutionCounter = int32_t (*)(const uint8_t* board, int32_t limit, uint8_t* solution);
int CreatePuzzleWith(Generator* gen, uint8_t* board, uint8_t* solution, SolutionCounter count);
// A new game with a new puzzle: ResetGame, CreatePuzzle on the Board and the SolutionGrid, and a
// fresh history. Returns 1.
int CreateGame(Game* G, Generator* gen);
