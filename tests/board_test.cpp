// Grid model: unit and peer tables, candidates, the filled count and ResetState.
#include "analysis/state.h"
#include "model/board.h"
#include "model/marks.h"
#include "tests/support.h"
#include <algorithm>
#include <vector>

namespace {
class Grid : public CoreTest {};

const char* SOLVED =
    "123456789789123456456789123312845697697312845845697312231564978978231564564978231";

std::vector<int> Peers(int cell) {
    return {PeerTable + 20 * cell, PeerTable + 20 * cell + 20};
}

TEST_F(Grid, PeerListsOfCornerAndCentreAreExact) {
    EXPECT_EQ(Peers(0), (std::vector<int>{1,  2,  9,  10, 11, 18, 19, 20, 27, 36,
                                          45, 54, 63, 72, 3,  4,  5,  6,  7,  8}));
    EXPECT_EQ(Peers(40), (std::vector<int>{30, 31, 32, 39, 41, 48, 49, 50, 4,  13,
                                           22, 58, 67, 76, 36, 37, 38, 42, 43, 44}));
}

TEST_F(Grid, EveryCellHasTwentyDistinctPeersSharingAUnit) {
    for (int c = 0; c < 81; c++) {
        std::vector<int> p = Peers(c);
        std::sort(p.begin(), p.end());
        EXPECT_EQ(std::unique(p.begin(), p.end()), p.end()) << "cell " << c;
        for (int q : p) {
            bool sameUnit = q / 9 == c / 9 || q % 9 == c % 9 || BoxOf(q) == BoxOf(c);
            EXPECT_TRUE(sameUnit && q != c) << c << " / " << q;
            EXPECT_TRUE(IsPeer(c, q) && IsPeer(q, c));
        }
        EXPECT_FALSE(IsPeer(c, c));
    }
}

TEST_F(Grid, BoxesGoDownEachBandOfColumnsFirst) {
    EXPECT_EQ(BoxOf(0), 0);
    EXPECT_EQ(BoxOf(27), 1); // row 4, column 1
    EXPECT_EQ(BoxOf(3), 3);  // row 1, column 4
    EXPECT_EQ(BoxOf(80), 8);
    for (int b = 0; b < 9; b++)
        for (int k = 0; k < 9; k++) EXPECT_EQ(BoxOf(UnitTable[18 + b][k]), b);
}

TEST_F(Grid, StartsWithTheBuiltInPuzzleAsGivens) {
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
    for (uint8_t b : Board) EXPECT_EQ(b & CELL_ENTERED, 0);
}

TEST_F(Grid, EmptyBoardHasAllCandidatesAndNoFilledCells) {
    ResetState(RESET_BOARD);
    EXPECT_EQ(CountFilled(), 0);
    EXPECT_EQ(ComputeCandidates(), 1);
    for (DigitMask m : CandidateGrid) EXPECT_EQ(m, ALL_DIGITS);
}

TEST_F(Grid, CompleteGridCountsEightyOneWithNoCandidates) {
    LoadGivens(SOLVED);
    EXPECT_EQ(CountFilled(), 81);
    EXPECT_EQ(ComputeCandidates(), 1);
    for (DigitMask m : CandidateGrid) EXPECT_EQ(m, 0);
}

TEST_F(Grid, RepeatedDigitInAUnitIsMinusOneWhateverTheFlags) {
    ResetState(RESET_BOARD);
    Board[0] = 5;
    Board[8] = 0x80 | 0x30 | 5; // the same digit entered in purple, same row
    EXPECT_EQ(CountFilled(), -1);
    Board[8] = 0;
    Board[80] = 0x95; // different row, column and box
    EXPECT_EQ(CountFilled(), 2);
}

TEST_F(Grid, FlagsDoNotChangePeerDigits) {
    ResetState(RESET_BOARD);
    Board[1] = 0x85;
    EXPECT_EQ(PeerDigits(0), 1 << 4);
    Board[1] = 0x05;
    EXPECT_EQ(PeerDigits(0), 1 << 4);
}

TEST_F(Grid, BlockedCellStopsCandidatesAndLeavesLaterCellsAlone) {
    ResetState(RESET_BOARD);
    for (int i = 0; i < 81; i++) CandidateGrid[i] = 0x0AA;
    // Cell 10 sees 1..8 in its row and 9 in its column.
    const int row[8] = {9, 11, 12, 13, 14, 15, 16, 17};
    for (int k = 0; k < 8; k++) Board[row[k]] = uint8_t(k + 1);
    Board[1] = 9;
    EXPECT_EQ(ComputeCandidates(), 0);
    EXPECT_EQ(CandidateGrid[10], 0);
    EXPECT_EQ(CandidateGrid[0], 0x0FC); // sees 9 (row), 1 and 2 (box)
    for (int i = 11; i < 81; i++) EXPECT_EQ(CandidateGrid[i], 0x0AA) << i;
}

TEST_F(Grid, ResetStateClearsOnlyTheNamedParts) {
    StepMarks[3] = MARK_TARGET;
    ChainDisplayList.count = 2;
    MarkGrid[4] = 7;
    MarkSnapshot[4] = 7;
    SavedMarks[0] = 1;
    ResetState(RESET_ANALYSIS);
    EXPECT_EQ(StepMarks[3], 0);
    EXPECT_EQ(ChainDisplayList.count, 0);
    EXPECT_EQ(MarkGrid[4], 7);
    ResetState(RESET_MARKS | RESET_SAVED_MARKS);
    EXPECT_EQ(MarkGrid[4], 0);
    EXPECT_EQ(MarkSnapshot[4], 0);
    EXPECT_EQ(SavedMarks[0], NO_SAVED_MARKS);
    EXPECT_NE(CountFilled(), 0);
    ResetState(RESET_BOARD);
    EXPECT_EQ(CountFilled(), 0);
}

TEST_F(Grid, CountFilledDropsTheShownStep) {
    StepMarks[10] = 0x4001;
    ChainDisplayList.count = 1;
    CountFilled();
    EXPECT_EQ(StepMarks[10], 0);
    EXPECT_EQ(ChainDisplayList.count, 0);
}
} // namespace
