// The step in words. One table holds how each kind of step reads, taken from the rating path of
// real puzzles, each also passing the step check, with records made wrong on purpose that the
// check must refuse. agreement_test.cpp checks every text of larger samples.
#include "analysis/analysis.h"
#include "analysis/chainproof.h"
#include "analysis/driver.h"
#include "analysis/hint.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include "analysis/steptext.h"
#include "analysis/textcheck.h"
#include "control/session.h"
#include "model/board.h"
#include "model/game.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {
std::string Describe(Analysis* A, int kind) {
    char text[STEP_TEXT_SIZE];
    DescribeStep(A, kind, text, sizeof text);
    return text;
}

// One step of a rating path: its record and text, and the grid and Board before and after it.
struct PathStep {
    int kind = 0;
    StepRecord step;
    std::string text;
    DigitMask before[81], after[81];
    uint8_t boardBefore[81], boardAfter[81];
};
PathStep Captured;
int StepsToGo = 0;

// Watches the rating loop and keeps the step StepsToGo counts down to.
void CaptureStep(void*, Analysis* A, int kind, int phase) {
    if (phase == 0 && --StepsToGo == 0) {
        Captured.kind = kind;
        Captured.text = Describe(A, kind);
        Captured.step = A->CurrentStep;
        std::memcpy(Captured.before, A->AnalysisGrid, sizeof Captured.before);
        std::memcpy(Captured.boardBefore, A->G->Board, sizeof Captured.boardBefore);
    } else if (phase == 1 && StepsToGo == 0) {
        std::memcpy(Captured.after, A->AnalysisGrid, sizeof Captured.after);
        std::memcpy(Captured.boardAfter, A->G->Board, sizeof Captured.boardAfter);
        StepsToGo = -1;
    }
}

// A record made wrong on purpose by `edit`, and the fault the check must find.
struct Mutation {
    int fault;
    void (*edit)(StepRecord&);
};
// Node k of the record's chain i.
ProofNode& NodeOf(StepRecord& s, int i, int k) {
    return s.nodes[s.chains[i].first + k];
}
// Takes chain i out of the record.
void DropChain(StepRecord& s, int i) {
    for (int k = i + 1; k < s.chainCount; k++) s.chains[k - 1] = s.chains[k];
    s.chainCount--;
}
// The nth step (from 1) of a puzzle's rating path, as `quadrivo-cli path` numbers them, from
// the top1465 set unless said otherwise.
struct Example {
    const char* puzzle;
    int step;
    const char* text;
    std::vector<Mutation> wrong = {};
};
// The puzzle of the report that asked for the almost-locked-set texts.
const char* const REPORTED =
    ".1..7.5..9..........8..3.......2...1..75.42..5....8..9.......76..4..5.9..7...18..";
