// Whole ratings of samples of the generated and the top1465 sets, watched step by step: no
// placed digit differs from the unique solution, no removed candidate is the solution's digit
// of an open cell, the step's text states exactly what ApplyStep does (and describing it
// changes nothing), the score is one plus the steps' costs, and the position comes back.
// `quadrivo-cli path --check -f FILE` runs the solution check on a whole file.
#include "analysis/chains.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/history.h"
#include "tests/support.h"
#include <algorithm>
#include <cstring>
#include <regex>
#include <set>
#include <utility>

namespace {

using Claims = std::set<std::pair<int, int>>; // (cell, digit)

int ParsedCell(const std::string& s) { // "rXcY"
    return 9 * (s[1] - '1') + s[3] - '1';
}

// Every "rXcY, ... lose(s) D,D" and "rXcY cannot be D" of a text.
Claims ClaimedRemovals(const std::string& text) {
    static const std::regex losses(
        R"(((?:r\dc\d)(?:, r\dc\d)*) (?:loses|lose|cannot be) (\d(?:,\d)*))");
    static const std::regex cell(R"(r\dc\d)");
    Claims claims;
    for (std::sregex_iterator m(text.begin(), text.end(), losses), end; m != end; ++m) {
        std::string cells = (*m)[1], digits = (*m)[2];
        for (std::sregex_iterator c(cells.begin(), cells.end(), cell); c != end; ++c)
            for (char d : digits)
                if (d != ',') claims.insert({ParsedCell(c->str()), d - '0'});
    }
    return claims;
}

struct Watch {
    uint8_t solution[81];
    uint8_t board[81]; // Board and AnalysisGrid just before the step
    DigitMask grid[81];
    std::string text;
    int score = 1, placed = 0;
    int kinds[33] = {};
    std::vector<std::string> faults;
    void Fault(const std::string& what) { faults.push_back(what + ": " + text); }
};
Watch* Current = nullptr;

// Phase 0: the text, with a check that describing changes nothing. Phase 1: the effect.
void WatchStep(int kind, int phase) {
    Watch& w = *Current;
    if (phase == 0) {
        std::memcpy(w.board, Board, sizeof w.board);
        std::memcpy(w.grid, AnalysisGrid, sizeof w.grid);
        uint16_t marks[81];
        std::memcpy(marks, StepMarks, sizeof marks);
        const ChainDisplayListRecord chains = ChainDisplayList;
        char text[1024];
        DescribeStep(kind, text, sizeof text);
        w.text = text;
        if (std::memcmp(w.grid, AnalysisGrid, sizeof w.grid) ||
            std::memcmp(marks, StepMarks, sizeof marks) ||
            std::memcmp(&chains, &ChainDisplayList, sizeof chains))
            w.Fault("describing changed the state");
        return;
    }
    w.kinds[kind]++;
    w.score += kind - 1;
    int placedCell = -1, placedDigit = 0;
    Claims removed;
    for (int x = 0; x < 81; x++) {
        const int right = w.solution[x] & CELL_DIGIT;
        if (!w.board[x] && Board[x]) {
            placedCell = x;
            placedDigit = Board[x] & CELL_DIGIT;
            w.placed++;
            if (placedDigit != right) w.Fault("places a wrong digit at " + std::to_string(x));
        }
        for (int d = 1; d <= 9; d++)
            if ((w.grid[x] & DigitBit(d)) && !(AnalysisGrid[x] & DigitBit(d))) {
                removed.insert({x, d});
                if (!Board[x] && d == right)
                    w.Fault("removes the solution's digit at " + std::to_string(x));
            }
    }
    if (kind == 1) {
        static const std::regex single(R"(^(Naked|Hidden) single: (r\dc\d) = (\d))");
        std::smatch m;
        if (!std::regex_search(w.text, m, single) || ParsedCell(m[2]) != placedCell ||
            m[3].str()[0] - '0' != placedDigit)
            w.Fault("the text names another placement than " + std::to_string(placedCell));
        else if ((m[1] == "Naked") != (w.grid[placedCell] == DigitBit(placedDigit)))
            w.Fault("naked and hidden mixed up");
        return;
    }
    if (ClaimedRemovals(w.text) != removed) w.Fault("the text differs from the effect");
    static const std::regex prefix[] = {
        std::regex("^(Hidden|Naked) (pair|triple|quad) "),
        std::regex("^(Pointing|Claiming|Box and two lines|Locked candidates) "),
        std::regex("^(Finned )?(X-wing|Swordfish|Jellyfish) \\d in (rows|columns) "),
        std::regex("^Forcing chain"), std::regex("^(ALS-XZ|ALS chain)")};
    const int index = kind == 2 ? 0 : kind == 4 ? 1 : kind == 8 ? 2 : kind == 16 ? 3 : 4;
    if (!std::regex_search(w.text, prefix[index])) w.Fault("misnamed");
}

class Agrees : public CoreTest {
  protected:
    int kinds[33] = {};
    // Rates every step-th puzzle of a data file under the watch; returns how many were solved.
    int RateSample(const char* file, size_t step) {
        std::vector<std::string> puzzles = ReadPuzzleLines(file);
        EXPECT_FALSE(puzzles.empty()) << file;
        int solved = 0;
        for (size_t i = 0; i < puzzles.size(); i += step) {
            SCOPED_TRACE(puzzles[i]);
            ResetForTest();
            LoadGivens(puzzles[i].c_str());
            const std::string givens = BoardDigits();
            Watch w;
            EXPECT_EQ(CountSolutions(Board, 1), 1);
            std::memcpy(w.solution, SolutionGrid, sizeof w.solution);
            Current = &w;
            RatingStepWatcher = WatchStep;
            const std::string result = RatePuzzle();
            RatingStepWatcher = nullptr;
            Current = nullptr;
            for (const std::string& f : w.faults) ADD_FAILURE() << f;
            for (int k = 0; k < 33; k++) kinds[k] += w.kinds[k];
            EXPECT_EQ(BoardDigits(), givens); // the position is back
            EXPECT_EQ(MovePos, 0);
            EXPECT_EQ(MoveEnd, 0);
            // Rated exactly when the steps filled the grid, with one plus their costs.
            const int open = int(std::count(givens.begin(), givens.end(), '.'));
            if (w.placed == open) {
                solved++;
                EXPECT_EQ(result,
                          "Rating " + std::to_string(w.score) + " (" + LevelName(w.score) + ")");
            } else {
                EXPECT_EQ(result, "Can't solve this puzzle with logic!");
            }
        }
        return solved;
    }
};

TEST_F(Agrees, GeneratedPuzzlesSample) {
    SKIP_WITHOUT_DATA("generated_minimal_10k.txt");
    EXPECT_GT(RateSample("generated_minimal_10k.txt", 50), 150); // of 200
}

TEST_F(Agrees, Top1465Sample) {
    SKIP_WITHOUT_DATA("puzzles3_magictour_top1465.txt");
    EXPECT_GT(RateSample("puzzles3_magictour_top1465.txt", 49), 0); // of 30
    // The sample reaches every technique, so each kind of step and text was checked.
    for (int kind : {1, 2, 4, 8, 16, 32}) EXPECT_GT(kinds[kind], 0) << kind;
}

} // namespace
