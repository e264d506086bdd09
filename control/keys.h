// Keyboard play: a cursor cell (Focus.cursorCell) moved with the arrow keys, on which the digit
// keys act as taps on that digit's position and Delete as a tap on the cell's entered digit.
#pragma once

struct Session;

constexpr int KEY_LEFT = 1;
constexpr int KEY_RIGHT = 2;
constexpr int KEY_UP = 3;
constexpr int KEY_DOWN = 4;
constexpr int KEY_DELETE = 5; // Delete or Backspace
constexpr int KEY_ESCAPE = 6;

// A key of the family above: 1 when it was used, 0 when it means nothing now.
int PressKey(Session* S, int key);
// A typed character: with the cursor shown, '1'..'9' act on the cursor cell; every other
// character (and every character without the cursor) selects a chain for display.
void TypeKey(Session* S, int c);
