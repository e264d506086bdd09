// Games in progress: every game is written to the state folder as it is played, so that a game
// replaced by another (New, Create, Open, a paste, a file handed over, a recent game) or left
// when the program ends can be taken up again from "Recent Games" exactly as it was.
#pragma once
#include <cstdint>

struct Session;

// Commands of the "Recent Games" menu: entry k (0 the newest) is CMD_RECENT_FIRST + k.
constexpr int CMD_RECENT_FIRST = 210;
constexpr int CMD_RECENT_LAST = 229;

// After every input: writes the game when it changed since it was last written. Nothing is kept
// of a puzzle being set up, nor of a game the player has not yet touched (no move, no mark).
void KeepPlaying(Session* S);
// Before the game is replaced, and when the program ends: as KeepPlaying, and the clock is
// written too if it moved on since.
void KeepBeforeReplacing(Session* S);
// Entry k of "Recent Games" (0 the newest): the game kept there replaces the one in play (kept
// first), with its history, marks, clock and the file it came from. 1 done; 0 when there is no
// such entry or it cannot be read (a message box says so), and nothing changed.
int ReopenKeptGame(Session* S, int k);
// Start-up, after the settings file was read: when the newest kept game is the puzzle the
// settings left in play, the game goes on from it (the history, the marks at every point, the
// clock), so that nothing played after the settings were last written is lost. Announces
// nothing but the clock; 1 when taken up, 0 when the settings' game stands.
int ResumeKeptGame(Session* S);
// The menu text of entry k: the puzzle (its file and number, or its first rows), the filled
// cells, the time played, the date; 1, or 0 when there is no entry k. The list is read when
// entry 0 is asked for, so a menu asks for 0 first.
int RecentGameText(Session* S, int k, char* out, int size);
