// The generator: every puzzle unique and minimal with its solution left in SolutionGrid, the
// seeded random source, the recovery from a seed without solution, and the research data sets
// reproduced with the counter they were made with.
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "model/board.h"
#include "model/history.h"
#include "tests/support.h"
#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {
class Generator : public CoreTest {};

// Every board a wrapped counter was given, with the count it returned.
std::vector<std::string> Counted;
std::vector<int32_t> Results;
SolutionCounter Wrapped = CountSolutions;

std::string Digits(const uint8_t* cells) {
    std::string s(81, '.');
    for (int i = 0; i < 81; i++)
        if (cells[i] & CELL_DIGIT) s[i] = char('0' + (cells[i] & CELL_DIGIT));
    return s;
}

int32_t RecordingCounter(const uint8_t* board, int32_t limit) {
    Counted.push_back(Digits(board));
    Results.push_back(Wrapped(board, limit));
    return Results.back();
}

// Unique, and emptying any given lets a second solution in.
void ExpectUniqueAndMinimal(const std::string& puzzle) {
    uint8_t cells[81];
    for (int i = 0; i < 81; i++) cells[i] = puzzle[i] == '.' ? 0 : uint8_t(puzzle[i] - '0');
    ASSERT_EQ(CountSolutions(cells, 1), 1) << puzzle;
    for (int i = 0; i < 81; i++) {
        if (!cells[i]) continue;
        uint8_t d = cells[i];
        cells[i] = 0;
        EXPECT_GE(CountSolutions(cells, 1), 2) << puzzle << " without cell " << i;
        cells[i] = d;
    }
}

// The state CreatePuzzle promises: plain givens (at most 30), SolutionGrid complete, plain and
// in agreement with them, a fresh history; the puzzle unique and minimal.
void ExpectFreshPuzzle() {
    int givens = 0;
    for (int i = 0; i < 81; i++) {
        ASSERT_LE(Board[i], 9) << "cell " << i;
        ASSERT_GE(SolutionGrid[i], 1) << "cell " << i;
        ASSERT_LE(SolutionGrid[i], 9) << "cell " << i;
        if (Board[i]) {
            givens++;
            ASSERT_EQ(Board[i], SolutionGrid[i]) << "cell " << i;
        }
    }
    EXPECT_LE(givens, 30);
    EXPECT_EQ(MovePos, 0);
    EXPECT_EQ(MoveEnd, 0);
    std::string puzzle = BoardDigits();
    ExpectUniqueAndMinimal(puzzle);
}

TEST_F(Generator, SeededPuzzlesAreUniqueMinimalAndCarryTheirSolution) {
    SeedRandom(2024);
    for (int n = 0; n < 6; n++) {
        EXPECT_EQ(CreatePuzzle(), 1);
        ExpectFreshPuzzle();
    }
}

TEST_F(Generator, SameSeedGivesTheSamePuzzles) {
    std::vector<std::string> first, second;
    SeedRandom(77);
    for (int n = 0; n < 3; n++) first.push_back((CreatePuzzle(), BoardDigits()));
    SeedRandom(77);
    for (int n = 0; n < 3; n++) second.push_back((CreatePuzzle(), BoardDigits()));
    EXPECT_EQ(first, second);
    EXPECT_NE(first[0], first[1]);
    EXPECT_NE(first[1], first[2]);
    // Unseeded, two calls in a row differ too.
    ResetForTest();
    CreatePuzzle();
    std::string a = BoardDigits();
    CreatePuzzle();
    EXPECT_NE(a, BoardDigits());
}

TEST_F(Generator, TheThirtyGivenStateHoldsThirtyCellsOfTheGrid) {
    Wrapped = CountSolutions;
    Counted.clear();
    Results.clear();
    SeedRandom(31);
    CreatePuzzleWith(RecordingCounter);
    // Board 0 is the seed; then 30-given attempts until one is unique; then removal tests.
    ASSERT_GE(Counted.size(), 3u);
    size_t attempt = 1;
    for (; attempt < Counted.size(); attempt++) {
        EXPECT_EQ(81 - std::count(Counted[attempt].begin(), Counted[attempt].end(), '.'), 30);
        if (Results[attempt] == 1) break;
    }
    ASSERT_LT(attempt, Counted.size());
    // Each removal test lacks exactly one given of the board before it was tried.
    EXPECT_EQ(81 - std::count(Counted[attempt + 1].begin(), Counted[attempt + 1].end(), '.'), 29);
    EXPECT_EQ(Counted.back(), BoardDigits()); // the final count with limit 0
}

TEST_F(Generator, SeedWithoutSolutionStillEndsInAMinimalPuzzle) {
    // Seed 1098 puts nine digits that leave some cell without a candidate; SolutionGrid is still
    // all zeros, so the first 30 draws leave the Board empty.
    Wrapped = CountSolutions;
    Counted.clear();
    Results.clear();
    SeedRandom(1098);
    CreatePuzzleWith(RecordingCounter);
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
    if (!DataAvailable(file)) GTEST_SKIP() << file << " not found";
    std::vector<std::string> lines = ReadPuzzleLines(file, 12);
    SeedRandom(20240601);
    for (size_t n = 0; n < lines.size(); n++) {
        CreatePuzzleWith(CountSolutionsStoppingPastLimit);
        ASSERT_EQ(BoardDigits(), lines[n]) << "puzzle " << n + 1;
    }
}

TEST_F(Generator, ReproducesTheCounterTrace) {
    const char* file = "generator_count_trace_1000.txt";
    if (!DataAvailable(file)) GTEST_SKIP() << file << " not found";
    std::vector<std::string> lines = ReadPuzzleLines(file, 3000);
    Wrapped = CountSolutionsStoppingPastLimit;
    Counted.clear();
    Results.clear();
    SeedRandom(4242);
    while (Counted.size() < lines.size()) CreatePuzzleWith(RecordingCounter);
    for (size_t i = 0; i < lines.size(); i++) ASSERT_EQ(Counted[i], lines[i]) << "board " << i + 1;
}
} // namespace
