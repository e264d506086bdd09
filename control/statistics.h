// Recording the games played: a watcher of the position that notes a puzzle's first entry and
// its completion (level, playing time, date) in the statistics file, and whether "Solution", a
// hint or the step button helped on the way; the "Puzzle Solved" box then tells the time and
// whether it is a best.
#pragma once
#include <cstdint>

struct Session;

// The game in play as the statistics see it (kept in the session).
struct PlayRecord {
    bool watching = false; // StartStatistics ran
    bool known = false;    // puzzle below is set
    uint32_t puzzle = 0;   // PuzzleKey of the givens
    bool recorded = false; // its first entry is in the file
    bool finished = false; // solved (or full when first seen): nothing more is recorded
    bool helped = false;
};

// Starts watching S's position (the window does, once); the statistics file is read and written
// from then on.
void StartStatistics(Session* S);
// Before command id runs: "Solution", "Hint" and the step button mark the game as helped.
void NoteHelp(Session* S, int id);
// The level a puzzle of 81 givens rates at: LEVEL_VERY_EASY .. LEVEL_FIENDISH, or
// STATISTICS_UNRATED when logic alone cannot solve it.
int RateGivens(const uint8_t* givens);
// "12:34" (or "1:02:03") for a number of seconds, into text (at least 16 bytes).
void FormatPlayTime(int seconds, char* text);
