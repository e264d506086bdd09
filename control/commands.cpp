// Command dispatch: one table from command id to its handler in the game, the analysis, the
// files and the dialogs, behind the gate that lets only a few commands through while a puzzle
// is set up.
// Commands the handler sends itself run nested (RunCommand), those it posts run after the
// current event (ShellPostCommand). No state of its own.
#include "control/commands.h"
#include "analysis/driver.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "control/create.h"
#include "control/dialogrules.h"
#include "control/focus.h"
#include "control/hintcheck.h"
#include "control/session.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "files/puzzlefile.h"
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
static void EnterSetupMode() {
    AnalysisOptions.setupMode = 1;
    StopClock();
    ShellStatusText(1, " Setup");
    AnalysisOptions.pencilMarks = 0;
    ResetMarks();
    for (uint8_t& cell : Board)
        if (cell) cell = uint8_t((cell & CELL_DIGIT) | CELL_ENTERED);
    ShellRedraw();
    ShellUpdateToggleButtons();
}

// Setup mode off: every digit becomes a given and the puzzle starts afresh.
static void LeaveSetupMode() {
    AnalysisOptions.setupMode = 0;
    for (uint8_t& cell : Board) cell &= CELL_DIGIT;
    RefreshSession({.check = true, .marks = true, .clock = true});
    ResetPosition();
    ShellSetTitle();
    ShellUpdateToggleButtons();
}

// Refuses a path that does not fit CurrentFile, showing its start and end. Returns 0.
static int RefuseLongPath(const char* path) {
    const size_t length = std::strlen(path);
    char text[256];
    std::snprintf(text, sizeof text, "The path is too long: %.40s...%s (%zu bytes, at most %d)",
                  path, path + length - 60, length, PATH_MAX - 1);
    ShellMessageBox(text);
    return 0;
}

int ChooseFile(int save) {
    // Room for a chosen path longer than CurrentFile holds, so that it is refused, not cut.
    char path[2 * sizeof CurrentFile];
    std::snprintf(path, sizeof path, "%s", CurrentFile);
    const bool firstSave = save && !CurrentFile[0];
    if (firstSave) {
        const std::time_t now = std::time(nullptr);
        const std::tm* local = std::localtime(&now);
        DefaultSaveName(local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, path);
    }
    if (!ShellChooseFile(save, path, int(sizeof path), firstSave)) return 0;
    if (std::strlen(path) >= sizeof CurrentFile) return RefuseLongPath(path);
    KeepOpenFile();
    CollectionIndex = -1;
    std::snprintf(CurrentFile, sizeof CurrentFile, "%s", path);
    return 1;
}

static void OpenCommand() {
    if (ChooseFile(0))
        OpenChosenFile();
    else
        ShellSetTitle();
}

static void SaveCommand() {
    if (ChooseFile(1) && !SaveGameFile(CurrentFile)) {
        char text[PATH_MAX + 128];
        std::snprintf(text, sizeof text, "The puzzle was not saved: %s", LastSaveError());
        ShellMessageBox(text);
    }
    ShellSetTitle();
}

static_assert(CMD_UNDO == int(NavButton::Undo) && CMD_REDO == int(NavButton::Redo) &&
              CMD_BEGIN == int(NavButton::GoToStart) && CMD_END == int(NavButton::GoToEnd));

// The navigation buttons: the move history, or in setup mode the open collection.
static void Navigate(int id) {
    if (AnalysisOptions.setupMode == 0) {
        constexpr void (*MOVES[])() = {Undo, Redo, GoToStart, GoToEnd}; // NavButton order
        MOVES[id - CMD_UNDO]();
        return;
    }
    // "Go to End" on the last puzzle asks for a puzzle number instead.
    if (BrowseCollection(NavButton(id)) == 0 && ShellRunDialog(DIALOG_GOTO) == DIALOG_OK)
        GotoCollectionPuzzle(GotoNumber);
}

// Start-up: the session of the last run, or the defaults when there is none or it cannot be
// read (then the user is told, and the file is kept).
static void RestoreSession() {
    // No settings file yet: a first start, on which the line under the board says how entry
    // works until the first entry.
    const std::string path = SettingsPath();
    struct stat info;
    Focus.entryHint = !path.empty() && lstat(path.c_str(), &info) != 0;
    SavedMarks[0] = NO_SAVED_MARKS;
    MoveEnd = 0;
    MovePos = 0;
    if (LoadSettings() == 0) { // there, but unreadable: the defaults stand
        char text[PATH_MAX + 192];
        std::snprintf(text, sizeof text,
                      "The saved game could not be read (%s). It is left as it is, and this "
                      "session will not be saved over it.",
                      LastOpenError());
        ShellMessageBox(text);
    }
    RefreshSession({.check = true, .clock = true});
    ShellUpdateToggleButtons();
}

