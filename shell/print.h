// Printing: "Print..." in the window (the current puzzle or a range of the open collection,
// through the system's print dialog, which can also write a PDF) and "quadrivo --pdf" without
// a display.
#pragma once
#include <QStringList>

struct Session;
class QWidget;

// "quadrivo --pdf OUT.pdf [--per-page N] [--solutions] FILE|PUZZLE...": every puzzle of the
// collections, saved games and 81-character puzzles named, as a PDF booklet. The exit status:
// 0 written, 1 the file could not be written, 2 bad input.
int RunPdfMode(const QStringList& arguments);

// The "Print..." command: asks what to print (the puzzle shown, or puzzles from..to of the open
// collection; per page; solutions), then runs the print dialog and prints.
void RunPrintDialog(Session* S, QWidget* parent);
