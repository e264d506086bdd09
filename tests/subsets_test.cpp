// Hidden (and, through the rest of their unit, naked) subsets: where they fire, where they must
// not, and which one is shown when several exist.
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "analysis/subsets.h"
#include "control/session.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <algorithm>
#include <sstream>
#include <vector>

namespace {
// Units given as "UNIT cells...": the unit's nine cells in UnitTable order, their digits, "-"
// for a solved cell; every other cell holds every digit. The size searched (0: a driver run
// with subsets on) and the step's marks, "" for none.
struct SubsetCase {
    std::vector<const char*> units;
    int size;
    const char* marks;
};
const SubsetCase CASES[] = {
    {{"0 123 3456 3456 3456789 1256 3456789 3456789 3456789 3456789"}, 2, "0:4003 4:4003"},
    // The lower unit wins over earlier cells: column 6 holds 1,2 in r1c6, r2c6 ...
    {{"14 123 124 3456789 3456789 3456789 3456789 3456789 34 3456789",
      "7 689 678 1234579 1234579 1234579 34 1234579 1234579 1234579"}, // ... row 8 6,8
     2,
     "63:40A0 64:40A0"},
    // In one unit, the smaller digit mask: {2,3} (0x006) before {1,4} (0x009).
    {{"0 149 149 239 238 56789 56789 56789 56789 56789"}, 2, "2:4006 3:4006"},
    // Nothing to eliminate: a pair holding nothing else, or a unit with two open cells ...
    {{"0 47 47 1235689 1235689 1235689 1235689 1235689 1235689 1235689"}, 2, ""},
    {{"0 123 124 - - - - - - -"}, 2, ""},
    {{"0 123 124 34 - - - - - -"}, 2, "0:4003 1:4003"}, // ... but now a third cell
    // A naked pair is the hidden subset of the rest of a unit with two to four more open cells.
    {{"0 47 47 149 279 12 - - - -"}, 2, ""},
    {{"0 47 47 149 279 12 - - - -"}, 3, "2:4101 3:4102 4:4003"},
    {{"0 47 47 124 237 345 567 168 123568 -"}, 4, ""},
    // The driver shows the pair of row 9 before the triple of row 1.
    {{"0 47 47 149 279 12 - - - -", "8 123 456 456789 456789 456789 456789 456789 456789 1237"},
     0,
     "72:4003 80:4003"},
};

class Subsets : public CoreTest {};

TEST_F(Subsets, FoundAndNotFoundInSearchOrder) {
    for (const SubsetCase& c : CASES) {
        SCOPED_TRACE(c.units[0]);
        ResetForTest();
        OpenAllMarks();
        for (const char* unit : c.units) {
            std::istringstream in(unit);
            int u;
            in >> u;
            std::string digits;
            for (int k = 0; k < 9 && in >> digits; k++)
                S->MarkGrid[UnitTable[u][k]] = DigitsOf(digits.c_str());
        }
        S->AnalysisOptions.techniques = TECH_ANALYSIS | TECH_SUBSETS;
        const int found = c.size ? FindSubsets(S->A, c.size) : RunAnalysis(S->A) == STEP_SUBSETS;
        EXPECT_EQ(found, *c.marks ? 1 : 0);
        if (c.size) MarkCurrentStep(S->A); // the finder only records; the step is then shown
        EXPECT_EQ(StepMarksText(), c.marks);
        // Applied, the pattern cells keep their marked digits; nothing else changes.
        DigitMask before[81];
        std::copy(S->MarkGrid, S->MarkGrid + 81, before);
        ApplyStep(S->A, STEP_SUBSETS, false);
        for (int i = 0; i < 81; i++)
            ASSERT_EQ(S->MarkGrid[i],
                      S->A->StepMarks[i] ? S->A->StepMarks[i] & MARK_DIGITS : before[i])
                << i;
    }
}
} // namespace
