// Almost locked sets: the listing (each set once), restricted common digits, ALS-XZ doubly
// and singly linked, targets never inside a set, the first pass against the second (links
// through the chain graph), the ALS-chain rule, and the table limits.
#include "analysis/als.h"
#include "analysis/chains.h"
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

class Als : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        AnalysisGrid = MarkGrid;
        std::memset(MarkGrid, 0, sizeof MarkGrid);
        std::memset(Board, 1, sizeof Board); // filled: only the cells opened below are empty
    }
    static void Open(int cell, std::initializer_list<int> digits) {
        Board[cell] = 0;
        for (int d : digits) MarkGrid[cell] |= Bit(d);
    }
    static std::vector<int> Cells(int als) {
        const uint8_t* cells;
        int n = AlsCells(als, &cells);
        return std::vector<int>(cells, cells + n);
    }
    static int MarkedCells() {
        int n = 0;
        for (uint16_t m : StepMarks) n += m != 0;
        return n;
    }
};

using V = std::vector<int>;

TEST_F(Als, EachSetListedOnceThoughFoundInSeveralUnits) {
    // Row 1 = box 0's open cells: 9 {1,2}, 10 {4,7}, 11 {2,3}; 37 opens column 1.
    Open(9, {1, 2});
    Open(10, {4, 7});
    Open(11, {2, 3});
    Open(37, {5, 6, 8});
    EXPECT_EQ(FindAlmostLockedSets(), 0);
    ASSERT_EQ(AlsCount, 4);
    EXPECT_EQ(Cells(0), V{9});
    EXPECT_EQ(Cells(1), V{10});
    EXPECT_EQ(Cells(2), V{11});
    EXPECT_EQ(Cells(3), (V{9, 11}));
}

TEST_F(Als, DoublyLinkedPairRemovesEitherCommonDigit) {
    Open(0, {4, 7});
    Open(1, {4, 7});
    Open(5, {4, 9});
    ASSERT_EQ(FindAlmostLockedSets(), 1);
    ASSERT_EQ(AlsCount, 5);
    EXPECT_EQ(Cells(3), (V{0, 5}));
    EXPECT_EQ(Cells(4), (V{1, 5}));
    // Sets sharing a cell never pair on that cell's digits.
    const AlsPairRecord expected[] = {{0x48, 0, 1}, {0x08, 0, 2}, {0x48, 0, 4},
                                      {0x08, 1, 2}, {0x48, 1, 3}, {0x40, 3, 4}};
    ASSERT_EQ(AlsPairCount, 6);
    for (int p = 0; p < 6; p++) {
        EXPECT_EQ(AlsPairTable[p].digits, expected[p].digits) << p;
        EXPECT_EQ(AlsPairTable[p].first, expected[p].first) << p;
        EXPECT_EQ(AlsPairTable[p].second, expected[p].second) << p;
    }
    EXPECT_EQ(StepMarks[5], MARK_TARGET);
    EXPECT_EQ(StepMarks[0], MARK_ALS | Bit(4));
    EXPECT_EQ(StepMarks[1], MARK_LINK | Bit(4));
    EXPECT_EQ(MarkedCells(), 3);
}

TEST_F(Als, DoublyLinkedPairRemovesSevenWhereFourIsMissing) {
    Open(0, {4, 7});
    Open(1, {4, 7});
    Open(5, {7, 9});
    ASSERT_EQ(FindAlmostLockedSets(), 1);
    EXPECT_EQ(StepMarks[5], MARK_TARGET);
    EXPECT_EQ(StepMarks[0], MARK_ALS | Bit(7));
    EXPECT_EQ(StepMarks[1], MARK_LINK | Bit(7));
}

TEST_F(Als, OneCommonDigitAloneGivesNoStep) {
    Open(0, {1, 2});
    Open(1, {1, 3});
    EXPECT_EQ(FindAlmostLockedSets(), 0);
    ASSERT_EQ(AlsCount, 2);
    ASSERT_EQ(AlsPairCount, 1);
    EXPECT_EQ(AlsPairTable[0].digits, Bit(1));
    EXPECT_EQ(MarkedCells(), 0);
}

TEST_F(Als, SinglyLinkedPairRemovesTheOtherCommonDigit) {
    // A = {0, 1} holds 1, 2, 3; B = {36} holds 2, 3. 2 is restricted (0 sees 36), 3 is not
    // (1 does not see 36): 1 or 36 is 3, so 37, seeing both, is not.
    Open(0, {1, 2});
    Open(1, {1, 3});
    Open(2, {4, 5, 6, 7, 8, 9});
    Open(36, {2, 3});
    Open(37, {3, 5, 6});
    ASSERT_EQ(FindAlmostLockedSets(), 1);
    ASSERT_EQ(AlsCount, 4);
    EXPECT_EQ(Cells(2), (V{0, 1}));
    EXPECT_EQ(Cells(3), V{36});
    EXPECT_EQ(StepMarks[37], MARK_TARGET);
    EXPECT_EQ(StepMarks[0], MARK_ALS | Bit(3));
    EXPECT_EQ(StepMarks[1], MARK_ALS | Bit(3));
    EXPECT_EQ(StepMarks[36], MARK_LINK | Bit(3));
    EXPECT_EQ(MarkedCells(), 4);
}

