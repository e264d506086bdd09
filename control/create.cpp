// Command "Create" at the chosen level and "Practice" of a technique, the search that looks for
// such a puzzle in the background (a thread with a game and a generator of its own, so the
// window's game goes on while it runs), and the making of puzzles judged on several threads.
#include "control/create.h"
#include "analysis/create.h"
#include "analysis/player.h"
#include "analysis/rating.h"
#include "control/keep.h"
#include "control/rate.h"
#include "control/session.h"
#include "control/stepview.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/options.h"
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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

// What "Create" does once the new puzzle is on the Board; technique: the one it practises, or 0.
static void ShowCreatedPuzzle(Session* S, int technique) {
    RefreshSession(S, {.marks = true, .clock = true});
    ResetPosition(S);
    S->Practised = technique;
    S->PractisedSerial = S->PuzzleSerial; // this puzzle's, until another takes its place
    ShellSetTitle(S);
    RefreshStep(S); // the new puzzle's line shows behind the rating's box
    RateGame(S);
}

void CreateCommand(Session* S) {
    if (S->ChosenLevel != 0 && ShellStartCreate(S, S->ChosenLevel, 0))
        return; // the shell watches a background search
    S->CurrentFile[0] = 0;
    S->CollectionIndex = -1;
    ShellBusyCursor(S, true);
    // Any level is the first puzzle drawn: no rater needed (an analysis is over a megabyte).
    std::unique_ptr<Rater> rater(S->ChosenLevel != 0 ? new Rater : nullptr);
    CreatePuzzleAtLevel(rater.get(), S, &S->CreateSource, S->ChosenLevel, nullptr, nullptr);
    ShellBusyCursor(S, false);
    ShowCreatedPuzzle(S, 0);
}

int AcceptCreatedPuzzle(Session* S, const char* text, int technique) {
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
    ShowCreatedPuzzle(S, technique);
    RefreshStep(S); // as after a command
    return 1;
}

// The classic judge: the level of the classic rating, -1 when the logic cannot solve it.
static int ClassicLevel(const void*, Game* game, Rater* rater) {
    const int score = RatePosition(rater, game, nullptr, nullptr);
    return score > 0 ? LevelIndex(score) : -1;
}

static bool KeepFirst(void*, const Game*, int64_t) {
    return false; // one puzzle is all a search wants
}

// ---- Practice ----------------------------------------------------------------------------

// Draws a practice search without a shell makes before it gives up (a rare technique).
constexpr int64_t PRACTICE_DRAWS_MAX = 20000;

int PracticeAllowed(int technique) {
    return technique > TQ_NONE && technique < TQ_COUNT &&
           TECHNIQUE_TABLE[technique].level > PLAYER_EASY;
}

PlayerWant PlayerWantFor(int level, int technique) {
    PlayerWant want = {level, technique, 1000};
    // a technique's variants rate up to half a point above its row; chains grow with length
    if (technique > TQ_NONE && technique < TQ_X_CHAIN)
        want.maxRating = TECHNIQUE_TABLE[technique].rating + 5;
    return want;
}

// The player's solve goes on while a step can still be part of the puzzle wanted.
static bool StopAbove(void* context, const PlayerGrid*, const PlayerStep& S) {
    const PlayerWant& want = *static_cast<const PlayerWant*>(context);
    return S.rating <= want.maxRating &&
           (!want.level || TECHNIQUE_TABLE[S.technique].level <= want.level);
}

int PlayerJudge(const void* context, Game* G, Rater*) {
    PlayerWant want = *static_cast<const PlayerWant*>(context);
    uint8_t cells[81];
    for (int x = 0; x < 81; x++) cells[x] = G->Board[x] & CELL_DIGIT;
    const PlayerResult R = PlayerSolve(cells, ORDER_RATING, 1, StopAbove, &want);
    return R.solved && (!want.level || R.level == want.level) &&
           (!want.technique || R.hardest == want.technique);
}

// The run of a practice search without a shell: the draws it may make.
static bool WithinDraws(void*, int64_t tried) {
    return tried < PRACTICE_DRAWS_MAX;
}

