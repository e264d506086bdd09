// The player's focus and the highlights it gives. Invariant: cursorCell and pointerCell are -1
// or a cell 0..80, pointerDigit -1 or 0..8 (and -1 when pointerCell is).
#include "control/focus.h"
#include "control/session.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"

// The digit shown in a cell, 0 when empty.
static int ShownDigit(const Session* S, int cell) {
    return (S->ShowSolution ? S->SolutionGrid : S->Board)[cell] & CELL_DIGIT;
}

static bool SameUnit(int a, int b) {
    return a / 9 == b / 9 || a % 9 == b % 9 || BoxOf(a) == BoxOf(b);
}

void PointerAt(Session* S, BoardSpot spot) {
    const int cell = spot.cell >= 0 && spot.cell <= 80 ? spot.cell : -1;
    const int digit = cell >= 0 && spot.digit >= 0 && spot.digit <= 8 ? spot.digit : -1;
    if (cell == S->Focus.pointerCell && digit == S->Focus.pointerDigit) return;
    const FocusMarks before = ShownFocus(S);
    S->Focus.pointerCell = cell;
    S->Focus.pointerDigit = digit;
    S->Focus.cursorLast = false;
    const FocusMarks after = ShownFocus(S);
    if (after.highlightDigit != before.highlightDigit) {
        ShellRedraw(S); // other cells and marks change tint
    } else if (after.hoverCell != before.hoverCell || after.hoverDigit != before.hoverDigit) {
        if (before.hoverCell >= 0) ShellInvalidateCell(S, before.hoverCell);
        if (after.hoverCell >= 0 && after.hoverCell != before.hoverCell)
            ShellInvalidateCell(S, after.hoverCell);
    }
}

int HoverDigit(Session* S, int* cell) {
    const int c = S->Focus.pointerCell, d = S->Focus.pointerDigit;
    *cell = -1;
    if (c < 0 || d < 0 || S->ShowSolution || S->Board[c] != 0) return -1;
    const DigitMask bit = DigitMask(1u << d);
    const AnalysisOptionsRecord& opt = S->AnalysisOptions;
    if (opt.pencilMarks == 1) {
        // A mark is toggled off, or set unless a peer holds the digit.
        if (!(S->MarkGrid[c] & bit) && (PeerDigits(S, c) & bit)) return -1;
    } else if (opt.showCandidates == 1 && !(S->CandidateGrid[c] & bit)) {
        return -1; // a click on a digit that is no candidate enters nothing
    }
    *cell = c;
    return d;
}

int HighlightedDigit(Session* S) {
    if (!S->Focus.highlightDigit) return 0;
    const int pointer = S->Focus.pointerCell >= 0 ? ShownDigit(S, S->Focus.pointerCell) : 0;
    const int cursor = S->Focus.cursorCell >= 0 ? ShownDigit(S, S->Focus.cursorCell) : 0;
    // the one moved last wins, when it is over a digit
    if (S->Focus.cursorLast) return cursor ? cursor : pointer;
    return pointer ? pointer : cursor;
}

FocusMarks ShownFocus(Session* S) {
    FocusMarks marks;
    marks.highlightDigit = HighlightedDigit(S);
    if (S->Focus.highlightDigit) marks.unitCell = S->Focus.cursorCell;
    marks.hoverDigit = HoverDigit(S, &marks.hoverCell);
    return marks;
}

int CellHighlight(const Session* S, const FocusMarks& marks, int cell) {
    if (marks.highlightDigit && ShownDigit(S, cell) == marks.highlightDigit) return HIGHLIGHT_DIGIT;
    if (marks.unitCell >= 0 && SameUnit(cell, marks.unitCell)) return HIGHLIGHT_UNIT;
    return HIGHLIGHT_NONE;
}

void ToggleHighlight(Session* S) {
    S->Focus.highlightDigit ^= 1;
    ShellRedraw(S);
}