TEST_F(Als, DoublyLinkedRemovesADigitOfOneSetOnly) {
    // A = {0, 1} holds 4, 7, 9, B = {10} holds 4, 7; X = {4, 7}, so 9 stays in A.
    MarkGrid[0] = Bit(4) | Bit(9);
    MarkGrid[1] = Bit(7) | Bit(9);
    MarkGrid[10] = Bit(4) | Bit(7);
    MarkGrid[5] = Bit(5) | Bit(9);
    MarkGrid[36] = Bit(5) | Bit(9);
    AddAls(0, 0b11, 2);
    AddAls(1, 0b10, 1);
    ASSERT_EQ(AlsCount, 2);
    RecordAlsPair(0, 1);
    ASSERT_EQ(AlsPairCount, 1);
    EXPECT_EQ(AlsPairTable[0].digits, Bit(4) | Bit(7));
    EXPECT_EQ(TryAlsPair(36, 0), 0); // sees 0 but not 1
    EXPECT_EQ(AlsUnion(1, 0), 0xFFFF);
    EXPECT_EQ(TryAlsPair(1, 0), 0); // a cell of a set is never its target
    EXPECT_EQ(MarkedCells(), 0);
    ASSERT_EQ(TryAlsPair(5, 0), 1);
    EXPECT_EQ(StepMarks[5], MARK_TARGET);
    EXPECT_EQ(StepMarks[0], MARK_ALS | Bit(9));
    EXPECT_EQ(StepMarks[1], MARK_ALS | Bit(9));
    EXPECT_EQ(StepMarks[10], MARK_LINK | Bit(9));
}

TEST_F(Als, CellInBothSetsIsMarkedShared) {
    MarkGrid[0] = Bit(1) | Bit(2);
    MarkGrid[1] = Bit(2) | Bit(3);
    MarkGrid[2] = Bit(3) | Bit(4);
    MarkGrid[8] = Bit(1) | Bit(4);
    AddAls(0, 0b011, 2); // {0, 1}: 1, 2, 3
    AddAls(0, 0b110, 2); // {1, 2}: 2, 3, 4
    RecordAlsPair(0, 1);
    ASSERT_EQ(AlsPairCount, 0); // 2 and 3 both sit in cell 1 of both sets
    // Pairs set by hand: with X = {1} the other digits 8 holds (4) are not in A: nothing.
    AlsPairTable[0] = {Bit(1), 0, 1};
    AlsPairCount = 1;
    EXPECT_EQ(TryAlsPair(8, 0), 0);
    // With X = {2, 3}, A's own 1, seen by 8 in cell 0, goes.
    AlsPairTable[0] = {Bit(2) | Bit(3), 0, 1};
    ASSERT_EQ(TryAlsPair(8, 0), 1);
    EXPECT_EQ(StepMarks[8], MARK_TARGET);
    EXPECT_EQ(StepMarks[0], MARK_ALS | Bit(1));
    EXPECT_EQ(StepMarks[1], MARK_SHARED | Bit(1));
    EXPECT_EQ(StepMarks[2], MARK_LINK | Bit(1));
}

TEST_F(Als, SecondPassLinksCellsThroughTheChainGraph) {
    // 0 and 80 hold 1, 2 and do not see each other: the first pass pairs nothing. With the
    // graph saying 0 and 80 are not both 1, one of them is 2, and 8 sees both.
    Open(0, {1, 2});
    Open(80, {1, 2});
    Open(8, {2, 5, 6});
    AnalysisOptions.techniques = 0x3F;
    LinkCache[0] = Bit(1) | LINK_CACHE_LINKED | 0u << 16 | 80u << 24;
    LinkCacheCount = 1;
    EXPECT_EQ(FindAlmostLockedSets(), 0);
    EXPECT_EQ(AlsCount, 2);
    EXPECT_EQ(AlsPairCount, 0);
    EXPECT_EQ(LinkCacheCount, 1); // the first pass asks nothing

    AnalysisOptions.techniques |= TECH_ALS_CHAINS;
    ASSERT_EQ(FindAlmostLockedSets(), 1);
    ASSERT_EQ(AlsPairCount, 1);
    EXPECT_EQ(AlsPairTable[0].digits, Bit(1));
    EXPECT_EQ(StepMarks[8], MARK_TARGET);
    EXPECT_EQ(StepMarks[0], MARK_ALS | Bit(2));
    EXPECT_EQ(StepMarks[80], MARK_LINK | Bit(2));
    // Only the pair 0-80 was asked about, for 1 (cached) and 2 (answered and stored).
    ASSERT_EQ(LinkCacheCount, 2);
    EXPECT_EQ(LinkCache[1], Bit(2) | 0u << 16 | 80u << 24);
}

