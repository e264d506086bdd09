// Taps on the board: GridLines (filled by each paint) and what a press, a hold, a release and a
// digit-popup pick do to the game. SelectedCell (model/board.h) is the cell under the last
// stylus event: -1 after a popup pick, 0 after a tap outside the board.
#include "control/taps.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"

int GridLines[GRID_LINE_COUNT];

int LayOutGrid(int* lines) {
    // Thin lines are one pixel; a box line is two, the grid line being its second pixel.
    int p = BOARD_FIRST;
    int n = 0;
    for (int i = 0; i <= 9; i++) {
        if (i % 3 == 0) lines[n++] = p++;
        lines[n++] = p;
        GridLines[i] = p;
        p += CELL_PITCH;
    }
    GridLines[10] = p;
    return n;
}

// The first k in 0..8 with GridLines[k] < v < GridLines[k + 1], or -1.
static int GridIndex(int v) {
    for (int k = 0; k < 9; k++)
        if (GridLines[k] < v && v < GridLines[k + 1]) return k;
    return -1;
}

int HitTestCell(int x, int y) {
    int column = GridIndex(x), row = GridIndex(y);
    return column < 0 || row < 0 ? -1 : 9 * row + column;
}

void DigitPosition(int cell, int d, int* x, int* y) {
    *x = GridLines[cell % 9] + 1 + DIGIT_SQUARE * (d % 3);
    *y = GridLines[cell / 9] + 1 + DIGIT_SQUARE * (d / 3);
}

void TapDigit(int cell, int d) {
    if (cell < 0 || cell > 80 || d < 0 || d > 8) return;
    const DigitMask bit = DigitMask(1u << d);
    AnalysisOptionsRecord& opt = AnalysisOptions;
    if (opt.pencilMarks == 1) {
        LastMarkedCell = cell;
        if (MarkGrid[cell] & bit) {
            MarkGrid[cell] &= DigitMask(~bit);
        } else {
            ComputeCandidates();
            if (CandidateGrid[cell] & bit) MarkGrid[cell] |= bit; // a peer holds it already?
        }
        if (opt.techniques & TECH_ANALYSIS) {
            // Marking the very digit the step shows in this cell enters it.
            if (StepMarks[cell] == bit)
                ChangePosition(POS_ENTER, cell, d + 1);
            else
                ShellRedraw();
        } else {
            ShellInvalidateCell(cell);
        }
        return;
    }
    if (opt.showCandidates == 1 && !(CandidateGrid[cell] & bit)) return;
    if (opt.setupMode == 1) {
        Board[cell] = uint8_t(CELL_ENTERED | (d + 1)); // no colour, no history record
        ChangePosition(POS_REFRESH, 0, 0); // takes a conflicting digit out again, with a beep
    } else {
        ChangePosition(POS_ENTER, cell, d + 1);
    }
}

int StylusDown(int x, int y) {
    SelectedCell = HitTestCell(x, y);
    return SelectedCell;
}

void StylusHold() {
    if (SelectedCell >= 0 && SelectedCell <= 80) ShellShowDigitPopup(SelectedCell);
}

// A tap on the strip of technique labels under the board.
static void TapLabelStrip(int x) {
    const int i = (x - BOARD_FIRST) / LABEL_PITCH; // rounds toward zero: x = 2 is label 0
    if (i < 5)
        AnalysisOptions.techniques ^= TECH_SUBSETS << i;
    else if (i == 5)
        ChainSelection = CHAIN_SHOW_ALL;
    else
        ChainSelection = -1;
    ShellRedraw();
}

void StylusUp(int x, int y) {
    if (ShowSolution) {
        ShowSolution = 0;
        ShellRedraw();
        return;
    }
    const int cell = HitTestCell(x, y);
    SelectedCell = cell;
    if (cell >= 0) {
        const uint8_t byte = Board[cell];
        if (byte & CELL_ENTERED) {
            if (AnalysisOptions.setupMode == 1) {
                Board[cell] = 0;
                ShellRedraw();
            } else if (MovePos > 0 && MovePos <= HISTORY_SLOTS &&
                       (MoveHistory[MovePos - 1] >> 8) == cell) {
                ChangePosition(POS_UNDO, 0, 0); // the last entry taken back
            }
        } else if (byte == 0) {
            const int ox = x - GridLines[cell % 9], oy = y - GridLines[cell / 9];
            const int column = (ox - 1) / DIGIT_SQUARE, row = (oy - 1) / DIGIT_SQUARE;
            if (column >= 0 && column <= 2 && row >= 0 && row <= 2)
                TapDigit(cell, 3 * row + column);
        }
        return;
    }
    if (GridLines[9] < y && y < GridLines[9] + LABEL_STRIP_TAP) TapLabelStrip(x);
    SelectedCell = 0;
}

void PickDigit(int d) {
    if (d >= 0 && d <= 8 && SelectedCell >= 0 && SelectedCell <= 80 && Board[SelectedCell] == 0)
        TapDigit(SelectedCell, d);
    SelectedCell = -1;
}

void ResetTapsModule() {
    for (int& g : GridLines) g = 0;
}
