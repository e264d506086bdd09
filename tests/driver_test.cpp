// The analysis driver and its working state: what stops a search, the chain selection, the
// order of the passes, where eliminations live, the chain display list and the step record
// following the position. Singles and their clashes are checked in steptext_test.cpp, the
// step costs by the ratings of agreement_test.cpp, every elimination by the golden traces.
#include "analysis/analysis.h"
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include "control/session.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <algorithm>
#include <cstring>

namespace {
const char* SOLVED =
    "534678912672195348198342567859761423426853791713924856961537284287419635345286179";

class Driver : public CoreTest {};

// Setup mode, the analysis switched off, or a wrong digit with the check on: nothing is found,
// and only the wrong digit is marked.
TEST_F(Driver, WhatStopsTheSearch) {
    LoadGivens(SOLVED);
    std::memcpy(S->SolutionGrid, S->Board, 81);
    S->Board[40] = S->Board[41] = 0;
    S->Board[42] = 0x80 | 0x03; // the solution has 7 here
    S->AnalysisOptions.showCandidates = 1;
    ComputeCandidates(S);
    S->AnalysisOptions.techniques = DEFAULT_TECHNIQUES; // analysis bit clear
    EXPECT_EQ(RunAnalysis(S->A), STEP_NONE);
    S->AnalysisOptions.techniques = 0x3F;
    S->AnalysisOptions.setupMode = 1;
    EXPECT_EQ(RunAnalysis(S->A), STEP_NONE);
    EXPECT_EQ(MarkedCells(), 0);
    S->AnalysisOptions.setupMode = 0;
    S->AnalysisOptions.wrongValues = 1;
    EXPECT_EQ(RunAnalysis(S->A), STEP_NONE);
    EXPECT_EQ(StepMarksText(), "42:8000");
    S->AnalysisOptions.wrongValues = 0;
    S->Board[41] = S->SolutionGrid[41];
    S->Board[42] = S->SolutionGrid[42];
    ComputeCandidates(S); // the one empty cell is a single once per unit
    EXPECT_EQ(RunAnalysis(S->A), STEP_SINGLES);
    EXPECT_EQ(StepMarksText(), "40:0010");
    EXPECT_EQ(FindSingles(S->A), 3);
}

// Show-all skips the simple searches and is put back once chains could be shown; without
// chains it persists; a selection that is no chain index is kept while the search runs.
TEST_F(Driver, ChainSelection) {
    OpenAllMarks();
    S->MarkGrid[0] = 0x001;  // a single that would otherwise be the step
    S->MarkGrid[20] = 0x012; // and a few strong links for chains
    S->MarkGrid[60] = 0x018;
    S->AnalysisOptions.techniques = 0x1F;
    S->A->ChainSelection = CHAIN_SHOW_ALL;
    EXPECT_EQ(RunAnalysis(S->A), STEP_NONE);
    EXPECT_EQ(S->A->ChainSelection, -1);
    EXPECT_EQ(MarkedCells(), 0);
    ASSERT_GT(S->A->ChainCount, 1);
    ASSERT_EQ(S->A->ChainDisplayList.count, std::min(S->A->ChainCount, CHAIN_DISPLAY_MAX));
    for (int i = 0; i < S->A->ChainDisplayList.count; i++)
        EXPECT_EQ(S->A->ChainDisplayList.entries[i], i);
    const int firstInvalid = S->A->ChainCount;
    S->A->ChainSelection = CHAIN_SHOW_ALL;
    S->AnalysisOptions.techniques = 0x0F; // chains off
    EXPECT_EQ(RunAnalysis(S->A), STEP_NONE);
    EXPECT_EQ(S->A->ChainSelection, CHAIN_SHOW_ALL);
    S->A->ChainSelection = firstInvalid;
    S->AnalysisOptions.techniques = 0x1F;
    EXPECT_EQ(RunAnalysis(S->A), STEP_SINGLES);
    EXPECT_EQ(S->A->ChainSelection, firstInvalid);
}

TEST_F(Driver, SubsetsComeBeforeLockedCandidates) {
    OpenAllMarks();
    // Hidden pair 1,2 in r1c1, r1c5 (row 1, two boxes) ...
    for (int c = 1; c < 9; c++)
        if (c != 4) S->MarkGrid[c] &= ~0x003;
    // ... and 9 of box 1 only in its top row, pointing along row 1.
    for (int i : {9, 10, 11, 18, 19, 20}) S->MarkGrid[i] &= ~0x100;
    S->AnalysisOptions.techniques = TECH_ANALYSIS | TECH_SUBSETS | TECH_LOCKED;
    EXPECT_EQ(RunAnalysis(S->A), STEP_SUBSETS);
    EXPECT_EQ(StepMarksText(), "0:4003 4:4003");
    S->AnalysisOptions.techniques = TECH_ANALYSIS | TECH_LOCKED;
    EXPECT_EQ(RunAnalysis(S->A), STEP_LOCKED);
    EXPECT_EQ(S->A->StepMarks[3], MARK_TARGET);
    S->AnalysisOptions.techniques = TECH_ANALYSIS | TECH_GRID;
    EXPECT_EQ(RunAnalysis(S->A), STEP_NONE);
}

// An elimination on the computed candidates is gone at their next computation; in the
// pencil marks it stays. Any change of position drops the step shown.
TEST_F(Driver, EliminationsLastInTheMarksOnlyAndTheStepFollowsThePosition) {
    LoadGivens(BUILTIN_PUZZLE);
    ComputeCandidates(S);
    const DigitMask before = S->CandidateGrid[0];
    ASSERT_NE(before & 0x010, 0); // 5 is a candidate of r1c1
    for (int show : {1, 0}) {
        SCOPED_TRACE(show);
        S->AnalysisOptions.showCandidates = show;
        if (!show) LoadMarksFromCandidates(S);
        RunAnalysis(S->A); // chooses the grid
        ClearCurrentStep(S->A);
        S->A->CurrentStep.technique = TQ_POINTING;
        S->A->CurrentStep.targets[S->A->CurrentStep.targetCount++] = {0, 0x010};
        ApplyStep(S->A, STEP_LOCKED, false);
        EXPECT_EQ(S->A->AnalysisGrid[0], before & ~0x010);
        ComputeCandidates(S);
        EXPECT_EQ((show ? S->CandidateGrid : S->MarkGrid)[0], show ? before : before & ~0x010);
    }
    AppendChainToDisplay(S->A, 3);
    EnterDigit(S, 0, 5);
    EXPECT_EQ(MarkedCells(), 0);
    EXPECT_EQ(S->A->ChainDisplayList.count, 0);
}

} // namespace
