// Collections: the run of puzzle lines from the start of a file, counted with an index of line
// offsets and browsed puzzle by puzzle in setup mode ("Reopen", the navigation buttons, "Goto
// Position"); opening a chosen file checks the puzzle, so it is the session's (control/session.h).
#pragma once
#include "model/game.h"
#include "model/hooks.h"
#include <cstdint>

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
// Loads puzzle line (0-based) of the collection in path onto the board, in setup mode: 1, or 0
// when there was no such line (the game is cleared) or the file cannot be opened (nothing
// changed). The collection position is the caller's (CollectionIndex, CollectionCount), and so
// is telling the window (RefreshPosition, the title): readers only fill the game.
int LoadCollectionEntry(Game* G, const char* path, int line);

// Commands on the open file (the dialog belongs to the shell); the caller tells the window
// when they loaded a puzzle.
// 113: 1 when the collection puzzle shown was reloaded, else 0 (go on as 110).
int ReopenCollection(Game* G);
// A navigation button in setup mode: 1 when the collection moved, 0 for GoToEnd on the last
// puzzle (the caller opens "Goto Position"), -1 when no collection is being browsed (none, or
// a position restored without its file).
int BrowseCollection(Game* G, NavButton button);
// "Goto Position": number 1-based, held to 1..CollectionCount; 1 loaded, 0 nothing browsed.
int GotoCollectionPuzzle(Game* G, int number);
