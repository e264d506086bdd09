// Drawing the board: the grid, the digits of the position (or of the solution), marks or
// candidates, the analysis step's highlights and chains, wrong entries and the technique labels,
// onto a QImage at the native size, in raster operations only (no font is ever used).
#pragma once
#include <QImage>
#include <QPainter>

// The native picture: the board square 5..234 and the label strip under it.
constexpr int BOARD_PICTURE_WIDTH = 240;
constexpr int BOARD_PICTURE_HEIGHT = 248;

// Loads the digit, mark and label bitmaps (once, from the program's resources); false when one
// is missing or has the wrong size.
bool LoadBoardGlyphs();

// Draws the whole board on a painter over a white native-size image, running the analysis
// first (so PendingStep, the step marks and the chains belong to the position drawn). The
// painter must paint on a QImage: the glyphs are combined with the raster operations.
void PaintBoard(QPainter& painter);

// A fresh white native picture with the board painted on it.
QImage RenderBoard();

// The picture scaled by a whole factor with no smoothing, every pixel a factor x factor square.
QImage ScaleCrisp(const QImage& picture, int factor);

// Colours are written 0xBBGGRR (blue in the high byte); this turns one into a QColor.
QColor ColourOf(uint32_t bgr);
