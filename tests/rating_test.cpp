// Rating: level names, the score of the solving loop, what the rating puts back, and
// whole-puzzle ratings whose final grid must be the puzzle's unique solution.
#include "analysis/driver.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* SOLVED =
    "534678912672195348198342567859761423426853791713924856961537284287419635345286179";

// Counts the solutions of an 81-character puzzle up to 2 and keeps the first in *first.
int Solve(std::string& grid, std::string* first) {
    int best = -1, bestCount = 10;
    for (int i = 0; i < 81; i++) {
        if (grid[i] != '.') continue;
        int count = 0;
        for (char d = '1'; d <= '9'; d++) {
            bool ok = true;
            for (int p = 0; p < 81 && ok; p++)
                if (p != i && grid[p] == d &&
                    (p / 9 == i / 9 || p % 9 == i % 9 || BoxOf(p) == BoxOf(i)))
                    ok = false;
            count += ok;
        }
        if (count < bestCount) {
            bestCount = count;
            best = i;
        }
    }
    if (best < 0) {
        if (first->empty()) *first = grid;
        return 1;
    }
    int total = 0;
    for (char d = '1'; d <= '9' && total < 2; d++) {
        bool ok = true;
        for (int p = 0; p < 81 && ok; p++)
            if (grid[p] == d && (p / 9 == best / 9 || p % 9 == best % 9 || BoxOf(p) == BoxOf(best)))
                ok = false;
        if (!ok) continue;
        grid[best] = d;
        total += Solve(grid, first);
        grid[best] = '.';
    }
    return total;
}

// The Board as the logic left it: captured when the rating drops its busy cursor.
std::string FinalBoard;
void CaptureOnArrow(bool busy) {
    if (!busy) FinalBoard = BoardDigits();
}

class Rating : public CoreTest {
  protected:
    void LoadPuzzle(const char* puzzle) {
        LoadGivens(puzzle);
        ChangePosition(POS_REFRESH, 0, 0);
    }
    void CaptureFinalBoard() {
        ShellHooks hooks = Shell;
        hooks.busyCursor = CaptureOnArrow;
        InstallShellHooks(&hooks);
        FinalBoard.clear();
    }
    static int ScoreOf(const std::string& text) {
        int score = -1;
        std::sscanf(text.c_str(), "Rating %d", &score);
        return score;
    }
};

TEST_F(Rating, LevelNamesByScore) {
    EXPECT_STREQ(LevelName(0), "Very Easy");
    EXPECT_STREQ(LevelName(1), "Easy");
    EXPECT_STREQ(LevelName(16), "Easy");
    EXPECT_STREQ(LevelName(17), "Medium");
    EXPECT_STREQ(LevelName(32), "Medium");
    EXPECT_STREQ(LevelName(33), "Difficult");
    EXPECT_STREQ(LevelName(49), "Very Difficult");
    EXPECT_STREQ(LevelName(64), "Very Difficult");
    EXPECT_STREQ(LevelName(65), "Fiendish");
    EXPECT_STREQ(LevelName(200), "Fiendish");
}

TEST_F(Rating, SinglesOnlyRateOneAndEasy) {
    std::string puzzle = SOLVED;
    for (int i : {0, 10, 20, 30, 40, 50, 60, 70, 80, 8, 16, 24}) puzzle[i] = '.';
    LoadPuzzle(puzzle.c_str());
    CaptureFinalBoard();
    EXPECT_STREQ(RatePuzzle(), "Rating 1 (Easy)");
    ASSERT_EQ(Recorded.messages.size(), 1u);
    EXPECT_EQ(Recorded.messages[0], "Rating 1 (Easy)");
    EXPECT_EQ(FinalBoard, SOLVED);
    EXPECT_EQ(BoardDigits(), puzzle);
    EXPECT_EQ(RatingScore, 0);
    EXPECT_EQ(PendingStep, 0);
}

TEST_F(Rating, AFullGridRatesOne) {
    LoadPuzzle(SOLVED);
    EXPECT_STREQ(RatePuzzle(), "Rating 1 (Easy)");
}

TEST_F(Rating, TwoSolutionsCannotBeRated) {
    std::string puzzle = SOLVED;
    for (int i : {32, 35, 41, 44}) puzzle[i] = '.'; // 1 and 3 can swap in this rectangle
    LoadPuzzle(puzzle.c_str());
    EXPECT_STREQ(RatePuzzle(), "Can't solve this puzzle with logic!");
    EXPECT_EQ(BoardDigits(), puzzle);
    EXPECT_EQ(MoveEnd, 0);
}

TEST_F(Rating, ASinglesStepThatPlacesNothingEndsTheRating) {
    // r5c5 is the only place for 1 in row 5 and for 2 in column 5: it is marked with both
    // digits, nothing is entered, and the same step would come back forever.
    LoadPuzzle("2..1........2...........2..12.......................12..2...........2........1.2.");
    EXPECT_STREQ(RatePuzzle(), "Can't solve this puzzle with logic!");
    EXPECT_EQ(PendingStep, 0);
    EXPECT_EQ(RatingScore, 0);
}

