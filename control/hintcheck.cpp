// The check a hint runs first: a position that is invalid, has no solution or several, or is
// already solved gets the verdict's words instead of a step; the cells whose pencil marks leave
// out their solution digit, and marks that repeat a digit already placed in the cell's row,
// column or box, are named, since every technique relies on the marks holding the solution and
// nothing placed.
#include "control/hintcheck.h"
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include "analysis/textline.h"
#include "control/session.h"
#include "exactcover/count.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/verdicts.h"
#include <bit>
#include <cstdio>
#include <cstring>

namespace {

// Up to this many marks are named; the rest are counted.
constexpr int HINT_MARKS_NAMED = 3;

// The unit of the cell (row, column, box as players number it) whose placed digits hold the
// digit, written "row 2"; false when none does.
bool AddUnitHolding(Session* S, TextLine& text, int cell, int digit) {
    const int units[3] = {cell / 9, 9 + cell % 9, BoxUnit(cell)};
    for (int u : units)
        for (int k = 0; k < 9; k++) {
            const int c = UnitTable[u][k];
            if (c == cell || (S->Board[c] & CELL_DIGIT) != digit) continue;
            AddUnitName(text, u);
            return true;
        }
    return false;
}

// The verdict on the Board with the uniqueness check's words; a full valid grid is solved.
// The solution goes to solution[] when it is unique.
int JudgeBoard(Session* S, uint8_t solution[81]) {
    int filled = 0;
    for (int x = 0; x < 81; x++) filled += (S->Board[x] & CELL_DIGIT) ? 1 : 0;
    const int verdict = CheckPosition(S);
    std::memcpy(solution, S->SolutionGrid, 81);
    if (verdict == VERDICT_UNIQUE && filled == 81) return VERDICT_SOLVED;
    return verdict;
}

} // namespace

int CheckHintPosition(Session* S, const DigitMask* marks, char* out, size_t size) {
    if (!out || size == 0) return VERDICT_INVALID_POSITION;
    out[0] = 0;
    TextLine text = {out, size, 0};
    // CheckPosition writes the SolutionGrid and clears the step record: both are put back.
    uint8_t keepSolution[81], solution[81];
    uint16_t keepMarks[81];
    std::memcpy(keepSolution, S->SolutionGrid, sizeof keepSolution);
    std::memcpy(keepMarks, S->A->StepMarks, sizeof keepMarks);
    const ChainDisplayListRecord keepChains = S->A->ChainDisplayList;
    const StepRecord keepStep = S->A->CurrentStep;
    const int verdict = JudgeBoard(S, solution);
    std::memcpy(S->SolutionGrid, keepSolution, sizeof keepSolution);
    std::memcpy(S->A->StepMarks, keepMarks, sizeof keepMarks);
    S->A->ChainDisplayList = keepChains;
    S->A->CurrentStep = keepStep;
    if (verdict != VERDICT_UNIQUE) {
        text.Add("%s", StringText(verdict));
        return verdict;
    }
    if (!marks) return VERDICT_UNIQUE;

    // The cells are named, not the digits they lack: naming the digit would give the answer.
    int missing = 0, named[HINT_MARKS_NAMED];
    for (int x = 0; x < 81; x++) {
        const int right = solution[x] & CELL_DIGIT;
        if (S->Board[x] || (marks[x] & (1u << (right - 1)))) continue;
        if (missing < HINT_MARKS_NAMED) named[missing] = x;
        missing++;
    }
    if (missing) {
        const int shown = missing < HINT_MARKS_NAMED ? missing : HINT_MARKS_NAMED;
        text.Add("your marks at ");
        for (int i = 0; i < shown; i++) {
            const char* before = i == 0 ? "" : i + 1 < shown || missing > shown ? ", " : " and ";
            text.Add("%sr%dc%d", before, named[i] / 9 + 1, named[i] % 9 + 1);
        }
        if (missing > shown) text.Add(" and %d more cells", missing - shown);
        text.Add(missing == 1 ? " leave out a digit it needs"
                              : " leave out a digit each cell needs");
    }
    if (missing) return HINT_MARKS_LEAVE_OUT;

    int repeated = 0;
    for (int x = 0; x < 81; x++) {
        const DigitMask placed = S->Board[x] ? 0 : DigitMask(marks[x] & PeerDigits(S, x));
        if (!placed) continue;
        if (repeated == 0) {
            const int digit = std::countr_zero(placed) + 1;
            text.Add("your marks keep %d at r%dc%d, which ", digit, x / 9 + 1, x % 9 + 1);
            AddUnitHolding(S, text, x, digit);
            text.Add(" already has");
        }
        repeated += std::popcount(placed);
    }
    if (repeated > 1) text.Add(" (and %d more like it)", repeated - 1);
    return repeated ? HINT_MARKS_PLACED : VERDICT_UNIQUE;
}

int SolveGivens(Session* S, uint8_t solution[81]) {
    uint8_t givens[81];
    int count = 0;
    for (int x = 0; x < 81; x++) {
        givens[x] = (S->Board[x] & CELL_ENTERED) ? 0 : S->Board[x] & CELL_DIGIT;
        count += givens[x] ? 1 : 0;
    }
    if (count < 8) return VERDICT_INVALID_POSITION; // as the check of a position answers
    uint8_t reached[81];                            // the game's SolutionGrid stays as it is
    std::memcpy(reached, S->SolutionGrid, sizeof reached);
    ShellBusyCursor(S, true);
    const int found = CountSolutions(givens, 1, reached);
    ShellBusyCursor(S, false);
    for (int x = 0; x < 81; x++) solution[x] = reached[x] & CELL_DIGIT;
    if (found == 1) return VERDICT_UNIQUE;
    return found < 0    ? VERDICT_INVALID_POSITION
           : found == 0 ? VERDICT_NO_SOLUTION
                        : VERDICT_SEVERAL;
}

int FirstMistake(Session* S, const uint8_t solution[81]) {
    const int played = S->MovePos < HISTORY_SLOTS ? S->MovePos : HISTORY_SLOTS;
    for (int i = 0; i < played; i++) {
        const int cell = S->MoveHistory[i] >> 8, digit = S->MoveHistory[i] & CELL_DIGIT;
        if (cell <= 80 && digit && digit != solution[cell]) return i;
    }
    return -1;
}

int BackToFirstMistake(Session* S) {
    uint8_t solution[81];
    const int verdict = SolveGivens(S, solution);
    if (verdict != VERDICT_UNIQUE) {
        char text[96];
        std::snprintf(text, sizeof text, "%s: the entries cannot be checked", StringText(verdict));
        ShellMessageBox(S, text);
        return -1;
    }
    const int first = FirstMistake(S, solution);
    if (first < 0) {
        ShellMessageBox(S, S->MovePos > 0 ? "No mistake: every entry agrees with the solution."
                                          : "No mistake: nothing has been entered yet.");
        return 0;
    }
    BackTo(S, first);
    return 1;
}
