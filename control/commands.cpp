// Command dispatch: one table from command id to its handler in the game, the analysis, the
// files and the dialogs, behind the gate that lets only a few commands through while a puzzle
// is set up.
// Commands the handler sends itself run nested (RunCommand), those it posts run after the
// current event (ShellPostCommand). No state of its own.
#include "control/commands.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "control/create.h"
#include "control/dialogrules.h"
#include "control/focus.h"
#include "control/hintcheck.h"
#include "control/keep.h"
#include "control/pause.h"
#include "control/rate.h"
#include "control/session.h"
#include "control/statistics.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "files/collection.h"
#include "files/filereader.h"
#include "files/gamefile.h"
#include "files/replacefile.h"
#include "files/settings.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

// Setup mode on: the clock stops, marks and the step go, and every digit (givens included)
// becomes an editable entry drawn in the first number colour.
static void EnterSetupMode(Session* S) {
    S->AnalysisOptions.setupMode = 1;
    StopClock(S);
    ShellStatusText(S, 1, " Setup");
    S->AnalysisOptions.pencilMarks = 0;
    ResetMarks(S);
    for (uint8_t& cell : S->Board)
        if (cell) cell = uint8_t((cell & CELL_DIGIT) | CELL_ENTERED);
    ShellRedraw(S);
    ShellUpdateToggleButtons(S);
}

// Setup mode off: every digit becomes a given and the puzzle starts afresh.
static void LeaveSetupMode(Session* S) {
    S->AnalysisOptions.setupMode = 0;
    for (uint8_t& cell : S->Board) cell &= CELL_DIGIT;
    RefreshSession(S, {.check = true, .marks = true, .clock = true});
    ResetPosition(S);
    ShellSetTitle(S);
    ShellUpdateToggleButtons(S);
}

// Refuses a path that does not fit CurrentFile, showing its start and end. Returns 0.
static int RefuseLongPath(Session* S, const char* path) {
    const size_t length = std::strlen(path);
    char text[256];
    std::snprintf(text, sizeof text, "The path is too long: %.40s...%s (%zu bytes, at most %d)",
                  path, path + length - 60, length, PATH_MAX - 1);
    ShellMessageBox(S, text);
    return 0;
}

int ChooseFile(Session* S, int save) {
    // Room for a chosen path longer than CurrentFile holds, so that it is refused, not cut.
    char path[2 * sizeof S->CurrentFile];
    std::snprintf(path, sizeof path, "%s", S->CurrentFile);
    if (save && !S->CurrentFile[0]) {
        const std::time_t now = std::time(nullptr);
        const std::tm* local = std::localtime(&now);
        DefaultSaveName(local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, path);
    }
    // A file chosen for saving is asked about by SaveCommand, which knows the game's own file.
    if (!ShellChooseFile(S, save, path, int(sizeof path), false)) return 0;
    if (std::strlen(path) >= sizeof S->CurrentFile) return RefuseLongPath(S, path);
    KeepOpenFile(S);
    S->CollectionIndex = -1;
    std::memcpy(S->CurrentFile, path, std::strlen(path) + 1); // its length was checked above
    return 1;
}

static void OpenCommand(Session* S) {
    if (ChooseFile(S, 0))
        OpenChosenFile(S);
    else
        ShellSetTitle(S);
}

// Whether path is the file the game calls its own: the saved game it was opened from or last
// saved to, told by the file's identity (a collection is no game's own file).
static bool IsOwnFile(const char* own, const struct stat& chosen) {
    struct stat info;
    return own[0] && stat(own, &info) == 0 && info.st_dev == chosen.st_dev &&
           info.st_ino == chosen.st_ino;
}

