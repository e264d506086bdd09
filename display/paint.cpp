// PaintBoard and its glyph copies. Colour tables are 0xBBGGRR words; a glyph is copied like a
// monochrome bitmap onto a colour surface: ink in the current text colour, background white,
// combined with the destination by AND (SRCAND) or XOR (SRCINVERT), while cell highlights are
// plain fills (PATCOPY). The glyph images are coloured once per colour and kept.
#include "display/paint.h"
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
constexpr int BRUSH_STEP_DIGIT = 7;
constexpr int BRUSH_WRONG = 8;
// The outline of the cells an entry clashes with, inside each cell's interior.
constexpr int CLASH_WIDTH = 2;

constexpr int DIGIT_WIDTH = 12, DIGIT_HEIGHT = 15;
constexpr int MARK_WIDTH = 7, MARK_HEIGHT = 7; // in a strip 8 rows high
constexpr int DIGIT_OFFSET_X = 7, DIGIT_OFFSET_Y = 5;
// The bar under a wrong entry: two pixels high, below the digit's glyph.
constexpr int WRONG_BAR_X = 6, WRONG_BAR_Y = 21, WRONG_BAR_WIDTH = 14;

// The three strips as loaded: black ink on white.
QImage DigitStrip, MarkStrip, LabelStrip;
// Strips recoloured: ink in a colour, background white (INK_AND) or transparent (INK_OVER),
// keyed by strip, ink mode and colour.
QHash<quint64, QImage> Coloured;

enum Strip { STRIP_DIGITS = 0, STRIP_MARKS = 1, STRIP_LABELS = 2 };

const QImage& ColouredStrip(Strip strip, uint32_t bgr, int ink = INK_AND) {
    const quint64 key = quint64(strip) << 34 | quint64(ink) << 32 | bgr;
    auto found = Coloured.constFind(key);
    if (found != Coloured.constEnd()) return *found;
    const QImage& source = strip == STRIP_DIGITS  ? DigitStrip
                           : strip == STRIP_MARKS ? MarkStrip
                                                  : LabelStrip;
    QImage image = source.convertToFormat(ink == INK_AND ? QImage::Format_RGB32
                                                         : QImage::Format_ARGB32_Premultiplied);
    const QRgb colour = ColourOf(bgr).rgb();
    const QRgb paper = ink == INK_AND ? qRgb(255, 255, 255) : qRgba(0, 0, 0, 0);
    for (int y = 0; y < image.height(); y++) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); x++) row[x] = qGray(row[x]) < 128 ? colour : paper;
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

// A CLASH_WIDTH frame of the palette's clash colour just inside the cell's interior.
void OutlineCell(QPainter& p, int cell, const BoardPalette& palette) {
    const QColor c = ColourOf(palette.clash);
    const int x = CellX(cell) + 1, y = CellY(cell) + 1, far = CELL_INSIDE - CLASH_WIDTH;
    p.fillRect(QRect(x, y, CELL_INSIDE, CLASH_WIDTH), c);
    p.fillRect(QRect(x, y + far, CELL_INSIDE, CLASH_WIDTH), c);
    p.fillRect(QRect(x, y, CLASH_WIDTH, CELL_INSIDE), c);
    p.fillRect(QRect(x + far, y, CLASH_WIDTH, CELL_INSIDE), c);
}

// Draws a chain node of the step's drawing over its candidate in its slot's colour: a filled
// square for colour 0, an outlined circle for colour 1; its bit goes into nodes.
void DrawNode(QPainter& p, const DrawnNode& node, const BoardPalette& palette, uint16_t* nodes) {
    uint32_t colour = palette.chainColours[node.slot % 10];
    if (node.slot > 9) colour &= palette.secondRoundShade;
    const QColor c = ColourOf(colour);
    p.setPen(c);
    p.setBrush(c);
    const int x = DigitX(node.cell, node.digit) - 1, y = DigitY(node.cell, node.digit) - 1;
    nodes[node.cell] |= uint16_t(1 << node.digit);
    if (node.colour == 1)
        p.drawEllipse(QRect(x + 1, y + 1, 7, 7)); // the outline is one pixel outside: 8 x 8
    else
        p.fillRect(QRect(x + 1, y + 1, 8, 8), c);
}

