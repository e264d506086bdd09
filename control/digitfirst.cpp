// Digit-first entry on top of TapDigit, so pencil-mark mode, setup mode and the computed
// candidates rule a chosen digit exactly as they rule a tap on the digit's position.
#include "control/digitfirst.h"
#include "control/session.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "model/board.h"
#include "model/hooks.h"

void ChooseDigit(Session* S, int digit) {
    if (digit < 0 || digit > 9) return;
    S->ChosenDigit = digit == S->ChosenDigit ? 0 : digit;
    ShellRedraw(S);
}

int DigitsLeft(const Session* S, int digit) {
    int placed = 0;
    for (uint8_t cell : S->Board) placed += (cell & CELL_DIGIT) == digit;
    return placed >= 9 ? 0 : 9 - placed;
}

int TapChosenDigit(Session* S, int cell) {
    if (S->ChosenDigit < 1 || S->ChosenDigit > 9 || S->ShowSolution) return 0;
    if (cell < 0 || cell > 80 || S->Board[cell] != 0) return 0;
    S->SelectedCell = cell;
    TapDigit(S, cell, S->ChosenDigit - 1);
    RefreshStep(S);
    return 1;
}
