// The player's focus and the highlights it gives. Invariant: cursorCell and pointerCell are -1
// or a cell 0..80, pointerDigit -1 or 0..8 (and -1 when pointerCell is).
#include "control/focus.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"

FocusRecord Focus;

// The digit shown in a cell, 0 when empty.
static int ShownDigit(int cell) {
    return (ShowSolution ? SolutionGrid : Board)[cell] & CELL_DIGIT;
}

static bool SameUnit(int a, int b) {
    return a / 9 == b / 9 || a % 9 == b % 9 || BoxOf(a) == BoxOf(b);
}

void PointerAt(BoardSpot spot) {
    const int cell = spot.cell >= 0 && spot.cell <= 80 ? spot.cell : -1;
    const int digit = cell >= 0 && spot.digit >= 0 && spot.digit <= 8 ? spot.digit : -1;
    if (cell == Focus.pointerCell && digit == Focus.pointerDigit) return;
    const FocusMarks before = ShownFocus();
    Focus.pointerCell = cell;
    Focus.pointerDigit = digit;
    const FocusMarks after = ShownFocus();
    if (after.highlightDigit != before.highlightDigit) {
        ShellRedraw(); // other cells and marks change tint
    } else if (after.hoverCell != before.hoverCell || after.hoverDigit != before.hoverDigit) {
        if (before.hoverCell >= 0) ShellInvalidateCell(before.hoverCell);
        if (after.hoverCell >= 0 && after.hoverCell != before.hoverCell)
            ShellInvalidateCell(after.hoverCell);
    }
}

int HoverDigit(int* cell) {
    const int c = Focus.pointerCell, d = Focus.pointerDigit;
    *cell = -1;
    if (c < 0 || d < 0 || ShowSolution || Board[c] != 0) return -1;
    const DigitMask bit = DigitMask(1u << d);
    const AnalysisOptionsRecord& opt = AnalysisOptions;
    if (opt.pencilMarks == 1) {
        // A mark is toggled off, or set unless a peer holds the digit.
        if (!(MarkGrid[c] & bit) && (PeerDigits(c) & bit)) return -1;
    } else if (opt.showCandidates == 1 && !(CandidateGrid[c] & bit)) {
        return -1; // a click on a digit that is no candidate enters nothing
    }
    *cell = c;
    return d;
}

int HighlightedDigit() {
    if (!Focus.highlightDigit) return 0;
    if (Focus.pointerCell >= 0 && ShownDigit(Focus.pointerCell))
        return ShownDigit(Focus.pointerCell);
    return Focus.cursorCell >= 0 ? ShownDigit(Focus.cursorCell) : 0;
}

FocusMarks ShownFocus() {
    FocusMarks marks;
    marks.highlightDigit = HighlightedDigit();
    if (Focus.highlightDigit) marks.unitCell = Focus.cursorCell;
    marks.hoverDigit = HoverDigit(&marks.hoverCell);
    return marks;
}

int CellHighlight(const FocusMarks& marks, int cell) {
    if (marks.highlightDigit && ShownDigit(cell) == marks.highlightDigit) return HIGHLIGHT_DIGIT;
    if (marks.unitCell >= 0 && SameUnit(cell, marks.unitCell)) return HIGHLIGHT_UNIT;
    return HIGHLIGHT_NONE;
}

void ToggleHighlight() {
    Focus.highlightDigit ^= 1;
    ShellRedraw();
}

void ResetFocusModule() {
    Focus = FocusRecord{};
}
