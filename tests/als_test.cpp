// Almost locked sets: the listing (each set once), restricted common digits, ALS-XZ doubly
// and singly linked, the first pass against the second (links through the chain graph), the
// ALS-chain rule, and the table limits. Targets inside a set, shared cells and the ALS-chain
// rule through a rival node are held by the golden traces of real puzzles.
#include "analysis/als.h"
#include "analysis/analysis.h"
#include "analysis/chains.h"
#include "analysis/links.h"
#include "analysis/state.h"
#include "control/session.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <array>
#include <cstring>
#include <sstream>
#include <vector>

namespace {
using V = std::vector<int>;

class Als : public CoreTest {
  protected:
    // A filled Board but for the cells opened, given as "cell:digits cell:digits ...".
    static void Open(const char* cells) {
        ResetForTest();
        S->A->AnalysisGrid = S->MarkGrid;
        std::memset(S->MarkGrid, 0, sizeof S->MarkGrid);
        std::memset(S->Board, 1, sizeof S->Board);
        std::istringstream in(cells);
        int cell;
        std::string digits;
        for (char colon; in >> cell >> colon >> digits;) {
            S->Board[cell] = 0;
            S->MarkGrid[cell] = DigitsOf(digits.c_str());
        }
    }
    static V Cells(int als) {
        const uint8_t* cells;
        const int n = AlsCells(S->A, als, &cells);
        return V(cells, cells + n);
    }
};

// Open cells and the step's marks. Two peers holding {4, 7}: a third cell seeing both loses 4
// if it has it, else 7. {1, 2} and {1, 3} pair on 1 alone: no step. Singly linked: A = {0, 1}
// holds 1, 2, 3, B = {36} holds 2, 3; 2 is restricted (0 sees 36), 3 is not: 1 or 36 is 3, so
// 37, seeing both, is not.
TEST_F(Als, PairsOfSets) {
    const char* const CASES[][2] = {
        {"0:47 1:47 5:49", "0:1008 1:3008 5:2000"},
        {"0:47 1:47 5:79", "0:1040 1:3040 5:2000"},
        {"0:12 1:13", ""},
        {"0:12 1:13 2:456789 36:23 37:356", "0:1004 1:1004 36:3004 37:2000"},
    };
    for (const auto& c : CASES) {
        SCOPED_TRACE(c[0]);
        Open(c[0]);
        EXPECT_EQ(FindAlmostLockedSets(S->A), *c[1] ? 1 : 0);
        MarkCurrentStep(S->A); // the finder only records; the step is then shown
        EXPECT_EQ(StepMarksText(), c[1]);
    }
    // Each set is listed once though found in several units (row 1 is box 0's open cells).
    Open("9:12 10:47 11:23 37:568");
    EXPECT_EQ(FindAlmostLockedSets(S->A), 0);
    ASSERT_EQ(S->A->AlsCount, 4);
    EXPECT_EQ(Cells(3), (V{9, 11}));
    // Sets sharing a cell never pair on that cell's digits.
    Open(CASES[1][0]);
    FindAlmostLockedSets(S->A);
    ASSERT_EQ(S->A->AlsCount, 5);
    EXPECT_EQ(Cells(3), (V{0, 5}));
    EXPECT_EQ(Cells(4), (V{1, 5}));
    std::vector<std::array<int, 3>> pairs; // digits, first, second
    for (int p = 0; p < S->A->AlsPairCount; p++)
        pairs.push_back({S->A->AlsPairTable[p].digits, S->A->AlsPairTable[p].first,
                         S->A->AlsPairTable[p].second});
    EXPECT_EQ(
        pairs,
        (std::vector<std::array<int, 3>>{
            {0x48, 0, 1}, {0x40, 0, 2}, {0x48, 0, 4}, {0x40, 1, 2}, {0x48, 1, 3}, {0x08, 3, 4}}));
}

// 0 and 80 hold 1, 2 and do not see each other: the first pass pairs nothing and asks nothing.
// The graph links 1 at r1c2 and r9c8 (one chain, two colours), so 0 and 80 are not both 1:
// one of them is 2, and 8 sees both.
TEST_F(Als, SecondPassLinksCellsThroughTheChainGraph) {
    Open("0:12 80:12 8:256");
    SetChainGraph("1.1+ 79.1-");
    S->AnalysisOptions.techniques = 0x3F;
    EXPECT_EQ(FindAlmostLockedSets(S->A), 0);
    EXPECT_EQ(S->A->AlsPairCount + S->A->LinkCacheCount, 0);
    S->A->AlsChainLinks = 1;
    ASSERT_EQ(FindAlmostLockedSets(S->A), 1);
    ASSERT_EQ(S->A->AlsPairCount, 1);
    EXPECT_EQ(S->A->AlsPairTable[0].digits, DigitBit(1));
    MarkCurrentStep(S->A);
    EXPECT_EQ(StepMarksText(), "0:1002 8:2000 80:3002");
    // Only the pair 0-80 was asked about, for 1 (linked) and 2 (not).
    ASSERT_EQ(S->A->LinkCacheCount, 2);
    EXPECT_EQ(S->A->LinkCache[0], DigitBit(1) | LINK_CACHE_LINKED | 0u << 16 | 80u << 24);
    EXPECT_EQ(S->A->LinkCache[1], DigitBit(2) | 0u << 16 | 80u << 24);
}

// A = {0} holding 1, 2. Nodes 9 (1) and 18 (2) see 0 with both digits and share colour 1, so
// that colour is false; its nodes with digit 1 are targets, 18 (digit 2) is not. The first
// pass does not try the rule.
TEST_F(Als, ChainNodesOfOneColourSeeingBothDigitsAreFalse) {
    Open("0:12");
    AddAls(S->A, 0, 0b1, 1);
    SetChainGraph("9.1+ 18.2+ 27.1- 45.1+");
    for (int n = 0; n < S->A->ChainNodeCount; n++)
        S->MarkGrid[S->A->ChainNodeTable[n].cell] |= S->A->ChainNodeTable[n].digits;
    S->AnalysisOptions.techniques = 0x3F;
    EXPECT_EQ(TryAlsChain(S->A, 0), 0);
    EXPECT_EQ(MarkedCells(), 0);
    S->A->AlsChainLinks = 1;
    ASSERT_EQ(TryAlsChain(S->A, 0), 1);
    MarkCurrentStep(S->A);
    EXPECT_EQ(StepMarksText(), "0:1001 9:2000 45:2000");
    ASSERT_EQ(S->A->ChainDisplayList.count, 1);
    EXPECT_EQ(S->A->ChainDisplayList.entries[0], 0);
}

// Searching shows nothing: neither the ALS-XZ search (its link queries cross clusters) nor the
// ALS-chain rule across two clusters touches the chains on the board; once the step is chosen,
// the board shows the record's: the target's cluster, or the clusters the implication crossed
// and then both nodes'.
TEST_F(Als, SearchingLeavesTheDisplayListUntilTheStepIsShown) {
    auto shown = [] {
        return V(S->A->ChainDisplayList.entries,
                 S->A->ChainDisplayList.entries + S->A->ChainDisplayList.count);
    };
    Open("0:12 80:12 8:256");
    SetChainGraph("1.1+ 79.1- | 8.2+ 17.2-");
    S->AnalysisOptions.techniques = 0x3F;
    S->A->AlsChainLinks = 1;
    AppendChainToDisplay(S->A, 5); // what the board showed before
    ASSERT_EQ(FindAlmostLockedSets(S->A), 1);
    EXPECT_EQ(shown(), V{5});
    MarkCurrentStep(S->A);
    EXPECT_EQ(shown(), V{1}); // 8 loses 2: its node's cluster

    // A = {0} holding 1, 2. 9 (1) true makes 44 (1, same colour) true, so 44's 2 false and 18
    // (2) true: both would take a digit from A, so 9 is false, and 44 with it.
    Open("0:12");
    AddAls(S->A, 0, 0b1, 1);
    SetChainGraph("9.1+ 40.1- 44.1+ | 44.2- 18.2+");
    for (int n = 0; n < S->A->ChainNodeCount; n++)
        S->MarkGrid[S->A->ChainNodeTable[n].cell] |= S->A->ChainNodeTable[n].digits;
    CollectWeakLinks(S->A);
    S->AnalysisOptions.techniques = 0x3F;
    S->A->AlsChainLinks = 1;
    AppendChainToDisplay(S->A, 7);
    ASSERT_EQ(TryAlsChain(S->A, 0), 1);
    EXPECT_EQ(shown(), V{7});
    MarkCurrentStep(S->A);
    EXPECT_EQ(StepMarksText(), "0:1001 9:2000 44:2000");
    EXPECT_EQ(shown(), (V{1, 0, 1}));
}

} // namespace
