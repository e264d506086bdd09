// The analysis working state: bit helpers, peers, the display list, and where eliminations live.
#include "analysis/driver.h"
#include "analysis/state.h"
#include "model/board.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"

class AnalysisState : public CoreTest {};

TEST_F(AnalysisState, NextSubsetOfSizeWalksMasksInIncreasingOrder) {
    uint32_t s = NextSubsetOfSize(0, 0b1011, 2);
    EXPECT_EQ(s, 0b0011u);
    s = NextSubsetOfSize(s, 0b1011, 2);
    EXPECT_EQ(s, 0b1001u);
    s = NextSubsetOfSize(s, 0b1011, 2);
    EXPECT_EQ(s, 0b1010u);
    EXPECT_EQ(NextSubsetOfSize(s, 0b1011, 2), 0u);
}

TEST_F(AnalysisState, NextSubsetOfSizeCountsEveryCombinationOnce) {
    // C(9, 4) digit sets, C(9, 2) box pairs in the box family, none too big for the mask.
    int count = 0;
    uint32_t prev = 0;
    for (uint32_t s = NextSubsetOfSize(0, 0x1FF, 4); s; s = NextSubsetOfSize(s, 0x1FF, 4)) {
        EXPECT_GT(s, prev);
        EXPECT_EQ(PopCount(s), 4);
        prev = s;
        count++;
    }
    EXPECT_EQ(count, 126);
    count = 0;
    for (uint32_t s = NextSubsetOfSize(0, 0x7FC0000, 2); s; s = NextSubsetOfSize(s, 0x7FC0000, 2)) {
        EXPECT_EQ(s & ~0x7FC0000u, 0u);
        count++;
    }
    EXPECT_EQ(count, 36);
    EXPECT_EQ(NextSubsetOfSize(0, 0b101, 3), 0u);
}

TEST_F(AnalysisState, BitHelpersAtTheirEdges) {
    EXPECT_EQ(LowestBitIndex(0), -1);
    EXPECT_EQ(LowestBitIndex(0x100), 8);
    EXPECT_EQ(PopCount(0x1FF), 9);
    EXPECT_EQ(LowestBit(0), 0u);
    EXPECT_EQ(LowestBit(0x1A0), 0x20u);
}

TEST_F(AnalysisState, IsPeerMatchesSharedRowColumnOrBox) {
    for (int a = 0; a < 81; a++) {
        int peers = 0;
        for (int b = 0; b < 81; b++) {
            bool shared = a != b && (a / 9 == b / 9 || a % 9 == b % 9 || BoxOf(a) == BoxOf(b));
            EXPECT_EQ(IsPeer(a, b), shared) << a << " " << b;
            peers += IsPeer(a, b);
        }
        EXPECT_EQ(peers, 20);
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

TEST_F(AnalysisState, OnlyAnExactTargetKindLosesDigits) {
    for (int i = 0; i < 81; i++) MarkGrid[i] = ALL_DIGITS;
    AnalysisGrid = MarkGrid;
    StepMarks[10] = 0x3000; // link: has the 0x2000 bit but is not a target
    StepMarks[11] = 0x5000 | 0x004;
    StepMarks[12] = MARK_TARGET; // target with no digits of its own
    StepMarks[13] = MARK_PATTERN | 0x001;
    ApplyStep(4, false);
    EXPECT_EQ(MarkGrid[10], ALL_DIGITS);
    EXPECT_EQ(MarkGrid[11], ALL_DIGITS);
    EXPECT_EQ(MarkGrid[12], ALL_DIGITS & ~0x005); // loses every marked digit
    EXPECT_EQ(MarkGrid[13], ALL_DIGITS);
}

TEST_F(AnalysisState, EliminationOnComputedCandidatesLastsUntilRecomputed) {
    LoadGivens(BUILTIN_PUZZLE);
    ComputeCandidates();
    DigitMask before = CandidateGrid[0];
    ASSERT_NE(before & 0x010, 0); // 5 is a candidate of r1c1
    AnalysisOptions.showCandidates = 1;
    RunAnalysis(); // chooses the CandidateGrid
    ResetState(RESET_ANALYSIS);
    StepMarks[0] = MARK_TARGET;
    StepMarks[1] = MARK_PATTERN | 0x010;
    ApplyStep(4, false);
    EXPECT_EQ(CandidateGrid[0], before & ~0x010);
    ComputeCandidates();
    EXPECT_EQ(CandidateGrid[0], before);

    AnalysisOptions.showCandidates = 0;
    LoadMarks(1);
    RunAnalysis(); // now the MarkGrid
    ResetState(RESET_ANALYSIS);
    StepMarks[0] = MARK_TARGET;
    StepMarks[1] = MARK_PATTERN | 0x010;
    ApplyStep(4, false);
    ComputeCandidates();
    EXPECT_EQ(MarkGrid[0], before & ~0x010);
}

// The direct computation must follow the defining walk exactly, for every mask family in use.
static uint32_t WalkNextSubset(uint32_t prev, uint32_t mask, int k) {
    uint32_t s = prev;
    do {
        s = (s - mask) & mask;
    } while (s != 0 && PopCount(s) != k);
    return s;
}

TEST_F(AnalysisState, NextSubsetOfSizeAgreesWithTheDefiningWalk) {
    const uint32_t masks[] = {0x1FF, 0x3FE00, 0x7FC0000, 0x3FFFF, 0x16B, 0x1, 0x0, 0x155};
    for (uint32_t mask : masks)
        for (int k = 1; k <= 4; k++) {
            uint32_t a = 0, b = 0;
            do {
                a = NextSubsetOfSize(a, mask, k);
                b = WalkNextSubset(b, mask, k);
                ASSERT_EQ(a, b) << std::hex << mask << " k=" << k;
            } while (a != 0);
        }
    EXPECT_EQ(PopCount(0xFFFFFFFFu), 32);
    EXPECT_EQ(PopCount(0x80000001u), 2);
}
