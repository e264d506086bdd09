// Puzzle files: collections of 81-character lines browsed in setup mode, and saved games with
// their moves and pencil marks, read and written; the reopen / browse / goto commands (opening
// a chosen file checks the puzzle, so it is the session's: control/session.h).
#pragma once
#include "model/board.h"
#include "model/game.h"
#include "model/hooks.h"
#include <climits>
#include <cstdint>

constexpr int LINE_BUFFER_SIZE = 256; // one file line or record field; the rest is never stored

// Opens an existing regular file for reading without waiting on the other end of a pipe or
// device; anything but a regular file is refused. Returns the descriptor (blocking, closed on
// exec), its identity in identity (may be null); -1 when refused, with LastOpenError set and
// errno the reason (EINVAL for a file that is not a regular file).
int OpenForReading(const char* path, FileIdentity* identity);
// Why the last OpenForReading failed: "cannot open PATH: REASON"; "" after one that succeeded.
const char* LastOpenError();

// A collection is the run of puzzle lines from the start of a file (after a UTF-8 byte-order
// mark, if any): 81 characters '1'-'9' (digits) or '.', '0', '-', 'x' (empty cells), then the
// line end, or a blank, tab, ',', ';' or '#' and any text. A line ends at LF, CR or CR LF.
// Counts the run of path into index. A file of 4 MiB or more reports its progress through
// ShellProgress (bytes read, file size) every 4 MiB, and once more with (size, size) when the
// count is done; no other shared state is touched but LastOpenError. Returns the count; -1 when the
// user cancelled, -2 when the file cannot be opened (index unchanged in both cases).
int IndexCollection(Game* G, CollectionIndexRecord* index, const char* path);
// Reads line `line` of the run into out (LINE_BUFFER_SIZE bytes; its first 82 bytes), straight from
// the nearest indexed line when index was made from this file unchanged, else reading from the
// start; when the run ends earlier, the line that ends it is read instead. Returns the line's
// length as stored (a line of at least 81 can be loaded), 0 past the end of the file, -1 when the
// file cannot be opened (LastOpenError).
int ReadCollectionLine(const CollectionIndexRecord* index, const char* path, int line,
                       uint8_t* out);
// Counts and indexes the collection (CollectionLines): the count if at least 2, 0 when not a
// collection or not readable, -1 when the user cancelled (nothing changed).
int CountCollection(Game* G, const char* path);
// Loads puzzle line (0-based) of a collection of count puzzles in setup mode. The collection
// position is the caller's (CollectionIndex, CollectionCount); the history counters show it to
// the navigation buttons, pane 0 and the settings file (MovePos = line, MoveEnd = count): 1, or
// 0 when there
// was no such line (the game is cleared) or the file cannot be opened (nothing changed).
int LoadCollectionEntry(Game* G, const char* path, int line, int count);
// Loads a saved game from the first MiB of the file: 0 when the file cannot be opened (nothing
// changed; LastOpenError), else the mark records read plus 1.
int LoadGameFile(Game* G, const char* path);
// Writes the game through ReplaceFile: 1 when written, 0 when not (LastSaveError says why).
int SaveGameFile(const Game* G, const char* path);
// The 12-byte mark record of a cell at the start of out; returns 12.
int FormatMarkRecord(const Game* G, int cell, uint8_t* out);
// The puzzle block of a saved game (nine rows, CR LF, 3x3 spacing) into out (at most 128
// bytes); its length.
int FormatPuzzleBlock(const Game* G, uint8_t* out);
// Permissions of a file that a save creates (the umask applies); a file replaced keeps its own.
constexpr int FILE_MODE_SHARED = 0666;  // saved games
constexpr int FILE_MODE_PRIVATE = 0600; // the settings file: the user's session
// Writes size bytes to the file path finally names (links followed), as a shell's write would:
// a file the user may not write is refused, and so are a folder, device or pipe. The new file
// is made in that file's folder without a name (O_TMPFILE; where the file system has none, under
// a name carrying the process id, and a later save removes such files left by ended processes),
// written, synced, named and renamed over the old one, then the folder is synced; a save killed
// halfway leaves nothing behind. A replaced file keeps its mode (and owner where allowed); a
// new one gets newMode less the umask. Paths of up to PATH_MAX - 1 bytes. Returns 1 done, 0
// failed with LastSaveError set: the old file is untouched, unless only the folder's sync
// failed (the new file is then in place).
int ReplaceFile(const char* path, const uint8_t* data, int size, int newMode);
// Why the last save failed, "cannot write PATH: REASON" with the system's text for the reason;
// "" after a save that succeeded. The shell shows it in a message box; a command line prints it.
const char* LastSaveError();
// Sets LastSaveError for path and error (an errno value, 0 for "not a regular file"); returns 0.
int ReportSaveError(const char* path, int error);
// "Pzl%02d%02d%02d" with year, month and day each taken mod 100; out holds at least 10 bytes.
void DefaultSaveName(int year, int month, int day, char* out);

// Commands on the open file (the dialog belongs to the shell).
int ReopenCollection(
    Game* G); // 113: 1 when the collection puzzle was reloaded, else 0 (go on as 110)
// A navigation button in setup mode: 1 when the collection moved, 0 for GoToEnd on the last
// puzzle (the caller opens "Goto Position"), -1 when no collection is being browsed.
int BrowseCollection(Game* G, NavButton button);
// "Goto Position": number 1-based, held to 1..CollectionCount; 1 loaded, 0 nothing browsed.
int GotoCollectionPuzzle(Game* G, int number);
