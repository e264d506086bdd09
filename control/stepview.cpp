// The step shown: a copy of what the analysis read at its last run, compared before each
// refresh, so the analysis runs once per change however often the board is drawn, and a
// chain asked for stays shown until the game changes. The text of the step is written with it.
// Also the hint, which runs the analysis while its display is off and shows the step by
// levels, and the check of the pencil marks against the solution.
#include "control/stepview.h"
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/hint.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "control/focus.h"
#include "control/hintcheck.h"
#include "control/session.h"
#include "control/taps.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>

namespace {
constexpr const char* ENTRY_HINT = "Click a digit's spot in a cell to enter it, right-click or "
                                   "hold for the list of digits, or use the arrow keys and 1-9.";

// What the step line says when no step is shown, and what would help.
constexpr const char* ADVICE_ANALYSIS_OFF = "Switch on the analysis (Ctrl+L) or ask for a hint (?)";
constexpr const char* ADVICE_NO_MARKS =
    "No pencil marks to analyse: show the candidates (Ctrl+K) or ask for a hint (?)";
constexpr const char* ADVICE_STRONGER = "No step with these techniques: switch on GA, FC or ALS";
constexpr const char* ADVICE_BASIC = "No step with these techniques: switch on HS or LC";
constexpr const char* ADVICE_NONE = "No step found with any technique";
constexpr uint32_t STRONGER_TECHNIQUES = TECH_GRID | TECH_CHAINS | TECH_ALS;
constexpr uint32_t BASIC_TECHNIQUES = TECH_SUBSETS | TECH_LOCKED;

// The advice when the techniques switched on find nothing: first the stronger ones the labels
// name GA, FC and ALS, then HS and LC, else none is left to switch on.
const char* TechniqueAdvice(uint32_t techniques) {
    if ((techniques & STRONGER_TECHNIQUES) != STRONGER_TECHNIQUES) return ADVICE_STRONGER;
    if ((techniques & BASIC_TECHNIQUES) != BASIC_TECHNIQUES) return ADVICE_BASIC;
    return ADVICE_NONE;
}

// Some cell is marked as a wrong entry or wrong pencil marks (then no step is looked for).
bool WrongShown(Session* S) {
    for (uint16_t mark : S->A->StepMarks)
        if ((mark & MARK_KIND) == MARK_WRONG) return true;
    return false;
}

StepInputs CurrentInputs(Session* S) {
    const AnalysisOptionsRecord& opt = S->AnalysisOptions;
    StepInputs in{};
    std::memcpy(in.board.data(), S->Board, 81);
    std::memcpy(in.solution.data(), S->SolutionGrid, 81);
    if (!opt.showCandidates) std::memcpy(in.marks.data(), S->MarkGrid, sizeof S->MarkGrid);
    in.options = {opt.setupMode, opt.showCandidates, opt.techniques, opt.wrongValues};
    in.chainSelection = S->A->ChainSelection;
    in.showSolution = S->ShowSolution;
    in.hint = S->Hint.level > 0;
    in.wrongMarks = S->WrongMarks;
    return in;
}

// The analysis for a hint: as the display would run it, switched on, and on the computed
// candidates when no pencil marks are in use.
int RunHintAnalysis(Session* S) {
    const AnalysisOptionsRecord& opt = S->AnalysisOptions;
    if (S->Hint.onCandidates) ComputeCandidates(S);
    return RunAnalysisWith(S->A, true, S->Hint.onCandidates || opt.showCandidates != 0);
}

// "Wrong Pencil Marks": open cells whose marks leave out the solution's digit become
// MARK_WRONG, besides the wrong entries; then no step stands. Returns how many.
int MarkWrongMarks(Session* S) {
    if (!S->WrongMarks || S->AnalysisOptions.showCandidates || S->AnalysisOptions.setupMode)
        return 0;
    // marks there, and the solution's digit not among them?
    auto wrongAt = [S](int x) {
        const int right = S->SolutionGrid[x] & CELL_DIGIT;
        return !S->Board[x] && right && S->MarkGrid[x] && !(S->MarkGrid[x] >> (right - 1) & 1);
    };
    int wrong = 0;
    for (int x = 0; x < 81; x++) wrong += wrongAt(x) ? 1 : 0;
    if (!wrong) return 0;
    for (int x = 0; x < 81; x++)
        if (wrongAt(x) || S->A->StepMarks[x] != MARK_WRONG)
            S->A->StepMarks[x] = wrongAt(x) ? MARK_WRONG : 0;
    S->A->ChainDisplayList.count = 0;
    S->A->PendingStep = STEP_NONE;
    return wrong;
}

// The step is up to date with the game as it is now.
void Settle(Session* S) {
    S->Shown = CurrentInputs(S); // after the run: a chain asked for is used up by it
    S->ShownValid = true;
    S->StepText[0] = 0;
    S->HintText[0] = 0;
    if (S->Hint.level > 0) {
        // "No step found" too, with what would help: the player asked.
        if (S->A->PendingStep == STEP_NONE && !WrongShown(S))
            std::snprintf(S->StepText, sizeof S->StepText, "%s",
                          TechniqueAdvice(S->AnalysisOptions.techniques));
        else
            DescribeStep(S->A, S->A->PendingStep, S->StepText, sizeof S->StepText);
        DescribeHint(S->A, S->A->PendingStep, S->StepText, S->HintText, sizeof S->HintText);
    } else if (S->A->PendingStep != 0 && (S->AnalysisOptions.techniques & TECH_ANALYSIS)) {
        DescribeStep(S->A, S->A->PendingStep, S->StepText, sizeof S->StepText);
    }
}
} // namespace

