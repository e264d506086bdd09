// Digit-first entry: the player chooses a digit (the row of digit buttons, Shift+1..9), then
// each tap on an empty cell writes it there — or, in pencil-mark mode, toggles it as a mark —
// wherever in the cell the tap lands. Taps on filled cells keep their usual meaning.
#pragma once

struct Session;

// Chooses digit 1..9; the digit already chosen (or 0) clears the choice. Redraws the buttons
// through the board's redraw.
void ChooseDigit(Session* S, int digit);
// How many times digit 1..9 still has to be placed: 9 less the cells holding it (0 and up).
int DigitsLeft(const Session* S, int digit);
// A tap released on cell with a digit chosen: 1 when the chosen digit acted on the cell (or
// was refused there), 0 when the tap goes the usual way (no digit chosen, the solution shown,
// not an empty cell, off the cells).
int TapChosenDigit(Session* S, int cell);
