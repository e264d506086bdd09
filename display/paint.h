// Drawing the board: the grid, the digits of the position (or of the solution), marks or
// candidates, the analysis step's highlights and chains, wrong entries, the technique labels
// and the player's focus (highlighted digit, the cursor's units, the digit under the pointer),
// onto a QImage at the native size, in raster operations only (no font is ever used).
// Drawing only reads the game: the step shown is the control layer's (RefreshStep).
#pragma once
#include "control/focus.h"
#include "display/geometry.h"
#include "display/palette.h"
#include <QImage>
#include <QPainter>

struct Session;

// Loads the digit, mark and label bitmaps (once, from the program's resources); false when one
// is missing or has the wrong size.
bool LoadBoardGlyphs();

// Draws the whole board with the step shown and the focus marks on a painter over a native-size
// image filled with the palette's background, in the palette's colours; a paused game draws a
// covered board. The painter must paint on a QImage: the glyphs are combined with the raster
// operations.
void PaintBoard(const Session* S, QPainter& painter, const FocusMarks& focus = {},
                const BoardPalette& palette = LIGHT_PALETTE);

// A fresh native picture in the palette's background with the board painted on it.
QImage RenderBoard(const Session* S, const FocusMarks& focus = {},
                   const BoardPalette& palette = LIGHT_PALETTE);

// The picture scaled by a whole factor with no smoothing, every pixel a factor x factor square.
QImage ScaleCrisp(const QImage& picture, int factor);

// Colours are written 0xBBGGRR (blue in the high byte); this turns one into a QColor.
QColor ColourOf(uint32_t bgr);
