// Taps on the board: the pixel geometry that drawing and tapping share, hit testing of cells,
// digit positions and the technique strip, the stylus handlers and the digit popup's commands.
// Board pixels are those of the native picture (before any zoom); the shell divides first.
#pragma once

constexpr int GRID_LINE_COUNT = 11;
constexpr int CELL_PITCH = 25;  // from one cell's origin to the next
constexpr int BOARD_FIRST = 5;  // first pixel of the board square (both directions)
constexpr int BOARD_LAST = 234; // last pixel of the board square
constexpr int DIGIT_SQUARE = 8; // each of the nine digit positions inside an empty cell
constexpr int LABEL_COUNT = 6;  // HS LC GA FC ALS Z under the board
constexpr int LABEL_WIDTH = 20;
constexpr int LABEL_HEIGHT = 8;
constexpr int LABEL_PITCH = 21;
constexpr int LABEL_STRIP_TAP = 12; // the strip answers taps this far below GridLines[9]
constexpr int POPUP_ABOVE = 50;     // the digit popup opens this far above the cell

// The pixel of the grid line just before row / column 0..9, and one value past the end; the
// same for x and y. All 0 until the first paint lays the grid out, so no tap hits a cell before.
extern int GridLines[GRID_LINE_COUNT];

// Lays the grid out as a paint does: fills GridLines and writes into lines the x (= y) of
// every line pixel to draw, thin lines once and box lines as two pixels; returns their number
// (at most 16).
int LayOutGrid(int* lines);

// The CellIndex under board pixel (x, y), or -1 (a line pixel or outside the board).
int HitTestCell(int x, int y);
// Top-left pixel of digit index d (0..8) inside cell: where its mark is drawn and tapped.
void DigitPosition(int cell, int d, int* x, int* y);
// Left pixel of technique label i (0..5); the strip's top is GridLines[9] + 2.
inline int LabelX(int i) {
    return BOARD_FIRST + LABEL_PITCH * i;
}

// Picks digit index d (digit d + 1) on an empty cell: a mark toggle in pencil-mark mode,
// otherwise the entry of the digit (written straight into the Board in setup mode).
void TapDigit(int cell, int d);

// The stylus pressed at (x, y): selects the cell under it; returns that cell or -1.
int StylusDown(int x, int y);
// A tap-and-hold (or a secondary click) on the cell that StylusDown selected: opens the digit
// popup just right of the cell (left of it in the last column), 50 pixels above its top.
void StylusHold();
// The stylus released at (x, y): hides a shown solution, or taps the cell, its digit position
// or the technique strip.
void StylusUp(int x, int y);
// The digit popup's pick of digit index d (0..8) for SelectedCell; ignored unless that cell is
// still empty.
void PickDigit(int d);

void ResetTapsModule();
