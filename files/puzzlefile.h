// Puzzle files: collections of 81-character lines browsed in setup mode, and saved games with
// their moves and pencil marks, read and written; the reopen / browse / goto commands (opening
// a chosen file checks the puzzle, so it is the session's: control/session.h).
#pragma once
#include "model/board.h"
#include <cstdint>
#include <cstdio>

constexpr int LINE_BUFFER_SIZE = 256;
constexpr int PATH_MAX_UNITS = 260;
constexpr int COLLECTION_COUNT_MODE = 0xFFFF; // MovePos asking LoadCollectionEntry for a count

extern uint8_t LineBuffer[LINE_BUFFER_SIZE];
extern char CurrentFile[PATH_MAX_UNITS * 4]; // UTF-8, empty when none
extern int CollectionIndex;                  // collection puzzle shown, -1 when none
extern int CollectionCount;

// Opens an existing file for reading as bytes; null when it cannot be opened or is a folder.
FILE* OpenForReading(const char* path);
// MovePos = COLLECTION_COUNT_MODE: the number of leading 81-byte lines if at least 2, else 0.
// Otherwise loads line MovePos in setup mode: 1, or 0 when there was no such line.
int LoadCollectionEntry(const char* path);
// Loads a saved game: 0 when the file cannot be opened, else the mark records read plus 1.
int LoadGameFile(const char* path);
// Writes the game: 1 when written, 0 when the file could not be written (the old one is kept).
int SaveGameFile(const char* path);
// The 12-byte mark record of a cell at the start of LineBuffer; returns 12.
int FormatMarkRecord(int cell);
// The puzzle block of a saved game (nine rows, CR LF, 3x3 spacing) into LineBuffer; its length.
int FormatPuzzleBlock();
// Writes size bytes to a temporary file beside path and renames it over path: 1 done, 0 failed
// (the old file is then untouched).
int ReplaceFile(const char* path, const uint8_t* data, int size);
// "Pzl%02d%02d%02d" with year, month and day each taken mod 100; out holds at least 10 bytes.
void DefaultSaveName(int year, int month, int day, char* out);

// Commands on the open file (the dialog belongs to the shell).
int ReopenCollection(); // 113: 1 when the collection puzzle was reloaded, else 0 (go on as 110)
// POS_UNDO..POS_END in setup mode: 1 when the collection moved, 0 for POS_END on the last
// puzzle (the caller opens "Goto Position"), -1 when no collection is being browsed.
int BrowseCollection(int id);
// "Goto Position": number 1-based, held to 1..CollectionCount; 1 loaded, 0 nothing browsed.
int GotoCollectionPuzzle(int number);

void ResetPuzzleFileModule();
