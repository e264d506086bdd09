// Solution counting on the 324-column Sudoku exact-cover matrix, and the last solution reached.
#pragma once
#include <cstdint>

extern uint8_t SolutionGrid[81];

// 0: none; 1: exactly one (in SolutionGrid); > limit: more than limit; -3: out of memory.
int32_t CountSolutions(const uint8_t* board, int32_t limit);
// The callback that writes a cover into SolutionGrid; returns 1.
int32_t RecordSolution(uint32_t depth, struct MatrixNode** stack);

void ResetCountModule();
