// The two board palettes. The light one holds the colours the board has always been drawn in,
// so a light picture is the same to the byte; the dark one is chosen so that every text colour
// reads on every background it can meet at a contrast of at least 4.5 (tests/display_test.cpp
// checks it), its highlights kept dark so light digits stay readable over them.
#include "display/palette.h"
#include <algorithm>
#include <cmath>

namespace {
// The dark palette is written 0xRRGGBB, as colour pickers show it, and turned round here.
constexpr uint32_t Rgb(uint32_t rgb) {
    return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
}

double Channel(uint32_t value) {
    const double c = double(value) / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(uint32_t bgr) {
    return 0.2126 * Channel(bgr & 0xFF) + 0.7152 * Channel(bgr >> 8 & 0xFF) +
           0.0722 * Channel(bgr >> 16 & 0xFF);
}
} // namespace

const BoardPalette LIGHT_PALETTE = {
    .ink = INK_AND,
    .background = 0xFFFFFF,
    .gridLine = 0x000000,
    .cellBrushes = {0xB0FFFF, 0xFFB0FF, 0xFFFFB0, 0xC0C0FF, 0xC0FFC0, 0x80B0FF, 0xFFC080, 0x80FFFF,
                    0x0000FF},
    .numberColours = {0xFF0000, 0x0000FF, 0x00BF00, 0xB000B0},
    .chainColours = {0x0000FF, 0xFF0000, 0x00EF00, 0xFFCF00, 0xFF00FF, 0x00CF7F, 0xFF0080, 0x0080FF,
                     0x80CF00, 0xC0C0C0},
    .secondRoundShade = 0xBFBFBF,
    .chainInk = 0x000000,
    .unitTint = 0xF7F1EC,
    .digitTint = 0xF5DCC4,
    .emphasis = 0x000000,
    .hoverSquare = 0xE6E6E6,
    .hoverColour = 0xA0A0A0,
    .given = 0x000000,
    .candidate = 0x606060,
    .mark = 0x800000,
    .stepDigit = 0x0000FF,
    .label = 0x800000,
    .wrongMark = 0x000000,
    .cover = 0xE8E8E8,
    .clash = 0x0000FF,
};

const BoardPalette DARK_PALETTE = {
    .ink = INK_OVER,
    .background = Rgb(0x1E1F22),
    .gridLine = Rgb(0x9A9EA6),
    .cellBrushes = {Rgb(0x1F4A4A), Rgb(0x4A2450), Rgb(0x1F3660), Rgb(0x5A2E2E), Rgb(0x2A4A2A),
                    Rgb(0x5A3A1A), Rgb(0x203A5A), Rgb(0x463A10), Rgb(0x6A1A1A)},
    .numberColours = {Rgb(0x8AB8FF), Rgb(0xFF9A90), Rgb(0x86E09A), Rgb(0xDDAEFF)},
    .chainColours = {Rgb(0xFF7A7A), Rgb(0x6FA8FF), Rgb(0x5FD35F), Rgb(0x4DC9FF), Rgb(0xE07AE0),
                     Rgb(0xB0D04F), Rgb(0xC08AFF), Rgb(0xFFA050), Rgb(0x50D0A8), Rgb(0xC0C0C0)},
    .secondRoundShade = 0xDFDFDF,
    .chainInk = Rgb(0x101010),
    .unitTint = Rgb(0x26292E),
    .digitTint = Rgb(0x2F3F55),
    .emphasis = Rgb(0xFFFFFF),
    .hoverSquare = Rgb(0x3A3D42),
    .hoverColour = Rgb(0xB8B8B8),
    .given = Rgb(0xECECEC),
    .candidate = Rgb(0xC4C4C4),
    .mark = Rgb(0xA8C8FF),
    .stepDigit = Rgb(0xFFD0A0),
    .label = Rgb(0xA8C8FF),
    .wrongMark = Rgb(0xFFFFFF),
    .cover = Rgb(0x2B2D31),
    .clash = Rgb(0xFF6A6A),
};

const BoardPalette& PaletteFor(int theme, bool desktopDark) {
    if (theme == THEME_DARK || (theme == THEME_SYSTEM && desktopDark)) return DARK_PALETTE;
    return LIGHT_PALETTE;
}

double ContrastRatio(uint32_t bgr1, uint32_t bgr2) {
    const double a = Luminance(bgr1), b = Luminance(bgr2);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

bool IsDarkColour(uint32_t bgr) {
    return Luminance(bgr) < Luminance(0x808080);
}
