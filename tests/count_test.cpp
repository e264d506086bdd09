// Solution counting: the empty-board solutions, known answers over the puzzle files, and the
// fast counter against the general engine and the literal build.
#include "bench/literal_engine.h"
#include "exactcover/count.h"
#include "exactcover/dlx.h"
#include "model/board.h"
#include "tests/support.h"
#include <cstring>
#include <string>

namespace {
class Count : public CoreTest {};

using Counter = int32_t (*)(const uint8_t*, int32_t);
const Counter COUNTERS[] = {CountSolutions, CountSolutionsOnEngine, LiteralCountSolutions};
const char* const COUNTER_NAMES[] = {"fast", "engine", "literal"};

// The SolutionGrid is a complete grid, obeys every unit and agrees with the givens.
bool SolvesGivens(const std::string& givens) {
    std::string grid = SolutionDigits();
    for (int i = 0; i < 81; i++)
        if (givens[i] != '.' && givens[i] != grid[i]) return false;
    LoadGivens(grid.c_str());
    return CountFilled() == 81;
}

TEST_F(Count, EmptyBoardGivesTheFirstAndSecondSolutionsWithEveryCounter) {
    const uint8_t empty[81] = {};
    for (int c = 0; c < 3; c++) {
        EXPECT_EQ(COUNTERS[c](empty, 0), 1) << COUNTER_NAMES[c];
        EXPECT_EQ(SolutionDigits(), EMPTY_BOARD_FIRST) << COUNTER_NAMES[c];
        EXPECT_EQ(COUNTERS[c](empty, 1), 2) << COUNTER_NAMES[c];
        EXPECT_EQ(SolutionDigits(), EMPTY_BOARD_SECOND) << COUNTER_NAMES[c];
    }
}

TEST_F(Count, FlagBitsAreIgnoredAndConflictsOrFailuresLeaveTheSolutionGridAlone) {
    LoadGivens(EMPTY_BOARD_FIRST);
    for (int i = 0; i < 81; i += 2) Board[i] |= CELL_ENTERED | 0x30; // entered, colour 3
    EXPECT_EQ(CountSolutions(Board, 1), 1);
    EXPECT_EQ(SolutionDigits(), EMPTY_BOARD_FIRST);
    LoadGivens(BUILTIN_PUZZLE);
    Board[10] = 7; // a second 7 in the top-left box (cell 1 holds 7)
    std::memset(SolutionGrid, 5, 81);
    for (int c = 0; c < 3; c++) EXPECT_EQ(COUNTERS[c](Board, 1), 0) << COUNTER_NAMES[c];
    const uint8_t empty[81] = {};
    ExactCoverAllocBudget = 2; // headers and one node block: the 2,916 nodes do not fit
    EXPECT_EQ(CountSolutionsOnEngine(empty, 1), -3);
    ExactCoverAllocBudget = 4; // matrix complete, no row stack
    EXPECT_EQ(CountSolutionsOnEngine(empty, 1), -3);
    Board[10] = 12; // outside the cell byte's digit range
    EXPECT_EQ(CountSolutions(Board, 1), -1);
    EXPECT_EQ(SolutionDigits(), std::string(81, '5'));
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
        {"generated_minimal_10k.txt", 300, true},
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

// The three counters agree on result and SolutionGrid for every board and limit; the variant
// that stops the whole search past the limit gives min(result, limit + 1).
void ExpectCountersAgree(const std::vector<std::string>& lines, std::vector<int32_t> limits) {
    for (size_t i = 0; i < lines.size(); i++) {
        LoadGivens(lines[i].c_str());
        for (int32_t limit : limits) {
            SCOPED_TRACE(lines[i] + " limit " + std::to_string(limit));
            int32_t results[3];
            std::string grids[3];
            for (int c = 0; c < 3; c++) {
                std::memset(SolutionGrid, 0, 81);
                results[c] = COUNTERS[c](Board, limit);
                grids[c] = SolutionDigits();
            }
            for (int c = 1; c < 3; c++) {
                ASSERT_EQ(results[0], results[c]) << COUNTER_NAMES[c];
                ASSERT_EQ(grids[0], grids[c]) << COUNTER_NAMES[c];
            }
            ASSERT_EQ(CountSolutionsStoppingPastLimit(Board, limit),
                      std::min(results[0], limit + 1));
        }
    }
}

TEST_F(Count, FastCounterMatchesTheEngineAndTheLiteralBuild) {
    const char* trace = "generator_count_trace_1000.txt";
    const char* serg = "puzzles7_serg_benchmark.txt";
    SKIP_WITHOUT_DATA(trace);
    SKIP_WITHOUT_DATA(serg);
    SKIP_WITHOUT_DATA("puzzles2_17_clue.txt");
    // Every 20th board the generator counted, at the limits it uses.
    std::vector<std::string> lines = ReadPuzzleLines(trace, 60000), sample;
    for (size_t i = 0; i < lines.size(); i += 20) sample.push_back(lines[i]);
    ExpectCountersAgree(sample, {0, 1});
    // Many solutions at higher limits, where the per-level rule counts past limit + 1.
    ExpectCountersAgree(ReadPuzzleLines(serg, 300), {2, 5, 40});
    std::vector<std::string> thinned = ReadPuzzleLines("puzzles2_17_clue.txt", 40);
    for (std::string& s : thinned)
        for (int k = 0; k < 3; k++) s[s.find_first_not_of('.')] = '.'; // the first three givens
    ExpectCountersAgree(thinned, {0, 1, 3, 17});
}
} // namespace
