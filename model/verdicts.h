// Judging the position: the uniqueness check and its verdicts, the session refresh that a new
// puzzle runs, the game clock, and the "Solution" and "Wrong Values" displays.
#pragma once
#include <cstdint>

// String-table ids of the verdicts (100: valid and unique, no text).
constexpr int STR_PROGRAM = 1;
constexpr int VERDICT_UNIQUE = 100;
constexpr int VERDICT_NO_SOLUTION = 101;
constexpr int VERDICT_INVALID_POSITION = 102;
constexpr int VERDICT_SOLVED = 103;
constexpr int VERDICT_INVALID_VALUE = 105;
constexpr int VERDICT_SEVERAL = 106;

// RefreshSession bits, performed in the order check, marks, clock.
constexpr int REFRESH_MARKS = 2;
constexpr int REFRESH_CHECK = 8;
constexpr int REFRESH_CLOCK = 16;

extern uint32_t GameClock; // seconds since the clock was last started
extern int ShowSolution;   // 1: the board shows the SolutionGrid

// Text of a string-table id ("" for an unknown id).
const char* StringText(int id);

// Returns 100, 101, 102 or 106; fills SolutionGrid (bit 7 on solved cells when unique).
int CheckPosition();

// Shows the verdict's text in a message box captioned with the program name.
void ShowVerdict(int id);

void RefreshSession(int mask);
void StartClock();
void StopClock();
// One tick of the clock: GameClock += 1 and pane 1 shows "%3d:%02d".
void ClockTick();

// Command 141 "Solution" and command 142 "Wrong Values".
void ShowSolutionCommand();
void ToggleWrongValues();

void ResetVerdictsModule();