// Copies glyph n (0-based) of a strip in a colour: ANDed in, or laid over, as the palette
// inks; bold draws it a second time one pixel to the right.
void DrawGlyph(QPainter& p, const BoardPalette& palette, Strip strip, int n, int x, int y,
               uint32_t colour, bool bold = false) {
    const int width = strip == STRIP_DIGITS ? DIGIT_WIDTH : MARK_WIDTH;
    const int height = strip == STRIP_DIGITS ? DIGIT_HEIGHT : MARK_HEIGHT;
    const auto op = palette.ink == INK_AND ? QPainter::RasterOp_SourceAndDestination
                                           : QPainter::CompositionMode_SourceOver;
    const QImage& image = ColouredStrip(strip, colour, palette.ink);
    for (int pass = 0; pass <= int(bold); pass++)
        BlitGlyph(p, x + pass, y, width, height, image, width * n, 0, op);
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

void PaintBoard(const Session* S, QPainter& p, const FocusMarks& focus,
                const BoardPalette& palette) {
    LoadBoardGlyphs();
    p.setRenderHint(QPainter::Antialiasing, false);
    const AnalysisOptionsRecord& opt = S->AnalysisOptions;
    const int length = BOARD_LAST - BOARD_FIRST + 1;
    // Paused: the board is covered, only its frame shows, so nothing can be studied meanwhile.
    if (S->Paused) {
        const QColor line = ColourOf(palette.gridLine);
        p.fillRect(QRect(BOARD_FIRST, BOARD_FIRST, length, length), line);
        p.fillRect(QRect(BOARD_FIRST + 2, BOARD_FIRST + 2, length - 4, length - 4),
                   ColourOf(palette.cover));
        return;
    }
    const uint8_t* digits = S->ShowSolution ? S->SolutionGrid : S->Board;
    // The step's marks as shown: a hint's first level keeps them back, all but wrong cells.
    const bool stepShown = StepMarksShown(S);
    const StepDrawing& drawing = S->Drawing;
    uint16_t stepMarks[81];
    for (int cell = 0; cell < 81; cell++)
        stepMarks[cell] =
            stepShown || (drawing.marks[cell] & MARK_KIND) == MARK_WRONG ? drawing.marks[cell] : 0;

    // Grid: one-pixel lines, box lines two pixels, all across the board square.
    const QColor line = ColourOf(palette.gridLine);
    for (int i = 0; i < GRID.pixelCount; i++) {
        p.fillRect(QRect(GRID.pixel[i], BOARD_FIRST, 1, length), line);
        p.fillRect(QRect(BOARD_FIRST, GRID.pixel[i], length, 1), line);
    }

    // Cell backgrounds: the focus tints, then the step's kinds over them.
    for (int cell = 0; cell < 81; cell++) {
        const int kind = stepMarks[cell] >> 12;
        const int tint = CellHighlight(S, focus, cell);
        if (stepMarks[cell] && kind < PALETTE_BRUSHES)
            FillCell(p, CellX(cell) + 1, CellY(cell) + 1, CELL_INSIDE, palette.cellBrushes[kind]);
        else if (tint != HIGHLIGHT_NONE)
            FillCell(p, CellX(cell) + 1, CellY(cell) + 1, CELL_INSIDE,
                     tint == HIGHLIGHT_DIGIT ? palette.digitTint : palette.unitTint);
    }
    uint16_t chainNodes[81] = {}; // the candidates the chains drew over
    const int nodes = stepShown ? drawing.nodeCount : 0;
    for (int i = 0; i < nodes && i < DRAWN_NODES_MAX; i++)
        DrawNode(p, drawing.nodes[i], palette, chainNodes);
    if (nodes > 0) {
        p.setPen(ColourOf(palette.gridLine));
        p.setBrush(ColourOf(palette.background));
    }

    // Marks or computed candidates, as the analysis reads them.
    const DigitMask* marks = opt.showCandidates ? S->CandidateGrid : S->MarkGrid;
    for (int cell = 0; cell < 81; cell++) {
        const int ox = CellX(cell), oy = CellY(cell);
        const uint8_t byte = digits[cell];
        const int digit = byte & CELL_DIGIT;
        if (digit >= 1 && digit <= 9) {
            uint32_t colour = palette.given;
            if (byte & CELL_ENTERED) {
                const int index = byte >> 4 & 7;
                colour = palette.numberColours[index < PALETTE_NUMBERS ? index : 0];
            }
            // The highlighted digit is bolder, not only on a tint; a wrong entry is underlined,
            // not only red: neither is told by colour alone.
            DrawGlyph(p, palette, STRIP_DIGITS, digit - 1, ox + DIGIT_OFFSET_X, oy + DIGIT_OFFSET_Y,
                      colour, digit == focus.highlightDigit);
            if (stepMarks[cell] >> 12 == BRUSH_WRONG)
                p.fillRect(QRect(ox + WRONG_BAR_X, oy + WRONG_BAR_Y, WRONG_BAR_WIDTH, 2),
                           ColourOf(palette.wrongMark));
            continue;
        }
        if (byte != 0) continue;
        // The digit position under the pointer, on its key of the cell's keypad.
        const bool hover = cell == focus.hoverCell && focus.hoverDigit >= 0;
        if (hover && !(stepMarks[cell] >> focus.hoverDigit & 1))
            FillCell(p, DigitX(cell, focus.hoverDigit), DigitY(cell, focus.hoverDigit),
                     DIGIT_SQUARE, palette.hoverSquare);
        if (opt.setupMode) {
            if (hover) // no marks while a puzzle is set up, only the digit a click writes
                DrawGlyph(p, palette, STRIP_MARKS, focus.hoverDigit, DigitX(cell, focus.hoverDigit),
                          DigitY(cell, focus.hoverDigit), palette.hoverColour);
            continue;
        }
        // A hint on the computed candidates while none are shown: the step's own digits.
        const DigitMask cellMarks = marks[cell] ? marks[cell] : stepMarks[cell] & MARK_DIGITS;
        for (int d = 0; d < 9; d++) {
            const bool marked = cellMarks >> d & 1;
            if (!marked && !(hover && d == focus.hoverDigit)) continue;
            const int x = DigitX(cell, d), y = DigitY(cell, d);
            uint32_t colour = !marked              ? palette.hoverColour
                              : opt.showCandidates ? palette.candidate
                                                   : palette.mark;
            bool bold = false;
            // A digit of the step on its square, unless the chains themselves show it; else
            // the highlighted digit's marks stand out.
            const bool square =
                drawing.squares == DRAW_SQUARES_ALL ||
                (drawing.squares == DRAW_SQUARES_OFF_NODES && !(chainNodes[cell] >> d & 1));
            if (marked && (stepMarks[cell] >> d & 1) && square) {
                FillCell(p, x, y, DIGIT_SQUARE, palette.cellBrushes[BRUSH_STEP_DIGIT]);
                colour = palette.stepDigit;
            } else if (marked && d + 1 == focus.highlightDigit) {
                if (!(hover && d == focus.hoverDigit))
                    FillCell(p, x, y, DIGIT_SQUARE, palette.digitTint);
                colour = palette.emphasis;
                bold = true;
            } else if (marked && palette.ink == INK_OVER && (chainNodes[cell] >> d & 1)) {
                colour = palette.chainInk; // laid over a bright node, light ink would vanish
            }
            DrawGlyph(p, palette, STRIP_MARKS, d, x, y, colour, bold);
        }
    }

    // Technique labels: the techniques switched on inverted, the others plain; Z, which asks
    // for every chain, is never inverted. In the light palette an inverted label is XOR-ed
    // onto the white background, white on black.
    if (opt.techniques & TECH_ANALYSIS) {
        for (int i = 0; i < LABEL_COUNT; i++) {
            const bool on = i < 5 && (opt.techniques & (TECH_SUBSETS << i));
            if (palette.ink == INK_AND) {
                BlitGlyph(p, LabelX(i), LABEL_Y, LABEL_WIDTH, LABEL_HEIGHT, LabelStrip,
                          LABEL_WIDTH * i, 0,
                          on ? QPainter::RasterOp_SourceXorDestination
                             : QPainter::RasterOp_SourceAndDestination);
                continue;
            }
            if (on)
                p.fillRect(QRect(LabelX(i), LABEL_Y, LABEL_WIDTH, LABEL_HEIGHT),
                           ColourOf(palette.label));
            BlitGlyph(
                p, LabelX(i), LABEL_Y, LABEL_WIDTH, LABEL_HEIGHT,
                ColouredStrip(STRIP_LABELS, on ? palette.background : palette.label, INK_OVER),
                LABEL_WIDTH * i, 0, QPainter::CompositionMode_SourceOver);
        }
    }

    // An entry refused for a clash: its cell and the peers holding its digit, while the box
    // that says so stands.
    for (int i = 0; i < S->Clash.count && i < int(sizeof S->Clash.cells); i++)
        if (S->Clash.cells[i] <= 80) OutlineCell(p, S->Clash.cells[i], palette);
}

QImage RenderBoard(const Session* S, const FocusMarks& focus, const BoardPalette& palette) {
    QImage picture(BOARD_PICTURE_WIDTH, BOARD_PICTURE_HEIGHT, QImage::Format_RGB32);
    picture.fill(ColourOf(palette.background));
    QPainter painter(&picture);
    PaintBoard(S, painter, focus, palette);
    return picture;
}

QImage ScaleCrisp(const QImage& picture, int factor) {
    if (factor <= 1) return picture;
    return picture.scaled(picture.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
