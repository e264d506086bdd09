// The generator: the exact puzzles and counts of a recorded run (which also pins the seeded
// random source), and the recovery from a seed without solution, still unique and minimal
// with its solution left in SolutionGrid.
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "model/board.h"
#include "model/history.h"
#include "tests/support.h"
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {
// Every count the recording counter was asked for, as the recorded calls hold them.
std::vector<CountCall> Calls;

int32_t RecordingCounter(CountWorkspace* w, const uint8_t* board, int32_t limit,
                         uint8_t* solution) {
    CountCall call{std::string(81, '.'), limit, CountSolutions(w, board, limit, solution),
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
        ResetGame();
        CreatePuzzleWith(gen.get(), Board, SolutionGrid, RecordingCounter);
        ResetPosition();
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
    const std::vector<CountCall>& recorded = ExactCountCalls();
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
