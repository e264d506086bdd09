// quadrivo-cli: shared pieces of the command-line front end (the command line, puzzle input, the
// batch runner, checked output) and the command entry points.
#pragma once
#include "cli/input.h"
#include "model/options.h"
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

struct Session;

// The inputs and settings of a batch of puzzles: the puzzle arguments and -f files in the order
// given, -j, --stats and --echo.
struct BatchOptions {
    std::string command;             // "check", for messages
    std::vector<InputSource> inputs; // puzzles and -f files, in command-line order
    long threads = 0;                // -j N; 0 for every core
    bool stats = false;              // --stats
    bool echo = false;               // --echo: each puzzle as given and a tab before its line
    bool answerBad = false;          // a bad input is also answered on standard output
};

// The options of each command, as the command line set them.
struct CountOptions {
    BatchOptions batch;
    int32_t limit = 1; // --limit N
};
struct CreateOptions {
    long long count = 1; // -n N
    int level = 0;       // --level: 0 any, else PLAYER_EASY..PLAYER_EXTREME
    int technique = 0;   // --technique: TQ_ of the hardest step, 0 any
    int64_t seed = -1;   // --seed S, -1 without one
    long threads = 0;    // -j N; 0 for every core
    bool stats = false;
};
// --order and --scale: the handheld's order of techniques, or the player's.
constexpr int CLI_ORDER_CLASSIC = 0;
constexpr int CLI_ORDER_PLAYER = 1;
struct RateOptions {
    BatchOptions batch;
    int scale = CLI_ORDER_CLASSIC; // --scale
};
struct PathOptions {
    BatchOptions batch;
    bool json = false;             // --json
    bool check = false;            // --check
    int order = CLI_ORDER_CLASSIC; // --order
};
struct HintOptions {
    BatchOptions batch;
    uint32_t techniques = TECH_ANALYSIS | TECH_SUBSETS | TECH_LOCKED | TECH_GRID | TECH_CHAINS |
                          TECH_ALS; // --techniques HEX
    int level = 3;                  // --level 1|2|3
    std::string marks;              // --marks FILE, empty without one
    bool candidates = false;        // --candidates
    int order = CLI_ORDER_PLAYER;   // --order
};
struct FormatOptions {
    BatchOptions batch;
    uint32_t layout = LAYOUT_9X9; // --layout
    uint32_t empty = EMPTY_DOTS;  // --empty
};
struct ShowOptions {
    std::vector<std::string> files;
    uint32_t empty = 0; // --empty: EMPTY_NULLS, EMPTY_DOTS or EMPTY_DASHES, 0 without
};

// The options every puzzle command takes, as its help states them.
extern const char* const PUZZLE_HELP;
// Each command's help.
extern const std::string CHECK_HELP, COUNT_HELP, SOLVE_HELP, RATE_HELP, PATH_HELP, HINT_HELP,
    FORMAT_HELP;
extern const char* const CREATE_HELP;
extern const char* const SHOW_HELP;

// Standard output, checked: Emit writes bytes and returns false after a write error, which it
// reports once on standard error ("quadrivo-cli: cannot write the output: REASON").
// FinishOutput flushes and reports likewise.
bool Emit(const char* data, size_t size);
bool Emit(const std::string& text);
bool FinishOutput();

// The output of one puzzle and its exit status (0 fine, 1 the puzzle failed).
struct ItemResult {
    std::string out;
    std::string err;
    int status = 0;
};
using PerPuzzle = std::function<ItemResult(const PuzzleItem& item)>;

// True while a batch runs when it has more than one input, so that a result names its puzzle.
extern bool BatchSeveral;

// Runs fn over the inputs of batch as they are read, printing each result in input order while
// later input is still arriving; a bad input is reported on standard error as ORIGIN: REASON
// (and, with answerBad, also on standard output as REASON, after "TEXT\t" with echo). Honours
// -j and --stats, and shows progress on a terminal. fn runs on several threads at once, so it
// must keep to records of its own. Returns the highest status met, 2 when an
// input was bad, 1 after a write error.
int RunBatch(const BatchOptions& batch, const PerPuzzle& fn);

// The puzzle inputs read in full for a command that takes exactly one: false (with the bad
// inputs reported) unless exactly one good puzzle came.
bool ReadOnePuzzle(const BatchOptions& batch, PuzzleItem* item, int* inputs);

// Opens a file for reading ("-" is standard input); -1 with the system's reason in *why (a
// folder says "Is a directory").
int OpenInput(const std::string& name, std::string* why);

// Command entry points, with the options of their command line. Return the exit status.
int CmdCheck(const BatchOptions& options);
int CmdCount(const CountOptions& options);
int CmdSolve(const BatchOptions& options);
int CmdCreate(const CreateOptions& options);
int CmdRate(const RateOptions& options);
int CmdPath(const PathOptions& options);
int CmdHint(const HintOptions& options);
int CmdFormat(const FormatOptions& options);
int CmdShow(const ShowOptions& options);
