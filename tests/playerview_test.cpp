// The window's step in the player's order: which step is shown beside the classic one, its
// words, what the board draws of it, the step button, the technique labels, the hint's levels
// and the order kept with the view settings.
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/player.h"
#include "analysis/state.h"
#include "control/commands.h"
#include "control/session.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "files/settings.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include "tests/support.h"
#include <bit>
#include <cstring>
#include <string>

namespace {
// Cell index of rNcM.
constexpr int Cell(int row, int column) {
    return 9 * (row - 1) + column - 1;
}

class PlayerView : public FileTest {
  protected:
    void SetUp() override {
        FileTest::SetUp();
        ResetGame(S);
        OpenAllMarks(); // an empty board, every digit marked everywhere: no step at all
        S->Order = VIEW_ORDER_PLAYER;
        S->AnalysisOptions.techniques = TECH_ANALYSIS | TECH_SUBSETS | TECH_LOCKED;
    }
    // Cells whose marks are every digit but these.
    static void Without(std::initializer_list<int> cells, const char* digits) {
        for (int x : cells) S->MarkGrid[x] = DigitMask(ALL_DIGITS & ~DigitsOf(digits));
    }
    // A naked pair of 1 and 2 in row 1 at r1c1 and r1c4 (two boxes: a pair of the row alone),
    // and 9 held in box 9 only by its top row, which points at r7c1..r7c6.
    static void PairAndPointing() {
        S->MarkGrid[Cell(1, 1)] = S->MarkGrid[Cell(1, 4)] = DigitsOf("12");
        for (int row = 8; row <= 9; row++)
            for (int column = 7; column <= 9; column++) Without({Cell(row, column)}, "9");
    }
    // An XY-wing: pivot r1c1 {1,2}, pincers r1c5 {1,3} and r5c1 {2,3}; r5c5 sees both.
    static void XYWing() {
        S->MarkGrid[Cell(1, 1)] = DigitsOf("12");
        S->MarkGrid[Cell(1, 5)] = DigitsOf("13");
        S->MarkGrid[Cell(5, 1)] = DigitsOf("23");
    }
    // The cells of the drawing with a mark of this kind.
    static std::string DrawnCells(uint16_t kind) {
        std::string s;
        for (int x = 0; x < 81; x++)
            if (S->Drawing.marks[x] && (S->Drawing.marks[x] & MARK_KIND) == kind)
                s += (s.empty() ? "" : " ") + std::to_string(x);
        return s;
    }
};

// A naked pair in a row: the player's order shows it with its words and marks, the classic
// engine does not find it; switching subsets off hides it, and the step line says what would
// help.
TEST_F(PlayerView, NakedPairOfARowIsThePlayersAlone) {
    S->MarkGrid[Cell(1, 1)] = S->MarkGrid[Cell(1, 4)] = DigitsOf("12");
    RefreshStep(S);
    ASSERT_EQ(S->Player.technique, TQ_NAKED_PAIR);
    EXPECT_EQ(S->A->PendingStep, STEP_SUBSETS);
    EXPECT_EQ(DrawnCells(MARK_TARGET), "1 2 4 5 6 7 8");
    EXPECT_EQ(DrawnCells(MARK_PATTERN), "0 3");
    EXPECT_EQ(S->Drawing.marks[Cell(1, 5)], MARK_TARGET | DigitsOf("12"));
    EXPECT_EQ(std::memcmp(S->Drawing.marks, S->A->StepMarks, sizeof S->Drawing.marks), 0);
    // the conclusion leads the step line
    EXPECT_STREQ(StepLineText(S), "r1c2, r1c3, r1c5, r1c6, r1c7, r1c8, r1c9 lose 1,2: Naked pair "
                                  "1,2 in row 1 (r1c1, r1c4)");

    ChooseStepOrder(S, VIEW_ORDER_CLASSIC);
    EXPECT_EQ(S->A->PendingStep, STEP_NONE);
    EXPECT_EQ(MarkedCells(), 0);
    ChooseStepOrder(S, 7); // no order: the choice stands
    EXPECT_EQ(S->Order, VIEW_ORDER_CLASSIC);
    ChooseStepOrder(S, VIEW_ORDER_PLAYER);
    EXPECT_EQ(S->Player.technique, TQ_NAKED_PAIR);

    S->AnalysisOptions.techniques &= ~TECH_SUBSETS;
    RefreshStep(S);
    EXPECT_EQ(S->A->PendingStep, STEP_NONE);
    EXPECT_EQ(S->Player.technique, TQ_NONE);
    EXPECT_EQ(MarkedCells(), 0);
    EXPECT_STREQ(StepLineText(S), "");
    char advice[128];
    ASSERT_EQ(NoStepAdvice(S, advice, sizeof advice), 1);
    EXPECT_STREQ(advice, "No step with these techniques: switch on GA, FC or ALS");

    // An open cell without marks: the player's order reads nothing, and says why.
    S->AnalysisOptions.techniques |= TECH_SUBSETS;
    S->MarkGrid[Cell(9, 9)] = 0;
    RefreshStep(S);
    EXPECT_EQ(S->A->PendingStep, STEP_NONE);
    ASSERT_EQ(NoStepAdvice(S, advice, sizeof advice), 1);
    EXPECT_EQ(std::string(advice).rfind("Some open cells have no pencil marks", 0), 0u) << advice;
}

// The labels gate the families of the table, which keeps its order: pointing comes before the
// pair while locked candidates are on.
TEST_F(PlayerView, TechniqueLabelsGateTheFamilies) {
    PairAndPointing();
    RefreshStep(S);
    EXPECT_EQ(S->Player.technique, TQ_POINTING);
    EXPECT_EQ(S->A->PendingStep, STEP_LOCKED);
    for (int column = 1; column <= 9; column++) // r7c1..r7c6 lose 9, box 9 holds the pattern
        EXPECT_EQ(S->Drawing.marks[Cell(7, column)],
                  column <= 6 ? MARK_TARGET | DigitBit(9) : MARK_PATTERN | DigitBit(9))
            << column;
    S->AnalysisOptions.techniques &= ~TECH_LOCKED;
    RefreshStep(S);
    EXPECT_EQ(S->Player.technique, TQ_NAKED_PAIR);
    EXPECT_EQ(S->Drawing.marks[Cell(7, 1)], 0);
}

// An XY-wing, which the classic engine has no technique for: shown with its words and marks
// when the chain family is on, an almost-locked-sets step in its place with ALS alone; the
// step button takes the digit out of the pencil marks.
TEST_F(PlayerView, XYWingIsShownAndCarriedOut) {
    XYWing();
    S->AnalysisOptions.techniques = TECH_ANALYSIS | 0x3E;
    RefreshStep(S);
    ASSERT_EQ(S->Player.technique, TQ_XY_WING);
    EXPECT_EQ(S->A->PendingStep, STEP_CHAINS);
    EXPECT_STREQ(StepLineText(S), "r5c5 loses 3: XY-wing 3 in r1c1, r1c5, r5c1");
    EXPECT_EQ(DrawnCells(MARK_PATTERN), "0 4 36");
    EXPECT_EQ(S->Drawing.marks[Cell(1, 5)], MARK_PATTERN | DigitsOf("13"));
    EXPECT_EQ(S->Drawing.marks[Cell(5, 5)], MARK_TARGET | DigitBit(3));

    DigitMask before[81];
    std::memcpy(before, S->MarkGrid, sizeof before);
    ASSERT_EQ(ApplyShownStep(S), 1);
    before[Cell(5, 5)] &= DigitMask(~DigitBit(3));
    EXPECT_EQ(std::memcmp(before, S->MarkGrid, sizeof before), 0);
    EXPECT_NE(S->Player.technique, TQ_XY_WING); // the wing is used up

    std::memcpy(S->MarkGrid, before, sizeof before);
    S->MarkGrid[Cell(5, 5)] = ALL_DIGITS;
    S->AnalysisOptions.techniques = TECH_ANALYSIS | TECH_ALS;
    RefreshStep(S);
    EXPECT_EQ(TECHNIQUE_TABLE[S->Player.technique].family, TECH_ALS);
    EXPECT_EQ(S->A->PendingStep, STEP_ALS);
    EXPECT_EQ(S->Drawing.marks[Cell(5, 5)], MARK_TARGET | DigitBit(3));
}

// A chain's nodes are drawn from the step's record, alternating from the strong link's end;
// "Z" asks for every chain and gets the step's own, and the labels still flip their bits.
TEST_F(PlayerView, ChainNodesAreDrawnFromTheStep) {
    // 5 in row 1 only at r1c1 and r1c4, in row 5 only at r5c1 and r5c6: a skyscraper.
    for (int column = 1; column <= 9; column++) {
        if (column != 1 && column != 4) Without({Cell(1, column)}, "5");
        if (column != 1 && column != 6) Without({Cell(5, column)}, "5");
    }
    S->AnalysisOptions.techniques = TECH_ANALYSIS | 0x3E;
    RefreshStep(S);
    ASSERT_EQ(S->Player.technique, TQ_SKYSCRAPER) << StepLineText(S);
    EXPECT_EQ(DrawnCells(MARK_TARGET), "14 23 30 48"); // r2c6 r3c6 r4c4 r6c4
    ASSERT_EQ(S->Drawing.nodeCount, 4);
    EXPECT_EQ(S->Drawing.squares, DRAW_SQUARES_OFF_NODES);
    // the chain ends at the roof (how its nodes are drawn: the display tests)
    const std::string ends =
        std::to_string(S->Drawing.nodes[0].cell) + " " + std::to_string(S->Drawing.nodes[3].cell);
    EXPECT_TRUE(ends == "3 41" || ends == "41 3") << ends;

    auto tapLabel = [](int label) {
        BoardSpot spot;
        spot.label = label;
        StylusDown(S, spot);
        StylusUp(S, spot);
    };
    tapLabel(5); // "Z": every chain, which here is the step's own
    EXPECT_EQ(S->Drawing.nodeCount, 4);
    EXPECT_EQ(S->A->ChainSelection, -1);
    EXPECT_EQ(S->Player.technique, TQ_SKYSCRAPER);
    tapLabel(3); // "FC" off: the same roof is a finned X-wing of the fish family, no chain
    EXPECT_EQ(S->AnalysisOptions.techniques & TECH_CHAINS, 0u);
    EXPECT_EQ(S->Player.technique, TQ_FINNED_X_WING);
    EXPECT_EQ(S->Drawing.nodeCount, 0);
    tapLabel(3);
    EXPECT_EQ(S->Player.technique, TQ_SKYSCRAPER);
    RunCommand(S, CMD_ANALYSIS); // off: nothing drawn, no words
    EXPECT_FALSE(StepMarksShown(S));
    EXPECT_STREQ(StepLineText(S), "");
}

// A placement is entered as a step entry is, into the history; with "Wrong Values" on a wrong
// entry is marked and no step is shown.
TEST_F(PlayerView, PlacementIsEnteredAndWrongValuesStopTheSearch) {
    S->MarkGrid[Cell(3, 3)] = DigitBit(7);
    RefreshStep(S);
    ASSERT_EQ(S->Player.placed, Cell(3, 3));
    EXPECT_EQ(S->Drawing.marks[Cell(3, 3)], DigitBit(7)); // as a classic single shows it
    EXPECT_EQ(MarkedCells(), 1);
    ASSERT_EQ(ApplyShownStep(S), 1);
    EXPECT_EQ(S->Board[Cell(3, 3)] & CELL_DIGIT, 7);
    EXPECT_EQ(S->MoveEnd, 1);

    LoadGivens(SAMPLE_PUZZLE);
    CheckPosition(S);
    S->AnalysisOptions.showCandidates = 1;
    RefreshStep(S);
    ASSERT_NE(S->A->PendingStep, STEP_NONE);
    const int open = FirstOpenCell();
    const int right = S->SolutionGrid[open] & CELL_DIGIT;
    const DigitMask others = DigitMask(S->CandidateGrid[open] & ~DigitBit(right));
    ASSERT_NE(others, 0);
    EnterDigit(S, open, std::countr_zero(others) + 1); // a candidate, but not the solution's
    ASSERT_NE(S->Board[open], 0);
    ToggleWrongValues(S);
    RefreshStep(S);
    EXPECT_EQ(S->A->PendingStep, STEP_NONE);
    EXPECT_EQ(S->Player.technique, TQ_NONE);
    EXPECT_EQ(S->Drawing.marks[open], MARK_WRONG);
    EXPECT_EQ(S->Drawing.nodeCount, 0);
}

// The hint follows the player's order: level 1 names the technique and where, level 2 draws
// the pattern and nothing else, level 3 the whole step, which the step button carries out.
TEST_F(PlayerView, HintBuildsUpByLevels) {
    LoadGivens(SAMPLE_PUZZLE);
    CheckPosition(S);
    S->AnalysisOptions.techniques = TECH_ANALYSIS | 0x3E;
    RunCommand(S, CMD_CANDIDATES);
    // Singles first, until the player's order needs more.
    for (int press = 0; press < 81 && S->Player.placed >= 0; press++) ApplyShownStep(S);
    ASSERT_NE(S->Player.technique, TQ_NONE);
    ASSERT_LT(S->Player.placed, 0) << StepLineText(S);
    const std::string full = StepLineText(S);
    const PlayerStep shown = S->Player;
    RunCommand(S, CMD_CANDIDATES);
    RunCommand(S, CMD_ANALYSIS);
    ASSERT_STREQ(StepLineText(S), "");

    RunCommand(S, CMD_HINT);
    ASSERT_EQ(HintLevel(S), 1);
    EXPECT_EQ(S->Player.technique, shown.technique);
    const std::string first = StepLineText(S);
    char name[64];
    PlayerStepName(shown, name, sizeof name);
    EXPECT_NE(first.find(std::string(name).substr(1)), std::string::npos) << first;
    EXPECT_EQ(first.find("look at"), std::string::npos) << first;
    EXPECT_FALSE(StepMarksShown(S));

    RunCommand(S, CMD_HINT);
    ASSERT_EQ(HintLevel(S), 2);
    EXPECT_EQ(std::string(StepLineText(S)).rfind(first + ": look at ", 0), 0u) << StepLineText(S);
    EXPECT_TRUE(StepMarksShown(S));
    EXPECT_EQ(DrawnCells(MARK_TARGET), "");
    EXPECT_EQ(S->Drawing.nodeCount, 0);
    for (int i = 0; i < shown.patternCount; i++)
        EXPECT_EQ(S->Drawing.marks[shown.pattern[i]] & MARK_KIND, MARK_PATTERN);

    RunCommand(S, CMD_HINT);
    ASSERT_EQ(HintLevel(S), 3);
    EXPECT_EQ(StepLineText(S), full);
    std::string targets;
    for (int x = 0; x < 81; x++)
        if (shown.remove[x]) targets += (targets.empty() ? "" : " ") + std::to_string(x);
    EXPECT_EQ(DrawnCells(MARK_TARGET), targets);

    ComputeCandidates(S);
    ASSERT_EQ(ApplyShownStep(S), 1); // the candidates become the marks, less the removals
    for (int x = 0; x < 81; x++)
        EXPECT_EQ(S->MarkGrid[x], S->Board[x] ? 0 : S->CandidateGrid[x] & ~shown.remove[x]) << x;
}

// The labels limit what the display shows unasked, not a hint: with only HS and LC on, a hint
// still answers with the skyscraper the position needs next.
TEST_F(PlayerView, AHintAnswersFromTheWholeTable) {
    LoadGivens(".643.98711...48936398671254.1349.7.898.7.6413.4.1835.982196.34...6834192439.1.68.");
    CheckPosition(S);
    S->AnalysisOptions.techniques = TECH_SUBSETS | TECH_LOCKED; // display off
    RunCommand(S, CMD_HINT);
    RunCommand(S, CMD_HINT);
    RunCommand(S, CMD_HINT);
    ASSERT_EQ(HintLevel(S), 3);
    EXPECT_EQ(S->Player.technique, TQ_SKYSCRAPER);
    EXPECT_EQ(std::string(StepLineText(S)).rfind("r2c3, r4c1, r6c1 lose 2: Skyscraper", 0), 0u)
        << StepLineText(S);
    // unasked, the display keeps to the labels
    S->Hint.level = 0;
    S->AnalysisOptions.techniques |= TECH_ANALYSIS;
    RunCommand(S, CMD_CANDIDATES);
    EXPECT_EQ(S->Player.technique, TQ_NONE);
    EXPECT_STREQ(StepLineText(S), "");
    S->AnalysisOptions.techniques |= TECH_CHAINS;
    RefreshStep(S);
    EXPECT_EQ(S->Player.technique, TQ_SKYSCRAPER);
}

// The order is kept with the view, as a word; the 603-byte settings file does not change with
// it, and a side file without the key (or with a word it does not take) means the player's.
TEST_F(PlayerView, OrderIsKeptWithTheViewAlone) {
    SetSettingsPath(Path("quadrivo.ini").c_str());
    S->Order = VIEW_ORDER_CLASSIC;
    ASSERT_EQ(ShutDown(S, 0), 1);
    const std::string settings = ReadBytes(Path("quadrivo.ini"));
    EXPECT_EQ(settings.size(), 603u);
    EXPECT_NE(ReadBytes(Path("quadrivo-view.ini")).find("\nOrder=classic\n"), std::string::npos);
    S->Order = VIEW_ORDER_PLAYER;
    ASSERT_EQ(ShutDown(S, 0), 1);
    EXPECT_EQ(ReadBytes(Path("quadrivo.ini")), settings);
    EXPECT_NE(ReadBytes(Path("quadrivo-view.ini")).find("\nOrder=player\n"), std::string::npos);

    for (auto [text, order] : {std::pair{"Order=classic\n", VIEW_ORDER_CLASSIC},
                               {"Order=player\r\n", VIEW_ORDER_PLAYER},
                               {"Zoom=2\n", VIEW_ORDER_PLAYER},
                               {"Order=1\n", VIEW_ORDER_PLAYER},
                               {"Order=classical\n", VIEW_ORDER_PLAYER}}) {
        Write("quadrivo-view.ini", text);
        S->Order = -1;
        RestoreView(S);
        EXPECT_EQ(S->Order, order) << text;
    }
    SetSettingsPath(nullptr);
}
} // namespace
