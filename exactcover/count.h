// Solution counting on the 324-column Sudoku exact-cover matrix, and the last solution reached.
#pragma once
#include <cstdint>

extern uint8_t SolutionGrid[81];

// 0: none; 1: exactly one (in SolutionGrid); > limit: more than limit; -1: a cell's digit is
// above 9 (SolutionGrid untouched). SolutionGrid holds the last solution reached. Allocates
// nothing, so never -3.
int32_t CountSolutions(const uint8_t* board, int32_t limit);

void ResetCountModule();
