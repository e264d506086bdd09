// Grid model: candidates, the filled count, ResetState and the position's observers. The unit
// and peer tables are checked where they are defined, at compile time.
#include "analysis/state.h"
#include "model/board.h"
#include "model/marks.h"
#include "tests/support.h"
#include <algorithm>

namespace {
class Grid : public CoreTest {};

TEST_F(Grid, EmptyAndCompleteBoardsCountAndComputeCandidates) {
    for (const char* grid : {"", EMPTY_BOARD_FIRST}) {
        LoadGivens(grid);
        EXPECT_EQ(CountFilled(), grid[0] ? 81 : 0);
        EXPECT_EQ(ComputeCandidates(), 1);
        for (DigitMask m : CandidateGrid) EXPECT_EQ(m, grid[0] ? 0 : ALL_DIGITS);
    }
}

TEST_F(Grid, FlagsNeverChangeCountsOrCandidates) {
    ResetState(RESET_BOARD);
    Board[0] = 5;
    Board[8] = 0x80 | 0x30 | 5; // the same digit entered in purple, same row
    EXPECT_EQ(CountFilled(), -1);
    Board[8] = 0;
    Board[80] = 0x95; // different row, column and box
    EXPECT_EQ(CountFilled(), 2);
    ComputeCandidates();
    EXPECT_EQ(CandidateGrid[1], ALL_DIGITS & ~0x010);
    EXPECT_EQ(CandidateGrid[79], ALL_DIGITS & ~0x010);
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
