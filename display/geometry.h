// The board's pixel geometry in the native picture (240 x 248, before any zoom): where the grid
// lines, cells, digit positions and technique labels lie, and what a pixel falls on. Drawing and
// the window's pointer share it; the control layer only ever sees cells, digits and labels.
// Plain C++ (no toolkit), so every rule here is a constant or a small function.
#pragma once
#include "control/taps.h"

constexpr int BOARD_PICTURE_WIDTH = 240;
constexpr int BOARD_PICTURE_HEIGHT = 248;

constexpr int CELL_PITCH = 25;  // from one cell's origin to the next
constexpr int BOARD_FIRST = 5;  // first pixel of the board square (both directions)
constexpr int BOARD_LAST = 234; // last pixel of the board square
constexpr int DIGIT_SQUARE = 8; // each of the nine digit positions inside an empty cell
constexpr int CELL_INSIDE = 24; // a cell's interior, from origin + 1
constexpr int LABEL_WIDTH = 20; // HS LC GA FC ALS Z under the board
constexpr int LABEL_HEIGHT = 8;
constexpr int LABEL_PITCH = 21;
constexpr int LABEL_STRIP_TAP = 12; // the strip answers taps this far below the last grid line
constexpr int POPUP_ABOVE = 50;     // the digit popup opens this far above the cell

// Grid lines: a thin line is one pixel, a box line two, the grid line being its second pixel.
// GridLine(i) is the pixel just before row / column i (0..9), GridLine(10) one pitch further.
struct GridLayout {
    int line[11];   // the grid lines
    int pixel[14];  // every line pixel, thin lines once and box lines twice
    int pixelCount; // 14
    constexpr GridLayout() : line(), pixel(), pixelCount(0) {
        int p = BOARD_FIRST;
        for (int i = 0; i <= 9; i++) {
            if (i % 3 == 0) pixel[pixelCount++] = p++;
            pixel[pixelCount++] = p;
            line[i] = p;
            p += CELL_PITCH;
        }
        line[10] = p;
    }
};
inline constexpr GridLayout GRID{};
static_assert(GRID.pixelCount == 14 && GRID.line[0] == 6 && GRID.line[3] == 82 &&
              GRID.line[9] == 234 && GRID.line[10] == 259);

constexpr int GridLine(int i) {
    return GRID.line[i];
}
// Top-left pixel of a cell: the grid lines before its column and row.
constexpr int CellX(int cell) {
    return GRID.line[cell % 9];
}
constexpr int CellY(int cell) {
    return GRID.line[cell / 9];
}
// Top-left pixel of digit index d (0..8) inside a cell: where its mark is drawn and clicked.
constexpr int DigitX(int cell, int d) {
    return CellX(cell) + 1 + DIGIT_SQUARE * (d % 3);
}
constexpr int DigitY(int cell, int d) {
    return CellY(cell) + 1 + DIGIT_SQUARE * (d / 3);
}
// Left pixel of technique label i (0..5); the strip's top is GridLine(9) + 2.
constexpr int LabelX(int i) {
    return BOARD_FIRST + LABEL_PITCH * i;
}
constexpr int LABEL_Y = GRID.line[9] + 2;

// The cell under pixel (x, y): its column is the first c with GridLine(c) < x < GridLine(c + 1),
// its row likewise; -1 on a grid line or outside the board. The second pixel of a box line
// belongs to the cell before it.
int HitTestCell(int x, int y);
// What pixel (x, y) stands for: the cell and the digit position inside it (offsets 1..24 from
// the cell's origin, in 8-pixel squares), or on the strip under the board the label
// (x - 5) / 21 rounded toward zero, which may lie past the six labels.
BoardSpot SpotAt(int x, int y);
