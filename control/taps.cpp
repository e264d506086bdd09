// Taps on the board: what a press, a hold, a release and a digit-popup pick do to the game.
// SelectedCell (model/game.h) is the cell under the last stylus event: -1 after a popup pick,
// 0 after a tap outside the board.
#include "control/taps.h"
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "control/focus.h"
#include "control/keep.h"
#include "control/session.h"
#include "control/stepview.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"

int FindClashes(const Game* G, int cell, int digit, ClashRecord* out) {
    *out = ClashRecord{};
    if (cell < 0 || cell > 80 || digit < 1 || digit > 9) return 0;
    const uint8_t* peers = PeersOf(cell);
    int clashing = 0;
    for (int i = 0; i < 20; i++)
        if ((G->Board[peers[i]] & CELL_DIGIT) == digit) out->cells[1 + clashing++] = peers[i];
    if (clashing == 0) return 0;
    out->cells[0] = uint8_t(cell);
    out->count = 1 + clashing;
    return clashing;
}

void EnterDigitShowingClashes(Session* S, int cell, int digit) {
    // Found before the entry: the box stands inside EnterDigit, while the board is drawn.
    FindClashes(S, cell, digit, &S->Clash);
    EnterDigit(S, cell, digit);
    if (S->Clash.count == 0) return;
    S->Clash = ClashRecord{};
    ShellRedraw(S);
}

void TapDigit(Session* S, int cell, int d) {
    if (cell < 0 || cell > 80 || d < 0 || d > 8) return;
    const DigitMask bit = DigitMask(1u << d);
    AnalysisOptionsRecord& opt = S->AnalysisOptions;
    S->Focus.entryHint = 0; // the player has found how entry works
    if (opt.pencilMarks == 1) {
        S->LastMarkedCell = cell;
        if (S->MarkGrid[cell] & bit) {
            S->MarkGrid[cell] &= DigitMask(~bit);
        } else {
            ComputeCandidates(S);
            if (S->CandidateGrid[cell] & bit) S->MarkGrid[cell] |= bit; // a peer holds it already?
        }
        if (opt.techniques & TECH_ANALYSIS) {
            // Marking the very digit the step shows in this cell enters it.
            if (S->A->StepMarks[cell] == bit)
                EnterDigitShowingClashes(S, cell, d + 1);
            else
                ShellRedraw(S);
        } else {
            ShellInvalidateCell(S, cell);
        }
        return;
    }
    if (opt.showCandidates == 1 && !(S->CandidateGrid[cell] & bit)) return;
    if (opt.setupMode == 1) {
        S->Board[cell] = uint8_t(CELL_ENTERED | (d + 1)); // no colour, no history record
        RefreshPosition(S); // takes a conflicting digit out again, with a beep
    } else {
        EnterDigitShowingClashes(S, cell, d + 1);
    }
}

int StylusDown(Session* S, BoardSpot spot) {
    S->SelectedCell = spot.cell >= 0 && spot.cell <= 80 ? spot.cell : -1;
    return S->SelectedCell;
}

void StylusHold(Session* S) {
    if (S->SelectedCell >= 0 && S->SelectedCell <= 80) ShellShowDigitPopup(S, S->SelectedCell);
}

// A tap on label i of the strip under the board: a technique on or off, all chains, or (past
// the labels) no chain. In the player's order "Z" shows nothing beyond the step's own chain:
// that order has no graph of chains to show, and the selection is used up by its next run.
static void TapLabelStrip(Session* S, int i) {
    if (i < 5)
        S->AnalysisOptions.techniques ^= TECH_SUBSETS << i;
    else if (i == 5)
        S->A->ChainSelection = CHAIN_SHOW_ALL;
    else
        S->A->ChainSelection = -1;
    ShellRedraw(S);
}

// The release itself; StylusUp refreshes the step shown after it.
static void Release(Session* S, BoardSpot spot) {
    if (S->ShowSolution) {
        S->ShowSolution = 0;
        ShellRedraw(S);
        return;
    }
    const int cell = spot.cell >= 0 && spot.cell <= 80 ? spot.cell : -1;
    S->SelectedCell = cell;
    if (cell >= 0) {
        const uint8_t byte = S->Board[cell];
        if (byte & CELL_ENTERED) {
            if (S->AnalysisOptions.setupMode == 1) {
                S->Board[cell] = 0;
                ShellRedraw(S);
            } else if (S->MovePos > 0 && S->MovePos <= HISTORY_SLOTS &&
                       (S->MoveHistory[S->MovePos - 1] >> 8) == cell) {
                Undo(S); // the last entry taken back
            }
        } else if (byte == 0 && spot.digit >= 0 && spot.digit <= 8) {
            TapDigit(S, cell, spot.digit);
        }
        return;
    }
    if (spot.label >= 0) TapLabelStrip(S, spot.label);
    S->SelectedCell = 0;
}

void StylusUp(Session* S, BoardSpot spot) {
    Release(S, spot);
    RefreshStep(S);
    KeepPlaying(S);
}

void PickDigit(Session* S, int d) {
    if (d >= 0 && d <= 8 && S->SelectedCell >= 0 && S->SelectedCell <= 80 &&
        S->Board[S->SelectedCell] == 0)
        TapDigit(S, S->SelectedCell, d);
    S->SelectedCell = -1;
}