static void SaveCommand(Session* S) {
    char own[PATH_MAX] = {};
    if (S->CollectionIndex < 0) std::memcpy(own, S->CurrentFile, sizeof own);
    if (!ChooseFile(S, 1)) {
        ShellSetTitle(S);
        return;
    }
    // Another file of that name is replaced only when the user says so.
    struct stat chosen;
    if (stat(S->CurrentFile, &chosen) == 0 && !IsOwnFile(own, chosen)) {
        char text[PATH_MAX + 96];
        std::snprintf(text, sizeof text, "%s already exists.\nReplace it with this game?",
                      S->CurrentFile);
        if (!ShellAskYesNo(S, text)) {
            std::memcpy(S->CurrentFile, S->KeptFile, sizeof S->CurrentFile);
            S->CollectionIndex = S->KeptIndex;
            ShellSetTitle(S);
            return;
        }
    }
    if (!SaveGameFile(S, S->CurrentFile)) {
        char text[PATH_MAX + 128];
        std::snprintf(text, sizeof text, "The puzzle was not saved: %s", LastSaveError());
        ShellMessageBox(S, text);
    }
    ShellSetTitle(S);
}

static_assert(CMD_UNDO == int(NavButton::Undo) && CMD_REDO == int(NavButton::Redo) &&
              CMD_BEGIN == int(NavButton::GoToStart) && CMD_END == int(NavButton::GoToEnd));

// The navigation buttons: the move history, or in setup mode the open collection.
static void Navigate(Session* S, int id) {
    if (S->AnalysisOptions.setupMode == 0) {
        constexpr void (*MOVES[])(Game*) = {Undo, Redo, GoToStart, GoToEnd}; // NavButton order
        MOVES[id - CMD_UNDO](S);
        return;
    }
    // "Go to End" on the last puzzle asks for a puzzle number instead; a number outside the
    // collection is refused (the dialog leaves GotoNumber 0).
    int moved = BrowseCollection(S, NavButton(id));
    if (moved == 0) {
        S->GotoNumber = 0;
        if (ShellRunDialog(S, DIALOG_GOTO) == DIALOG_OK && S->GotoNumber >= 1 &&
            S->GotoNumber <= GotoLastNumber(S))
            moved = GotoCollectionPuzzle(S, S->GotoNumber);
    }
    if (moved == 1) {
        RefreshPosition(S);
        ShellSetTitle(S);
    }
}

// Start-up: the session of the last run, or the defaults when there is none or it cannot be
// read (then the user is told, and the file is kept).
static void RestoreSession(Session* S) {
    // No settings file yet: a first start, on which the line under the board says how entry
    // works until the first entry.
    const std::string path = SettingsPath();
    struct stat info;
    S->Focus.entryHint = !path.empty() && lstat(path.c_str(), &info) != 0;
    ForgetKeptMarks(S);
    S->MoveEnd = 0;
    S->MovePos = 0;
    const int read = LoadSettings(S);
    if (read == 2) ShowLoadedPosition(S);
    if (read == 0) { // there, but unreadable: the defaults stand
        char text[PATH_MAX + 192];
        std::snprintf(text, sizeof text,
                      "The saved game could not be read (%s). It is left as it is, and this "
                      "session will not be saved over it.",
                      LastOpenError());
        ShellMessageBox(S, text);
    }
    const bool resumed = ResumeKeptGame(S) == 1;
    const uint32_t clock = S->GameClock;
    RefreshSession(S, {.check = true, .clock = true});
    if (resumed) { // the clock goes on from where the game was left
        S->GameClock = clock;
        RefreshPosition(S);
        if (S->MovePos > 0) ShowMoveText(S, S->MovePos - 1, S->MoveHistory[S->MovePos - 1] >> 8);
    }
    ShellUpdateToggleButtons(S);
}

// The handlers of the table below that are more than one call; each receives the command id.

static void AboutCommand(Session* S, int) {
    ShellRunDialog(S, DIALOG_ABOUT);
    ShellSetTitle(S);
}

static void NewCommand(Session* S, int) {
    S->CurrentFile[0] = 0;
    S->CollectionIndex = -1;
    ShellSetTitle(S);
    ResetGame(S);
    if (S->AnalysisOptions.setupMode == 0)
        EnterSetupMode(S);
    else
        ShellRedraw(S);
    RefreshPosition(S); // the panes and buttons follow the empty board
}

static void ReopenCommand(Session* S, int) {
    if (!ReopenCollection(S)) {
        OpenCommand(S);
        return;
    }
    RefreshPosition(S);
    ShellSetTitle(S);
}

static void RateCommand(Session* S, int) {
    if (S->AnalysisOptions.setupMode == 1) LeaveSetupMode(S); // rated as it will be played
    RateGame(S);
}

