// The game position: MoveHistory with MovePos records applied of MoveEnd valid, and the
// operations through which every change of position passes, sharing one ending.
// Invariant: 0 <= MovePos <= MoveEnd <= 81 while solving (setup mode reuses the two counters
// for the collection position).
#include "model/history.h"
#include "model/board.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <cstdio>

// The moves of the game in order; slots past MoveEnd hold whatever was there before.
MoveRecord MoveHistory[HISTORY_SLOTS];
int MovePos;
int MoveEnd;
int PositionQuiet;

void ShowMoveText(int index, int cell) {
    char text[32];
    if (index >= 0 && index < HISTORY_SLOTS && cell >= 0 && cell < 81) {
        std::snprintf(text, sizeof text, "[%2d] R%cC%c = %c", index + 1, '1' + cell / 9,
                      '1' + cell % 9, '0' + (MoveHistory[index] & 15));
    } else if (AnalysisOptions.setupMode) {
        std::snprintf(text, sizeof text, "Pos = %d", MovePos + 1);
    } else {
        std::snprintf(text, sizeof text, " ");
    }
    ShellStatusText(PANE_MOVE, text);
}

// Replays records from MovePos, one or all; returns the last index replayed or -1, and leaves
// the last cell replayed in *lastCell.
static int Replay(bool all, int* lastCell) {
    int last = -1;
    while (MovePos < MoveEnd && MovePos < HISTORY_SLOTS) {
        MoveRecord r = MoveHistory[MovePos];
        last = MovePos;
        MovePos += 1;
        // A record pointing outside the grid can only come from a damaged file; skip it.
        if ((r >> 8) <= 80) {
            *lastCell = r >> 8;
            Board[*lastCell] = uint8_t(r & 0xFF);
        }
        if (!all) break;
    }
    return last;
}

// Takes records back until keep are left; returns MovePos - 1 after the last record taken
// back (-1 when none was), and the cell of that previous record in *lastCell.
static int TakeBack(int keep, int* lastCell) {
    int last = -1;
    while (MovePos > keep && MovePos > 0) {
        MovePos -= 1;
        if ((MoveHistory[MovePos] >> 8) <= 80) Board[MoveHistory[MovePos] >> 8] = 0;
        last = MovePos - 1;
        if (last >= 0) *lastCell = MoveHistory[last] >> 8;
    }
    return last;
}

// What every operation ends with up to the count: the buttons, pane 0 (the move at index
// last, a blank when last < 0), the redraw and PositionEvent::Changed. Returns CountFilled.
static int Announce(int last, int lastCell) {
    ShellEnableNavButton(NavButton::GoToStart, MovePos != 0);
    ShellEnableNavButton(NavButton::Undo, MovePos != 0);
    ShellEnableNavButton(NavButton::Redo, MovePos < MoveEnd);
    ShellEnableNavButton(NavButton::GoToEnd, MovePos < MoveEnd);
    ShowMoveText(last, lastCell);
    if (!PositionQuiet) ShellRedraw();
    TellObservers(PositionEvent::Changed);
    return CountFilled();
}

// Pane 2: the filled cells and those left.
static void ShowCount(int filled) {
    char text[32];
    std::snprintf(text, sizeof text, "81-%d: %d", filled, 81 - filled);
    ShellStatusText(PANE_COUNT, text);
}

// The end of every operation but EnterDigit. A digit twice in a unit, which only a file or
// setup mode can bring, keeps pane 2's previous text; in setup mode the selected cell is
// emptied again with a beep.
static void Finish(int last, int lastCell) {
    const int filled = Announce(last, lastCell);
    if (filled >= 0) {
        ShowCount(filled);
    } else if (AnalysisOptions.setupMode) {
        ShellBeep();
        if (SelectedCell >= 0 && SelectedCell < 81) Board[SelectedCell] = 0;
        ShellRedraw();
    }
}

void EnterDigit(int cell, int digit) {
    if (cell < 0 || cell > 80 || MovePos < 0 || MovePos >= HISTORY_SLOTS) return;
    uint8_t value = uint8_t((digit | 0x80 | ((AnalysisOptions.numberColour & 7) << 4)) & 0xFF);
    Board[cell] = value;
    MoveHistory[MovePos] = MoveRecord(value | (cell << 8));
    UpdateMarksAfterEntry(cell);
    const int last = MovePos;
    MovePos += 1;
    MoveEnd = MovePos; // a new move drops every redo record

    const int filled = Announce(last, cell);
    if (filled < 0) {
        ShowVerdict(VERDICT_INVALID_VALUE);
        Undo(); // stays in the history as a redo record
        TellObservers(PositionEvent::Refused);
        return; // pane 2 keeps its previous text
    }
    if (filled == 81 && !PositionQuiet) {
        ShowVerdict(VERDICT_SOLVED);
        StopClock();
    }
    ShowCount(filled);
}

// Redo and GoToEnd: one record replayed or all of them.
static void Forward(bool all) {
    int lastCell = 0;
    const int last = Replay(all, &lastCell);
    UpdateMarksAfterEntry(lastCell);
    Finish(last, lastCell);
}

// Undo (one record back) and GoToStart (all of them).
static void Back(bool undo) {
    if (MovePos > HISTORY_SLOTS) MovePos = HISTORY_SLOTS;
    int lastCell = 0;
    const int last = TakeBack(undo ? MovePos - 1 : 0, &lastCell);
    // One undo right after an entry gives back the marks from before it.
    if (undo && SavedMarks[0] != NO_SAVED_MARKS)
        LoadMarksFromSaved();
    else
        RefreshMarks();
    Finish(last, lastCell);
}

void Undo() {
    Back(true);
}

void Redo() {
    Forward(false);
}

void GoToStart() {
    Back(false);
}

void GoToEnd() {
    Forward(true);
}

void BackTo(int keep) {
    if (MovePos > HISTORY_SLOTS) MovePos = HISTORY_SLOTS;
    const bool marked = MarksInUse();
    const int from = MovePos;
    int lastCell = keep;
    const int last = TakeBack(keep, &lastCell);
    if (marked)
        ReopenMarks(MoveHistory + MovePos, from - MovePos);
    else
        RefreshMarks();
    Finish(last, lastCell);
}

void RefreshPosition() {
    Finish(-1, 0);
}

void ResetPosition() {
    MovePos = 0;
    MoveEnd = 0;
    SavedMarks[0] = NO_SAVED_MARKS;
    Finish(-1, 0);
}

void ResetHistoryModule() {
    for (MoveRecord& r : MoveHistory) r = 0;
    MovePos = 0;
    MoveEnd = 0;
    PositionQuiet = 0;
}
