// The game position: the move history and the one operation, ChangePosition, through which
// every change of position passes and which keeps buttons, status texts and verdicts in step.
#pragma once
#include <cstdint>

// MoveRecord: high byte the CellIndex, low byte the cell byte written (digit, colour, ENTERED).
using MoveRecord = uint16_t;
constexpr int HISTORY_SLOTS = 82;

// ChangePosition codes; POS_UNDO..POS_END are also the ids of the navigation buttons and of
// the commands they send.
constexpr uint16_t POS_ENTER = 1;
constexpr uint16_t POS_UNDO = 130;
constexpr uint16_t POS_REDO = 131;
constexpr uint16_t POS_BEGIN = 132;
constexpr uint16_t POS_END = 133;
constexpr uint16_t POS_BACK_TO = 134; // takes records back until cell of them are left
constexpr uint16_t POS_REFRESH = 255;
constexpr uint16_t POS_RESET = 0xFFFF;

extern MoveRecord MoveHistory[HISTORY_SLOTS];
extern int MovePos; // records applied (in setup mode: the collection puzzle shown)
extern int MoveEnd; // records valid (in setup mode: the number of collection puzzles)
// Non-zero while the rating plays its moves: ChangePosition neither redraws nor announces a
// solved grid.
extern int PositionQuiet;

// Changes the position by code; cell and digit matter for POS_ENTER only, and cell (the records
// to keep) for POS_BACK_TO. The position's observers hear POSITION_CHANGED once the board is
// final, and POSITION_REFUSED after a refused entry was taken back.
void ChangePosition(uint16_t code, int cell, int digit);

// Writes status pane 0: the move at index, or "Pos = %d" / " " when index < 0.
void ShowMoveText(int index, int cell);

void ResetHistoryModule();
