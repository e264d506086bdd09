// The step shown: a copy of what the analysis read at its last run, compared before each
// refresh, so the analysis runs once per change however often the board is drawn, and a
// chain asked for stays shown until the game changes. The text of the step is written with it.
// Also the hint, which runs the analysis while its display is off and shows the step by
// levels, and the check of the pencil marks against the solution.
#include "control/stepview.h"
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/hint.h"
#include "analysis/player.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "control/focus.h"
#include "control/hintcheck.h"
#include "control/session.h"
#include "control/taps.h"
#include "exactcover/bitboard.h"
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
constexpr const char* ADVICE_MARKS_MISSING =
    "Some open cells have no pencil marks: fill them in, show the candidates (Ctrl+K) or ask "
    "for a hint (?)";
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
    in.order = S->Order;
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

// Some open cell has no pencil marks: the player's order then looks for no step.
bool MarksMissing(const Session* S) {
    for (int x = 0; x < 81; x++)
        if (!(S->Board[x] & CELL_DIGIT) && !(S->MarkGrid[x] & ALL_DIGITS)) return true;
    return false;
}

// The technique labels that gate families of the player's table; the singles always run.
constexpr uint32_t LABEL_FAMILIES = TECH_SUBSETS | TECH_LOCKED | TECH_GRID | TECH_CHAINS | TECH_ALS;

// The marks of the player's step: pattern cells with their pattern digits, the almost locked
// sets (first, second and further sets alternating MARK_ALS and MARK_LINK, a cell of two
// MARK_SHARED), and unless only the pattern is asked for, the targets with the digits they
// lose and a placement's cell as a single shows it.
void MarkPlayerStep(const PlayerStep& P, bool patternOnly, uint16_t* marks) {
    for (int i = 0; i < P.patternCount && i < 81; i++)
        marks[P.pattern[i]] = uint16_t(MARK_PATTERN | P.patternDigits[i]);
    for (int k = 0; k < P.setCount && k < PLAYER_SETS_MAX; k++)
        for (int j = 0; j < P.setSize[k] && j < 9; j++) {
            uint16_t& mark = marks[P.setCells[k][j]];
            uint16_t kind = k % 2 ? MARK_LINK : MARK_ALS;
            const uint16_t held = mark & MARK_KIND;
            // already in a set of the other kind?
            if ((held == MARK_ALS || held == MARK_LINK || held == MARK_SHARED) && held != kind)
                kind = MARK_SHARED;
            mark = uint16_t(kind | P.setDigits[k]);
        }
    if (patternOnly) return;
    for (int x = 0; x < 81; x++)
        if (P.remove[x]) marks[x] = uint16_t(MARK_TARGET | P.remove[x]);
    if (P.placed >= 0 && P.placed < 81 && P.placedDigit >= 1 && P.placedDigit <= 9)
        marks[P.placed] = uint16_t(1u << (P.placedDigit - 1));
}

// The player's order in place of RunAnalysis: the first step of the table whose family the
// labels switch on, on the grid the classic analysis would read (the marks, or the computed
// candidates when they are shown or a hint runs on them), with the uniqueness techniques only
// for a position with one solution. A chain asked for (a label "Z" or a key) shows nothing
// beyond the step's own chain: the selection is used up as it is by the classic order. Writes
// the step's marks into StepMarks; returns the StepKind of the step's family.
int RunPlayerAnalysis(Session* S) {
    const AnalysisOptionsRecord& opt = S->AnalysisOptions;
    const bool hint = S->Hint.level > 0;
    if (hint && S->Hint.onCandidates) ComputeCandidates(S);
    const bool onCandidates = opt.showCandidates || (hint && S->Hint.onCandidates);
    S->A->AnalysisGrid = onCandidates ? S->CandidateGrid : S->MarkGrid;
    S->A->ChainSelection = -1;
    ClearStepRecord(S->A);
    S->Player.technique = TQ_NONE;
    if (opt.setupMode) return STEP_NONE;
    if (opt.wrongValues && MarkWrongValues(S->A)) return STEP_NONE;
    if (!hint && !(opt.techniques & TECH_ANALYSIS)) return STEP_NONE;

    PlayerGrid grid;
    uint8_t plain[81], solution[81];
    for (int x = 0; x < 81; x++) {
        plain[x] = S->Board[x] & CELL_DIGIT;
        grid.board[x] = plain[x];
        grid.cand[x] = plain[x] ? 0 : S->A->AnalysisGrid[x] & ALL_DIGITS;
        // an open cell with no marks: nothing the finders could read soundly
        if (!plain[x] && !grid.cand[x]) return STEP_NONE;
    }
    grid.unique = SolveUnique(plain, solution) == 1;
    // The labels choose what the display shows unasked; a hint asked for answers from the whole
    // table, whose order already puts the simplest technique first.
    const uint32_t allowed =
        TECH_ANALYSIS | (hint ? LABEL_FAMILIES : opt.techniques & LABEL_FAMILIES);
    if (!PlayerFindAllowed(&grid, ORDER_PLAYER, PLAYER_EXTREME, allowed, &S->Player)) {
        S->Player.technique = TQ_NONE;
        return STEP_NONE;
    }
    MarkPlayerStep(S->Player, false, S->A->StepMarks);
    return int(TECHNIQUE_TABLE[S->Player.technique].family); // TECH_ANALYSIS is STEP_SINGLES
}

