// quadrivo-cli check, count, solve and create: the verdict, the solution count, the unique
// solution and new puzzles, on the same core as the desktop program. Each puzzle of a batch
// starts from a fresh game, so its output does not depend on the puzzles before it.
#include "analysis/create.h"
#include "analysis/player.h"
#include "analysis/rating.h"
#include "cli/cli.h"
#include "control/create.h"
#include "control/session.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "model/board.h"
#include "model/verdicts.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

// The help of each command; the puzzle options are added to it.
const std::string CHECK_HELP =
    std::string("usage: quadrivo-cli check PUZZLE... [-f FILE] [--echo] [-j N] [--stats]\n"
                "Prints the verdict on each puzzle as its id and text, one line each:\n"
                "  100 Unique, 101 No Solution, 102 Invalid Position, 106 Several Solutions.\n"
                "  --echo      print each puzzle as given and a tab before its verdict\n") +
    PUZZLE_HELP +
    "Exit status: 0 when every puzzle is unique, 1 otherwise or when the output\n"
    "cannot be written, 2 for bad input.\n";
const std::string COUNT_HELP =
    std::string("usage: quadrivo-cli count PUZZLE... [--limit N] [-f FILE] [-j N] [--stats]\n"
                "Counts solutions up to a limit (default 1) and prints, one line each: the\n"
                "result, a blank, and the last solution reached as 81 digits (0 where none\n"
                "was recorded). The result is 0 (no solution), the number of solutions when\n"
                "there are at most N, or some number above N when there are more.\n"
                "  --limit N   stop counting above N solutions (0..2147483647)\n") +
    PUZZLE_HELP + "Exit status: 0, 1 when the output cannot be written, 2 for bad input.\n";
const std::string SOLVE_HELP =
    std::string("usage: quadrivo-cli solve PUZZLE... [-f FILE] [--echo] [-j N] [--stats]\n"
                "Prints the unique solution of each puzzle as 81 digits. A puzzle without\n"
                "exactly one solution prints its verdict text on standard error instead.\n"
                "With -f every input gets a line, so that the lines match the input: a\n"
                "puzzle that fails, or is not a puzzle, has the reason in its place.\n"
                "  --echo      print each puzzle as given and a tab before its line\n") +
    PUZZLE_HELP +
    "Exit status: 0 when every puzzle was solved, 1 otherwise or when the output\n"
    "cannot be written, 2 for bad input.\n";
const char* const CREATE_HELP =
    "usage: quadrivo-cli create [-n N] [--level NAME] [--technique NAME] [--seed S]\n"
    "                           [-j N] [--stats]\n"
    "Makes N (default 1, at most 100000000) new minimal puzzles with a unique\n"
    "solution and prints them, one 81-character line each, '.' for an empty cell.\n"
    "  --level NAME  only puzzles at this level of the player's rating (as rate\n"
    "                --scale player gives it): easy, medium, difficult,\n"
    "                very-difficult, fiendish or extreme (puzzles are drawn and\n"
    "                rated until one matches); any (the default) takes every puzzle\n"
    "  --technique NAME  practice a technique: only puzzles whose player's rating\n"
    "                has it as the hardest step, e.g. xy-wing, swordfish,\n"
    "                unique-rectangle, skyscraper (case, blanks and '-' ignored)\n"
    "The same seed S (0..4294967295) gives the same puzzles; without one every run\n"
    "differs. -j N rates the puzzles of a level or technique on N threads (default:\n"
    "one a core)\n"
    "while one thread draws them; the puzzles are the same for any N.\n"
    "--stats prints puzzles/s and the total time on standard error.\n"
    "Exit status: 0, 1 when the output cannot be written, 2 for bad input.\n";

