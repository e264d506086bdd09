// Taps on the board: what a press, a hold, a release and a digit-popup pick do to the game.
// SelectedCell (model/board.h) is the cell under the last stylus event: -1 after a popup pick,
// 0 after a tap outside the board.
#include "control/taps.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "control/focus.h"
#include "control/stepview.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"

void TapDigit(int cell, int d) {
    if (cell < 0 || cell > 80 || d < 0 || d > 8) return;
    const DigitMask bit = DigitMask(1u << d);
    AnalysisOptionsRecord& opt = AnalysisOptions;
    Focus.entryHint = 0; // the player has found how entry works
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
                EnterDigit(cell, d + 1);
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
        RefreshPosition(); // takes a conflicting digit out again, with a beep
    } else {
        EnterDigit(cell, d + 1);
    }
}

int StylusDown(BoardSpot spot) {
    SelectedCell = spot.cell >= 0 && spot.cell <= 80 ? spot.cell : -1;
    return SelectedCell;
}

void StylusHold() {
    if (SelectedCell >= 0 && SelectedCell <= 80) ShellShowDigitPopup(SelectedCell);
}

// A tap on label i of the strip under the board: a technique on or off, all chains, or (past
// the labels) no chain.
static void TapLabelStrip(int i) {
    if (i < 5)
        AnalysisOptions.techniques ^= TECH_SUBSETS << i;
    else if (i == 5)
        ChainSelection = CHAIN_SHOW_ALL;
    else
        ChainSelection = -1;
    ShellRedraw();
}

// The release itself; StylusUp refreshes the step shown after it.
static void Release(BoardSpot spot) {
    if (ShowSolution) {
        ShowSolution = 0;
        ShellRedraw();
        return;
    }
    const int cell = spot.cell >= 0 && spot.cell <= 80 ? spot.cell : -1;
    SelectedCell = cell;
    if (cell >= 0) {
        const uint8_t byte = Board[cell];
        if (byte & CELL_ENTERED) {
            if (AnalysisOptions.setupMode == 1) {
                Board[cell] = 0;
                ShellRedraw();
            } else if (MovePos > 0 && MovePos <= HISTORY_SLOTS &&
                       (MoveHistory[MovePos - 1] >> 8) == cell) {
                Undo(); // the last entry taken back
            }
        } else if (byte == 0 && spot.digit >= 0 && spot.digit <= 8) {
            TapDigit(cell, spot.digit);
        }
        return;
    }
    if (spot.label >= 0) TapLabelStrip(spot.label);
    SelectedCell = 0;
}

void StylusUp(BoardSpot spot) {
    Release(spot);
    RefreshStep();
}

void PickDigit(int d) {
    if (d >= 0 && d <= 8 && SelectedCell >= 0 && SelectedCell <= 80 && Board[SelectedCell] == 0)
        TapDigit(SelectedCell, d);
    SelectedCell = -1;
}
