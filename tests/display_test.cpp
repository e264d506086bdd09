// The board as drawn: PaintBoard rendered at the native size in each state the board can show,
// checked at pixels whose colours are known (grid lines, highlights, glyph ink, labels, chains).
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "control/commands.h"
#include "control/focus.h"
#include "control/session.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "display/paint.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include "tests/support.h"
#include <QGuiApplication>

namespace {
// A puzzle whose solving path (every technique on, candidates as marks) meets a forcing chain
// at its tenth step, with plenty of chains to show.
const char* const CHAIN_PUZZLE =
    "....96..8...5......9...3...21.....53......6..3....27.4..7.8...5.81..9......16..7.";

constexpr QRgb WHITE = 0xFFFFFFFF, BLACK = 0xFF000000;

QRgb Rgb(uint32_t bgr) {
    return ColourOf(bgr).rgb();
}

class Display : public CoreTest {
  protected:
    QImage picture;
    // The board as the window draws it: the step brought up to date, then painted.
    void Render(const FocusMarks& focus = {}) {
        RefreshStep();
        picture = RenderBoard(focus);
    }
    QRgb At(int x, int y) const { return picture.pixel(x, y) | 0xFF000000; }
    QRgb At(QPoint p) const { return At(p.x(), p.y()); }
    static int OriginX(int cell) { return CellX(cell); }
    static int OriginY(int cell) { return CellY(cell); }
    // A pixel of the glyph strip that is ink: its offset inside glyph n (1..9) of the strip.
    static QPoint InkOf(const char* strip, int width, int n) {
        const QImage image(strip);
        for (int y = 0; y < image.height(); y++)
            for (int x = 0; x < width; x++)
                if (qGray(image.pixel(width * (n - 1) + x, y)) < 128) return QPoint(x, y);
        return QPoint(-1, -1);
    }
    // Ink pixel of the big digit drawn in a cell, and of the mark of digit index d.
    static QPoint DigitInk(int cell, int digit) {
        return QPoint(OriginX(cell) + 7, OriginY(cell) + 5) +
               InkOf(":/glyphs/digits.xpm", 12, digit);
    }
    static QPoint MarkInk(int cell, int d) {
        return QPoint(DigitX(cell, d), DigitY(cell, d)) + InkOf(":/glyphs/marks.xpm", 7, d + 1);
    }
    // True when a chain in a display slot after k has a node at the same candidate (the list
    // may show a chain more than once, and the last drawing is what stays).
    static bool DrawnAgainAfter(int k, const ChainNode& node) {
        for (int later = k + 1; later < ChainDisplayList.count; later++) {
            const int m = ChainDisplayList.entries[later];
            for (int j = ChainTable[m].first; j < ChainTable[m + 1].first; j++)
                if (ChainNodeTable[j].cell == node.cell && ChainNodeTable[j].digits == node.digits)
                    return true;
        }
        return false;
    }
    // How many pixels of the 20 x 8 label i are black.
    int LabelBlack(int i) const {
        int n = 0;
        for (int y = 0; y < LABEL_HEIGHT; y++)
            for (int x = 0; x < LABEL_WIDTH; x++) n += At(LabelX(i) + x, LABEL_Y + y) == BLACK;
        return n;
    }
};

TEST_F(Display, PixelsMapToCellsDigitPositionsAndLabels) {
    struct {
        int x, y, cell;
    } hits[] = {{7, 7, 0},      {233, 233, 80}, {6, 20, -1}, {20, 31, -1},
                {234, 100, -1}, {81, 7, 2},     {82, 7, -1}, {83, 7, 3},
                {157, 157, 50}, {0, 0, -1},     {250, 7, -1}};
    for (auto h : hits) EXPECT_EQ(HitTestCell(h.x, h.y), h.cell) << h.x << "," << h.y;
    // Offsets from a cell's origin: 1..8 the first digit column or row, 25 (the first pixel of
    // a box line, still the cell's) no digit position.
    struct {
        int dx, dy, digit;
    } taps[] = {{2, 2, 0}, {20, 12, 5}, {12, 24, 7}, {1, 1, 0}, {24, 24, 8}, {25, 2, -1}};
    for (auto t : taps) {
        const BoardSpot spot = SpotAt(CellX(2) + t.dx, CellY(2) + t.dy);
        EXPECT_EQ(spot.cell, 2);
        EXPECT_EQ(spot.digit, t.digit) << t.dx << "," << t.dy;
    }
    // The strip under the board: label (x - 5) / 21, rounded toward zero, while it lies
    // strictly between the last grid line and 12 pixels below it.
    struct {
        int x, y, label;
    } strip[] = {{27, 240, 1},  {2, 240, 0},   {110, 240, 5}, {200, 240, 9},
                 {27, 246, -1}, {27, 234, -1}, {-30, 240, -1}};
    for (auto t : strip) EXPECT_EQ(SpotAt(t.x, t.y).label, t.label) << t.x << "," << t.y;
}

// At every pixel of a cell, the faint digit shown is exactly what a click there enters.
TEST_F(Display, HoverShowsWhatAClickAtEachPixelEnters) {
    for (int dy = 0; dy <= CELL_PITCH; dy++)
        for (int dx = 0; dx <= CELL_PITCH; dx++) {
            LoadGivens("");
            const BoardSpot spot = SpotAt(CellX(30) + dx, CellY(30) + dy);
            PointerAt(spot);
            int cell;
            const int hover = HoverDigit(&cell);
            StylusDown(spot);
            StylusUp(spot);
            ASSERT_EQ(hover < 0 ? 0 : hover + 1, Board[30] & CELL_DIGIT) << dx << "," << dy;
            PointerAt(BoardSpot{});
        }
}

TEST_F(Display, FocusTintsCellsStressesMarksAndShowsTheHoverDigit) {
    LoadGivens(SAMPLE_PUZZLE);
    AnalysisOptions.techniques = 0;
    RunCommand(CMD_STORE_CANDIDATES);
    const int given = int(std::string(SAMPLE_PUZZLE).find_first_not_of('.'));
    const int digit = SAMPLE_PUZZLE[given] - '0';
    int marked = 0; // an open cell with the digit among its marks, outside the given's units
    while (marked < 81 &&
           (Board[marked] || !(MarkGrid[marked] >> (digit - 1) & 1) || marked / 9 == given / 9 ||
            marked % 9 == given % 9 || BoxOf(marked) == BoxOf(given)))
        marked++;
    ASSERT_LT(marked, 81);
    Render(FocusMarks{digit, given, -1, -1});
    EXPECT_EQ(At(OriginX(given) + 1, OriginY(given) + 1), Rgb(0xF5DCC4)); // holds the digit
    int open = given / 9 * 9; // an open cell in the given's row
    while (Board[open]) open++;
    EXPECT_EQ(At(OriginX(open) + 1, OriginY(open) + 1), Rgb(0xF7F1EC));
    EXPECT_EQ(At(OriginX(marked) + 1, OriginY(marked) + 1), WHITE);
    // Its mark in black on a tinted square; another mark as usual.
    const int d = digit - 1;
    EXPECT_EQ(At(DigitX(marked, d), DigitY(marked, d)), Rgb(0xF5DCC4));
    EXPECT_EQ(At(MarkInk(marked, d)), BLACK);

    // The digit under the pointer: grey on a light square, where no mark stands.
    ClearAllMarks();
    Render(FocusMarks{0, -1, marked, 4});
    EXPECT_EQ(At(DigitX(marked, 4), DigitY(marked, 4)), Rgb(0xE6E6E6));
    EXPECT_EQ(At(MarkInk(marked, 4)), Rgb(0xA0A0A0));
    EXPECT_EQ(At(MarkInk(marked, 3)), WHITE);
}

TEST_F(Display, EmptyBoardShowsOnlyTheGrid) {
    LoadGivens("");
    AnalysisOptions.techniques = 0;
    Render();
    // Along a row through the board: black exactly on the grid lines.
    std::vector<int> black;
    for (int x = 0; x < BOARD_PICTURE_WIDTH; x++)
        if (At(x, 100) == BLACK) black.push_back(x);
    EXPECT_EQ(black,
              (std::vector<int>{5, 6, 31, 56, 81, 82, 107, 132, 157, 158, 183, 208, 233, 234}));
    EXPECT_EQ(At(100, 5), BLACK);
    EXPECT_EQ(At(100, 234), BLACK);
    EXPECT_EQ(At(100, 235), WHITE);
    EXPECT_EQ(At(4, 100), WHITE);
    for (int y = GridLine(9) + 1; y < BOARD_PICTURE_HEIGHT; y++)
        for (int x = 0; x < BOARD_PICTURE_WIDTH; x++) ASSERT_EQ(At(x, y), WHITE) << x << "," << y;
}

TEST_F(Display, LabelsOfTechniquesOnAreInverted) {
    LoadGivens("");
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_SUBSETS | TECH_LOCKED;
    Render();
    // HS and LC white on black; GA, FC, ALS and Z black on white.
    for (int i = 0; i < LABEL_COUNT; i++) {
        const bool inverted = i < 2;
        EXPECT_EQ(LabelBlack(i) > LABEL_WIDTH * LABEL_HEIGHT / 2, inverted) << i;
        EXPECT_GT(LabelBlack(i), 0) << i;
    }
    AnalysisOptions.techniques = 0x3F; // Z is never inverted
    Render();
    EXPECT_LT(LabelBlack(5), LABEL_WIDTH * LABEL_HEIGHT / 2);
}

TEST_F(Display, PlayShowsGivensEntriesAndMarks) {
    LoadGivens(SAMPLE_PUZZLE);
    AnalysisOptions.techniques = 0;
    ChangePosition(POS_ENTER, 1, 1); // blue
    AnalysisOptions.numberColour = 2;
    ChangePosition(POS_ENTER, 2, 2); // green
    MarkGrid[3] = DigitBit(6);
    Render();
    EXPECT_EQ(At(DigitInk(0, 4).x(), DigitInk(0, 4).y()), BLACK);
    EXPECT_EQ(At(DigitInk(1, 1).x(), DigitInk(1, 1).y()), Rgb(0xFF0000));
    EXPECT_EQ(At(DigitInk(2, 2).x(), DigitInk(2, 2).y()), Rgb(0x00BF00));
    const QPoint mark = MarkInk(3, 5);
    EXPECT_EQ(At(mark.x(), mark.y()), Rgb(0x800000));
    EXPECT_EQ(At(MarkInk(3, 0).x(), MarkInk(3, 0).y()), WHITE); // no mark 1 there
}

TEST_F(Display, CandidatesAreGreyAndSingleStepIsHighlighted) {
    LoadGivens(SAMPLE_PUZZLE);
    AnalysisOptions.showCandidates = 1;
    AnalysisOptions.techniques = 0;
    Render();
    ASSERT_TRUE(ComputeCandidates());
    const int d = LowestBitIndex(CandidateGrid[1]);
    EXPECT_EQ(At(MarkInk(1, d).x(), MarkInk(1, d).y()), Rgb(0x606060));

    AnalysisOptions.techniques = TECH_ANALYSIS;
    Render();
    ASSERT_EQ(PendingStep, 1);
    int cell = 0;
    while (cell < 81 && !StepMarks[cell]) cell++;
    ASSERT_LT(cell, 81);
    const int digit = LowestBitIndex(StepMarks[cell]);
    // Cell background: a digit position without a candidate shows the brush of kind 0.
    int empty = 0;
    while (empty < 9 && (CandidateGrid[cell] >> empty & 1)) empty++;
    ASSERT_LT(empty, 9);
    EXPECT_EQ(At(DigitX(cell, empty) + 3, DigitY(cell, empty) + 3), Rgb(0xB0FFFF));
    // The single's digit: red on its own square.
    EXPECT_EQ(At(DigitX(cell, digit), DigitY(cell, digit)), Rgb(0x80FFFF));
    const QPoint ink = MarkInk(cell, digit);
    EXPECT_EQ(At(ink.x(), ink.y()), Rgb(0x0000FF));
}

TEST_F(Display, WrongEntryIsRedAndNoStepIsShown) {
    LoadGivens(SAMPLE_PUZZLE);
    ASSERT_EQ(CheckPosition(), VERDICT_UNIQUE);
    const int wrong = 1 + (SolutionGrid[1] & CELL_DIGIT) % 9; // any digit but the solution's
    AnalysisOptions.numberColour = 3;                         // purple
    Board[1] = uint8_t(CELL_ENTERED | 0x30 | wrong);
    AnalysisOptions.wrongValues = 1;
    AnalysisOptions.techniques = 0x3F;
    RunCommand(CMD_STORE_CANDIDATES);
    Render();
    EXPECT_EQ(PendingStep, 0);
    EXPECT_EQ(StepMarks[1], MARK_WRONG);
    EXPECT_EQ(At(OriginX(1) + 1, OriginY(1) + 1), Rgb(0x0000FF));
    // The purple glyph AND the red background.
    const QPoint ink = DigitInk(1, wrong);
    EXPECT_EQ(At(ink.x(), ink.y()), Rgb(0xB000B0 & 0x0000FF));
    for (int c = 2; c < 81; c++) ASSERT_TRUE(StepMarks[c] == 0) << c;
}

TEST_F(Display, SetupModeShowsEveryDigitInTheFirstColourAndNoMarks) {
    LoadGivens(SAMPLE_PUZZLE);
    RunCommand(CMD_STORE_CANDIDATES);
    RunCommand(CMD_SETUP);
    MarkGrid[1] = ALL_DIGITS;
    Render();
    EXPECT_EQ(At(DigitInk(0, 4).x(), DigitInk(0, 4).y()), Rgb(0xFF0000));
    for (int d = 0; d < 9; d++) EXPECT_EQ(At(MarkInk(1, d).x(), MarkInk(1, d).y()), WHITE) << d;
}

TEST_F(Display, SolutionShowsFormerGivensBlackAndTheRestBlue) {
    LoadGivens(SAMPLE_PUZZLE);
    ASSERT_EQ(CheckPosition(), VERDICT_UNIQUE);
    AnalysisOptions.techniques = 0x3F;
    RunCommand(CMD_SOLUTION);
    Render();
    EXPECT_EQ(PendingStep, 0);
    EXPECT_EQ(At(DigitInk(0, 4).x(), DigitInk(0, 4).y()), BLACK);
    const int d = SolutionGrid[1] & CELL_DIGIT;
    EXPECT_EQ(At(DigitInk(1, d).x(), DigitInk(1, d).y()), Rgb(0xFF0000));
}

TEST_F(Display, ChainStepShowsItsChainsWithoutMarkSquares) {
    LoadGivens(CHAIN_PUZZLE);
    AnalysisOptions.techniques = 0x3F;
    RunCommand(CMD_STORE_CANDIDATES);
    int kind = 0;
    for (int step = 0; step < 20 && (kind = RunAnalysis()) != TECH_CHAINS; step++)
        ApplyStep(kind, false);
    ASSERT_EQ(kind, TECH_CHAINS);
    Render();
    ASSERT_EQ(PendingStep, int(TECH_CHAINS));
    ASSERT_GT(ChainDisplayList.count, 0);
    // Every node of the first two chains shown, unless a later slot shows it again: a square or
    // a circle in the slot's colour (red, then blue).
    const uint32_t colours[2] = {0x0000FF, 0xFF0000};
    int checked = 0;
    for (int k = 0; k < 2 && k < ChainDisplayList.count; k++) {
        const int n = ChainDisplayList.entries[k];
        for (int i = ChainTable[n].first; i < ChainTable[n + 1].first; i++) {
            const ChainNode& node = ChainNodeTable[i];
            if (DrawnAgainAfter(k, node)) continue;
            checked++;
            const int d = LowestBitIndex(node.digits);
            const int x = DigitX(node.cell, d), y = DigitY(node.cell, d);
            if (node.colour == 0) {
                EXPECT_EQ(At(x, y), Rgb(colours[k])) << node.cell;
            } else {
                EXPECT_EQ(At(x + 3, y), Rgb(colours[k])) << node.cell; // top of the circle
                EXPECT_NE(At(x, y), Rgb(colours[k])) << node.cell;     // its corner stays out
            }
        }
    }
    EXPECT_GT(checked, 0);
    // No mark digit sits on the step's square.
    for (int c = 0; c < 81; c++)
        for (int d = 0; d < 9; d++)
            if (StepMarks[c] >> d & 1) {
                EXPECT_NE(At(DigitX(c, d), DigitY(c, d)), Rgb(0x80FFFF)) << c;
            }
}

TEST_F(Display, EleventhChainIsADarkerRed) {
    LoadGivens(CHAIN_PUZZLE);
    AnalysisOptions.techniques = TECH_ANALYSIS | TECH_CHAINS;
    AnalysisOptions.showCandidates = 1;
    ChainSelection = CHAIN_SHOW_ALL;
    Render();
    ASSERT_GE(ChainDisplayList.count, 11);
    EXPECT_EQ(ChainSelection, -1); // shown once
    const int n = ChainDisplayList.entries[10];
    int checked = 0;
    for (int i = ChainTable[n].first; i < ChainTable[n + 1].first; i++) {
        const ChainNode& node = ChainNodeTable[i];
        if (node.colour != 0) continue;
        const int d = LowestBitIndex(node.digits);
        const int x = DigitX(node.cell, d), y = DigitY(node.cell, d);
        // Unless a later chain drew over the same candidate.
        bool later = false;
        for (int k = 11; k < ChainDisplayList.count; k++) {
            const int m = ChainDisplayList.entries[k];
            for (int j = ChainTable[m].first; j < ChainTable[m + 1].first; j++)
                later |=
                    ChainNodeTable[j].cell == node.cell && ChainNodeTable[j].digits == node.digits;
        }
        if (later) continue;
        EXPECT_EQ(At(x, y), Rgb(0x0000BF)) << node.cell;
        checked++;
    }
    EXPECT_GT(checked, 0);
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
