// The board as drawn: PaintBoard rendered at the native size in each state the board can show,
// checked at pixels whose colours are known (grid lines, highlights, glyph ink, labels, chains).
#include "analysis/analysis.h"
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "control/commands.h"
#include "control/focus.h"
#include "control/keys.h"
#include "control/session.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "display/paint.h"
#include "display/palette.h"
#include "files/settings.h"
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
        RefreshStep(S);
        picture = RenderBoard(S, focus);
    }
    QRgb At(int x, int y) const { return picture.pixel(x, y) | 0xFF000000; }
    QRgb At(QPoint p) const { return At(p.x(), p.y()); }
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
        return QPoint(CellX(cell) + 7, CellY(cell) + 5) + InkOf(":/glyphs/digits.xpm", 12, digit);
    }
    static QPoint MarkInk(int cell, int d) {
        return QPoint(DigitX(cell, d), DigitY(cell, d)) + InkOf(":/glyphs/marks.xpm", 7, d + 1);
    }
    // The nodes of the chain in display slot k that no later slot draws over (the list may
    // show a chain more than once, and the last drawing is what stays).
    static std::vector<ChainNode> LastDrawnNodes(int k) {
        std::vector<ChainNode> nodes;
        const ChainNode* table = S->A->ChainNodeTable;
        auto nodesOf = [table](int slot) {
            const int n = S->A->ChainDisplayList.entries[slot];
            return std::vector<ChainNode>(table + S->A->ChainTable[n].first,
                                          table + S->A->ChainTable[n + 1].first);
        };
        for (const ChainNode& node : nodesOf(k)) {
            bool again = false;
            for (int later = k + 1; later < S->A->ChainDisplayList.count; later++)
                for (const ChainNode& other : nodesOf(later))
                    again |= other.cell == node.cell && other.digits == node.digits;
            if (!again) nodes.push_back(node);
        }
        return nodes;
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

// The highlighted digit tints the cells holding it and, fainter, the cursor's row, column and
// box, and stresses its marks; the pointer's digit shows grey where a click would enter it.
TEST_F(Display, FocusTintsCellsStressesMarksAndShowsTheHoverDigit) {
    LoadGivens(SAMPLE_PUZZLE);
    S->AnalysisOptions.techniques = 0;
    RunCommand(S, CMD_STORE_CANDIDATES);
    const int given = int(std::string(SAMPLE_PUZZLE).find_first_not_of('.'));
    const int digit = SAMPLE_PUZZLE[given] - '0';
    int marked = 0; // an open cell with the digit among its marks, outside the given's units
    while (marked < 81 &&
           (S->Board[marked] || !(S->MarkGrid[marked] >> (digit - 1) & 1) ||
            marked / 9 == given / 9 || marked % 9 == given % 9 || BoxOf(marked) == BoxOf(given)))
        marked++;
    ASSERT_LT(marked, 81);
    Render(FocusMarks{digit, given, -1, -1});
    EXPECT_EQ(At(CellX(given) + 1, CellY(given) + 1), Rgb(0xF5DCC4)); // holds the digit
    int open = given / 9 * 9; // an open cell in the given's row
    while (S->Board[open]) open++;
    EXPECT_EQ(At(CellX(open) + 1, CellY(open) + 1), Rgb(0xF7F1EC));
    EXPECT_EQ(At(CellX(marked) + 1, CellY(marked) + 1), WHITE);
    // Its mark in black on a tinted square.
    const int d = digit - 1;
    EXPECT_EQ(At(DigitX(marked, d), DigitY(marked, d)), Rgb(0xF5DCC4));
    EXPECT_EQ(At(MarkInk(marked, d)), BLACK);

    // The digit under the pointer: grey on a light square, where no mark stands.
    ClearAllMarks(S);
    Render(FocusMarks{0, -1, marked, 4});
    EXPECT_EQ(At(DigitX(marked, 4), DigitY(marked, 4)), Rgb(0xE6E6E6));
    EXPECT_EQ(At(MarkInk(marked, 4)), Rgb(0xA0A0A0));
    EXPECT_EQ(At(MarkInk(marked, 3)), WHITE);

    // Pointer over the 4 of cell 0, cursor moved onto the 5 of cell 8: the one moved last says
    // which digit is highlighted.
    PointerAt(S, BoardSpot{0, -1, -1});
    S->Focus.cursorCell = 7;
    PressKey(S, KEY_RIGHT);
    Render(ShownFocus(S));
    EXPECT_EQ(At(CellX(8) + 1, CellY(8) + 1), Rgb(0xF5DCC4));
    EXPECT_EQ(At(CellX(0) + 1, CellY(0) + 1), Rgb(0xF7F1EC)); // in the cursor's row only
    PointerAt(S, BoardSpot{6, -1, -1});
    EXPECT_EQ(ShownFocus(S).highlightDigit, 8);
}

// Givens black, entries in their colour, marks dark blue.
TEST_F(Display, DigitsAndMarksInTheirColours) {
    LoadGivens(SAMPLE_PUZZLE);
    S->AnalysisOptions.techniques = 0;
    EnterDigit(S, 1, 1); // blue
    S->AnalysisOptions.numberColour = 2;
    EnterDigit(S, 2, 2); // green
    S->MarkGrid[3] = DigitBit(6);
    Render();
    EXPECT_EQ(At(DigitInk(0, 4)), BLACK);
    EXPECT_EQ(At(DigitInk(1, 1)), Rgb(0xFF0000));
    EXPECT_EQ(At(DigitInk(2, 2)), Rgb(0x00BF00));
    EXPECT_EQ(At(MarkInk(3, 5)), Rgb(0x800000));
    EXPECT_EQ(At(MarkInk(3, 0)), WHITE); // no mark 1 there
}

TEST_F(Display, SingleStepIsHighlighted) {
    LoadGivens(SAMPLE_PUZZLE);
    S->AnalysisOptions.showCandidates = 1;
    S->AnalysisOptions.techniques = TECH_ANALYSIS;
    Render();
    ASSERT_EQ(S->A->PendingStep, 1);
    int cell = 0;
    while (cell < 81 && !S->A->StepMarks[cell]) cell++;
    ASSERT_LT(cell, 81);
    const int digit = std::countr_zero(S->A->StepMarks[cell]);
    // Cell background: a digit position without a candidate shows the brush of kind 0.
    int empty = 0;
    while (empty < 9 && (S->CandidateGrid[cell] >> empty & 1)) empty++;
    ASSERT_LT(empty, 9);
    EXPECT_EQ(At(DigitX(cell, empty) + 3, DigitY(cell, empty) + 3), Rgb(0xB0FFFF));
    // The single's digit: red on its own square.
    EXPECT_EQ(At(DigitX(cell, digit), DigitY(cell, digit)), Rgb(0x80FFFF));
    EXPECT_EQ(At(MarkInk(cell, digit)), Rgb(0x0000FF));
}

// The chains of a chain step at their candidates: a square for colour 0, a circle for colour 1,
// in their slots' colours; a chain step draws no mark squares.
TEST_F(Display, ChainsAreDrawnInTheirSlotsColours) {
    // Each node no later slot draws over, checked against the colour of slot k; how many.
    auto checkChain = [this](int k, uint32_t colour) {
        const std::vector<ChainNode> nodes = LastDrawnNodes(k);
        for (const ChainNode& node : nodes) {
            const int d = std::countr_zero(node.digits);
            const int x = DigitX(node.cell, d), y = DigitY(node.cell, d);
            if (node.colour == 0) {
                EXPECT_EQ(At(x, y), Rgb(colour)) << k << " " << node.cell;
            } else {
                EXPECT_EQ(At(x + 3, y), Rgb(colour)) << k << " " << node.cell; // circle's top
                EXPECT_NE(At(x, y), Rgb(colour)) << k << " " << node.cell;     // not its corner
            }
        }
        return nodes.size();
    };
    LoadGivens(CHAIN_PUZZLE);
    S->AnalysisOptions.techniques = 0x3F;
    RunCommand(S, CMD_STORE_CANDIDATES);
    int kind = 0;
    for (int step = 0; step < 20 && (kind = RunAnalysis(S->A)) != TECH_CHAINS; step++)
        ApplyStep(S->A, kind, false);
    ASSERT_EQ(kind, TECH_CHAINS);
    Render();
    ASSERT_EQ(S->A->PendingStep, int(TECH_CHAINS));
    ASSERT_GE(S->A->ChainDisplayList.count, 2);
    EXPECT_GT(checkChain(0, 0x0000FF) + checkChain(1, 0xFF0000), 0u);
    for (int c = 0; c < 81; c++)
        for (int d = 0; d < 9; d++)
            EXPECT_TRUE(!(S->A->StepMarks[c] >> d & 1) ||
                        At(DigitX(c, d), DigitY(c, d)) != Rgb(0x80FFFF))
                << c;
}
// The player's chain is drawn like the classic ones from the step's record: the roof's ends and
// the base nodes alternate circle and square in the first slot's colour, their candidates keep
// no step square, while the digit each target loses stands on its square.
TEST_F(Display, PlayersChainIsDrawnFromItsStep) {
    ResetGame(S);
    OpenAllMarks();
    // 5 in row 1 only at r1c1 and r1c4, in row 5 only at r5c1 and r5c6: a skyscraper.
    for (int column = 2; column <= 9; column++) {
        if (column != 4) S->MarkGrid[column - 1] &= ~DigitBit(5);
        if (column != 6) S->MarkGrid[36 + column - 1] &= ~DigitBit(5);
    }
    S->Order = VIEW_ORDER_PLAYER;
    S->AnalysisOptions.techniques = TECH_ANALYSIS | 0x3E;
    Render();
    ASSERT_EQ(S->Drawing.nodeCount, 4);
    for (int i = 0; i < S->Drawing.nodeCount; i++) {
        const DrawnNode& node = S->Drawing.nodes[i];
        EXPECT_EQ(node.colour, i % 2 ? 0 : 1) << i; // circles and squares in turn
        const int x = DigitX(node.cell, node.digit), y = DigitY(node.cell, node.digit);
        if (node.colour == 0) {
            EXPECT_EQ(At(x, y), Rgb(0x0000FF)) << int(node.cell);
        } else {
            EXPECT_EQ(At(x + 3, y), Rgb(0x0000FF)) << int(node.cell); // the circle's top
            EXPECT_NE(At(x, y), Rgb(0x0000FF)) << int(node.cell);     // not its corner
        }
        EXPECT_NE(At(x + 3, y + 3), Rgb(0x80FFFF)) << int(node.cell);
    }
    for (int cell : {14, 23, 30, 48}) // r2c6 r3c6 r4c4 r6c4 lose 5
        EXPECT_EQ(At(DigitX(cell, 4), DigitY(cell, 4)), Rgb(0x80FFFF)) << cell;
}

// "Invalid Value": while its box stands, the refused entry's cell and the peers holding its
// digit are outlined in red, two pixels inside the cell; once it is closed, nothing is.
TEST_F(Display, ClashingCellsAreOutlinedWhileTheBoxStands) {
    static QImage shown; // the board as drawn while the box stands
    static ShellHooks hooks;
    hooks = *S->Hooks;
    hooks.messageBox = [](void*, const char*) { shown = RenderBoard(S); };
    SetShellHooks(S, &hooks, S->HookContext);
    LoadGivens(SAMPLE_PUZZLE); // r1c1 holds a 4; r3c2 is open
    TapDigit(S, 19, 3);
    ASSERT_EQ(S->Board[19], 0); // refused
    ASSERT_FALSE(shown.isNull());
    const QRgb red = Rgb(0x0000FF);
    for (int cell : {0, 19}) {
        const int x = CellX(cell), y = CellY(cell);
        EXPECT_EQ(shown.pixel(x + 1, y + 12), red) << cell; // left edge, two pixels wide
        EXPECT_EQ(shown.pixel(x + 2, y + 12), red) << cell;
        EXPECT_EQ(shown.pixel(x + 24, y + 24), red) << cell; // the far corner inside the cell
        EXPECT_NE(shown.pixel(x + 3, y + 12), red) << cell;
    }
    EXPECT_NE(shown.pixel(CellX(1) + 1, CellY(1) + 12), red); // an open peer
    Render();
    EXPECT_EQ(At(CellX(0) + 1, CellY(0) + 12), WHITE);
    EXPECT_EQ(At(CellX(19) + 1, CellY(19) + 12), WHITE);
}

// Every text colour of the dark palette reads on every background it can be drawn on, at a
// contrast of 4.5 or more.
TEST(DarkPalette, EveryTextColourReadsOnItsBackgrounds) {
    const BoardPalette& d = DARK_PALETTE;
    std::vector<uint32_t> backgrounds = {d.background, d.unitTint, d.digitTint};
    backgrounds.insert(backgrounds.end(), d.cellBrushes, d.cellBrushes + PALETTE_BRUSHES);
    std::vector<uint32_t> texts = {d.given, d.candidate, d.mark};
    texts.insert(texts.end(), d.numberColours, d.numberColours + PALETTE_NUMBERS);
    for (uint32_t text : texts)
        for (uint32_t back : backgrounds)
            EXPECT_GE(ContrastRatio(text, back), 4.5) << std::hex << text << " on " << back;
    // Colours with a background of their own.
    const struct {
        uint32_t text, back;
    } pairs[] = {{d.stepDigit, d.cellBrushes[7]}, {d.emphasis, d.digitTint},
                 {d.hoverColour, d.hoverSquare},  {d.label, d.background},
                 {d.background, d.label},         {d.wrongMark, d.cellBrushes[8]}};
    for (auto pair : pairs)
        EXPECT_GE(ContrastRatio(pair.text, pair.back), 4.5) << std::hex << pair.text;
    for (int k = 0; k < 2 * PALETTE_CHAINS; k++) {
        const uint32_t chain = d.chainColours[k % 10] & (k > 9 ? d.secondRoundShade : 0xFFFFFF);
        EXPECT_GE(ContrastRatio(d.chainInk, chain), 4.5) << k;
    }
    EXPECT_DOUBLE_EQ(ContrastRatio(0x000000, 0xFFFFFF), 21.0);
}

// The dark board: its own paper and lines, glyph ink laid over it in the dark colours.
TEST_F(Display, DarkPaletteDrawsInkOverItsBackground) {
    LoadGivens(SAMPLE_PUZZLE);
    S->AnalysisOptions.techniques = 0;
    EnterDigit(S, 1, 1);
    S->MarkGrid[3] = DigitBit(6);
    RefreshStep(S);
    picture = RenderBoard(S, {}, DARK_PALETTE);
    const BoardPalette& d = DARK_PALETTE;
    EXPECT_EQ(At(DigitInk(0, 4)), Rgb(d.given));
    EXPECT_EQ(At(DigitInk(1, 1)), Rgb(d.numberColours[0]));
    EXPECT_EQ(At(MarkInk(3, 5)), Rgb(d.mark));
    EXPECT_EQ(At(MarkInk(3, 0)), Rgb(d.background));
    EXPECT_EQ(At(CellX(3) + 12, CellY(3) + 20), Rgb(d.background));
    EXPECT_EQ(At(CellX(3), CellY(3) + 12), Rgb(d.gridLine));
}

// A wrong entry is told by more than its colour: a bar under it, in both palettes; the
// highlighted digit is drawn bolder (its glyph one pixel wider).
TEST_F(Display, WrongEntryIsUnderlinedAndHighlightedDigitIsBold) {
    LoadGivens(SAMPLE_PUZZLE);
    S->AnalysisOptions.techniques = 0;
    ASSERT_EQ(CheckPosition(S), VERDICT_UNIQUE);
    const int open = FirstOpenCell();
    const int right = S->SolutionGrid[open] & CELL_DIGIT;
    ComputeCandidates(S);
    int wrong = 1; // a digit no peer holds that is not the solution's
    while (wrong <= 9 && (wrong == right || !(S->CandidateGrid[open] >> (wrong - 1) & 1))) wrong++;
    ASSERT_LE(wrong, 9);
    EnterDigit(S, open, wrong);
    for (const BoardPalette* palette : {&LIGHT_PALETTE, &DARK_PALETTE}) {
        S->AnalysisOptions.wrongValues = 0;
        RefreshStep(S);
        picture = RenderBoard(S, {}, *palette);
        EXPECT_EQ(At(CellX(open) + 12, CellY(open) + 22), Rgb(palette->background));
        S->AnalysisOptions.wrongValues = 1;
        RefreshStep(S);
        picture = RenderBoard(S, {}, *palette);
        EXPECT_EQ(At(CellX(open) + 2, CellY(open) + 2), Rgb(palette->cellBrushes[8]));
        EXPECT_EQ(At(CellX(open) + 12, CellY(open) + 22), Rgb(palette->wrongMark));
    }
    // Bold: the ink one pixel right of the rightmost ink of a row of the plain glyph.
    S->AnalysisOptions.wrongValues = 0;
    const int given = int(std::string(SAMPLE_PUZZLE).find_first_not_of('.'));
    const int digit = SAMPLE_PUZZLE[given] - '0';
    Render();
    const QImage plain = picture;
    Render(FocusMarks{digit, -1, -1, -1});
    int added = 0;
    for (int y = CellY(given) + 5; y < CellY(given) + 20; y++)
        for (int x = CellX(given) + 7; x < CellX(given) + 20; x++)
            if (qGray(plain.pixel(x, y)) > 128 && qGray(plain.pixel(x - 1, y)) < 128) {
                EXPECT_LT(qGray(picture.pixel(x, y)), 128) << x << "," << y;
                added++;
            }
    EXPECT_GT(added, 0);
}

// A paused game shows a covered board: not one digit or mark pixel inside the frame.
TEST_F(Display, PausedBoardIsCovered) {
    LoadGivens(SAMPLE_PUZZLE);
    S->AnalysisOptions.techniques = TECH_ANALYSIS | 0x3E;
    RunCommand(S, CMD_STORE_CANDIDATES);
    S->Paused = true;
    for (const BoardPalette* palette : {&LIGHT_PALETTE, &DARK_PALETTE}) {
        Render();
        picture = RenderBoard(S, FocusMarks{5, 0, -1, -1}, *palette);
        const QRgb cover = Rgb(palette->cover);
        int other = 0;
        for (int y = BOARD_FIRST + 2; y <= BOARD_LAST - 2; y++)
            for (int x = BOARD_FIRST + 2; x <= BOARD_LAST - 2; x++) other += At(x, y) != cover;
        EXPECT_EQ(other, 0);
        EXPECT_EQ(At(BOARD_FIRST, BOARD_FIRST + 50), Rgb(palette->gridLine));
    }
    S->Paused = false;
    Render();
    EXPECT_NE(At(BOARD_FIRST + 30, BOARD_FIRST + 30), Rgb(LIGHT_PALETTE.cover));
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
