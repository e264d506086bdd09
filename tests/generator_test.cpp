// The generator: every puzzle unique and minimal with its solution left in SolutionGrid, the
// seeded random source, the recovery from a seed without solution, and the research data sets
// reproduced with the counter they were made with.
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "model/board.h"
#include "model/history.h"
#include "tests/support.h"
#include <algorithm>
#include <string>
#include <vector>

namespace {
// Every board the recording counter was given, with the count it returned.
std::vector<std::string> Counted;
std::vector<int32_t> Results;
SolutionCounter Wrapped = CountSolutions;

int32_t RecordingCounter(const uint8_t* board, int32_t limit) {
    std::string s(81, '.');
    for (int i = 0; i < 81; i++)
        if (board[i]) s[i] = char('0' + (board[i] & CELL_DIGIT));
    Counted.push_back(s);
    Results.push_back(Wrapped(board, limit));
    return Results.back();
}

class Generator : public CoreTest {
  protected:
    void CreateRecorded(uint32_t seed, SolutionCounter counter) {
        Wrapped = counter;
        Counted.clear();
        Results.clear();
        SeedRandom(seed);
        CreatePuzzleWith(RecordingCounter);
    }
};

// What CreatePuzzle promises: plain givens (at most 30) that agree with a complete plain
// SolutionGrid, a fresh history, and a puzzle that is unique and minimal.
void ExpectFreshPuzzle() {
    int givens = 0;
    for (int i = 0; i < 81; i++) {
        ASSERT_TRUE(SolutionGrid[i] >= 1 && SolutionGrid[i] <= 9) << "cell " << i;
        ASSERT_TRUE(Board[i] == 0 || Board[i] == SolutionGrid[i]) << "cell " << i;
        givens += Board[i] != 0;
    }
    EXPECT_LE(givens, 30);
    EXPECT_EQ(MoveEnd, 0);
    uint8_t cells[81];
    std::copy(Board, Board + 81, cells);
    ASSERT_EQ(CountSolutions(cells, 1), 1) << BoardDigits();
    for (int i = 0; i < 81; i++) {
        if (!cells[i]) continue;
        uint8_t d = cells[i];
        cells[i] = 0; // every given is needed
        EXPECT_GE(CountSolutions(cells, 1), 2) << BoardDigits() << " without cell " << i;
        cells[i] = d;
    }
}

TEST_F(Generator, PuzzlesAreUniqueMinimalAndRepeatWithTheSeed) {
    std::vector<std::string> first;
    SeedRandom(2024);
    for (int n = 0; n < 6; n++) {
        EXPECT_EQ(CreatePuzzle(), 1);
        ExpectFreshPuzzle();
        first.push_back(BoardDigits());
    }
    EXPECT_NE(first[0], first[1]);
    SeedRandom(2024);
    for (int n = 0; n < 2; n++) EXPECT_EQ((CreatePuzzle(), BoardDigits()), first[n]);
}

TEST_F(Generator, SeedWithoutSolutionStillEndsInAMinimalPuzzle) {
    // Seed 1098 puts nine digits that leave some cell without a candidate; SolutionGrid is still
    // all zeros, so the first 30 draws leave the Board empty.
    CreateRecorded(1098, CountSolutions);
    ASSERT_GE(Counted.size(), 2u);
    EXPECT_EQ(Results[0], 0);
    EXPECT_EQ(Counted[1], std::string(81, '.'));
    EXPECT_GE(Results[1], 2);
    ExpectFreshPuzzle();
}

// The research data sets were made by the same algorithm with RandomCell = mt19937() % 81, but
// with a counter that stops the whole search once the limit is passed (see count.h); with that
// counter put in, the generator reproduces them board for board.
TEST_F(Generator, ReproducesTheGeneratedPuzzleSet) {
    const char* file = "generated_minimal_10k.txt";
    SKIP_WITHOUT_DATA(file);
    std::vector<std::string> lines = ReadPuzzleLines(file, 12);
    SeedRandom(20240601);
    for (size_t n = 0; n < lines.size(); n++) {
        CreatePuzzleWith(CountSolutionsStoppingPastLimit);
        ASSERT_EQ(BoardDigits(), lines[n]) << "puzzle " << n + 1;
    }
}

// Every board counted, the 30-given attempts and the removal tests included, as traced.
TEST_F(Generator, ReproducesTheCounterTrace) {
    const char* file = "generator_count_trace_1000.txt";
    SKIP_WITHOUT_DATA(file);
    std::vector<std::string> lines = ReadPuzzleLines(file, 3000);
    CreateRecorded(4242, CountSolutionsStoppingPastLimit);
    while (Counted.size() < lines.size()) CreatePuzzleWith(RecordingCounter);
    for (size_t i = 0; i < lines.size(); i++) ASSERT_EQ(Counted[i], lines[i]) << "board " << i + 1;
}
} // namespace
