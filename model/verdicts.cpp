// Judging the position (CheckPosition and its verdicts), the session refresh that starts a
// new puzzle, the one-second game clock, and the "Solution" / "Wrong Values" displays.
#include "model/verdicts.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include <cstdio>

// Seconds since StartClock; the shell's one-second timer calls ClockTick.
uint32_t GameClock;
// 1 while the board shows the SolutionGrid instead of the Board.
int ShowSolution;

namespace {
struct StringEntry {
    int id;
    const char* text;
};
constexpr StringEntry STRINGS[] = {
    {STR_PROGRAM, PROGRAM_NAME},                    // caption of every message box
    {VERDICT_NO_SOLUTION, "No Solution"},           // 101
    {VERDICT_INVALID_POSITION, "Invalid Position"}, // 102
    {VERDICT_SOLVED, "Puzzle Solved"},              // 103
    {VERDICT_INVALID_VALUE, "Invalid Value"},       // 105
    {VERDICT_SEVERAL, "Several Solutions"},         // 106
};
} // namespace

const char* StringText(int id) {
    for (const StringEntry& s : STRINGS)
        if (s.id == id) return s.text;
    return "";
}

int CheckPosition() {
    int n = CountFilled();
    if (n < 8) return VERDICT_INVALID_POSITION; // too few givens, or a digit twice in a unit
    ShellBusyCursor(true);
    int c = CountSolutions(Board, 1);
    ShellBusyCursor(false);
    if (c == 1) {
        for (int i = 0; i < 81; i++)
            if (Board[i] == 0) SolutionGrid[i] |= CELL_ENTERED;
        return VERDICT_UNIQUE;
    }
    return c < 1 ? VERDICT_NO_SOLUTION : VERDICT_SEVERAL;
}

void ShowVerdict(int id) {
    char text[64];
    std::snprintf(text, sizeof text, "%s", StringText(id));
    ShellMessageBox(text);
}

void RefreshSession(int mask) {
    if (mask & REFRESH_CHECK) {
        int r = CheckPosition();
        if (r != VERDICT_UNIQUE) ShowVerdict(r);
    }
    if (mask & REFRESH_MARKS) {
        if (AnalysisOptions.showCandidates == 0 && (AnalysisOptions.techniques & TECH_ANALYSIS))
            LoadMarks(1);
        else
            ResetState(RESET_MARKS);
    }
    if (mask & REFRESH_CLOCK) StartClock();
}

void StartClock() {
    ShellClockTimer(false);
    GameClock = 0;
    ShellClockTimer(true);
}

void StopClock() {
    ShellClockTimer(false);
}

void ClockTick() {
    GameClock += 1;
    char text[32];
    std::snprintf(text, sizeof text, "%3d:%02d", int(GameClock / 60), int(GameClock % 60));
    ShellStatusText(1, text);
}

void ShowSolutionCommand() {
    ResetState(RESET_ANALYSIS);
    ShowSolution = 1;
    ShellRedraw();
}

void ToggleWrongValues() {
    AnalysisOptions.wrongValues ^= 1;
    ShellRedraw();
}

void ResetVerdictsModule() {
    GameClock = 0;
    ShowSolution = 0;
}