const Example EXAMPLES[] = {
    {"5..7..6....38...........2..62.4............917............35.8.4.....1......9....",
     11,
     "Hidden single: r7c9 = 4 (the only place for 4 in row 7); also available: r9c7 = 3",
     {{TEXTCHECK_EFFECT, [](StepRecord& s) { s.digits = DigitBit(5); }},
      {TEXTCHECK_SHAPE, [](StepRecord& s) { s.unit = 0; }},
      {TEXTCHECK_SHAPE, [](StepRecord& s) { s.technique = TQ_NAKED_SINGLE; }}}},
    {"4...3.......6..8..........1....5..9..8....6...7.2........1.27..5.3....4.9........",
     17,
     "Finned X-wing 4 in rows 2,5, columns 6,9, fin r5c4: r6c6 loses 4",
     {{TEXTCHECK_EFFECT, [](StepRecord& s) { s.targets[0].cell = 49; }},
      {TEXTCHECK_SHAPE, [](StepRecord& s) { s.finCount = 0; }},
      {TEXTCHECK_SHAPE, [](StepRecord& s) { s.cover ^= 1u << 8 | 1u << 7; }}}},
    {"..84...3....3.....9....157479...8........7..514.....2...9.6...2.5....4......9..56",
     10,
     "2-string kite (chains o, y): (6)r3c4=r45c4-r6c6=r6c3: r3c4 or r6c3 is 6, so r3c3 "
     "cannot be 6",
     {{TEXTCHECK_CHAIN, [](StepRecord& s) { NodeOf(s, 0, 1).cells[1] = 48; }},       // r46c4
      {TEXTCHECK_CHAIN, [](StepRecord& s) { s.strong[s.chains[0].first + 1] = 1; }}, // = =
      {TEXTCHECK_PROOF, [](StepRecord& s) { s.pattern[1].cell = 19; }}}}, // not the chain's end
    {"5.8.....7...9.1...4............5...4.6.....3..9....6...2.3...1.7...8..........2..",
     21,
     "Naked pair (chains o, r): (4=5)r8c2-(5=4)r8c8: r8c2 or r8c8 is 4, so r8c4 cannot be 4",
     {{TEXTCHECK_PROOF, [](StepRecord& s) { s.chains[0].count = 2; }}, // (4=5)r8c2
      {TEXTCHECK_PROOF, [](StepRecord& s) { s.chainCount = 0; }},
      {TEXTCHECK_EFFECT, [](StepRecord& s) { s.targets[0].digits = DigitBit(5); }}}},
    {".2.3.......6..8.9.83.5........2...8.7.9..5........6..4.......1...1...4.22..7..8.9",
     30,
     "ALS-XZ: A = r2c1 {1,5}, B = r4c3, r6c1 {1,3,5}, X = 1, Z = 5: r4c1 loses 5",
     {{TEXTCHECK_ALS, [](StepRecord& s) { s.restricted |= DigitBit(5); }},
      {TEXTCHECK_ALS, [](StepRecord& s) { s.sets[1].digits |= DigitBit(7); }},
      {TEXTCHECK_ALS, [](StepRecord& s) { s.sets[0].cells[0] = 1; }}}},
    {REPORTED,
     34,
     "ALS-XZ doubly linked: A = r1c1, r1c3, r1c4, r1c8, r1c9 {2,3,4,6,8,9}, B = r4c3, r4c4 "
     "{3,6,9}, X = 6,9, Z = 2 from A: r1c6 loses 2; links (6)r4c3-r4c7=r2c7-r3c8=r3c2-r1c1, "
     "(6)r1c1-r1c6=r2c6-r2c7=r4c7-r4c4, (6)r1c3-r1c6=r2c6-r2c7=r4c7-r4c4, "
     "(6)r4c3-r4c7=r2c7-r1c8, (6)r1c8-r1c6=r2c6-r2c7=r4c7-r4c4",
     // What this step once stated: X from peers alone, singly linked, and a Z that B lacks.
     {{TEXTCHECK_ALS,
       [](StepRecord& s) {
           s.restricted = DigitBit(9);
           s.zSets = 3;
       }},
      {TEXTCHECK_ALS, [](StepRecord& s) { DropChain(s, 0); }},                   // r1c1, r4c3: 6
      {TEXTCHECK_CHAIN, [](StepRecord& s) { NodeOf(s, 0, 2).cells[0] = 16; }}}}, // r2c8
};

class StepText : public CoreTest {
  protected:
    // An empty board; every cell open with every digit in the MarkGrid the analysis reads.
    void SetUp() override {
        CoreTest::SetUp();
        ResetGame(S);
        OpenAllMarks();
        S->AnalysisOptions.techniques = 0x3F;
    }
    // The digit stays only in the given cells of the unit.
    static void Keep(int digit, int unit, std::initializer_list<int> cells) {
        for (int k = 0; k < 9; k++) S->MarkGrid[UnitTable[unit][k]] &= ~DigitBit(digit);
        for (int c : cells) S->MarkGrid[c] |= DigitBit(digit);
    }
};