// A = {0} holding 1, 2. Nodes in the graph that see 0 with 1 and with 2 cannot both be true.
class AlsChain : public Als {
  protected:
    void SetUp() override {
        Als::SetUp();
        MarkGrid[0] = Bit(1) | Bit(2);
        AddAls(0, 0b1, 1);
        AnalysisOptions.techniques = 0x3F | TECH_ALS_CHAINS;
    }
    struct NodeSpec {
        int cell, digit, chain, colour;
    };
    static void SetGraph(std::initializer_list<NodeSpec> nodes) {
        ChainNodeCount = 0;
        ChainCount = 0;
        for (const NodeSpec& n : nodes) {
            ChainNodeTable[ChainNodeCount] = {Bit(n.digit), int16_t(n.cell), int16_t(n.chain),
                                              int16_t(n.colour)};
            if (n.chain == ChainCount) ChainTable[ChainCount++] = {0, int16_t(ChainNodeCount)};
            ChainTable[n.chain].digits |= Bit(n.digit);
            ChainNodeCount++;
            MarkGrid[n.cell] |= Bit(n.digit);
        }
        ChainTable[ChainCount] = {0, int16_t(ChainNodeCount)};
        CollectWeakLinks();
    }
};

TEST_F(AlsChain, SameColourNodesMakeTheirColourFalse) {
    // 9 (1) and 18 (2) share colour 1: that colour is false. Its nodes with digit 1 are
    // targets; 18, with digit 2, is not (the step removes one digit from all targets).
    SetGraph({{9, 1, 0, 1}, {18, 2, 0, 1}, {27, 1, 0, 0}, {45, 1, 0, 1}});
    ASSERT_EQ(TryAlsChain(0), 1);
    EXPECT_EQ(StepMarks[0], MARK_ALS | Bit(1));
    EXPECT_EQ(StepMarks[9], MARK_TARGET);
    EXPECT_EQ(StepMarks[45], MARK_TARGET);
    EXPECT_EQ(StepMarks[18], 0);
    EXPECT_EQ(StepMarks[27], 0);
    EXPECT_EQ(ChainDisplayList.count, 1);
    EXPECT_EQ(ChainDisplayList.entries[0], 0);
}

TEST_F(AlsChain, NodeForcingItsRivalIsFalse) {
    // 9 is 1 => 40 is 5 => 44 is not 5 => 18 is 2: then 0 has neither digit, so 9 is not 1.
    SetGraph({{9, 1, 0, 1}, {40, 5, 0, 1}, {27, 1, 0, 0}, {44, 5, 1, 0}, {18, 2, 1, 1}});
    ASSERT_EQ(WeakLinkCount, 1);
    ASSERT_EQ(TryAlsChain(0), 1);
    EXPECT_EQ(StepMarks[0], MARK_ALS | Bit(1));
    EXPECT_EQ(StepMarks[9], MARK_TARGET);
    EXPECT_EQ(StepMarks[40], 0);
    EXPECT_EQ(MarkedCells(), 2);
    ASSERT_EQ(ChainDisplayList.count, 3);
    EXPECT_EQ(ChainDisplayList.entries[0], 1);
    EXPECT_EQ(ChainDisplayList.entries[1], 0);
    EXPECT_EQ(ChainDisplayList.entries[2], 1);
}

TEST_F(AlsChain, OffInTheFirstPassAndWithoutNodes) {
    SetGraph({{9, 1, 0, 1}, {18, 2, 0, 1}});
    AnalysisOptions.techniques = 0x3F;
    EXPECT_EQ(TryAlsChain(0), 0);
    AnalysisOptions.techniques |= TECH_ALS_CHAINS;
    ChainNodeCount = 0;
    EXPECT_EQ(TryAlsChain(0), 0);
    EXPECT_EQ(MarkedCells(), 0);
}

TEST_F(Als, TablesStopAt1024SetsAnd4095Pairs) {
    // Every cell open with 1-4: every three cells of a row or column are a set (1,512 of them).
    std::memset(Board, 0, sizeof Board);
    for (DigitMask& m : MarkGrid) m = 0x0F;
    EXPECT_EQ(FindAlmostLockedSets(), 1);
    ASSERT_EQ(AlsCount, ALS_MAX);
    EXPECT_EQ(Cells(0), (V{0, 1, 2}));
    EXPECT_EQ(Cells(756), (V{0, 9, 18})); // after the 9 x 84 row triples, column 0
    AddAls(26, 0b111, 3);
    EXPECT_EQ(AlsCount, ALS_MAX);
    ASSERT_EQ(AlsPairCount, ALS_PAIRS_MAX);
    for (int p = 1; p < AlsPairCount; p++) {
        const AlsPairRecord& a = AlsPairTable[p - 1];
        const AlsPairRecord& b = AlsPairTable[p];
        EXPECT_TRUE(a.first < b.first || (a.first == b.first && a.second < b.second)) << p;
        EXPECT_LT(b.first, b.second);
    }
    EXPECT_EQ(AlsPairTable[0].first, 0);
    EXPECT_EQ(AlsPairTable[0].second, 19); // {3, 4, 5}: the first triple apart from {0, 1, 2}
}

} // namespace
