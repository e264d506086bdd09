// The game position: MoveHistory with MovePos records applied of MoveEnd valid, and
// ChangePosition, through which every change of position passes.
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

// Replays records from MovePos (one for POS_REDO, all for POS_END); returns the last index
// replayed or -1, and leaves the last cell replayed in *lastCell.
static int Replay(uint16_t code, int* lastCell) {
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
        if (code == POS_REDO) break;
    }
    return last;
}

// Takes records back: one for POS_UNDO, all for POS_BEGIN, all but keep for POS_BACK_TO;
// returns MovePos - 1 after the last record taken back, and the cell of that previous record
// in *lastCell.
static int TakeBack(uint16_t code, int keep, int* lastCell) {
    int last = -1;
    if (MovePos > HISTORY_SLOTS) MovePos = HISTORY_SLOTS;
    if (code != POS_BACK_TO) keep = code == POS_UNDO ? MovePos - 1 : 0;
    while (MovePos > keep && MovePos > 0) {
        MovePos -= 1;
        if ((MoveHistory[MovePos] >> 8) <= 80) Board[MoveHistory[MovePos] >> 8] = 0;
        last = MovePos - 1;
        if (last >= 0) *lastCell = MoveHistory[last] >> 8;
    }
    return last;
}

void ChangePosition(uint16_t code, int cell, int digit) {
    int last = -1;
    int lastCell = cell;
    switch (code) {
    case POS_ENTER: {
        if (cell < 0 || cell > 80 || MovePos < 0 || MovePos >= HISTORY_SLOTS) return;
        uint8_t value = uint8_t((digit | 0x80 | ((AnalysisOptions.numberColour & 7) << 4)) & 0xFF);
        Board[cell] = value;
        MoveHistory[MovePos] = MoveRecord(value | (cell << 8));
        UpdateMarksAfterEntry(cell);
        last = MovePos;
        MovePos += 1;
        MoveEnd = MovePos; // a new move drops every redo record
        break;
    }
    case POS_REDO:
    case POS_END:
        last = Replay(code, &lastCell);
        UpdateMarksAfterEntry(lastCell);
        break;
    case POS_UNDO:
    case POS_BEGIN:
        last = TakeBack(code, 0, &lastCell);
        // One undo right after an entry gives back the marks from before it.
        if (code == POS_UNDO && SavedMarks[0] != NO_SAVED_MARKS)
            LoadMarks(MARKS_FROM_SAVED);
        else
            RefreshMarks();
        break;
    case POS_BACK_TO: {
        // The player's marks stay, reopened where the records taken back had pruned them.
        const bool marked = MarksInUse();
        const int from = MovePos < HISTORY_SLOTS ? MovePos : HISTORY_SLOTS;
        last = TakeBack(code, cell, &lastCell);
        if (marked)
            ReopenMarks(MoveHistory + MovePos, from - MovePos);
        else
            RefreshMarks();
        break;
    }
    case POS_RESET:
        MovePos = 0;
        MoveEnd = 0;
        SavedMarks[0] = NO_SAVED_MARKS;
        break;
    default: // POS_REFRESH and unknown codes change nothing
        break;
    }

    ShellEnableNavButton(POS_BEGIN, MovePos != 0);
    ShellEnableNavButton(POS_UNDO, MovePos != 0);
    ShellEnableNavButton(POS_REDO, MovePos < MoveEnd);
    ShellEnableNavButton(POS_END, MovePos < MoveEnd);
    ShowMoveText(code >= POS_REFRESH ? -1 : last, lastCell);
    if (!PositionQuiet) ShellRedraw();

    TellObservers(POSITION_CHANGED);
    int n = CountFilled();
    if (n == 81 && code == POS_ENTER && !PositionQuiet) {
        ShowVerdict(VERDICT_SOLVED);
        StopClock();
    } else if (n < 0) {
        if (code == POS_ENTER) {
            ShowVerdict(VERDICT_INVALID_VALUE);
            ChangePosition(POS_UNDO, 0, 0); // stays in the history as a redo record
            TellObservers(POSITION_REFUSED);
        } else if (AnalysisOptions.setupMode) {
            ShellBeep();
            if (SelectedCell >= 0 && SelectedCell < 81) Board[SelectedCell] = 0;
            ShellRedraw();
        }
        return; // pane 2 keeps its previous text
    }
    char text[32];
    std::snprintf(text, sizeof text, "81-%d: %d", n, 81 - n);
    ShellStatusText(PANE_COUNT, text);
}

void ResetHistoryModule() {
    for (MoveRecord& r : MoveHistory) r = 0;
    MovePos = 0;
    MoveEnd = 0;
    PositionQuiet = 0;
}
