// The puzzle on screen: the Board of 81 cell bytes, the unit and peer tables every solving
// and checking routine walks, the computed candidates, the filled-cell count, ClearBoard and
// ResetGame, and the observers that keep something derived from the position.
#pragma once
#include <array>
#include <cstdint>

struct Game;

// Cell byte:  bit 7   6 5 4    3 2 1 0
//             ENTERED COLOUR   DIGIT (0 = empty; an empty cell is the byte 0)
constexpr uint8_t CELL_DIGIT = 0x0F;
constexpr uint8_t CELL_COLOUR = 0x70;
constexpr uint8_t CELL_ENTERED = 0x80;

// DigitMask: bit d-1 for digit d.
using DigitMask = uint16_t;
constexpr DigitMask ALL_DIGITS = 0x1FF;

extern const uint8_t UnitTable[27][9]; // rows 0-8, columns 9-17, boxes 18-26
// Cell c's 20 peers at 20c .. 20c + 19: box (row by row), column outside the box, row outside it.
extern const std::array<uint8_t, 81 * 20> PeerTable;

// The puzzle shown before anything is loaded, row by row, '.' for an empty cell.
extern const char BUILTIN_PUZZLE[82];

// Box 0..8 of a cell, row by row from the top left (players count them 1..9: BoxOf + 1).
constexpr int BoxOf(int cell) {
    return 3 * (cell / 27) + cell % 9 / 3;
}
// UnitTable holds the boxes as units 18..26 down each band of three columns first: unit 18 + k
// is box BOX_UNIT_ORDER[k]. The analysis searches the units in that order, so it decides which
// step is found first and the order of every rating path; it stays as it is. Transposing the
// 3 x 3 boxes twice gives them back, so the table is its own inverse.
constexpr int BOX_UNIT_ORDER[9] = {0, 3, 6, 1, 4, 7, 2, 5, 8};
// The unit (18..26) of a cell's box.
constexpr int BoxUnit(int cell) {
    return 18 + BOX_UNIT_ORDER[BoxOf(cell)];
}
// The 20 peers of a cell, in PeerTable's order.
inline const uint8_t* PeersOf(int cell) {
    return PeerTable.data() + 20 * cell;
}

// Recomputes CandidateGrid from the Board. Returns 1, or 0 at the first empty cell whose
// peers hold all nine digits (that cell keeps 0, the cells after it keep their old values).
int ComputeCandidates(Game* G);
// Digits present among the 20 peers of a cell; flags ignored.
DigitMask PeerDigits(const Game* G, int cell);

// The number of filled cells, or -1 when a unit holds a digit twice.
int CountFilled(const Game* G);
// The same for any grid of 81 cell bytes.
int CountFilledCells(const uint8_t* cells);

// All Board bytes 0.
void ClearBoard(Game* G);
// A new puzzle's empty state: ResetMarks (observers told, marks and saved marks gone), then
// ClearBoard.
void ResetGame(Game* G);

// Observers of the position: operations of the layers above that keep something derived from
// it (the analysis keeps the step it found). The position operations (model/history.h) and
// ResetMarks tell them when that is stale. The user interface is told through the shell hooks
// instead.
enum class PositionEvent {
    Changed, // the position changed: what was derived from it is stale
    Refused, // an entry was refused and taken back
};
constexpr int POSITION_OBSERVERS_MAX = 4;
// An observer and the record it keeps up to date (its context, passed back with each event).
using PositionObserver = void (*)(void* context, PositionEvent event);
// Adds an observer with its context once; returns 1 when it is listed, 0 when the list is full.
int ObservePosition(Game* G, PositionObserver observer, void* context);
// Tells every observer the event, in the order they were added.
void TellObservers(const Game* G, PositionEvent event);