void RefreshStep(Session* S) {
    if (S->Hint.level > 0 && !(CurrentInputs(S) == S->Hint.inputs))
        S->Hint.level = 0; // the game moved on
    if (S->Notice[0] && !(CurrentInputs(S) == S->NoticeInputs)) S->Notice[0] = 0;
    if (S->ShownValid && CurrentInputs(S) == S->Shown) return;
    // What the paint of the board used to do before drawing: the candidates when shown, then
    // the step for the position (none while the solution is shown).
    if (S->AnalysisOptions.showCandidates) ComputeCandidates(S);
    S->A->ChainDisplayList.count = 0;
    if (!S->ShowSolution) {
        S->A->PendingStep = S->Hint.level > 0 ? RunHintAnalysis(S) : RunAnalysis(S->A);
        MarkWrongMarks(S);
    }
    Settle(S);
}

const char* StepLineText(Session* S) {
    if (S->Notice[0]) return S->Notice; // the answer to what the player just did
    if (S->Hint.level > 0)              // asked for: before how entry works
        return (S->AnalysisOptions.techniques & TECH_ANALYSIS) || S->Hint.level == 3 ? S->StepText
                                                                                     : S->HintText;
    return S->Focus.entryHint ? ENTRY_HINT : S->StepText;
}

void SetNotice(Session* S, const char* text) {
    std::snprintf(S->Notice, sizeof S->Notice, "%s", text);
    S->NoticeInputs = CurrentInputs(S);
    ShellRedraw(S);
}

int NoStepAdvice(Session* S, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    if (S->A->PendingStep != STEP_NONE || S->ShowSolution || S->AnalysisOptions.setupMode) return 0;
    if (!(S->AnalysisOptions.techniques & TECH_ANALYSIS) && S->Hint.level == 0) {
        std::snprintf(out, size, "%s", ADVICE_ANALYSIS_OFF);
        return 1;
    }
    if (CountFilled(S) == 81) return 0; // solved: nothing is left to find
    if (WrongShown(S))
        DescribeStep(S->A, STEP_NONE, out, size); // names the wrong cells
    else if (S->Hint.level == 0 && !S->AnalysisOptions.showCandidates && !MarksInUse(S))
        std::snprintf(out, size, "%s", ADVICE_NO_MARKS); // the analysis reads empty marks
    else
        std::snprintf(out, size, "%s", TechniqueAdvice(S->AnalysisOptions.techniques));
    return 1;
}

int AskHint(Session* S) {
    RefreshStep(S);
    if (S->Hint.level == 0) {
        const bool marks = MarksInUse(S);
        char text[256];
        if (CheckHintPosition(S, marks ? S->MarkGrid : nullptr, text, sizeof text) !=
            VERDICT_UNIQUE) {
            if (text[0] >= 'a' && text[0] <= 'z') text[0] = char(text[0] - 'a' + 'A');
            ShellMessageBox(S, text);
            return 0;
        }
        S->Hint.onCandidates = !S->AnalysisOptions.showCandidates && !marks;
    }
    if (S->Hint.level < 3) S->Hint.level++;
    S->Hint.inputs = CurrentInputs(S);
    RefreshStep(S);
    ShellRedraw(S);
    return S->Hint.level;
}

int HintLevel(Session* S) {
    return S->Hint.level;
}

bool StepMarksShown(const Session* S) {
    return (S->AnalysisOptions.techniques & TECH_ANALYSIS) || S->Hint.level >= 2;
}

void ToggleWrongMarks(Session* S) {
    S->WrongMarks = !S->WrongMarks;
    ShellRedraw(S);
}

bool WrongMarksOn(Session* S) {
    return S->WrongMarks;
}

int ApplyShownStep(Session* S) {
    RefreshStep(S);
    if (S->A->PendingStep == STEP_NONE) return 0;
    const bool candidates =
        S->AnalysisOptions.showCandidates || (S->Hint.level > 0 && S->Hint.onCandidates);
    if (S->A->PendingStep != STEP_SINGLES && candidates) {
        StoreCandidates(S);      // the eliminations must stay: they go into the pencil marks
        if (S->Hint.level > 0) { // the hint goes on, now on the marks
            S->Hint.onCandidates = false;
            S->Hint.inputs = CurrentInputs(S);
        }
        RefreshStep(S); // the same step, now found on the marks
        if (S->A->PendingStep == STEP_NONE) return 0;
    }
    uint8_t board[81];
    DigitMask grid[81];
    std::memcpy(board, S->Board, sizeof board);
    std::memcpy(grid, S->A->AnalysisGrid, sizeof grid);
    // A single's entry that a peer refuses shows its clash as a tap's would.
    const StepRecord& step = S->A->CurrentStep;
    if (S->A->PendingStep == STEP_SINGLES && step.placed >= 0)
        FindClashes(S, step.placed, std::countr_zero(unsigned(step.digits)) + 1, &S->Clash);
    ApplyStep(S->A, S->A->PendingStep,
              false); // a hint's step leaves the display as the player had it
    if (S->Clash.count) {
        S->Clash = ClashRecord{};
        ShellRedraw(S);
    }
    if (std::memcmp(board, S->Board, sizeof board) == 0 &&
        std::memcmp(grid, S->A->AnalysisGrid, sizeof grid) == 0) {
        // Nothing changed (a contradictory single refused as invalid): the same step would
        // come back at every press, so it is dropped until the game changes.
        ClearStepRecord(S->A);
        S->A->PendingStep = STEP_NONE;
        Settle(S);
        ShellRedraw(S);
        return 0;
    }
    RefreshStep(S);
    ShellRedraw(S);
    return 1;
}

void ForgetShownStep(void* context, PositionEvent) {
    static_cast<Session*>(context)->ShownValid = false;
}
