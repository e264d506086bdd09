// Grid model: the filled count with its conflict check, and the computed candidates. The unit
// and peer tables are checked where they are defined, at compile time.
#include "control/session.h"
#include "model/board.h"
#include "tests/support.h"
#include <algorithm>

namespace {
class Grid : public CoreTest {};

// Flag bits (entered, colour) never count as digits; a digit twice in any one of the 27 units
// makes the count -1, each unit tried with two of its cells that share no other unit.
TEST_F(Grid, FilledCountSeesConflictsInEveryUnit) {
    ClearBoard(S);
    S->Board[0] = 5;
    S->Board[80] = 0x95; // a 5 carrying flag bits, in no unit of cell 0
    S->Board[10] = 0x06;
    EXPECT_EQ(CountFilled(S), 3);
    for (int u = 0; u < 27; u++) {
        ClearBoard(S);
        const int a = UnitTable[u][0], b = UnitTable[u][8]; // opposite corners of the unit
        S->Board[a] = 0x25;
        S->Board[b] = 0xB5;
        EXPECT_EQ(CountFilled(S), -1) << "unit " << u;
    }
    LoadGivens(EMPTY_BOARD_FIRST);
    EXPECT_EQ(CountFilled(S), 81);
}

// Candidates ignore flag bits; the first empty cell that sees all nine digits stops the
// computation with 0, and the cells after it keep their old values.
TEST_F(Grid, CandidatesIgnoreFlagsAndStopAtABlockedCell) {
    ClearBoard(S);
    S->Board[80] = 0x95;
    EXPECT_EQ(ComputeCandidates(S), 1);
    EXPECT_EQ(S->CandidateGrid[79], ALL_DIGITS & ~0x010);
    EXPECT_EQ(S->CandidateGrid[0], ALL_DIGITS);
    std::fill(S->CandidateGrid, S->CandidateGrid + 81, 0x0AA);
    // Cell 10 sees 1..8 in its row and 9 in its column.
    for (int d = 1; d <= 8; d++) S->Board[d == 1 ? 9 : 9 + d] = uint8_t(d); // cells 9, 11..17
    S->Board[1] = 9;
    EXPECT_EQ(ComputeCandidates(S), 0);
    EXPECT_EQ(S->CandidateGrid[10], 0);
    EXPECT_EQ(S->CandidateGrid[0], 0x0FC); // sees 9 (row), 1 and 2 (box)
    for (int i = 11; i < 81; i++) EXPECT_EQ(S->CandidateGrid[i], 0x0AA) << i;
}
} // namespace
