// The only way the core reaches the user interface: one table of notification hooks, kept with
// the game together with its driver's context. Whoever drives a game (the Qt shell, the picture
// mode, a test) attaches a table to it; any hook may be null. Every hook takes the context first,
// as lua_Alloc takes its ud, so no driver needs a global to find its window.
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
    void (*redraw)(void* context) = nullptr;                   // repaint the whole board
    void (*invalidateCell)(void* context, int cell) = nullptr; // repaint one cell
    // Panes 0 last move, 1 clock, 2 count.
    void (*statusText)(void* context, int pane, const char* text) = nullptr;
    void (*enableNavButton)(void* context, int id, bool enabled) = nullptr; // ids 130..133
    // The candidates and pencil-mark toggles follow the options.
    void (*updateToggleButtons)(void* context) = nullptr;
    void (*setTitle)(void* context) = nullptr; // the window title follows the open file
    // A modal notice, OK only, captioned with the program name.
    void (*messageBox)(void* context, const char* text) = nullptr;
    void (*busyCursor)(void* context, bool busy) = nullptr; // true: wait cursor, false: arrow
    void (*beep)(void* context) = nullptr;                  // the default beep
    void (*clockTimer)(void* context, bool run) = nullptr;  // start (true) or stop the clock
    // The digit popup ("1".."9") beside a cell, over the board; a pick comes back later as
    // command 171..179.
    void (*showDigitPopup)(void* context, int cell) = nullptr;
    // Runs command id once the current event has finished.
    void (*postCommand)(void* context, int id) = nullptr;
    // A modal dialog DIALOG_*; returns the id of the button that closed it.
    int (*runDialog)(void* context, int id) = nullptr;
    // The Open (save = 0) or Save (save = 1) file dialog, starting from the name in path (room
    // for size bytes); 1 with the chosen full path in path, 0 when cancelled. overwritePrompt:
    // ask before replacing an existing file.
    int (*chooseFile)(void* context, int save, char* path, int size,
                      bool overwritePrompt) = nullptr;
    // Closes the main window (closing saves the settings).
    void (*closeWindow)(void* context) = nullptr;
    void (*copyText)(void* context, const char* text) = nullptr; // puts the text on the clipboard
    // A long file scan has read done of total bytes; false when the user cancels it. The shell
    // may show a progress dialog here and keep its event loop (and other copies) answered.
    bool (*progress)(void* context, int64_t done, int64_t total) = nullptr;
    // "Create" at level 1..5 (technique 0), or "Practice" of a technique (level 0), in the
    // background: 1 when the shell has started the search (the puzzle comes back through
    // AcceptCreatedPuzzle), 0 when it runs none (the core searches at once).
    int (*startCreate)(void* context, int level, int technique) = nullptr;
    // "Rate Puzzle" in the background: 1 when the shell rates on a thread (the result comes back
    // through FinishRating), 0 when it rates none (the core rates at once).
    int (*startRating)(void* context) = nullptr;
    // A question with Yes and No: 1 yes, 0 no.
    int (*askYesNo)(void* context, const char* text) = nullptr;
};

// Dialogs the core asks the shell to run (ids of their resources).
constexpr int DIALOG_ABOUT = 102;
constexpr int DIALOG_GOTO = 114;
constexpr int DIALOG_BLOCK_ENTRY = 135;
constexpr int DIALOG_ANALYSIS_OPTIONS = 250;
constexpr int DIALOG_STATISTICS = 192;
constexpr int DIALOG_PRACTICE = 194;
// Results a dialog can end with: OK / Close, Cancel, and "Input" of the block-entry dialog.
constexpr int DIALOG_OK = 1;
constexpr int DIALOG_CANCEL = 2;
constexpr int DIALOG_INPUT = 102;

// Caption of every message box.
constexpr const char* PROGRAM_NAME = "Quadrivo";

// Attaches a hook table and the context its hooks are given to a game (hooks null: every hook
// does nothing). The table is not copied: it must outlive the game's use of it.
void SetShellHooks(Game* G, const ShellHooks* hooks, void* context);

// Null-safe calls of the game's hooks, used throughout the core. A quiet game (G->PositionQuiet:
// not on screen, such as a rating's copy) calls none of them; those with a result then answer as
// when no shell is attached.
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
int ShellStartCreate(const Game* G, int level, int technique);
// 0 (no background rating) when no shell runs one.
int ShellStartRating(const Game* G);
// 0 (no) when no shell asks.
int ShellAskYesNo(const Game* G, const char* text);
