// The board for screen readers: a table of 81 cells through Qt's accessibility interfaces, each
// cell telling its row, column, value (given or entered) and pencil marks; the keyboard cursor
// is the focused cell, and every change of a cell raises the events a reader announces.
#pragma once
#include <QString>

struct Session;
class QWidget;

// Makes Qt build the board's interface for every BoardWidget (once per program).
void InstallBoardAccessibility();
// What a reader says for a cell: "row 3, column 5, empty, marks 2 4 7", "row 1, column 2,
// given 4", "row 9, column 9, 7".
QString CellDescription(const Session* S, int cell);
// After a paint of board: raises a focus event when the cursor moved to another cell, and a
// name change (with "7 entered", "7 removed" or "marks 2 4" as the cell's description) for
// every cell whose digit or marks changed since the last call.
void AnnounceBoardChanges(const Session* S, QWidget* board);
