// Sudoku on band bitboards: a uniqueness solver (any search order) and the solution counter in
// the exact-cover matrix's search order, both with naked and hidden singles propagated band by
// band. Each call keeps its state on its own stack, so calls run on several threads at once.
#pragma once
#include <cstdint>

// 0: no solution; 1: exactly one, written to solution (81 plain digits); 2: two or more; -1: a
// cell's digit (low 4 bits) is above 9. solution is written only when the result is 1. Flag
// bits of the cell bytes are ignored.
int32_t SolveUnique(const uint8_t* board, uint8_t* solution);

// Counts solutions up to limit exactly as the exact-cover search of CountSolutions does: the
// same result (0 none, 1 exactly one, above limit more than limit, -1 a digit above 9) and, in
// solution, the last solution reached (cells of a count that reaches none keep what they held).
int32_t CountInOrder(const uint8_t* board, int32_t limit, uint8_t* solution);