static void SetupCommand(Session* S, int) {
    if (S->AnalysisOptions.setupMode == 0)
        EnterSetupMode(S);
    else
        LeaveSetupMode(S);
}

static void BlockEntryCommand(Session* S, int) {
    if (ShellRunDialog(S, DIALOG_BLOCK_ENTRY) == DIALOG_INPUT) {
        // A pasted puzzle is a new game: it has no file until it is saved.
        S->CurrentFile[0] = 0;
        S->CollectionIndex = -1;
        ShellSetTitle(S);
        RefreshSession(S, {.check = true, .marks = true, .clock = true});
        ResetPosition(S);
    }
}

static void ColourCommand(Session* S, int id) {
    S->AnalysisOptions.numberColour = uint32_t(id - CMD_BLUE); // no redraw
}

// The step button: with no step shown, the step line says what would help instead.
static void StepCommand(Session* S, int) {
    if (S->AnalysisOptions.setupMode == 1) {
        ShellPostCommand(S, CMD_SETUP);
        return;
    }
    RefreshStep(S);
    char advice[STEP_TEXT_SIZE];
    if (NoStepAdvice(S, advice, sizeof advice))
        SetNotice(S, advice);
    else
        ApplyShownStep(S);
}

static void DigitCommand(Session* S, int id) {
    PickDigit(S, id - CMD_DIGIT_1);
}

static void LevelCommand(Session* S, int id) {
    ChooseCreateLevel(S, id - CMD_LEVEL_ANY);
    CreateCommand(S);
}

static void AnalysisOptionsCommand(Session* S, int) {
    ShellRunDialog(S, DIALOG_ANALYSIS_OPTIONS);
    ShellRedraw(S);
}

static void RecentCommand(Session* S, int id) {
    ReopenKeptGame(S, id - CMD_RECENT_FIRST);
}

static void AnalysisCommand(Session* S, int) {
    S->AnalysisOptions.techniques ^= TECH_ANALYSIS;
    // Switched on with no pencil marks to read: the candidates become the marks, as a new
    // puzzle starts with them while the analysis is on, so that a step can be found.
    if ((S->AnalysisOptions.techniques & TECH_ANALYSIS) && !S->AnalysisOptions.showCandidates &&
        !MarksInUse(S))
        LoadMarksFromCandidates(S);
    ShellRedraw(S);
}

// A command: its id (or the first of a run of radio items or popup digits, then last is the
// run's end), whether it is carried out while a puzzle is being set up, and its handler.
struct CommandRow {
    int id;
    bool inSetup;
    void (*run)(Session* S, int id);
    int last = 0; // 0: the id alone
};

