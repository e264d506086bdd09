// Command "Create" and the level it makes puzzles at: the first puzzle drawn (any level) at
// once, any other level in a worker process the shell watches, or at once when no shell runs
// one. The worker is a forked copy of the core that writes its progress and puzzle to a pipe.
#pragma once
#include <cstdint>

struct Session;

// The level "Create" makes: 0 any (today's first puzzle drawn), LEVEL_EASY..LEVEL_FIENDISH.
int CreateLevel(Session* S);
// Makes level the one "Create" uses; a level out of range is ignored.
void ChooseCreateLevel(Session* S, int level);
// "Any Level", "Easy" .. "Fiendish"; "" for a level out of range.
const char* CreateLevelText(int level);

// Command "Create": a new puzzle of the chosen level, shown, timed and rated. At a level other
// than any the shell is asked to search in the background first (startCreate hook); when it
// takes the work, the puzzle arrives later through AcceptCreatedPuzzle.
void CreateCommand(Session* S);
// A puzzle the worker found, 81 characters ('1'..'9', '.'): it becomes the new game as "Create"
// makes it (setup mode left, no file, fresh history, marks and clock, rated). Returns 1, or 0
// when the text is not a puzzle with one solution (nothing changes).
int AcceptCreatedPuzzle(Session* S, const char* text);

// Forks a worker searching for a puzzle of level 1..5 with fresh random draws. Returns its
// process id with the reading end of its pipe in *fd, or -1 when none could be started. The
// worker writes "tried N" lines as it goes, at most ten a second, then "found N PUZZLE" and
// ends; it also ends when the reading end is closed.
int StartCreateWorker(Session* S, int level, int* fd);
// One line from the worker without its '\n': 1 progress (*tried set), 2 the puzzle (*tried and
// the 81 characters and a NUL in puzzle), 0 anything else.
int ReadWorkerLine(const char* line, int64_t* tried, char* puzzle);
// Stops the worker if it still runs, waits for it to end and closes fd.
void EndCreateWorker(int pid, int fd);

// Makes the window's "Create" draws reproducible (tests).
void SeedCreate(Session* S, uint32_t seed);
