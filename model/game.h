// The game: one puzzle in play, with everything that belongs to it — the Board, the
// computed candidates and the solution, the move history, the pencil marks, the options, the
// clock, the observers and the open file's collection position. Every operation of the model,
// the files and the control layer takes the game it works on first (Game* G), so any number of
// games can be worked on at once, on any threads, one thread per game.
// A new Game is the start-up state: the built-in puzzle, no moves, no marks, default options.
#pragma once
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include <climits>
#include <cstdint>

struct ShellHooks;

// What tells one file from another, and a file from itself after it changed.
struct FileIdentity {
    uint64_t device = 0, inode = 0;
    int64_t size = -1;    // bytes; -1: no file
    int64_t modified = 0; // nanoseconds since 1970
};

// Where the lines of a counted collection start, so that any puzzle is reached without reading
// all those before it: the offset of every every-th line, every doubling whenever the table is
// full, so it stays this size for a file of any length.
constexpr int COLLECTION_INDEX_SLOTS = 4096;
struct CollectionIndexRecord {
    FileIdentity file;    // the file counted (size -1: none)
    bool trusted = false; // the file had not changed for a while when counted, so a change
                          // after the count cannot leave the same identity behind
    int count = 0;        // puzzle lines from the start of the file
    int every = 1;        // offsets[i]: where line i * every starts
    int entries = 0;
    int64_t offsets[COLLECTION_INDEX_SLOTS] = {};
};

// An observer of the position and the record it keeps up to date.
struct ObserverEntry {
    PositionObserver tell;
    void* context;
};

struct Game {
    // --- the position (model/board.h) ---
    uint8_t Board[81] = {};           // cell bytes, layout in board.h
    DigitMask CandidateGrid[81] = {}; // digits still possible in each empty cell; 0 when filled
    uint8_t SolutionGrid[81] = {};    // the solution the last count left: plain digits, 0 none
    int SelectedCell = 0; // the cell last selected; setup editing empties it again on a clash
    ObserverEntry Observers[POSITION_OBSERVERS_MAX] = {}; // in the order added
    int ObserverCount = 0;

    // --- the move history (model/history.h); invariant 0 <= MovePos <= MoveEnd <= 81 while
    // solving. In setup mode on a collection the two counters show the collection position
    // (CollectionIndex, CollectionCount) to the buttons, pane 0 and the settings file. ---
    MoveRecord MoveHistory[HISTORY_SLOTS] = {}; // slots past MoveEnd hold whatever was there
    int MovePos = 0;
    int MoveEnd = 0;
    // The position "Restart Puzzle" took the game back from, while the game stands at the start
    // it left: Undo goes there again. 0: none (any other change of position forgets it).
    int RestartedFrom = 0;
    // 1: the game is not on screen (a rating's copy, a background search): no shell hook is
    // called for it and a full grid is not announced.
    int PositionQuiet = 0;
    // Moves on with every new puzzle (ResetGame, ResetPosition): what was kept of the game
    // before belongs to another puzzle.
    uint32_t PuzzleSerial = 0;
    // The driver's hook table (model/hooks.h) and the context each hook is given; none: silent.
    // A copy of the game keeps them, and is made quiet when it is not the one on screen.
    const ShellHooks* Hooks = nullptr;
    void* HookContext = nullptr;

    // --- pencil marks (model/marks.h) ---
    DigitMask MarkGrid[81] = {};     // the user's marks at the position on the board (MovePos)
    DigitMask MarkSnapshot[81] = {}; // what "Undo Last Mark" restores from
    // The marks of every point of the history: MarksAt[k] is what MarkGrid held when the game
    // last left position k (k records applied), so MarksAt[k] for k < MovePos are the marks
    // from just before record k. Invariant: for 0 <= k <= MoveEnd, k != MovePos, MarksAt[k]
    // belongs to the present history, or MarksAt[k][0] == NO_SAVED_MARKS (none kept, as after
    // a file brought the history without them); MarksAt[MovePos] and the rows past MoveEnd
    // mean nothing (MarkGrid is the live row). A plain table, so a saved game can write and
    // read every row (MarksOfPosition, SetMarksOfPosition in model/marks.h).
    DigitMask MarksAt[HISTORY_SLOTS + 1][81] = {};
    int LastMarkedCell = 0; // the cell whose marks a tap last addressed in pencil-mark mode

    // --- verdicts and clock (model/verdicts.h) ---
    uint32_t GameClock = 0;    // seconds since the clock was last started
    int ShowSolution = 0;      // 1: the board shows the SolutionGrid
    char VerdictNote[96] = {}; // said under "Puzzle Solved" (the time); "" nothing

    AnalysisOptionsRecord AnalysisOptions = {0, 0, 0, DEFAULT_TECHNIQUES,   0,
                                             0, 0, 0, DEFAULT_BLOCK_FORMAT, {}};

    // --- the open file (files/collection.h) ---
    char CurrentFile[PATH_MAX] = {}; // UTF-8, empty when none
    int CollectionIndex = -1;        // collection puzzle shown (0-based), -1 when none
    int CollectionCount = 0;         // puzzles in the collection; browsing moves in 0 .. count-1
    CollectionIndexRecord CollectionLines; // the index of the collection counted last
    // A settings file that was there at start-up but could not be read: never written over.
    char UnreadableSettings[PATH_MAX] = {};

    Game(); // the start-up state: the built-in puzzle
};
