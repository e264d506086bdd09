// The chain graph: colouring from strong links and two-candidate cells, seed order, weak
// links, grouped links and block merging, ChainImplies, QueryAlsLink with its cache, the
// table limits, and chains checked against the solutions of real puzzles.
#include "analysis/chains.h"
#include "analysis/state.h"
#include "exactcover/count.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr DigitMask Bit(int digit) {
    return DigitMask(1u << (digit - 1));
}

struct NodeSpec {
    int cell, digit, chain, colour;
};

class Chains : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        AnalysisGrid = MarkGrid;
        std::memset(MarkGrid, 0, sizeof MarkGrid);
    }
    static void Put(int cell, std::initializer_list<int> digits) {
        for (int d : digits) MarkGrid[cell] |= Bit(d);
    }
    static void ExpectNode(int n, int cell, int digit, int chain, int colour) {
        SCOPED_TRACE(n);
        ASSERT_LT(n, ChainNodeCount);
        EXPECT_EQ(ChainNodeTable[n].cell, cell);
        EXPECT_EQ(ChainNodeTable[n].digits, Bit(digit));
        EXPECT_EQ(ChainNodeTable[n].chain, chain);
        EXPECT_EQ(ChainNodeTable[n].colour, colour);
    }
    // A graph given node by node, chains in block order.
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
    }
    // Digit 1 in row 0 (cells 0, 8) and row 4 (40, 44), digit 2 in column 0 (0, 72); cell 0
    // holds 1, 2, 3; column 8 holds 1 three times (8, 44, 80), so 8 and 44 are only peers.
    static void ThreeChains() {
        for (int c : {0, 8, 40, 44, 80}) Put(c, {1});
        for (int c : {0, 72}) Put(c, {2});
        Put(0, {3});
        BuildChains();
    }
};

// Every chain a non-empty block in chain order, ChainTable in step, no node twice.
void ExpectWellFormed() {
    ASSERT_LE(ChainCount, CHAINS_MAX);
    ASSERT_LE(ChainNodeCount, CHAIN_NODES_MAX);
    EXPECT_EQ(ChainTable[0].first, 0);
    EXPECT_EQ(ChainTable[ChainCount].first, ChainNodeCount);
    for (int k = 0; k < ChainCount; k++) {
        ASSERT_LT(ChainTable[k].first, ChainTable[k + 1].first) << "chain " << k;
        DigitMask digits = 0;
        for (int n = ChainTable[k].first; n < ChainTable[k + 1].first; n++) {
            EXPECT_EQ(ChainNodeTable[n].chain, k) << "node " << n;
            digits |= ChainNodeTable[n].digits;
        }
        EXPECT_EQ(ChainTable[k].digits, digits) << "chain " << k;
    }
    for (int n = 0; n < ChainNodeCount; n++)
        for (int m = n + 1; m < ChainNodeCount; m++)
            EXPECT_FALSE(ChainNodeTable[n].cell == ChainNodeTable[m].cell &&
                         ChainNodeTable[n].digits == ChainNodeTable[m].digits)
                << n << " " << m;
}

TEST_F(Chains, RowPairMakesOneChainSeedColouredOne) {
    Put(2, {5});
    Put(6, {5});
    BuildChains();
    ASSERT_EQ(ChainCount, 1);
    ASSERT_EQ(ChainNodeCount, 2);
    ExpectNode(0, 2, 5, 0, 1);
    ExpectNode(1, 6, 5, 0, 0);
    EXPECT_EQ(ChainTable[0].digits, Bit(5));
    EXPECT_EQ(ChainTable[1].first, 2);
}

TEST_F(Chains, BivalueCellMakesOneChainLowerDigitFirst) {
    Put(40, {3, 8});
    BuildChains();
    ASSERT_EQ(ChainCount, 1);
    ASSERT_EQ(ChainNodeCount, 2);
    ExpectNode(0, 40, 3, 0, 1);
    ExpectNode(1, 40, 8, 0, 0);
    EXPECT_EQ(ChainTable[0].digits, Bit(3) | Bit(8));
}

