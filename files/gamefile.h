// Saved games: the puzzle block, the move records with the position among them, and the pencil
// marks, read back into a game and written whole (files/replacefile.h).
#pragma once
#include "model/game.h"
#include <cstdint>

// Loads a saved game from the first MiB of the file: 0 when the file cannot be opened (nothing
// changed; LastOpenError), else the mark records read plus 1. Telling the window of the new
// position is the caller's (ShowLoadedPosition in control/session.h).
int LoadGameFile(Game* G, const char* path);
// The largest saved game (a 3x3 block, 81 moves, the mark lines) is less than this.
constexpr int GAME_FILE_MAX = 2560;
// The saved game's bytes into out (GAME_FILE_MAX bytes): the puzzle block in blockFormat's
// layout and empty-cell character, the move records, and with marks the mark records. Its
// length.
int FormatGameFile(const Game* G, uint8_t* out, uint32_t blockFormat, bool marks);
// Writes the game through ReplaceFile: 1 when written, 0 when not (LastSaveError says why).
int SaveGameFile(const Game* G, const char* path);
// The 12-byte mark record of a cell at the start of out; returns 12.
int FormatMarkRecord(const Game* G, int cell, uint8_t* out);
// The puzzle block of a saved game (nine rows, CR LF, 3x3 spacing) into out (at most 128
// bytes); its length.
int FormatPuzzleBlock(const Game* G, uint8_t* out);
// "Pzl%02d%02d%02d" with year, month and day each taken mod 100; out holds at least 10 bytes.
void DefaultSaveName(int year, int month, int day, char* out);
