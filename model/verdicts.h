// The verdicts on the position and their texts, the game clock, and the "Solution" and "Wrong
// Values" displays. The check that finds a verdict is the session's (control/session.h).
#pragma once
#include <cstdint>

struct Game;

// String-table ids of the verdicts (100: valid and unique, no text).
constexpr int VERDICT_UNIQUE = 100;
constexpr int VERDICT_NO_SOLUTION = 101;
constexpr int VERDICT_INVALID_POSITION = 102;
constexpr int VERDICT_SOLVED = 103;
constexpr int VERDICT_INVALID_VALUE = 105;
constexpr int VERDICT_SEVERAL = 106;

// Text of a string-table id ("" for an unknown id).
const char* StringText(int id);

// Shows the verdict's text in a message box captioned with the program name.
// A solved verdict adds the game's VerdictNote, if any, on a line of its own.
void ShowVerdict(const Game* G, int id);

void StartClock(Game* G);
void StopClock(const Game* G);
// One tick of the clock: GameClock += 1 and pane 1 shows "%3d:%02d".
void ClockTick(Game* G);

// Command 141 "Solution" and command 142 "Wrong Values".
void ShowSolutionCommand(Game* G);
void ToggleWrongValues(Game* G);