TEST_F(Rating, PositionAndRedoRecordsComeBack) {
    LoadPuzzle(BUILTIN_PUZZLE);
    std::string grid = BUILTIN_PUZZLE, solution;
    ASSERT_EQ(Solve(grid, &solution), 1);
    AnalysisOptions.numberColour = 1;
    for (int cell : {0, 2, 4}) ChangePosition(POS_ENTER, cell, solution[cell] - '0');
    ChangePosition(POS_UNDO, 0, 0); // the third move can be redone
    uint8_t board[81];
    std::memcpy(board, Board, 81);
    MoveRecord history[3];
    std::memcpy(history, MoveHistory, sizeof history);
    ASSERT_EQ(MovePos, 2);
    ASSERT_EQ(MoveEnd, 3);

    AnalysisOptions.numberColour = 2; // the rating's own moves would be green
    RatePuzzle();
    EXPECT_EQ(std::memcmp(board, Board, 81), 0);
    EXPECT_EQ(MovePos, 2);
    EXPECT_EQ(MoveEnd, 3);
    EXPECT_EQ(std::memcmp(history, MoveHistory, sizeof history), 0);
    EXPECT_TRUE(Recorded.navEnabled[NAV_REDO - 130]);
    ChangePosition(POS_REDO, 0, 0);
    EXPECT_EQ(Board[4], 0x90 | (solution[4] - '0')); // the user's red move, not the rating's
}

TEST_F(Rating, OptionsComeBackAndTheMarksAreRefilled) {
    LoadPuzzle(BUILTIN_PUZZLE);
    AnalysisOptions.showCandidates = 1;
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_LOCKED;
    AnalysisOptions.wrongValues = 0;
    RatePuzzle();
    EXPECT_EQ(AnalysisOptions.showCandidates, 1u);
    EXPECT_EQ(AnalysisOptions.pencilMarks, 0u);
    EXPECT_EQ(AnalysisOptions.techniques, TECH_ANALYSIS | TECH_LOCKED);
    // Candidates shown: the marks are cleared, and the clock restarted.
    for (DigitMask m : MarkGrid) EXPECT_EQ(m, 0);
    EXPECT_TRUE(Recorded.clockRunning);

    AnalysisOptions.showCandidates = 0;
    AnalysisOptions.pencilMarks = 1;
    RatePuzzle();
    EXPECT_EQ(AnalysisOptions.pencilMarks, 1u);
    EXPECT_EQ(AnalysisOptions.showCandidates, 0u);
    ComputeCandidates();
    EXPECT_EQ(std::memcmp(MarkGrid, CandidateGrid, sizeof MarkGrid), 0); // analysis on: refilled
}

TEST_F(Rating, TheScoreIsOnePlusEachStepsCost) {
    LoadPuzzle(BUILTIN_PUZZLE);
    std::string text = RatePuzzle();
    ASSERT_EQ(text.rfind("Rating ", 0), 0u) << text;

    // The same loop by hand, from the same start.
    LoadPuzzle(BUILTIN_PUZZLE);
    AnalysisOptions.techniques = 0xFFFF;
    AnalysisOptions.pencilMarks = 1;
    LoadMarks(1);
    RatingScore = 1;
    int score = 1, steps = 0;
    for (int kind = RunAnalysis(); kind; kind = RunAnalysis()) {
        score += kind > 1 ? kind - 1 : 0;
        ApplyStep(kind, true);
        ASSERT_LT(++steps, 1000);
    }
    EXPECT_EQ(RatingScore, score);
    EXPECT_EQ(ScoreOf(text), score);
    EXPECT_EQ(text, "Rating " + std::to_string(score) + " (" + LevelName(score) + ")");
}

TEST_F(Rating, WholePuzzlesEndOnTheirSolution) {
    std::vector<std::string> puzzles = {BUILTIN_PUZZLE};
    for (const std::string& line : ReadPuzzleLines("generated_minimal_10k.txt", 12))
        puzzles.push_back(line.substr(0, 81));
    int rated = 0;
    for (const std::string& puzzle : puzzles) {
        SCOPED_TRACE(puzzle);
        ResetForTest();
        LoadPuzzle(puzzle.c_str());
        std::string grid = puzzle, solution;
        for (char& c : grid)
            if (c < '1' || c > '9') c = '.';
        ASSERT_EQ(Solve(grid, &solution), 1);
        CaptureFinalBoard();
        std::string text = RatePuzzle();
        EXPECT_EQ(BoardDigits(), grid); // the position is back
        EXPECT_EQ(MovePos, 0);
        EXPECT_EQ(MoveEnd, 0);
        if (text.rfind("Rating ", 0) == 0) {
            rated++;
            EXPECT_EQ(FinalBoard, solution);
            EXPECT_EQ(text, "Rating " + std::to_string(ScoreOf(text)) + " (" +
                                LevelName(ScoreOf(text)) + ")");
        } else {
            EXPECT_EQ(text, "Can't solve this puzzle with logic!");
            // Whatever the logic placed agrees with the solution.
            for (int i = 0; i < 81; i++) {
                if (FinalBoard[i] != '.') {
                    EXPECT_EQ(FinalBoard[i], solution[i]) << i;
                }
            }
        }
    }
    EXPECT_GT(rated, 0);
}

} // namespace
