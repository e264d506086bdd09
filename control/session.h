// The session: what spans the layers of the core. Every module's start-up state with the
// analysis listening to the position, the check of the position and the refresh a new puzzle
// runs, and opening the file the user chose.
#pragma once
#include <cstdint>

// The parts of RefreshSession, performed in this order.
struct SessionParts {
    bool check = false; // CheckPosition, its verdict shown unless the puzzle is unique
    bool marks = false; // RefreshMarks
    bool clock = false; // StartClock
};

// Puts every module of the core back to its start-up state (no shell hooks installed) and
// makes the analysis an observer of the position.
void ResetAllModules();

// Judges the Board: 100 unique, 101 no solution, 102 invalid position (fewer than 8 givens or a
// digit twice in a unit), 106 several solutions. Fills SolutionGrid, with bit 7 on the cells
// the Board leaves empty when the solution is unique.
int CheckPosition();
// The verdict on a grid of 81 cell bytes, as CheckPosition finds it, with the solution (its
// open cells marked CELL_ENTERED) in solution; touches nothing else, so checks of different
// grids can run at once.
int CheckCells(const uint8_t* cells, uint8_t* solution);

// What a new puzzle runs, the parts asked for: the check (its verdict shown unless the puzzle
// is unique), the marks (RefreshMarks), the clock started.
void RefreshSession(SessionParts parts);

// Keeps CurrentFile and CollectionIndex as they are, for OpenChosenFile to put back when the
// file chosen next cannot be opened; ChooseFile and OpenFileByName call it before they change
// them.
void KeepOpenFile();

// Command 110 once the file dialog has set CurrentFile: a collection of two puzzles or more
// shows its first puzzle in setup mode; any other file is read as a saved game and checked.
// Returns 1 when the file was read; 0 when it cannot be opened (the message box says why) or
// the user cancelled the count of a long collection: CurrentFile and CollectionIndex are then
// put back as KeepOpenFile found them, and nothing else changes.
int OpenChosenFile();
