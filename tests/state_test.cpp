// The analysis working state: bit helpers, peers, the display list, and where eliminations live.
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "model/board.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"

class AnalysisState : public CoreTest {};

// The direct computation must follow the defining walk s = (s - mask) & mask exactly, for every
// mask family in use.
TEST_F(AnalysisState, BitHelpersAndTheSubsetWalk) {
    EXPECT_EQ(LowestBitIndex(0), -1);
    EXPECT_EQ(LowestBitIndex(0x100), 8);
    EXPECT_EQ(PopCount(0x1FF), 9);
    uint32_t s = 0;
    for (uint32_t want : {0b0011u, 0b1001u, 0b1010u, 0u})
        EXPECT_EQ(s = NextSubsetOfSize(s, 0b1011, 2), want);
    for (uint32_t mask : {0x1FFu, 0x3FE00u, 0x7FC0000u, 0x3FFFFu, 0x16Bu, 0x1u, 0x0u})
        for (int k = 1; k <= 4; k++) {
            uint32_t a = 0, b = 0;
            do {
                a = NextSubsetOfSize(a, mask, k);
                do b = (b - mask) & mask;
                while (b != 0 && PopCount(b) != k);
                ASSERT_EQ(a, b) << std::hex << mask << " k=" << k;
            } while (a != 0);
        }
}

TEST_F(AnalysisState, PeersShareARowColumnOrBox) {
    for (int a = 0; a < 81; a++)
        for (int b = 0; b < 81; b++) {
            bool shared = a != b && (a / 9 == b / 9 || a % 9 == b % 9 || BoxOf(a) == BoxOf(b));
            ASSERT_EQ(IsPeer(a, b), shared) << a << " " << b;
            ASSERT_EQ(CellSetHas(PEER_SETS[a], b), shared) << a << " " << b;
        }
}

TEST_F(AnalysisState, DisplayListDropsChainsPastItsCapacity) {
    for (int i = 0; i < CHAIN_DISPLAY_MAX; i++) EXPECT_EQ(AppendChainToDisplay(i), i + 1);
    EXPECT_EQ(AppendChainToDisplay(99), CHAIN_DISPLAY_MAX);
    EXPECT_EQ(ChainDisplayList.entries[CHAIN_DISPLAY_MAX - 1], CHAIN_DISPLAY_MAX - 1);
    ResetState(RESET_ANALYSIS);
    EXPECT_EQ(AppendChainToDisplay(7), 1);
    EXPECT_EQ(ChainDisplayList.entries[0], 7);
}

// An elimination on the computed candidates is gone at their next computation; in the
// pencil marks it stays.
TEST_F(AnalysisState, EliminationsLastInTheMarksOnly) {
    LoadGivens(BUILTIN_PUZZLE);
    ComputeCandidates();
    const DigitMask before = CandidateGrid[0];
    ASSERT_NE(before & 0x010, 0); // 5 is a candidate of r1c1
    for (int show : {1, 0}) {
        SCOPED_TRACE(show);
        AnalysisOptions.showCandidates = show;
        if (!show) LoadMarks(MARKS_FROM_CANDIDATES);
        RunAnalysis(); // chooses the grid
        StepMarks[0] = MARK_TARGET;
        StepMarks[1] = MARK_PATTERN | 0x010;
        ApplyStep(STEP_LOCKED, false);
        EXPECT_EQ(AnalysisGrid[0], before & ~0x010);
        ComputeCandidates();
        EXPECT_EQ((show ? CandidateGrid : MarkGrid)[0], show ? before : before & ~0x010);
    }
}
