// Hidden (and, through the rest of their unit, naked) subsets: where they fire, where they must
// not, and which one is shown when several exist.
#include "analysis/driver.h"
#include "analysis/state.h"
#include "analysis/subsets.h"
#include "model/board.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <sstream>

namespace {

class Subsets : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        OpenAllMarks(); // no unit has a subset
    }
    // A unit's nine cells in UnitTable order: their digits, "-" for a solved cell.
    static void Unit(int unit, const char* cells) {
        std::istringstream in(cells);
        std::string digits;
        for (int k = 0; k < 9 && in >> digits; k++)
            MarkGrid[UnitTable[unit][k]] = DigitsOf(digits.c_str());
    }
};

TEST_F(Subsets, HiddenPairKeepsOnlyItsDigits) {
    Unit(0, "123 3456 3456 3456789 1256 3456789 3456789 3456789 3456789");
    EXPECT_EQ(FindSubsets(2), 1);
    EXPECT_EQ(StepMarksText(), "0:4003 4:4003");
    ApplyStep(STEP_SUBSETS, false);
    EXPECT_EQ(MarkGrid[0], 0x003);
    EXPECT_EQ(MarkGrid[4], 0x003);
    EXPECT_EQ(MarkGrid[1], DigitsOf("3456"));
}

// The lower unit wins over earlier cells; in one unit, the smaller digit mask: {2,3} (0x006)
// before {1,4} (0x009).
TEST_F(Subsets, SearchOrder) {
    // Column 6 has the hidden pair 1,2 in r1c6, r2c6; row 8 has 6,8 in r8c1, r8c2.
    Unit(14, "123 124 3456789 3456789 3456789 3456789 3456789 34 3456789");
    Unit(7, "689 678 1234579 1234579 1234579 34 1234579 1234579 1234579");
    EXPECT_EQ(FindSubsets(2), 1);
    EXPECT_EQ(StepMarksText(), "63:40A0 64:40A0");

    SetUp();
    Unit(0, "149 149 239 238 56789 56789 56789 56789 56789");
    EXPECT_EQ(FindSubsets(2), 1);
    EXPECT_EQ(StepMarksText(), "2:4006 3:4006");
}

// A pair whose cells hold nothing else, or in a unit with exactly two open cells: nothing to
// eliminate, no step.
TEST_F(Subsets, NoStepWithoutAnElimination) {
    Unit(0, "47 47 1235689 1235689 1235689 1235689 1235689 1235689 1235689");
    for (int size = 2; size <= 4; size++) EXPECT_EQ(FindSubsets(size), 0) << size;
    Unit(0, "123 124 - - - - - - -");
    EXPECT_EQ(FindSubsets(2), 0);
    EXPECT_EQ(MarkedCells(), 0);
    MarkGrid[2] = DigitsOf("34"); // a third open cell: now the pair has something to drop
    EXPECT_EQ(FindSubsets(2), 1);
    EXPECT_EQ(StepMarksText(), "0:4003 1:4003");
}

// A naked pair is found as the hidden subset of the rest of its unit, when that rest has two
// to four open cells; with six it is not found at all.
TEST_F(Subsets, NakedPairIsTheHiddenRestOfASmallUnit) {
    Unit(0, "47 47 149 279 12 - - - -"); // the other three cells hide 1,2,9
    EXPECT_EQ(FindSubsets(2), 0);
    EXPECT_EQ(FindSubsets(3), 1);
    EXPECT_EQ(StepMarksText(), "2:4101 3:4102 4:4003");

    Unit(0, "47 47 124 237 345 567 168 123568 -");
    for (int size = 2; size <= 4; size++) EXPECT_EQ(FindSubsets(size), 0) << size;
}

TEST_F(Subsets, TheDriverShowsAPairBeforeAnEarlierTriple) {
    Unit(0, "47 47 149 279 12 - - - -");                               // triple in row 1
    Unit(8, "123 456 456789 456789 456789 456789 456789 456789 1237"); // pair 1,2 in row 9
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_SUBSETS;
    EXPECT_EQ(RunAnalysis(), STEP_SUBSETS);
    EXPECT_EQ(StepMarksText(), "72:4003 80:4003");
}

} // namespace
