// The chain graph: colouring from strong links and two-candidate cells, seed order, weak
// links, grouped links and block merging, ChainImplies, QueryAlsLink with its cache, the
// table limits, and chains checked against the solutions of real puzzles.
#include "analysis/chains.h"
#include "analysis/links.h"
#include "analysis/state.h"
#include "exactcover/count.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr auto Bit = DigitBit;

class Chains : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        AnalysisGrid = MarkGrid;
        std::memset(MarkGrid, 0, sizeof MarkGrid);
        AnalysisOptions.techniques = TECH_ANALYSIS | TECH_CHAINS | TECH_ALS_CHAINS;
    }
    static void Put(int cell, std::initializer_list<int> digits) {
        for (int d : digits) MarkGrid[cell] |= Bit(d);
    }
    // Nodes from index `from` on are (cell, digit, chain, colour) as listed.
    static void ExpectNodes(int from, const std::vector<NodeSetup>& nodes) {
        for (const NodeSetup& n : nodes) {
            SCOPED_TRACE(from);
            ASSERT_LT(from, ChainNodeCount);
            const ChainNode& c = ChainNodeTable[from++];
            EXPECT_EQ(c.cell, n.cell);
            EXPECT_EQ(c.digits, Bit(n.digit));
            EXPECT_EQ(c.chain, n.chain);
            EXPECT_EQ(c.colour, n.colour);
        }
    }
    // Digit 1 in row 0 (cells 0, 8) and row 4 (40, 44), digit 2 in column 0 (0, 72); cell 0
    // holds 1, 2, 3; column 8 holds 1 three times (8, 44, 80), so 8 and 44 are only peers.
    static void ThreeChains() {
        for (int c : {0, 8, 40, 44, 80}) Put(c, {1});
        for (int c : {0, 72}) Put(c, {2});
        Put(0, {3});
        BuildChains();
        ASSERT_EQ(ChainCount, 3);
        ExpectNodes(0, {{0, 1, 0, 1},
                        {8, 1, 0, 0},
                        {0, 2, 1, 1},
                        {72, 2, 1, 0},
                        {40, 1, 2, 1},
                        {44, 1, 2, 0}});
        CollectWeakLinks();
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

// Seeds go by cell, then lowest digit, with colour 1: a pair in a row is coloured 1 in its
// lower cell, a two-candidate cell 1 in its lower digit.
TEST_F(Chains, SeedsGoByCellThenLowestDigit) {
    // Cell 10 holds 4, 6, 9: 4 pairs with 16 in row 1, 6 with 64 in column 1; 7 pairs in row 8
    // and 2 in row 0 (cells 3 and 4, one box: the row still links them); 40 holds 3, 8 alone.
    Put(10, {4, 6, 9});
    Put(16, {4});
    Put(64, {6});
    Put(72, {7});
    Put(80, {7});
    Put(3, {2});
    Put(4, {2});
    Put(40, {3, 8});
    BuildChains();
    ASSERT_EQ(ChainCount, 5);
    ExpectNodes(0, {{3, 2, 0, 1},
                    {4, 2, 0, 0},
                    {10, 4, 1, 1},
                    {16, 4, 1, 0},
                    {10, 6, 2, 1},
                    {64, 6, 2, 0},
                    {40, 3, 3, 1},
                    {40, 8, 3, 0},
                    {72, 7, 4, 1},
                    {80, 7, 4, 0}});
    ExpectWellFormed();
}

// Weak links: (0,1)-(0,2) share a cell, (8,1)-(44,1) see each other; (0,1)-(72,2) and
// (8,1)-(0,2) see each other with different digits and are no link.
TEST_F(Chains, WeakLinksAndChainImplies) {
    ThreeChains();
    ASSERT_EQ(WeakLinkCount, 2);
    EXPECT_EQ(WeakLinks[0].first, 0);
    EXPECT_EQ(WeakLinks[0].second, 2);
    EXPECT_EQ(WeakLinks[1].first, 1);
    EXPECT_EQ(WeakLinks[1].second, 5);
    // 72 not 2: 0 is 2, so 0 is not 1, 8 is 1, 44 is not 1 and 40 is 1.
    EXPECT_TRUE(ChainImplies(3, 4, 0));
    EXPECT_EQ(std::vector<int>(ChainDisplayList.entries, ChainDisplayList.entries + 2),
              (std::vector<int>{2, 0}));
    EXPECT_EQ(ChainDisplayList.count, 2);
    // The same walk ends on 44 with 44's colour: nothing follows for 44, the search fails.
    ChainDisplayList.count = 0;
    EXPECT_FALSE(ChainImplies(3, 5, 0));
    EXPECT_EQ(ChainDisplayList.count, 0);
    EXPECT_FALSE(ChainImplies(2, 4, 1)); // 0 not 2 makes 72 2, which links to nothing
}

TEST_F(Chains, QueryAlsLinkAsksTheGraphWithBothChainBits) {
    ThreeChains();
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_CHAINS;
    EXPECT_EQ(QueryAlsLink(9, 17, Bit(1)), -1);
    AnalysisOptions.techniques |= TECH_ALS_CHAINS;
    EXPECT_EQ(QueryAlsLink(9, 9, Bit(1)), -1);
    EXPECT_EQ(LinkCacheCount, 0);
    EXPECT_EQ(QueryAlsLink(9, 17, Bit(1)), 1); // 9 sees 0, 17 sees 8: one chain, two colours
    // 9 sees 0 (chain 0), 31 sees 40 (chain 2): 0 false forces 40 true; nothing is shown.
    AppendChainToDisplay(1);
    EXPECT_EQ(QueryAlsLink(9, 31, Bit(1)), 1);
    EXPECT_EQ(ChainDisplayList.count, 0);
    // 9 and 72 both see only cell 0's node with one colour: no link, and that is stored too.
    EXPECT_EQ(QueryAlsLink(9, 72, Bit(1)), -1);
    ASSERT_EQ(LinkCacheCount, 3);
    EXPECT_EQ(LinkCache[0], Bit(1) | LINK_CACHE_LINKED | 9u << 16 | 17u << 24);
    EXPECT_EQ(LinkCache[2], Bit(1) | 9u << 16 | 72u << 24);
    // Stored answers win over a graph that changed since, in either order of the cells;
    // another digit is another question; emptied, the cache forgets.
    SetChainGraph({{0, 1, 0, 1}, {72, 1, 0, 0}});
    EXPECT_EQ(QueryAlsLink(17, 9, Bit(1)), 1);
    EXPECT_EQ(QueryAlsLink(72, 9, Bit(1)), -1);
    EXPECT_EQ(QueryAlsLink(9, 17, Bit(2)), -1);
    EXPECT_EQ(LinkCacheCount, 4);
    EmptyLinkCache();
    EXPECT_EQ(QueryAlsLink(17, 9, Bit(1)), -1);
    EXPECT_EQ(QueryAlsLink(72, 9, Bit(1)), 1); // 72 sees 0's node, 9 sees 72's: other colour
}

// Each grouped link joins, extends, starts or merges chains; the merged block moves up behind
// the lower chain's, and the chains are renumbered in block order.
TEST_F(Chains, GroupedLinksAddJoinAndMergeChains) {
    ThreeChains();
    // Opposite colours between 8 (chain 0, colour 0) and 40 (chain 2, colour 1): chain 2
    // joins chain 0 unflipped.
    AddGroupedLink(Bit(1), 8, 40, 2, 2, 1, 1);
    AddGroupedLink(Bit(2), 72, 0, 1, 2, 0, 1);  // both in one chain: nothing
    AddGroupedLink(Bit(2), 26, 72, 1, 2, 0, 1); // box once on line 1: 26 takes 72's colour
    AddGroupedLink(Bit(5), 30, 31, 2, 2, 1, 1); // neither exists: a new chain, colours 0, 1
    AddGroupedLink(Bit(5), 32, 33, 1, 3, 0, 2); // counts that prove nothing add nothing
    AddGroupedLink(Bit(1), 53, 62, 2, 2, 1, 1);
    // The same colour between 40 (colour 1) and 53 (colour 0): chain 3 flips and moves up
    // behind chain 0, pushing chains 1 and 2 down.
    AddGroupedLink(Bit(1), 40, 53, 1, 2, 0, 1);
    ASSERT_EQ(ChainCount, 3);
    ASSERT_EQ(ChainNodeCount, 11);
    ExpectNodes(0, {{0, 1, 0, 1},
                    {8, 1, 0, 0},
                    {40, 1, 0, 1},
                    {44, 1, 0, 0},
                    {53, 1, 0, 1},
                    {62, 1, 0, 0},
                    {0, 2, 1, 1},
                    {72, 2, 1, 0},
                    {26, 2, 1, 0},
                    {30, 5, 2, 0},
                    {31, 5, 2, 1}});
    EXPECT_EQ(ChainTable[1].first, 6);
    EXPECT_EQ(ChainTable[2].first, 9);
    EXPECT_EQ(ChainTable[3].first, 11);
}

// The node table stops at 256; the weak links stop at 256; the link
// cache stores no more than 2048 answers.
TEST_F(Chains, TablesStopAtTheirLimits) {
    for (int cell = 0; cell < 64; cell++)
        for (int d = 1; d <= 4; d++) EXPECT_EQ(AddNode(Bit(d), cell, 0, 0), -1);
    EXPECT_EQ(AddNode(Bit(1), 70, 0, 0), -1);
    EXPECT_EQ(ChainNodeCount, CHAIN_NODES_MAX);
    EXPECT_EQ(AddNode(Bit(3), 5, 0, 0), 5 * 4 + 2); // an existing node gives its index
    CloseChain();
    AddGroupedLink(Bit(1), 12, 79, 2, 2, 1, 1); // only 12 has a node: no room for 79
    EXPECT_EQ(ChainNodeCount, CHAIN_NODES_MAX);

    // 24 chains, each holding digits 1 and 2 of one cell 0..23: many peers, many links.
    std::vector<NodeSetup> setups;
    for (int c = 0; c < 24; c++) setups.insert(setups.end(), {{c, 1, c, 0}, {c, 2, c, 1}});
    SetChainGraph(setups);
    EXPECT_EQ(WeakLinkCount, WEAK_LINKS_MAX); // far more than 256 pairs see each other
    EXPECT_EQ(WeakLinks[0].first, 0);
    EXPECT_EQ(WeakLinks[0].second, 2);

    for (int a = 0, asked = 0; a < 81; a++)
        for (int b = a + 1; b < 81 && asked < LINK_CACHE_MAX + 10; b++, asked++)
            EXPECT_EQ(QueryAlsLink(a, b, Bit(3)), -1);
    EXPECT_EQ(LinkCacheCount, LINK_CACHE_MAX);
    EXPECT_EQ(LinkCache[LINK_CACHE_MAX - 1] & 0x1FF, Bit(3));
}

TEST_F(Chains, ChainsAgreeWithTheSolutionsOfRealPuzzles) {
    SKIP_WITHOUT_DATA("puzzles3_magictour_top1465.txt");
    std::vector<std::string> puzzles = ReadPuzzleLines("puzzles3_magictour_top1465.txt", 60);
    ASSERT_FALSE(puzzles.empty());
    std::mt19937 rng(11);
    int chainsSeen = 0, implied = 0, linked = 0;
    for (size_t i = 0; i < puzzles.size(); i += 3) {
        SCOPED_TRACE(puzzles[i]);
        LoadGivens(puzzles[i].c_str());
        ASSERT_EQ(CountSolutions(Board, 1), 1);
        const std::string solution = SolutionDigits();
        ComputeCandidates();
        AnalysisGrid = CandidateGrid;
        BuildChains();
        ExpectWellFormed();
        auto isTrue = [&](int n) {
            return Bit(solution[ChainNodeTable[n].cell] - '0') == ChainNodeTable[n].digits;
        };
        for (int k = 0; k < ChainCount; k++, chainsSeen++) {
            const int first = ChainTable[k].first,
                      trueColour = ChainNodeTable[first].colour ^ !isTrue(first);
            for (int n = first; n < ChainTable[k + 1].first; n++)
                EXPECT_EQ(ChainNodeTable[n].colour ^ !isTrue(n), trueColour) << "chain " << k;
        }
        CollectWeakLinks();
        for (int t = 0; t < 200 && ChainNodeCount > 1; t++) {
            int a = int(rng() % ChainNodeCount), b = int(rng() % ChainNodeCount);
            if (a == b) continue;
            if (ChainImplies(a, b, ChainNodeTable[a].colour)) {
                implied++;
                EXPECT_TRUE(isTrue(a) || isTrue(b)) << a << " " << b;
            }
        }
        EmptyLinkCache();
        for (int t = 0; t < 300; t++) {
            int a = int(rng() % 81), b = int(rng() % 81), d = int(rng() % 9) + 1;
            if (QueryAlsLink(a, b, Bit(d)) > 0) {
                linked++;
                EXPECT_FALSE(solution[a] - '0' == d && solution[b] - '0' == d)
                    << a << " " << b << " " << d;
            }
        }
    }
    EXPECT_GT(chainsSeen, 100);
    EXPECT_GT(implied, 10);
    EXPECT_GT(linked, 10);
}

} // namespace
