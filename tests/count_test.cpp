// Solution counting: the empty board's solutions and known answers over the puzzle files. Every
// count of a recorded generator run is replayed by generator_test.cpp; bench/exactcover_check
// compares the counter with the plain engine at higher limits.
#include "control/session.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "tests/support.h"
#include <cstring>
#include <string>

namespace {
class Count : public CoreTest {};

TEST_F(Count, EmptyBoardGivesTheFirstAndSecondSolutions) {
    const uint8_t empty[81] = {};
    EXPECT_EQ(CountSolutions(empty, 0, S->SolutionGrid), 1);
    EXPECT_EQ(SolutionDigits(), EMPTY_BOARD_FIRST);
    EXPECT_EQ(CountSolutions(empty, 1, S->SolutionGrid), 2);
    EXPECT_EQ(SolutionDigits(), "123456789789123456456789123312845697697312845845697312231574968"
                                "968231574574968231"); // the second in search order
}

TEST_F(Count, FlagBitsAreIgnoredAndConflictsOrBadDigitsLeaveTheSolutionGridAlone) {
    LoadGivens(EMPTY_BOARD_FIRST);
    for (int i = 0; i < 81; i += 2) S->Board[i] |= CELL_ENTERED | 0x30; // entered, colour 3
    EXPECT_EQ(CountSolutions(S->Board, 1, S->SolutionGrid), 1);
    EXPECT_EQ(SolutionDigits(), EMPTY_BOARD_FIRST);
    LoadGivens(BUILTIN_PUZZLE);
    S->Board[10] = 7; // a second 7 in the top-left box (cell 1 holds 7)
    std::memset(S->SolutionGrid, 5, 81);
    EXPECT_EQ(CountSolutions(S->Board, 1, S->SolutionGrid), 0);
    S->Board[10] = 10; // outside the cell byte's digit range
    EXPECT_EQ(CountSolutions(S->Board, 1, S->SolutionGrid), -1);
    EXPECT_EQ(SolutionDigits(), std::string(81, '5'));
}

// Proper puzzles have one solution, the benchmark set several; the grid left is complete,
// obeys every unit and agrees with the givens.
TEST_F(Count, KnownAnswersOverThePuzzleFiles) {
    const struct {
        const char* file;
        size_t sample;
        bool unique;
    } SETS[] = {
        {"puzzles2_17_clue.txt", 400, true},
        {"puzzles3_magictour_top1465.txt", 200, true},
        {"puzzles6_forum_hardest_1106.txt", 40, true},
        {"puzzles5_forum_hardest_1905_11+.txt", 40, true},
        {"puzzles7_serg_benchmark.txt", 40, false},
    };
    for (const auto& set : SETS) {
        SKIP_WITHOUT_DATA(set.file);
        std::vector<std::string> lines = ReadPuzzleLines(set.file);
        for (size_t i = 0; i < lines.size(); i += std::max<size_t>(1, lines.size() / set.sample))
            for (int32_t limit : {1, 0}) { // limit 0 stops at the first solution
                SCOPED_TRACE(lines[i] + " limit " + std::to_string(limit));
                LoadGivens(lines[i].c_str());
                const int32_t count = CountSolutions(S->Board, limit, S->SolutionGrid);
                ASSERT_TRUE((limit == 0 || set.unique) ? count == 1 : count >= 2) << count;
                const std::string grid = SolutionDigits();
                for (int k = 0; k < 81; k++)
                    ASSERT_TRUE(S->Board[k] == 0 || grid[k] == lines[i][k]);
                LoadGivens(grid.c_str());
                ASSERT_EQ(CountFilled(S), 81);
            }
    }
}

} // namespace
