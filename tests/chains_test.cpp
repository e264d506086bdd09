// The chain graph: colouring from strong links and two-candidate cells, seed order, weak links,
// grouped links and block merging, ChainImplies, QueryAlsLink with its cache, and the table
// limits. Chains on real puzzles are checked by every forcing and ALS step of the golden
// traces and of the agreement run.
#include "analysis/analysis.h"
#include "analysis/chains.h"
#include "analysis/links.h"
#include "analysis/state.h"
#include "control/session.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstring>

namespace {
constexpr auto Bit = DigitBit;

class Chains : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        S->A->AnalysisGrid = S->MarkGrid;
        std::memset(S->MarkGrid, 0, sizeof S->MarkGrid);
        S->AnalysisOptions.techniques = TECH_ANALYSIS | TECH_CHAINS;
        S->A->AlsChainLinks = 1;
    }
    static void Put(int digit, std::initializer_list<int> cells) {
        for (int c : cells) S->MarkGrid[c] |= Bit(digit);
    }
    // Digit 1 in row 0 (cells 0, 8) and row 4 (40, 44), digit 2 in column 0 (0, 72); cell 0
    // holds 1, 2, 3; column 8 holds 1 three times (8, 44, 80), so 8 and 44 are only peers.
    static void ThreeChains() {
        Put(1, {0, 8, 40, 44, 80});
        Put(2, {0, 72});
        Put(3, {0});
        BuildChains(S->A);
        ASSERT_EQ(ChainGraphText(), "0.1+ 8.1- | 0.2+ 72.2- | 40.1+ 44.1-");
        CollectWeakLinks(S->A);
    }
};

// Seeds go by cell, then lowest digit, with colour 1: a pair in a row is coloured 1 in its
// lower cell, a two-candidate cell 1 in its lower digit. A box pair lying in one line seeds
// nothing.
TEST_F(Chains, SeedsGoByCellThenLowestDigit) {
    // Cell 10 holds 4, 6, 9: 4 pairs with 16 in row 1, 6 with 64 in column 1; 7 pairs in row 8
    // and 2 in row 0 (cells 3 and 4, one box: the row still links them); 40 holds 3, 8 alone.
    // 5 lies in r7c7, r7c8 (one box) and r7c4.
    Put(4, {10, 16});
    Put(6, {10, 64});
    Put(9, {10});
    Put(7, {72, 80});
    Put(2, {3, 4});
    Put(3, {40});
    Put(8, {40});
    Put(5, {57, 60, 61});
    BuildChains(S->A);
    EXPECT_EQ(ChainGraphText(),
              "3.2+ 4.2- | 10.4+ 16.4- | 10.6+ 64.6- | 40.3+ 40.8- | 72.7+ 80.7-");
}

// Weak links: (0,1)-(0,2) share a cell, (8,1)-(44,1) see each other; (0,1)-(72,2) and
// (8,1)-(0,2) see each other with different digits and are no link.
TEST_F(Chains, WeakLinksAndChainImplies) {
    ThreeChains();
    ASSERT_EQ(S->A->WeakLinkCount, 2);
    EXPECT_TRUE(S->A->WeakLinks[0].first == 0 && S->A->WeakLinks[0].second == 2);
    EXPECT_TRUE(S->A->WeakLinks[1].first == 1 && S->A->WeakLinks[1].second == 5);
    // 72 not 2: 0 is 2, so 0 is not 1, 8 is 1, 44 is not 1 and 40 is 1; chains 2, 0 crossed,
    // and nothing shown.
    EXPECT_TRUE(ChainImplies(S->A, 3, 4, 0));
    ASSERT_EQ(S->A->ImpliedLinkCount, 2);
    EXPECT_TRUE(ImpliedChain(S->A, 0) == 2 && ImpliedChain(S->A, 1) == 0);
    EXPECT_EQ(S->A->ChainDisplayList.count, 0);
    // The same walk ends on 44 with 44's colour: nothing follows for 44, the search fails.
    EXPECT_FALSE(ChainImplies(S->A, 3, 5, 0));
    EXPECT_EQ(S->A->ImpliedLinkCount, 0);
    EXPECT_FALSE(ChainImplies(S->A, 2, 4, 1)); // 0 not 2 makes 72 2, which links to nothing
}

