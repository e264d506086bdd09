// The puzzle as text: the Board written in one of four layouts and three empty-cell styles,
// and any text read back into the Board.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int TEXT_BUFFER_SIZE = 256;
extern char TextBuffer[TEXT_BUFFER_SIZE];

// Writes the Board into text (at least 142 bytes) in the current blockFormat, NUL-terminated.
void FormatPuzzleText(char* text);
// Overwrites all 81 Board cells from the NUL-terminated text; cannot fail.
void ParsePuzzleText(const char* text);

void ResetTextModule();
