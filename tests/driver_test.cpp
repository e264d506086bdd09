// The analysis driver: the order of its passes, singles, ApplyStep. Step costs are checked
// by the ratings of agreement_test.cpp.
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/state.h"
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

// All singles are marked in one pass (a naked single once per unit). A singles step enters
// only the first single with one digit: a cell that is the only place of two digits is
// skipped, and the entry's count clears the marks of the rest.
TEST_F(Driver, SinglesAreMarkedAllAtOnceAndTheFirstIsEntered) {
    ResetState(RESET_BOARD);
    OpenAllMarks();
    for (int c = 1; c < 9; c++) MarkGrid[c] &= ~0x001;     // 1 only at r1c1 in row 1
    for (int r = 1; r < 9; r++) MarkGrid[9 * r] &= ~0x002; // 2 only at r1c1 in column 1
    for (int r = 0; r < 9; r++)
        if (r != 4) MarkGrid[9 * r + 8] &= ~0x100; // 9 only at r5c9 in column 9
    MarkGrid[80] = 0x001;                          // naked single r9c9
    AnalysisOptions.techniques = 0x3F;
    EXPECT_EQ(FindSingles(), 6);
    EXPECT_EQ(StepMarksText(), "0:0003 44:0100 80:0001");
    ApplyStep(STEP_SINGLES, false);
    EXPECT_EQ(BoardDigits().find_first_not_of('.'), 44u);
    EXPECT_EQ(Board[44], 0x89);
    EXPECT_EQ(MoveEnd, 1);
    EXPECT_EQ(MoveHistory[0], 0x2C89);
    EXPECT_EQ(MarkGrid[0], ALL_DIGITS);
    EXPECT_EQ(MarkGrid[40], ALL_DIGITS & ~0x100); // the marks followed the entry
    EXPECT_EQ(AnalysisOptions.techniques, 0x3Fu);
}

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
    EXPECT_EQ(MarkedCells(), 0);
    AnalysisOptions.techniques = 0x3F;
    AnalysisOptions.setupMode = 1;
    EXPECT_EQ(RunAnalysis(), STEP_NONE);
    EXPECT_EQ(MarkedCells(), 0);
    AnalysisOptions.setupMode = 0;
    AnalysisOptions.wrongValues = 1;
    EXPECT_EQ(RunAnalysis(), STEP_NONE);
    EXPECT_EQ(StepMarksText(), "42:8000");
    AnalysisOptions.wrongValues = 0;
    EXPECT_EQ(RunAnalysis(), STEP_SINGLES);
    EXPECT_EQ(StepMarks[42], 0);
    // With 41 and 42 filled again, the one empty cell is a single once per unit.
    Board[41] = SolutionGrid[41];
    Board[42] = SolutionGrid[42];
    ComputeCandidates();
    EXPECT_EQ(RunAnalysis(), STEP_SINGLES);
    EXPECT_EQ(StepMarksText(), "40:0010"); // 5
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
    EXPECT_EQ(MarkedCells(), 0);

    ChainSelection = firstInvalid;
    AnalysisOptions.techniques = 0x1F;
    EXPECT_EQ(RunAnalysis(), STEP_SINGLES);
    EXPECT_EQ(ChainSelection, firstInvalid);
    EXPECT_EQ(StepMarks[0], 0x001);
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
    EXPECT_EQ(StepMarks[0], MARK_PATTERN | 0x100);
    EXPECT_EQ(StepMarks[3], MARK_TARGET);
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_GRID;
    EXPECT_EQ(RunAnalysis(), STEP_NONE);
}

// Only a mark of exactly the target kind loses digits, and it loses the union of the digits
// of every mark; kinds that are no elimination change nothing.
TEST_F(Driver, EliminationTargetsLoseEveryMarkedDigit) {
    const uint16_t marks[][2] = {{2, MARK_PATTERN | 0x010}, {3, MARK_ALS | 0x001},
                                 {7, MARK_TARGET | 0x100},  {8, MARK_TARGET},
                                 {10, MARK_LINK},           {11, MARK_SHARED | 0x004}};
    for (int kind : {4, 8, 16, 32, 3, 0}) {
        SCOPED_TRACE(kind);
        OpenAllMarks();
        for (const auto& m : marks) StepMarks[m[0]] = m[1];
        ApplyStep(kind, false);
        const DigitMask lost = kind >= 4 ? 0x115 : 0;
        for (const auto& m : marks)
            EXPECT_EQ(MarkGrid[m[0]],
                      (m[1] & MARK_KIND) == MARK_TARGET ? ALL_DIGITS & ~lost : ALL_DIGITS)
                << m[0];
    }
}

TEST_F(Driver, TechniqueBitsThatComeAndGo) {
    LoadGivens(SOLVED); // full grid: nothing to find anywhere
    LoadMarks(MARKS_FROM_CANDIDATES);
    AnalysisOptions.techniques = 0xFFFF;
    EXPECT_EQ(RunAnalysis(), STEP_NONE);
    EXPECT_EQ(AnalysisOptions.techniques, 0xFEFFu);
    AnalysisOptions.techniques = 0xFFEF; // no chains: the run ends before the second pass
    EXPECT_EQ(RunAnalysis(), STEP_NONE);
    EXPECT_EQ(AnalysisOptions.techniques, 0xFFEFu);
    AnalysisOptions.techniques = 0x30100; // ApplyStep drops bits above 15, sets the analysis bit
    ApplyStep(STEP_NONE, false);
    EXPECT_EQ(AnalysisOptions.techniques, 0x101u);
}

} // namespace
