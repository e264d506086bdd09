// quadrivo-cli check, count, solve and create: the verdict, the solution count, the unique
// solution and new puzzles, on the same core as the desktop program. Each puzzle of a batch
// starts from a fresh game, so its output does not depend on the puzzles before it.
#include "cli/cli.h"
#include "control/session.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "model/board.h"
#include "model/verdicts.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr const char* PUZZLE_HELP =
    "A PUZZLE is 81 characters, row by row: '1'-'9' a digit, '.', '0' or '-' an empty cell.\n"
    "  -f FILE     also read puzzles from FILE, one a line ('-': standard input;\n"
    "              blank lines and lines starting with '#' are skipped)\n"
    "  -j N        use N worker processes (default: every core); output stays in input order\n"
    "  --stats     print puzzles/s, the total time and the slowest puzzle on standard error\n";

constexpr const char* CHECK_HELP =
    "usage: quadrivo-cli check PUZZLE... [-f FILE] [-j N] [--stats]\n"
    "Prints the verdict on each puzzle as its id and text, one line each:\n"
    "  100 Unique, 101 No Solution, 102 Invalid Position, 106 Several Solutions.\n"
    "Exit status: 0 when every puzzle is unique, 1 otherwise, 2 for bad input.\n";
constexpr const char* COUNT_HELP =
    "usage: quadrivo-cli count PUZZLE... [--limit N] [-f FILE] [-j N] [--stats]\n"
    "Counts solutions up to a limit (default 1) and prints, one line each: the result, a blank,\n"
    "and the last solution reached as 81 digits (0 where none was recorded).\n"
    "The result is 0 (no solution), the number of solutions when there are at most N, or some\n"
    "number above N when there are more.\n"
    "Exit status: 0, or 2 for bad input.\n";
constexpr const char* SOLVE_HELP =
    "usage: quadrivo-cli solve PUZZLE... [-f FILE] [-j N] [--stats]\n"
    "Prints the unique solution of each puzzle as 81 digits. A puzzle without exactly one\n"
    "solution prints its verdict text on standard error instead.\n"
    "Exit status: 0 when every puzzle was solved, 1 otherwise, 2 for bad input.\n";
constexpr const char* CREATE_HELP =
    "usage: quadrivo-cli create [-n N] [--seed S] [--stats]\n"
    "Makes N (default 1) new minimal puzzles with a unique solution and prints them, one\n"
    "81-character line each, '.' for an empty cell. The same seed S (0..4294967295) gives\n"
    "the same puzzles; without one every run differs.\n"
    "Exit status: 0, or 2 for bad input.\n";

// Parses a whole decimal number within [low, high]; false for anything else.
bool ParseNumber(const std::string& text, long long low, long long high, long long* value) {
    if (text.empty() || text.size() > 12) return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    for (size_t k = i; k < text.size(); k++)
        if (text[k] < '0' || text[k] > '9') return false;
    long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v < low || v > high) return false;
    *value = v;
    return true;
}

// Parses the command line; prints help (status 0) or an error (status 2) and returns false
// when the command should not go on.
bool ReadCommandLine(int argc, char** argv, const std::vector<std::string>& values,
                     const char* help, bool takesPuzzles, CliArgs* args, int* status) {
    std::string error;
    if (!ParseArgs(argc, argv, values, {}, args, &error)) {
        std::fprintf(stderr, "quadrivo-cli %s: %s\n", argv[0], error.c_str());
        std::fputs(help, stderr);
        *status = 2;
        return false;
    }
    if (args->Has("--help")) {
        std::fputs(help, stdout);
        if (takesPuzzles) std::fputs(PUZZLE_HELP, stdout);
        *status = 0;
        return false;
    }
    return true;
}

// The puzzles of the command line; a bad one is reported as ORIGIN on standard error and
// counted in *bad while the others still run. False when no puzzle was given at all.
bool ReadPuzzles(const char* command, const CliArgs& args, std::vector<PuzzleItem>* items,
                 int* bad) {
    *items = GatherPuzzles(args, bad);
    if (items->empty() && *bad == 0) {
        std::fprintf(stderr, "quadrivo-cli %s: no puzzle given (see --help)\n", command);
        return false;
    }
    return true;
}

std::string GridText(const uint8_t* cells, char empty) {
    std::string s(81, empty);
    for (int i = 0; i < 81; i++)
        if (cells[i] & CELL_DIGIT) s[i] = char('0' + (cells[i] & CELL_DIGIT));
    return s;
}