constexpr CommandRow COMMANDS[] = {
    {CMD_CLOSE, false, [](Session* S, int) { ShellCloseWindow(S); }},         // Ctrl+Q
    {CMD_ABOUT, false, AboutCommand},                                         // "About..."
    {CMD_QUIT, true, [](Session* S, int) { ShellCloseWindow(S); }},           // "Quit"
    {CMD_NEW, true, NewCommand},                                              // "New"
    {CMD_OPEN, false, [](Session* S, int) { OpenCommand(S); }},               // "Open Puzzle(s)..."
    {CMD_SAVE, false, [](Session* S, int) { SaveCommand(S); }},               // "Save Puzzle..."
    {CMD_STARTUP, false, [](Session* S, int) { RestoreSession(S); }},         // start-up
    {CMD_REOPEN, false, ReopenCommand},                                       // "Reopen"
    {CMD_CREATE, false, [](Session* S, int) { CreateCommand(S); }},           // "Create"
    {CMD_RATE, true, RateCommand},                                            // "Rate Puzzle"
    {CMD_SETUP, true, SetupCommand},                                          // "Setup"
    {CMD_CANDIDATES, false, [](Session* S, int) { ToggleCandidates(S); }},    // "Candidates"
    {CMD_PENCIL_MARKS, false, [](Session* S, int) { TogglePencilMarks(S); }}, // "Pencil Marks"
    {CMD_STORE_CANDIDATES, false,
     [](Session* S, int) { StoreCandidates(S); }},                          // "Store Candidates"
    {CMD_CLEAR_MARKS, false, [](Session* S, int) { ClearAllMarks(S); }},    // "Clear All"
    {CMD_UNDO_MARK, false, [](Session* S, int) { UndoLastMark(S); }},       // "Undo Last Mark"
    {CMD_UNDO, true, Navigate},                                             // "Undo previous digit"
    {CMD_REDO, true, Navigate},                                             // "Redo next digit"
    {CMD_BEGIN, true, Navigate},                                            // "Go to Beginning"
    {CMD_END, true, Navigate},                                              // "Go to End"
    {CMD_BLOCK_ENTRY, false, BlockEntryCommand},                            // "Block Entry..."
    {CMD_SOLUTION, false, [](Session* S, int) { ShowSolutionCommand(S); }}, // "Solution"
    {CMD_WRONG_VALUES, false, [](Session* S, int) { ToggleWrongValues(S); }}, // "Wrong Values"
    {CMD_HIGHLIGHT, true, [](Session* S, int) { ToggleHighlight(S); }},       // "Highlight Digit"
    {CMD_HINT, false, [](Session* S, int) { AskHint(S); }},                   // "Hint"
    {CMD_FIRST_MISTAKE, false,
     [](Session* S, int) { BackToFirstMistake(S); }}, // "Back to First Mistake"
    {CMD_WRONG_MARKS, false, [](Session* S, int) { ToggleWrongMarks(S); }}, // "Wrong Pencil Marks"
    {CMD_BLUE, false, ColourCommand, CMD_PURPLE},                           // "Blue".."Purple"
    {CMD_STEP, true, StepCommand},                                          // the step button
    {CMD_DIGIT_1, true, DigitCommand, CMD_DIGIT_9},                         // digit popup "1".."9"
    {CMD_LEVEL_ANY, false, LevelCommand, CMD_LEVEL_FIENDISH},        // "Any Level".."Fiendish"
    {CMD_PAUSE, false, [](Session* S, int) { TogglePause(S); }},     // "Pause"
    {CMD_RESTART, false, [](Session* S, int) { RestartPuzzle(S); }}, // "Restart Puzzle"
    {CMD_STATISTICS, true,
     [](Session* S, int) { ShellRunDialog(S, DIALOG_STATISTICS); }}, // "Statistics..."
    {CMD_PAUSE_AWAY, true, [](Session* S, int) { S->PauseAway = !S->PauseAway; }}, // option
    {CMD_PRACTICE, false, [](Session* S, int) { PracticeCommand(S); }},            // "Practice"
    {CMD_RECENT_FIRST, true, RecentCommand, CMD_RECENT_LAST}, // "Recent Games" entries
    {CMD_ANALYSIS_OPTIONS, false, AnalysisOptionsCommand},    // "Analysis Options..."
    {CMD_CANDIDATES_BUTTON, false,
     [](Session* S, int) { ToggleCandidates(S); }}, // the candidates button
    {CMD_ANALYSIS, false, AnalysisCommand},         // "Analysis"
};

// The row carrying id, or nullptr (F5 and unknown ids).
static const CommandRow* FindCommand(int id) {
    for (const CommandRow& row : COMMANDS)
        if (id == row.id || (id > row.id && id <= row.last)) return &row;
    return nullptr;
}

// Commands that may put another puzzle in the place of the game: it is kept, clock and all,
// before they run (every other change is kept after the command).
static bool MayReplaceGame(int id) {
    constexpr int REPLACING[] = {CMD_NEW,   CMD_OPEN,        CMD_REOPEN, CMD_CREATE, CMD_PRACTICE,
                                 CMD_SETUP, CMD_BLOCK_ENTRY, CMD_CLOSE,  CMD_QUIT};
    for (int r : REPLACING)
        if (id == r) return true;
    return (id >= CMD_LEVEL_ANY && id <= CMD_LEVEL_FIENDISH) ||
           (id >= CMD_RECENT_FIRST && id <= CMD_RECENT_LAST);
}

