// The analysis driver: the order of its passes, singles, ApplyStep and its costs.
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstring>

namespace {

const char* SOLVED =
    "534678912672195348198342567859761423426853791713924856961537284287419635345286179";

class Driver : public CoreTest {
  protected:
    // The analysed grid is the MarkGrid, every cell open with every digit.
    void OpenGrid() {
        AnalysisOptions.showCandidates = 0;
        for (DigitMask& m : MarkGrid) m = ALL_DIGITS;
    }
    int MarkedCells() {
        int n = 0;
        for (uint16_t m : StepMarks) n += m != 0;
        return n;
    }
};

TEST_F(Driver, OneEmptyCellIsCountedOncePerUnit) {
    LoadGivens(SOLVED);
    Board[40] = 0;
    AnalysisOptions.showCandidates = 1;
    AnalysisOptions.techniques |= TECH_ANALYSIS;
    ComputeCandidates();
    EXPECT_EQ(RunAnalysis(), 1);
    EXPECT_EQ(StepMarks[40], 0x010); // 5
    EXPECT_EQ(MarkedCells(), 1);
    EXPECT_EQ(FindSingles(), 3);
}

TEST_F(Driver, HiddenSinglesAreMarkedAllAtOnce) {
    OpenGrid();
    for (int c = 0; c < 9; c++) MarkGrid[c] &= ~0x004;         // 3 out of row 1 ...
    MarkGrid[5] |= 0x004;                                      // ... but r1c6
    for (int r = 0; r < 9; r++) MarkGrid[9 * r + 8] &= ~0x100; // 9 out of column 9 ...
    MarkGrid[80] |= 0x100;                                     // ... but r9c9
    EXPECT_EQ(FindSingles(), 2); // their boxes still have other places
    EXPECT_EQ(StepMarks[5], 0x004);
    EXPECT_EQ(StepMarks[80], 0x100);
    EXPECT_EQ(MarkedCells(), 2);
}

TEST_F(Driver, ACellCanCollectTwoDigits) {
    OpenGrid();
    for (int c = 1; c < 9; c++) MarkGrid[c] &= ~0x001;     // 1 only at r1c1 in row 1
    for (int r = 1; r < 9; r++) MarkGrid[9 * r] &= ~0x002; // 2 only at r1c1 in column 1
    FindSingles();
    EXPECT_EQ(StepMarks[0], 0x003);
    ApplyStep(1, false); // two digits: nothing placed, nothing changed
    EXPECT_EQ(Board[0], 0);
    EXPECT_EQ(MarkGrid[0], ALL_DIGITS);
    EXPECT_EQ(MoveEnd, 0);
}

TEST_F(Driver, NothingWithoutAnalysisOrInSetupMode) {
    OpenGrid();
    MarkGrid[0] = 0x001;
    AnalysisOptions.techniques = DEFAULT_TECHNIQUES; // analysis bit clear
    EXPECT_EQ(RunAnalysis(), 0);
    EXPECT_EQ(MarkedCells(), 0);
    AnalysisOptions.techniques |= TECH_ANALYSIS;
    AnalysisOptions.setupMode = 1;
    EXPECT_EQ(RunAnalysis(), 0);
    EXPECT_EQ(MarkedCells(), 0);
    AnalysisOptions.setupMode = 0;
    EXPECT_EQ(RunAnalysis(), 1);
}

TEST_F(Driver, WrongValueIsMarkedAndStopsTheSearch) {
    LoadGivens(SOLVED);
    std::memcpy(SolutionGrid, Board, 81);
    Board[40] = 0;
    Board[41] = 0;
    Board[42] = 0x80 | 0x03; // the solution has 7 here (the 3 also repeats: no matter here)
    AnalysisOptions.showCandidates = 1;
    AnalysisOptions.techniques = 0x3F;
    ComputeCandidates();
    AnalysisOptions.wrongValues = 1;
    EXPECT_EQ(RunAnalysis(), 0);
    EXPECT_EQ(StepMarks[42], MARK_WRONG);
    EXPECT_EQ(MarkedCells(), 1);
    AnalysisOptions.wrongValues = 0;
    EXPECT_EQ(RunAnalysis(), 1);
    EXPECT_EQ(StepMarks[42], 0);
}

TEST_F(Driver, ShowAllChainsSkipsTheSimpleSearches) {
    OpenGrid();
    MarkGrid[0] = 0x001;  // a single that would otherwise be the step
    MarkGrid[20] = 0x012; // and a few strong links for chains
    MarkGrid[60] = 0x018;
    AnalysisOptions.techniques = 0x1F;
    ChainSelection = CHAIN_SHOW_ALL;
    EXPECT_EQ(RunAnalysis(), 0);
    EXPECT_EQ(ChainSelection, -1);
    EXPECT_EQ(MarkedCells(), 0);
    ASSERT_EQ(ChainDisplayList.count,
              ChainCount < CHAIN_DISPLAY_MAX ? ChainCount : CHAIN_DISPLAY_MAX);
    for (int i = 0; i < ChainDisplayList.count; i++) EXPECT_EQ(ChainDisplayList.entries[i], i);
}

TEST_F(Driver, ShowAllPersistsWithoutChains) {
    OpenGrid();
    MarkGrid[0] = 0x001;
    AnalysisOptions.techniques = 0x0F; // chains off
    ChainSelection = CHAIN_SHOW_ALL;
    EXPECT_EQ(RunAnalysis(), 0); // singles skipped, only the almost-locked-sets pass could run
    EXPECT_EQ(ChainSelection, CHAIN_SHOW_ALL);
    EXPECT_EQ(MarkedCells(), 0);
}

TEST_F(Driver, AnUnknownChainSelectionIsKeptAndTheSearchRuns) {
    OpenGrid();
    MarkGrid[0] = 0x001;
    AnalysisOptions.techniques = 0x1F;
    ChainSelection = 3;
    EXPECT_EQ(RunAnalysis(), 1);
    EXPECT_EQ(ChainSelection, 3);
    EXPECT_EQ(StepMarks[0], 0x001);
}

TEST_F(Driver, SubsetsComeBeforeLockedCandidates) {
    OpenGrid();
    // Hidden pair 1,2 in r1c1, r1c5 (row 1, two boxes) ...
    for (int c = 1; c < 9; c++)
        if (c != 4) MarkGrid[c] &= ~0x003;
    // ... and 9 of box 1 only in its top row, pointing along row 1.
    for (int i : {9, 10, 11, 18, 19, 20}) MarkGrid[i] &= ~0x100;
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_SUBSETS | TECH_LOCKED;
    EXPECT_EQ(RunAnalysis(), 2);
    EXPECT_EQ(StepMarks[0], MARK_PATTERN | 0x003);
    EXPECT_EQ(StepMarks[4], MARK_PATTERN | 0x003);
    EXPECT_EQ(StepMarks[1], 0);
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_LOCKED;
    EXPECT_EQ(RunAnalysis(), 4);
    EXPECT_EQ(StepMarks[0], MARK_PATTERN | 0x100);
    EXPECT_EQ(StepMarks[3], MARK_TARGET);
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_GRID;
    EXPECT_EQ(RunAnalysis(), 0);
}

TEST_F(Driver, ASinglesStepEntersTheFirstSingleOnly) {
    LoadGivens(SOLVED);
    Board[40] = 0;
    Board[0] = 0;
    LoadMarks(1);
    AnalysisOptions.techniques = 0x3F;
    ASSERT_EQ(RunAnalysis(), 1);
    EXPECT_EQ(StepMarks[0], 0x010);
    EXPECT_EQ(StepMarks[40], 0x010);
    ApplyStep(1, false);
    EXPECT_EQ(Board[0], 0x85);
    EXPECT_EQ(Board[40], 0);
    EXPECT_EQ(MoveEnd, 1);
    EXPECT_EQ(MoveHistory[0], 0x0085);
    EXPECT_EQ(MarkGrid[40], 0x010); // the marks followed the entry
    EXPECT_EQ(AnalysisOptions.techniques, 0x3Fu);
}

TEST_F(Driver, ASubsetStepLeavesEachPatternCellItsMark) {
    OpenGrid();
    StepMarks[3] = MARK_PATTERN | 0x006;
    StepMarks[4] = MARK_PATTERN | 0x082;
    MarkGrid[5] = 0x00F;
    ApplyStep(2, false);
    EXPECT_EQ(MarkGrid[3], 0x006);
    EXPECT_EQ(MarkGrid[4], 0x082);
    EXPECT_EQ(MarkGrid[5], 0x00F);
    EXPECT_EQ(MoveEnd, 0);
}

TEST_F(Driver, AnEliminationRemovesTheUnionOfAllMarkedDigits) {
    OpenGrid();
    StepMarks[2] = MARK_PATTERN | 0x010;
    StepMarks[3] = MARK_ALS | 0x001;
    StepMarks[7] = MARK_TARGET | 0x100;
    StepMarks[8] = MARK_TARGET;
    for (int kind : {4, 8, 16, 32}) {
        OpenGrid();
        ApplyStep(kind, false);
        EXPECT_EQ(MarkGrid[7], ALL_DIGITS & ~0x111) << kind;
        EXPECT_EQ(MarkGrid[8], ALL_DIGITS & ~0x111) << kind;
        EXPECT_EQ(MarkGrid[2], ALL_DIGITS);
        EXPECT_EQ(MarkGrid[3], ALL_DIGITS);
    }
    OpenGrid();
    ApplyStep(3, false); // not a kind: nothing changes
    ApplyStep(0, false);
    EXPECT_EQ(MarkGrid[7], ALL_DIGITS);
}

TEST_F(Driver, StepCostsAndTheTechniqueBits) {
    OpenGrid();
    const int costs[][2] = {{1, 0}, {2, 1}, {4, 3}, {8, 7}, {16, 15}, {32, 31}};
    for (const auto& c : costs) {
        RatingScore = 1;
        ApplyStep(c[0], true);
        EXPECT_EQ(RatingScore, 1 + c[1]) << c[0];
        ApplyStep(c[0], false);
        EXPECT_EQ(RatingScore, 1 + c[1]);
    }
    AnalysisOptions.techniques = 0x30100; // bits above 15 are dropped, analysis comes on
    ApplyStep(0, false);
    EXPECT_EQ(AnalysisOptions.techniques, 0x101u);
}

TEST_F(Driver, TheAlsChainBitIsClearedOnlyByTheSecondPass) {
    LoadGivens(SOLVED); // full grid: nothing to find anywhere
    LoadMarks(1);
    AnalysisOptions.techniques = 0xFFFF;
    EXPECT_EQ(RunAnalysis(), 0);
    EXPECT_EQ(AnalysisOptions.techniques, 0xFEFFu);
    AnalysisOptions.techniques = 0xFFEF; // no chains: the run ends before the second pass
    EXPECT_EQ(RunAnalysis(), 0);
    EXPECT_EQ(AnalysisOptions.techniques, 0xFFEFu);
}

TEST_F(Driver, AnInvalidEntryIsTakenBackAndDropsThePendingStep) {
    LoadGivens(SOLVED);
    Board[0] = 0;
    MarkGrid[0] = 0x001; // contradicts the 1 already in row 1
    AnalysisOptions.techniques = TECH_ANALYSIS;
    PendingStep = RunAnalysis();
    ASSERT_EQ(PendingStep, 1);
    ApplyStep(PendingStep, false);
    EXPECT_EQ(Board[0], 0);
    EXPECT_EQ(PendingStep, 0);
    EXPECT_EQ(MovePos, 0);
    EXPECT_EQ(MoveEnd, 1); // kept as a redo record
}

} // namespace
