// The check a hint runs first: the verdict on the position in the uniqueness check's words, and
// a player's marks that leave out a solution digit or repeat a placed one.
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "control/hintcheck.h"
#include "control/session.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/verdicts.h"
#include "tests/support.h"
#include <cstring>

namespace {

const std::string BUILTIN = BUILTIN_PUZZLE;
const char* const SOLVED =
    "274156983518493267369782154683271549491865732725349618957634821146928375832517496";

class HintCheck : public CoreTest {
  protected:
    std::string Check(const std::string& puzzle, const DigitMask* marks, int* result) {
        LoadGivens(puzzle.c_str());
        char text[256];
        *result = CheckHintPosition(S, marks, text, sizeof text);
        return text;
    }
};

TEST_F(HintCheck, MarksThatLeaveOutOrRepeatADigitAreNamed) {
    LoadGivens(BUILTIN_PUZZLE);
    ComputeCandidates(S);
    DigitMask marks[81];
    std::memcpy(marks, S->CandidateGrid, sizeof marks);
    // The check leaves the state it reads as it was.
    S->SolutionGrid[0] = 9;
    S->A->StepMarks[5] = MARK_TARGET;
    char text[256];
    EXPECT_EQ(CheckHintPosition(S, marks, text, sizeof text), VERDICT_UNIQUE);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(S->SolutionGrid[0], 9);
    EXPECT_EQ(S->A->StepMarks[5], MARK_TARGET);
    EXPECT_EQ(BoardDigits(), BUILTIN);

    int result;
    marks[0] &= ~DigitBit(5);  // r1c1's other candidate: still fine
    marks[21] &= ~DigitBit(7); // r3c4's solution digit
    EXPECT_EQ(Check(BUILTIN, marks, &result), "your marks at r3c4 leave out a digit it needs");
    EXPECT_EQ(result, HINT_MARKS_LEAVE_OUT);
    DigitMask two[81];
    std::memcpy(two, marks, sizeof two);
    two[0] &= ~DigitBit(2); // r1c1's solution digit too
    EXPECT_EQ(Check(BUILTIN, two, &result),
              "your marks at r1c1 and r3c4 leave out a digit each cell needs");

    DigitMask none[81] = {};
    EXPECT_EQ(Check(BUILTIN, none, &result),
              "your marks at r1c1, r1c3, r1c5 and 50 more cells leave out a digit each cell "
              "needs");

    std::memcpy(marks, S->CandidateGrid, sizeof marks);
    marks[0] |= DigitBit(6) | DigitBit(7); // row 1 has both
    marks[80] |= DigitBit(1);              // column 9 and box 9 have 1
    EXPECT_EQ(Check(BUILTIN, marks, &result),
              "your marks keep 6 at r1c1, which row 1 already has (and 2 more like it)");
    EXPECT_EQ(result, HINT_MARKS_PLACED);
}

} // namespace
