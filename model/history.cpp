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

// Replays records from MovePos, one or all; returns the last index replayed or -1, and leaves
// the last cell replayed in *lastCell.
static int Replay(Game* G, bool all, int* lastCell) {
    int last = -1;
    while (G->MovePos < G->MoveEnd && G->MovePos < HISTORY_SLOTS) {
        MoveRecord r = G->MoveHistory[G->MovePos];
        last = G->MovePos;
        G->MovePos += 1;
        // A record pointing outside the grid can only come from a damaged file; skip it.
        if ((r >> 8) <= 80) {
            *lastCell = r >> 8;
            G->Board[*lastCell] = uint8_t(r & 0xFF);
        }
        if (!all) break;
    }
    return last;
}

// Takes records back until keep are left; returns MovePos - 1 after the last record taken
// back (-1 when none was), and the cell of that previous record in *lastCell.
static int TakeBack(Game* G, int keep, int* lastCell) {
    int last = -1;
    while (G->MovePos > keep && G->MovePos > 0) {
        G->MovePos -= 1;
        if ((G->MoveHistory[G->MovePos] >> 8) <= 80) G->Board[G->MoveHistory[G->MovePos] >> 8] = 0;
        last = G->MovePos - 1;
        if (last >= 0) *lastCell = G->MoveHistory[last] >> 8;
    }
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
    ShellEnableNavButton(G, NavButton::Undo, back);
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

// The end of every operation but EnterDigit. A digit twice in a unit, which only a file or
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

void EnterDigit(Game* G, int cell, int digit) {
    if (cell < 0 || cell > 80 || G->MovePos < 0 || G->MovePos >= HISTORY_SLOTS) return;
    uint8_t value = uint8_t((digit | 0x80 | ((G->AnalysisOptions.numberColour & 7) << 4)) & 0xFF);
    G->Board[cell] = value;
    G->MoveHistory[G->MovePos] = MoveRecord(value | (cell << 8));
    UpdateMarksAfterEntry(G, cell);
    const int last = G->MovePos;
    G->MovePos += 1;
    G->MoveEnd = G->MovePos; // a new move drops every redo record

    const int filled = Announce(G, last, cell);
    if (filled < 0) {
        ShowVerdict(G, VERDICT_INVALID_VALUE);
        Undo(G); // stays in the history as a redo record
        TellObservers(G, PositionEvent::Refused);
        return; // pane 2 keeps its previous text
    }
    if (filled == 81) {
        ShowVerdict(G, VERDICT_SOLVED);
        StopClock(G);
    }
    ShowCount(G, filled);
}

// Redo and GoToEnd: one record replayed or all of them.
static void Forward(Game* G, bool all) {
    int lastCell = 0;
    const int last = Replay(G, all, &lastCell);
    UpdateMarksAfterEntry(G, lastCell);
    Finish(G, last, lastCell);
}

// Undo (one record back) and GoToStart (all of them).
static void Back(Game* G, bool undo) {
    if (G->MovePos > HISTORY_SLOTS) G->MovePos = HISTORY_SLOTS;
    int lastCell = 0;
    const int last = TakeBack(G, undo ? G->MovePos - 1 : 0, &lastCell);
    // One undo right after an entry gives back the marks from before it.
    if (undo && G->SavedMarks[0] != NO_SAVED_MARKS)
        LoadMarksFromSaved(G);
    else
        RefreshMarks(G);
    Finish(G, last, lastCell);
}

void Undo(Game* G) {
    Back(G, true);
}

void Redo(Game* G) {
    Forward(G, false);
}

void GoToStart(Game* G) {
    Back(G, false);
}

void GoToEnd(Game* G) {
    Forward(G, true);
}

void BackTo(Game* G, int keep) {
    if (G->MovePos > HISTORY_SLOTS) G->MovePos = HISTORY_SLOTS;
    const bool marked = MarksInUse(G);
    const int from = G->MovePos;
    int lastCell = keep;
    const int last = TakeBack(G, keep, &lastCell);
    if (marked)
        ReopenMarks(G, G->MoveHistory + G->MovePos, from - G->MovePos);
    else
        RefreshMarks(G);
    Finish(G, last, lastCell);
}

void RefreshPosition(Game* G) {
    Finish(G, -1, 0);
}

void ResetPosition(Game* G) {
    G->MovePos = 0;
    G->MoveEnd = 0;
    G->SavedMarks[0] = NO_SAVED_MARKS;
    Finish(G, -1, 0);
}
