// Forcing chains: the colour trap firing and not, the two-chain rule (and its stop at the
// node itself), the rule through another candidate of the cell, and the order of the rules.
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/forcing.h"
#include "analysis/state.h"
#include "model/marks.h"
#include "tests/support.h"
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr auto Bit = DigitBit;
using Chains = std::vector<int>;

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
    static Chains Shown() {
        return Chains(ChainDisplayList.entries, ChainDisplayList.entries + ChainDisplayList.count);
    }
};

// Chain 0: 0 and 27 (colour 1, both seen by 63), 8 (colour 0). Chain 1: 44 (colour 0), 17 and
// 64 (colour 1; 64 seen by 63). Links 8-44 and 8-17.
const std::vector<NodeSetup> TWO_CHAINS = {{0, 1, 0, 1},  {27, 1, 0, 1}, {8, 1, 0, 0},
                                           {44, 1, 1, 0}, {17, 1, 1, 1}, {64, 1, 1, 1}};

TEST_F(Forcing, ColourTrapRemovesTheDigitSeenInBothColours) {
    // Digit 1: 0-4 (row 0), 4-40 (column 4), 40-36 (row 4) colour 0, 4, 40, 36 as 1, 0, 1, 0.
    // Column 0 holds 1 at 0, 36 and 72, so 72 sees colour 1 at 0 and colour 0 at 36.
    for (int c : {0, 4, 40, 36}) Put(c, {1});
    Put(72, {1, 5, 6});
    BuildChains();
    ASSERT_EQ(ChainCount, 1);
    ASSERT_EQ(FindForcingChain(), 1);
    EXPECT_EQ(StepMarksText(), "0:4001 36:4001 72:2000");
    EXPECT_EQ(Shown(), Chains{0});
}

// A cell seeing one colour only, or both nodes with one colour: no step, no marks, nothing
// shown.
TEST_F(Forcing, NoTrapNoStep) {
    for (int c : {0, 4, 36}) Put(c, {1}); // the chain is 0-4: 72 sees only 0
    Put(72, {1, 5, 6});
    BuildChains();
    ASSERT_EQ(ChainCount, 1);
    EXPECT_EQ(FindColourTrap(72), 0);
    EXPECT_EQ(FindForcingChain(), 0);

    SetChainGraph({{0, 1, 0, 1}, {27, 1, 0, 1}, {8, 1, 0, 0}});
    Put(63, {1});
    EXPECT_EQ(FindColourTrap(63), 0);
    EXPECT_EQ(MarkedCells(), 0);
    EXPECT_EQ(ChainDisplayList.count, 0);
}

// A graph, the cells' candidates ("cell:digits"), the rule tried (on one cell, or null: the
// whole search) and the step: its marks and the chains shown.
struct RuleCase {
    const std::vector<NodeSetup>& graph;
    const char* cells;
    int (*rule)(int cell);
    int cell;
    const char* marks;
    Chains shown;
};
const std::vector<NodeSetup> NO_64(TWO_CHAINS.begin(), TWO_CHAINS.end() - 1);
const std::vector<NodeSetup> SAME_CHAIN = {{72, 1, 0, 1}, {0, 2, 0, 0}};
const std::vector<NodeSetup> OTHER_CHAIN = {
    {72, 1, 0, 1}, {80, 1, 0, 0}, {0, 2, 1, 0}, {44, 1, 1, 1}};
const std::vector<NodeSetup> WITH_TRAP = {{0, 1, 0, 1},  {27, 1, 0, 1}, {8, 1, 0, 0},
                                          {44, 1, 1, 0}, {17, 1, 1, 1}, {64, 1, 1, 1},
                                          {78, 3, 2, 0}, {62, 3, 2, 1}};
const RuleCase RULE_CASES[] = {
    // Two chains: 0 false makes 8 true, 44 false, 64 true (27, after 0 in its chain, is not
    // tried with it).
    {TWO_CHAINS, "63:1", FindChainPairElimination, 63, "0:4001 63:2000 64:4001", {1, 0, 1}},
    // Without 64, the pair is 27 with 0, found before it in the same chain.
    {NO_64, "63:1", FindChainPairElimination, 63, "0:4001 27:4001 63:2000", {0, 1, 0, 0}},
    // Through the cell: 72 sees 0, whose 2 has the other colour in the same chain.
    {SAME_CHAIN, "0:12", nullptr, 0, "0:2000 72:4001", {0}},
    // Through the cell: 72 false makes 80 1, 44 not 1, so 0 is 2.
    {OTHER_CHAIN, "0:12", FindCellChainElimination, 0, "0:2000 72:4001", {1, 0}},
    // A colour trap at 80 comes before the two-chain step at 63.
    {WITH_TRAP, "63:1 80:3", nullptr, 0, "62:4004 78:4004 80:2000", {2}},
};

TEST_F(Forcing, RulesAndTheirOrder) {
    for (const RuleCase& c : RULE_CASES) {
        SCOPED_TRACE(c.marks);
        SetUp();
        SetChainGraph(c.graph);
        std::istringstream in(c.cells);
        int cell;
        std::string digits;
        for (char colon; in >> cell >> colon >> digits;) MarkGrid[cell] = DigitsOf(digits.c_str());
        EXPECT_EQ(c.rule ? c.rule(c.cell) : FindForcingChain(), 1);
        EXPECT_EQ(StepMarksText(), c.marks);
        EXPECT_EQ(Shown(), c.shown);
    }
}

} // namespace