TEST_F(Chains, QueryAlsLinkAsksTheGraphWithBothChainBitsAndRemembers) {
    ThreeChains();
    S->A->AlsChainLinks = 0;
    EXPECT_EQ(QueryAlsLink(S->A, 9, 17, Bit(1)), -1);
    S->A->AlsChainLinks = 1;
    EXPECT_EQ(QueryAlsLink(S->A, 9, 9, Bit(1)), -1);
    EXPECT_EQ(S->A->LinkCacheCount, 0);
    EXPECT_EQ(QueryAlsLink(S->A, 9, 17, Bit(1)), 1); // 9 sees 0, 17 sees 8: one chain, two colours
    // 9 sees 0 (chain 0), 31 sees 40 (chain 2): 0 false forces 40 true; what the board shows
    // stays as it was.
    AppendChainToDisplay(S->A, 1);
    EXPECT_EQ(QueryAlsLink(S->A, 9, 31, Bit(1)), 1);
    ASSERT_EQ(S->A->ChainDisplayList.count, 1);
    EXPECT_EQ(S->A->ChainDisplayList.entries[0], 1);
    // 9 and 72 both see only cell 0's node with one colour: no link, and that is stored too.
    EXPECT_EQ(QueryAlsLink(S->A, 9, 72, Bit(1)), -1);
    ASSERT_EQ(S->A->LinkCacheCount, 3);
    EXPECT_EQ(S->A->LinkCache[0], Bit(1) | LINK_CACHE_LINKED | 9u << 16 | 17u << 24);
    EXPECT_EQ(S->A->LinkCache[2], Bit(1) | 9u << 16 | 72u << 24);
    // Stored answers win over a graph that changed since, in either order of the cells.
    SetChainGraph("0.1+ 72.1-");
    EXPECT_EQ(QueryAlsLink(S->A, 17, 9, Bit(1)), 1);
    EXPECT_EQ(QueryAlsLink(S->A, 72, 9, Bit(1)), -1);
}

// Each grouped link joins, extends, starts or merges chains; the merged block moves up behind
// the lower chain's, and the chains are renumbered in block order.
TEST_F(Chains, GroupedLinksAddJoinAndMergeChains) {
    ThreeChains();
    // Opposite colours between 8 (chain 0, colour 0) and 40 (chain 2, colour 1): chain 2
    // joins chain 0 unflipped.
    AddGroupedLink(S->A, Bit(1), 8, 40, 2, 2, 1, 1);
    AddGroupedLink(S->A, Bit(2), 72, 0, 1, 2, 0, 1);  // both in one chain: nothing
    AddGroupedLink(S->A, Bit(2), 26, 72, 1, 2, 0, 1); // box once on line 1: 26 takes 72's colour
    AddGroupedLink(S->A, Bit(5), 30, 31, 2, 2, 1, 1); // neither exists: a new chain, colours 0, 1
    AddGroupedLink(S->A, Bit(5), 32, 33, 1, 3, 0, 2); // counts that prove nothing add nothing
    AddGroupedLink(S->A, Bit(1), 53, 62, 2, 2, 1, 1);
    // The same colour between 40 (colour 1) and 53 (colour 0): chain 3 flips and moves up
    // behind chain 0, pushing chains 1 and 2 down.
    AddGroupedLink(S->A, Bit(1), 40, 53, 1, 2, 0, 1);
    EXPECT_EQ(ChainGraphText(),
              "0.1+ 8.1- 40.1+ 44.1- 53.1+ 62.1- | 0.2+ 72.2- 26.2- | 30.5- 31.5+");
}

} // namespace