TEST_F(StepText, RealStepsReadAsTheTableSaysAndTheCheckRefusesOtherTexts) {
    for (const Example& e : EXAMPLES) {
        SCOPED_TRACE(std::string(e.puzzle) + " step " + std::to_string(e.step));
        ResetForTest();
        LoadGivens(e.puzzle);
        Captured = PathStep();
        StepsToGo = e.step;
        Rater rater;
        RatePosition(&rater, S, CaptureStep, nullptr);
        EXPECT_EQ(Captured.text, e.text);
        std::vector<Mutation> checks = e.wrong;
        checks.insert(checks.begin(), {TEXTCHECK_OK, [](StepRecord&) {}}); // the step passes
        for (size_t i = 0; i < checks.size(); i++) {
            StepRecord step = Captured.step;
            checks[i].edit(step);
            char why[256];
            EXPECT_EQ(CheckStep(Captured.kind, step, Captured.before, Captured.after,
                                Captured.boardBefore, Captured.boardAfter, nullptr, why,
                                sizeof why),
                      checks[i].fault)
                << "record edit " << i << ": " << why;
        }
    }
}

// Positions (givens only, the candidates computed) where the chain search, with the techniques
// given, finds a chain of each shape first (naked pairs and kites: the table above): the text
// names the shape. (The agreement samples run the step check on every such step.)
struct ShapeCase {
    uint32_t techniques;
    const char* board;
    const char* text;
};
constexpr uint32_t CHAINS_ONLY = TECH_ANALYSIS | TECH_CHAINS;
constexpr uint32_t WITH_LOCKED = CHAINS_ONLY | TECH_SUBSETS | TECH_LOCKED;
const ShapeCase SHAPES[] = {
    {CHAINS_ONLY,
     "9.8..631.7..5.....2...4.....39..8....75....62.12..5...5.46....7.8....9......5....",
     "XY-wing (chain a): (6=4)r2c2-(4=5)r1c2-(5=6)r3c2: r2c2 or r3c2 is 6, so r2c3 cannot be 6"},
    {WITH_LOCKED,
     "81925637457284316934691728515.3..9.62.......86.84....1465739812781524693923...457",
     "XY-chain (chain a): (7=4)r4c3-(4=2)r4c8-(2=3)r6c8-(3=9)r6c2-(9=7)r6c5: r4c3 or r6c5 is 7, "
     "so r4c5 cannot be 7"},
    {CHAINS_ONLY,
     "..6439521...7.83969.3..18472.71.3654..5.74....145.27.......6973..93.5.....8917.65",
     "W-wing (chain g): (8=9)r4c2-(9)r4c5=r6c5-(9=8)r6c9: r4c2 or r6c9 is 8, so r6c1 cannot be 8"},
    {CHAINS_ONLY,
     "1453.....3..4251782879164537..65.8..5..89.....187432.5.5.1.43..82153..4647326.5..",
     "Skyscraper (chain f): (9)r6c8=r6c1-r7c1=r7c3: r6c8 or r7c3 is 9, so r7c8 cannot be 9"},
    {WITH_LOCKED,
     "3..5..1...7.....8...8..4..66..4..9...3..6..5...7..16.48..1..3....3.2..6...2..9...",
     "X-wing (chains e, f): (3)r2c6=r4c6-r4c9=r2c9: r2c6 or r2c9 is 3, so r2c4 cannot be 3"},
    {WITH_LOCKED,
     "..6..3....97..513..2..91.8........7.6.........41..8..9...5..8.....3.47....4.16..5",
     "Turbot fish (chains i, j): (7)r6c1=r5c2-r5c6=r7c6: r6c1 or r7c6 is 7, so r7c1 cannot be 7"},
    {CHAINS_ONLY,
     "..537..8...3.8..64.8.1..7356412.8.7.8.7463.12....178465286.1.97.1.7..628...829.5.",
     "Empty rectangle (chains g, f): (9)r2c4=r6c4-r6c123=r5c2: r2c4 or r5c2 is 9, so r2c2 "
     "cannot be 9"},
    {WITH_LOCKED,
     "......87..7..9.31...3..7..51..6......5..2..4...8..9..74.....2...6..1..5......6..3",
     "X-chain (chains c, b, g): (1)r3c2=r3c4-r1c6=r5c6-r5c9=r7c9: r3c2 or r7c9 is 1, so r7c2 "
     "cannot be 1"},
    {WITH_LOCKED,
     "......82..18.36574..7....9...34.16576...7..89....6...28...4.76..9465.2........94.",
     "Nice loop (chains b, d, g): (9)r1c3=r6c3-(9=2)r4c1-(2=9)r2c1: r1c3 or r2c1 is 9, so r1c1 "
     "cannot be 9"},
    {CHAINS_ONLY,
     "42....536....3.8.........9.748.1...9.1..6.3545639..178.5.4.69131...5.7.2...2.1.85",
     "Alternating inference chain (chains b, m): (9)r1c5=(9-7)r9c5=(7)r9c23-(7=2)r7c3-(2=9)r5c3: "
     "r1c5 or r5c3 is 9, so r1c3 cannot be 9"},
};

