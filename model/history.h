// The game position: the move history and the operations through which every change of
// position passes (EnterDigit, Undo, Redo, GoToStart, GoToEnd, BackTo, RefreshPosition,
// ResetPosition), which keep buttons, status texts and verdicts in step.
#pragma once
#include <cstdint>

struct Game;

// MoveRecord: high byte the CellIndex, low byte the cell byte written (digit, colour, ENTERED).
using MoveRecord = uint16_t;
constexpr int HISTORY_SLOTS = 82;

// Each operation below ends alike: the navigation buttons follow MovePos and MoveEnd, pane 0
// shows the move applied last (a blank after RefreshPosition and ResetPosition), the board is
// redrawn, the position's observers hear PositionEvent::Changed, and pane 2 shows the count
// of filled cells unless a unit holds a digit twice.

// The pencil marks follow the position: each move keeps the marks from just before it, and a
// position left keeps the marks it had (Game::MarksAt), so every operation below that moves
// brings back the marks of the position it arrives at, at any depth.

// Enters digit in cell as a new move in the current number colour; the redo records go. A
// full grid is announced as solved; a digit clashing with a peer is refused: shown while
// "Invalid Value" stands, then taken out, leaving the history, the marks and the count as they
// were (no redo record); the observers then hear PositionEvent::Refused.
void EnterDigit(Game* G, int cell, int digit);
// One record back; at the start a restart left, the whole restart back (RestartFromGivens).
void Undo(Game* G);
// One record forward.
void Redo(Game* G);
// Every record back.
void GoToStart(Game* G);
// Every record forward.
void GoToEnd(Game* G);
// Records back until keep of them are applied ("Back to First Mistake"); the redo records stay.
// A position without kept marks reached on the way gets the player's marks reopened where the
// records taken back had pruned them (or fresh marks when none are in use).
void BackTo(Game* G, int keep);
// "Restart Puzzle": every record back as one step. Redo and GoToEnd replay the moves as after
// GoToStart; Undo, while nothing else changed, takes the restart back.
void RestartFromGivens(Game* G);
// The position as it is, shown again (after a file or the settings were read).
void RefreshPosition(Game* G);
// An empty history for a new puzzle; the marks kept for the old one go.
void ResetPosition(Game* G);

// Writes status pane 0: the move at index, or "Pos = %d" / " " when index < 0.
void ShowMoveText(const Game* G, int index, int cell);
