// Every step of the rating agrees with the puzzle's unique solution: no placed digit differs
// from it and no removed candidate is the solution's digit of a cell still open. Samples of the
// generated and the top1465 sets; `quadrivo-cli path --check -f FILE` runs the same check on a
// whole file.
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "tests/support.h"
#include <cstring>

namespace {

struct Agreement {
    uint8_t solution[81];
    uint8_t board[81];
    DigitMask grid[81];
    int steps = 0;
    int placed = 0;
    char text[512];
    std::string firstFault; // empty while every step agrees
};
Agreement* Check = nullptr;

std::string CellName(int cell) {
    return "r" + std::to_string(cell / 9 + 1) + "c" + std::to_string(cell % 9 + 1);
}

void CheckStep(int kind, int phase) {
    Agreement& a = *Check;
    if (phase == 0) {
        std::memcpy(a.board, Board, sizeof a.board);
        std::memcpy(a.grid, AnalysisGrid, sizeof a.grid);
        DescribeStep(kind, a.text, sizeof a.text); // names the step in a fault message
        a.steps++;
        return;
    }
    for (int x = 0; x < 81; x++) {
        int right = a.solution[x] & CELL_DIGIT;
        if (!a.board[x] && Board[x]) {
            a.placed++;
            if ((Board[x] & CELL_DIGIT) != right && a.firstFault.empty())
                a.firstFault = "step " + std::to_string(a.steps) + " (kind " +
                               std::to_string(kind) + ") places " + CellName(x) + " = " +
                               std::to_string(Board[x] & CELL_DIGIT) + ": " + a.text;
        }
        DigitMask lost = a.grid[x] & DigitMask(~AnalysisGrid[x]);
        if (!Board[x] && (lost & (1u << (right - 1))) && a.firstFault.empty())
            a.firstFault = "step " + std::to_string(a.steps) + " (kind " + std::to_string(kind) +
                           ") removes " + std::to_string(right) + " from " + CellName(x) + ": " +
                           a.text;
    }
}

class Agrees : public CoreTest {
  protected:
    // Rates every step-th puzzle of a data file, checking each step; returns how many solved.
    int RateSample(const char* file, size_t step) {
        std::vector<std::string> puzzles = ReadPuzzleLines(file);
        EXPECT_FALSE(puzzles.empty()) << file;
        int solved = 0;
        for (size_t i = 0; i < puzzles.size(); i += step) {
            ResetForTest();
            LoadGivens(puzzles[i].c_str());
            Agreement a;
            int givens = 0;
            for (int x = 0; x < 81; x++) givens += Board[x] != 0;
            EXPECT_EQ(CountSolutions(Board, 1), 1) << puzzles[i];
            std::memcpy(a.solution, SolutionGrid, sizeof a.solution);
            Check = &a;
            RatingStepWatcher = CheckStep;
            std::string result = RatePuzzle();
            RatingStepWatcher = nullptr;
            Check = nullptr;
            EXPECT_EQ(a.firstFault, "") << puzzles[i];
            // The rating reports a solve exactly when its steps filled the grid.
            bool rated = result.rfind("Rating ", 0) == 0;
            EXPECT_EQ(rated, givens + a.placed == 81) << puzzles[i] << " " << result;
            solved += rated;
        }
        return solved;
    }
};

TEST_F(Agrees, GeneratedPuzzlesSample) {
    int solved = RateSample("generated_minimal_10k.txt", 50); // 200 puzzles
    EXPECT_GT(solved, 150);
}

TEST_F(Agrees, Top1465Sample) {
    int solved = RateSample("puzzles3_magictour_top1465.txt", 49); // 30 puzzles
    EXPECT_GT(solved, 0);
}

} // namespace
