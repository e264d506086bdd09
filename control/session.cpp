// The session: made with its analysis observing the position; judges the position through the
// solution counter, and runs the refresh that a new puzzle or an opened file starts with.
#include "control/session.h"
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "control/focus.h"
#include "control/stepview.h"
#include "exactcover/bitboard.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "files/collection.h"
#include "files/filereader.h"
#include "files/gamefile.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <cstdio>
#include <cstring>

Session::Session() : A(new Analysis(this)) {
    ObservePosition(this, ForgetStep, A);
    ObservePosition(this, ForgetShownStep, this);
}

Session::~Session() {
    delete A;
}

int CheckCellsVerdict(const uint8_t* cells, uint8_t* solution) {
    int filled = 0;
    for (int i = 0; i < 81; i++) filled += cells[i] != 0;
    if (filled < 8) return VERDICT_INVALID_POSITION; // too few givens
    // The verdict and a unique solution do not depend on the search order: any solver serves.
    const int c = SolveUnique(cells, solution);
    if (c == 1) {
        for (int i = 0; i < 81; i++)
            if (cells[i] == 0) solution[i] |= CELL_ENTERED;
        return VERDICT_UNIQUE;
    }
    // No solution: a digit twice in a unit makes it an invalid position (one or more solutions
    // rule that out).
    if (c < 1 && CountFilledCells(cells) < 0) return VERDICT_INVALID_POSITION;
    return c < 1 ? VERDICT_NO_SOLUTION : VERDICT_SEVERAL;
}

int CheckCells(const uint8_t* cells, uint8_t* solution) {
    const int verdict = CheckCellsVerdict(cells, solution);
    // Several solutions: the grid is the last one the counter reaches in its search order.
    if (verdict == VERDICT_SEVERAL) CountSolutions(cells, 1, solution);
    return verdict;
}

int CheckPosition(Game* G) {
    if (CountFilled(G) < 8) return VERDICT_INVALID_POSITION; // the busy cursor only for a count
    ShellBusyCursor(G, true);
    const int verdict = CheckCells(G->Board, G->SolutionGrid);
    ShellBusyCursor(G, false);
    return verdict;
}

void RefreshSession(Session* S, SessionParts parts) {
    if (parts.check) {
        int r = CheckPosition(S);
        if (r != VERDICT_UNIQUE) ShowVerdict(S, r);
    }
    if (parts.marks) RefreshMarks(S);
    if (parts.clock) StartClock(S);
}

void KeepOpenFile(Session* S) {
    std::memcpy(S->KeptFile, S->CurrentFile, sizeof S->KeptFile);
    S->KeptIndex = S->CollectionIndex;
}

// The chosen file was not read: the open file is the one before, and the title says so.
static int PutBackOpenFile(Session* S) {
    std::memcpy(S->CurrentFile, S->KeptFile, sizeof S->CurrentFile);
    S->CollectionIndex = S->KeptIndex;
    ShellSetTitle(S);
    return 0;
}

void ShowLoadedPosition(Session* S) {
    RefreshPosition(S);
    if (S->MovePos > 0 && S->MovePos <= HISTORY_SLOTS)
        ShowMoveText(S, S->MovePos - 1, S->MoveHistory[S->MovePos - 1] >> 8);
}

int OpenChosenFile(Session* S) {
    const int count = CountCollection(S, S->CurrentFile);
    if (count < 0) return PutBackOpenFile(S); // the user cancelled the count
    if (count == 0) {                         // not a collection of at least two puzzles
        if (LoadGameFile(S, S->CurrentFile) == 0) {
            char text[PATH_MAX + 128];
            std::snprintf(text, sizeof text, "The file was not opened: %s", LastOpenError());
            PutBackOpenFile(S);
            ShellMessageBox(S, text);
            return 0;
        }
        ShowLoadedPosition(S);
        RefreshSession(S, {.check = true, .clock = true}); // the marks are those the file holds
    } else {
        S->CollectionIndex = 0;
        S->CollectionCount = count;
        if (LoadCollectionEntry(S, S->CurrentFile, 0) > 0) RefreshPosition(S);
    }
    ShellSetTitle(S);
    return 1;
}
