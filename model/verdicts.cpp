// The verdicts and their texts, the one-second game clock, and the "Solution" / "Wrong Values"
// displays.
#include "model/verdicts.h"
#include "model/board.h"
#include "model/hooks.h"
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

void ShowVerdict(int id) {
    char text[64];
    std::snprintf(text, sizeof text, "%s", StringText(id));
    ShellMessageBox(text);
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
    ShellStatusText(PANE_CLOCK, text);
}

void ShowSolutionCommand() {
    TellObservers(PositionEvent::Changed);
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
