// Locked candidates, the box-and-two-lines pattern (both modes) and fish of size 2..4: where
// each fires, where it must not, and which shape is shown first.
#include "analysis/driver.h"
#include "analysis/fish.h"
#include "analysis/state.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <string>
#include <vector>

namespace {

constexpr DigitMask D2 = 0x002, D3 = 0x004, D5 = 0x010;

class Fish : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        AnalysisOptions.showCandidates = 0;
        AnalysisGrid = MarkGrid;
        for (DigitMask& m : MarkGrid) m = ALL_DIGITS; // every digit everywhere: no shape at all
    }
    // Where one digit may go, row by row: 'x' holds it, '.' does not, '#' a solved cell.
    static void Digit(DigitMask d, const char* cells) {
        for (int i = 0; i < 81; i++) {
            if (cells[i] == '.') MarkGrid[i] &= DigitMask(~d);
            if (cells[i] == '#') MarkGrid[i] = 0;
        }
    }
    static std::vector<int> CellsMarked(uint16_t mark) {
        std::vector<int> cells;
        for (int i = 0; i < 81; i++)
            if (StepMarks[i] == mark) cells.push_back(i);
        return cells;
    }
    static int Marked() {
        int n = 0;
        for (uint16_t m : StepMarks) n += m != 0;
        return n;
    }
};

using Cells = std::vector<int>;

// Box-and-two-lines on row 1 and column 1 for digit 5: the box holds 5 at r1c2, r1c3, r2c1,
// r3c1; row 1 has it outside only at r1c6, column 1 only at r6c1; r6c6 sees both.
const char* BOX_LINE = ".xx..x..."
                       "x..xxxxxx"
                       "x..xxxxxx"
                       ".xxxxxxxx"
                       ".xxxxxxxx"
                       "xxxxxxxxx"
                       ".xxxxxxxx"
                       ".xxxxxxxx"
                       ".xxxxxxxx";

TEST_F(Fish, PointingAlongARow) {
    // The top-middle box holds 5 only in row 1.
    Digit(D5, "xxxxxxxxx"
              "xxx...xxx"
              "xxx...xxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx");
    EXPECT_EQ(FindFish(1), 1);
    EXPECT_EQ(CellsMarked(MARK_PATTERN | D5), (Cells{3, 4, 5}));
    EXPECT_EQ(CellsMarked(MARK_TARGET), (Cells{0, 1, 2, 6, 7, 8}));
    ApplyStep(4, false);
    EXPECT_EQ(MarkGrid[0], ALL_DIGITS & ~D5);
    EXPECT_EQ(MarkGrid[3], ALL_DIGITS);
}

TEST_F(Fish, BoxesAgainstRowsBeforeBoxesAgainstColumns) {
    // Box 1 (top left) points along column 1; box 9 (bottom right) points along row 9.
    Digit(D5, "x..xxxxxx"
              "x..xxxxxx"
              "x..xxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxx..."
              "xxxxxx..."
              "xxxxxxxxx");
    EXPECT_EQ(FindFish(1), 1);
    EXPECT_EQ(CellsMarked(MARK_PATTERN | D5), (Cells{78, 79, 80}));
    EXPECT_EQ(CellsMarked(MARK_TARGET).size(), 6u);
}

TEST_F(Fish, ClaimingRemovesOneColumnOfTheBoxAtATime) {
    // Row 1's 7s lie in box 1 (r1c1, r1c2); the box also has 7 at r2c2, r2c3, r3c3.
    const DigitMask D7 = 0x040;
    Digit(D7, "xx......."
              ".xxxxxxxx"
              "..xxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx");
    EXPECT_EQ(FindFish(1), 1);
    // Column 1 has no other 7 in the box; column 2 has r2c2: the first cover with a target.
    EXPECT_EQ(CellsMarked(MARK_TARGET), (Cells{10}));
    EXPECT_EQ(CellsMarked(MARK_PATTERN | D7), (Cells{0, 1}));
    ApplyStep(4, false);
    ResetState(RESET_ANALYSIS);
    EXPECT_EQ(FindFish(1), 1);
    EXPECT_EQ(CellsMarked(MARK_TARGET), (Cells{11, 20})); // then column 3
}

