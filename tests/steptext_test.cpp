// The step in words. One table holds how each kind of step reads, taken from the rating path of
// real puzzles, each also passing the text check; a second holds texts made wrong on purpose,
// which the check must refuse. agreement_test.cpp checks every text of larger samples.
#include "analysis/driver.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "analysis/textcheck.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstring>

namespace {

int Cell(int row, int column) { // 1-based, as the texts write them
    return 9 * (row - 1) + column - 1;
}

std::string Describe(int kind) {
    char text[1024];
    DescribeStep(kind, text, sizeof text);
    return text;
}

// One step of a rating path: its text, and the grid and Board before and after it.
struct PathStep {
    int kind = 0;
    std::string text;
    DigitMask before[81], after[81];
    uint8_t boardBefore[81], boardAfter[81];
};
PathStep Captured;
int StepsToGo = 0;

// Watches the rating loop and keeps the step StepsToGo counts down to.
void CaptureStep(int kind, int phase) {
    if (phase == 0) {
        if (--StepsToGo != 0) return;
        char text[STEP_TEXT_SIZE];
        DescribeStep(kind, text, sizeof text);
        Captured.kind = kind;
        Captured.text = text;
        std::memcpy(Captured.before, AnalysisGrid, sizeof Captured.before);
        std::memcpy(Captured.boardBefore, Board, sizeof Captured.boardBefore);
    } else if (StepsToGo == 0) {
        std::memcpy(Captured.after, AnalysisGrid, sizeof Captured.after);
        std::memcpy(Captured.boardAfter, Board, sizeof Captured.boardAfter);
        StepsToGo = -1;
    }
}

// The nth step (from 1) of the puzzle's rating path, as `quadrivo-cli path` numbers them.
PathStep StepAt(const char* puzzle, int n) {
    ResetForTest();
    LoadGivens(puzzle);
    Captured = PathStep();
    StepsToGo = n;
    RatingStepWatcher = CaptureStep;
    RatePuzzle();
    RatingStepWatcher = nullptr;
    return Captured;
}

int CheckText(const PathStep& s, const std::string& text, std::string* why) {
    char reason[256];
    TextCheckCounts counts = {};
    int result = CheckStepText(s.kind, text.c_str(), s.before, s.after, s.boardBefore, s.boardAfter,
                               &counts, reason, sizeof reason);
    *why = reason;
    return result;
}

// Puzzles of the top1465 set, named by their line in it, and the one of the report that asked
// for these texts.
const char* const P1 =
    "4...3.......6..8..........1....5..9..8....6...7.2........1.27..5.3....4.9........";
const char* const P4 =
    "3.7.4...........918........4.....7.....16.......25..........38..9....5...2.6.....";
const char* const P5 =
    "5..7..6....38...........2..62.4............917............35.8.4.....1......9....";
const char* const P9 =
    "......41.9..3.....3...5.....48..7..........62.1.......6..2....5.7....8......9....";
const char* const P16 =
    "7.8...3.....6.1...4.........6.....253...8.......1...9..9.5....2....7.4...........";
const char* const P18 =
    ".1.62....5......43....9....7......8...5.....4...1..........36...9....2..8....7...";
const char* const P35 =
    "5.8.....7...9.1...4............5...4.6.....3..9....6...2.3...1.7...8..........2..";
const char* const P36 =
    ".......71.2.8........5.3...7.9.6.......2..8..1.........3...25..6...1..4..........";
const char* const P42 =
    ".5.4.9......6....12.....3..7.3...2.....5...9.1.........68....4.....8........7....";
const char* const P65 =
    "..3...67.5.....3...4.......6..3......8......4...7....12......5.....98.......41...";
const char* const P141 =
    "8.......24...3........5..1...1...56.......9.....7........8.4..7.6....3...9.2.....";
const char* const P159 =
    "8...3.....2......6....5.7..5.1...9.....2.4......6.....7.....39....1...8..4.......";
const char* const P189 =
    "..84...3....3.....9....157479...8........7..514.....2...9.6...2.5....4......9..56";
const char* const P217 =
    ".2..5...9..618..73............5....8...938....1.....6...1....2......4....973..4..";
const char* const P281 =
    ".6.5.1.9.1...9..539....7....4.8...7.......5.8.817.5.3.....5.2............76..8...";
const char* const P306 =
    ".2.3.......6..8.9.83.5........2...8.7.9..5........6..4.......1...1...4.22..7..8.9";
const char* const P309 =
    "....75....1..2.....4...3...5.....3.2...8...1.......6.....1..48.2........7........";
const char* const P347 =
    ".2.....74.....6.8...6.4.9..3..........98.....5...19....1.5...32.4.2........4....1";
const char* const P365 =
    "9..3....41...2...5..2...3.12..6.9..36.9.5.............48.9...7........4....81....";
const char* const P368 =
    "..6.3.521...7.....9.3....4...7...6.......4....1.5.27........973.....5.....8.1....";
const char* const P392 =
    "..13......6.....2.34..9....4..9..7....946...52..1........6.3..1.....8.5.6.8...4..";
const char* const P395 =
    "..3...78...6..9...7.......5..7.....3....2..9......421.5..3....68....2...9..5.....";
const char* const REPORTED =
    ".1..7.5..9..........8..3.......2...1..75.42..5....8..9.......76..4..5.9..7...18..";

struct Example {
    const char* puzzle;
    int step;
    const char* text;
};
const Example EXAMPLES[] = {
    {P5, 11, "Hidden single: r7c9 = 4 (the only place for 4 in row 7); also available: r9c7 = 3"},
    {P4, 11, "Naked single: r7c4 = 9; also available: r8c4 = 4"},
    {P9, 8, "Hidden pair 3,9 in box 4: r5c2, r5c3 keep 3,9 (r5c3 loses 5)"},
    {P42, 35, "Naked triple 4,7,9 in row 2 (r2c1, r2c3, r2c7): r2c6 loses 7"},
    {P1, 18, "Pointing 4 in box 5 along row 5: r5c9 loses 4"},
    {P18, 18, "Claiming 3 in row 6 within box 4: r5c1 loses 3"},
    {P309, 23,
     "Empty rectangle (box and two lines) 6 in box 7: the box's 6s lie in column 2 and row 7; "
     "column 2's only 6 outside the box is r4c2, row 7's is r7c5, so one of them is 6: r4c5 "
     "loses 6"},
    {P217, 55, "X-wing 8 in columns 1,8, rows 1,9: r1c7 loses 8"},
    {P1, 17, "Finned X-wing 4 in rows 2,5, columns 6,9, fin r5c4: r6c6 loses 4"},
    {P36, 18, "Sashimi X-wing 7 in rows 5,7, columns 4,9, fin r5c6: r6c4 loses 7"},
    {P159, 49, "Swordfish 4 in rows 3,4,7, columns 4,8,9: r8c9 loses 4"},
    {P189, 10,
     "Simple colouring trap (chain o): (6)r3c4=r45c4-r6c6=r6c3: r3c4 or r6c3 is 6, so r3c3 "
     "cannot be 6"},
    {P35, 26,
     "3D Medusa trap (chain o): (5=4)r8c2-(4=5)r8c8: r8c2 or r8c8 is 5, so r8c7 cannot be 5"},
    {P141, 19,
     "3D Medusa trap (chain j): (4=3)r4c4-(3=2)r4c1-(2)r4c5=r5c5: r4c4 is 4 or r5c5 is 2, so "
     "r5c5 cannot be 4"},
    {P281, 10,
     "Multi-colouring (chains b, h): (2)r1c5=r1c9-r3c8=r5c8: r1c5 or r5c8 is 2, so r5c5 "
     "cannot be 2"},
    {P392, 15,
     "X-chain (chains c, s, l): (2)r8c4=r3c4-r1c5=r1c2-r9c2=r9c9-r4c9=r5c7: r5c7 or r8c4 is 2, "
     "so r8c7 cannot be 2"},
    {P35, 21,
     "XY-chain (chains o, r): (4=5)r8c2-(5=4)r8c8: r8c2 or r8c8 is 4, so r8c4 cannot be 4"},
    {P65, 21,
     "Alternating inference chain (chains a, e): (9=8)r2c3-(8)r1c1=r1c9-(8=9)r7c9: r2c3 or "
     "r7c9 is 9, so r2c9 cannot be 9"},
    {REPORTED, 40,
     "3D Medusa trap (chain b): (6=3)r4c3-(3=9)r4c4-(9)r4c2=r5c2: r4c3 is 6 or r5c2 is 9, so "
     "r5c2 cannot be 6"},
    {P306, 30, "ALS-XZ: A = r2c1 {1,5}, B = r4c3, r6c1 {1,3,5}, X = 1, Z = 5: r4c1 loses 5"},
    {P395, 14,
     "ALS-XZ doubly linked: A = r5c3 {5,8}, B = r6c2, r6c3 {5,8,9}, X = 5,8, Z = 8 from A and "
     "B: r4c2 loses 8"},
    {P36, 38,
     "ALS-XZ doubly linked: A = r1c4 {6,9}, B = r1c6, r2c5, r3c5 {4,6,7,9}, X = 6,9, Z = 4 "
     "from B: r9c5 loses 4; links (4)r1c6-r1c3=r9c3-r9c5"},
    {REPORTED, 34,
     "ALS-XZ doubly linked: A = r1c1, r1c3, r1c4, r1c8, r1c9 {2,3,4,6,8,9}, B = r4c3, r4c4 "
     "{3,6,9}, X = 6,9, Z = 2 from A: r1c6 loses 2; links (6)r4c3-r4c7=r2c7-r3c8=r3c2-r1c1, "
     "(6)r1c1-r1c6=r2c6-r2c7=r4c7-r4c4, (6)r1c3-r1c6=r2c6-r2c7=r4c7-r4c4, "
     "(6)r4c3-r4c7=r2c7-r1c8, (6)r1c8-r1c6=r2c6-r2c7=r4c7-r4c4"},
    {P368, 23,
     "ALS-AIC (chains g, c): A = r2c2, r7c2 {2,4,5}; (5)r4c2-(5=2)r3c2: if r4c2 were 5, r3c2 "
     "would be 2 and A would lose both, so r4c2 is not 5: r4c2 loses 5"},
    {P365, 28,
     "ALS-AIC (chains r, m): A = r5c4, r5c7, r5c8 {1,2,4,8}; (8)r6c9-(8=4)r4c7: if r6c9 were "
     "8, r4c7 would be 4 and A would lose both, so r6c9 is not 8, nor r8c7 "
     "((8)r6c9=r8c9-r8c7): r6c9, r8c7 lose 8"},
    {P16, 20,
     "3D Medusa wrap through an ALS (chain i): A = r7c1, r7c5, r7c7 {1,6,7,8}; "
     "(7-8)r4c7=(8)r4c1: if r4c7 were 7, r4c1 would be 8 and A would lose both, so r4c7 is not "
     "7: r4c7 loses 7"},
};

class StepText : public CoreTest {
  protected:
    // An empty board; every cell open with every digit in the MarkGrid the analysis reads.
    void SetUp() override {
        CoreTest::SetUp();
        ResetState(RESET_ALL);
        OpenAllMarks();
        AnalysisOptions.techniques = 0x3F;
    }
    void Remove(int row, int column, int digit) { MarkGrid[Cell(row, column)] &= ~DigitBit(digit); }
    // The digit only at the given columns of a row, rows of a column.
    void OnlyInRow(int row, int digit, std::initializer_list<int> columns) {
        for (int c = 1; c <= 9; c++) Remove(row, c, digit);
        for (int c : columns) MarkGrid[Cell(row, c)] |= DigitBit(digit);
    }
    void OnlyInColumn(int column, int digit, std::initializer_list<int> rows) {
        for (int r = 1; r <= 9; r++) Remove(r, column, digit);
        for (int r : rows) MarkGrid[Cell(r, column)] |= DigitBit(digit);
    }
};

TEST_F(StepText, RealStepsReadAsTheTableSaysAndPassTheCheck) {
    for (const Example& e : EXAMPLES) {
        SCOPED_TRACE(std::string(e.puzzle) + " step " + std::to_string(e.step));
        PathStep s = StepAt(e.puzzle, e.step);
        EXPECT_EQ(s.text, e.text);
        std::string why;
        EXPECT_EQ(CheckText(s, s.text, &why), TEXTCHECK_OK) << why;
    }
}

// Texts made wrong on purpose: the check reads what they state and refuses them.
struct Mutation {
    const char* puzzle;
    int step;
    const char* from; // replaced by `to` in the step's text; null: the whole text is `to`
    const char* to;
    int fault;
};
const Mutation MUTATIONS[] = {
    // The text this step had before: X from peers alone, singly linked, and a Z that B lacks.
    {REPORTED, 34, nullptr,
     "ALS-XZ: A = r1c1, r1c3, r1c4, r1c8, r1c9 {2,3,4,6,8,9}, B = r4c3, r4c4 {3,6,9}, X = 9, "
     "Z = 2: r1c6 loses 2",
     TEXTCHECK_ALS},
    {REPORTED, 34, "(6)r4c3-r4c7=r2c7-r3c8=r3c2-r1c1, ", "", TEXTCHECK_ALS}, // r1c1, r4c3: 6
    {P36, 38, "; links (4)r1c6-r1c3=r9c3-r9c5", "", TEXTCHECK_ALS}, // r9c5 does not see r1c6
    {P306, 30, "X = 1, Z", "X = 1,5, Z", TEXTCHECK_ALS},
    {P395, 14, "from A and B", "from A", TEXTCHECK_ALS},
    {P365, 28, " ((8)r6c9=r8c9-r8c7)", "", TEXTCHECK_ALS}, // r8c7's removal unexplained
    {P368, 23, "(5)r4c2-(5=2)r3c2", "(5)r4c2-(5=4)r3c2", TEXTCHECK_CHAIN},
    {P189, 10, "r45c4", "r46c4", TEXTCHECK_CHAIN},
    {P281, 10, "(2)r1c5", "(3)r1c5", TEXTCHECK_CHAIN},
    {P281, 10, "=r1c9-r3c8=", "=r1c9=r3c8=", TEXTCHECK_CHAIN}, // not alternating
    {P35, 21, "(4=5)r8c2-(5=4)r8c8", "(4=5)r8c2", TEXTCHECK_PROOF},
    {P35, 21, "cannot be 4", "cannot be 5", TEXTCHECK_EFFECT},
    {P1, 17, "r6c6 loses 4", "r6c5 loses 4", TEXTCHECK_EFFECT},
    {P5, 11, "r7c9 = 4", "r7c9 = 5", TEXTCHECK_EFFECT},
};

TEST_F(StepText, TheCheckRefusesTextsThatSayOtherwise) {
    for (const Mutation& m : MUTATIONS) {
        PathStep s = StepAt(m.puzzle, m.step);
        std::string text = m.to;
        if (m.from) {
            text = s.text;
            size_t at = text.find(m.from);
            ASSERT_NE(at, std::string::npos) << m.from << " in " << s.text;
            text.replace(at, std::strlen(m.from), m.to);
        }
        std::string why;
        EXPECT_EQ(CheckText(s, text, &why), m.fault) << text << ": " << why;
    }
}

TEST_F(StepText, TheSingleEnteredIsNamedFirstAndClashesAreShown) {
    OnlyInRow(1, 4, {1});    // r1c1: the only 4 of row 1 ...
    OnlyInColumn(1, 6, {1}); // ... and the only 6 of column 1
    MarkGrid[Cell(9, 9)] = DigitBit(2);
    OnlyInRow(7, 5, {3});
    ASSERT_EQ(RunAnalysis(), STEP_SINGLES);
    EXPECT_EQ(Describe(STEP_SINGLES),
              "Hidden single: r7c3 = 5 (the only place for 5 in row 7); also "
              "available: r9c9 = 2; contradiction: r1c1 would have to be 4,6");
    ApplyStep(STEP_SINGLES, false);
    EXPECT_EQ(Board[Cell(7, 3)] & CELL_DIGIT, 5);
    EXPECT_EQ(Board[Cell(9, 9)] & CELL_DIGIT, 0); // entered later, as the text says
}

TEST_F(StepText, HiddenAndNakedPairs) {
    OnlyInRow(3, 4, {2, 8});
    OnlyInRow(3, 7, {2, 8});
    ASSERT_EQ(RunAnalysis(), STEP_SUBSETS);
    const std::string full = Describe(STEP_SUBSETS);
    EXPECT_EQ(full, "Hidden pair 4,7 in row 3: r3c2, r3c8 keep 4,7 (r3c2 loses "
                    "1,2,3,5,6,8,9; r3c8 loses 1,2,3,5,6,8,9)");
    // A short buffer is cut and terminated; an empty one is left alone.
    char small[12], none[1] = {'x'};
    EXPECT_EQ(DescribeStep(STEP_SUBSETS, small, sizeof small), 11);
    EXPECT_EQ(std::string(small), full.substr(0, 11));
    EXPECT_EQ(DescribeStep(STEP_SUBSETS, none, 0), 0);
    EXPECT_EQ(none[0], 'x');

    // Row 1: four open cells {2,9} {2,9} {1,2,3} {1,3,9}; the search finds hidden 1,3.
    SetUp();
    const DigitMask row[9] = {0x102, 0x102, 0x007, 0x105, 0, 0, 0, 0, 0};
    for (int c = 0; c < 9; c++) MarkGrid[c] = row[c];
    ASSERT_EQ(RunAnalysis(), STEP_SUBSETS);
    EXPECT_EQ(Describe(STEP_SUBSETS),
              "Naked pair 2,9 in row 1 (r1c1, r1c2): r1c3 loses 2; r1c4 loses 9");
}

TEST_F(StepText, NoStepAndWrongDigits) {
    EXPECT_EQ(Describe(STEP_NONE), "No step found");
    Board[Cell(1, 1)] = 5;
    SolutionGrid[Cell(1, 1)] = 3;
    AnalysisOptions.wrongValues = 1;
    ASSERT_EQ(RunAnalysis(), STEP_NONE);
    EXPECT_EQ(Describe(STEP_NONE), "Wrong digit: r1c1 differs from the solution");
}

} // namespace
