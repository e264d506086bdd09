// Hidden (and, through the rest of their unit, naked) subsets: where they fire, where they must
// not, and which one is shown when several exist.
#include "analysis/driver.h"
#include "analysis/state.h"
#include "analysis/subsets.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <initializer_list>

namespace {

struct CellDigits {
    int cell;
    const char* digits; // "" for a solved cell
};

class Subsets : public CoreTest {
  protected:
    // Every cell open with every digit (no unit then has a subset), except the cells given.
    void Grid(std::initializer_list<CellDigits> cells) {
        AnalysisOptions.showCandidates = 0;
        AnalysisGrid = MarkGrid;
        for (DigitMask& m : MarkGrid) m = ALL_DIGITS;
        for (const CellDigits& c : cells) MarkGrid[c.cell] = Mask(c.digits);
    }
    static DigitMask Mask(const char* digits) {
        DigitMask m = 0;
        for (const char* p = digits; *p; p++) m |= DigitMask(1u << (*p - '1'));
        return m;
    }
    // The marked cells as "cell:mark" pairs, in cell order.
    static std::string Marks() {
        std::string s;
        char buf[24];
        for (int i = 0; i < 81; i++)
            if (StepMarks[i]) {
                std::snprintf(buf, sizeof buf, "%s%d:%04X", s.empty() ? "" : " ", i, StepMarks[i]);
                s += buf;
            }
        return s;
    }
};

TEST_F(Subsets, HiddenPairKeepsOnlyItsDigits) {
    Grid({{0, "123"},
          {1, "3456"},
          {2, "3456"},
          {3, "3456789"},
          {4, "1256"},
          {5, "3456789"},
          {6, "3456789"},
          {7, "3456789"},
          {8, "3456789"}});
    DigitMask all;
    EXPECT_EQ(UnitCandidateUnion(0, &all), 9);
    EXPECT_EQ(all, ALL_DIGITS);
    EXPECT_EQ(FindSubsets(2), 1);
    EXPECT_EQ(Marks(), "0:4003 4:4003");
    ApplyStep(2, false);
    EXPECT_EQ(MarkGrid[0], 0x003);
    EXPECT_EQ(MarkGrid[4], 0x003);
    EXPECT_EQ(MarkGrid[1], Mask("3456"));
}

TEST_F(Subsets, LowerUnitWinsOverEarlierCells) {
    // Column 6 has the hidden pair 1,2 in r1c6, r2c6; row 8 has 6,8 in r8c1, r8c2.
    Grid({{5, "123"},
          {14, "124"},
          {23, "3456789"},
          {32, "3456789"},
          {41, "3456789"},
          {50, "3456789"},
          {59, "3456789"},
          {68, "34"},
          {77, "3456789"},
          {63, "689"},
          {64, "678"},
          {65, "1234579"},
          {66, "1234579"},
          {67, "1234579"},
          {69, "1234579"},
          {70, "1234579"},
          {71, "1234579"}});
    EXPECT_EQ(FindSubsets(2), 1);
    EXPECT_EQ(Marks(), "63:40A0 64:40A0");
}

TEST_F(Subsets, SmallerDigitMaskWinsInOneUnit) {
    // {1,4} (mask 0x009) comes before {2,3} in digit order, after it in mask order.
    Grid({{0, "149"},
          {1, "149"},
          {2, "239"},
          {3, "238"},
          {4, "56789"},
          {5, "56789"},
          {6, "56789"},
          {7, "56789"},
          {8, "56789"}});
    EXPECT_EQ(FindSubsets(2), 1);
    EXPECT_EQ(Marks(), "2:4006 3:4006");
}

TEST_F(Subsets, CellsHoldingOnlyTheSubsetDigitsAreNoStep) {
    Grid({{0, "47"},
          {1, "47"},
          {2, "1235689"},
          {3, "1235689"},
          {4, "1235689"},
          {5, "1235689"},
          {6, "1235689"},
          {7, "1235689"},
          {8, "1235689"}});
    for (int size = 2; size <= 4; size++) EXPECT_EQ(FindSubsets(size), 0) << size;
    EXPECT_EQ(Marks(), "");
}

TEST_F(Subsets, AUnitWithExactlyThatManyOpenCellsIsSkipped) {
    Grid({{0, "123"}, {1, "124"}, {2, ""}, {3, ""}, {4, ""}, {5, ""}, {6, ""}, {7, ""}, {8, ""}});
    EXPECT_EQ(FindSubsets(2), 0);
    MarkGrid[2] = Mask("34"); // a third open cell: now the pair has something to drop
    EXPECT_EQ(FindSubsets(2), 1);
    EXPECT_EQ(Marks(), "0:4003 1:4003");
}

TEST_F(Subsets, NakedPairIsFoundAsTheHiddenRestOfASmallUnit) {
    // Naked pair 4,7 in r1c1, r1c2; the other three open cells hide the triple 1,2,9.
    Grid({{0, "47"},
          {1, "47"},
          {2, "149"},
          {3, "279"},
          {4, "12"},
          {5, ""},
          {6, ""},
          {7, ""},
          {8, ""}});
    EXPECT_EQ(FindSubsets(2), 0);
    EXPECT_EQ(FindSubsets(3), 1);
    EXPECT_EQ(Marks(), "2:4101 3:4102 4:4003");
}

TEST_F(Subsets, NakedPairAmongSixOtherCellsIsNotFound) {
    Grid({{0, "47"},
          {1, "47"},
          {2, "124"},
          {3, "237"},
          {4, "345"},
          {5, "567"},
          {6, "168"},
          {7, "123568"},
          {8, ""}});
    for (int size = 2; size <= 4; size++) EXPECT_EQ(FindSubsets(size), 0) << size;
}

TEST_F(Subsets, TheDriverShowsAPairBeforeAnEarlierTriple) {
    Grid({{0, "47"},
          {1, "47"},
          {2, "149"},
          {3, "279"},
          {4, "12"},
          {5, ""},
          {6, ""},
          {7, ""},
          {8, ""}, // triple in row 1
          {72, "123"},
          {73, "456"},
          {74, "456789"},
          {75, "456789"},
          {76, "456789"},
          {77, "456789"},
          {78, "456789"},
          {79, "456789"},
          {80, "1237"}}); // pair 1,2 in row 9
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_SUBSETS;
    EXPECT_EQ(RunAnalysis(), 2);
    EXPECT_EQ(Marks(), "72:4003 80:4003");
}

} // namespace
