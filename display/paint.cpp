// PaintBoard and its glyph copies. Colour tables are 0xBBGGRR words; a glyph is copied like a
// monochrome bitmap onto a colour surface: ink in the current text colour, background white,
// combined with the destination by AND (SRCAND) or XOR (SRCINVERT), while cell highlights are
// plain fills (PATCOPY). The glyph images are coloured once per colour and kept.
#include "display/paint.h"
#include "analysis/analysis.h"
#include "analysis/chains.h"
#include "analysis/state.h"
#include "control/session.h"
#include "control/stepview.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <QHash>
#include <bit>

namespace {
// Background of each highlighted cell, by the kind in its step mark (bits 12..15).
constexpr uint32_t CELL_BRUSHES[] = {
    0xB0FFFF, // 0: single and subset digits
    0xFFB0FF, // 1: first almost locked set
    0xFFFFB0, // 2: target
    0xC0C0FF, // 3: link / second set
    0xC0FFC0, // 4: pattern
    0x80B0FF, // 5: cell of both sets
    0xFFC080, // 6
    0x80FFFF, // 7: square behind a step's mark digit
    0x0000FF, // 8: wrong entry
};
static_assert(sizeof CELL_BRUSHES / sizeof CELL_BRUSHES[0] == 9);
constexpr int BRUSH_STEP_DIGIT = 7;

// Entered digits by their colour index: Blue, Red, Green, Purple.
constexpr uint32_t NUMBER_COLOURS[] = {0xFF0000, 0x0000FF, 0x00BF00, 0xB000B0};
static_assert(sizeof NUMBER_COLOURS / sizeof NUMBER_COLOURS[0] == 4);

// Chains by their slot in the display list, mod 10; a second round is darker.
constexpr uint32_t CHAIN_COLOURS[] = {0x0000FF, 0xFF0000, 0x00EF00, 0xFFCF00, 0xFF00FF,
                                      0x00CF7F, 0xFF0080, 0x0080FF, 0x80CF00, 0xC0C0C0};
static_assert(sizeof CHAIN_COLOURS / sizeof CHAIN_COLOURS[0] == 10);
constexpr uint32_t SECOND_ROUND_SHADE = 0xBFBFBF;

// The focus: cells in the cursor's units, cells holding the highlighted digit (and the square
// behind each of its marks), its mark digits, and the digit position under the pointer.
constexpr uint32_t UNIT_TINT = 0xF7F1EC;
constexpr uint32_t DIGIT_TINT = 0xF5DCC4;
constexpr uint32_t EMPHASIS_COLOUR = 0x000000;
constexpr uint32_t HOVER_SQUARE = 0xE6E6E6;
constexpr uint32_t HOVER_COLOUR = 0xA0A0A0;

constexpr uint32_t GIVEN_COLOUR = 0x000000;
constexpr uint32_t CANDIDATE_COLOUR = 0x606060;
constexpr uint32_t MARK_COLOUR = 0x800000;
constexpr uint32_t STEP_DIGIT_COLOUR = 0x0000FF;
// The outline of the cells an entry clashes with, inside each cell's interior.
constexpr uint32_t CLASH_COLOUR = 0x0000FF;
constexpr int CLASH_WIDTH = 2;

constexpr int DIGIT_WIDTH = 12, DIGIT_HEIGHT = 15;
constexpr int MARK_WIDTH = 7, MARK_HEIGHT = 7; // in a strip 8 rows high
constexpr int DIGIT_OFFSET_X = 7, DIGIT_OFFSET_Y = 5;

// The three strips as loaded: black ink on white.
QImage DigitStrip, MarkStrip, LabelStrip;
// Strips recoloured: ink in a colour, background white, keyed by strip and colour.
QHash<quint64, QImage> Coloured;

enum Strip { STRIP_DIGITS = 0, STRIP_MARKS = 1 };

const QImage& ColouredStrip(Strip strip, uint32_t bgr) {
    const quint64 key = quint64(strip) << 32 | bgr;
    auto found = Coloured.constFind(key);
    if (found != Coloured.constEnd()) return *found;
    QImage image = (strip == STRIP_DIGITS ? DigitStrip : MarkStrip).copy();
    const QRgb ink = ColourOf(bgr).rgb();
    for (int y = 0; y < image.height(); y++) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); x++)
            row[x] = qGray(row[x]) < 128 ? ink : qRgb(255, 255, 255);
    }
    return *Coloured.insert(key, image);
}

