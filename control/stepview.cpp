// The step shown: a copy of what the analysis read at its last run, compared before each
// refresh, so the analysis runs once per change however often the board is drawn, and a
// chain asked for stays shown until the game changes. The text of the step is written with it.
// Also the hint, which runs the analysis while its display is off and shows the step by
// levels, and the check of the pencil marks against the solution.
#include "control/stepview.h"
#include "analysis/driver.h"
#include "analysis/hint.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "control/focus.h"
#include "control/hintcheck.h"
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
    bool hint;       // a hint is asked for: the analysis runs whatever its display says
    bool wrongMarks; // "Wrong Pencil Marks"
    bool operator==(const StepInputs&) const = default;
};

// The hint asked for, and what the game was when it was asked: a change ends it.
struct HintRecord {
    int level;         // 0 none, 1..3
    bool onCandidates; // no pencil marks in use: the computed candidates are analysed
    StepInputs inputs;
};

StepInputs Shown; // the inputs of the step shown
bool ShownValid;  // false: the step shown is stale, whatever the inputs say
char StepText[STEP_TEXT_SIZE];
char HintText[STEP_TEXT_SIZE]; // the hint's first level
HintRecord Hint;
bool WrongMarks;

StepInputs CurrentInputs() {
    const AnalysisOptionsRecord& opt = AnalysisOptions;
    StepInputs in{};
    std::memcpy(in.board.data(), Board, 81);
    std::memcpy(in.solution.data(), SolutionGrid, 81);
    if (!opt.showCandidates) std::memcpy(in.marks.data(), MarkGrid, sizeof MarkGrid);
    in.options = {opt.setupMode, opt.showCandidates, opt.techniques, opt.wrongValues};
    in.chainSelection = ChainSelection;
    in.showSolution = ShowSolution;
    in.hint = Hint.level > 0;
    in.wrongMarks = WrongMarks;
    return in;
}

// The analysis for a hint: as the display would run it, switched on, and on the computed
// candidates when no pencil marks are in use.
int RunHintAnalysis() {
    const AnalysisOptionsRecord& opt = AnalysisOptions;
    if (Hint.onCandidates) ComputeCandidates();
    return RunAnalysisWith(true, Hint.onCandidates || opt.showCandidates != 0);
}

// "Wrong Pencil Marks": open cells whose marks leave out the solution's digit become
// MARK_WRONG, besides the wrong entries; then no step stands. Returns how many.
int MarkWrongMarks() {
    if (!WrongMarks || AnalysisOptions.showCandidates || AnalysisOptions.setupMode) return 0;
    // marks there, and the solution's digit not among them?
    auto wrongAt = [](int x) {
        const int right = SolutionGrid[x] & CELL_DIGIT;
        return !Board[x] && right && MarkGrid[x] && !(MarkGrid[x] >> (right - 1) & 1);
    };
    int wrong = 0;
    for (int x = 0; x < 81; x++) wrong += wrongAt(x) ? 1 : 0;
    if (!wrong) return 0;
    for (int x = 0; x < 81; x++)
        if (wrongAt(x) || StepMarks[x] != MARK_WRONG) StepMarks[x] = wrongAt(x) ? MARK_WRONG : 0;
    ChainDisplayList.count = 0;
    PendingStep = STEP_NONE;
    return wrong;
}

// The step is up to date with the game as it is now.
void Settle() {
    Shown = CurrentInputs(); // after the run: a chain asked for is used up by it
    ShownValid = true;
    StepText[0] = 0;
    HintText[0] = 0;
    if (Hint.level > 0) {
        // "No step found" too: the player asked.
        DescribeStep(PendingStep, StepText, sizeof StepText);
        DescribeHint(PendingStep, StepText, HintText, sizeof HintText);
    } else if (PendingStep != 0 && (AnalysisOptions.techniques & TECH_ANALYSIS)) {
        DescribeStep(PendingStep, StepText, sizeof StepText);
    }
}
} // namespace

void RefreshStep() {
    if (Hint.level > 0 && !(CurrentInputs() == Hint.inputs)) Hint.level = 0; // the game moved on
    if (ShownValid && CurrentInputs() == Shown) return;
    // What the paint of the board used to do before drawing: the candidates when shown, then
    // the step for the position (none while the solution is shown).
    if (AnalysisOptions.showCandidates) ComputeCandidates();
    ChainDisplayList.count = 0;
    if (!ShowSolution) {
        PendingStep = Hint.level > 0 ? RunHintAnalysis() : RunAnalysis();
        MarkWrongMarks();
    }
    Settle();
}

const char* StepLineText() {
    if (Hint.level > 0) // asked for: before how entry works
        return (AnalysisOptions.techniques & TECH_ANALYSIS) || Hint.level == 3 ? StepText
                                                                               : HintText;
    return Focus.entryHint ? ENTRY_HINT : StepText;
}

int AskHint() {
    RefreshStep();
    if (Hint.level == 0) {
        const bool marks = MarksInUse();
        char text[256];
        if (CheckHintPosition(marks ? MarkGrid : nullptr, text, sizeof text) != VERDICT_UNIQUE) {
            if (text[0] >= 'a' && text[0] <= 'z') text[0] = char(text[0] - 'a' + 'A');
            ShellMessageBox(text);
            return 0;
        }
        Hint.onCandidates = !AnalysisOptions.showCandidates && !marks;
    }
    if (Hint.level < 3) Hint.level++;
    Hint.inputs = CurrentInputs();
    RefreshStep();
    ShellRedraw();
    return Hint.level;
}

int HintLevel() {
    return Hint.level;
}

bool StepMarksShown() {
    return (AnalysisOptions.techniques & TECH_ANALYSIS) || Hint.level >= 2;
}

void ToggleWrongMarks() {
    WrongMarks = !WrongMarks;
    ShellRedraw();
}

bool WrongMarksOn() {
    return WrongMarks;
}

int ApplyShownStep() {
    RefreshStep();
    if (PendingStep == STEP_NONE) return 0;
    const bool candidates = AnalysisOptions.showCandidates || (Hint.level > 0 && Hint.onCandidates);
    if (PendingStep != STEP_SINGLES && candidates) {
        StoreCandidates();    // the eliminations must stay: they go into the pencil marks
        if (Hint.level > 0) { // the hint goes on, now on the marks
            Hint.onCandidates = false;
            Hint.inputs = CurrentInputs();
        }
        RefreshStep(); // the same step, now found on the marks
        if (PendingStep == STEP_NONE) return 0;
    }
    uint8_t board[81];
    DigitMask grid[81];
    std::memcpy(board, Board, sizeof board);
    std::memcpy(grid, AnalysisGrid, sizeof grid);
    ApplyStep(PendingStep, false); // a hint's step leaves the display as the player had it
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

void ForgetShownStep(void*, PositionEvent) {
    ShownValid = false;
}

void ResetStepViewModule() {
    Shown = StepInputs{};
    ShownValid = false;
    StepText[0] = 0;
    HintText[0] = 0;
    Hint = HintRecord{};
    WrongMarks = false;
}
