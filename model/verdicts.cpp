// The verdicts and their texts, the one-second game clock, and the "Solution" / "Wrong Values"
// displays.
#include "model/verdicts.h"
#include "model/board.h"
#include "model/game.h"
#include "model/hooks.h"
#include "model/options.h"
#include <cstdio>

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

void ShowVerdict(const Game* G, int id) {
    char text[192];
    std::snprintf(text, sizeof text, "%s", StringText(id));
    if (id == VERDICT_SOLVED && G->VerdictNote[0]) // the time, told by whoever keeps it
        std::snprintf(text, sizeof text, "%s\n%s", StringText(id), G->VerdictNote);
    ShellMessageBox(G, text);
}

void StartClock(Game* G) {
    ShellClockTimer(G, false);
    G->GameClock = 0;
    ShellClockTimer(G, true);
}

void StopClock(const Game* G) {
    ShellClockTimer(G, false);
}

void ClockTick(Game* G) {
    G->GameClock += 1;
    char text[32];
    std::snprintf(text, sizeof text, "%3d:%02d", int(G->GameClock / 60), int(G->GameClock % 60));
    ShellStatusText(G, PANE_CLOCK, text);
}

void ShowSolutionCommand(Game* G) {
    TellObservers(G, PositionEvent::Changed);
    G->ShowSolution = 1;
    ShellRedraw(G);
}

void ToggleWrongValues(Game* G) {
    G->AnalysisOptions.wrongValues ^= 1;
    ShellRedraw(G);
}
