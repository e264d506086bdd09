// Verdicts: the uniqueness check and its message, the session refresh and the clock.
#include "control/session.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/verdicts.h"
#include "tests/support.h"

namespace {
class Verdicts : public CoreTest {};

// Each verdict with its message; the count is asked for only when the position is valid, and a
// unique puzzle flags exactly its empty cells in the SolutionGrid.
TEST_F(Verdicts, CheckGivesEachVerdictAndTheRefreshShowsIt) {
    std::string repeat = BUILTIN_PUZZLE;
    repeat[0] = '7'; // the row already has a 7
    const struct {
        std::string puzzle;
        int verdict;
        const char* message;
    } CASES[] = {
        {"1234567" + std::string(74, '.'), VERDICT_INVALID_POSITION, "Invalid Position"},
        {repeat, VERDICT_INVALID_POSITION, "Invalid Position"},
        {"12345678" + std::string(73, '.'), VERDICT_SEVERAL, "Several Solutions"},
        // Row 1 needs a 9 in its last cell, but column 9 already has one.
        {"12345678." + std::string(8, '.') + "9" + std::string(63, '.'), VERDICT_NO_SOLUTION,
         "No Solution"},
        {BUILTIN_PUZZLE, VERDICT_UNIQUE, nullptr},
    };
    for (const auto& c : CASES) {
        ResetForTest();
        LoadGivens(c.puzzle.c_str());
        EXPECT_EQ(CheckPosition(S), c.verdict) << c.puzzle;
        EXPECT_EQ(Recorded.busy, c.verdict == VERDICT_INVALID_POSITION ? 0 : 1) << c.puzzle;
        RefreshSession(S, {.check = true, .clock = true});
        EXPECT_EQ(Recorded.messages,
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        EXPECT_EQ(Recorded.clockRuns, 1);
    }
    for (int i = 0; i < 81; i++) {
        EXPECT_EQ((S->SolutionGrid[i] & CELL_ENTERED) != 0, S->Board[i] == 0) << i;
        EXPECT_TRUE(!S->Board[i] || (S->SolutionGrid[i] & CELL_DIGIT) == S->Board[i]) << i;
    }
}

} // namespace