// Copies a width x height rectangle of a strip from (sx, sy) to (x, y) with a raster operation.
void BlitGlyph(QPainter& p, int x, int y, int width, int height, const QImage& strip, int sx,
               int sy, QPainter::CompositionMode op) {
    p.setCompositionMode(op);
    p.drawImage(QPoint(x, y), strip, QRect(sx, sy, width, height));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void FillCell(QPainter& p, int x, int y, int size, uint32_t bgr) {
    p.fillRect(QRect(x, y, size, size), ColourOf(bgr));
}

// A CLASH_WIDTH frame of the clash colour just inside the cell's interior.
void OutlineCell(QPainter& p, int cell) {
    const QColor c = ColourOf(CLASH_COLOUR);
    const int x = CellX(cell) + 1, y = CellY(cell) + 1, far = CELL_INSIDE - CLASH_WIDTH;
    p.fillRect(QRect(x, y, CELL_INSIDE, CLASH_WIDTH), c);
    p.fillRect(QRect(x, y + far, CELL_INSIDE, CLASH_WIDTH), c);
    p.fillRect(QRect(x, y, CLASH_WIDTH, CELL_INSIDE), c);
    p.fillRect(QRect(x + far, y, CLASH_WIDTH, CELL_INSIDE), c);
}

void DrawChain(const Session* S, QPainter& p, int k) {
    uint32_t colour = CHAIN_COLOURS[k % 10];
    if (k > 9) colour &= SECOND_ROUND_SHADE;
    const QColor c = ColourOf(colour);
    p.setPen(c);
    p.setBrush(c);
    const int n = S->A->ChainDisplayList.entries[k];
    if (n < 0 || n >= S->A->ChainCount) return;
    for (int i = S->A->ChainTable[n].first;
         i < S->A->ChainTable[n + 1].first && i < CHAIN_NODES_MAX; i++) {
        const ChainNode& node = S->A->ChainNodeTable[i];
        const int d = std::countr_zero(node.digits), cell = node.cell;
        if (d < 0 || d > 8 || cell < 0 || cell > 80) continue;
        const int x = DigitX(cell, d) - 1, y = DigitY(cell, d) - 1;
        if (node.colour == 1)
            p.drawEllipse(QRect(x + 1, y + 1, 7, 7)); // the outline is one pixel outside: 8 x 8
        else
            p.fillRect(QRect(x + 1, y + 1, 8, 8), c);
    }
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
}
} // namespace

QColor ColourOf(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int(bgr >> 8 & 0xFF), int(bgr >> 16 & 0xFF));
}

bool LoadBoardGlyphs() {
    if (!DigitStrip.isNull()) return true;
    auto load = [](const char* path, int width, int height, QImage* out) {
        QImage image(path);
        if (image.width() < width || image.height() < height) return false;
        *out = image.convertToFormat(QImage::Format_RGB32);
        return true;
    };
    return load(":/glyphs/digits.xpm", 9 * DIGIT_WIDTH, DIGIT_HEIGHT, &DigitStrip) &&
           load(":/glyphs/marks.xpm", 9 * MARK_WIDTH, MARK_HEIGHT, &MarkStrip) &&
           load(":/glyphs/labels.xpm", LABEL_COUNT * LABEL_WIDTH, LABEL_HEIGHT, &LabelStrip);
}

