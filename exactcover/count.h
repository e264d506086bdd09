// Solution counting on the 324-column Sudoku exact-cover matrix, and the last solution reached.
#pragma once
#include <cstdint>

extern uint8_t SolutionGrid[81];

// 0: none; 1: exactly one (in SolutionGrid); > limit: more than limit; -1: a cell's digit is
// above 9 (SolutionGrid untouched). SolutionGrid holds the last solution reached. Allocates
// nothing, so never -3.
int32_t CountSolutions(const uint8_t* board, int32_t limit);
// The callback that writes a cover into SolutionGrid; returns 1.
int32_t RecordSolution(uint32_t depth, struct MatrixNode** stack);

// The same count built on the general engine (exactcover/dlx.h): a matrix allocated, searched
// with RecordSolution and freed per call. Same results and SolutionGrid as CountSolutions,
// plus -3 when the engine runs out of memory. The reference the fast counter is checked against.
int32_t CountSolutionsOnEngine(const uint8_t* board, int32_t limit);

// A variant that ends the whole search as soon as more than limit solutions were reached, so
// SolutionGrid holds solution limit + 1 in search order and the result is at most limit + 1.
// Not what the program uses; the generated puzzle sets among the test data were made with it.
int32_t CountSolutionsStoppingPastLimit(const uint8_t* board, int32_t limit);

void ResetCountModule();
