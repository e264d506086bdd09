// The reference counter of the tests and the yardstick of the benchmarks: dancing links and the
// Sudoku matrix in their plain form (every node its own heap allocation, the matrix built and
// freed on each call, every remaining row covered and uncovered after the limit is passed). Same
// rows, column choice and per-level limit rule as CountSolutions, written independently of it.
#pragma once
// Its state is its own file's: one count at a time.
#include "exactcover/count.h"
#include <cstdint>

// Same contract as CountSolutions: the result, and solution holding the last solution reached.
int32_t LiteralCountSolutions(const uint8_t* board, int32_t limit, uint8_t* solution);
