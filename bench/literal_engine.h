// The yardstick for the exact-cover speed work: the dancing-links engine and the Sudoku counter
// in their first, plain form (every node its own heap allocation, the matrix built and freed on
// each call, every remaining row covered and uncovered after the limit is passed).
#pragma once
#include <cstdint>

// Same contract as CountSolutions: the result, and SolutionGrid holding the last solution reached.
int32_t LiteralCountSolutions(const uint8_t* board, int32_t limit);
