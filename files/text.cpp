// The puzzle as text: FormatPuzzleText writes the Board in the layout and empty-cell style of
// blockFormat; ParsePuzzleText reads any text back into all 81 cells (it cannot fail).
// ReadPuzzleLine is the strict reader of one-line puzzles that the command lines share.
#include "files/text.h"
#include "model/board.h"
#include "model/game.h"
#include "model/options.h"
#include <cstdio>
#include <cstring>

static constexpr uint32_t LAYOUT_LINES = LAYOUT_9X9 | LAYOUT_3X3 | LAYOUT_RULED;
static constexpr uint32_t LAYOUT_BOXES = LAYOUT_3X3 | LAYOUT_RULED;

// Longest text: LAYOUT_RULED, 9 rows of 11 characters, 8 line ends and 2 rule lines with theirs.
static_assert(9 * 11 + 8 * 2 + 2 * (11 + 2) == 141);

void FormatPuzzleText(const Game* G, char* text) {
    const uint32_t format = G->AnalysisOptions.blockFormat;
    int n = 0;
    for (int i = 0; i < 81; i++) {
        if (i > 0 && (format & LAYOUT_LINES)) {
            if (i % 9 == 0) { // a new row
                text[n++] = '\r';
                text[n++] = '\n';
                if ((format & LAYOUT_BOXES) && i % 27 == 0) { // a new band
                    if (format & LAYOUT_RULED) {
                        std::memcpy(text + n, "---+---+---", 11);
                        n += 11;
                    }
                    text[n++] = '\r';
                    text[n++] = '\n';
                }
            } else if ((format & LAYOUT_BOXES) && i % 3 == 0) {
                text[n++] = (format & LAYOUT_RULED) ? '|' : ' ';
            }
        }
        int d = G->Board[i] & CELL_DIGIT;
        if (d != 0)
            text[n++] = char('0' + d);
        else if (format & EMPTY_NULLS)
            text[n++] = '0';
        else if (format & EMPTY_DOTS)
            text[n++] = '.';
        else
            text[n++] = '-';
    }
    text[n] = 0;
}

void ParsePuzzleText(Game* G, const char* text) {
    const bool dashes = G->AnalysisOptions.blockFormat & EMPTY_DASHES;
    int n = 0;
    for (const char* p = text; n < 81; p++) {
        char u = *p;
        if (u == 0) break; // the text ended: the remaining cells are emptied below
        if (u == '.' || (u == '-' && dashes))
            G->Board[n++] = 0;
        else if (u >= '0' && u <= '9')
            G->Board[n++] = uint8_t(u - '0');
        // anything else (blanks, bars, rules, line ends, letters) uses no cell
    }
    for (; n < 81; n++) G->Board[n] = 0;
}

int ReadPuzzleLine(const char* text, size_t length, uint8_t cells[81], char why[PUZZLE_WHY_SIZE]) {
    const size_t start = length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    size_t end = length;
    while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r'))
        end--;
    for (size_t i = start; i < end; i++) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c >= '0' && c <= '9') || c == '.' || c == '-') continue;
        if (c >= ' ' && c < 127)
            std::snprintf(why, PUZZLE_WHY_SIZE,
                          "character %zu is '%c', not a digit or '.', '0', '-'", i - start + 1, c);
        else
            std::snprintf(why, PUZZLE_WHY_SIZE,
                          "character %zu is byte 0x%02X, not a digit or '.', '0', '-'",
                          i - start + 1, c);
        return -1;
    }
    if (end - start != 81) {
        std::snprintf(why, PUZZLE_WHY_SIZE, "a puzzle has 81 characters, this one has %zu",
                      end - start);
        return -1;
    }
    for (int i = 0; i < 81; i++) {
        const char c = text[start + size_t(i)];
        cells[i] = c >= '1' && c <= '9' ? uint8_t(c - '0') : 0;
    }
    return int(start);
}