TEST_F(Chains, BoxPairInOneRowLinksOnlyCellsStrongElsewhere) {
    // Digit 1 in box 0 only at 0 and 1 (both in row 0, which also has 5): no box link by
    // itself. Column 0 pairs 0 with 63.
    for (int c : {0, 1, 5, 63}) Put(c, {1});
    BuildChains();
    ASSERT_EQ(ChainCount, 1);
    ASSERT_EQ(ChainNodeCount, 2);
    ExpectNode(0, 0, 1, 0, 1);
    ExpectNode(1, 63, 1, 0, 0);

    // With column 1 pairing 1 with 37, both cells are strong and the box joins them.
    Put(37, {1});
    BuildChains();
    ASSERT_EQ(ChainCount, 1);
    ASSERT_EQ(ChainNodeCount, 4);
    ExpectNode(0, 0, 1, 0, 1);
    ExpectNode(1, 63, 1, 0, 0);
    ExpectNode(2, 1, 1, 0, 0);
    ExpectNode(3, 37, 1, 0, 1);
}

TEST_F(Chains, SeedsGoByCellThenLowestDigit) {
    // Cell 10 holds 4, 6, 9: 4 pairs with 16 in row 1, 6 with 64 in column 1; 7 pairs in row 8
    // and 2 in row 0 (cells 3 and 4, one box: the row still links them).
    Put(10, {4, 6, 9});
    Put(16, {4});
    Put(64, {6});
    Put(72, {7});
    Put(80, {7});
    Put(3, {2});
    Put(4, {2});
    BuildChains();
    ASSERT_EQ(ChainCount, 4);
    ExpectNode(0, 3, 2, 0, 1);
    ExpectNode(1, 4, 2, 0, 0);
    ExpectNode(2, 10, 4, 1, 1);
    ExpectNode(3, 16, 4, 1, 0);
    ExpectNode(4, 10, 6, 2, 1);
    ExpectNode(5, 64, 6, 2, 0);
    ExpectNode(6, 72, 7, 3, 1);
    ExpectNode(7, 80, 7, 3, 0);
    ExpectWellFormed();
}

TEST_F(Chains, WeakLinksJoinSameCellsAndPeersWithEqualDigits) {
    ThreeChains();
    ASSERT_EQ(ChainCount, 3);
    ExpectNode(0, 0, 1, 0, 1);
    ExpectNode(1, 8, 1, 0, 0);
    ExpectNode(2, 0, 2, 1, 1);
    ExpectNode(3, 72, 2, 1, 0);
    ExpectNode(4, 40, 1, 2, 1);
    ExpectNode(5, 44, 1, 2, 0);
    CollectWeakLinks();
    // (0,1)-(0,2) share a cell; (8,1)-(44,1) see each other; (0,1)-(72,2) and (8,1)-(0,2)
    // see each other with different digits and are no link.
    ASSERT_EQ(WeakLinkCount, 2);
    EXPECT_EQ(WeakLinks[0].first, 0);
    EXPECT_EQ(WeakLinks[0].second, 2);
    EXPECT_EQ(WeakLinks[1].first, 1);
    EXPECT_EQ(WeakLinks[1].second, 5);
}

TEST_F(Chains, ChainImpliesFollowsWeakLinksAndListsChainsDeepestFirst) {
    ThreeChains();
    CollectWeakLinks();
    // 72 not 2: 0 is 2, so 0 is not 1, 8 is 1, 44 is not 1 and 40 is 1.
    EXPECT_TRUE(ChainImplies(3, 4, 0));
    ASSERT_EQ(ChainDisplayList.count, 2);
    EXPECT_EQ(ChainDisplayList.entries[0], 2);
    EXPECT_EQ(ChainDisplayList.entries[1], 0);
    for (int k = 0; k < CHAINS_MAX; k++) EXPECT_EQ(ChainVisited[k], 0);

    // The same walk ends on 44 with 44's colour: nothing follows for 44, the search fails.
    ChainDisplayList.count = 0;
    EXPECT_FALSE(ChainImplies(3, 5, 0));
    EXPECT_EQ(ChainDisplayList.count, 0);
    // 0 not 2 makes 72 2, which links to nothing.
    EXPECT_FALSE(ChainImplies(2, 4, 1));
}