TEST_F(Fish, BoxAndTwoLinesEliminatesWhatSeesBothEnds) {
    Digit(D5, BOX_LINE);
    EXPECT_EQ(FindFish(1), 1);
    EXPECT_EQ(CellsMarked(MARK_TARGET), (Cells{50}));
    EXPECT_EQ(CellsMarked(MARK_LINK), (Cells{5, 45}));
    EXPECT_EQ(CellsMarked(MARK_PATTERN | D5), (Cells{1, 2, 9, 18}));
    EXPECT_EQ(Marked(), 7);
    ApplyStep(4, false);
    EXPECT_EQ(MarkGrid[50], ALL_DIGITS & ~D5);
    EXPECT_EQ(MarkGrid[5], ALL_DIGITS);
}

TEST_F(Fish, BoxAndTwoLinesRejectsADigitAtTheCrossing) {
    Digit(D5, BOX_LINE);
    MarkGrid[0] |= D5;
    EXPECT_EQ(FindBoxLinePattern(D5, BOXLINE_ELIMINATE, nullptr), 0);
    EXPECT_EQ(Marked(), 0);
}

TEST_F(Fish, BoxAndTwoLinesNeedsTwoBoxCellsOnEachLine) {
    Digit(D5, BOX_LINE);
    MarkGrid[2] &= ~D5; // row 1 keeps one 5 in the box
    EXPECT_EQ(FindBoxLinePattern(D5, BOXLINE_ELIMINATE, nullptr), 0);
    EXPECT_EQ(Marked(), 0);
}

struct LinkCall {
    DigitMask digit;
    int a, b, box1, box2, out1, out2;
    bool operator==(const LinkCall&) const = default;
};
std::vector<LinkCall> Links;
void RecordLink(DigitMask d, int a, int b, int box1, int box2, int out1, int out2) {
    Links.push_back({d, a, b, box1, box2, out1, out2});
}

TEST_F(Fish, LinkModeHandsEveryPatternToTheReceiver) {
    Digit(D5, BOX_LINE);
    Links.clear();
    EXPECT_EQ(FindBoxLinePattern(D5, BOXLINE_LINK, RecordLink), 0);
    EXPECT_EQ(Marked(), 0);
    bool found = false;
    for (const LinkCall& c : Links) found |= c == LinkCall{D5, 5, 45, 2, 2, 1, 1};
    EXPECT_TRUE(found);

    MarkGrid[2] &= ~D5; // one box cell on row 1: no elimination, but still a link
    Links.clear();
    EXPECT_EQ(FindBoxLinePattern(D5, BOXLINE_LINK, RecordLink), 0);
    found = false;
    for (const LinkCall& c : Links) found |= c == LinkCall{D5, 1, 45, 1, 2, 1, 1};
    EXPECT_TRUE(found);
    EXPECT_EQ(Marked(), 0);
}

TEST_F(Fish, ALowerDigitWinsWithAnyShape) {
    Digit(D2, BOX_LINE); // digit 2: only the box-and-two-lines pattern
    Digit(D3, "xxxxxxxxx"
              "xxx...xxx"
              "xxx...xxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"); // digit 3: plain pointing
    EXPECT_EQ(FindFish(1), 1);
    EXPECT_EQ(CellsMarked(MARK_TARGET), (Cells{50}));
    EXPECT_EQ(CellsMarked(MARK_LINK), (Cells{5, 45}));
}

TEST_F(Fish, CollectUnitCellsTagsAndSkipsTheCrossing) {
    Digit(D5, BOX_LINE);
    uint8_t list[CELL_LIST_MAX];
    // Row 1 with column 1: the crossing r1c1 is in neither line.
    EXPECT_EQ(CollectUnitCells((1u << 0) | (1u << 9), list, D5), 3 + 3);
    EXPECT_EQ(CellListContains(0, list), 0);
    EXPECT_EQ(CellListContains(5, list), 1);
    EXPECT_EQ(CellListContains(45, list), 16);
    EXPECT_EQ(CellListContains(3, list), 1); // listed although it lacks the digit
    // A unit of the set without the digit empties the result.
    // Column 2 adds six cells with the digit (r1c2 is listed already through row 1).
    EXPECT_EQ(CollectUnitCells((1u << 0) | (1u << 9) | (1u << 10), list, D5), 3 + 3 + 6);
    EXPECT_EQ(CellListContains(1, list), 1);
    EXPECT_EQ(CellListContains(28, list), 1); // third unit: untagged again
    for (int c = 0; c < 9; c++) MarkGrid[c] &= ~D5;
    EXPECT_EQ(CollectUnitCells((1u << 0) | (1u << 9), list, D5), 0);
}

