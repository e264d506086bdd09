// Taps on the board: what a press, a hold, a release and a digit-popup pick do to the game.
// The window turns its pixels into a BoardSpot first (the geometry is the display's), so the
// rules here deal in cells, digit positions and technique labels only.
#pragma once
#include <cstdint>

struct Game;
struct Session;

constexpr int LABEL_COUNT = 6; // HS LC GA FC ALS Z under the board

// What a point on the board stands for.
struct BoardSpot {
    int cell = -1;  // CellIndex under it, or -1 (a grid line, or outside the cells)
    int digit = -1; // digit index 0..8 of the cell's 3 x 3 keypad under it, or -1
    int label = -1; // off the cells, on the strip under the board: label 0..5, or 6 and up past
                    // the labels; -1 off the strip
};

// The cells an entry of a digit clashes with: the entry's cell first, then each peer holding
// the same digit (at most 20). count 0: no clash recorded.
struct ClashRecord {
    int count = 0;
    uint8_t cells[21] = {};
};

// Finds the peers of cell that hold digit; fills out with cell and them. Returns how many
// peers clash (0: the digit is allowed there, and out is left empty).
int FindClashes(const Game* G, int cell, int digit, ClashRecord* out);
// Enters digit in cell as EnterDigit does; when it clashes with a peer, S->Clash holds the
// clashing cells while the entry is refused (the "Invalid Value" box stands), so that the
// board outlines them, and is emptied (with a redraw) once the box is closed.
void EnterDigitShowingClashes(Session* S, int cell, int digit);

// Picks digit index d (digit d + 1) on an empty cell: a mark toggle in pencil-mark mode,
// otherwise the entry of the digit (written straight into the Board in setup mode).
void TapDigit(Session* S, int cell, int d);

// The stylus pressed on a spot: selects its cell; returns that cell or -1.
int StylusDown(Session* S, BoardSpot spot);
// A tap-and-hold (or a secondary click) on the cell that StylusDown selected: asks the shell
// for the digit popup beside it.
void StylusHold(Session* S);
// The stylus released on a spot: hides a shown solution, or taps the cell, its digit position
// or the technique strip.
void StylusUp(Session* S, BoardSpot spot);
// The digit popup's pick of digit index d (0..8) for SelectedCell; ignored unless that cell is
// still empty.
void PickDigit(Session* S, int d);
