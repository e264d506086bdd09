// The shell notification table and its null-safe callers.
#include "model/hooks.h"

// The installed hooks; all null (silent) until a front end installs its own.
ShellHooks Shell = {};

void InstallShellHooks(const ShellHooks* hooks) {
    Shell = hooks ? *hooks : ShellHooks{};
}

void ShellRedraw() {
    if (Shell.redraw) Shell.redraw();
}
void ShellInvalidateCell(int cell) {
    if (Shell.invalidateCell) Shell.invalidateCell(cell);
}
void ShellStatusText(int pane, const char* text) {
    if (Shell.statusText) Shell.statusText(pane, text);
}
void ShellEnableNavButton(NavButton button, bool enabled) {
    if (Shell.enableNavButton) Shell.enableNavButton(int(button), enabled);
}
void ShellUpdateToggleButtons() {
    if (Shell.updateToggleButtons) Shell.updateToggleButtons();
}
void ShellSetTitle() {
    if (Shell.setTitle) Shell.setTitle();
}
void ShellMessageBox(const char* text) {
    if (Shell.messageBox) Shell.messageBox(text);
}
void ShellBusyCursor(bool busy) {
    if (Shell.busyCursor) Shell.busyCursor(busy);
}
void ShellBeep() {
    if (Shell.beep) Shell.beep();
}
void ShellClockTimer(bool run) {
    if (Shell.clockTimer) Shell.clockTimer(run);
}
void ShellShowDigitPopup(int cell) {
    if (Shell.showDigitPopup) Shell.showDigitPopup(cell);
}
void ShellPostCommand(int id) {
    if (Shell.postCommand) Shell.postCommand(id);
}
int ShellRunDialog(int id) {
    return Shell.runDialog ? Shell.runDialog(id) : DIALOG_CANCEL;
}
int ShellChooseFile(int save, char* path, int size, bool overwritePrompt) {
    return Shell.chooseFile ? Shell.chooseFile(save, path, size, overwritePrompt) : 0;
}
void ShellCloseWindow() {
    if (Shell.closeWindow) Shell.closeWindow();
}
void ShellCopyText(const char* text) {
    if (Shell.copyText) Shell.copyText(text);
}
bool ShellProgress(int64_t done, int64_t total) {
    return Shell.progress ? Shell.progress(done, total) : true;
}
int ShellStartCreate(int level) {
    return Shell.startCreate ? Shell.startCreate(level) : 0;
}
