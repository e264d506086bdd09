// quadrivo-cli: shared pieces of the command-line front end (argument parsing, puzzle input,
// the batch runner) and the command entry points.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Parsed command line of one command: positional words, options with values, bare flags.
struct CliArgs {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options; // "--limit" -> "2"
    std::vector<std::string> flags;                           // "--json"
    bool Has(const char* flag) const;
    const std::string* Option(const char* name) const; // last value given, or null
};

// Splits argv; names in valueOptions take the next word as value ("-f" and "-j" always do, and
// "--stats" is always a flag). Unknown "-x" words are reported in *error. Returns false on error.
bool ParseArgs(int argc, char** argv, const std::vector<std::string>& valueOptions,
               const std::vector<std::string>& flagOptions, CliArgs* out, std::string* error);

// One puzzle to process: its 81 cell bytes (bare digits), the text given and where it came from.
struct PuzzleItem {
    uint8_t cells[81];
    std::string text;
    std::string origin; // "argument 2" or "FILE:LINE"
};

// Reads an 81-character puzzle ('1'-'9' digits; '.', '0', '-' empty). False with a message
// saying what is wrong otherwise.
bool ParsePuzzleArgument(const std::string& text, uint8_t cells[81], std::string* error);

// Gathers the PUZZLE arguments and the lines of -f FILE ("-" for standard input: one puzzle a
// line, LF or CR LF, blank and '#' lines skipped). Bad inputs are reported on standard error as
// ORIGIN: what is wrong and counted in *bad; the others are returned in order.
std::vector<PuzzleItem> GatherPuzzles(const CliArgs& args, int* bad);

// Loads cells as a new game: ResetAllModules, givens as bare digits, ChangePosition(POS_RESET).
void LoadAsNewGame(const uint8_t cells[81]);

// The output of one puzzle and its exit status (0 fine, 1 the puzzle failed).
struct ItemResult {
    std::string out;
    std::string err;
    int status = 0;
};
using PerPuzzle = ItemResult (*)(const PuzzleItem& item, const CliArgs& args);

// Runs fn over the items, printing each result in input order. Honours -j N, --stats and
// shows progress on a terminal. Returns the highest status met.
int RunBatch(const std::vector<PuzzleItem>& items, PerPuzzle fn, const CliArgs& args);

// Installs hooks that print message boxes to standard error (or nothing when quiet).
void InstallConsoleHooks(bool quiet);

// Command entry points: argv[0] is the command name. Return the exit status.
int CmdCheck(int argc, char** argv);
int CmdCount(int argc, char** argv);
int CmdSolve(int argc, char** argv);
int CmdCreate(int argc, char** argv);
int CmdRate(int argc, char** argv);
int CmdPath(int argc, char** argv);
int CmdHint(int argc, char** argv);
int CmdFormat(int argc, char** argv);
int CmdShow(int argc, char** argv);
