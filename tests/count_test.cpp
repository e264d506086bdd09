// Solution counting: the empty board's solutions, known answers over the puzzle files, and the
// bitboard counter and the uniqueness solver against the dancing links on random boards. Every
// count of a recorded generator run is replayed by generator_test.cpp; bench/exactcover_check
// compares the counter with the plain engine over the whole generator trace.
#include "control/session.h"
#include "exactcover/bitboard.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "tests/support.h"
#include <cstring>
#include <random>
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
    EXPECT_EQ(SolveUnique(S->Board, S->SolutionGrid), 0);
    S->Board[10] = 10; // outside the cell byte's digit range
    EXPECT_EQ(CountSolutions(S->Board, 1, S->SolutionGrid), -1);
    EXPECT_EQ(SolveUnique(S->Board, S->SolutionGrid), -1);
    EXPECT_EQ(SolutionDigits(), std::string(81, '5'));
}

// Proper puzzles have one solution, the benchmark set several; the grid left is complete,
// obeys every unit and agrees with the givens. The uniqueness solver gives the same answer (two
// for several) and the same unique solution; the dancing links the same count and grid.
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
        {"generated_minimal_10k.txt", 100, true},
        {"puzzles7_serg_benchmark.txt", 100, false},
    };
    for (const auto& set : SETS) {
        SKIP_WITHOUT_DATA(set.file);
        std::vector<std::string> lines = ReadPuzzleLines(set.file);
        for (size_t i = 0; i < lines.size(); i += std::max<size_t>(1, lines.size() / set.sample))
            for (int32_t limit : {2, 1, 0}) { // limit 0 stops at the first solution
                SCOPED_TRACE(lines[i] + " limit " + std::to_string(limit));
                LoadGivens(lines[i].c_str());
                uint8_t links[81];
                std::memcpy(links, S->SolutionGrid, 81);
                const int32_t count = CountSolutions(S->Board, limit, S->SolutionGrid);
                ASSERT_TRUE((limit == 0 || set.unique) ? count == 1 : count >= 2) << count;
                ASSERT_EQ(LinksCountSolutions(S->Board, limit, links), count);
                ASSERT_EQ(std::memcmp(links, S->SolutionGrid, 81), 0);
                const std::string grid = SolutionDigits();
                uint8_t unique[81] = {};
                ASSERT_EQ(SolveUnique(S->Board, unique), set.unique ? 1 : 2);
                if (set.unique) {
                    ASSERT_EQ(std::memcmp(unique, S->SolutionGrid, 81), 0);
                }
                for (int k = 0; k < 81; k++)
                    ASSERT_TRUE(S->Board[k] == 0 || grid[k] == lines[i][k]);
                LoadGivens(grid.c_str());
                ASSERT_EQ(CountFilled(S), 81);
            }
    }
}

// Random boards of 0 to 40 givens taken from a solution grid (the sparse ones have many
// solutions), a third of them with one given changed at random (often no solution): the
// bitboard counter gives the dancing links' count and grid at limits 0, 1, 2 and 5, each count
// starting from the grid the one before left; the uniqueness solver gives 0, 1 or 2 as they do,
// and the solution when it is unique.
TEST_F(Count, RandomBoardsAgreeWithTheDancingLinks) {
    std::mt19937 random(20240601);
    const uint8_t empty[81] = {};
    uint8_t grid[81], links[81];
    CountSolutions(empty, 0, grid);
    std::memcpy(links, grid, 81);
    int several = 0, none = 0, unique = 0;
    for (int n = 0; n < 1200; n++) {
        uint8_t board[81] = {};
        for (int givens = n % 41; givens > 0;) {
            const int cell = int(random() % 81);
            if (!board[cell]) board[cell] = grid[cell], givens--;
        }
        if (n % 3 == 2) board[random() % 81] = uint8_t(1 + random() % 9);
        int32_t atOne = 0;
        for (int32_t limit : {0, 1, 2, 5}) {
            const int32_t count = CountSolutions(board, limit, grid);
            ASSERT_EQ(LinksCountSolutions(board, limit, links), count) << n << " limit " << limit;
            ASSERT_EQ(std::memcmp(links, grid, 81), 0) << n << " limit " << limit;
            if (limit == 1) atOne = count;
        }
        uint8_t solved[81] = {};
        const int32_t answer = SolveUnique(board, solved);
        ASSERT_EQ(answer, std::min(atOne, 2)) << n;
        if (answer == 1) {
            uint8_t first[81];
            CountSolutions(board, 0, first);
            ASSERT_EQ(std::memcmp(solved, first, 81), 0) << n;
        }
        several += answer == 2, none += answer == 0, unique += answer == 1;
    }
    EXPECT_GT(several, 100);
    EXPECT_GT(none, 100);
    EXPECT_GT(unique, 10);
}

} // namespace