void PracticeCommand(Session* S) {
    if (ShellRunDialog(S, DIALOG_PRACTICE) != DIALOG_OK) return;
    const int technique = S->Practice;
    if (!PracticeAllowed(technique)) { // nothing the order could make a puzzle for
        ShellBeep(S);
        return;
    }
    if (ShellStartCreate(S, 0, technique)) return; // the shell watches a background search
    // At once, on a game of its own: the game stays as it is unless a puzzle is found.
    ShellBusyCursor(S, true);
    auto game = std::make_unique<Game>();
    game->PositionQuiet = 1;
    std::memcpy(game->SolutionGrid, S->SolutionGrid, 81); // as CreateGame on S would start
    const PlayerWant want = PlayerWantFor(0, technique);
    const int64_t tried = CreateManyJudged(game.get(), &S->CreateSource, PlayerJudge, &want, 1, 1,
                                           1, KeepFirst, WithinDraws, nullptr);
    ShellBusyCursor(S, false);
    if (tried <= 0) {
        char text[160];
        std::snprintf(text, sizeof text, "No puzzle that practises %s was found in %lld drawn.",
                      TECHNIQUE_TABLE[technique].name, (long long)PRACTICE_DRAWS_MAX);
        ShellMessageBox(S, text);
        return;
    }
    char puzzle[82];
    for (int i = 0; i < 81; i++) {
        const int digit = game->Board[i] & CELL_DIGIT;
        puzzle[i] = digit ? char('0' + digit) : '.';
    }
    AcceptCreatedPuzzle(S, puzzle, technique);
}

// ---- The background search --------------------------------------------------------------

struct CreateSearch {
    Game game;     // off screen: the search calls no shell hook
    Generator gen; // fresh draws, seeded from the clock
    CreateJudge judge;
    alignas(std::max_align_t) unsigned char context[CREATE_CONTEXT_MAX]; // the judge's
    int want;
    std::atomic<int64_t> tried{0};
    std::atomic<bool> stop{false}, found{false};
    std::thread thread;
};

static bool WatchSearch(void* context, int64_t tried) {
    CreateSearch* search = static_cast<CreateSearch*>(context);
    search->tried = tried;
    return !search->stop;
}

CreateSearch* StartCreateSearch(CreateJudge judge, const void* judgeContext, size_t contextSize,
                                int want) {
    if (contextSize > CREATE_CONTEXT_MAX) return nullptr; // it would not fit the copy
    CreateSearch* search = new CreateSearch;
    search->game.PositionQuiet = 1;
    search->judge = judge;
    if (contextSize) std::memcpy(search->context, judgeContext, contextSize);
    search->want = want;
    search->thread = std::thread([search] {
        // Drawn on this thread, judged on one thread a core.
        const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
        const int64_t tried =
            CreateManyJudged(&search->game, &search->gen, search->judge, search->context,
                             search->want, cores, 1, KeepFirst, WatchSearch, search);
        if (tried <= 0) return; // stopped
        search->tried = tried;
        search->found = true; // the game is the search's no more: it may be read
    });
    return search;
}

CreateSearch* StartCreateSearch(int level) {
    if (level < LEVEL_EASY || level > LEVEL_FIENDISH) return nullptr;
    return StartCreateSearch(ClassicLevel, nullptr, 0, level);
}

