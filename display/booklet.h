// Printed puzzles: boards drawn as vectors (lines and text in a font, crisp at any size) onto
// the pages of a printer or a PDF writer, 1, 2, 4 or 6 to a page, with the solutions after
// them if asked. The screen keeps its pixel-exact glyphs; paper gets this drawing.
#pragma once
#include <QRectF>
#include <QString>
#include <cstdint>
#include <vector>

class QPainter;
class QPagedPaintDevice;

struct PrintedPuzzle {
    uint8_t cells[81]; // givens 1..9, 0 empty
    QString caption;   // under the board: "3" or "set.txt #3"
};

// Puzzles to a page that a booklet accepts.
bool ValidPerPage(int perPage);
// Pages a booklet of count puzzles takes: the puzzles, then as many again for the solutions.
int BookletPages(int count, int perPage, bool solutions);
// Where board slot (0 .. perPage - 1) lies on a page of the given size: columns x rows of equal
// squares (1: 1x1, 2: 1x2, 4: 2x2, 6: 2x3), each with room for its caption below.
QRectF BookletSlot(QRectF page, int perPage, int slot);

// Draws one board into square: grid lines, digits as text; solution (may be null) fills the
// empty cells in a lighter weight, givens in bold.
void DrawPrintedBoard(QPainter& p, QRectF square, const uint8_t* cells, const uint8_t* solution);

// Paints the booklet onto device (a QPrinter or a QPdfWriter, its page size set): one page per
// perPage puzzles, each captioned with its text and its 81-character line, then the solutions
// pages if asked (a puzzle without a unique solution gets its board unfilled there). Returns
// the pages drawn, 0 when the painter could not start.
int PaintBooklet(QPagedPaintDevice* device, const std::vector<PrintedPuzzle>& puzzles, int perPage,
                 bool solutions);
