// Playing around the puzzle: the record of games (statistics file, summary, "Puzzle Solved"
// telling the time), pause and restart.
#include "control/commands.h"
#include "control/digitfirst.h"
#include "control/pause.h"
#include "control/session.h"
#include "control/statistics.h"
#include "files/settings.h"
#include "files/statistics.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include "tests/support.h"
#include <bit>
#include <cstring>
#include <memory>

namespace {
class Play : public FileTest {
  protected:
    void SetUp() override {
        FileTest::SetUp();
        SetStatisticsPath(Path("statistics.txt").c_str());
    }
    void TearDown() override {
        SetStatisticsPath(nullptr);
        FileTest::TearDown();
    }
    // A run of the program: a fresh session watching its games, on SAMPLE_PUZZLE.
    void StartRun() {
        ResetForTest();
        StartStatistics(S);
        LoadGivens(SAMPLE_PUZZLE);
        ASSERT_EQ(CheckPosition(S), 100);
    }
    // Enters the solution's digit in open cells, up to count of them.
    void EnterSolution(int count) {
        for (int cell = 0; cell < 81 && count > 0; cell++)
            if (!S->Board[cell]) {
                EnterDigit(S, cell, S->SolutionGrid[cell] & CELL_DIGIT);
                count--;
            }
    }
    static std::unique_ptr<StatisticsRecord> Read() {
        auto stats = std::make_unique<StatisticsRecord>();
        EXPECT_EQ(LoadStatistics(stats.get()), 1);
        return stats;
    }
};

// A game begun in one run and finished in the next is one record; a second game of the same
// puzzle, helped by a hint, is another that counts as played but not solved.
TEST_F(Play, GamesAreRecordedAcrossRuns) {
    StartRun();
    EXPECT_EQ(ReadBytes(Path("statistics.txt")), ""); // nothing before the first entry
    EnterSolution(1);
    ASSERT_EQ(Read()->count, 1);
    EXPECT_EQ(Read()->games[0].solved, 0);

    StartRun(); // the next run, on the same game
    EnterSolution(1);
    S->GameClock = 125;
    EnterSolution(81);
    auto stats = Read();
    ASSERT_EQ(stats->count, 1);
    const GameRecord game = stats->games[0];
    EXPECT_EQ(game.solved, 1);
    EXPECT_EQ(game.helped, 0);
    EXPECT_EQ(game.seconds, 125);
    uint8_t givens[81];
    for (int i = 0; i < 81; i++)
        givens[i] = SAMPLE_PUZZLE[i] >= '1' && SAMPLE_PUZZLE[i] <= '9'
                        ? uint8_t(SAMPLE_PUZZLE[i] - '0')
                        : 0;
    EXPECT_EQ(game.puzzle, PuzzleKey(givens));
    EXPECT_EQ(game.level, RateGivens(givens)); // the puzzle's level, not the full grid's
    ASSERT_FALSE(Recorded.messages.empty());
    const std::string solved = Recorded.messages.back();
    EXPECT_EQ(solved.rfind("Puzzle Solved\nTime 2:05 (", 0), 0u) << solved;
    EXPECT_NE(solved.find("your best"), std::string::npos) << solved;
    // Undone and done again, the solved game is not recorded twice.
    Undo(S);
    Redo(S);
    EXPECT_EQ(Read()->count, 1);

    StartRun(); // the same puzzle again: a new game
    EnterSolution(1);
    RunCommand(S, CMD_HINT);
    S->GameClock = 99;
    EnterSolution(81);
    stats = Read();
    ASSERT_EQ(stats->count, 2);
    EXPECT_EQ(stats->games[1].helped, 1);
    EXPECT_NE(Recorded.messages.back().find("with help"), std::string::npos);
    StatisticsSummary summary;
    SummariseStatistics(*stats, false, &summary);
    EXPECT_EQ(summary.played, 2);
    EXPECT_EQ(summary.solved, 1);
    EXPECT_EQ(summary.streak, 0);
    EXPECT_EQ(summary.levels[game.level].best, 125); // the helped 99 is no best
}

TEST(StatisticsFile, BestMedianAndStreak) {
    auto stats = std::make_unique<StatisticsRecord>();
    auto add = [&](int level, int seconds, int solved, int helped) {
        GameRecord g;
        g.level = level;
        g.seconds = seconds;
        g.solved = solved;
        g.helped = helped;
        AddGame(stats.get(), g);
    };
    add(2, 300, 1, 0);
    add(2, 100, 1, 0);
    add(5, 900, 0, 0); // abandoned: breaks the streak
    add(2, 200, 1, 0);
    add(2, 50, 1, 1); // helped: no time
    add(2, 400, 1, 0);
    add(3, 700, 1, 0);
    add(-1, 0, 0, 0); // in play
    StatisticsSummary s;
    SummariseStatistics(*stats, true, &s);
    EXPECT_EQ(s.played, 8);
    EXPECT_EQ(s.solved, 5);
    EXPECT_EQ(s.streak, 2); // 400 and 700, the game in play skipped
    EXPECT_EQ(s.levels[2].solved, 4);
    EXPECT_EQ(s.levels[2].best, 100);
    EXPECT_EQ(s.levels[2].median, 250); // of 100 200 300 400
    EXPECT_EQ(s.levels[3].median, 700);
    EXPECT_EQ(s.levels[5].best, -1);
    SummariseStatistics(*stats, false, &s);
    EXPECT_EQ(s.streak, 0); // the unfinished newest game counts now
    EXPECT_EQ(IsBestTime(*stats, 1), 1);
    EXPECT_EQ(IsBestTime(*stats, 3), 0);
}

// The file round trip keeps every field; lines that are not records are skipped; the oldest
// games go once the file is full.
TEST_F(Play, StatisticsFileRoundTrip) {
    auto stats = std::make_unique<StatisticsRecord>();
    for (int i = 0; i < STATISTICS_RECORDS_MAX + 3; i++) {
        GameRecord g = {1765000000 + i, uint32_t(0x8f3a12bc + i), i % 6, i, i % 2, i % 3 == 0};
        AddGame(stats.get(), g);
    }
    ASSERT_EQ(SaveStatistics(*stats), 1);
    auto back = Read();
    ASSERT_EQ(back->count, STATISTICS_RECORDS_MAX);
    EXPECT_EQ(std::memcmp(back->games, stats->games, sizeof(GameRecord) * back->count), 0);
    EXPECT_EQ(back->games[0].started, 1765000003);
    Write("statistics.txt", "# head\n1 0000000a 2 30 1 0\n1 zz 2 30 1 0\n2 0000000b 9 1 1 0\n"
                            "3 0000000c -1 0 0 1\n4 0000000d 1 5 2 0\n5 0000000e 1 5 1 0 x\n");
    back = Read();
    ASSERT_EQ(back->count, 2);
    EXPECT_EQ(back->games[0].puzzle, 0xAu);
    EXPECT_EQ(back->games[1].helped, 1);
}

// Pause stops the clock and is refused where there is nothing to time; any command resumes.
TEST_F(Play, PauseStopsTheClockUntilAnyCommand) {
    LoadGivens(SAMPLE_PUZZLE);
    StartClock(S);
    S->GameClock = 61;
    RunCommand(S, CMD_PAUSE);
    EXPECT_TRUE(S->Paused);
    EXPECT_FALSE(Recorded.clockRunning);
    EXPECT_EQ(Recorded.status[PANE_CLOCK], " Paused");
    RunCommand(S, CMD_PAUSE);
    EXPECT_FALSE(S->Paused);
    EXPECT_TRUE(Recorded.clockRunning);
    EXPECT_EQ(S->GameClock, 61u); // goes on from where it stood
    EXPECT_EQ(Recorded.status[PANE_CLOCK], "  1:01");
    PauseGame(S);
    RunCommand(S, CMD_CANDIDATES);
    EXPECT_FALSE(S->Paused);
    RunCommand(S, CMD_SETUP);
    EXPECT_EQ(PauseGame(S), 0);
}

// Restart: the givens alone in one step that Undo takes back, every move kept for "Go to End".
TEST_F(Play, RestartTakesEveryMoveBackInOneStep) {
    LoadGivens(SAMPLE_PUZZLE);
    ASSERT_EQ(CheckPosition(S), 100);
    const std::string givens = BoardDigits();
    EnterSolution(3);
    S->MarkGrid[80] = DigitBit(5);
    const std::string played = BoardDigits();
    S->GameClock = 40;
    RunCommand(S, CMD_RESTART);
    EXPECT_EQ(BoardDigits(), givens);
    EXPECT_EQ(S->MovePos, 0);
    EXPECT_EQ(S->MoveEnd, 3);
    EXPECT_FALSE(MarksInUse(S));
    EXPECT_EQ(S->GameClock, 0u);
    RunCommand(S, CMD_UNDO); // the restart taken back in one step, marks and all
    EXPECT_EQ(BoardDigits(), played);
    EXPECT_EQ(S->MarkGrid[80], DigitBit(5));
    RunCommand(S, CMD_UNDO); // then an ordinary undo
    EXPECT_EQ(S->MovePos, 2);
    RunCommand(S, CMD_RESTART);
    RunCommand(S, CMD_REDO); // anything else forgets the restart: Undo is a plain undo again
    RunCommand(S, CMD_UNDO);
    EXPECT_EQ(S->MovePos, 0);
    RunCommand(S, CMD_END);
    EXPECT_EQ(BoardDigits(), played);
    EXPECT_EQ(S->MovePos, 3);
}
} // namespace