TEST_F(Chains, ChainImpliesSkipsLinksEndingAtTheSoughtNode) {
    // a = (0, 1) and b = (80, 1) in chain 1 with two colours; chain 0 is 44 (colour 0, sees
    // 80) and 9 (colour 1, sees 0). A link whose second node is b is not followed, and the
    // link into a's own colour tells nothing: no proof.
    SetGraph({{44, 1, 0, 0}, {9, 1, 0, 1}, {0, 1, 1, 1}, {80, 1, 1, 0}});
    CollectWeakLinks();
    ASSERT_EQ(WeakLinkCount, 2);
    EXPECT_EQ(WeakLinks[0].second, 3);
    EXPECT_FALSE(ChainImplies(2, 3, 1));
    EXPECT_EQ(ChainDisplayList.count, 0);
}

TEST_F(Chains, QueryAlsLinkNeedsBothChainBitsAndTwoCells) {
    ThreeChains();
    CollectWeakLinks();
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_CHAINS;
    EXPECT_EQ(QueryAlsLink(9, 17, Bit(1)), -1);
    EXPECT_EQ(LinkCacheCount, 0);
    AnalysisOptions.techniques |= TECH_ALS_CHAINS;
    EXPECT_EQ(QueryAlsLink(9, 9, Bit(1)), -1);
    EXPECT_EQ(LinkCacheCount, 0);
    // 9 sees 0 and 17 sees 8: one chain, two colours.
    EXPECT_EQ(QueryAlsLink(9, 17, Bit(1)), 1);
    ASSERT_EQ(LinkCacheCount, 1);
    EXPECT_EQ(LinkCache[0], Bit(1) | LINK_CACHE_LINKED | 9u << 16 | 17u << 24);
}

TEST_F(Chains, QueryAlsLinkThroughChainsShowsNothing) {
    ThreeChains();
    CollectWeakLinks();
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_CHAINS | TECH_ALS_CHAINS;
    AppendChainToDisplay(1);
    // 9 sees 0 (chain 0), 31 sees 40 (chain 2): 0 false forces 40 true.
    EXPECT_EQ(QueryAlsLink(9, 31, Bit(1)), 1);
    EXPECT_EQ(ChainDisplayList.count, 0);
    // 9 and 72 both see only cell 0's node with one colour: no link, and that is stored too.
    EXPECT_EQ(QueryAlsLink(9, 72, Bit(1)), -1);
    ASSERT_EQ(LinkCacheCount, 2);
    EXPECT_EQ(LinkCache[1], Bit(1) | 9u << 16 | 72u << 24);
}

TEST_F(Chains, LinkCacheAnswersEitherOrderBeforeTheGraph) {
    ThreeChains();
    CollectWeakLinks();
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_CHAINS | TECH_ALS_CHAINS;
    // Stored answers win over what the graph would say, in either order of the cells;
    // bits 9-14 are ignored.
    LinkCache[0] = Bit(1) | 0x0600 | 72u << 16 | 9u << 24 | LINK_CACHE_LINKED;
    LinkCache[1] = Bit(1) | 17u << 16 | 9u << 24;
    LinkCacheCount = 2;
    EXPECT_EQ(QueryAlsLink(9, 72, Bit(1)), 1);
    EXPECT_EQ(QueryAlsLink(9, 17, Bit(1)), -1);
    EXPECT_EQ(QueryAlsLink(17, 9, Bit(1)), -1);
    EXPECT_EQ(LinkCacheCount, 2);
    // Another digit is another question.
    EXPECT_EQ(QueryAlsLink(9, 17, Bit(2)), -1);
    EXPECT_EQ(LinkCacheCount, 3);
    // Emptied, the cache forgets, and the graph answers again.
    EmptyLinkCache();
    EXPECT_EQ(QueryAlsLink(17, 9, Bit(1)), 1);
}

