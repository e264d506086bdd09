// Where the player's attention is: the keyboard cursor, the cell and digit position under the
// mouse pointer, and what follows from them on the board: the digit a click would enter (drawn
// faintly), and the digit highlighted everywhere with the cursor's row, column and box.
#pragma once
#include "control/taps.h"

struct Session;

struct FocusRecord {
    int cursorCell = -1;     // the cell framed by the keyboard cursor, -1 while hidden
    int pointerCell = -1;    // the cell under the mouse pointer, -1 when none
    int pointerDigit = -1;   // the digit position under the pointer inside that cell, -1 none
    int highlightDigit = 1;  // option "Highlight Digit": the tints below are drawn
    int entryHint = 0;       // 1 from a first start until the first entry: say how entry works
    bool cursorLast = false; // the cursor moved since the pointer did: its digit is highlighted
};

// What the board draws over the game for the focus (a picture of the board may set its own).
struct FocusMarks {
    int highlightDigit = 0; // 1..9: cells holding it tinted, its marks emphasised; 0 none
    int unitCell = -1;      // its row, column and box get a fainter tint; -1 none
    int hoverCell = -1;     // a faint digit index hoverDigit where a click would enter it
    int hoverDigit = -1;
};

// How a cell is tinted.
constexpr int HIGHLIGHT_NONE = 0;
constexpr int HIGHLIGHT_UNIT = 1;  // in the row, column or box of the unit cell
constexpr int HIGHLIGHT_DIGIT = 2; // holds the highlighted digit

// The pointer moved onto a spot (BoardSpot{} when it left the board); asks for the repaint of
// what this changes: the cells of a faint digit, or the whole board for a new highlight.
void PointerAt(Session* S, BoardSpot spot);

// The digit index (0..8) a click at the pointer would enter, or in pencil-mark mode toggle,
// with its cell in *cell; -1 when a click there would do neither.
int HoverDigit(Session* S, int* cell);
// The digit 1..9 highlighted: the one under whichever of the pointer and the cursor moved last,
// else under the other; 0 for none (an empty cell, or highlighting off). Digits are those shown
// (the solution when shown).
int HighlightedDigit(Session* S);
// The focus marks of the moment: the highlight (while "Highlight Digit" is on: the digit above
// and the cursor cell's units) and the hover digit.
FocusMarks ShownFocus(Session* S);
// HIGHLIGHT_ kind of a cell under the marks; the digits are those shown.
int CellHighlight(const Session* S, const FocusMarks& marks, int cell);

// Command "Highlight Digit": highlighting on or off.
void ToggleHighlight(Session* S);
