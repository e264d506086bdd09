// Command "Create" at the chosen level, and the worker process that searches for a level in the
// background. The worker is a fork of the program running only core code: the game and analysis
// live in globals, so the search cannot share the process with a window that keeps playing.
// State: the chosen level.
#include "control/create.h"
#include "analysis/create.h"
#include "analysis/rating.h"
#include "control/session.h"
#include "control/stepview.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "files/puzzlefile.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/options.h"
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

// The level texts of the window, by level (0 any, then LEVEL_EASY..LEVEL_FIENDISH).
constexpr const char* LEVEL_TEXTS[] = {
    "Any Level",      // 0
    "Easy",           // LEVEL_EASY
    "Medium",         // LEVEL_MEDIUM
    "Difficult",      // LEVEL_DIFFICULT
    "Very Difficult", // LEVEL_VERY_DIFFICULT
    "Fiendish",       // LEVEL_FIENDISH
};
static_assert(sizeof LEVEL_TEXTS / sizeof LEVEL_TEXTS[0] == LEVEL_FIENDISH + 1);

constexpr auto REPORT_EVERY = std::chrono::milliseconds(100); // the worker's progress lines

int CreateLevel(Session* S) {
    return S->ChosenLevel;
}

void ChooseCreateLevel(Session* S, int level) {
    if (level >= 0 && level <= LEVEL_FIENDISH) S->ChosenLevel = level;
}

const char* CreateLevelText(int level) {
    return level >= 0 && level <= LEVEL_FIENDISH ? LEVEL_TEXTS[level] : "";
}

// What "Create" does once the new puzzle is on the Board.
static void ShowCreatedPuzzle(Session* S) {
    RefreshSession(S, {.marks = true, .clock = true});
    ResetPosition(S);
    ShellSetTitle(S);
    RefreshStep(S); // the new puzzle's line shows behind the rating's box
    char text[64];
    RatePuzzle(S, text, sizeof text);
}

void CreateCommand(Session* S) {
    if (S->ChosenLevel != 0 && ShellStartCreate(S, S->ChosenLevel))
        return; // the shell's worker searches
    S->CurrentFile[0] = 0;
    S->CollectionIndex = -1;
    ShellBusyCursor(S, true);
    Rater* rater = new Rater;
    CreatePuzzleAtLevel(rater, S, &S->CreateSource, S->ChosenLevel, nullptr);
    delete rater;
    ShellBusyCursor(S, false);
    ShowCreatedPuzzle(S);
}

int AcceptCreatedPuzzle(Session* S, const char* text) {
    uint8_t cells[81];
    for (int i = 0; i < 81; i++) {
        if (text[i] >= '1' && text[i] <= '9')
            cells[i] = uint8_t(text[i] - '0');
        else if (text[i] == '.')
            cells[i] = 0;
        else
            return 0; // too short, or not a puzzle
    }
    if (CountSolutions(cells, 1, S->SolutionGrid) != 1) return 0;
    if (S->AnalysisOptions.setupMode == 1) { // set up while the worker searched: given up
        S->AnalysisOptions.setupMode = 0;
        ShellUpdateToggleButtons(S);
    }
    S->CurrentFile[0] = 0;
    S->CollectionIndex = -1;
    ResetGame(S);
    std::memcpy(S->Board, cells, sizeof cells);
    CountSolutions(S->Board, 0,
                   S->SolutionGrid); // SolutionGrid: its solution, as the generator leaves it
    ResetPosition(S);
    ShowCreatedPuzzle(S);
    RefreshStep(S); // as after a command
    return 1;
}

// ---- The worker process -----------------------------------------------------------------

static int WorkerPipe = -1;
static std::chrono::steady_clock::time_point LastReport;

// false when the reader has gone.
static bool WriteLine(const char* text) {
    for (size_t at = 0, size = std::strlen(text); at < size;) {
        const ssize_t n = write(WorkerPipe, text + at, size - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += size_t(n);
    }
    return true;
}

static bool ReportTried(int64_t tried) {
    const auto now = std::chrono::steady_clock::now();
    if (now - LastReport < REPORT_EVERY) return true;
    LastReport = now;
    char line[40];
    std::snprintf(line, sizeof line, "tried %lld\n", (long long)tried);
    return WriteLine(line); // nobody reads any more: stop
}

[[noreturn]] static void RunWorker(Session* S, int level, int fd) {
    for (int s : {SIGPIPE, SIGTERM, SIGHUP, SIGINT}) std::signal(s, SIG_DFL); // not the window's
    InstallShellHooks(nullptr);       // the window's hooks belong to the parent
    S->CreateSource = Generator{};    // draws of its own, seeded from the clock
    S->AnalysisOptions.setupMode = 0; // the rating plays its moves as a game, not as setup edits
    WorkerPipe = fd;
    LastReport = std::chrono::steady_clock::now();
    Rater* rater = new Rater;
    const int64_t tried = CreatePuzzleAtLevel(rater, S, &S->CreateSource, level, ReportTried);
    if (tried > 0) {
        char line[128];
        int n = std::snprintf(line, sizeof line, "found %lld ", (long long)tried);
        for (int i = 0; i < 81; i++)
            line[n++] = S->Board[i] ? char('0' + (S->Board[i] & CELL_DIGIT)) : '.';
        line[n++] = '\n';
        line[n] = 0;
        if (WriteLine(line)) _exit(0);
    }
    _exit(1);
}

int StartCreateWorker(Session* S, int level, int* fd) {
    if (level < LEVEL_EASY || level > LEVEL_FIENDISH) return -1;
    int ends[2];
    if (pipe(ends) != 0) return -1;
    const pid_t pid = fork();
    if (pid < 0) {
        close(ends[0]);
        close(ends[1]);
        return -1;
    }
    if (pid == 0) {
        close(ends[0]);
        RunWorker(S, level, ends[1]);
    }
    close(ends[1]);
    *fd = ends[0];
    return int(pid);
}

int ReadWorkerLine(const char* line, int64_t* tried, char* puzzle) {
    const bool found = std::strncmp(line, "found ", 6) == 0;
    if (!found && std::strncmp(line, "tried ", 6) != 0) return 0;
    char* end = nullptr;
    const long long n = std::strtoll(line + 6, &end, 10);
    if (end == line + 6 || n < 0) return 0;
    *tried = n;
    if (!found) return *end == 0;
    if (*end != ' ' || std::strlen(end + 1) != 81) return 0;
    std::memcpy(puzzle, end + 1, 81);
    puzzle[81] = 0;
    return 2;
}

void EndCreateWorker(int pid, int fd) {
    if (pid > 0) {
        kill(pid, SIGKILL); // not yet reaped, so the id is still the worker's
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
    }
    if (fd >= 0) close(fd);
}

void SeedCreate(Session* S, uint32_t seed) {
    SeedGenerator(&S->CreateSource, seed);
}
