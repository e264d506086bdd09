// The game position: MoveHistory with MovePos records applied of MoveEnd valid, and the
// operations through which every change of position passes, sharing one ending.
// Invariant: 0 <= MovePos <= MoveEnd <= 81 while solving; in setup mode on a collection the
// buttons and pane 0 show CollectionIndex and CollectionCount instead.
#include "model/history.h"
#include "model/board.h"
#include "model/game.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <cstdio>

void ShowMoveText(const Game* G, int index, int cell) {
    char text[32];
    if (index >= 0 && index < HISTORY_SLOTS && cell >= 0 && cell < 81) {
        std::snprintf(text, sizeof text, "[%2d] R%cC%c = %c", index + 1, '1' + cell / 9,
                      '1' + cell % 9, '0' + (G->MoveHistory[index] & 15));
    } else if (G->AnalysisOptions.setupMode) { // the collection puzzle shown, if any
        const int shown = G->CollectionIndex >= 0 ? G->CollectionIndex : G->MovePos;
        std::snprintf(text, sizeof text, "Pos = %d", shown + 1);
    } else {
        std::snprintf(text, sizeof text, " ");
    }
    ShellStatusText(G, PANE_MOVE, text);
}

// Each move below leaves one position for the next: the marks of the position left are kept
// (KeepMarks), and those kept for the position reached come back. A position without kept
// marks (a history read from a file) gets them as the step implies.

// One record forward; returns the index of the record replayed (-1 at the end) and leaves its
// cell in *lastCell. Without kept marks the entry prunes the marks again.
static int StepForward(Game* G, int* lastCell) {
    if (G->MovePos < 0 || G->MovePos >= G->MoveEnd || G->MovePos >= HISTORY_SLOTS) return -1;
    KeepMarks(G);
    const MoveRecord r = G->MoveHistory[G->MovePos];
    const int index = G->MovePos++;
    // A record pointing outside the grid can only come from a damaged file; skip it.
    if ((r >> 8) <= 80) {
        *lastCell = r >> 8;
        G->Board[*lastCell] = uint8_t(r & 0xFF);
    }
    if (!RestoreKeptMarks(G)) UpdateMarksAfterEntry(G, r >> 8);
    return index;
}

// One record back; returns MovePos - 1 after it (-1 when nothing is left applied) and leaves
// the cell of that record in *lastCell. Without kept marks, marks in use are reopened where
// the record had pruned them, and otherwise start afresh (RefreshMarks).
static int StepBack(Game* G, int* lastCell) {
    if (G->MovePos <= 0) return -1;
    KeepMarks(G);
    G->MovePos -= 1;
    const MoveRecord r = G->MoveHistory[G->MovePos];
    if ((r >> 8) <= 80) G->Board[r >> 8] = 0;
    if (!RestoreKeptMarks(G)) {
        if (MarksInUse(G))
            ReopenMarks(G, &r, 1);
        else
            RefreshMarks(G);
    }
    const int last = G->MovePos - 1;
    if (last >= 0) *lastCell = G->MoveHistory[last] >> 8;
    return last;
}

// What every operation ends with up to the count: the buttons, pane 0 (the move at index
// last, a blank when last < 0), the redraw and PositionEvent::Changed. Returns CountFilled.
static int Announce(Game* G, int last, int lastCell) {
    // In setup mode on a collection the buttons browse it (GoToEnd on the last puzzle asks for
    // a number); a position restored without its file cannot be browsed.
    const bool collection = G->AnalysisOptions.setupMode && G->CollectionIndex >= 0;
    const int pos = collection ? G->CollectionIndex : G->MovePos;
    const int end = !collection ? G->MoveEnd : G->CurrentFile[0] ? G->CollectionCount : pos;
    const bool back = pos != 0 && (!collection || G->CurrentFile[0]);
    ShellEnableNavButton(G, NavButton::GoToStart, back);
    ShellEnableNavButton(G, NavButton::Undo, back || (!collection && G->RestartedFrom > 0));
    ShellEnableNavButton(G, NavButton::Redo, pos < end);
    ShellEnableNavButton(G, NavButton::GoToEnd, pos < end);
    ShowMoveText(G, last, lastCell);
    ShellRedraw(G);
    TellObservers(G, PositionEvent::Changed);
    return CountFilled(G);
}

// Pane 2: the filled cells and those left.
static void ShowCount(Game* G, int filled) {
    char text[32];
    std::snprintf(text, sizeof text, "81-%d: %d", filled, 81 - filled);
    ShellStatusText(G, PANE_COUNT, text);
}

