// The generator behind "Create": a random complete grid, 30 random givens that admit one
// solution, then givens taken away while the solution stays unique, so the result is minimal.
// Random cells come from RandomCell alone: the clock plus a pseudo-random value, or, once
// SeedGenerator has been called, the record's seeded std::mt19937 and nothing else
// (reproducible runs). Everything a run changes is in its Generator record and the grids given.
#include "exactcover/generator.h"
#include "model/board.h"
#include "model/game.h"
#include "model/history.h"
#include <chrono>
#include <cstring>

// Milliseconds of the steady clock, wrapping like a tick count.
static uint32_t TickCount() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void SeedGenerator(Generator* gen, uint32_t seed) {
    gen->Random.seed(seed);
    gen->Seeded = 1;
}

// A random cell 0..80.
static int RandomCell(Generator* gen) {
    if (gen->Seeded < 0) {
        auto now = std::chrono::steady_clock::now().time_since_epoch();
        gen->Random.seed(
            uint32_t(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        gen->Seeded = 0;
    }
    if (gen->Seeded) return int(gen->Random() % 81);
    uint32_t ticks = TickCount(); // read before the random value
    return int((ticks + uint32_t(gen->Random())) % 81);
}

int CreatePuzzle(Generator* gen, uint8_t* board, uint8_t* solution) {
    return CreatePuzzleWith(gen, board, solution, CountSolutions);
}

int CreatePuzzleWith(Generator* gen, uint8_t* board, uint8_t* solution, SolutionCounter count) {
    std::memset(board, 0, 81);
    // Seed digits 1..9 on random cells (a later digit may replace an earlier one).
    for (int d = 1; d <= 9; d++) board[RandomCell(gen)] = uint8_t(d);
    count(board, 0, solution); // the first solution, a complete grid
    // 30 givens from the solution until they admit exactly one solution. A failed test leaves
    // in solution a complete grid agreeing with its givens; the next attempt draws from it.
    do {
        std::memset(board, 0, 81);
        for (int placed = 0; placed < 30;) {
            int x = RandomCell(gen);
            if (board[x] == 0) {
                board[x] = solution[x] & CELL_DIGIT;
                placed++;
            }
        }
    } while (count(board, 1, solution) != 1);
    // Take givens away in cell order while the solution stays unique; every removal starts a
    // new pass at cell 0, and the first pass that removes nothing ends the step.
    for (int cell = 0; cell < 81; cell++) {
        uint8_t digit = board[cell];
        if (!digit) continue;
        board[cell] = 0;
        if (count(board, 1, solution) == 1)
            cell = -1;
        else
            board[cell] = digit;
    }
    count(board, 0, solution); // the unique solution
    return 1;
}

int CreateGame(Game* G, Generator* gen) {
    ResetGame(G);
    CreatePuzzle(gen, G->Board, G->SolutionGrid);
    ResetPosition(G);
    return 1;
}
