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
// Writes the game through ReplaceFile: 1 when written, 0 when not (LastSaveError says why).
int SaveGameFile(const char* path);
// The 12-byte mark record of a cell at the start of LineBuffer; returns 12.
int FormatMarkRecord(int cell);
// The puzzle block of a saved game (nine rows, CR LF, 3x3 spacing) into LineBuffer; its length.
int FormatPuzzleBlock();
// Permissions of a file that a save creates (the umask applies); a file replaced keeps its own.
constexpr int FILE_MODE_SHARED = 0666;  // saved games
constexpr int FILE_MODE_PRIVATE = 0600; // the settings file: the user's session
// Writes size bytes to the file path finally names (links followed): to a new temporary file in
// that file's folder, synced, then renamed over it and the folder synced. A replaced file keeps
// its mode (and owner where allowed); a new one gets newMode less the umask. A folder, device or
// pipe is refused. Returns 1 done, 0 failed with LastSaveError set: the old file is untouched,
// unless only the folder's sync failed (the new file is then in place).
int ReplaceFile(const char* path, const uint8_t* data, int size, int newMode);
// Why the last save failed, "cannot write PATH: REASON" with the system's text for the reason;
// "" after a save that succeeded. The shell shows it in a message box; a command line prints it.
const char* LastSaveError();
// Sets LastSaveError for path and error (an errno value, 0 for "not a regular file"); returns 0.
int ReportSaveError(const char* path, int error);
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
