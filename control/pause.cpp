// Pause and restart on the game's own operations: the clock hook, GoToStart and the marks.
#include "control/pause.h"
#include "control/session.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/verdicts.h"
#include <cstdio>

int PauseGame(Session* S) {
    if (S->Paused || S->AnalysisOptions.setupMode || CountFilled(S) == 81) return 0;
    S->Paused = true;
    StopClock(S);
    ShellStatusText(S, PANE_CLOCK, " Paused");
    ShellRedraw(S);
    return 1;
}

int ResumeGame(Session* S) {
    if (!S->Paused) return 0;
    S->Paused = false;
    ShellClockTimer(S, true); // the clock goes on from where it stood
    char text[16];
    std::snprintf(text, sizeof text, "%3d:%02d", int(S->GameClock / 60), int(S->GameClock % 60));
    ShellStatusText(S, PANE_CLOCK, text);
    ShellRedraw(S);
    return 1;
}

void TogglePause(Session* S) {
    if (!ResumeGame(S)) PauseGame(S);
}

int RestartPuzzle(Session* S) {
    if (S->AnalysisOptions.setupMode) return 0;
    const bool marked = MarksInUse(S);
    if (S->MovePos == 0 && !marked) return 0;
    S->Paused = false;
    S->ShowSolution = 0;
    RestartFromGivens(S); // one step: Undo brings the game back, marks and all
    StartClock(S);
    return 1;
}