namespace {
std::string GridText(const uint8_t* cells, char empty) {
    std::string s(81, empty);
    for (int i = 0; i < 81; i++)
        if (cells[i] & CELL_DIGIT) s[i] = char('0' + (cells[i] & CELL_DIGIT));
    return s;
}

const char* VerdictText(int id) {
    return id == VERDICT_UNIQUE ? "Unique" : StringText(id);
}

// The check and the solution on grids of their own (the solution empty at first, as a new
// game's), so that several run on threads at once.
int CheckOwnCells(const PuzzleItem& item, uint8_t* solution) {
    uint8_t cells[81];
    for (int i = 0; i < 81; i++) cells[i] = item.cells[i] & CELL_DIGIT;
    std::memset(solution, 0, 81);
    return CheckCellsVerdict(cells, solution);
}

ItemResult CheckOne(const PuzzleItem& item, const BatchOptions& options) {
    uint8_t solution[81];
    int verdict = CheckOwnCells(item, solution);
    ItemResult r;
    r.out = (options.echo ? item.text + "\t" : std::string()) + std::to_string(verdict) + " " +
            VerdictText(verdict) + "\n";
    r.status = verdict == VERDICT_UNIQUE ? 0 : 1;
    return r;
}

// Counts on a workspace and grids of its own, so that counts run on several threads at once;
// the solution starts empty, as a new game's.
ItemResult CountOne(const PuzzleItem& item, int32_t limit) {
    uint8_t cells[81], solution[81] = {};
    for (int i = 0; i < 81; i++) cells[i] = item.cells[i] & CELL_DIGIT;
    int32_t result = CountSolutions(cells, limit, solution);
    ItemResult r;
    r.out = std::to_string(result) + " " + GridText(solution, '0') + "\n";
    return r;
}

ItemResult SolveOne(const PuzzleItem& item, const BatchOptions& options) {
    uint8_t solution[81];
    int verdict = CheckOwnCells(item, solution);
    ItemResult r;
    const std::string echo = options.echo ? item.text + "\t" : std::string();
    if (verdict == VERDICT_UNIQUE) {
        r.out = echo + GridText(solution, '0') + "\n";
    } else {
        r.err = (BatchSeveral ? item.origin + ": " : std::string()) + StringText(verdict) + "\n";
        if (options.answerBad) r.out = echo + StringText(verdict) + "\n";
        r.status = 1;
    }
    return r;
}

} // namespace

int CmdCheck(const BatchOptions& options) {
    return RunBatch(options, [&](const PuzzleItem& item) { return CheckOne(item, options); });
}

int CmdCount(const CountOptions& options) {
    return RunBatch(options.batch,
                    [&](const PuzzleItem& item) { return CountOne(item, options.limit); });
}

// With -f every input gets a line, a bad one its reason.
int CmdSolve(const BatchOptions& options) {
    return RunBatch(options, [&](const PuzzleItem& item) { return SolveOne(item, options); });
}

// create --level and --technique keep what the player's judge (PlayerJudge) wants. After
// DRAWS_MAX draws without one, the run ends.
static constexpr long long DRAWS_MAX = 10000000;
// The run's output and how far it is from the last puzzle kept.
struct CreateRun {
    bool written = true;
    int64_t lastKept = 0;
};
static bool KeepCreated(void* context, const Game* G, int64_t tried) {
    auto* run = static_cast<CreateRun*>(context);
    run->lastKept = tried;
    return run->written = Emit(GridText(G->Board, '.') + "\n");
}
static bool GoOnDrawing(void* context, int64_t tried) {
    return tried - static_cast<CreateRun*>(context)->lastKept < DRAWS_MAX;
}

int CmdCreate(const CreateOptions& options) {
    const long long count = options.count;
    const int level = options.level;
    auto game = std::make_unique<Game>();
    Game* G = game.get();
    auto gen = std::make_unique<Generator>();
    if (options.seed >= 0) SeedGenerator(gen.get(), uint32_t(options.seed));
    auto start = std::chrono::steady_clock::now();
    long long tried = 0; // puzzles drawn, those of other levels included
    if (level == 0 && options.technique == 0) {
        for (long long i = 0; i < count; i++) {
            CreateGame(G, gen.get());
            if (!Emit(GridText(G->Board, '.') + "\n")) return 1;
        }
    } else {
        long cores = sysconf(_SC_NPROCESSORS_ONLN);
        cores = cores < 1 ? 1 : cores;
        const long threads = options.threads > 0 ? std::min(options.threads, 4 * cores) : cores;
        const PlayerWant want = PlayerWantFor(level, options.technique);
        CreateRun run;
        tried = CreateManyJudged(G, gen.get(), PlayerJudge, &want, 1, int(threads), count,
                                 KeepCreated, GoOnDrawing, &run);
        if (!run.written) return 1;
        if (tried == 0) {
            std::fprintf(stderr, "quadrivo-cli create: no such puzzle in %lld drawn\n", DRAWS_MAX);
            return 1;
        }
    }
    if (!FinishOutput()) return 1;
    if (options.stats) {
        double total =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "puzzles: %lld  total: %.3f s  %.1f puzzles/s\n", count, total,
                     total > 0 ? double(count) / total : 0.0);
        if (level != 0 || options.technique != 0)
            std::fprintf(stderr, "drawn and rated: %lld (%.1f per puzzle kept)\n", tried,
                         count > 0 ? double(tried) / double(count) : 0.0);
    }
    return 0;
}
