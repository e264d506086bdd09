// Puzzle files: collections of 81-character lines browsed in setup mode, and saved games with
// their moves and pencil marks, read and written; the open / reopen / browse commands.
#pragma once
#include <cstdint>
#include <cstdio>
#include "model/board.h"

constexpr int LINE_BUFFER_SIZE = 256;
constexpr int PATH_MAX_UNITS = 260;

extern uint8_t LineBuffer[LINE_BUFFER_SIZE];
extern char CurrentFile[PATH_MAX_UNITS * 4]; // UTF-8, empty when none
extern int CollectionIndex;
extern int CollectionCount;

int ReadFileByte(FILE* file);
int ReadTextLine(FILE* file, uint8_t* buffer, int max);
int LoadCollectionEntry(const char* path);
int LoadGameFile(const char* path);
DigitMask ParseMarkRecord();
int SaveGameFile(const char* path);
int FormatMarkRecord(int cell);
// "Pzl%02d%02d%02d" with year % 100, month, day.
void DefaultSaveName(int year, int month, int day, char* out);

// Commands once the file is chosen (the dialog belongs to the shell).
void OpenChosenFile();         // 110 after ChooseFile
int ReopenCollection();        // 113: 1 when the collection puzzle was reloaded
void BrowseCollection(int id); // 130..133 in setup mode
void GotoCollectionPuzzle(int number); // "Goto Position": number 1-based

void ResetPuzzleFileModule();
