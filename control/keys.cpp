// Keyboard play on top of the taps: what the keys do to the cursor cell.
#include "control/keys.h"
#include "analysis/driver.h"
#include "control/focus.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "model/board.h"
#include "model/hooks.h"
#include "model/verdicts.h"

// A tap on digit position d of the cursor cell; d = -1 taps the cell itself (its entered digit).
static void TapCursorCell(int d) {
    BoardSpot spot;
    spot.cell = Focus.cursorCell;
    spot.digit = d;
    StylusUp(spot);
}

int PressKey(int key) {
    if (key == KEY_ESCAPE) {
        if (Focus.cursorCell < 0) return 0;
        Focus.cursorCell = -1;
        ShellRedraw();
        return 1;
    }
    if (key == KEY_DELETE) {
        if (Focus.cursorCell < 0) return 0;
        if (Board[Focus.cursorCell] & CELL_ENTERED) TapCursorCell(-1);
        return 1;
    }
    if (key < KEY_LEFT || key > KEY_DOWN) return 0;
    if (Focus.cursorCell < 0) {
        // The cursor appears where the last tap was, or in the middle of the board.
        Focus.cursorCell = SelectedCell >= 0 && SelectedCell <= 80 ? SelectedCell : 40;
    } else {
        int row = Focus.cursorCell / 9, column = Focus.cursorCell % 9;
        if (key == KEY_LEFT && column > 0) column--;
        if (key == KEY_RIGHT && column < 8) column++;
        if (key == KEY_UP && row > 0) row--;
        if (key == KEY_DOWN && row < 8) row++;
        Focus.cursorCell = 9 * row + column;
    }
    ShellRedraw();
    return 1;
}

void TypeKey(int c) {
    if (Focus.cursorCell < 0 || c < '1' || c > '9') {
        ChainSelection = c - 'a'; // any character: 'a' is chain 0, 'z' all chains
        RefreshStep();
        ShellRedraw();
        return;
    }
    if (Board[Focus.cursorCell] == 0 || ShowSolution)
        TapCursorCell(c - '1');
    else
        ShellBeep(); // a filled cell takes no digit
}
