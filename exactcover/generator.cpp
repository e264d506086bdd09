// The generator behind "Create": a random complete grid, 30 random givens that admit one
// solution, then givens taken away while the solution stays unique, so the result is minimal.
// Random cells come from RandomCell alone: the clock plus a pseudo-random value, or, once
// SeedRandom has been called, a seeded std::mt19937 and nothing else (reproducible runs).
#include "exactcover/generator.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/history.h"
#include <chrono>
#include <random>

// The pseudo-random source; Seeded: 1 after SeedRandom (the clock is then left out), 0 once
// seeded from the clock, -1 before the first draw since the reset.
static std::mt19937 Random;
static int Seeded = -1;

// Milliseconds of the steady clock, wrapping like a tick count.
static uint32_t TickCount() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void ResetGeneratorModule() {
    Seeded = -1; // seeded from the clock at the first draw
}

void SeedRandom(uint32_t seed) {
    Random.seed(seed);
    Seeded = 1;
}

// A random cell 0..80.
static int RandomCell() {
    if (Seeded < 0) {
        auto now = std::chrono::steady_clock::now().time_since_epoch();
        Random.seed(uint32_t(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        Seeded = 0;
    }
    if (Seeded) return int(Random() % 81);
    uint32_t ticks = TickCount(); // read before the random value
    return int((ticks + uint32_t(Random())) % 81);
}

int CreatePuzzle() {
    return CreatePuzzleWith(CountSolutions);
}

int CreatePuzzleWith(SolutionCounter count) {
    ResetGame();
    // Seed digits 1..9 on random cells (a later digit may replace an earlier one).
    for (int d = 1; d <= 9; d++) Board[RandomCell()] = uint8_t(d);
    count(Board, 0); // SolutionGrid: the first solution, a complete grid
    // 30 givens from SolutionGrid until they admit exactly one solution. A failed test leaves
    // in SolutionGrid a complete grid agreeing with its givens; the next attempt draws from it.
    do {
        ClearBoard();
        for (int placed = 0; placed < 30;) {
            int x = RandomCell();
            if (Board[x] == 0) {
                Board[x] = SolutionGrid[x] & CELL_DIGIT;
                placed++;
            }
        }
    } while (count(Board, 1) != 1);
    // Take givens away in cell order while the solution stays unique; every removal starts a
    // new pass at cell 0, and the first pass that removes nothing ends the step.
    for (int cell = 0; cell < 81; cell++) {
        uint8_t digit = Board[cell];
        if (!digit) continue;
        Board[cell] = 0;
        if (count(Board, 1) == 1)
            cell = -1;
        else
            Board[cell] = digit;
    }
    count(Board, 0); // SolutionGrid: the unique solution
    ResetPosition();
    return 1;
}