TEST_F(StepText, ChainStepsAreNamedByTheShapeOfTheirChain) {
    for (const ShapeCase& c : SHAPES) {
        SCOPED_TRACE(c.board);
        ResetForTest();
        LoadGivens(c.board);
        S->AnalysisOptions.pencilMarks = 1;
        S->AnalysisOptions.showCandidates = 0;
        LoadMarksFromCandidates(S);
        S->AnalysisOptions.techniques = c.techniques;
        ASSERT_EQ(RunAnalysis(S->A), STEP_CHAINS);
        const std::string text = Describe(S->A, STEP_CHAINS);
        EXPECT_EQ(text, c.text);
        // The hint is read from the record: it names the chain's shape and stays the same when
        // the board's marks and chains are gone and no text is given.
        char hint[STEP_TEXT_SIZE], again[STEP_TEXT_SIZE], name[96];
        DescribeHint(S->A, STEP_CHAINS, text.c_str(), hint, sizeof hint);
        HintTechniqueName(text.c_str(), name, sizeof name);
        EXPECT_NE(std::string(hint).find(std::string(name + 1) + " in "), std::string::npos)
            << hint;
        std::memset(S->A->StepMarks, 0, sizeof S->A->StepMarks);
        S->A->ChainDisplayList.count = 0;
        DescribeHint(S->A, STEP_CHAINS, "", again, sizeof again);
        EXPECT_EQ(std::string(again), hint);
    }
}

// The single entered is named first, then the others; a cell that is the only place for two
// digits is shown as a contradiction.
TEST_F(StepText, TheSingleEnteredIsNamedFirstAndClashesAreShown) {
    Keep(4, 0, {0}); // r1c1: the only 4 of row 1 ...
    Keep(6, 9, {0}); // ... and the only 6 of column 1
    S->MarkGrid[80] = DigitBit(2);
    Keep(5, 6, {56});
    ASSERT_EQ(RunAnalysis(S->A), STEP_SINGLES);
    EXPECT_EQ(Describe(S->A, STEP_SINGLES),
              "Hidden single: r7c3 = 5 (the only place for 5 in row 7); "
              "also available: r9c9 = 2; contradiction: r1c1 would have "
              "to be 4,6");
    ApplyStep(S->A, STEP_SINGLES, false);
    EXPECT_EQ(BoardDigits(), std::string(56, '.') + "5" + std::string(24, '.')); // r9c9 later
}

