// The board's colours as one record: the light palette the board has always had, and a dark one
// for dark desktops. The painter takes a palette; everything else about the drawing is shared.
// Colours are 0xBBGGRR words (blue in the high byte), as everywhere in the display.
#pragma once
#include "files/settings.h"
#include <cstdint>

// How glyphs meet the board: the light palette ANDs black-on-white glyphs into the background
// (ink takes the text colour, mixed with a highlight under it); a dark background would swallow
// that, so the dark palette lays the ink over the background instead.
constexpr int INK_AND = 0;
constexpr int INK_OVER = 1;

constexpr int PALETTE_BRUSHES = 9; // cell backgrounds by step-mark kind (8: wrong entry)
constexpr int PALETTE_NUMBERS = 4; // Blue, Red, Green, Purple
constexpr int PALETTE_CHAINS = 10;

struct BoardPalette {
    int ink;             // INK_AND or INK_OVER
    uint32_t background; // the board's paper
    uint32_t gridLine;
    uint32_t cellBrushes[PALETTE_BRUSHES];
    uint32_t numberColours[PALETTE_NUMBERS];
    uint32_t chainColours[PALETTE_CHAINS];
    uint32_t secondRoundShade; // AND-ed into a chain colour from slot 10 on
    uint32_t chainInk;         // mark digits over a chain node (INK_OVER only)
    uint32_t unitTint;         // the cursor's row, column and box
    uint32_t digitTint;        // cells holding the highlighted digit
    uint32_t emphasis;         // marks of the highlighted digit
    uint32_t hoverSquare;      // the digit position under the pointer
    uint32_t hoverColour;      // the digit a click there would write
    uint32_t given;
    uint32_t candidate;
    uint32_t mark;
    uint32_t stepDigit; // a step's digit, on cellBrushes[7]
    uint32_t label;     // technique labels (an inverted label: background on this)
    uint32_t wrongMark; // the bar under a wrong entry, on cellBrushes[8]
    uint32_t cover;     // the board while the game is paused
    uint32_t clash;     // the outline of an entry refused for a clash and the cells it meets
};

extern const BoardPalette LIGHT_PALETTE;
extern const BoardPalette DARK_PALETTE;

// The palette of a theme (THEME_ in files/settings.h); for THEME_SYSTEM, the dark one when the
// desktop is dark.
const BoardPalette& PaletteFor(int theme, bool desktopDark);

// WCAG contrast ratio of two colours (1 to 21): how well text in one reads on the other.
double ContrastRatio(uint32_t bgr1, uint32_t bgr2);
// Whether a window colour is dark: its relative luminance below that of middle grey.
bool IsDarkColour(uint32_t bgr);
