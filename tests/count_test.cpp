// Solution counting: the empty board's solutions, the exact record of every count a generator
// run makes, known answers over the puzzle files, and the reference counter at higher limits.
#include "exactcover/count.h"
#include "model/board.h"
#include "tests/reference/literal_engine.h"
#include "tests/support.h"
#include <cstring>
#include <string>

namespace {
class Count : public CoreTest {};

using Counter = int32_t (*)(const uint8_t*, int32_t);

// The SolutionGrid is a complete grid, obeys every unit and agrees with the givens.
bool SolvesGivens(const std::string& givens) {
    std::string grid = SolutionDigits();
    for (int i = 0; i < 81; i++)
        if (givens[i] != '.' && givens[i] != grid[i]) return false;
    LoadGivens(grid.c_str());
    return CountFilled() == 81;
}

TEST_F(Count, EmptyBoardGivesTheFirstAndSecondSolutions) {
    const uint8_t empty[81] = {};
    for (Counter count : {CountSolutions, LiteralCountSolutions}) {
        EXPECT_EQ(count(empty, 0), 1);
        EXPECT_EQ(SolutionDigits(), EMPTY_BOARD_FIRST);
        EXPECT_EQ(count(empty, 1), 2);
        EXPECT_EQ(SolutionDigits(), EMPTY_BOARD_SECOND);
    }
}

TEST_F(Count, FlagBitsAreIgnoredAndConflictsOrBadDigitsLeaveTheSolutionGridAlone) {
    LoadGivens(EMPTY_BOARD_FIRST);
    for (int i = 0; i < 81; i += 2) Board[i] |= CELL_ENTERED | 0x30; // entered, colour 3
    EXPECT_EQ(CountSolutions(Board, 1), 1);
    EXPECT_EQ(SolutionDigits(), EMPTY_BOARD_FIRST);
    LoadGivens(BUILTIN_PUZZLE);
    Board[10] = 7; // a second 7 in the top-left box (cell 1 holds 7)
    std::memset(SolutionGrid, 5, 81);
    EXPECT_EQ(CountSolutions(Board, 1), 0);
    Board[10] = 12; // outside the cell byte's digit range
    EXPECT_EQ(CountSolutions(Board, 1), -1);
    EXPECT_EQ(SolutionDigits(), std::string(81, '5'));
}

// Every count the generator made for its first 100 puzzles with seed 4242, recorded by an
// independent implementation: the board, the limit, the result and the SolutionGrid after the
// call, which starts from the grid the call before left.
TEST_F(Count, EveryRecordedCallOfTheGeneratorGivesItsResultAndGrid) {
    SKIP_WITHOUT_DATA(EXACT_CALLS_FILE);
    const std::vector<CountCall>& calls = ExactCountCalls();
    ASSERT_EQ(calls.size(), 18928u);
    std::string before(81, '0');
    int differ = 0;
    for (size_t i = 0; i < calls.size() && differ < 5; i++) {
        const CountCall& c = calls[i];
        for (int k = 0; k < 81; k++) SolutionGrid[k] = uint8_t(before[k] - '0');
        LoadGivens(c.board.c_str());
        const int32_t result = CountSolutions(Board, c.limit);
        if (result != c.result || SolutionDigits() != c.grid)
            ADD_FAILURE() << "call " << i + 1 << " (" << c.board << ", limit " << c.limit
                          << "): " << result << " " << SolutionDigits() << ", recorded " << c.result
                          << " " << c.grid << (++differ, "");
        before = c.grid;
    }
}

// Proper puzzles have one solution, the benchmark set several; the grid left solves the givens.
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
        for (size_t i = 0; i < lines.size(); i += std::max<size_t>(1, lines.size() / set.sample)) {
            SCOPED_TRACE(std::string(set.file) + " line " + std::to_string(i + 1));
            for (int32_t limit : {1, 0}) { // limit 0 stops at the first solution
                LoadGivens(lines[i].c_str());
                int32_t count = CountSolutions(Board, limit);
                ASSERT_TRUE((limit == 0 || set.unique) ? count == 1 : count >= 2) << count;
                ASSERT_TRUE(SolvesGivens(lines[i]));
            }
        }
    }
}

// Above limit 1, where the per-level rule counts past limit + 1 and the recorded calls do not
// reach, the counter agrees with the reference on result and SolutionGrid.
TEST_F(Count, HigherLimitsAgreeWithTheReferenceCounter) {
    const char* serg = "puzzles7_serg_benchmark.txt";
    const char* clue17 = "puzzles2_17_clue.txt";
    SKIP_WITHOUT_DATA(serg);
    SKIP_WITHOUT_DATA(clue17);
    std::vector<std::string> thinned = ReadPuzzleLines(clue17, 40);
    for (std::string& s : thinned)
        for (int k = 0; k < 3; k++) s[s.find_first_not_of('.')] = '.'; // the first three givens
    const struct {
        std::vector<std::string> boards;
        std::vector<int32_t> limits;
    } RUNS[] = {{ReadPuzzleLines(serg, 300), {2, 5, 40}}, {thinned, {3, 17}}};
    for (const auto& run : RUNS)
        for (const std::string& board : run.boards)
            for (int32_t limit : run.limits) {
                SCOPED_TRACE(board + " limit " + std::to_string(limit));
                LoadGivens(board.c_str());
                std::memset(SolutionGrid, 0, 81);
                const int32_t expected = LiteralCountSolutions(Board, limit);
                const std::string grid = SolutionDigits();
                std::memset(SolutionGrid, 0, 81);
                ASSERT_EQ(CountSolutions(Board, limit), expected);
                ASSERT_EQ(SolutionDigits(), grid);
            }
}
} // namespace
