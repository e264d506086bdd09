// The puzzle as text: the Board written in one of four layouts and three empty-cell styles,
// any text read back into the Board, and the strict reading of a one-line puzzle.
#pragma once
#include <cstddef>
#include <cstdint>

struct Game;

constexpr int TEXT_BUFFER_SIZE = 256; // room for any layout FormatPuzzleText writes

// Writes the Board into text (at least 142 bytes) in the current blockFormat, NUL-terminated.
void FormatPuzzleText(const Game* G, char* text);
// Overwrites all 81 Board cells from the NUL-terminated text; cannot fail.
void ParsePuzzleText(Game* G, const char* text);

// Size of the text ReadPuzzleLine writes when a line is not a puzzle.
constexpr int PUZZLE_WHY_SIZE = 80;
// Reads a one-line puzzle strictly, as command lines and puzzle lists give it: after an optional
// UTF-8 byte-order mark, exactly 81 characters '1'-'9' (a digit) or '.', '0', '-' (an empty
// cell), then nothing but blanks (space, tab, CR). Returns where the 81 characters start (0, or 3
// after a byte-order mark) with cells filled (0 for empty). Otherwise returns -1, cells untouched,
// and why says what is wrong: the first character that is not a puzzle character (by its byte
// value when it is not printable ASCII), else the number of characters.
int ReadPuzzleLine(const char* text, size_t length, uint8_t cells[81], char why[PUZZLE_WHY_SIZE]);