TEST_F(Chains, FullLinkCacheStoresNoMore) {
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_CHAINS | TECH_ALS_CHAINS;
    int asked = 0;
    for (int a = 0; a < 81 && asked < LINK_CACHE_MAX + 10; a++)
        for (int b = a + 1; b < 81 && asked < LINK_CACHE_MAX + 10; b++, asked++)
            EXPECT_EQ(QueryAlsLink(a, b, Bit(3)), -1);
    EXPECT_EQ(LinkCacheCount, LINK_CACHE_MAX);
    EXPECT_EQ(LinkCache[LINK_CACHE_MAX - 1] & 0x1FF, Bit(3));
}

TEST_F(Chains, MarkChainTargetShowsTheChainOfItsNode) {
    ThreeChains();
    StepMarks[44] = 0x4001;
    MarkChainTarget(44, Bit(1));
    EXPECT_EQ(StepMarks[44], MARK_TARGET);
    ASSERT_EQ(ChainDisplayList.count, 1);
    EXPECT_EQ(ChainDisplayList.entries[0], 2);
    MarkChainTarget(44, Bit(2));
    MarkChainTarget(50, Bit(1));
    EXPECT_EQ(StepMarks[50], MARK_TARGET);
    EXPECT_EQ(ChainDisplayList.count, 1);
}

TEST_F(Chains, GroupedLinksAddJoinAndMergeChains) {
    ThreeChains();
    // Opposite colours wanted between 8 (chain 0, colour 0) and 40 (chain 2, colour 1):
    // chain 2 joins chain 0 unflipped, its block moved up behind chain 0's.
    AddGroupedLink(Bit(1), 8, 40, 2, 2, 1, 1);
    ASSERT_EQ(ChainCount, 2);
    ExpectNode(2, 40, 1, 0, 1);
    ExpectNode(3, 44, 1, 0, 0);
    ExpectNode(4, 0, 2, 1, 1);
    ExpectNode(5, 72, 2, 1, 0);
    EXPECT_EQ(ChainTable[1].first, 4);
    EXPECT_EQ(ChainTable[2].first, 6);

    AddGroupedLink(Bit(2), 72, 0, 1, 2, 0, 1); // both in one chain: nothing
    EXPECT_EQ(ChainNodeCount, 6);
    // Only 72 exists: 26 joins its chain with its colour (box once on line 1: same).
    AddGroupedLink(Bit(2), 26, 72, 1, 2, 0, 1);
    ASSERT_EQ(ChainCount, 2);
    ExpectNode(6, 26, 2, 1, 0);
    EXPECT_EQ(ChainTable[2].first, 7);
    // Neither exists: a new chain, colours 0 and 1 for two lone outside cells.
    AddGroupedLink(Bit(5), 30, 31, 2, 2, 1, 1);
    ASSERT_EQ(ChainCount, 3);
    ExpectNode(7, 30, 5, 2, 0);
    ExpectNode(8, 31, 5, 2, 1);
    // Counts that prove nothing add nothing.
    AddGroupedLink(Bit(5), 32, 33, 1, 3, 0, 2);
    AddGroupedLink(Bit(5), 32, 33, 3, 1, 2, 0);
    AddGroupedLink(Bit(5), 32, 33, 2, 2, 1, 2);
    EXPECT_EQ(ChainNodeCount, 9);
    EXPECT_EQ(ChainCount, 3);

    AddGroupedLink(Bit(1), 53, 62, 2, 2, 1, 1);
    ASSERT_EQ(ChainCount, 4);
    ExpectNode(9, 53, 1, 3, 0);
    ExpectNode(10, 62, 1, 3, 1);
    // The same colour wanted between 40 (colour 1) and 53 (colour 0): chain 3 flips and its
    // block moves up behind chain 0, pushing chains 1 and 2 down.
    AddGroupedLink(Bit(1), 40, 53, 1, 2, 0, 1);
    ASSERT_EQ(ChainCount, 3);
    ExpectNode(4, 53, 1, 0, 1);
    ExpectNode(5, 62, 1, 0, 0);
    ExpectNode(6, 0, 2, 1, 1);
    ExpectNode(8, 26, 2, 1, 0);
    ExpectNode(9, 30, 5, 2, 0);
    EXPECT_EQ(ChainTable[1].first, 6);
    EXPECT_EQ(ChainTable[2].first, 9);
    EXPECT_EQ(ChainTable[3].first, 11);
}