// What the board draws, from the step of the order shown: its marks, and its chains node by
// node in drawing order. In the player's order a hint of level 2 with the analysis display off
// draws the pattern alone.
void FillDrawing(Session* S) {
    StepDrawing& D = S->Drawing;
    Analysis* A = S->A;
    std::memcpy(D.marks, A->StepMarks, sizeof D.marks);
    D.nodeCount = 0;
    if (S->Order == VIEW_ORDER_PLAYER) {
        D.squares = DRAW_SQUARES_OFF_NODES;
        const PlayerStep& P = S->Player;
        if (A->PendingStep == STEP_NONE || P.technique == TQ_NONE || S->ShowSolution) return;
        if (S->Hint.level == 2 && !(S->AnalysisOptions.techniques & TECH_ANALYSIS)) {
            std::memset(D.marks, 0, sizeof D.marks);
            MarkPlayerStep(P, true, D.marks);
            return;
        }
        // Links alternate strong and weak from a strong one: the nodes of even index are off
        // (circles) when those of odd index are on (squares).
        for (int i = 0; i < P.nodeCount && i < PLAYER_CHAIN_MAX; i++)
            for (int j = 0; j < P.nodes[i].count && j < 3; j++)
                if (P.nodes[i].cells[j] < 81 && P.nodes[i].digit < 9 &&
                    D.nodeCount < DRAWN_NODES_MAX)
                    D.nodes[D.nodeCount++] = {P.nodes[i].cells[j], P.nodes[i].digit,
                                              uint8_t(i % 2 ? 0 : 1), 0};
        return;
    }
    D.squares = A->PendingStep != TECH_CHAINS ? DRAW_SQUARES_ALL : DRAW_SQUARES_NONE;
    for (int k = 0; k < A->ChainDisplayList.count && k < CHAIN_DISPLAY_MAX; k++) {
        const int n = A->ChainDisplayList.entries[k];
        if (n < 0 || n >= A->ChainCount) continue;
        for (int i = A->ChainTable[n].first; i < A->ChainTable[n + 1].first && i < CHAIN_NODES_MAX;
             i++) {
            const ChainNode& node = A->ChainNodeTable[i];
            const int d = std::countr_zero(node.digits), cell = node.cell;
            if (d < 0 || d > 8 || cell < 0 || cell > 80 || D.nodeCount >= DRAWN_NODES_MAX) continue;
            D.nodes[D.nodeCount++] = {uint8_t(cell), uint8_t(d), uint8_t(node.colour == 1),
                                      uint8_t(k)};
        }
    }
}
static_assert(DRAWN_NODES_MAX >= CHAIN_DISPLAY_MAX * CHAIN_NODES_MAX,
              "every node of a full chain display list");

// The step line and the hint's words in the player's order.
void DescribePlayerShown(Session* S) {
    const bool found = S->A->PendingStep != STEP_NONE && S->Player.technique != TQ_NONE;
    if (S->Hint.level > 0) {
        if (found)
            DescribePlayerStep(S->Player, S->StepText, sizeof S->StepText);
        else if (WrongShown(S))
            DescribeStep(S->A, STEP_NONE, S->StepText, sizeof S->StepText); // the wrong cells
        else
            std::snprintf(S->StepText, sizeof S->StepText, "%s",
                          TechniqueAdvice(S->AnalysisOptions.techniques));
        if (found)
            DescribePlayerHint(S->Player, S->Hint.level < 2 ? 1 : 2, S->HintText,
                               sizeof S->HintText);
        else
            std::snprintf(S->HintText, sizeof S->HintText, "%s", S->StepText);
    } else if (found && (S->AnalysisOptions.techniques & TECH_ANALYSIS)) {
        DescribePlayerStep(S->Player, S->StepText, sizeof S->StepText);
    }
}

