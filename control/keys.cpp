// Keyboard play on top of the taps: the cursor cell and what the keys do to it.
// Invariant: CursorCell is -1 or a cell 0..80.
#include "control/keys.h"
#include "analysis/driver.h"
#include "control/taps.h"
#include "model/board.h"
#include "model/hooks.h"
#include "model/verdicts.h"

int CursorCell = -1;

// A tap at digit position d of the cursor cell, or in its middle for d < 0.
static void TapCursorCell(int d) {
    int x, y;
    DigitPosition(CursorCell, d < 0 ? 4 : d, &x, &y);
    StylusUp(x + 3, y + 3);
}

int PressKey(int key) {
    if (key == KEY_ESCAPE) {
        if (CursorCell < 0) return 0;
        CursorCell = -1;
        ShellRedraw();
        return 1;
    }
    if (key == KEY_DELETE) {
        if (CursorCell < 0) return 0;
        if (Board[CursorCell] & CELL_ENTERED) TapCursorCell(-1);
        return 1;
    }
    if (key < KEY_LEFT || key > KEY_DOWN) return 0;
    if (CursorCell < 0) {
        // The cursor appears where the last tap was, or in the middle of the board.
        CursorCell = SelectedCell >= 0 && SelectedCell <= 80 ? SelectedCell : 40;
    } else {
        int row = CursorCell / 9, column = CursorCell % 9;
        if (key == KEY_LEFT && column > 0) column--;
        if (key == KEY_RIGHT && column < 8) column++;
        if (key == KEY_UP && row > 0) row--;
        if (key == KEY_DOWN && row < 8) row++;
        CursorCell = 9 * row + column;
    }
    ShellRedraw();
    return 1;
}

void TypeKey(int c) {
    if (CursorCell < 0 || c < '1' || c > '9') {
        ChainSelection = c - 'a'; // any character: 'a' is chain 0, 'z' all chains
        ShellRedraw();
        return;
    }
    if (Board[CursorCell] == 0 || ShowSolution)
        TapCursorCell(c - '1');
    else
        ShellBeep(); // a filled cell takes no digit
}

void ResetKeysModule() {
    CursorCell = -1;
}
