// The step in words: each technique's shape named on a position built for it. Over real
// puzzles, agreement_test.cpp checks that every text (singles and swordfish included) states
// exactly what ApplyStep does.
#include "analysis/driver.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <utility>

namespace {

int Cell(int row, int column) { // 1-based, as the texts write them
    return 9 * (row - 1) + column - 1;
}

std::string Describe(int kind) {
    char text[1024];
    DescribeStep(kind, text, sizeof text);
    return text;
}

class StepText : public CoreTest {
  protected:
    // An empty board; every cell open with every digit in the MarkGrid the analysis reads.
    void SetUp() override {
        CoreTest::SetUp();
        ResetState(RESET_ALL);
        OpenAllMarks();
        AnalysisOptions.techniques = 0x3F;
    }
    void Remove(int row, int column, int digit) { MarkGrid[Cell(row, column)] &= ~DigitBit(digit); }
    // The digit only at the given columns of a row, rows of a column, or cells of a box
    // (given as 1-based row, column pairs).
    void OnlyInRow(int row, int digit, std::initializer_list<int> columns) {
        for (int c = 1; c <= 9; c++) Remove(row, c, digit);
        for (int c : columns) MarkGrid[Cell(row, c)] |= DigitBit(digit);
    }
    void OnlyInColumn(int column, int digit, std::initializer_list<int> rows) {
        for (int r = 1; r <= 9; r++) Remove(r, column, digit);
        for (int r : rows) MarkGrid[Cell(r, column)] |= DigitBit(digit);
    }
    void OnlyInBox(int top, int left, int digit, std::initializer_list<std::pair<int, int>> cells) {
        for (int r = top; r < top + 3; r++)
            for (int c = left; c < left + 3; c++) Remove(r, c, digit);
        for (auto [r, c] : cells) MarkGrid[Cell(r, c)] |= DigitBit(digit);
    }
};

TEST_F(StepText, TheSingleEnteredIsNamedFirstAndClashesAreShown) {
    OnlyInRow(1, 4, {1});    // r1c1: the only 4 of row 1 ...
    OnlyInColumn(1, 6, {1}); // ... and the only 6 of column 1
    MarkGrid[Cell(9, 9)] = DigitBit(2);
    OnlyInRow(7, 5, {3});
    ASSERT_EQ(RunAnalysis(), STEP_SINGLES);
    EXPECT_EQ(Describe(STEP_SINGLES),
              "Hidden single: r7c3 = 5 (the only place for 5 in row 7); 1 more "
              "single: r9c9 = 2; contradiction: r1c1 would have to be 4,6");
    ApplyStep(STEP_SINGLES, false);
    EXPECT_EQ(Board[Cell(7, 3)] & CELL_DIGIT, 5);
    EXPECT_EQ(Board[Cell(9, 9)] & CELL_DIGIT, 0); // entered later, as the text says
}

TEST_F(StepText, HiddenAndNakedPairs) {
    OnlyInRow(3, 4, {2, 8});
    OnlyInRow(3, 7, {2, 8});
    ASSERT_EQ(RunAnalysis(), STEP_SUBSETS);
    const std::string full = Describe(STEP_SUBSETS);
    EXPECT_EQ(full, "Hidden pair 4,7 in row 3: r3c2, r3c8 keep 4,7 (r3c2 loses "
                    "1,2,3,5,6,8,9; r3c8 loses 1,2,3,5,6,8,9)");
    // A short buffer is cut and terminated; an empty one is left alone.
    char small[12], none[1] = {'x'};
    EXPECT_EQ(DescribeStep(STEP_SUBSETS, small, sizeof small), 11);
    EXPECT_EQ(std::string(small), full.substr(0, 11));
    EXPECT_EQ(DescribeStep(STEP_SUBSETS, none, 0), 0);
    EXPECT_EQ(none[0], 'x');

    // Row 1: four open cells {2,9} {2,9} {1,2,3} {1,3,9}; the search finds hidden 1,3.
    SetUp();
    const DigitMask row[9] = {0x102, 0x102, 0x007, 0x105, 0, 0, 0, 0, 0};
    for (int c = 0; c < 9; c++) MarkGrid[c] = row[c];
    ASSERT_EQ(RunAnalysis(), STEP_SUBSETS);
    EXPECT_EQ(Describe(STEP_SUBSETS),
              "Naked pair 2,9 in row 1 (r1c1, r1c2): r1c3 loses 2; r1c4 loses 9");
}

// Boxes as players number them, across then down.
TEST_F(StepText, LockedCandidatesNameTheirShape) {
    OnlyInBox(1, 4, 5, {{2, 4}, {2, 5}});
    ASSERT_EQ(RunAnalysis(), STEP_LOCKED);
    EXPECT_EQ(Describe(STEP_LOCKED),
              "Pointing 5 in box 2 along row 2: r2c1, r2c2, r2c3, r2c7, r2c8, "
              "r2c9 lose 5");
    SetUp();
    OnlyInRow(3, 7, {1, 2});
    ASSERT_EQ(RunAnalysis(), STEP_LOCKED);
    EXPECT_EQ(Describe(STEP_LOCKED), "Claiming 7 in row 3 within box 1: r1c1, r2c1 lose 7");
}

TEST_F(StepText, FishNameTheirLinesAndFin) {
    OnlyInRow(2, 5, {3, 8});
    OnlyInRow(7, 5, {3, 8});
    ASSERT_EQ(RunAnalysis(), STEP_GRID);
    EXPECT_EQ(Describe(STEP_GRID),
              "X-wing 5 in rows 2,7, columns 3,8: r1c3, r1c8, r3c3, r3c8, r4c3, "
              "r4c8, r5c3, r5c8, r6c3, r6c8, r8c3, r8c8, r9c3, r9c8 lose 5");
    SetUp();
    OnlyInRow(2, 5, {3, 8, 9});
    OnlyInRow(7, 5, {3, 8});
    ASSERT_EQ(RunAnalysis(), STEP_GRID);
    EXPECT_EQ(Describe(STEP_GRID),
              "Finned X-wing 5 in rows 2,7, columns 3,8, fin r2c9: r1c8, r3c8 lose 5");
}

TEST_F(StepText, NoStepAndWrongDigits) {
    EXPECT_EQ(Describe(STEP_NONE), "No step found");
    Board[Cell(1, 1)] = 5;
    SolutionGrid[Cell(1, 1)] = 3;
    AnalysisOptions.wrongValues = 1;
    ASSERT_EQ(RunAnalysis(), STEP_NONE);
    EXPECT_EQ(Describe(STEP_NONE), "Wrong digit: r1c1 differs from the solution");
}

} // namespace
