// The shell notification table and its null-safe callers.
#include "model/hooks.h"
#include "model/game.h"

// The installed hooks; all null (silent) until a front end installs its own.
ShellHooks Shell = {};

void InstallShellHooks(const ShellHooks* hooks) {
    Shell = hooks ? *hooks : ShellHooks{};
}

void ShellRedraw(const Game* G) {
    if (G->PositionQuiet) return;
    if (Shell.redraw) Shell.redraw();
}
void ShellInvalidateCell(const Game* G, int cell) {
    if (G->PositionQuiet) return;
    if (Shell.invalidateCell) Shell.invalidateCell(cell);
}
void ShellStatusText(const Game* G, int pane, const char* text) {
    if (G->PositionQuiet) return;
    if (Shell.statusText) Shell.statusText(pane, text);
}
void ShellEnableNavButton(const Game* G, NavButton button, bool enabled) {
    if (G->PositionQuiet) return;
    if (Shell.enableNavButton) Shell.enableNavButton(int(button), enabled);
}
void ShellUpdateToggleButtons(const Game* G) {
    if (G->PositionQuiet) return;
    if (Shell.updateToggleButtons) Shell.updateToggleButtons();
}
void ShellSetTitle(const Game* G) {
    if (G->PositionQuiet) return;
    if (Shell.setTitle) Shell.setTitle();
}
void ShellMessageBox(const Game* G, const char* text) {
    if (G->PositionQuiet) return;
    if (Shell.messageBox) Shell.messageBox(text);
}
void ShellBusyCursor(const Game* G, bool busy) {
    if (G->PositionQuiet) return;
    if (Shell.busyCursor) Shell.busyCursor(busy);
}
void ShellBeep(const Game* G) {
    if (G->PositionQuiet) return;
    if (Shell.beep) Shell.beep();
}
void ShellClockTimer(const Game* G, bool run) {
    if (G->PositionQuiet) return;
    if (Shell.clockTimer) Shell.clockTimer(run);
}
void ShellShowDigitPopup(const Game* G, int cell) {
    if (G->PositionQuiet) return;
    if (Shell.showDigitPopup) Shell.showDigitPopup(cell);
}
void ShellPostCommand(const Game* G, int id) {
    if (G->PositionQuiet) return;
    if (Shell.postCommand) Shell.postCommand(id);
}
int ShellRunDialog(const Game* G, int id) {
    if (G->PositionQuiet) return DIALOG_CANCEL;
    return Shell.runDialog ? Shell.runDialog(id) : DIALOG_CANCEL;
}
int ShellChooseFile(const Game* G, int save, char* path, int size, bool overwritePrompt) {
    if (G->PositionQuiet) return 0;
    return Shell.chooseFile ? Shell.chooseFile(save, path, size, overwritePrompt) : 0;
}
void ShellCloseWindow(const Game* G) {
    if (G->PositionQuiet) return;
    if (Shell.closeWindow) Shell.closeWindow();
}
void ShellCopyText(const Game* G, const char* text) {
    if (G->PositionQuiet) return;
    if (Shell.copyText) Shell.copyText(text);
}
bool ShellProgress(const Game* G, int64_t done, int64_t total) {
    if (G->PositionQuiet) return true;
    return Shell.progress ? Shell.progress(done, total) : true;
}
int ShellStartCreate(const Game* G, int level) {
    if (G->PositionQuiet) return 0;
    return Shell.startCreate ? Shell.startCreate(level) : 0;
}
int ShellStartRating(const Game* G) {
    if (G->PositionQuiet) return 0;
    return Shell.startRating ? Shell.startRating() : 0;
}
int ShellAskYesNo(const Game* G, const char* text) {
    if (G->PositionQuiet) return 0;
    return Shell.askYesNo ? Shell.askYesNo(text) : 0;
}
