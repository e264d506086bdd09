// The step in words: each technique's shape named on a position built for it, and, over the
// rating of real puzzles, every placement and removal the text states being exactly what
// ApplyStep then does.
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstring>
#include <regex>
#include <set>
#include <utility>

namespace {

constexpr uint32_t ALL_TECHNIQUES = 0x3F;

int Cell(int row, int column) { // 1-based, as the texts write them
    return 9 * (row - 1) + column - 1;
}
DigitMask Bit(int digit) {
    return DigitMask(1u << (digit - 1));
}

std::string Describe(int kind) {
    char text[1024];
    DescribeStep(kind, text, sizeof text);
    return text;
}

class StepText : public CoreTest {
  protected:
    // Every cell open with every digit, in the MarkGrid the analysis reads.
    void SetUp() override {
        CoreTest::SetUp();
        ResetState(RESET_ALL); // an empty board
        AnalysisOptions.showCandidates = 0;
        AnalysisOptions.techniques = ALL_TECHNIQUES;
        for (DigitMask& m : MarkGrid) m = ALL_DIGITS;
    }
    void Remove(int row, int column, int digit) { MarkGrid[Cell(row, column)] &= ~Bit(digit); }
    // The digit only at the given columns of a row.
    void OnlyInRow(int row, int digit, std::initializer_list<int> columns) {
        for (int c = 1; c <= 9; c++) Remove(row, c, digit);
        for (int c : columns) MarkGrid[Cell(row, c)] |= Bit(digit);
    }
    void OnlyInColumn(int column, int digit, std::initializer_list<int> rows) {
        for (int r = 1; r <= 9; r++) Remove(r, column, digit);
        for (int r : rows) MarkGrid[Cell(r, column)] |= Bit(digit);
    }
};

TEST_F(StepText, NakedAndHiddenSinglesAreTold) {
    MarkGrid[Cell(5, 5)] = Bit(3);
    ASSERT_EQ(RunAnalysis(), 1);
    EXPECT_EQ(Describe(1), "Naked single: r5c5 = 3");

    SetUp();
    // 8 left in box 2 only at r2c5; its row and column keep other places.
    for (int r = 1; r <= 3; r++)
        for (int c = 4; c <= 6; c++) Remove(r, c, 8);
    MarkGrid[Cell(2, 5)] |= Bit(8);
    ASSERT_EQ(RunAnalysis(), 1);
    EXPECT_EQ(Describe(1), "Hidden single: r2c5 = 8 (the only place for 8 in box 2)");
}

TEST_F(StepText, TheSingleEnteredIsNamedFirstAndClashesAreShown) {
    OnlyInRow(1, 4, {1});    // r1c1: the only 4 of row 1 ...
    OnlyInColumn(1, 6, {1}); // ... and the only 6 of column 1
    MarkGrid[Cell(9, 9)] = Bit(2);
    OnlyInRow(7, 5, {3});
    ASSERT_EQ(RunAnalysis(), 1);
    EXPECT_EQ(Describe(1), "Hidden single: r7c3 = 5 (the only place for 5 in row 7); 1 more "
                           "single: r9c9 = 2; contradiction: r1c1 would have to be 4,6");
    ApplyStep(1, false);
    EXPECT_EQ(Board[Cell(7, 3)] & CELL_DIGIT, 5);
    EXPECT_EQ(Board[Cell(9, 9)] & CELL_DIGIT, 0); // entered later, as the text says
}

TEST_F(StepText, HiddenPairKeepsItsDigits) {
    OnlyInRow(3, 4, {2, 8});
    OnlyInRow(3, 7, {2, 8});
    ASSERT_EQ(RunAnalysis(), 2);
    EXPECT_EQ(Describe(2), "Hidden pair 4,7 in row 3: r3c2, r3c8 keep 4,7 (r3c2 loses "
                           "1,2,3,5,6,8,9; r3c8 loses 1,2,3,5,6,8,9)");
}

TEST_F(StepText, NakedPairNamedWhenTheRestOfTheUnitIsSmaller) {
    // Row 1: four open cells {2,9} {2,9} {1,2,3} {1,3,9}; the search finds hidden 1,3.
    const DigitMask row[9] = {0x102, 0x102, 0x007, 0x105, 0, 0, 0, 0, 0};
    for (int c = 0; c < 9; c++) MarkGrid[c] = row[c];
    ASSERT_EQ(RunAnalysis(), 2);
    EXPECT_EQ(Describe(2), "Naked pair 2,9 in row 1 (r1c1, r1c2): r1c3 loses 2; r1c4 loses 9");
}

TEST_F(StepText, PointingNamesTheBoxAsPlayersNumberThem) {
    // The 5s of the top middle box lie in row 2.
    for (int r = 1; r <= 3; r++)
        for (int c = 4; c <= 6; c++) Remove(r, c, 5);
    MarkGrid[Cell(2, 4)] |= Bit(5);
    MarkGrid[Cell(2, 5)] |= Bit(5);
    ASSERT_EQ(RunAnalysis(), 4);
    EXPECT_EQ(Describe(4), "Pointing 5 in box 2 along row 2: r2c1, r2c2, r2c3, r2c7, r2c8, "
                           "r2c9 lose 5");
}

TEST_F(StepText, PointingAlongAColumn) {
    for (int r = 4; r <= 6; r++)
        for (int c = 1; c <= 3; c++) Remove(r, c, 6);
    MarkGrid[Cell(4, 2)] |= Bit(6);
    MarkGrid[Cell(6, 2)] |= Bit(6);
    ASSERT_EQ(RunAnalysis(), 4);
    EXPECT_EQ(Describe(4), "Pointing 6 in box 4 along column 2: r1c2, r2c2, r3c2, r7c2, r8c2, "
                           "r9c2 lose 6");
}

TEST_F(StepText, ClaimingFromARow) {
    OnlyInRow(3, 7, {1, 2});
    ASSERT_EQ(RunAnalysis(), 4);
    // One cover column at a time: the first column of the box that has a target.
    EXPECT_EQ(Describe(4), "Claiming 7 in row 3 within box 1: r1c1, r2c1 lose 7");
}

TEST_F(StepText, XWingInRowsAndInColumns) {
    OnlyInRow(2, 5, {3, 8});
    OnlyInRow(7, 5, {3, 8});
    ASSERT_EQ(RunAnalysis(), 8);
    EXPECT_EQ(Describe(8), "X-wing 5 in rows 2,7, columns 3,8: r1c3, r1c8, r3c3, r3c8, r4c3, "
                           "r4c8, r5c3, r5c8, r6c3, r6c8, r8c3, r8c8, r9c3, r9c8 lose 5");

    SetUp();
    OnlyInColumn(2, 5, {3, 8});
    OnlyInColumn(7, 5, {3, 8});
    ASSERT_EQ(RunAnalysis(), 8);
    EXPECT_EQ(Describe(8).substr(0, 40), "X-wing 5 in columns 2,7, rows 3,8: r3c1,");
}

TEST_F(StepText, FinnedXWingNamesItsFin) {
    OnlyInRow(2, 5, {3, 8, 9});
    OnlyInRow(7, 5, {3, 8});
    ASSERT_EQ(RunAnalysis(), 8);
    EXPECT_EQ(Describe(8), "Finned X-wing 5 in rows 2,7, columns 3,8, fin r2c9: r1c8, r3c8 lose 5");
}

TEST_F(StepText, SwordfishIsASizeThreeFish) {
    OnlyInRow(2, 4, {1, 4});
    OnlyInRow(5, 4, {4, 7});
    OnlyInRow(8, 4, {1, 7});
    ASSERT_EQ(RunAnalysis(), 8);
    std::string text = Describe(8);
    EXPECT_EQ(text.substr(0, 46), "Swordfish 4 in rows 2,5,8, columns 1,4,7: r1c1") << text;
    EXPECT_NE(text.find("r9c7 lose 4"), std::string::npos) << text;
}

TEST_F(StepText, NoStepAndWrongDigits) {
    EXPECT_EQ(Describe(0), "No step found");
    ResetState(RESET_BOARD);
    Board[Cell(1, 1)] = 5;
    SolutionGrid[Cell(1, 1)] = 3;
    AnalysisOptions.wrongValues = 1;
    ASSERT_EQ(RunAnalysis(), 0);
    EXPECT_EQ(Describe(0), "Wrong digit: r1c1 differs from the solution");
}

TEST_F(StepText, ShortBufferIsCutAndTerminated) {
    OnlyInRow(3, 4, {2, 8});
    OnlyInRow(3, 7, {2, 8});
    ASSERT_EQ(RunAnalysis(), 2);
    std::string full = Describe(2);
    char small[12];
    std::memset(small, 'x', sizeof small);
    int n = DescribeStep(2, small, sizeof small);
    EXPECT_EQ(n, 11);
    EXPECT_EQ(std::string(small), full.substr(0, 11));
    char none[1] = {'x'};
    EXPECT_EQ(DescribeStep(2, none, 0), 0);
    EXPECT_EQ(none[0], 'x');
}

// ---- Over real puzzles: the text states exactly what ApplyStep does -------------------------

using Claims = std::set<std::pair<int, int>>; // (cell, digit)

int ParsedCell(const std::string& s) {
    return Cell(s[1] - '0', s[3] - '0');
}

// Every "rXcY, ... lose(s) D,D" and "rXcY cannot be D" of a text.
Claims ClaimedRemovals(const std::string& text) {
    static const std::regex losses(
        R"(((?:r\dc\d)(?:, r\dc\d)*) (?:loses|lose|cannot be) (\d(?:,\d)*))");
    static const std::regex cell(R"(r\dc\d)");
    Claims claims;
    for (std::sregex_iterator m(text.begin(), text.end(), losses), end; m != end; ++m) {
        std::string cells = (*m)[1], digits = (*m)[2];
        for (std::sregex_iterator c(cells.begin(), cells.end(), cell); c != end; ++c)
            for (char d : digits)
                if (d != ',') claims.insert({ParsedCell(c->str()), d - '0'});
    }
    return claims;
}

struct Watch {
    std::string text;
    int kind = 0;
    uint8_t board[81];
    DigitMask grid[81];
    uint16_t marks[81];
    ChainDisplayListRecord chains;
    uint8_t visited[CHAINS_MAX];
    int steps[33] = {};
    std::vector<std::string> failures;
};
Watch* Current = nullptr;

// Phase 0: the text, with a check that describing changes nothing. Phase 1: the effect.
void CompareStep(int kind, int phase) {
    Watch& w = *Current;
    if (phase == 0) {
        w.kind = kind;
        std::memcpy(w.board, Board, sizeof w.board);
        std::memcpy(w.grid, AnalysisGrid, sizeof w.grid);
        std::memcpy(w.marks, StepMarks, sizeof w.marks);
        w.chains = ChainDisplayList;
        std::memcpy(w.visited, ChainVisited, sizeof w.visited);
        w.text = Describe(kind);
        if (std::memcmp(w.grid, AnalysisGrid, sizeof w.grid) ||
            std::memcmp(w.marks, StepMarks, sizeof w.marks) ||
            std::memcmp(&w.chains, &ChainDisplayList, sizeof w.chains) ||
            std::memcmp(w.visited, ChainVisited, sizeof w.visited))
            w.failures.push_back("describing changed the state: " + w.text);
        return;
    }
    w.steps[kind]++;
    if (kind == 1) {
        static const std::regex single(R"(^(Naked|Hidden) single: (r\dc\d) = (\d))");
        std::smatch m;
        int placedCell = -1, placedDigit = 0;
        for (int x = 0; x < 81; x++)
            if (!w.board[x] && Board[x]) {
                placedCell = x;
                placedDigit = Board[x] & CELL_DIGIT;
            }
        if (!std::regex_search(w.text, m, single) || ParsedCell(m[2]) != placedCell ||
            m[3].str()[0] - '0' != placedDigit)
            w.failures.push_back("placed " + std::to_string(placedCell) + "=" +
                                 std::to_string(placedDigit) + " but: " + w.text);
        if (!m.empty() && placedCell >= 0 &&
            (m[1] == "Naked") != (w.grid[placedCell] == Bit(placedDigit)))
            w.failures.push_back("naked/hidden wrong: " + w.text);
        return;
    }
    Claims removed;
    for (int x = 0; x < 81; x++)
        for (int d = 1; d <= 9; d++)
            if ((w.grid[x] & Bit(d)) && !(AnalysisGrid[x] & Bit(d))) removed.insert({x, d});
    if (ClaimedRemovals(w.text) != removed)
        w.failures.push_back("kind " + std::to_string(kind) +
                             " text differs from effect: " + w.text);
    static const std::regex prefix[] = {
        std::regex("^(Hidden|Naked) (pair|triple|quad) "),
        std::regex("^(Pointing|Claiming|Box and two lines|Locked candidates) "),
        std::regex("^(Finned )?(X-wing|Swordfish|Jellyfish) \\d in (rows|columns) "),
        std::regex("^Forcing chain"), std::regex("^(ALS-XZ|ALS chain)")};
    const int index = kind == 2 ? 0 : kind == 4 ? 1 : kind == 8 ? 2 : kind == 16 ? 3 : 4;
    if (!std::regex_search(w.text, prefix[index]))
        w.failures.push_back("kind " + std::to_string(kind) + " misnamed: " + w.text);
    // An almost locked set shown as "cells {digits}" has one digit more than cells.
    static const std::regex als(R"((?:= |with )((?:r\dc\d)(?:, r\dc\d)*) \{(\d(?:,\d)*)\})");
    for (std::sregex_iterator m(w.text.begin(), w.text.end(), als), end; m != end; ++m) {
        size_t cells = ((*m)[1].length() + 2) / 6, digits = ((*m)[2].length() + 1) / 2;
        if (digits != cells + 1) w.failures.push_back("not an almost locked set: " + w.text);
    }
}

TEST_F(StepText, OverRealPuzzlesTheTextStatesTheEffect) {
    ASSERT_TRUE(DataAvailable("puzzles3_magictour_top1465.txt"));
    std::vector<std::string> puzzles = ReadPuzzleLines("puzzles3_magictour_top1465.txt");
    Watch watch;
    for (size_t i = 0; i < puzzles.size(); i += 100) {
        ResetForTest();
        LoadGivens(puzzles[i].c_str());
        Current = &watch;
        RatingStepWatcher = CompareStep;
        RatePuzzle();
        RatingStepWatcher = nullptr;
        Current = nullptr;
        for (const std::string& f : watch.failures) ADD_FAILURE() << puzzles[i] << ": " << f;
        watch.failures.clear();
    }
    // The sample reaches every technique, so each kind of text was checked.
    for (int kind : {1, 2, 4, 8, 16, 32}) EXPECT_GT(watch.steps[kind], 0) << kind;
}

} // namespace
