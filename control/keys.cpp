// Keyboard play on top of the taps: what the keys do to the cursor cell.
#include "control/keys.h"
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "control/focus.h"
#include "control/session.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "model/board.h"
#include "model/hooks.h"
#include "model/verdicts.h"

// A tap on digit position d of the cursor cell; d = -1 taps the cell itself (its entered digit).
static void TapCursorCell(Session* S, int d) {
    BoardSpot spot;
    spot.cell = S->Focus.cursorCell;
    spot.digit = d;
    StylusUp(S, spot);
}

int PressKey(Session* S, int key) {
    if (key == KEY_ESCAPE) {
        if (S->Focus.cursorCell < 0) return 0;
        S->Focus.cursorCell = -1;
        ShellRedraw(S);
        return 1;
    }
    if (key == KEY_DELETE) {
        if (S->Focus.cursorCell < 0) return 0;
        if (S->Board[S->Focus.cursorCell] & CELL_ENTERED) TapCursorCell(S, -1);
        return 1;
    }
    if (key < KEY_LEFT || key > KEY_DOWN) return 0;
    if (S->Focus.cursorCell < 0) {
        // The cursor appears where the last tap was, or in the middle of the board.
        S->Focus.cursorCell = S->SelectedCell >= 0 && S->SelectedCell <= 80 ? S->SelectedCell : 40;
    } else {
        int row = S->Focus.cursorCell / 9, column = S->Focus.cursorCell % 9;
        if (key == KEY_LEFT && column > 0) column--;
        if (key == KEY_RIGHT && column < 8) column++;
        if (key == KEY_UP && row > 0) row--;
        if (key == KEY_DOWN && row < 8) row++;
        S->Focus.cursorCell = 9 * row + column;
    }
    S->Focus.cursorLast = true;
    ShellRedraw(S);
    return 1;
}

void TypeKey(Session* S, int c) {
    if (S->Focus.cursorCell < 0 || c < '1' || c > '9') {
        S->A->ChainSelection = c - 'a'; // any character: 'a' is chain 0, 'z' all chains
        RefreshStep(S);
        ShellRedraw(S);
        return;
    }
    if (S->Board[S->Focus.cursorCell] == 0 || S->ShowSolution)
        TapCursorCell(S, c - '1');
    else
        ShellBeep(S); // a filled cell takes no digit
}
