// Command "Create" at the chosen level, and the search that looks for a puzzle of a level in the
// background: a thread with a game, a rater and a generator of its own, so the window's game
// goes on while it runs.
#include "control/create.h"
#include "analysis/create.h"
#include "analysis/rating.h"
#include "control/rate.h"
#include "control/keep.h"
#include "control/session.h"
#include "control/stepview.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/options.h"
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

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
    RateGame(S);
}

void CreateCommand(Session* S) {
    if (S->ChosenLevel != 0 && ShellStartCreate(S, S->ChosenLevel))
        return; // the shell watches a background search
    S->CurrentFile[0] = 0;
    S->CollectionIndex = -1;
    ShellBusyCursor(S, true);
    // Any level is the first puzzle drawn: no rater needed (an analysis is over a megabyte).
    std::unique_ptr<Rater> rater(S->ChosenLevel != 0 ? new Rater : nullptr);
    CreatePuzzleAtLevel(rater.get(), S, &S->CreateSource, S->ChosenLevel, nullptr, nullptr);
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
    KeepBeforeReplacing(S);
    if (S->AnalysisOptions.setupMode == 1) { // set up while the search ran: given up
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

// ---- The background search --------------------------------------------------------------

struct CreateSearch {
    Game game;     // off screen: the search calls no shell hook
    Rater rater;   // rates each puzzle drawn
    Generator gen; // fresh draws, seeded from the clock
    std::atomic<int64_t> tried{0};
    std::atomic<bool> stop{false}, found{false};
    std::thread thread;
};

static bool WatchSearch(void* context, int64_t tried) {
    CreateSearch* search = static_cast<CreateSearch*>(context);
    search->tried = tried;
    return !search->stop;
}

CreateSearch* StartCreateSearch(int level) {
    if (level < LEVEL_EASY || level > LEVEL_FIENDISH) return nullptr;
    CreateSearch* search = new CreateSearch;
    search->game.PositionQuiet = 1;
    search->thread = std::thread([search, level] {
        const int64_t tried = CreatePuzzleAtLevel(&search->rater, &search->game, &search->gen,
                                                  level, WatchSearch, search);
        if (tried <= 0) return; // stopped
        search->tried = tried;
        search->found = true; // the game is the search's no more: it may be read
    });
    return search;
}

int CreateSearchState(CreateSearch* search, int64_t* tried, char* puzzle) {
    *tried = search->tried;
    if (!search->found) return 0;
    for (int i = 0; i < 81; i++) {
        const int digit = search->game.Board[i] & CELL_DIGIT;
        puzzle[i] = digit ? char('0' + digit) : '.';
    }
    puzzle[81] = 0;
    return 1;
}

void EndCreateSearch(CreateSearch* search) {
    if (!search) return;
    search->stop = true;
    search->thread.join(); // at most one rating away
    delete search;
}
