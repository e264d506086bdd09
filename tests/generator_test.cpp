// The generator: the exact puzzles and counts of a recorded run (which also pins the seeded
// random source), and the recovery from a seed without solution, still unique and minimal
// with its solution left in SolutionGrid.
#include "control/session.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "model/board.h"
#include "model/history.h"
#include "tests/support.h"
#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {
// The recorded run of the generator for seed 4242: its first 100 puzzles, and one line per
// count it made: board ('.' empty), tab, limit, tab, result, tab, SolutionGrid after the call.
constexpr const char* EXACT_PUZZLES_FILE = "created_exact_seed4242_100.txt";
constexpr const char* EXACT_CALLS_FILE = "created_exact_seed4242_100_calls.tsv";
struct CountCall {
    std::string board;
    int32_t limit, result;
    std::string grid; // 81 digits, '0' where no digit was recorded
};
// Every count the recording counter was asked for, as the recorded calls hold them.
std::vector<CountCall> Calls;

int32_t RecordingCounter(const uint8_t* board, int32_t limit, uint8_t* solution) {
    CountCall call{std::string(81, '.'), limit, CountSolutions(board, limit, solution),
                   SolutionDigits()};
    for (int i = 0; i < 81; i++)
        if (board[i]) call.board[i] = char('0' + (board[i] & CELL_DIGIT));
    Calls.push_back(call);
    return call.result;
}

class Generate : public CoreTest {
  protected:
    std::unique_ptr<Generator> gen = std::make_unique<Generator>();
    // A new game from the recording counter, as CreateGame makes one.
    void CreateRecorded() {
        ResetGame(S);
        CreatePuzzleWith(gen.get(), S->Board, S->SolutionGrid, RecordingCounter);
        ResetPosition(S);
    }
};

// Seed 1098 puts nine digits that leave some cell without a candidate; SolutionGrid is still
// all zeros, so the first 30 draws leave the Board empty, and the result is still minimal.
TEST_F(Generate, SeedWithoutSolutionStillEndsInAMinimalPuzzle) {
    Calls.clear();
    SeedGenerator(gen.get(), 1098);
    CreateRecorded();
    ASSERT_GE(Calls.size(), 2u);
    EXPECT_EQ(Calls[0].result, 0);
    EXPECT_EQ(Calls[1].board, std::string(81, '.'));
    EXPECT_GE(Calls[1].result, 2);
    ExpectFreshPuzzle();
}

// An independent implementation of the generator and counter recorded its first 100 puzzles
// for seed 4242 and every count on the way (board, limit, result, SolutionGrid after the call);
// this generator makes the same, call for call.
TEST_F(Generate, MakesTheRecordedPuzzlesAndCountsOfSeed4242) {
    SKIP_WITHOUT_DATA(EXACT_CALLS_FILE);
    SKIP_WITHOUT_DATA(EXACT_PUZZLES_FILE);
    std::vector<CountCall> recorded;
    std::ifstream in(DataPath(EXACT_CALLS_FILE));
    for (CountCall c; in >> c.board >> c.limit >> c.result >> c.grid;) recorded.push_back(c);
    const std::vector<std::string> puzzles = ReadPuzzleLines(EXACT_PUZZLES_FILE);
    ASSERT_EQ(recorded.size(), 18928u);
    ASSERT_EQ(puzzles.size(), 100u);
    Calls.clear();
    SeedGenerator(gen.get(), 4242);
    for (size_t n = 0; n < puzzles.size(); n++) {
        const size_t from = Calls.size();
        CreateRecorded();
        for (size_t i = from; i < Calls.size(); i++) {
            ASSERT_LT(i, recorded.size()) << "puzzle " << n + 1;
            const CountCall &got = Calls[i], &want = recorded[i];
            ASSERT_TRUE(got.board == want.board && got.limit == want.limit &&
                        got.result == want.result && got.grid == want.grid)
                << "puzzle " << n + 1 << ", call " << i + 1 << ": " << got.board << " " << got.limit
                << " " << got.result << " " << got.grid << ", recorded " << want.board << " "
                << want.limit << " " << want.result << " " << want.grid;
        }
        ASSERT_EQ(BoardDigits(), puzzles[n]) << "puzzle " << n + 1;
    }
    EXPECT_EQ(Calls.size(), recorded.size());
}
} // namespace

namespace {
// What one generator run leaves: each puzzle, its solution, and a count at limit 9 of the puzzle
// with its first given taken away (a count that runs on past the first solutions).
std::string GeneratorRun(uint32_t seed, int puzzles) {
    auto gen = std::make_unique<Generator>();
    SeedGenerator(gen.get(), seed);
    uint8_t board[81], solution[81] = {};
    std::string out;
    for (int n = 0; n < puzzles; n++) {
        CreatePuzzle(gen.get(), board, solution);
        for (int i = 0; i < 81; i++) out += char('0' + board[i]);
        for (int i = 0; i < 81; i++) out += char('0' + solution[i]);
        for (int i = 0; i < 81; i++)
            if (board[i]) {
                board[i] = 0;
                break;
            }
        uint8_t reached[81] = {};
        out += " " + std::to_string(CountSolutions(board, 9, reached)) + "\n";
    }
    return out;
}

// Generators and counts on records of their own run on four threads at once and make exactly
// what one thread makes, seed by seed (two threads share each seed, so a random source or
// workspace shared between threads shows as a difference). Run under ThreadSanitizer by
// `make tsan`.
TEST(Threads, GeneratorsAndCountsOnFourThreadsMatchOneThread) {
    constexpr uint32_t SEEDS[4] = {4242, 4242, 7, 7};
    constexpr int PUZZLES = 12;
    std::string alone[4], together[4];
    for (int t = 0; t < 4; t++) alone[t] = GeneratorRun(SEEDS[t], PUZZLES);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; t++)
        threads.emplace_back([&, t] { together[t] = GeneratorRun(SEEDS[t], PUZZLES); });
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < 4; t++) EXPECT_EQ(together[t], alone[t]) << "thread " << t;
    EXPECT_NE(alone[0], alone[2]);
}
} // namespace
