// The verdicts on the position and their texts, the game clock, and the "Solution" and "Wrong
// Values" displays. The check that finds a verdict is the session's (control/session.h).
#pragma once
#include <cstdint>

// String-table ids of the verdicts (100: valid and unique, no text).
constexpr int VERDICT_UNIQUE = 100;
constexpr int VERDICT_NO_SOLUTION = 101;
constexpr int VERDICT_INVALID_POSITION = 102;
constexpr int VERDICT_SOLVED = 103;
constexpr int VERDICT_INVALID_VALUE = 105;
constexpr int VERDICT_SEVERAL = 106;

extern uint32_t GameClock; // seconds since the clock was last started
extern int ShowSolution;   // 1: the board shows the SolutionGrid

// Text of a string-table id ("" for an unknown id).
const char* StringText(int id);

// Shows the verdict's text in a message box captioned with the program name.
void ShowVerdict(int id);

void StartClock();
void StopClock();
// One tick of the clock: GameClock += 1 and pane 1 shows "%3d:%02d".
void ClockTick();

// Command 141 "Solution" and command 142 "Wrong Values".
void ShowSolutionCommand();
void ToggleWrongValues();

void ResetVerdictsModule();
