// Rating: level boundaries, small puzzles with known results, and what the rating puts back.
// Whole puzzles from the data files are rated in agreement_test.cpp.
#include "analysis/analysis.h"
#include "analysis/create.h"
#include "analysis/driver.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "control/rate.h"
#include "control/session.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include "tests/support.h"
#include <cstring>
#include <memory>
#include <string>

namespace {
const char* const SOLVED =
    "534678912672195348198342567859761423426853791713924856961537284287419635345286179";
const char* const UNSOLVED = "Can't solve this puzzle with logic!";

class Rating : public CoreTest {
  protected:
    static std::string Without(std::initializer_list<int> cells) {
        std::string puzzle = SOLVED;
        for (int i : cells) puzzle[i] = '.';
        return puzzle;
    }
};

TEST_F(Rating, LevelNamesByScore) {
    const struct {
        int score;
        const char* name;
    } LEVELS[] = {
        {0, "Very Easy"},       {1, "Easy"},       {16, "Easy"},      {17, "Medium"},
        {32, "Medium"},         {33, "Difficult"}, {48, "Difficult"}, {49, "Very Difficult"},
        {64, "Very Difficult"}, {65, "Fiendish"},  {200, "Fiendish"}};
    for (const auto& l : LEVELS) EXPECT_STREQ(LevelName(l.score), l.name) << l.score;
}

// Singles alone (or nothing to do) rate 1; the position and the pending step are as before.
// Two solutions, or a singles step that places nothing because r5c5 is the only place for 1
// in row 5 and for 2 in column 5, cannot be rated (and the loop ends). "Rate Puzzle" adds the
// player's rating on a second line: the diagonal's cells are each the last of their column.
TEST_F(Rating, SmallPuzzlesWithKnownResults) {
    const struct {
        std::string puzzle, result, player;
    } CASES[] = {
        {Without({0, 10, 20, 30, 40, 50, 60, 70, 80, 8, 16, 24}), "Rating 1 (Easy)",
         "1.0 Easy (Full house)"},
        {SOLVED, "Rating 1 (Easy)", "nothing left to solve"},
        {Without({32, 35, 41, 44}), UNSOLVED, UNSOLVED}, // 1 and 3 can swap in this rectangle
        {"2..1........2...........2..12.......................12..2...........2........1.2.",
         UNSOLVED, UNSOLVED},
    };
    for (const auto& c : CASES) {
        ResetForTest();
        LoadGivens(c.puzzle.c_str());
        RefreshPosition(S);
        char text[64];
        EXPECT_EQ(std::string(RatePuzzle(S, text, sizeof text)), c.result);
        EXPECT_TRUE(Recorded.messages.empty()); // the analysis layer shows nothing
        RateGame(S);
        EXPECT_EQ(Recorded.messages,
                  std::vector<std::string>{c.result + "\nPlayer's rating: " + c.player});
        EXPECT_EQ(BoardDigits(), c.puzzle);
        EXPECT_EQ(S->MoveEnd, 0);
        EXPECT_EQ(S->A->RatingScore, 0);
        EXPECT_EQ(S->A->PendingStep, 0);
    }
}

// "Rate Puzzle" in the middle of a game rates a copy: the marks, the clock and the position
// (history included) are as they were, and only the busy cursor and the message are shown.
TEST_F(Rating, RatingLeavesTheGameAsItWas) {
    LoadGivens(BUILTIN_PUZZLE);
    EnterDigit(S, 0, 2);
    EnterDigit(S, 2, 4);
    Undo(S);
    LoadMarksFromCandidates(S);
    S->MarkGrid[80] = DigitBit(7);
    StartClock(S);
    S->GameClock = 125;
    const Game before = *S;
    const int clockRuns = Recorded.clockRuns;
    RateGame(S);
    ASSERT_EQ(Recorded.messages.size(), 1u);
    const std::string& message = Recorded.messages[0];
    EXPECT_EQ(message.rfind("Rating ", 0), 0u) << message;
    EXPECT_NE(message.find("\nPlayer's rating: "), std::string::npos) << message;
    EXPECT_EQ(Recorded.busy, 1);
    EXPECT_EQ(std::memcmp(S->MarkGrid, before.MarkGrid, sizeof before.MarkGrid), 0);
    EXPECT_EQ(std::memcmp(S->MarksAt, before.MarksAt, sizeof before.MarksAt), 0);
    EXPECT_EQ(std::memcmp(S->Board, before.Board, sizeof before.Board), 0);
    EXPECT_EQ(S->MovePos, 1);
    EXPECT_EQ(S->MoveEnd, 2);
    EXPECT_EQ(S->GameClock, 125u);
    EXPECT_EQ(Recorded.clockRuns, clockRuns);
    EXPECT_TRUE(Recorded.clockRunning);
}

// Create by level: every puzzle found is unique and minimal, left as the generator made it, and
// rates at its level when rated afresh; a level out of range is refused. (A search told to stop:
// the background search's tests; the same seed finding the same puzzle: the CLI's.)
TEST_F(Rating, CreateAtLevelFindsUniqueMinimalPuzzlesOfThatLevel) {
    constexpr int LEVELS[] = {LEVEL_MEDIUM, LEVEL_FIENDISH, LEVEL_VERY_DIFFICULT, LEVEL_EASY};
    std::vector<std::string> puzzles, solutions;
    auto gen = std::make_unique<Generator>();
    auto rater = std::make_unique<Rater>();
    SeedGenerator(gen.get(), 2024);
    for (int level : LEVELS) {
        ASSERT_GE(CreatePuzzleAtLevel(rater.get(), S, gen.get(), level, nullptr, nullptr), 1)
            << level;
        solutions.push_back(SolutionDigits()); // before the checks count other boards
        puzzles.push_back(BoardDigits());
        ExpectFreshPuzzle();
    }
    for (size_t n = 0; n < puzzles.size(); n++) {
        ResetForTest();
        LoadGivens(puzzles[n].c_str());
        EXPECT_EQ(LevelIndex(RatePosition(rater.get(), S, nullptr, nullptr)), LEVELS[n])
            << puzzles[n];
        ASSERT_EQ(CountSolutions(S->Board, 1, S->SolutionGrid), 1);
        EXPECT_EQ(SolutionDigits(), solutions[n]);
    }

    for (int level : {-1, LEVEL_FIENDISH + 1})
        EXPECT_EQ(CreatePuzzleAtLevel(rater.get(), S, gen.get(), level, nullptr, nullptr), -1);
}
} // namespace
