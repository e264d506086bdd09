// Solution counting: the empty-board solutions, the per-level limit rule on real boards, known
// answers over the puzzle files, and the fast counter against the engine and the plain build.
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

std::vector<uint8_t> Cells(const std::string& text) {
    std::vector<uint8_t> cells(81);
    for (int i = 0; i < 81; i++)
        cells[i] = text[i] >= '1' && text[i] <= '9' ? uint8_t(text[i] - '0') : 0;
    return cells;
}

std::string Grid() {
    std::string s(81, '0');
    for (int i = 0; i < 81; i++) s[i] = char('0' + (SolutionGrid[i] & CELL_DIGIT));
    return s;
}

// A complete grid that obeys every unit and agrees with the givens.
bool SolvesGivens(const std::string& grid, const std::string& givens) {
    for (int i = 0; i < 81; i++)
        if (grid[i] < '1' || grid[i] > '9' || (givens[i] != '.' && givens[i] != grid[i]))
            return false;
    for (int u = 0; u < 27; u++) {
        unsigned seen = 0;
        for (int k = 0; k < 9; k++) seen |= 1u << (grid[UnitTable[u][k]] - '1');
        if (seen != 0x1FF) return false;
    }
    return true;
}

const char* FIRST_EMPTY_SOLUTION =
    "123456789789123456456789123312845697697312845845697312231564978978231564564978231";
const char* SECOND_EMPTY_SOLUTION =
    "123456789789123456456789123312845697697312845845697312231574968968231574574968231";

TEST_F(Count, EmptyBoardGivesTheDescribedSolutionsWithEveryCounter) {
    const uint8_t empty[81] = {};
    for (int c = 0; c < 3; c++) {
        std::memset(SolutionGrid, 0, 81);
        EXPECT_EQ(COUNTERS[c](empty, 0), 1) << COUNTER_NAMES[c];
        EXPECT_EQ(Grid(), FIRST_EMPTY_SOLUTION) << COUNTER_NAMES[c];
        EXPECT_EQ(COUNTERS[c](empty, 1), 2) << COUNTER_NAMES[c];
        EXPECT_EQ(Grid(), SECOND_EMPTY_SOLUTION) << COUNTER_NAMES[c];
    }
    EXPECT_EQ(SolutionLimit, 1);
}

TEST_F(Count, CompleteBoardIsItsOwnSolutionAndFlagBitsAreIgnored) {
    std::vector<uint8_t> full = Cells(FIRST_EMPTY_SOLUTION);
    for (int i = 0; i < 81; i += 2) full[i] |= CELL_ENTERED | 0x30; // entered, colour 3
    EXPECT_EQ(CountSolutions(full.data(), 1), 1);
    EXPECT_EQ(Grid(), FIRST_EMPTY_SOLUTION);

    std::vector<uint8_t> puzzle = Cells(BUILTIN_PUZZLE);
    ASSERT_EQ(CountSolutions(puzzle.data(), 1), 1);
    std::string plain = Grid();
    for (uint8_t& c : puzzle)
        if (c) c |= CELL_ENTERED | CELL_COLOUR;
    EXPECT_EQ(CountSolutions(puzzle.data(), 1), 1);
    EXPECT_EQ(Grid(), plain);
}

TEST_F(Count, ConflictOrFailureLeavesTheSolutionGridAlone) {
    std::vector<uint8_t> board = Cells(BUILTIN_PUZZLE);
    board[10] = 7; // a second 7 in the top-left box (cell 1 holds 7)
    std::memset(SolutionGrid, 5, 81);
    for (int c = 0; c < 3; c++) EXPECT_EQ(COUNTERS[c](board.data(), 1), 0) << COUNTER_NAMES[c];
    EXPECT_EQ(Grid(), std::string(81, '5'));

    const uint8_t empty[81] = {};
    ExactCoverAllocBudget = 2; // headers and one node block: the 2,916 nodes do not fit
    EXPECT_EQ(CountSolutionsOnEngine(empty, 1), -3);
    ExactCoverAllocBudget = 4; // matrix complete, no row stack
    EXPECT_EQ(CountSolutionsOnEngine(empty, 1), -3);
    EXPECT_EQ(Grid(), std::string(81, '5'));

    board[10] = 12; // outside the cell byte's digit range
    EXPECT_EQ(CountSolutions(board.data(), 1), -1);
    EXPECT_EQ(Grid(), std::string(81, '5'));
}

TEST_F(Count, RecordSolutionOfNoRowsWritesNothing) {
    std::memset(SolutionGrid, 3, 81);
    EXPECT_EQ(RecordSolution(0, nullptr), 1);
    EXPECT_EQ(Grid(), std::string(81, '3'));
}

// Proper puzzles count exactly one solution, and SolutionGrid holds it.
void ExpectUnique(const char* file, size_t sample) {
    if (!DataAvailable(file)) GTEST_SKIP() << file << " not found";
    std::vector<std::string> lines = ReadPuzzleLines(file);
    size_t step = lines.size() > sample ? lines.size() / sample : 1;
    for (size_t i = 0; i < lines.size(); i += step) {
        std::vector<uint8_t> cells = Cells(lines[i]);
        ASSERT_EQ(CountSolutions(cells.data(), 1), 1) << file << " line " << i + 1;
        ASSERT_TRUE(SolvesGivens(Grid(), lines[i])) << file << " line " << i + 1;
    }
}

