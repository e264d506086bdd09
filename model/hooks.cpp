// The shell notification table and its null-safe callers.
#include "model/hooks.h"
#include "model/game.h"

void SetShellHooks(Game* G, const ShellHooks* hooks, void* context) {
    G->Hooks = hooks;
    G->HookContext = context;
}

// The table to call for a game: none while it is quiet or has none attached.
static const ShellHooks* Live(const Game* G) {
    return G->PositionQuiet ? nullptr : G->Hooks;
}

void ShellRedraw(const Game* G) {
    const ShellHooks* h = Live(G);
    if (h && h->redraw) h->redraw(G->HookContext);
}
void ShellInvalidateCell(const Game* G, int cell) {
    const ShellHooks* h = Live(G);
    if (h && h->invalidateCell) h->invalidateCell(G->HookContext, cell);
}
void ShellStatusText(const Game* G, int pane, const char* text) {
    const ShellHooks* h = Live(G);
    if (h && h->statusText) h->statusText(G->HookContext, pane, text);
}
void ShellEnableNavButton(const Game* G, NavButton button, bool enabled) {
    const ShellHooks* h = Live(G);
    if (h && h->enableNavButton) h->enableNavButton(G->HookContext, int(button), enabled);
}
void ShellUpdateToggleButtons(const Game* G) {
    const ShellHooks* h = Live(G);
    if (h && h->updateToggleButtons) h->updateToggleButtons(G->HookContext);
}
void ShellSetTitle(const Game* G) {
    const ShellHooks* h = Live(G);
    if (h && h->setTitle) h->setTitle(G->HookContext);
}
void ShellMessageBox(const Game* G, const char* text) {
    const ShellHooks* h = Live(G);
    if (h && h->messageBox) h->messageBox(G->HookContext, text);
}
void ShellBusyCursor(const Game* G, bool busy) {
    const ShellHooks* h = Live(G);
    if (h && h->busyCursor) h->busyCursor(G->HookContext, busy);
}
void ShellBeep(const Game* G) {
    const ShellHooks* h = Live(G);
    if (h && h->beep) h->beep(G->HookContext);
}
void ShellClockTimer(const Game* G, bool run) {
    const ShellHooks* h = Live(G);
    if (h && h->clockTimer) h->clockTimer(G->HookContext, run);
}
void ShellShowDigitPopup(const Game* G, int cell) {
    const ShellHooks* h = Live(G);
    if (h && h->showDigitPopup) h->showDigitPopup(G->HookContext, cell);
}
void ShellPostCommand(const Game* G, int id) {
    const ShellHooks* h = Live(G);
    if (h && h->postCommand) h->postCommand(G->HookContext, id);
}
int ShellRunDialog(const Game* G, int id) {
    const ShellHooks* h = Live(G);
    return h && h->runDialog ? h->runDialog(G->HookContext, id) : DIALOG_CANCEL;
}
int ShellChooseFile(const Game* G, int save, char* path, int size, bool overwritePrompt) {
    const ShellHooks* h = Live(G);
    return h && h->chooseFile ? h->chooseFile(G->HookContext, save, path, size, overwritePrompt)
                              : 0;
}
void ShellCloseWindow(const Game* G) {
    const ShellHooks* h = Live(G);
    if (h && h->closeWindow) h->closeWindow(G->HookContext);
}
void ShellCopyText(const Game* G, const char* text) {
    const ShellHooks* h = Live(G);
    if (h && h->copyText) h->copyText(G->HookContext, text);
}
bool ShellProgress(const Game* G, int64_t done, int64_t total) {
    const ShellHooks* h = Live(G);
    return h && h->progress ? h->progress(G->HookContext, done, total) : true;
}
int ShellStartCreate(const Game* G, int level, int technique) {
    const ShellHooks* h = Live(G);
    return h && h->startCreate ? h->startCreate(G->HookContext, level, technique) : 0;
}
int ShellStartRating(const Game* G) {
    const ShellHooks* h = Live(G);
    return h && h->startRating ? h->startRating(G->HookContext) : 0;
}
int ShellAskYesNo(const Game* G, const char* text) {
    const ShellHooks* h = Live(G);
    return h && h->askYesNo ? h->askYesNo(G->HookContext, text) : 0;
}