// The step line leads with what the step does, "r7c6 loses 7: ...", so that a long chain's
// conclusion is never the part scrolled out of sight; the rest of its words follow.
void PutConclusionFirst(Session* S) {
    if (!S->StepText[0] || S->A->PendingStep == STEP_NONE || WrongShown(S)) return;
    char conclusion[STEP_TEXT_SIZE], line[STEP_TEXT_SIZE];
    if (S->Order == VIEW_ORDER_PLAYER) {
        if (S->Player.technique == TQ_NONE) return;
        DescribePlayerConclusion(S->Player, conclusion, sizeof conclusion);
    } else {
        DescribeConclusion(S->A->CurrentStep, conclusion, sizeof conclusion);
    }
    ConclusionFirst(S->StepText, conclusion, line, sizeof line);
    std::memcpy(S->StepText, line, sizeof line);
}

// The step is up to date with the game as it is now.
void Settle(Session* S) {
    S->Shown = CurrentInputs(S); // after the run: a chain asked for is used up by it
    S->ShownValid = true;
    S->StepText[0] = 0;
    S->HintText[0] = 0;
    FillDrawing(S);
    if (S->Order == VIEW_ORDER_PLAYER) {
        DescribePlayerShown(S);
    } else if (S->Hint.level > 0) {
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
    PutConclusionFirst(S); // after the classic hint, which reads the step's own words
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
        S->A->PendingStep = S->Order == VIEW_ORDER_PLAYER ? RunPlayerAnalysis(S)
                            : S->Hint.level > 0           ? RunHintAnalysis(S)
                                                          : RunAnalysis(S->A);
        if (MarkWrongMarks(S)) S->Player.technique = TQ_NONE;
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
    else if (S->Order == VIEW_ORDER_PLAYER && S->Hint.level == 0 &&
             !S->AnalysisOptions.showCandidates && MarksMissing(S))
        std::snprintf(out, size, "%s", ADVICE_MARKS_MISSING); // the player's order reads none
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
    // The player's hint draws and words each level its own way: the step found stays, what is
    // shown of it is made again.
    if (S->Order == VIEW_ORDER_PLAYER) Settle(S);
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

// The step shown places a digit: the classic singles, or a player's step with a placement.
static bool PlacesDigit(Session* S) {
    if (S->Order == VIEW_ORDER_PLAYER)
        return S->Player.technique != TQ_NONE && S->Player.placed >= 0;
    return S->A->PendingStep == STEP_SINGLES;
}

// Carries the step shown out: the classic ApplyStep, or the player's placement entered as a
// single's entry is, or its removals taken out of the grid analysed.
static void CarryOutStep(Session* S) {
    if (S->Order != VIEW_ORDER_PLAYER) {
        ApplyStep(S->A, S->A->PendingStep, false); // a hint's step leaves the display as it was
        return;
    }
    const PlayerStep& P = S->Player;
    if (P.placed >= 0) {
        EnterDigit(S, P.placed, P.placedDigit);
        return;
    }
    for (int x = 0; x < 81; x++) S->A->AnalysisGrid[x] &= DigitMask(~P.remove[x]);
}

int ApplyShownStep(Session* S) {
    RefreshStep(S);
    if (S->A->PendingStep == STEP_NONE) return 0;
    const bool candidates =
        S->AnalysisOptions.showCandidates || (S->Hint.level > 0 && S->Hint.onCandidates);
    if (!PlacesDigit(S) && candidates) {
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
    if (S->Order == VIEW_ORDER_PLAYER && S->Player.placed >= 0)
        FindClashes(S, S->Player.placed, S->Player.placedDigit, &S->Clash);
    else if (S->Order != VIEW_ORDER_PLAYER && PlacesDigit(S) && step.placed >= 0)
        FindClashes(S, step.placed, std::countr_zero(unsigned(step.digits)) + 1, &S->Clash);
    CarryOutStep(S);
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
        S->Player.technique = TQ_NONE;
        Settle(S);
        ShellRedraw(S);
        return 0;
    }
    RefreshStep(S);
    ShellRedraw(S);
    return 1;
}

void ChooseStepOrder(Session* S, int order) {
    if (order != VIEW_ORDER_CLASSIC && order != VIEW_ORDER_PLAYER) return;
    S->Order = order;
    RefreshStep(S);
    ShellRedraw(S);
}

void ForgetShownStep(void* context, PositionEvent event) {
    Session* S = static_cast<Session*>(context);
    S->ShownValid = false;
    if (event == PositionEvent::Changed) {
        std::memset(S->Drawing.marks, 0, sizeof S->Drawing.marks);
        S->Drawing.nodeCount = 0;
    }
    // A refused entry leaves no classic step pending, so its digits are squared again.
    if (event == PositionEvent::Refused && S->Order == VIEW_ORDER_CLASSIC)
        S->Drawing.squares = DRAW_SQUARES_ALL;
}
