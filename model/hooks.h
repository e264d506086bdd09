// The only way the core reaches the user interface: one table of notification hooks.
// Whoever drives the core (the Qt shell, the CLI, a test) installs it once; any hook may be null.
// Texts are UTF-8 (in practice ASCII); the shell converts them for display.
#pragma once

// The status panes of statusText. The navigation buttons' ids are the ChangePosition codes
// POS_UNDO..POS_END they send (model/history.h).
constexpr int PANE_MOVE = 0;  // the last move, or the collection position in setup mode
constexpr int PANE_CLOCK = 1; // the game clock
constexpr int PANE_COUNT = 2; // the filled-cell count

struct ShellHooks {
    void (*redraw)();                               // repaint the whole board
    void (*invalidateCell)(int cell);               // repaint one cell
    void (*statusText)(int pane, const char* text); // panes 0 last move, 1 clock, 2 count
    void (*enableNavButton)(int id, bool enabled);  // ids 130..133
    void (*updateToggleButtons)();        // candidates / pencil-mark toggles follow options
    void (*setTitle)();                   // window title follows the open file
    void (*messageBox)(const char* text); // modal notice, OK only, captioned with the program name
    void (*busyCursor)(bool busy);        // true: wait cursor, false: arrow
    void (*beep)();                       // the default beep
    void (*clockTimer)(bool run);         // start (true) or stop the one-second clock
};

// Caption of every message box.
constexpr const char* PROGRAM_NAME = "Quadrivo";

extern ShellHooks Shell;

// Installs a hook table (null: every hook does nothing).
void InstallShellHooks(const ShellHooks* hooks);

// Null-safe calls of the hooks, used throughout the core.
void ShellRedraw();
void ShellInvalidateCell(int cell);
void ShellStatusText(int pane, const char* text);
void ShellEnableNavButton(int id, bool enabled);
void ShellUpdateToggleButtons();
void ShellSetTitle();
void ShellMessageBox(const char* text);
void ShellBusyCursor(bool busy);
void ShellBeep();
void ShellClockTimer(bool run);
