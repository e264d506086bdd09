// PaintBoard and its glyph copies. Colour tables are 0xBBGGRR words; a glyph is copied like a
// monochrome bitmap onto a colour surface: ink in the current text colour, background white,
// combined with the destination by AND (SRCAND) or XOR (SRCINVERT), while cell highlights are
// plain fills (PATCOPY). The glyph images are coloured once per colour and kept.
#include "display/paint.h"
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "control/taps.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <QHash>

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

constexpr uint32_t GIVEN_COLOUR = 0x000000;
constexpr uint32_t CANDIDATE_COLOUR = 0x606060;
constexpr uint32_t MARK_COLOUR = 0x800000;
constexpr uint32_t STEP_DIGIT_COLOUR = 0x0000FF;

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

void DrawChain(QPainter& p, int k) {
    uint32_t colour = CHAIN_COLOURS[k % 10];
    if (k > 9) colour &= SECOND_ROUND_SHADE;
    const QColor c = ColourOf(colour);
    p.setPen(c);
    p.setBrush(c);
    const int n = ChainDisplayList.entries[k];
    if (n < 0 || n >= ChainCount) return;
    for (int i = ChainTable[n].first; i < ChainTable[n + 1].first && i < CHAIN_NODES_MAX; i++) {
        const ChainNode& node = ChainNodeTable[i];
        const int d = LowestBitIndex(node.digits), cell = node.cell;
        if (d < 0 || d > 8 || cell < 0 || cell > 80) continue;
        const int x = GridLines[cell % 9] + DIGIT_SQUARE * (d % 3);
        const int y = GridLines[cell / 9] + DIGIT_SQUARE * (d / 3);
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

void PaintBoard(QPainter& p) {
    LoadBoardGlyphs();
    p.setRenderHint(QPainter::Antialiasing, false);
    const AnalysisOptionsRecord& opt = AnalysisOptions;
    const uint8_t* digits = ShowSolution ? SolutionGrid : Board;

    // Grid: one-pixel lines, box lines two pixels, all across the board square.
    int lines[16];
    const int count = LayOutGrid(lines);
    const int length = BOARD_LAST - BOARD_FIRST + 1;
    for (int i = 0; i < count; i++) {
        p.fillRect(QRect(lines[i], BOARD_FIRST, 1, length), Qt::black);
        p.fillRect(QRect(BOARD_FIRST, lines[i], length, 1), Qt::black);
    }

    // Marks or computed candidates; the analysis reads the same grid.
    if (opt.showCandidates) ComputeCandidates();
    const DigitMask* marks = opt.showCandidates ? CandidateGrid : MarkGrid;

    ChainDisplayList.count = 0;
    if (!ShowSolution) PendingStep = RunAnalysis();

    for (int cell = 0; cell < 81; cell++) {
        const int kind = StepMarks[cell] >> 12;
        if (StepMarks[cell] && kind < 9)
            FillCell(p, GridLines[cell % 9] + 1, GridLines[cell / 9] + 1, 24, CELL_BRUSHES[kind]);
    }
    for (int k = 0; k < ChainDisplayList.count && k < CHAIN_DISPLAY_MAX; k++) DrawChain(p, k);

    const auto AND = QPainter::RasterOp_SourceAndDestination;
    for (int cell = 0; cell < 81; cell++) {
        const int ox = GridLines[cell % 9], oy = GridLines[cell / 9];
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
        } else if (byte == 0 && !opt.setupMode) {
            for (int d = 0; d < 9; d++) {
                if (!(marks[cell] >> d & 1)) continue;
                int x, y;
                DigitPosition(cell, d, &x, &y);
                uint32_t colour = opt.showCandidates ? CANDIDATE_COLOUR : MARK_COLOUR;
                // A digit of the step on its square, unless the chains themselves show it.
                if ((StepMarks[cell] >> d & 1) && PendingStep != TECH_CHAINS) {
                    FillCell(p, x, y, DIGIT_SQUARE, CELL_BRUSHES[BRUSH_STEP_DIGIT]);
                    colour = STEP_DIGIT_COLOUR;
                }
                BlitGlyph(p, x, y, MARK_WIDTH, MARK_HEIGHT, ColouredStrip(STRIP_MARKS, colour),
                          MARK_WIDTH * d, 0, AND);
            }
        }
    }

    // Technique labels: the techniques switched on white on black (XOR onto the white
    // background), the others black; Z, which asks for every chain, is never inverted.
    if (opt.techniques & TECH_ANALYSIS) {
        for (int i = 0; i < LABEL_COUNT; i++) {
            const bool on = i < 5 && (opt.techniques & (TECH_SUBSETS << i));
            BlitGlyph(p, LabelX(i), GridLines[9] + 2, LABEL_WIDTH, LABEL_HEIGHT, LabelStrip,
                      LABEL_WIDTH * i, 0, on ? QPainter::RasterOp_SourceXorDestination : AND);
        }
    }
}

QImage RenderBoard() {
    QImage picture(BOARD_PICTURE_WIDTH, BOARD_PICTURE_HEIGHT, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    PaintBoard(painter);
    return picture;
}

QImage ScaleCrisp(const QImage& picture, int factor) {
    if (factor <= 1) return picture;
    return picture.scaled(picture.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