// The handlers of the table below that are more than one call; each receives the command id.

static void AboutCommand(int) {
    ShellRunDialog(DIALOG_ABOUT);
    ShellSetTitle();
}

static void NewCommand(int) {
    CurrentFile[0] = 0;
    CollectionIndex = -1;
    ShellSetTitle();
    ResetGame();
    if (AnalysisOptions.setupMode == 0)
        EnterSetupMode();
    else
        ShellRedraw();
}

static void ReopenCommand(int) {
    if (!ReopenCollection()) OpenCommand();
}

static void RateCommand(int) {
    if (AnalysisOptions.setupMode == 1) RunCommand(CMD_SETUP);
    RatePuzzle();
}

static void SetupCommand(int) {
    if (AnalysisOptions.setupMode == 0)
        EnterSetupMode();
    else
        LeaveSetupMode();
}

static void BlockEntryCommand(int) {
    if (ShellRunDialog(DIALOG_BLOCK_ENTRY) == DIALOG_INPUT) {
        RefreshSession({.check = true, .marks = true, .clock = true});
        ResetPosition();
    }
}

static void ColourCommand(int id) {
    AnalysisOptions.numberColour = uint32_t(id - CMD_BLUE); // no redraw
}

static void StepCommand(int) {
    if (AnalysisOptions.setupMode == 1)
        ShellPostCommand(CMD_SETUP);
    else
        ApplyShownStep();
}

static void DigitCommand(int id) {
    PickDigit(id - CMD_DIGIT_1);
}

static void LevelCommand(int id) {
    ChooseCreateLevel(id - CMD_LEVEL_ANY);
    CreateCommand();
}

static void AnalysisOptionsCommand(int) {
    ShellRunDialog(DIALOG_ANALYSIS_OPTIONS);
    ShellRedraw();
}

static void AnalysisCommand(int) {
    AnalysisOptions.techniques ^= TECH_ANALYSIS;
    ShellRedraw();
}

// A command: its id (or the first of a run of radio items or popup digits, then last is the
// run's end), whether it is carried out while a puzzle is being set up, and its handler.
struct CommandRow {
    int id;
    bool inSetup;
    void (*run)(int id);
    int last = 0; // 0: the id alone
};

constexpr CommandRow COMMANDS[] = {
    {CMD_CLOSE, false, [](int) { ShellCloseWindow(); }},             // Ctrl+Q
    {CMD_ABOUT, false, AboutCommand},                                // "About..."
    {CMD_QUIT, true, [](int) { ShellCloseWindow(); }},               // "Quit"
    {CMD_NEW, true, NewCommand},                                     // "New"
    {CMD_OPEN, false, [](int) { OpenCommand(); }},                   // "Open Puzzle(s)..."
    {CMD_SAVE, false, [](int) { SaveCommand(); }},                   // "Save Puzzle..."
    {CMD_STARTUP, false, [](int) { RestoreSession(); }},             // start-up
    {CMD_REOPEN, false, ReopenCommand},                              // "Reopen"
    {CMD_CREATE, false, [](int) { CreateCommand(); }},               // "Create"
    {CMD_RATE, true, RateCommand},                                   // "Rate Puzzle"
    {CMD_SETUP, true, SetupCommand},                                 // "Setup"
    {CMD_CANDIDATES, false, [](int) { ToggleCandidates(); }},        // "Candidates"
    {CMD_PENCIL_MARKS, false, [](int) { TogglePencilMarks(); }},     // "Pencil Marks"
    {CMD_STORE_CANDIDATES, false, [](int) { StoreCandidates(); }},   // "Store Candidates"
    {CMD_CLEAR_MARKS, false, [](int) { ClearAllMarks(); }},          // "Clear All"
    {CMD_UNDO_MARK, false, [](int) { UndoLastMark(); }},             // "Undo Last Mark"
    {CMD_UNDO, true, Navigate},                                      // "Undo previous digit"
    {CMD_REDO, true, Navigate},                                      // "Redo next digit"
    {CMD_BEGIN, true, Navigate},                                     // "Go to Beginning"
    {CMD_END, true, Navigate},                                       // "Go to End"
    {CMD_BLOCK_ENTRY, false, BlockEntryCommand},                     // "Block Entry..."
    {CMD_SOLUTION, false, [](int) { ShowSolutionCommand(); }},       // "Solution"
    {CMD_WRONG_VALUES, false, [](int) { ToggleWrongValues(); }},     // "Wrong Values"
    {CMD_HIGHLIGHT, true, [](int) { ToggleHighlight(); }},           // "Highlight Digit"
    {CMD_HINT, false, [](int) { AskHint(); }},                       // "Hint"
    {CMD_FIRST_MISTAKE, false, [](int) { BackToFirstMistake(); }},   // "Back to First Mistake"
    {CMD_WRONG_MARKS, false, [](int) { ToggleWrongMarks(); }},       // "Wrong Pencil Marks"
    {CMD_BLUE, false, ColourCommand, CMD_PURPLE},                    // "Blue".."Purple"
    {CMD_STEP, true, StepCommand},                                   // the step button
    {CMD_DIGIT_1, true, DigitCommand, CMD_DIGIT_9},                  // digit popup "1".."9"
    {CMD_LEVEL_ANY, false, LevelCommand, CMD_LEVEL_FIENDISH},        // "Any Level".."Fiendish"
    {CMD_ANALYSIS_OPTIONS, false, AnalysisOptionsCommand},           // "Analysis Options..."
    {CMD_CANDIDATES_BUTTON, false, [](int) { ToggleCandidates(); }}, // the candidates button
    {CMD_ANALYSIS, false, AnalysisCommand},                          // "Analysis"
};

