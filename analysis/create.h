// "Create" at a chosen level: puzzles from the generator, each rated, until one rates at the
// level asked for.
#pragma once
#include "exactcover/generator.h"
#include <cstdint>

struct Game;
struct Rater;

// Told the number of puzzles tried so far after each one that missed, with the context the
// search was given; false stops the search.
using CreateWatcher = bool (*)(void* context, int64_t tried);

// Makes a new puzzle of level LEVEL_EASY..LEVEL_FIENDISH in G with gen (rated with R), as
// CreateGame makes one (SolutionGrid holds its solution, the history is fresh); level 0 (any) is
// CreateGame's first puzzle, unrated. Returns the number of puzzles tried, 0 when the watcher
// stopped the search (the Board then holds the last puzzle that missed), -1 for a level out of
// range.
int64_t CreatePuzzleAtLevel(Rater* R, Game* G, Generator* gen, int level, CreateWatcher watch,
                            void* context);