TEST_F(Chains, NodeTableStopsAt256) {
    int added = 0;
    for (int cell = 0; cell < 81 && added < 300; cell++)
        for (int d = 1; d <= 4; d++, added++) EXPECT_EQ(AddNode(Bit(d), cell, 0, 0), -1);
    EXPECT_EQ(ChainNodeCount, CHAIN_NODES_MAX);
    EXPECT_EQ(AddNode(Bit(3), 5, 0, 0), 5 * 4 + 2); // an existing node gives its index
    EXPECT_EQ(ChainNodeCount, CHAIN_NODES_MAX);
}

TEST_F(Chains, WeakLinkListKeepsTheFirst256InSearchOrder) {
    // 24 chains, each holding digits 1 and 2 of one cell 0..23: many peers, many links.
    std::vector<NodeSpec> specs;
    for (int c = 0; c < 24; c++) {
        specs.push_back({c, 1, c, 0});
        specs.push_back({c, 2, c, 1});
    }
    ChainNodeCount = 0;
    ChainCount = 0;
    for (const NodeSpec& n : specs) {
        ChainNodeTable[ChainNodeCount] = {Bit(n.digit), int16_t(n.cell), int16_t(n.chain),
                                          int16_t(n.colour)};
        if (n.chain == ChainCount) ChainTable[ChainCount++] = {0, int16_t(ChainNodeCount)};
        ChainTable[n.chain].digits |= Bit(n.digit);
        ChainNodeCount++;
    }
    ChainTable[ChainCount] = {0, int16_t(ChainNodeCount)};
    CollectWeakLinks();
    std::vector<std::pair<int, int>> expected;
    for (int i = 0; i < 24; i++)
        for (int j = i + 1; j < 24; j++)
            for (int p = 2 * i; p < 2 * i + 2; p++)
                for (int q = 2 * j; q < 2 * j + 2; q++)
                    if (ChainNodeTable[p].digits == ChainNodeTable[q].digits &&
                        IsPeer(ChainNodeTable[p].cell, ChainNodeTable[q].cell))
                        expected.push_back({p, q});
    ASSERT_GT(expected.size(), size_t(WEAK_LINKS_MAX));
    ASSERT_EQ(WeakLinkCount, WEAK_LINKS_MAX);
    for (int l = 0; l < WEAK_LINKS_MAX; l++) {
        EXPECT_EQ(WeakLinks[l].first, expected[l].first) << l;
        EXPECT_EQ(WeakLinks[l].second, expected[l].second) << l;
    }
}

TEST_F(Chains, PeerSetsMatchThePeerTable) {
    for (int a = 0; a < 81; a++)
        for (int b = 0; b < 81; b++) EXPECT_EQ(CellSetHas(PeerSets[a], b), IsPeer(a, b));
}

TEST_F(Chains, RandomGridsGiveWellFormedGraphs) {
    // Sparse random candidates: many strong links, grouped links and merges.
    std::mt19937 rng(7);
    for (int round = 0; round < 40; round++) {
        for (DigitMask& m : MarkGrid) {
            m = 0;
            for (int d = 0; d < 9; d++)
                if (rng() % 100 < 22) m |= DigitMask(1u << d);
        }
        BuildChains();
        ExpectWellFormed();
        CollectWeakLinks();
        EXPECT_LE(WeakLinkCount, WEAK_LINKS_MAX);
        if (HasFatalFailure()) return;
    }
}

