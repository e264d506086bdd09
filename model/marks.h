// Pencil marks: the user's marks, the snapshot "Undo Last Mark" restores from, the marks saved
// before the last entry, and the mark commands 121-125.
#pragma once
#include "model/board.h"

struct Game;

constexpr DigitMask NO_SAVED_MARKS = 0xFFFF;

// The LoadMarks operations: MarkGrid from a source, then MarkSnapshot = MarkGrid and
// SavedMarks is emptied.
void LoadMarksFromSaved(Game* G);      // SavedMarks, the marks before the last entry
void LoadMarksFromCandidates(Game* G); // the computed candidates
void LoadMarksAsTheyAre(Game* G);      // MarkGrid stays

// MarkGrid and MarkSnapshot emptied.
void EraseMarks(Game* G);
// The marks start afresh: the position's observers hear PositionEvent::Changed (the analysis
// drops its step), EraseMarks, and SavedMarks is emptied.
void ResetMarks(Game* G);

// After an entry or redo in cell: save, clear the cell, prune peers (unless candidates shown).
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
void ClearAllMarks(Game* G);     // 124 "Clear All"
void UndoLastMark(Game* G);      // 125 "Undo Last Mark"
