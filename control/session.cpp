// The session: resets every module in dependency order, judges the position through the
// solution counter, and runs the refresh that a new puzzle or an opened file starts with.
#include "control/session.h"
#include "analysis/als.h"
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/fish.h"
#include "analysis/links.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "control/create.h"
#include "control/dialogrules.h"
#include "control/focus.h"
#include "control/stepview.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "files/puzzlefile.h"
#include "files/settings.h"
#include "files/text.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <cstdio>
#include <cstring>

// The open file as KeepOpenFile found it, put back when the next file chosen is not read.
static char KeptFile[PATH_MAX];
static int KeptIndex = -1;

void ResetAllModules() {
    InstallShellHooks(nullptr);
    ResetOptionsModule();
    ResetBoardModule();
    ResetHistoryModule();
    ResetMarksModule();
    ResetVerdictsModule();
    ResetStateModule();
    ResetDriverModule();
    ResetFishModule();
    ResetRatingModule();
    ResetChainsModule();
    ResetLinksModule();
    ResetAlsModule();
    ResetPuzzleFileModule();
    ResetSettingsModule();
    ResetFocusModule();
    ResetCreateModule();
    ResetStepViewModule();
    ResetDialogRulesModule();
    KeptFile[0] = 0;
    KeptIndex = -1;
    ObservePosition(ForgetStep, nullptr);
    ObservePosition(ForgetShownStep, nullptr);
}

int CheckCells(const uint8_t* cells, uint8_t* solution) {
    if (CountFilledCells(cells) < 8)
        return VERDICT_INVALID_POSITION; // too few givens, or a
                                         // digit twice in a unit
    const int c = CountSolutions(cells, 1, solution);
    if (c == 1) {
        for (int i = 0; i < 81; i++)
            if (cells[i] == 0) solution[i] |= CELL_ENTERED;
        return VERDICT_UNIQUE;
    }
    return c < 1 ? VERDICT_NO_SOLUTION : VERDICT_SEVERAL;
}

int CheckPosition() {
    if (CountFilled() < 8) return VERDICT_INVALID_POSITION; // the busy cursor only for a count
    ShellBusyCursor(true);
    const int verdict = CheckCells(Board, SolutionGrid);
    ShellBusyCursor(false);
    return verdict;
}

void RefreshSession(SessionParts parts) {
    if (parts.check) {
        int r = CheckPosition();
        if (r != VERDICT_UNIQUE) ShowVerdict(r);
    }
    if (parts.marks) RefreshMarks();
    if (parts.clock) StartClock();
}

void KeepOpenFile() {
    std::memcpy(KeptFile, CurrentFile, sizeof KeptFile);
    KeptIndex = CollectionIndex;
}

// The chosen file was not read: the open file is the one before, and the title says so.
static int PutBackOpenFile() {
    std::memcpy(CurrentFile, KeptFile, sizeof CurrentFile);
    CollectionIndex = KeptIndex;
    ShellSetTitle();
    return 0;
}

int OpenChosenFile() {
    const int count = CountCollection(CurrentFile);
    if (count < 0) return PutBackOpenFile(); // the user cancelled the count
    if (count == 0) {                        // not a collection of at least two puzzles
        if (LoadGameFile(CurrentFile) == 0) {
            char text[PATH_MAX + 128];
            std::snprintf(text, sizeof text, "The file was not opened: %s", LastOpenError());
            PutBackOpenFile();
            ShellMessageBox(text);
            return 0;
        }
        // A game saved with marks before its last entry gets its marks afresh.
        RefreshSession({.check = true, .marks = SavedMarks[0] != NO_SAVED_MARKS, .clock = true});
    } else {
        CollectionIndex = 0;
        CollectionCount = count;
        LoadCollectionEntry(CurrentFile, 0, count);
    }
    ShellSetTitle();
    return 1;
}