const char* VerdictText(int id) {
    return id == VERDICT_UNIQUE ? "Unique" : StringText(id);
}

// Several puzzles: messages on standard error name the puzzle they belong to.
bool ManyPuzzles = false;

ItemResult CheckOne(const PuzzleItem& item, const CliArgs&) {
    LoadAsNewGame(item.cells);
    int verdict = CheckPosition();
    ItemResult r;
    r.out = std::to_string(verdict) + " " + VerdictText(verdict) + "\n";
    r.status = verdict == VERDICT_UNIQUE ? 0 : 1;
    return r;
}

int32_t CountLimit = 1;

ItemResult CountOne(const PuzzleItem& item, const CliArgs&) {
    LoadAsNewGame(item.cells);
    int32_t result = CountSolutions(Board, CountLimit);
    ItemResult r;
    r.out = std::to_string(result) + " " + GridText(SolutionGrid, '0') + "\n";
    return r;
}

ItemResult SolveOne(const PuzzleItem& item, const CliArgs&) {
    LoadAsNewGame(item.cells);
    int verdict = CheckPosition();
    ItemResult r;
    if (verdict == VERDICT_UNIQUE) {
        r.out = GridText(SolutionGrid, '0') + "\n";
    } else {
        r.err = (ManyPuzzles ? item.origin + ": " : std::string()) + StringText(verdict) + "\n";
        r.status = 1;
    }
    return r;
}

int RunPuzzleCommand(int argc, char** argv, const std::vector<std::string>& values,
                     const char* help, PerPuzzle fn) {
    CliArgs args;
    int status = 0;
    if (!ReadCommandLine(argc, argv, values, help, true, &args, &status)) return status;
    if (const std::string* limit = args.Option("--limit")) {
        long long v = 0;
        if (!ParseNumber(*limit, 0, 2147483647, &v)) {
            std::fprintf(stderr, "quadrivo-cli %s: --limit takes a whole number 0..2147483647\n",
                         argv[0]);
            return 2;
        }
        CountLimit = int32_t(v);
    }
    std::vector<PuzzleItem> items;
    int bad = 0;
    if (!ReadPuzzles(argv[0], args, &items, &bad)) return 2;
    ManyPuzzles = items.size() > 1;
    InstallConsoleHooks(true);
    status = RunBatch(items, fn, args);
    return bad ? 2 : status;
}
} // namespace

int CmdCheck(int argc, char** argv) {
    return RunPuzzleCommand(argc, argv, {}, CHECK_HELP, CheckOne);
}

int CmdCount(int argc, char** argv) {
    return RunPuzzleCommand(argc, argv, {"--limit"}, COUNT_HELP, CountOne);
}

int CmdSolve(int argc, char** argv) {
    return RunPuzzleCommand(argc, argv, {}, SOLVE_HELP, SolveOne);
}

int CmdCreate(int argc, char** argv) {
    CliArgs args;
    int status = 0;
    if (!ReadCommandLine(argc, argv, {"-n", "--seed"}, CREATE_HELP, false, &args, &status))
        return status;
    long long count = 1, seed = 0;
    const std::string* n = args.Option("-n");
    const std::string* s = args.Option("--seed");
    if (n && !ParseNumber(*n, 0, 100000000, &count)) {
        std::fprintf(stderr, "quadrivo-cli create: -n takes a whole number 0..100000000\n");
        return 2;
    }
    if (s && !ParseNumber(*s, 0, 4294967295LL, &seed)) {
        std::fprintf(stderr, "quadrivo-cli create: --seed takes a whole number 0..4294967295\n");
        return 2;
    }
    if (!args.positional.empty() || args.Option("-f") || args.Option("-j")) {
        std::fprintf(stderr, "quadrivo-cli create: takes only -n, --seed and --stats\n");
        return 2;
    }
    ResetAllModules();
    InstallConsoleHooks(true);
    if (s) SeedRandom(uint32_t(seed));
    auto start = std::chrono::steady_clock::now();
    for (long long i = 0; i < count; i++) {
        CreatePuzzle();
        std::string line = GridText(Board, '.') + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::fflush(stdout);
    if (args.Has("--stats")) {
        double total =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "puzzles: %lld  total: %.3f s  %.1f puzzles/s\n", count, total,
                     total > 0 ? double(count) / total : 0.0);
    }
    return 0;
}