// The end of every operation but an accepted entry. A digit twice in a unit, which only a file or
// setup mode can bring, keeps pane 2's previous text; in setup mode the selected cell is
// emptied again with a beep.
static void Finish(Game* G, int last, int lastCell) {
    const int filled = Announce(G, last, lastCell);
    if (filled >= 0) {
        ShowCount(G, filled);
    } else if (G->AnalysisOptions.setupMode) {
        ShellBeep(G);
        if (G->SelectedCell >= 0 && G->SelectedCell < 81) G->Board[G->SelectedCell] = 0;
        ShellRedraw(G);
    }
}

// A digit clashing with a peer, already on the Board: shown while the verdict stands, then
// taken out again. The history, the marks and pane 2 are as before the entry (no redo record
// is left to bring it back).
static void Refuse(Game* G, int cell, uint8_t before) {
    TellObservers(G, PositionEvent::Changed);
    ShellRedraw(G);
    ShowVerdict(G, VERDICT_INVALID_VALUE);
    G->Board[cell] = before;
    const int last = G->MovePos - 1;
    Finish(G, last, last >= 0 ? G->MoveHistory[last] >> 8 : 0);
    TellObservers(G, PositionEvent::Refused);
}

void EnterDigit(Game* G, int cell, int digit) {
    if (cell < 0 || cell > 80 || G->MovePos < 0 || G->MovePos >= HISTORY_SLOTS) return;
    uint8_t value = uint8_t((digit | 0x80 | ((G->AnalysisOptions.numberColour & 7) << 4)) & 0xFF);
    const uint8_t before = G->Board[cell];
    G->Board[cell] = value;
    if (CountFilled(G) < 0) { // a peer holds the digit
        Refuse(G, cell, before);
        return;
    }
    KeepMarks(G); // the marks from just before this move
    G->RestartedFrom = 0;
    G->MoveHistory[G->MovePos] = MoveRecord(value | (cell << 8));
    UpdateMarksAfterEntry(G, cell);
    const int last = G->MovePos;
    G->MovePos += 1;
    G->MoveEnd = G->MovePos; // a new move drops every redo record

    const int filled = Announce(G, last, cell);
    if (filled == 81) {
        ShowVerdict(G, VERDICT_SOLVED);
        StopClock(G);
    }
    ShowCount(G, filled);
}

// Redo and GoToEnd: one record replayed or all of them.
static void Forward(Game* G, bool all) {
    G->RestartedFrom = 0;
    int lastCell = 0, last = -1;
    for (int index = StepForward(G, &lastCell); index >= 0; index = StepForward(G, &lastCell)) {
        last = index;
        if (!all) break;
    }
    Finish(G, last, lastCell);
}

void Undo(Game* G) {
    if (G->MovePos == 0 && G->RestartedFrom > 0) { // the restart taken back, marks and all
        const int to = G->RestartedFrom < G->MoveEnd ? G->RestartedFrom : G->MoveEnd;
        G->RestartedFrom = 0;
        int lastCell = 0, last = -1;
        while (G->MovePos < to) {
            const int index = StepForward(G, &lastCell);
            if (index < 0) break;
            last = index;
        }
        Finish(G, last, lastCell);
        return;
    }
    BackTo(G, (G->MovePos < HISTORY_SLOTS ? G->MovePos : HISTORY_SLOTS) - 1);
}

void RestartFromGivens(Game* G) {
    const int from = G->MovePos;
    G->RestartedFrom = 0;
    int lastCell = 0, last = -1;
    while (G->MovePos > 0) last = StepBack(G, &lastCell);
    G->RestartedFrom = from;
    Finish(G, last, lastCell);
}

void Redo(Game* G) {
    Forward(G, false);
}

void GoToStart(Game* G) {
    BackTo(G, 0);
}

void GoToEnd(Game* G) {
    Forward(G, true);
}

void BackTo(Game* G, int keep) {
    G->RestartedFrom = 0;
    if (G->MovePos > HISTORY_SLOTS) G->MovePos = HISTORY_SLOTS;
    int lastCell = 0, last = -1;
    while (G->MovePos > keep && G->MovePos > 0) last = StepBack(G, &lastCell);
    Finish(G, last, lastCell);
}

void RefreshPosition(Game* G) {
    Finish(G, -1, 0);
}

void ResetPosition(Game* G) {
    G->PuzzleSerial++;
    G->MovePos = 0;
    G->MoveEnd = 0;
    G->RestartedFrom = 0;
    ForgetKeptMarks(G);
    Finish(G, -1, 0);
}