// RunCommand without the refresh of the step shown.
static int Dispatch(Session* S, int id) {
    const CommandRow* row = FindCommand(id);
    S->Notice[0] = 0; // a word on the last command is gone with the next one
    // Only a few commands run while a puzzle is set up; any other id, unknown ones too, beeps.
    if (S->AnalysisOptions.setupMode == 1 && !(row && row->inSetup)) {
        ShellBeep(S);
        if (id == CMD_OPEN)
            SetNotice(S, S->CollectionIndex >= 0 ? "Leave setup (Setup) to open another file"
                                                 : "Leave setup (Setup) to open a file");
        return 1;
    }
    if (!row) return 0; // nothing of ours
    // Any other command resumes a paused game; those that help mark it helped.
    if (id != CMD_PAUSE && id != CMD_STATISTICS && id != CMD_PAUSE_AWAY) ResumeGame(S);
    NoteHelp(S, id);
    if (MayReplaceGame(id)) KeepBeforeReplacing(S);
    row->run(S, id);
    return 1;
}

int RunCommand(Session* S, int id) {
    const int handled = Dispatch(S, id);
    RefreshStep(S);
    KeepPlaying(S);
    return handled;
}

int MenuCheck(Session* S, int id) {
    const AnalysisOptionsRecord& opt = S->AnalysisOptions;
    switch (id) {
    case CMD_SETUP:
        return opt.setupMode != 0;
    case CMD_CANDIDATES:
    case CMD_CANDIDATES_BUTTON:
        return opt.showCandidates != 0;
    case CMD_PENCIL_MARKS:
        return opt.pencilMarks != 0;
    case CMD_WRONG_VALUES:
        return opt.wrongValues != 0;
    case CMD_WRONG_MARKS:
        return WrongMarksOn(S) ? 1 : 0;
    case CMD_ANALYSIS:
        return (opt.techniques & TECH_ANALYSIS) != 0;
    case CMD_HIGHLIGHT:
        return S->Focus.highlightDigit != 0;
    case CMD_PAUSE:
        return S->Paused;
    case CMD_PAUSE_AWAY:
        return S->PauseAway;
    default:
        if (id >= CMD_BLUE && id <= CMD_PURPLE) return opt.numberColour == uint32_t(id - CMD_BLUE);
        if (id >= CMD_LEVEL_ANY && id <= CMD_LEVEL_FIENDISH)
            return CreateLevel(S) == id - CMD_LEVEL_ANY;
        return -1;
    }
}

void OpenFileByName(Session* S, const char* path) {
    if (std::strlen(path) >= sizeof S->CurrentFile) {
        RefuseLongPath(S, path);
        return;
    }
    const bool setup = S->AnalysisOptions.setupMode == 1;
    if (setup) {
        S->AnalysisOptions.setupMode = 0;
        ShellUpdateToggleButtons(S);
    }
    KeepBeforeReplacing(S);
    KeepOpenFile(S);
    S->CollectionIndex = -1;
    std::snprintf(S->CurrentFile, sizeof S->CurrentFile, "%s", path);
    if (!OpenChosenFile(S) && setup) { // not read: the puzzle being set up stays
        S->AnalysisOptions.setupMode = 1;
        ShellUpdateToggleButtons(S);
    }
    RefreshStep(S);
}

int RestoreView(Session* S) {
    ViewSettingsRecord view;
    LoadViewSettings(&view);
    S->Focus.highlightDigit = view.highlightDigit;
    ChooseCreateLevel(S, view.createLevel);
    S->Theme = view.theme;
    S->PauseAway = view.pauseAway != 0;
    S->Order = view.order;
    return view.zoom;
}

int ShutDown(Session* S, int zoom) {
    KeepBeforeReplacing(S);
    // -1: nowhere to keep a file (or one left alone as unreadable); nothing failed.
    if (SaveSettings(S) == 0) return 0;
    ViewSettingsRecord view;
    view.highlightDigit = S->Focus.highlightDigit;
    view.createLevel = CreateLevel(S);
    view.zoom = zoom;
    if (S->AnalysisOptions.setupMode && S->CollectionIndex >= 0) {
        view.collectionIndex = S->CollectionIndex; // the settings file keeps its low 16 bits
        view.collectionCount = S->CollectionCount;
    }
    view.theme = S->Theme;
    view.pauseAway = S->PauseAway;
    view.order = S->Order;
    return SaveViewSettings(view) != 0;
}