namespace {
// A chosen digit goes wherever the tap lands in an empty cell: entered, or toggled as a mark
// in pencil-mark mode; filled cells and a shown solution keep their own meaning.
TEST_F(CoreTest, ChosenDigitActsOnEveryTappedCell) {
    LoadGivens(SAMPLE_PUZZLE);
    ASSERT_EQ(CheckPosition(S), 100);
    const int open = FirstOpenCell();
    const int digit = S->SolutionGrid[open] & CELL_DIGIT;
    const int left = DigitsLeft(S, digit);
    EXPECT_EQ(TapChosenDigit(S, open), 0); // nothing chosen
    ChooseDigit(S, digit);
    EXPECT_EQ(TapChosenDigit(S, open), 1);
    EXPECT_EQ(S->Board[open] & CELL_DIGIT, digit);
    EXPECT_EQ(DigitsLeft(S, digit), left - 1);
    EXPECT_EQ(TapChosenDigit(S, open), 0); // filled now: a tap there undoes as ever

    int other = open + 1;
    while (S->Board[other]) other++;
    RunCommand(S, CMD_PENCIL_MARKS);
    ComputeCandidates(S);
    const int mark = std::countr_zero(unsigned(S->CandidateGrid[other])) + 1;
    ASSERT_LE(mark, 9);
    ChooseDigit(S, mark);
    const uint16_t before = S->MarkGrid[other];
    EXPECT_EQ(TapChosenDigit(S, other), 1);
    EXPECT_EQ(S->MarkGrid[other], before ^ DigitBit(mark));
    EXPECT_EQ(S->Board[other], 0);
    TapChosenDigit(S, other);
    EXPECT_EQ(S->MarkGrid[other], before); // toggled back

    ChooseDigit(S, mark); // chosen again: no digit chosen
    EXPECT_EQ(S->ChosenDigit, 0);
    ChooseDigit(S, 3);
    S->ShowSolution = 1;
    EXPECT_EQ(TapChosenDigit(S, other), 0); // the tap only hides the solution
}
} // namespace

namespace {
// The theme and "Pause When Away" are kept with the window's view; values out of range are not
// taken.
TEST_F(Play, ThemeAndPauseAwayAreKeptWithTheView) {
    SetSettingsPath(Path("quadrivo.ini").c_str());
    S->Theme = THEME_DARK;
    S->PauseAway = true;
    ASSERT_EQ(ShutDown(S, 3), 1);
    ResetForTest();
    EXPECT_EQ(RestoreView(S), 3);
    EXPECT_EQ(S->Theme, THEME_DARK);
    EXPECT_TRUE(S->PauseAway);
    Write("quadrivo-view.ini", "Theme=3\nPauseAway=1\n");
    ResetForTest();
    RestoreView(S);
    EXPECT_EQ(S->Theme, THEME_SYSTEM);
    EXPECT_TRUE(S->PauseAway);
    SetSettingsPath(nullptr);
}
} // namespace