TEST_F(StepText, HiddenAndNakedPairsAndShortBuffers) {
    Keep(4, 2, {19, 25});
    Keep(7, 2, {19, 25});
    ASSERT_EQ(RunAnalysis(S->A), STEP_SUBSETS);
    const std::string full = Describe(S->A, STEP_SUBSETS);
    EXPECT_EQ(full, "Hidden pair 4,7 in row 3: r3c2, r3c8 keep 4,7 (r3c2 loses "
                    "1,2,3,5,6,8,9; r3c8 loses 1,2,3,5,6,8,9)");
    // A short buffer is cut and terminated; an empty one is left alone.
    char small[12], none[1] = {'x'};
    EXPECT_EQ(DescribeStep(S->A, STEP_SUBSETS, small, sizeof small), 11);
    EXPECT_EQ(std::string(small), full.substr(0, 11));
    EXPECT_EQ(DescribeStep(S->A, STEP_SUBSETS, none, 0), 0);
    EXPECT_EQ(none[0], 'x');
    // Row 1: four open cells {2,9} {2,9} {1,2,3} {1,3,9}; the search finds hidden 1,3.
    SetUp();
    const DigitMask row[9] = {0x102, 0x102, 0x007, 0x105, 0, 0, 0, 0, 0};
    std::copy(row, row + 9, S->MarkGrid);
    ASSERT_EQ(RunAnalysis(S->A), STEP_SUBSETS);
    EXPECT_EQ(Describe(S->A, STEP_SUBSETS),
              "Naked pair 2,9 in row 1 (r1c1, r1c2): r1c3 loses 2; r1c4 loses 9");
}

// The step line's order: the conclusion first, taken out of the text where the text states it
// (after ": " or " => ", or in parentheses of its own), never from a longer statement.
TEST(StepLine, ConclusionFirstTakesTheConclusionOutWhereTheTextStatesIt) {
    auto first = [](const char* text, const char* conclusion, size_t size = 512) {
        char out[512];
        ConclusionFirst(text, conclusion, out, size);
        return std::string(out);
    };
    EXPECT_EQ(first("Hidden single: r9c6 = 4 (the only place for 4 in box 8); also available: "
                    "r2c6 = 1",
                    "r9c6 = 4"),
              "r9c6 = 4: Hidden single (the only place for 4 in box 8); also available: r2c6 = 1");
    EXPECT_EQ(first("Hidden pair 6,8 in row 9: r9c8, r9c9 keep 6,8 (r9c8 loses 1,2; r9c9 loses 2)",
                    "r9c8 loses 1,2; r9c9 loses 2"),
              "r9c8 loses 1,2; r9c9 loses 2: Hidden pair 6,8 in row 9: r9c8, r9c9 keep 6,8");
    EXPECT_EQ(first("ALS-XZ: A = r2c1 {3,9}, B = r4c5 {5,9}, X = 5, Z = 9: r2c9 loses 9; links "
                    "(9)r4c5-r4c1",
                    "r2c9 loses 9"),
              "r2c9 loses 9: ALS-XZ: A = r2c1 {3,9}, B = r4c5 {5,9}, X = 5, Z = 9; links "
              "(9)r4c5-r4c1");
    // The last statement: the chain's own start "r3c7 = 4 gives" is not its conclusion.
    EXPECT_EQ(first("Forcing chain: r3c7 = 4 gives r3c9 = 9 and a contradiction: r3c7 loses 4",
                    "r3c7 loses 4"),
              "r3c7 loses 4: Forcing chain: r3c7 = 4 gives r3c9 = 9 and a contradiction");
    EXPECT_EQ(first("Cell forcing chain on r1c1: r1c1 = 2 gives r2c2 = 3 => r2c2 = 3", "r2c2 = 3"),
              "r2c2 = 3: Cell forcing chain on r1c1: r1c1 = 2 gives r2c2 = 3");
    // Part of a longer statement is no statement: the text follows whole.
    EXPECT_EQ(first("Pointing 7 in box 8: r8c2 loses 7,9", "r8c2 loses 7"),
              "r8c2 loses 7: Pointing 7 in box 8: r8c2 loses 7,9");
    EXPECT_EQ(first("Two digits for r1c1", ""), "Two digits for r1c1");
    EXPECT_EQ(first("Naked single: r1c1 = 5", "r1c1 = 5", 6), "r1c1 "); // cut, never overrun
}

} // namespace
