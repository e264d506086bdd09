// The step shown: a copy of what the analysis read at its last run, compared before each
// refresh, so the analysis runs once per change however often the board is drawn, and a
// chain asked for stays shown until the game changes. The text of the step is written with it.
#include "control/stepview.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "control/focus.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <array>
#include <cstring>

namespace {
constexpr const char* ENTRY_HINT = "Click a digit's spot in a cell to enter it, right-click or "
                                   "hold for the list of digits, or use the arrow keys and 1-9.";

// Everything a run of the analysis for the display depends on.
struct StepInputs {
    std::array<uint8_t, 81> board, solution;
    std::array<DigitMask, 81> marks; // the pencil marks, unless the candidates are shown
    std::array<uint32_t, 4> options; // setupMode, showCandidates, techniques, wrongValues
    int32_t chainSelection;
    int showSolution;
    bool operator==(const StepInputs&) const = default;
};

StepInputs Shown; // the inputs of the step shown
bool ShownValid;  // false: the step shown is stale, whatever the inputs say
char StepText[STEP_TEXT_SIZE];

StepInputs CurrentInputs() {
    const AnalysisOptionsRecord& opt = AnalysisOptions;
    StepInputs in{};
    std::memcpy(in.board.data(), Board, 81);
    std::memcpy(in.solution.data(), SolutionGrid, 81);
    if (!opt.showCandidates) std::memcpy(in.marks.data(), MarkGrid, sizeof MarkGrid);
    in.options = {opt.setupMode, opt.showCandidates, opt.techniques, opt.wrongValues};
    in.chainSelection = ChainSelection;
    in.showSolution = ShowSolution;
    return in;
}

// The step is up to date with the game as it is now.
void Settle() {
    Shown = CurrentInputs(); // after the run: a chain asked for is used up by it
    ShownValid = true;
    StepText[0] = 0;
    if (PendingStep != 0 && (AnalysisOptions.techniques & TECH_ANALYSIS))
        DescribeStep(PendingStep, StepText, sizeof StepText);
}
} // namespace

void RefreshStep() {
    if (ShownValid && CurrentInputs() == Shown) return;
    // What the paint of the board used to do before drawing: the candidates when shown, then
    // the step for the position (none while the solution is shown).
    if (AnalysisOptions.showCandidates) ComputeCandidates();
    ChainDisplayList.count = 0;
    if (!ShowSolution) PendingStep = RunAnalysis();
    Settle();
}

const char* StepLineText() {
    return Focus.entryHint ? ENTRY_HINT : StepText;
}

int ApplyShownStep() {
    RefreshStep();
    if (PendingStep == STEP_NONE) return 0;
    if (PendingStep != STEP_SINGLES && AnalysisOptions.showCandidates) {
        StoreCandidates(); // the eliminations must stay: they go into the pencil marks
        RefreshStep();     // the same step, now found on the marks
        if (PendingStep == STEP_NONE) return 0;
    }
    uint8_t board[81];
    DigitMask grid[81];
    std::memcpy(board, Board, sizeof board);
    std::memcpy(grid, AnalysisGrid, sizeof grid);
    ApplyStep(PendingStep, false);
    if (std::memcmp(board, Board, sizeof board) == 0 &&
        std::memcmp(grid, AnalysisGrid, sizeof grid) == 0) {
        // Nothing changed (a contradictory single refused as invalid): the same step would
        // come back at every press, so it is dropped until the game changes.
        ClearStepRecord();
        PendingStep = STEP_NONE;
        Settle();
        ShellRedraw();
        return 0;
    }
    RefreshStep();
    ShellRedraw();
    return 1;
}

void ForgetShownStep(int) {
    ShownValid = false;
}

void ResetStepViewModule() {
    Shown = StepInputs{};
    ShownValid = false;
    StepText[0] = 0;
}