TEST_F(Count, SeventeenCluePuzzlesAreUnique) {
    ExpectUnique("puzzles2_17_clue.txt", 400);
}
TEST_F(Count, Top1465PuzzlesAreUnique) {
    ExpectUnique("puzzles3_magictour_top1465.txt", 200);
}
TEST_F(Count, HardestPuzzlesAreUnique) {
    ExpectUnique("puzzles6_forum_hardest_1106.txt", 40);
    ExpectUnique("puzzles5_forum_hardest_1905_11+.txt", 40);
}
TEST_F(Count, GeneratedPuzzlesAreUnique) {
    ExpectUnique("generated_minimal_10k.txt", 300);
}

TEST_F(Count, BenchmarkPuzzlesHaveSeveralSolutions) {
    const char* file = "puzzles7_serg_benchmark.txt";
    if (!DataAvailable(file)) GTEST_SKIP() << file << " not found";
    std::vector<std::string> lines = ReadPuzzleLines(file);
    for (size_t i = 0; i < lines.size(); i += 25) {
        std::vector<uint8_t> cells = Cells(lines[i]);
        ASSERT_GE(CountSolutions(cells.data(), 1), 2) << "line " << i + 1;
        EXPECT_TRUE(SolvesGivens(Grid(), lines[i])) << "line " << i + 1;
        // Limit 0 stops at the first solution.
        ASSERT_EQ(CountSolutions(cells.data(), 0), 1) << "line " << i + 1;
        EXPECT_TRUE(SolvesGivens(Grid(), lines[i])) << "line " << i + 1;
    }
}

// The three counters agree on result and SolutionGrid for every board and limit given.
void ExpectCountersAgree(const std::vector<std::string>& lines,
                         std::initializer_list<int32_t> limits) {
    for (size_t i = 0; i < lines.size(); i++) {
        std::vector<uint8_t> cells = Cells(lines[i]);
        for (int32_t limit : limits) {
            int32_t results[3];
            std::string grids[3];
            for (int c = 0; c < 3; c++) {
                std::memset(SolutionGrid, 0, 81);
                results[c] = COUNTERS[c](cells.data(), limit);
                grids[c] = Grid();
            }
            for (int c = 1; c < 3; c++) {
                ASSERT_EQ(results[0], results[c])
                    << COUNTER_NAMES[c] << ", board " << i << " limit " << limit << " " << lines[i];
                ASSERT_EQ(grids[0], grids[c])
                    << COUNTER_NAMES[c] << ", board " << i << " limit " << limit << " " << lines[i];
            }
        }
    }
}

TEST_F(Count, FastCounterMatchesThePlainEngineOverTheGeneratorTrace) {
    const char* file = "generator_count_trace_1000.txt";
    if (!DataAvailable(file)) GTEST_SKIP() << file << " not found";
    std::vector<std::string> lines = ReadPuzzleLines(file, 60000);
    std::vector<std::string> sample;
    for (size_t i = 0; i < lines.size(); i += 20) sample.push_back(lines[i]);
    ExpectCountersAgree(sample, {0, 1});
}

TEST_F(Count, FastCounterMatchesThePlainEngineAtHigherLimits) {
    const char* file = "puzzles7_serg_benchmark.txt";
    if (!DataAvailable(file)) GTEST_SKIP() << file << " not found";
    std::vector<std::string> lines = ReadPuzzleLines(file, 300);
    ExpectCountersAgree(lines, {2, 5, 40});
    // Boards with givens removed from known puzzles: many solutions, deep searches.
    std::vector<std::string> thinned = ReadPuzzleLines("puzzles2_17_clue.txt", 40);
    for (std::string& s : thinned) {
        int removed = 0;
        for (char& c : s)
            if (c != '.' && removed++ < 3) c = '.';
    }
    ExpectCountersAgree(thinned, {0, 1, 3, 17});
}

TEST_F(Count, StoppingPastTheLimitEndsAtSolutionLimitPlusOne) {
    const uint8_t empty[81] = {};
    EXPECT_EQ(CountSolutionsStoppingPastLimit(empty, 0), 1);
    EXPECT_EQ(Grid(), FIRST_EMPTY_SOLUTION);
    EXPECT_EQ(CountSolutionsStoppingPastLimit(empty, 1), 2);
    EXPECT_EQ(Grid(), SECOND_EMPTY_SOLUTION);
    // Where the per-level rule counts past limit + 1, this variant stops there.
    if (!DataAvailable("puzzles7_serg_benchmark.txt")) GTEST_SKIP() << "data not found";
    std::vector<std::string> lines = ReadPuzzleLines("puzzles7_serg_benchmark.txt", 200);
    int differ = 0;
    for (const std::string& line : lines) {
        std::vector<uint8_t> cells = Cells(line);
        int32_t perLevel = CountSolutions(cells.data(), 5);
        int32_t stopping = CountSolutionsStoppingPastLimit(cells.data(), 5);
        EXPECT_EQ(stopping, perLevel > 5 ? 6 : perLevel) << line;
        differ += perLevel != stopping;
    }
    EXPECT_GT(differ, 0);
}
} // namespace
