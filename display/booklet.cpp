// The booklet: every board a square of vector lines and font text in a slot of the page, the
// caption and the puzzle's 81-character line beneath it (so a puzzle can be typed in again).
// Solutions are counted afresh here, one per puzzle, by the exact-cover counter.
#include "display/booklet.h"
#include "exactcover/count.h"
#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace {
// Columns and rows of the slots on a page, by puzzles to a page.
struct PageGrid {
    int perPage, columns, rows;
};
constexpr PageGrid PAGE_GRIDS[] = {
    {1, 1, 1}, // one large board
    {2, 1, 2}, // two above each other
    {4, 2, 2}, // four in a square
    {6, 2, 3}, // six in two columns
};

const PageGrid* GridFor(int perPage) {
    for (const PageGrid& g : PAGE_GRIDS)
        if (g.perPage == perPage) return &g;
    return nullptr;
}

constexpr double CAPTION_SHARE = 0.16; // of a slot's height, under its board
constexpr double THIN_LINE = 0.006;    // of the board's side
constexpr double BOX_LINE = 0.018;

QString PuzzleLine(const uint8_t* cells) {
    QString line(81, '.');
    for (int i = 0; i < 81; i++)
        if (cells[i] >= 1 && cells[i] <= 9) line[i] = QChar('0' + cells[i]);
    return line;
}
} // namespace

bool ValidPerPage(int perPage) {
    return GridFor(perPage) != nullptr;
}

int BookletPages(int count, int perPage, bool solutions) {
    if (!ValidPerPage(perPage) || count <= 0) return 0;
    const int pages = (count + perPage - 1) / perPage;
    return solutions ? 2 * pages : pages;
}

QRectF BookletSlot(QRectF page, int perPage, int slot) {
    const PageGrid* g = GridFor(perPage);
    if (!g || slot < 0 || slot >= perPage) return {};
    const double cellW = page.width() / g->columns, cellH = page.height() / g->rows;
    const int column = slot % g->columns, row = slot / g->columns;
    // The largest square that leaves room for the caption, centred in its share of the page.
    const double side = std::min(cellW, cellH * (1 - CAPTION_SHARE)) * 0.92;
    const double x = page.left() + column * cellW + (cellW - side) / 2;
    const double y = page.top() + row * cellH + (cellH * (1 - CAPTION_SHARE) - side) / 2;
    return QRectF(x, y, side, side);
}

void DrawPrintedBoard(QPainter& p, QRectF square, const uint8_t* cells, const uint8_t* solution) {
    const double side = square.width(), pitch = side / 9;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i <= 9; i++) {
        QPen pen(Qt::black, side * (i % 3 == 0 ? BOX_LINE : THIN_LINE));
        pen.setCapStyle(Qt::SquareCap);
        p.setPen(pen);
        const double at = i * pitch;
        p.drawLine(QPointF(square.left() + at, square.top()),
                   QPointF(square.left() + at, square.bottom()));
        p.drawLine(QPointF(square.left(), square.top() + at),
                   QPointF(square.right(), square.top() + at));
    }
    QFont given("DejaVu Sans");
    given.setPixelSize(std::max(1, int(pitch * 0.62)));
    given.setBold(solution != nullptr);
    QFont filled = given;
    filled.setBold(false);
    p.setPen(Qt::black);
    for (int cell = 0; cell < 81; cell++) {
        int digit = cells[cell];
        const bool isGiven = digit >= 1 && digit <= 9;
        if (!isGiven && solution) digit = solution[cell] & 0x0F;
        if (digit < 1 || digit > 9) continue;
        p.setFont(isGiven ? given : filled);
        p.setPen(isGiven ? Qt::black : QColor(0x40, 0x40, 0x40));
        const QRectF box(square.left() + cell % 9 * pitch, square.top() + cell / 9 * pitch, pitch,
                         pitch);
        p.drawText(box, Qt::AlignCenter, QString(QChar('0' + digit)));
    }
    p.restore();
}

int PaintBooklet(QPagedPaintDevice* device, const std::vector<PrintedPuzzle>& puzzles, int perPage,
                 bool solutions) {
    const int pages = BookletPages(int(puzzles.size()), perPage, solutions);
    if (pages == 0) return 0;
    QPainter p;
    if (!p.begin(device)) return 0;
    const QRectF page(0, 0, device->width(), device->height());
    const int puzzlePages = solutions ? pages / 2 : pages;
    for (int n = 0; n < pages; n++) {
        if (n > 0) device->newPage();
        const bool solutionPage = n >= puzzlePages;
        const int first = (solutionPage ? n - puzzlePages : n) * perPage;
        for (int slot = 0; slot < perPage && first + slot < int(puzzles.size()); slot++) {
            const PrintedPuzzle& puzzle = puzzles[size_t(first + slot)];
            const QRectF square = BookletSlot(page, perPage, slot);
            uint8_t solution[81] = {};
            const bool solved = solutionPage && CountSolutions(puzzle.cells, 2, solution) == 1;
            DrawPrintedBoard(p, square, puzzle.cells, solved ? solution : nullptr);
            // The caption, then the puzzle as one line of text in a smaller fixed-width font.
            const double pitch = square.width() / 9;
            QFont caption("DejaVu Sans");
            caption.setPixelSize(std::max(1, int(pitch * 0.36)));
            p.setFont(caption);
            p.setPen(Qt::black);
            const QString title = solutionPage ? "Solution " + puzzle.caption : puzzle.caption;
            const QRectF under(square.left(), square.bottom() + pitch * 0.15, square.width(),
                               pitch * 0.5);
            p.drawText(under, Qt::AlignLeft | Qt::AlignVCenter, title);
            QFont mono("DejaVu Sans Mono");
            // The 81 characters fit the board's width.
            mono.setPixelSize(std::max(1, int(square.width() / 81 / 0.602)));
            p.setFont(mono);
            p.drawText(under.translated(0, pitch * 0.5), Qt::AlignLeft | Qt::AlignVCenter,
                       PuzzleLine(puzzle.cells));
        }
    }
    p.end();
    return pages;
}
