// Forcing chains: the colour trap firing and not, the two-chain rule (and its stop at the
// node itself), the rule through another candidate of the cell, and the order of the rules.
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/forcing.h"
#include "analysis/state.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstring>
#include <vector>

namespace {

constexpr DigitMask Bit(int digit) {
    return DigitMask(1u << (digit - 1));
}

struct NodeSpec {
    int cell, digit, chain, colour;
};

class Forcing : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        AnalysisGrid = MarkGrid;
        std::memset(MarkGrid, 0, sizeof MarkGrid);
    }
    static void Put(int cell, std::initializer_list<int> digits) {
        for (int d : digits) MarkGrid[cell] |= Bit(d);
    }
    // A graph given node by node (chains in block order), with its weak links.
    static void SetGraph(std::initializer_list<NodeSpec> nodes) {
        ChainNodeCount = 0;
        ChainCount = 0;
        for (const NodeSpec& n : nodes) {
            ChainNodeTable[ChainNodeCount] = {Bit(n.digit), int16_t(n.cell), int16_t(n.chain),
                                              int16_t(n.colour)};
            if (n.chain == ChainCount) ChainTable[ChainCount++] = {0, int16_t(ChainNodeCount)};
            ChainTable[n.chain].digits |= Bit(n.digit);
            ChainNodeCount++;
        }
        ChainTable[ChainCount] = {0, int16_t(ChainNodeCount)};
        CollectWeakLinks();
    }
    static std::vector<int> Shown() {
        return std::vector<int>(ChainDisplayList.entries,
                                ChainDisplayList.entries + ChainDisplayList.count);
    }
    static int MarkedCells() {
        int n = 0;
        for (uint16_t m : StepMarks) n += m != 0;
        return n;
    }
};

TEST_F(Forcing, ColourTrapRemovesTheDigitSeenInBothColours) {
    // Digit 1: 0-4 (row 0), 4-40 (column 4), 40-36 (row 4) colour 0, 4, 40, 36 as 1, 0, 1, 0.
    // Column 0 holds 1 at 0, 36 and 72, so 72 sees colour 1 at 0 and colour 0 at 36.
    for (int c : {0, 4, 40, 36}) Put(c, {1});
    Put(72, {1, 5, 6});
    BuildChains();
    ASSERT_EQ(ChainCount, 1);
    ASSERT_EQ(FindForcingChain(), 1);
    EXPECT_EQ(StepMarks[0], MARK_PATTERN | Bit(1));
    EXPECT_EQ(StepMarks[36], MARK_PATTERN | Bit(1));
    EXPECT_EQ(StepMarks[72], MARK_TARGET);
    EXPECT_EQ(MarkedCells(), 3);
    EXPECT_EQ(Shown(), std::vector<int>{0});
    ApplyStep(16, false);
    EXPECT_EQ(MarkGrid[72], Bit(5) | Bit(6));
    EXPECT_EQ(MarkGrid[36], Bit(1));
}

TEST_F(Forcing, CellSeeingOneColourIsNoTrap) {
    // The chain is 0-4 only: 72 sees colour 1 at 0 and nothing else.
    for (int c : {0, 4, 36}) Put(c, {1});
    Put(72, {1, 5, 6});
    BuildChains();
    ASSERT_EQ(ChainCount, 1);
    EXPECT_EQ(FindColourTrap(72), 0);
    EXPECT_EQ(FindForcingChain(), 0);
    EXPECT_EQ(MarkedCells(), 0);
    EXPECT_EQ(ChainDisplayList.count, 0);
}

TEST_F(Forcing, NoChainsNoStep) {
    for (int c : {0, 10, 20, 30, 40, 50}) Put(c, {1, 2, 3});
    BuildChains();
    ASSERT_EQ(ChainCount, 0);
    EXPECT_EQ(FindForcingChain(), 0);
    EXPECT_EQ(MarkedCells(), 0);
    EXPECT_EQ(ChainDisplayList.count, 0);
}

TEST_F(Forcing, SameColourTwiceIsNoTrap) {
    SetGraph({{0, 1, 0, 1}, {27, 1, 0, 1}, {8, 1, 0, 0}});
    Put(63, {1});
    EXPECT_EQ(FindColourTrap(63), 0);
}

// Chain 0: 0 and 27 (colour 1, both seen by 63), 8 (colour 0). Chain 1: 44 (colour 0), 17 and
// 64 (colour 1; 64 seen by 63). Links 8-44 and 8-17.
void TwoChainGraph(void (*setGraph)(std::initializer_list<NodeSpec>)) {
    setGraph(
        {{0, 1, 0, 1}, {27, 1, 0, 1}, {8, 1, 0, 0}, {44, 1, 1, 0}, {17, 1, 1, 1}, {64, 1, 1, 1}});
}

