// Hit testing on the native picture: a pixel to a cell, a digit position or a label.
#include "display/geometry.h"

// The first k in 0..8 with GridLine(k) < v < GridLine(k + 1), or -1.
static int GridIndex(int v) {
    for (int k = 0; k < 9; k++)
        if (GRID.line[k] < v && v < GRID.line[k + 1]) return k;
    return -1;
}

int HitTestCell(int x, int y) {
    const int column = GridIndex(x), row = GridIndex(y);
    return column < 0 || row < 0 ? -1 : 9 * row + column;
}

BoardSpot SpotAt(int x, int y) {
    BoardSpot spot;
    spot.cell = HitTestCell(x, y);
    if (spot.cell >= 0) {
        // Offsets run from 1 to 24, or to 25 just before a box line (no digit there).
        const int column = (x - CellX(spot.cell) - 1) / DIGIT_SQUARE;
        const int row = (y - CellY(spot.cell) - 1) / DIGIT_SQUARE;
        if (column <= 2 && row <= 2) spot.digit = 3 * row + column;
    } else if (GRID.line[9] < y && y < GRID.line[9] + LABEL_STRIP_TAP &&
               x > BOARD_FIRST - LABEL_PITCH) {
        spot.label = (x - BOARD_FIRST) / LABEL_PITCH; // toward zero: x = 2 is label 0
    }
    return spot;
}