// X-wing on rows 5 and 6 (columns 3 and 8); columns 1 and 2 hold 5 only in rows 1 and 9,
// an X-wing in columns that comes later. r4c7 lacks 5 so that no finned form comes first.
const char* XWINGS = "xxxxxxxxx"
                     "..xxxxxxx"
                     "..xxxxxxx"
                     "..xxxx.xx"
                     "..x....x."
                     "..x....x."
                     "..xxxxxxx"
                     "..xxxxxxx"
                     "xxxxxxxxx";

TEST_F(Fish, XWingInRowsBeforeColumns) {
    Digit(D5, XWINGS);
    EXPECT_EQ(FindFish(2), 1);
    EXPECT_EQ(CellsMarked(MARK_PATTERN | D5), (Cells{38, 43, 47, 52}));
    EXPECT_EQ(CellsMarked(MARK_TARGET),
              (Cells{2, 7, 11, 16, 20, 25, 29, 34, 56, 61, 65, 70, 74, 79}));
}

TEST_F(Fish, FinnedXWingReachesOnlyTheFinBox) {
    // Rows 2 and 5 hold 5 in columns 3 and 8, and row 2 also at r2c9 (a fin in the top
    // right box).
    const char* finned = "xxxxxxxxx"
                         "..x....xx"
                         "xxxxxxxxx"
                         "xxxxxxxxx"
                         "..x....x."
                         "xxxxxxxxx"
                         "xxxxxxxxx"
                         "xxxxxxxxx"
                         "xxxxxxxxx";
    Digit(D5, finned);
    EXPECT_EQ(FindFish(2), 1);
    EXPECT_EQ(CellsMarked(MARK_TARGET), (Cells{7, 25}));
    EXPECT_EQ(CellsMarked(MARK_PATTERN | D5), (Cells{11, 16, 17, 38, 43}));

    MarkGrid[7] &= ~D5; // targets only outside the fin box: nothing
    MarkGrid[25] &= ~D5;
    ResetState(RESET_ANALYSIS);
    EXPECT_EQ(FindFish(2), 0);
    EXPECT_EQ(Marked(), 0);
}

TEST_F(Fish, FinsInTwoBoxesAreNoFish) {
    Digit(D5, "xxxxxxxxx"
              "..x....xx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "x.x....x."
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx");
    for (int size = 2; size <= 4; size++) EXPECT_EQ(FindFish(size), 0) << size;
    EXPECT_EQ(Marked(), 0);
}

TEST_F(Fish, SwordfishNeedsItsThirdLine) {
    // Rows 1, 5, 9 hold 5 only in columns 2, 5, 8 (two each): a swordfish, no X-wing.
    Digit(D5, ".x..x...."
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "....x..x."
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              ".x.....x.");
    EXPECT_EQ(FindFish(2), 0);
    EXPECT_EQ(FindFish(3), 1);
    EXPECT_EQ(CellsMarked(MARK_PATTERN | D5), (Cells{1, 4, 40, 43, 73, 79}));
    EXPECT_EQ(CellsMarked(MARK_TARGET).size(), 18u);
    EXPECT_EQ(StepMarks[10], MARK_TARGET);
}

TEST_F(Fish, TheDriverReportsGridAnalysisOnlyWhenSwitchedOn) {
    Digit(D5, ".x..x...."
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              "....x..x."
              "xxxxxxxxx"
              "xxxxxxxxx"
              "xxxxxxxxx"
              ".x.....x.");
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_SUBSETS | TECH_LOCKED;
    EXPECT_EQ(RunAnalysis(), 0);
    AnalysisOptions.techniques |= TECH_GRID;
    EXPECT_EQ(RunAnalysis(), 8);
    EXPECT_EQ(StepMarks[10], MARK_TARGET);
}

} // namespace
