// Whole ratings of samples of the generated and the top1465 sets, watched step by step: no
// placed digit differs from the unique solution, no removed candidate is the solution's digit
// of an open cell, the step passes CheckStep (its record states exactly what ApplyStep does,
// its pattern or chains prove it, its almost-locked-set step follows from its sets and
// chains), its text names its technique and every chain the board draws with it and states
// the conclusion the step line puts first, its first
// hint level names the technique and a place holding every cell the step marks, and describing
// it changes nothing; the score is one plus the steps' costs, and the position comes back.
// `quadrivo-cli path --check -f FILE` runs the same checks on a file, but for the hint.
#include "analysis/analysis.h"
#include "analysis/chains.h"
#include "analysis/hint.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "analysis/textcheck.h"
#include "control/session.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/game.h"
#include "model/history.h"
#include "tests/support.h"
#include <algorithm>
#include <cctype>
#include <cstring>
#include <regex>

namespace {
struct Watch {
    uint8_t solution[81];
    uint8_t board[81]; // Board and AnalysisGrid just before the step
    DigitMask grid[81];
    std::string text;
    StepRecord step; // as found, before ApplyStep
    int score = 1, placed = 0;
    int kinds[33] = {};
    TextCheckCounts counts = {};
    std::vector<std::string> faults;
    void Fault(const std::string& what) { faults.push_back(what + ": " + text); }
};

// The words each kind's text starts with.
const std::regex NAMES[] = {
    std::regex("^(Hidden|Naked) (pair|triple|quad) "),
    std::regex("^(Pointing|Claiming|Empty rectangle|Grouped turbot fish) "),
    std::regex("^(Finned |Sashimi )?(X-wing|Swordfish|Jellyfish) \\d in (rows|columns) "),
    std::regex("^(Naked pair|XY-wing|Remote pair|XY-chain|Skyscraper|2-string kite|Turbot fish|"
               "Empty rectangle|X-chain|W-wing|Nice loop|Alternating inference chain) "
               "\\(chains? [a-z]+(, [a-z]+)*\\): \\("),
    std::regex("^(ALS-XZ|ALS-AIC)")};

// The cells of a place a hint names: a unit, "boxes 1, 5 and 9" or "all nine boxes".
std::vector<int> CellsOf(const std::string& place) {
    std::vector<int> cells;
    std::smatch m;
    const bool unit = std::regex_match(place, m, std::regex("(row|column|box) (\\d)"));
    for (int x = 0; x < 81; x++) {
        const int box = 3 * (x / 27) + x % 9 / 3;
        const int in = m[1] == "row" ? x / 9 : m[1] == "column" ? x % 9 : box;
        if (unit ? in == std::stoi(m[2]) - 1
                 : place == "all nine boxes" || place.find(char('1' + box), 6) != std::string::npos)
            cells.push_back(x);
    }
    return cells;
}

// What is wrong with the first level of the step's hint, "" when nothing: it names the step's
// technique (or for locked candidates the shape players call them) and a place that holds the
// single the step button enters, or every cell the step marks and every node of its chains.
std::string HintFault(Analysis* A, int kind, const char* text) {
    char hint[STEP_TEXT_SIZE], name[96];
    DescribeHint(A, kind, text, hint, sizeof hint);
    HintTechniqueName(text, name, sizeof name);
    const std::string line = hint;
    std::smatch m;
    if (!std::regex_match(
            line, m, std::regex("(An? )?(.+) in ((row|column|box) \\d|boxes .+|all nine boxes)")))
        return "hint without a technique and place: " + line;
    std::string told = m[2];
    told[0] = m[1].length() ? told[0] : char(std::tolower(told[0]));
    if (told.rfind(name, 0) != 0 && told.find(" (locked candidates)") == std::string::npos)
        return "hint names another technique: " + line;
    const std::vector<int> place = CellsOf(m[3]);
    std::vector<int> marked;
    for (int x = 0; x < 81; x++)
        if (A->StepMarks[x] &&
            (kind != STEP_SINGLES ||
             (A->StepMarks[x] < 0x1000 && SingleDigit(A->StepMarks[x]) && marked.empty())))
            marked.push_back(x);
    for (int k = 0; k < A->ChainDisplayList.count && kind != STEP_SINGLES; k++)
        for (int i = A->ChainTable[A->ChainDisplayList.entries[k]].first;
             i < A->ChainTable[A->ChainDisplayList.entries[k] + 1].first; i++)
            marked.push_back(A->ChainNodeTable[i].cell);
    for (int x : marked)
        if (std::find(place.begin(), place.end(), x) == place.end())
            return "hint place leaves out cell " + std::to_string(x) + ": " + line;
    // A hidden single is the only place for its digit in the unit named.
    int places = 0;
    for (int x : place) places += !marked.empty() && (A->AnalysisGrid[x] & A->StepMarks[marked[0]]);
    if (kind == STEP_SINGLES && line.find("hidden single") != std::string::npos && places != 1)
        return "hint names a unit the single is not hidden in: " + line;
    return "";
}

// Phase 0: the text and the hint, with a check that describing changes nothing. Phase 1: the
// effect.
void WatchStep(void* context, Analysis* A, int kind, int phase) {
    Watch& w = *static_cast<Watch*>(context);
    if (phase == 0) {
        std::memcpy(w.board, A->G->Board, sizeof w.board);
        std::memcpy(w.grid, A->AnalysisGrid, sizeof w.grid);
        uint16_t marks[81];
        std::memcpy(marks, A->StepMarks, sizeof marks);
        const ChainDisplayListRecord chains = A->ChainDisplayList;
        char text[STEP_TEXT_SIZE];
        DescribeStep(A, kind, text, sizeof text);
        w.text = text;
        w.step = A->CurrentStep;
        if (std::memcmp(w.grid, A->AnalysisGrid, sizeof w.grid) ||
            std::memcmp(marks, A->StepMarks, sizeof marks) ||
            std::memcmp(&chains, &A->ChainDisplayList, sizeof chains))
            w.Fault("describing changed the state");
        const std::string hint = HintFault(A, kind, text);
        if (!hint.empty()) w.Fault(hint);
        // The step line puts the conclusion first: the text must state it where it can be
        // taken out, or the line would say it twice; a chain ends by reasoning it ("so r2c2
        // cannot be 6"), which stays.
        char conclusion[STEP_TEXT_SIZE], first[STEP_TEXT_SIZE + 8];
        DescribeConclusion(A->CurrentStep, conclusion, sizeof conclusion);
        if (ConclusionFirst(text, conclusion, first, sizeof first) > int(std::strlen(text)) &&
            !std::strstr(text, " cannot be "))
            w.Fault("the text does not state its conclusion \"" + std::string(conclusion) +
                    "\": " + text);
        return;
    }
    w.kinds[kind]++;
    w.score += kind - 1; // the costs: 0, 1, 3, 7, 15, 31
    for (int x = 0; x < 81; x++) {
        const int right = w.solution[x] & CELL_DIGIT;
        if (!w.board[x] && A->G->Board[x]) {
            w.placed++;
            if ((A->G->Board[x] & CELL_DIGIT) != right)
                w.Fault("places a wrong digit at " + std::to_string(x));
        }
        if (!A->G->Board[x] && (w.grid[x] & ~A->AnalysisGrid[x] & DigitBit(right)))
            w.Fault("removes the solution's digit at " + std::to_string(x));
    }
    char why[256];
    if (CheckStep(kind, w.step, w.grid, A->AnalysisGrid, w.board, A->G->Board, &w.counts, why,
                  sizeof why) != TEXTCHECK_OK)
        w.Fault(why);
    if (kind != 1 &&
        !std::regex_search(w.text, NAMES[std::min(std::countr_zero(unsigned(kind)) - 1, 4)]))
        w.Fault("misnamed");
}

class Agrees : public CoreTest {
  protected:
    int kinds[33] = {};
    TextCheckCounts counts = {};
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
            EXPECT_EQ(CountSolutions(S->Board, 1, S->SolutionGrid), 1);
            std::memcpy(w.solution, S->SolutionGrid, sizeof w.solution);
            Rater rater;
            char text[64];
            const std::string result =
                RatingMessage(RatePosition(&rater, S, WatchStep, &w), text, sizeof text);
            for (const std::string& f : w.faults) ADD_FAILURE() << f;
            for (int k = 0; k < 33; k++) kinds[k] += w.kinds[k];
            counts.chains += w.counts.chains;
            counts.alsSteps += w.counts.alsSteps;
            EXPECT_EQ(BoardDigits(), givens); // the position is back
            EXPECT_EQ(S->MovePos + S->MoveEnd, 0);
            // Rated exactly when the steps filled the grid, with one plus their costs.
            const bool filled = w.placed == int(std::count(givens.begin(), givens.end(), '.'));
            solved += filled;
            EXPECT_EQ(result,
                      filled ? "Rating " + std::to_string(w.score) + " (" + LevelName(w.score) + ")"
                             : "Can't solve this puzzle with logic!");
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
    EXPECT_GT(counts.chains, 0);
    EXPECT_EQ(counts.alsSteps, kinds[32]); // every almost-locked-set step re-derived
}
} // namespace
