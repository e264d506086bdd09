// The only way the core reaches the user interface: one table of notification hooks.
// Whoever drives the core (the Qt shell, the CLI, a test) installs it once; any hook may be null.
// Texts are UTF-8 (in practice ASCII); the shell converts them for display.
#pragma once
#include <cstdint>

struct Game;

// The navigation buttons, numbered as the commands they send (CMD_UNDO..CMD_END); the
// enableNavButton hook receives these numbers.
enum class NavButton : int { Undo = 130, Redo = 131, GoToStart = 132, GoToEnd = 133 };

// The status panes of statusText.
constexpr int PANE_MOVE = 0;  // the last move, or the collection position in setup mode
constexpr int PANE_CLOCK = 1; // the game clock
constexpr int PANE_COUNT = 2; // the filled-cell count

struct ShellHooks {
    void (*redraw)() = nullptr;                               // repaint the whole board
    void (*invalidateCell)(int cell) = nullptr;               // repaint one cell
    void (*statusText)(int pane, const char* text) = nullptr; // panes 0 last move, 1 clock, 2 count
    void (*enableNavButton)(int id, bool enabled) = nullptr;  // ids 130..133
    void (*updateToggleButtons)() = nullptr; // candidates / pencil-mark toggles follow options
    void (*setTitle)() = nullptr;            // window title follows the open file
    void (*messageBox)(const char* text) =
        nullptr; // modal notice, OK only, captioned with the program name
    void (*busyCursor)(bool busy) = nullptr; // true: wait cursor, false: arrow
    void (*beep)() = nullptr;                // the default beep
    void (*clockTimer)(bool run) = nullptr;  // start (true) or stop the one-second clock
    // The digit popup ("1".."9") beside a cell, over the board; a pick comes back later as
    // command 171..179.
    void (*showDigitPopup)(int cell) = nullptr;
    void (*postCommand)(int id) = nullptr; // run command id once the current event has finished
    int (*runDialog)(int id) =
        nullptr; // modal dialog DIALOG_*; returns the id of the button that closed it
    // The Open (save = 0) or Save (save = 1) file dialog, starting from the name in path (room
    // for size bytes); 1 with the chosen full path in path, 0 when cancelled. overwritePrompt:
    // ask before replacing an existing file.
    int (*chooseFile)(int save, char* path, int size, bool overwritePrompt) = nullptr;
    void (*closeWindow)() = nullptr; // close the main window (closing saves the settings)
    void (*copyText)(const char* text) = nullptr; // put the text on the clipboard
    // A long file scan has read done of total bytes; false when the user cancels it. The shell
    // may show a progress dialog here and keep its event loop (and other copies) answered.
    bool (*progress)(int64_t done, int64_t total) = nullptr;
    // "Create" at level 1..5 in the background: 1 when the shell has started the search (the
    // puzzle comes back through AcceptCreatedPuzzle), 0 when it runs none (the core searches
    // at once).
    int (*startCreate)(int level) = nullptr;
    // "Rate Puzzle" in the background: 1 when the shell rates on a thread (the result comes back
    // through FinishRating), 0 when it rates none (the core rates at once).
    int (*startRating)() = nullptr;
};

// Dialogs the core asks the shell to run (ids of their resources).
constexpr int DIALOG_ABOUT = 102;
constexpr int DIALOG_GOTO = 114;
constexpr int DIALOG_BLOCK_ENTRY = 135;
constexpr int DIALOG_ANALYSIS_OPTIONS = 250;
constexpr int DIALOG_STATISTICS = 192;
// Results a dialog can end with: OK / Close, Cancel, and "Input" of the block-entry dialog.
constexpr int DIALOG_OK = 1;
constexpr int DIALOG_CANCEL = 2;
constexpr int DIALOG_INPUT = 102;

// Caption of every message box.
constexpr const char* PROGRAM_NAME = "Quadrivo";

extern ShellHooks Shell;

// Installs a hook table (null: every hook does nothing).
void InstallShellHooks(const ShellHooks* hooks);

// Null-safe calls of the hooks, used throughout the core. A quiet game (G->PositionQuiet: not on
// screen) calls none of them; those with a result then answer as when no shell is installed.
void ShellRedraw(const Game* G);
void ShellInvalidateCell(const Game* G, int cell);
void ShellStatusText(const Game* G, int pane, const char* text);
void ShellEnableNavButton(const Game* G, NavButton button, bool enabled);
void ShellUpdateToggleButtons(const Game* G);
void ShellSetTitle(const Game* G);
void ShellMessageBox(const Game* G, const char* text);
void ShellBusyCursor(const Game* G, bool busy);
void ShellBeep(const Game* G);
void ShellClockTimer(const Game* G, bool run);
void ShellShowDigitPopup(const Game* G, int cell);
void ShellPostCommand(const Game* G, int id);
// DIALOG_CANCEL when no shell runs dialogs.
int ShellRunDialog(const Game* G, int id);
// 0 (cancelled) when no shell offers a file dialog.
int ShellChooseFile(const Game* G, int save, char* path, int size, bool overwritePrompt);
void ShellCloseWindow(const Game* G);
void ShellCopyText(const Game* G, const char* text);
// true (go on) when no shell watches the scan.
bool ShellProgress(const Game* G, int64_t done, int64_t total);
// 0 (no background search) when no shell runs one.
int ShellStartCreate(const Game* G, int level);
// 0 (no background rating) when no shell runs one.
int ShellStartRating(const Game* G);
