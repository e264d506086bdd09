// Forcing chains: the colour trap, the two-chain rule (and its stop at the node itself), the
// rule through another candidate of the cell, and the order of the rules; a search shows
// nothing until its step is chosen.
#include "analysis/analysis.h"
#include "analysis/chains.h"
#include "analysis/forcing.h"
#include "analysis/state.h"
#include "control/session.h"
#include "model/marks.h"
#include "tests/support.h"
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {
using Chains = std::vector<int>;

// A graph ("": the chains are built from the cells), the cells' candidates ("cell:digits"),
// the rule tried (on one cell, or null: the whole search) and the step: its marks and the
// chains shown, "" and none when there is no step.
struct RuleCase {
    std::string graph;
    const char* cells;
    int (*rule)(Analysis* A, int cell);
    int cell;
    const char* marks;
    Chains shown;
};
// Chain 0: 0 and 27 (colour 1, both seen by 63), 8 (colour 0). Chain 1: 44 (colour 0), 17 and
// 64 (colour 1; 64 seen by 63). Links 8-44 and 8-17.
const std::string TWO_CHAINS = "0.1+ 27.1+ 8.1- | 44.1- 17.1+ 64.1+";
const RuleCase CASES[] = {
    // Digit 1 in a loop 0-4-40-36 coloured 1, 0, 1, 0: 72 sees colour 1 at 0, colour 0 at 36.
    {"", "0:1 4:1 40:1 36:1 72:156", nullptr, 0, "0:4001 36:4001 72:2000", {0}},
    {"", "0:1 4:1 36:1 72:156", nullptr, 0, "", {}},         // the chain 0-4: 72 sees only 0
    {"0.1+ 27.1+ 8.1-", "63:1", FindColourTrap, 63, "", {}}, // 63 sees one colour only
    // Two chains: 0 false makes 8 true, 44 false, 64 true (27, after 0 in its chain, is not
    // tried with it).
    {TWO_CHAINS, "63:1", FindChainPairElimination, 63, "0:4001 63:2000 64:4001", {1, 0, 1}},
    // Without 64, the pair is 27 with 0, found before it in the same chain.
    {"0.1+ 27.1+ 8.1- | 44.1- 17.1+",
     "63:1",
     FindChainPairElimination,
     63,
     "0:4001 27:4001 63:2000",
     {0, 1, 0, 0}},
    // Through the cell: 72 sees 0, whose 2 has the other colour in the same chain.
    {"72.1+ 0.2-", "0:12", nullptr, 0, "0:2000 72:4001", {0}},
    // Through the cell: 72 false makes 80 1, 44 not 1, so 0 is 2.
    {"72.1+ 80.1- | 0.2- 44.1+", "0:12", FindCellChainElimination, 0, "0:2000 72:4001", {1, 0}},
    // A colour trap at 80 comes before the two-chain step at 63.
    {TWO_CHAINS + " | 78.3- 62.3+", "63:1 80:3", nullptr, 0, "62:4004 78:4004 80:2000", {2}},
};

class Forcing : public CoreTest {};

TEST_F(Forcing, RulesAndTheirOrder) {
    for (const RuleCase& c : CASES) {
        SCOPED_TRACE(c.cells);
        ResetForTest();
        S->A->AnalysisGrid = S->MarkGrid;
        std::memset(S->MarkGrid, 0, sizeof S->MarkGrid);
        std::istringstream in(c.cells);
        int cell;
        std::string digits;
        for (char colon; in >> cell >> colon >> digits;)
            S->MarkGrid[cell] = DigitsOf(digits.c_str());
        c.graph.empty() ? BuildChains(S->A) : SetChainGraph(c.graph);
        AppendChainToDisplay(S->A, 9); // what the board showed before
        EXPECT_EQ(c.rule ? c.rule(S->A, c.cell) : FindForcingChain(S->A), *c.marks ? 1 : 0);
        // The search shows nothing; the step is shown once chosen.
        EXPECT_EQ(StepMarksText(), "");
        EXPECT_EQ(Chains(S->A->ChainDisplayList.entries,
                         S->A->ChainDisplayList.entries + S->A->ChainDisplayList.count),
                  Chains{9});
        if (!*c.marks) continue; // no step: nothing to show
        MarkCurrentStep(S->A);
        EXPECT_EQ(StepMarksText(), c.marks);
        EXPECT_EQ(Chains(S->A->ChainDisplayList.entries,
                         S->A->ChainDisplayList.entries + S->A->ChainDisplayList.count),
                  c.shown);
    }
}
} // namespace
