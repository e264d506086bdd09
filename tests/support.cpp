// Recording hooks and puzzle helpers for the tests.
#include "tests/support.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/modules.h"
#include <fstream>

ShellRecord Recorded;

static void RecRedraw() {
    Recorded.redraws++;
}
static void RecStatus(int pane, const char* text) {
    if (pane >= 0 && pane < 3) {
        Recorded.status[pane] = text;
        Recorded.statusWrites[pane]++;
    }
}
static void RecNav(int id, bool on) {
    if (id >= 130 && id <= 133) Recorded.navEnabled[id - 130] = on;
}
static void RecToggles() {
    Recorded.toggleUpdates++;
}
static void RecTitle() {
    Recorded.titles++;
}
static void RecMessage(const char* text) {
    Recorded.messages.push_back(text);
}
static void RecBusy(bool busy) {
    Recorded.busy += busy ? 1 : 0;
}
static void RecBeep() {
    Recorded.beeps++;
}
static void RecClock(bool run) {
    (run ? Recorded.clockRuns : Recorded.clockStops)++;
    Recorded.clockRunning = run;
}

void ResetForTest() {
    ResetAllModules();
    Recorded = ShellRecord{};
    static const ShellHooks hooks = {RecRedraw, nullptr,    RecStatus, RecNav,  RecToggles,
                                     RecTitle,  RecMessage, RecBusy,   RecBeep, RecClock};
    InstallShellHooks(&hooks);
}

void LoadGivens(const char* puzzle) {
    ResetState(RESET_ALL);
    for (int i = 0; i < 81 && puzzle[i]; i++) {
        char c = puzzle[i];
        Board[i] = (c >= '1' && c <= '9') ? uint8_t(c - '0') : 0;
    }
    ChangePosition(POS_RESET, 0, 0);
}

std::string BoardDigits() {
    std::string s(81, '.');
    for (int i = 0; i < 81; i++)
        if (Board[i] & CELL_DIGIT) s[i] = char('0' + (Board[i] & CELL_DIGIT));
    return s;
}

std::string DataPath(const char* name) {
    return std::string(QUADRIVO_DATA_DIR) + "/" + name;
}

bool DataAvailable(const char* name) {
    return std::ifstream(DataPath(name)).good();
}

std::vector<std::string> ReadPuzzleLines(const char* name, size_t max) {
    std::vector<std::string> lines;
    std::ifstream in(DataPath(name));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 81) continue;
        lines.push_back(line);
        if (max && lines.size() >= max) break;
    }
    return lines;
}
