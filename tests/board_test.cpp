// Grid model: unit and peer tables, candidates, the filled count and ResetState.
#include "analysis/state.h"
#include "model/board.h"
#include "model/marks.h"
#include "tests/support.h"
#include <algorithm>
#include <vector>

namespace {
class Grid : public CoreTest {};

TEST_F(Grid, PeerListsAreExactAndHoldTheTwentyCellsSharingAUnit) {
    auto peers = [](int cell) {
        return std::vector<int>(PeerTable + 20 * cell, PeerTable + 20 * cell + 20);
    };
    EXPECT_EQ(peers(0), (std::vector<int>{1,  2,  9,  10, 11, 18, 19, 20, 27, 36,
                                          45, 54, 63, 72, 3,  4,  5,  6,  7,  8}));
    EXPECT_EQ(peers(40), (std::vector<int>{30, 31, 32, 39, 41, 48, 49, 50, 4,  13,
                                           22, 58, 67, 76, 36, 37, 38, 42, 43, 44}));
    for (int c = 0; c < 81; c++) {
        std::vector<int> p = peers(c), expected;
        for (int q = 0; q < 81; q++)
            if (q != c && (q / 9 == c / 9 || q % 9 == c % 9 || BoxOf(q) == BoxOf(c)))
                expected.push_back(q);
        std::sort(p.begin(), p.end());
        EXPECT_EQ(p, expected) << "cell " << c;
        for (int q = 0; q < 81; q++)
            EXPECT_EQ(IsPeer(c, q), std::binary_search(p.begin(), p.end(), q));
    }
}

TEST_F(Grid, BoxesGoDownEachBandOfColumnsFirst) {
    EXPECT_EQ(BoxOf(27), 1); // row 4, column 1
    EXPECT_EQ(BoxOf(3), 3);  // row 1, column 4
    for (int b = 0; b < 9; b++)
        for (int k = 0; k < 9; k++) EXPECT_EQ(BoxOf(UnitTable[18 + b][k]), b);
}

TEST_F(Grid, EmptyAndCompleteBoardsCountAndComputeCandidates) {
    for (const char* grid : {"", EMPTY_BOARD_FIRST}) {
        LoadGivens(grid);
        EXPECT_EQ(CountFilled(), grid[0] ? 81 : 0);
        EXPECT_EQ(ComputeCandidates(), 1);
        for (DigitMask m : CandidateGrid) EXPECT_EQ(m, grid[0] ? 0 : ALL_DIGITS);
    }
}

TEST_F(Grid, FlagsNeverChangeCountsOrPeerDigits) {
    ResetState(RESET_BOARD);
    Board[0] = 5;
    Board[8] = 0x80 | 0x30 | 5; // the same digit entered in purple, same row
    EXPECT_EQ(CountFilled(), -1);
    EXPECT_EQ(PeerDigits(1), 1 << 4);
    Board[8] = 0;
    Board[80] = 0x95; // different row, column and box
    EXPECT_EQ(CountFilled(), 2);
}

TEST_F(Grid, BlockedCellStopsCandidatesAndLeavesLaterCellsAlone) {
    ResetState(RESET_BOARD);
    std::fill(CandidateGrid, CandidateGrid + 81, 0x0AA);
    // Cell 10 sees 1..8 in its row and 9 in its column.
    for (int d = 1; d <= 8; d++) Board[d == 1 ? 9 : 9 + d] = uint8_t(d); // cells 9, 11..17
    Board[1] = 9;
    EXPECT_EQ(ComputeCandidates(), 0);
    EXPECT_EQ(CandidateGrid[10], 0);
    EXPECT_EQ(CandidateGrid[0], 0x0FC); // sees 9 (row), 1 and 2 (box)
    for (int i = 11; i < 81; i++) EXPECT_EQ(CandidateGrid[i], 0x0AA) << i;
}

TEST_F(Grid, ResetStateClearsOnlyTheNamedPartsAndTellsTheAnalysis) {
    StepMarks[3] = MARK_TARGET;
    MarkGrid[4] = MarkSnapshot[4] = 7;
    EXPECT_NE(CountFilled(), 0);
    EXPECT_EQ(StepMarks[3], MARK_TARGET); // counting changes nothing
    ResetState(RESET_ANALYSIS);
    EXPECT_EQ(StepMarks[3], 0);
    EXPECT_EQ(MarkGrid[4], 7);
    ResetState(RESET_MARKS | RESET_SAVED_MARKS);
    EXPECT_EQ(MarkGrid[4] | MarkSnapshot[4], 0);
    EXPECT_EQ(SavedMarks[0], NO_SAVED_MARKS);
    EXPECT_NE(CountFilled(), 0);
}
} // namespace
