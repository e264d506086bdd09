// Solution counting on the 324-column Sudoku exact-cover matrix, and the last solution reached.
#pragma once
#include <cstdint>

constexpr int COUNT_COLUMNS = 324;
constexpr int COUNT_NODES = COUNT_COLUMNS + 4 * 729; // headers, then four nodes a placement
constexpr int COUNT_SIZE_SLOTS = 336;                // 324 sizes padded to whole 16-byte blocks

// The working arrays of one count by dancing links (about 13 KB); a count sets them all up before
// reading them. Up/Down: vertical rings over headers and nodes. Size: nodes linked in each column,
// bit 7 set while the column is covered (a covered column's size does not change), padding 0xFF.
// Stack: the node each level entered. Solution: where the count writes the solutions it reaches.
struct CountWorkspace {
    int16_t Up[COUNT_NODES];
    int16_t Down[COUNT_NODES];
    alignas(16) uint8_t Size[COUNT_SIZE_SLOTS];
    int16_t Stack[81];
    int32_t Limit;
    uint8_t* Solution;
};

// 0: none; 1: exactly one (in solution); > limit: more than limit; -1: a cell's digit is above 9
// (solution untouched). solution (81 plain digits) holds the last solution reached in the
// search order of the exact-cover matrix; cells of a count that reached none keep what they
// held. Runs on band bitboards (CountInOrder), allocates nothing, so never -3.
int32_t CountSolutions(const uint8_t* board, int32_t limit, uint8_t* solution);

// The same count by dancing links on the matrix itself, in fixed arrays: the reference that the
// bitboard counter is checked against. The second form keeps its workspace on the stack.
int32_t LinksCountSolutions(CountWorkspace* w, const uint8_t* board, int32_t limit,
                            uint8_t* solution);
int32_t LinksCountSolutions(const uint8_t* board, int32_t limit, uint8_t* solution);