// The row carrying id, or nullptr (F5 and unknown ids).
static const CommandRow* FindCommand(int id) {
    for (const CommandRow& row : COMMANDS)
        if (id == row.id || (id > row.id && id <= row.last)) return &row;
    return nullptr;
}

// RunCommand without the refresh of the step shown.
static int Dispatch(int id) {
    const CommandRow* row = FindCommand(id);
    // Only a few commands run while a puzzle is set up; any other id, unknown ones too, beeps.
    if (AnalysisOptions.setupMode == 1 && !(row && row->inSetup)) {
        ShellBeep();
        return 1;
    }
    if (!row) return 0; // nothing of ours
    row->run(id);
    return 1;
}

int RunCommand(int id) {
    const int handled = Dispatch(id);
    RefreshStep();
    return handled;
}

int MenuCheck(int id) {
    const AnalysisOptionsRecord& opt = AnalysisOptions;
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
        return WrongMarksOn() ? 1 : 0;
    case CMD_ANALYSIS:
        return (opt.techniques & TECH_ANALYSIS) != 0;
    case CMD_HIGHLIGHT:
        return Focus.highlightDigit != 0;
    default:
        if (id >= CMD_BLUE && id <= CMD_PURPLE) return opt.numberColour == uint32_t(id - CMD_BLUE);
        if (id >= CMD_LEVEL_ANY && id <= CMD_LEVEL_FIENDISH)
            return CreateLevel() == id - CMD_LEVEL_ANY;
        return -1;
    }
}

void OpenFileByName(const char* path) {
    if (std::strlen(path) >= sizeof CurrentFile) {
        RefuseLongPath(path);
        return;
    }
    const bool setup = AnalysisOptions.setupMode == 1;
    if (setup) {
        AnalysisOptions.setupMode = 0;
        ShellUpdateToggleButtons();
    }
    KeepOpenFile();
    CollectionIndex = -1;
    std::snprintf(CurrentFile, sizeof CurrentFile, "%s", path);
    if (!OpenChosenFile() && setup) { // not read: the puzzle being set up stays
        AnalysisOptions.setupMode = 1;
        ShellUpdateToggleButtons();
    }
    RefreshStep();
}

int RestoreView() {
    ViewSettingsRecord view;
    LoadViewSettings(&view);
    Focus.highlightDigit = view.highlightDigit;
    ChooseCreateLevel(view.createLevel);
    return view.zoom;
}

int ShutDown(int zoom) {
    // -1: nowhere to keep a file (or one left alone as unreadable); nothing failed.
    if (SaveSettings() == 0) return 0;
    ViewSettingsRecord view;
    view.highlightDigit = Focus.highlightDigit;
    view.createLevel = CreateLevel();
    view.zoom = zoom;
    return SaveViewSettings(view) != 0;
}