void PaintBoard(const Session* S, QPainter& p, const FocusMarks& focus) {
    LoadBoardGlyphs();
    p.setRenderHint(QPainter::Antialiasing, false);
    const AnalysisOptionsRecord& opt = S->AnalysisOptions;
    const uint8_t* digits = S->ShowSolution ? S->SolutionGrid : S->Board;
    // The step's marks as shown: a hint's first level keeps them back, all but wrong cells.
    const bool stepShown = StepMarksShown(S);
    uint16_t stepMarks[81];
    for (int cell = 0; cell < 81; cell++)
        stepMarks[cell] = stepShown || (S->A->StepMarks[cell] & MARK_KIND) == MARK_WRONG
                              ? S->A->StepMarks[cell]
                              : 0;

    // Grid: one-pixel lines, box lines two pixels, all across the board square.
    const int length = BOARD_LAST - BOARD_FIRST + 1;
    for (int i = 0; i < GRID.pixelCount; i++) {
        p.fillRect(QRect(GRID.pixel[i], BOARD_FIRST, 1, length), Qt::black);
        p.fillRect(QRect(BOARD_FIRST, GRID.pixel[i], length, 1), Qt::black);
    }

    // Cell backgrounds: the focus tints, then the step's kinds over them.
    for (int cell = 0; cell < 81; cell++) {
        const int kind = stepMarks[cell] >> 12;
        const int tint = CellHighlight(S, focus, cell);
        if (stepMarks[cell] && kind < 9)
            FillCell(p, CellX(cell) + 1, CellY(cell) + 1, CELL_INSIDE, CELL_BRUSHES[kind]);
        else if (tint != HIGHLIGHT_NONE)
            FillCell(p, CellX(cell) + 1, CellY(cell) + 1, CELL_INSIDE,
                     tint == HIGHLIGHT_DIGIT ? DIGIT_TINT : UNIT_TINT);
    }
    const int chains = stepShown ? S->A->ChainDisplayList.count : 0;
    for (int k = 0; k < chains && k < CHAIN_DISPLAY_MAX; k++) DrawChain(S, p, k);

    // Marks or computed candidates, as the analysis reads them.
    const DigitMask* marks = opt.showCandidates ? S->CandidateGrid : S->MarkGrid;
    const auto AND = QPainter::RasterOp_SourceAndDestination;
    for (int cell = 0; cell < 81; cell++) {
        const int ox = CellX(cell), oy = CellY(cell);
        const uint8_t byte = digits[cell];
        const int digit = byte & CELL_DIGIT;
        if (digit >= 1 && digit <= 9) {
            uint32_t colour = GIVEN_COLOUR;
            if (byte & CELL_ENTERED) {
                const int index = byte >> 4 & 7;
                colour = NUMBER_COLOURS[index < 4 ? index : 0]; // only four colours exist
            }
            BlitGlyph(p, ox + DIGIT_OFFSET_X, oy + DIGIT_OFFSET_Y, DIGIT_WIDTH, DIGIT_HEIGHT,
                      ColouredStrip(STRIP_DIGITS, colour), DIGIT_WIDTH * (digit - 1), 0, AND);
            continue;
        }
        if (byte != 0) continue;
        // The digit position under the pointer, on its key of the cell's keypad.
        const bool hover = cell == focus.hoverCell && focus.hoverDigit >= 0;
        if (hover && !(stepMarks[cell] >> focus.hoverDigit & 1))
            FillCell(p, DigitX(cell, focus.hoverDigit), DigitY(cell, focus.hoverDigit),
                     DIGIT_SQUARE, HOVER_SQUARE);
        if (opt.setupMode) {
            if (hover) // no marks while a puzzle is set up, only the digit a click writes
                BlitGlyph(p, DigitX(cell, focus.hoverDigit), DigitY(cell, focus.hoverDigit),
                          MARK_WIDTH, MARK_HEIGHT, ColouredStrip(STRIP_MARKS, HOVER_COLOUR),
                          MARK_WIDTH * focus.hoverDigit, 0, AND);
            continue;
        }
        // A hint on the computed candidates while none are shown: the step's own digits.
        const DigitMask cellMarks = marks[cell] ? marks[cell] : stepMarks[cell] & MARK_DIGITS;
        for (int d = 0; d < 9; d++) {
            const bool marked = cellMarks >> d & 1;
            if (!marked && !(hover && d == focus.hoverDigit)) continue;
            const int x = DigitX(cell, d), y = DigitY(cell, d);
            uint32_t colour = !marked              ? HOVER_COLOUR
                              : opt.showCandidates ? CANDIDATE_COLOUR
                                                   : MARK_COLOUR;
            // A digit of the step on its square, unless the chains themselves show it; else
            // the highlighted digit's marks stand out.
            if (marked && (stepMarks[cell] >> d & 1) && S->A->PendingStep != TECH_CHAINS) {
                FillCell(p, x, y, DIGIT_SQUARE, CELL_BRUSHES[BRUSH_STEP_DIGIT]);
                colour = STEP_DIGIT_COLOUR;
            } else if (marked && d + 1 == focus.highlightDigit) {
                if (!(hover && d == focus.hoverDigit)) FillCell(p, x, y, DIGIT_SQUARE, DIGIT_TINT);
                colour = EMPHASIS_COLOUR;
            }
            BlitGlyph(p, x, y, MARK_WIDTH, MARK_HEIGHT, ColouredStrip(STRIP_MARKS, colour),
                      MARK_WIDTH * d, 0, AND);
        }
    }

    // Technique labels: the techniques switched on white on black (XOR onto the white
    // background), the others black; Z, which asks for every chain, is never inverted.
    if (opt.techniques & TECH_ANALYSIS) {
        for (int i = 0; i < LABEL_COUNT; i++) {
            const bool on = i < 5 && (opt.techniques & (TECH_SUBSETS << i));
            BlitGlyph(p, LabelX(i), LABEL_Y, LABEL_WIDTH, LABEL_HEIGHT, LabelStrip, LABEL_WIDTH * i,
                      0, on ? QPainter::RasterOp_SourceXorDestination : AND);
        }
    }

    // An entry refused for a clash: its cell and the peers holding its digit, while the box
    // that says so stands.
    for (int i = 0; i < S->Clash.count && i < int(sizeof S->Clash.cells); i++)
        if (S->Clash.cells[i] <= 80) OutlineCell(p, S->Clash.cells[i]);
}

QImage RenderBoard(const Session* S, const FocusMarks& focus) {
    QImage picture(BOARD_PICTURE_WIDTH, BOARD_PICTURE_HEIGHT, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    PaintBoard(S, painter, focus);
    return picture;
}

QImage ScaleCrisp(const QImage& picture, int factor) {
    if (factor <= 1) return picture;
    return picture.scaled(picture.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