TEST_F(Forcing, TwoChainsProveOneOfTwoSeenNodes) {
    TwoChainGraph(SetGraph);
    ASSERT_EQ(WeakLinkCount, 2);
    Put(63, {1});
    // a = 0 (chain 0): in chain 0 the scan stops at a itself, so 27 is not tried with it;
    // chain 1 gives 64, and 0 false makes 8 true, 44 false, 64 true.
    ASSERT_EQ(FindChainPairElimination(63), 1);
    EXPECT_EQ(StepMarks[0], MARK_PATTERN | Bit(1));
    EXPECT_EQ(StepMarks[64], MARK_PATTERN | Bit(1));
    EXPECT_EQ(StepMarks[63], MARK_TARGET);
    EXPECT_EQ(StepMarks[27], 0);
    EXPECT_EQ(Shown(), (std::vector<int>{1, 0, 1}));
}

TEST_F(Forcing, TwoChainsTriesEarlierNodesOfTheSameChain) {
    // Without 64, the pair comes from chain 0 itself: a = 27 with b = 0, found before it.
    SetGraph({{0, 1, 0, 1}, {27, 1, 0, 1}, {8, 1, 0, 0}, {44, 1, 1, 0}, {17, 1, 1, 1}});
    Put(63, {1});
    ASSERT_EQ(FindChainPairElimination(63), 1);
    EXPECT_EQ(StepMarks[0], MARK_PATTERN | Bit(1));
    EXPECT_EQ(StepMarks[27], MARK_PATTERN | Bit(1));
    EXPECT_EQ(StepMarks[63], MARK_TARGET);
    EXPECT_EQ(Shown(), (std::vector<int>{0, 1, 0, 0}));
}

TEST_F(Forcing, OtherCandidateOfTheCellInTheSameChain) {
    // 72 (digit 1) sees 0, whose digit 2 is the other colour: 72 or 0's 2 is true.
    SetGraph({{72, 1, 0, 1}, {0, 2, 0, 0}});
    Put(0, {1, 2});
    EXPECT_EQ(FindChainPairElimination(0), 0);
    ASSERT_EQ(FindForcingChain(), 1);
    EXPECT_EQ(StepMarks[0], MARK_TARGET);
    EXPECT_EQ(StepMarks[72], MARK_PATTERN | Bit(1));
    EXPECT_EQ(MarkedCells(), 2);
    EXPECT_EQ(Shown(), std::vector<int>{0});
}

TEST_F(Forcing, OtherCandidateOfTheCellThroughAnotherChain) {
    // 72 false: 80 is 1, 44 is not, so chain 1's colour 0 holds and 0 is 2.
    SetGraph({{72, 1, 0, 1}, {80, 1, 0, 0}, {0, 2, 1, 0}, {44, 1, 1, 1}});
    Put(0, {1, 2});
    ASSERT_EQ(FindCellChainElimination(0), 1);
    EXPECT_EQ(StepMarks[0], MARK_TARGET);
    EXPECT_EQ(StepMarks[72], MARK_PATTERN | Bit(1));
    EXPECT_EQ(StepMarks[44], 0);
    EXPECT_EQ(Shown(), (std::vector<int>{1, 0}));
}

TEST_F(Forcing, ColourTrapAnywhereComesBeforeTheOtherRules) {
    // 63 has a two-chain step; 80, later in cell order, a colour trap on digit 3.
    SetGraph({{0, 1, 0, 1},
              {27, 1, 0, 1},
              {8, 1, 0, 0},
              {44, 1, 1, 0},
              {17, 1, 1, 1},
              {64, 1, 1, 1},
              {78, 3, 2, 0},
              {62, 3, 2, 1}});
    Put(63, {1});
    Put(80, {3});
    ASSERT_EQ(FindForcingChain(), 1);
    EXPECT_EQ(StepMarks[80], MARK_TARGET);
    EXPECT_EQ(StepMarks[78], MARK_PATTERN | Bit(3));
    EXPECT_EQ(StepMarks[62], MARK_PATTERN | Bit(3));
    EXPECT_EQ(StepMarks[63], 0);
    EXPECT_EQ(Shown(), std::vector<int>{2});
}

TEST_F(Forcing, PeerNodeScanWalksOneChainFromAnIndex) {
    TwoChainGraph(SetGraph);
    EXPECT_EQ(FindPeerNodeInChain(63, 0, 0, Bit(1)), 0);
    EXPECT_EQ(FindPeerNodeInChain(63, 1, 0, Bit(1)), 1);
    EXPECT_EQ(FindPeerNodeInChain(63, 2, 0, Bit(1)), -1);
    EXPECT_EQ(FindPeerNodeInChain(63, 0, 1, Bit(1)), 5);
    EXPECT_EQ(FindPeerNodeInChain(63, 0, 0, Bit(2)), -1);
    EXPECT_EQ(FindPeerNodeInChain(0, 0, 0, Bit(1)), 1); // a node in the cell is no peer
}

} // namespace