CreateSearch* StartPracticeSearch(int technique) {
    if (!PracticeAllowed(technique)) return nullptr;
    static_assert(sizeof(PlayerWant) <= CREATE_CONTEXT_MAX);
    const PlayerWant want = PlayerWantFor(0, technique);
    return StartCreateSearch(PlayerJudge, &want, sizeof want, 1);
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

// ---- Puzzles of a level on several threads ----------------------------------------------------
//
// The generator's draws form one sequence (each puzzle starts from the random source and the
// solution grid the one before left), so one thread draws them in order into a ring of slots;
// the other threads rate the slots in the order drawn, each with a game and a rater of its own,
// and this thread keeps, in the order drawn, the puzzles that rated at the level. The ring holds
// RING_PER_THREAD slots a thread, so drawing runs at most that far ahead of the puzzle looked at.

namespace {
constexpr int RING_PER_THREAD = 8;

struct LevelSlot {
    uint8_t board[81], solution[81];
    int level = -1; // the level rated, LEVEL_VERY_EASY - 1 when the logic cannot solve it
    bool rated = false;
};

struct LevelRun {
    CreateJudge judge;
    const void* judgeContext;
    std::vector<LevelSlot> ring;
    std::mutex lock;
    std::condition_variable drawnReady, ratedReady;
    uint64_t drawn = 0, claimed = 0; // slots drawn; slots taken by a rating thread
    bool stop = false;
};

// A rating thread: takes the drawn slots in order and rates each on a game of its own.
void RateSlots(LevelRun* run) {
    auto game = std::make_unique<Game>();
    auto rater = std::make_unique<Rater>();
    game->PositionQuiet = 1;
    std::unique_lock<std::mutex> hold(run->lock);
    for (;;) {
        run->drawnReady.wait(hold, [run] { return run->stop || run->claimed < run->drawn; });
        if (run->stop) return;
        LevelSlot& slot = run->ring[run->claimed++ % run->ring.size()];
        hold.unlock();
        ResetGame(game.get()); // as CreateGame leaves the game
        std::memcpy(game->Board, slot.board, 81);
        std::memcpy(game->SolutionGrid, slot.solution, 81);
        ResetPosition(game.get());
        const int level = run->judge(run->judgeContext, game.get(), rater.get());
        hold.lock();
        slot.level = level;
        slot.rated = true;
        run->ratedReady.notify_all();
    }
}
} // namespace

int64_t CreateManyAtLevel(Game* G, Generator* gen, int level, int threads, int64_t count,
                          CreateKeeper keep, bool (*watch)(void* context, int64_t tried),
                          void* context) {
    if (level < LEVEL_EASY || level > LEVEL_FIENDISH) return -1;
    return CreateManyJudged(G, gen, ClassicLevel, nullptr, level, threads, count, keep, watch,
                            context);
}

int64_t CreateManyJudged(Game* G, Generator* gen, CreateJudge judge, const void* judgeContext,
                         int want, int threads, int64_t count, CreateKeeper keep,
                         bool (*watch)(void* context, int64_t tried), void* context) {
    int64_t tried = 0;
    if (threads <= 1) { // the plain loop: draw, judge, keep
        auto rater = std::make_unique<Rater>();
        for (int64_t n = 0; n < count;) {
            CreateGame(G, gen);
            tried++;
            if (judge(judgeContext, G, rater.get()) != want) {
                if (watch && !watch(context, tried)) return 0;
                continue;
            }
            n++;
            if (!keep(context, G, tried)) break;
        }
        return tried;
    }
    LevelRun run;
    run.judge = judge;
    run.judgeContext = judgeContext;
    run.ring.resize(size_t(RING_PER_THREAD) * size_t(threads));
    std::vector<std::thread> raters;
    for (int t = 0; t < threads; t++) raters.emplace_back(RateSlots, &run);
    uint8_t solution[81]; // the grid the generator carries from one puzzle to the next
    std::memcpy(solution, G->SolutionGrid, 81);
    std::unique_lock<std::mutex> hold(run.lock);
    for (int64_t kept = 0, next = 0; kept < count; next++) { // next: the slot looked at
        // Draw while the ring has room and the slot looked at is not rated yet.
        while (run.drawn - uint64_t(next) < run.ring.size() &&
               !(uint64_t(next) < run.drawn && run.ring[next % run.ring.size()].rated)) {
            LevelSlot& slot = run.ring[run.drawn % run.ring.size()];
            slot.rated = false;
            hold.unlock(); // a slot not yet drawn is this thread's alone
            CreatePuzzle(gen, slot.board, solution);
            std::memcpy(slot.solution, solution, 81);
            hold.lock();
            run.drawn++;
            run.drawnReady.notify_one();
        }
        LevelSlot& slot = run.ring[next % run.ring.size()];
        run.ratedReady.wait(hold, [&slot] { return slot.rated; });
        tried++;
        if (slot.level != want) {
            if (!watch) continue;
            hold.unlock();
            const bool more = watch(context, tried);
            hold.lock();
            if (more) continue;
            tried = 0; // stopped
            break;
        }
        ResetGame(G);
        std::memcpy(G->Board, slot.board, 81);
        std::memcpy(G->SolutionGrid, slot.solution, 81);
        ResetPosition(G);
        kept++;
        hold.unlock();
        const bool more = keep(context, G, tried);
        hold.lock();
        if (!more) break;
    }
    run.stop = true;
    hold.unlock();
    run.drawnReady.notify_all();
    for (std::thread& t : raters) t.join();
    return tried;
}