TEST_F(Chains, FullNodeTableStillWalksButAddsNothing) {
    // 256 nodes (digits 9, 8, 7 in every cell, 6 in cells 0..12) in one chain; then a row
    // pair of digit 1 at 0 and 8.
    for (int n = 0; n < CHAIN_NODES_MAX; n++)
        ChainNodeTable[n] = {Bit(9 - n / 81), int16_t(n % 81), 0, int16_t(n % 2)};
    ChainNodeCount = CHAIN_NODES_MAX;
    ChainCount = 1;
    ChainTable[1].first = CHAIN_NODES_MAX;
    Put(0, {1});
    Put(8, {1});
    StrongDigits[0] = StrongDigits[8] = Bit(1);
    GrowChain(0, Bit(1), 1);
    EXPECT_EQ(ChainNodeCount, CHAIN_NODES_MAX);
    EXPECT_EQ(StrongDigits[0], 0);
    EXPECT_EQ(StrongDigits[8], 0);              // the walk went on to the partner
    AddGroupedLink(Bit(1), 0, 8, 2, 2, 1, 1);   // neither cell has a node
    AddGroupedLink(Bit(6), 12, 20, 2, 2, 1, 1); // only 12 has one
    EXPECT_EQ(ChainNodeCount, CHAIN_NODES_MAX);
    EXPECT_EQ(ChainCount, 1);
}

// Real positions: in every chain exactly one colour holds the solution's candidates, a
// proven implication holds in the solution, and linked cells never both hold the digit.
TEST_F(Chains, ChainsAgreeWithTheSolutionsOfRealPuzzles) {
    const char* file = "puzzles3_magictour_top1465.txt";
    if (!DataAvailable(file)) GTEST_SKIP() << "no data";
    std::vector<std::string> puzzles = ReadPuzzleLines(file, 60);
    std::mt19937 rng(11);
    int chainsSeen = 0, implied = 0, linked = 0;
    for (size_t i = 0; i < puzzles.size(); i += 3) {
        LoadGivens(puzzles[i].c_str());
        ASSERT_EQ(CountSolutions(Board, 1), 1);
        uint8_t solution[81];
        std::memcpy(solution, SolutionGrid, sizeof solution);
        ComputeCandidates();
        AnalysisGrid = CandidateGrid;
        BuildChains();
        ExpectWellFormed();
        auto isTrue = [&](int n) {
            return Bit(solution[ChainNodeTable[n].cell] & 15) == ChainNodeTable[n].digits;
        };
        for (int k = 0; k < ChainCount; k++) {
            int trueColour = -1;
            for (int n = ChainTable[k].first; n < ChainTable[k + 1].first; n++) {
                int colourOfTruth =
                    isTrue(n) ? ChainNodeTable[n].colour : ChainNodeTable[n].colour ^ 1;
                if (trueColour < 0) trueColour = colourOfTruth;
                EXPECT_EQ(colourOfTruth, trueColour) << puzzles[i] << " chain " << k;
            }
            chainsSeen++;
        }
        CollectWeakLinks();
        for (int t = 0; t < 200 && ChainNodeCount > 1; t++) {
            int a = int(rng() % ChainNodeCount), b = int(rng() % ChainNodeCount);
            if (a == b) continue;
            std::memset(ChainVisited, 0, sizeof ChainVisited);
            if (ChainImplies(a, b, ChainNodeTable[a].colour)) {
                implied++;
                EXPECT_TRUE(isTrue(a) || isTrue(b)) << puzzles[i] << " " << a << " " << b;
            }
        }
        AnalysisOptions.techniques = 0xFFFF;
        EmptyLinkCache();
        for (int t = 0; t < 300; t++) {
            int a = int(rng() % 81), b = int(rng() % 81), d = int(rng() % 9) + 1;
            if (QueryAlsLink(a, b, Bit(d)) > 0) {
                linked++;
                EXPECT_FALSE((solution[a] & 15) == d && (solution[b] & 15) == d)
                    << puzzles[i] << " " << a << " " << b << " " << d;
            }
        }
    }
    EXPECT_GT(chainsSeen, 100);
    EXPECT_GT(implied, 10);
    EXPECT_GT(linked, 10);
}

} // namespace
