// The analysis driver and its working state: what stops a search, the chain selection, the
// order of the passes, where eliminations live, the chain display list and the step record
// following the position. Singles and their clashes are checked in steptext_test.cpp, the
// step costs by the ratings of agreement_test.cpp, every elimination by the golden traces.
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "analysis/step.h"
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
    std::memcpy(SolutionGrid, Board, 81);
    Board[40] = Board[41] = 0;
    Board[42] = 0x80 | 0x03; // the solution has 7 here
    AnalysisOptions.showCandidates = 1;
    ComputeCandidates();
    AnalysisOptions.techniques = DEFAULT_TECHNIQUES; // analysis bit clear
    EXPECT_EQ(RunAnalysis(), STEP_NONE);
    AnalysisOptions.techniques = 0x3F;
    AnalysisOptions.setupMode = 1;
    EXPECT_EQ(RunAnalysis(), STEP_NONE);
    EXPECT_EQ(MarkedCells(), 0);
    AnalysisOptions.setupMode = 0;
    AnalysisOptions.wrongValues = 1;
    EXPECT_EQ(RunAnalysis(), STEP_NONE);
    EXPECT_EQ(StepMarksText(), "42:8000");
    AnalysisOptions.wrongValues = 0;
    Board[41] = SolutionGrid[41];
    Board[42] = SolutionGrid[42];
    ComputeCandidates(); // the one empty cell is a single once per unit
    EXPECT_EQ(RunAnalysis(), STEP_SINGLES);
    EXPECT_EQ(StepMarksText(), "40:0010");
    EXPECT_EQ(FindSingles(), 3);
}

// Show-all skips the simple searches and is put back once chains could be shown; without
// chains it persists; a selection that is no chain index is kept while the search runs.
TEST_F(Driver, ChainSelection) {
    OpenAllMarks();
    MarkGrid[0] = 0x001;  // a single that would otherwise be the step
    MarkGrid[20] = 0x012; // and a few strong links for chains
    MarkGrid[60] = 0x018;
    AnalysisOptions.techniques = 0x1F;
    ChainSelection = CHAIN_SHOW_ALL;
    EXPECT_EQ(RunAnalysis(), STEP_NONE);
    EXPECT_EQ(ChainSelection, -1);
    EXPECT_EQ(MarkedCells(), 0);
    ASSERT_GT(ChainCount, 1);
    ASSERT_EQ(ChainDisplayList.count, std::min(ChainCount, CHAIN_DISPLAY_MAX));
    for (int i = 0; i < ChainDisplayList.count; i++) EXPECT_EQ(ChainDisplayList.entries[i], i);
    const int firstInvalid = ChainCount;
    ChainSelection = CHAIN_SHOW_ALL;
    AnalysisOptions.techniques = 0x0F; // chains off
    EXPECT_EQ(RunAnalysis(), STEP_NONE);
    EXPECT_EQ(ChainSelection, CHAIN_SHOW_ALL);
    ChainSelection = firstInvalid;
    AnalysisOptions.techniques = 0x1F;
    EXPECT_EQ(RunAnalysis(), STEP_SINGLES);
    EXPECT_EQ(ChainSelection, firstInvalid);
}

TEST_F(Driver, SubsetsComeBeforeLockedCandidates) {
    OpenAllMarks();
    // Hidden pair 1,2 in r1c1, r1c5 (row 1, two boxes) ...
    for (int c = 1; c < 9; c++)
        if (c != 4) MarkGrid[c] &= ~0x003;
    // ... and 9 of box 1 only in its top row, pointing along row 1.
    for (int i : {9, 10, 11, 18, 19, 20}) MarkGrid[i] &= ~0x100;
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_SUBSETS | TECH_LOCKED;
    EXPECT_EQ(RunAnalysis(), STEP_SUBSETS);
    EXPECT_EQ(StepMarksText(), "0:4003 4:4003");
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_LOCKED;
    EXPECT_EQ(RunAnalysis(), STEP_LOCKED);
    EXPECT_EQ(StepMarks[3], MARK_TARGET);
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_GRID;
    EXPECT_EQ(RunAnalysis(), STEP_NONE);
}

// An elimination on the computed candidates is gone at their next computation; in the
// pencil marks it stays. Any change of position drops the step shown.
TEST_F(Driver, EliminationsLastInTheMarksOnlyAndTheStepFollowsThePosition) {
    LoadGivens(BUILTIN_PUZZLE);
    ComputeCandidates();
    const DigitMask before = CandidateGrid[0];
    ASSERT_NE(before & 0x010, 0); // 5 is a candidate of r1c1
    for (int show : {1, 0}) {
        SCOPED_TRACE(show);
        AnalysisOptions.showCandidates = show;
        if (!show) LoadMarksFromCandidates();
        RunAnalysis(); // chooses the grid
        ClearCurrentStep();
        CurrentStep.technique = TECHNIQUE_POINTING;
        CurrentStep.targets[CurrentStep.targetCount++] = {0, 0x010};
        ApplyStep(STEP_LOCKED, false);
        EXPECT_EQ(AnalysisGrid[0], before & ~0x010);
        ComputeCandidates();
        EXPECT_EQ((show ? CandidateGrid : MarkGrid)[0], show ? before : before & ~0x010);
    }
    AppendChainToDisplay(3);
    EnterDigit(0, 5);
    EXPECT_EQ(MarkedCells(), 0);
    EXPECT_EQ(ChainDisplayList.count, 0);
}

} // namespace
