// The session: the game a user plays with everything the control layer keeps beside it (the
// analysis listening to the position, the step shown, the hint, the focus, the create level),
// the check of the position, the refresh a new puzzle runs, and opening the file the user
// chose. Every control operation takes the session first (Session* S).
#pragma once
#include "analysis/player.h"
#include "analysis/steptext.h"
#include "control/focus.h"
#include "control/statistics.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "exactcover/generator.h"
#include "files/gamestore.h"
#include "files/settings.h"
#include "model/game.h"
#include <climits>
#include <cstdint>

struct Analysis;

// A session is a game (it is passed wherever a Game* is asked for) plus its analysis and the
// state of the user interface around it. A new session is the start-up state, with the
// analysis an observer of the position. Make it with new: it holds large tables.
struct Session : Game {
    Analysis* A; // owned; analyses this game

    FocusRecord Focus; // the keyboard cursor, the pointer, the highlight (control/focus.h)

    // The step shown (control/stepview.h): a copy of what the analysis read at its last run.
    StepInputs Shown = {};   // the inputs of the step shown
    bool ShownValid = false; // false: the step shown is stale, whatever the inputs say
    char StepText[STEP_TEXT_SIZE] = {};
    char HintText[STEP_TEXT_SIZE] = {}; // the hint's first level
    HintRecord Hint = {};
    // The order of the steps shown (VIEW_ORDER_ of files/settings.h), kept with the view.
    int Order = VIEW_ORDER_PLAYER;
    // The player's order: the step shown, technique TQ_NONE when none.
    PlayerStep Player = {};
    // What the board draws of the step, from either order (control/stepview.h).
    StepDrawing Drawing = {};
    bool WrongMarks = false; // "Wrong Pencil Marks" is on
    // A word in the step line on what to do after a command that could not do what was asked
    // (SetNotice); "" when none. It stands until the next command or a change of what the
    // analysis reads (NoticeInputs).
    char Notice[STEP_TEXT_SIZE] = {};
    StepInputs NoticeInputs = {};
    // The cells an entry clashes with, kept while "Invalid Value" stands (control/taps.h).
    ClashRecord Clash = {};

    int GotoNumber = 0; // the last number accepted by "Goto Position"
    // The open file as KeepOpenFile found it, put back when the next file chosen is not read.
    char KeptFile[PATH_MAX] = {};
    int KeptIndex = -1;

    // The game as kept in the state folder (control/keep.h): its file name ("" not yet kept),
    // the puzzle it belongs to (PuzzleSerial then), the fingerprint and clock last written.
    char KeptName[KEPT_NAME_SIZE] = {};
    uint32_t KeptSerial = 0;
    uint64_t KeptPrint = 0;
    uint32_t KeptClock = 0;
    KeptGameInfo Recent[KEPT_GAMES_MAX]; // "Recent Games" as its menu last listed them
    int RecentCount = 0;

    int Theme = 0;          // THEME_ of the view settings (files/settings.h): the board's palette
    bool Paused = false;    // the clock stands and the board is covered (control/pause.h)
    bool PauseAway = false; // option: pause when the window is minimised or loses focus
    PlayRecord Play;        // the game as the statistics record it (control/statistics.h)
    int ChosenDigit = 0;    // digit-first entry: the digit 1..9 a tap writes, 0 none

    int ChosenLevel = 0;    // the level "Create" makes puzzles at (0 any)
    Generator CreateSource; // one random source for the puzzles "Create" makes
    int Practice = 0;       // the technique (TQ_) "Practice" last asked for, 0 none yet
    // The technique the puzzle "Practice" made last practises (0 none), named in the title while
    // that puzzle (PuzzleSerial then) is the game and has no file.
    int Practised = 0;
    uint32_t PractisedSerial = 0;

    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

// The parts of RefreshSession, performed in this order.
struct SessionParts {
    bool check = false; // CheckPosition, its verdict shown unless the puzzle is unique
    bool marks = false; // RefreshMarks
    bool clock = false; // StartClock
};

// Judges the Board: 100 unique, 101 no solution, 102 invalid position (fewer than 8 givens or a
// digit twice in a unit), 106 several solutions. Fills SolutionGrid, with bit 7 on the cells
// the Board leaves empty when the solution is unique.
int CheckPosition(Game* G);
// The verdict on a grid of 81 cell bytes, as CheckPosition finds it, with the solution (its
// open cells marked CELL_ENTERED) in solution; touches nothing else, so checks of different
// grids can run at once.
int CheckCells(const uint8_t* cells, uint8_t* solution);
// The same verdict, with solution written only when it is unique (else left as it was): what
// a caller that reads no other grid needs, and quicker when there are several solutions.
int CheckCellsVerdict(const uint8_t* cells, uint8_t* solution);

// What a new puzzle runs, the parts asked for: the check (its verdict shown unless the puzzle
// is unique), the marks (RefreshMarks), the clock started.
void RefreshSession(Session* S, SessionParts parts);

// Keeps CurrentFile and CollectionIndex as they are, for OpenChosenFile to put back when the
// file chosen next cannot be opened; ChooseFile and OpenFileByName call it before they change
// them.
void KeepOpenFile(Session* S);

// Tells the window of a position a file brought (a saved game, the settings): the buttons,
// the redraw, and in pane 0 the move the position stands on.
void ShowLoadedPosition(Session* S);

// Command 110 once the file dialog has set CurrentFile: a collection of two puzzles or more
// shows its first puzzle in setup mode; any other file is read as a saved game and checked.
// Returns 1 when the file was read; 0 when it cannot be opened (the message box says why) or
// the user cancelled the count of a long collection: CurrentFile and CollectionIndex are then
// put back as KeepOpenFile found them, and nothing else changes.
int OpenChosenFile(Session* S);
