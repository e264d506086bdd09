// Games in progress, kept in the user's state folder so that no game is lost when another one
// replaces it or the program ends: one file a game, in the saved-game format (so any reader of
// saved games opens it), followed by a trailer of "Key=value" lines with what that format leaves
// out (the clock, the file the puzzle came from, the entry colours, the marks at every point of
// the history). Each file is written whole or not at all; the newest KEPT_GAMES_MAX are kept.
#pragma once
#include "model/game.h"
#include <climits>
#include <cstdint>
#include <string>

constexpr int KEPT_GAMES_MAX = 20;
constexpr int KEPT_NAME_SIZE = 64; // "game-YYYYMMDD-HHMMSS-NNNNNNNNN.txt" and its zero, with room

// What the list of kept games shows of one, and where it came from.
struct KeptGameInfo {
    char name[KEPT_NAME_SIZE] = {}; // file name in the state folder
    uint8_t givens[81] = {};        // the puzzle: digits of the givens, 0 elsewhere
    int filled = 0;                 // cells filled at the position played to
    uint32_t clock = 0;             // seconds played
    int64_t saved = 0;              // when last written, seconds since 1970
    char source[PATH_MAX] = {};     // the file the puzzle was opened from, "" none
    int sourceIndex = -1;           // its puzzle in that collection (0-based), -1 none
    int sourceCount = 0;            // puzzles in that collection
};

// "$XDG_STATE_HOME/quadrivo", else "~/.local/state/quadrivo"; "" when there is nowhere to keep
// games. SetStateFolder overrides it (tests, the CLI); null goes back to the default.
std::string StateFolder();
void SetStateFolder(const char* path);

// A fresh file name for a game started now, unique within this process and, through the
// process id, against other processes (out holds KEPT_NAME_SIZE bytes).
void NewKeptGameName(char* out);
// Whether name is one a kept game can have ("game-" ... ".txt", no slash); a listing skips
// every other file.
bool IsKeptGameName(const char* name);

// Writes the game under name in the state folder (made, private to the user, when missing):
// 1 written, 0 failed (LastSaveError says why), -1 nowhere to keep it.
int WriteKeptGame(const Game* G, const char* name);
// Reads the game kept under name into G: board, history with its colours, marks at every
// point, clock, and the file it came from (CurrentFile, CollectionIndex, CollectionCount).
// Announces nothing. 1 read; 0 when the file cannot be opened or is no kept game (G is then
// left as ResetGame leaves it only if reading had begun: callers read into a scratch game).
int ReadKeptGame(Game* G, const char* name);
// The kept games, newest first, at most max of them: their count.
int ListKeptGames(KeptGameInfo* out, int max);
// Removes all but the newest keep games (never the one named spare, which is being played).
void PruneKeptGames(int keep, const char* spare);
