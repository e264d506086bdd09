// Judging a position before a hint is offered: the verdict on the board (the words the
// uniqueness check uses), and whether the player's pencil marks can lead to a sound step. Also
// the first entry of the game that disagrees with the solution, and the jump back before it.
#pragma once
#include "model/board.h"
#include <cstddef>

struct Session;

// Results of CheckHintPosition besides the verdict ids of model/verdicts.h (VERDICT_UNIQUE: a
// hint can be given; VERDICT_INVALID_POSITION, VERDICT_NO_SOLUTION, VERDICT_SEVERAL,
// VERDICT_SOLVED).
constexpr int HINT_MARKS_LEAVE_OUT = 110; // an open cell's marks lack its solution digit
constexpr int HINT_MARKS_PLACED = 111;    // a mark repeats a digit its row, column or box has

// Checks the Board, then (marks not null) the marks of its open cells against the unique
// solution. Returns VERDICT_UNIQUE with an empty text when a hint can be given, else the
// result above and its words in out, e.g. "No Solution" or "your marks at r3c4 leave out a digit it needs".
// Leaves the Board, the SolutionGrid and the step record as they were.
int CheckHintPosition(Session* S, const DigitMask* marks, char* out, size_t size);

// The solution of the givens (the Board without its entries) into solution[]: VERDICT_UNIQUE,
// else the verdict on the givens (VERDICT_INVALID_POSITION, VERDICT_NO_SOLUTION,
// VERDICT_SEVERAL). Leaves the SolutionGrid as it was.
int SolveGivens(Session* S, uint8_t solution[81]);
// The index in MoveHistory of the first record played (below MovePos) whose digit differs from
// solution[], or -1 when every one agrees.
int FirstMistake(Session* S, const uint8_t solution[81]);

// Command "Back to First Mistake": takes back every record from the first mistake on in one
// step (BackTo); the later records stay for Redo and "Go to End". Returns
// 1 when it went back; 0 when no entry disagrees, -1 when the givens have no one solution: a
// message box then says so and nothing changes.
int BackToFirstMistake(Session* S);
