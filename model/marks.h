// Pencil marks: the user's marks, the snapshot "Undo Last Mark" restores from, the marks kept
// for every point of the move history (Game::MarksAt), and the mark commands 121-125.
#pragma once
#include "model/board.h"

struct Game;

// MarksAt[k][0] when no marks are kept for position k (no real mark set exceeds 0x1FF).
constexpr DigitMask NO_SAVED_MARKS = 0xFFFF;

// The LoadMarks operations: MarkGrid from a source, then MarkSnapshot = MarkGrid. The marks
// kept for the other positions of the history stay.
void LoadMarksFromCandidates(Game* G); // the computed candidates
void LoadMarksAsTheyAre(Game* G);      // MarkGrid stays

// The marks of the history: every position's kept marks forgotten (a new history, or one read
// without them).
void ForgetKeptMarks(Game* G);
// The game leaves position MovePos: MarkGrid is kept as its marks.
void KeepMarks(Game* G);
// The game arrived at position MovePos: the marks kept for it come back (MarkSnapshot too).
// Returns 1, or 0 when none were kept (MarkGrid is then as it was).
int RestoreKeptMarks(Game* G);
// For a saved game (while solving, not in setup mode): the marks of position k
// (0 <= k <= MoveEnd), MarkGrid for MovePos; nullptr when none are kept for k or k is out of
// range.
const DigitMask* MarksOfPosition(const Game* G, int k);
// For a saved game read back after its history: position k's marks become marks (digits 1..9
// only), into MarkGrid and MarkSnapshot for MovePos. Returns 1, 0 when k is out of range.
int SetMarksOfPosition(Game* G, int k, const DigitMask* marks);

// MarkGrid and MarkSnapshot emptied.
void EraseMarks(Game* G);
// The marks start afresh: the position's observers hear PositionEvent::Changed (the analysis
// drops its step), EraseMarks, and the marks kept for the history are forgotten.
void ResetMarks(Game* G);

// After an entry in cell (or a redo to a position without kept marks): clear the cell, prune
// its peers (unless the candidates are shown), MarkSnapshot = MarkGrid.
void UpdateMarksAfterEntry(Game* G, int cell);
// The marks a position starts with: the computed candidates while the analysis is on and the
// candidates are not shown, else none.
void RefreshMarks(Game* G);

// Whether the player works with pencil marks: the computed candidates are not shown and an
// open cell has marks.
bool MarksInUse(const Game* G);
// After the records[0..count) were taken back: each cell they emptied gets the candidates it
// now has, and its digit goes back into the marks of the open peers that allow it again,
// undoing what the entry pruned (a wrong entry may have pruned a cell's only mark, so a peer
// left without marks gets it too). The player's other marks stay as they are.
void ReopenMarks(Game* G, const uint16_t* records, int count);

// Commands 121-125 (the dispatcher refuses them in setup mode).
void ToggleCandidates(Game* G);  // 121 "Candidates"
void TogglePencilMarks(Game* G); // 122 "Pencil Marks"
void StoreCandidates(Game* G);   // 123 "Store Candidates"
void ClearAllMarks(Game* G);     // 124 "Clear All": the marks of this position
void UndoLastMark(Game* G);      // 125 "Undo Last Mark"
