// quadrivo-cli: shared pieces of the command-line front end (the command line, puzzle input, the
// batch runner, checked output) and the command entry points.
#pragma once
#include "cli/input.h"
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// How an option's value is checked before the command sees it.
enum OptionValue {
    VALUE_NONE,    // a flag
    VALUE_TEXT,    // any text (a file name)
    VALUE_WHOLE,   // a whole number from low to high
    VALUE_WORKERS, // a whole number of worker processes, 1 or more
    VALUE_CHOICE,  // one of the names in choices ("a|b|c")
    VALUE_HEX,     // a hexadecimal mask of at most four digits ("3F", "0x3f")
};
struct OptionRule {
    const char* name; // "-j", "--limit"
    OptionValue value;
    long long low = 0, high = 0;
    const char* choices = nullptr;
};

// Parsed command line of one command: options with their values and flags, and the inputs
// (puzzle arguments and -f files) in the order they were given.
struct CliArgs {
    std::string command; // "check"
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options; // "--limit" -> "2", in order
    std::vector<std::string> flags;                           // "--json"
    std::vector<InputSource> inputs;                          // positional and -f, in order
    bool Has(const char* flag) const;
    const std::string* Option(const char* name) const; // last value given, or null
};

// The options every puzzle command takes: -f FILE, -j N and --stats, and their help.
extern const std::vector<OptionRule> BATCH_OPTIONS;
extern const char* const PUZZLE_HELP;
// BATCH_OPTIONS after a command's own.
std::vector<OptionRule> BatchOptions(std::vector<OptionRule> own);

// Parses argv (argv[0] is the command's name) with the command's options; "-h" and "--help"
// print help and return 0; a bad command line prints what is wrong with a pointer to --help and
// returns 2; otherwise returns -1 with *out filled. An argument that is a puzzle is positional
// even when it starts with '-'; "--" ends the options.
int ParseCommandLine(int argc, char** argv, const std::vector<OptionRule>& rules, const char* help,
                     CliArgs* out);

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
using PerPuzzle = ItemResult (*)(const PuzzleItem& item, const CliArgs& args);

// True while a batch runs when it has more than one input, so that a result names its puzzle.
extern bool BatchSeveral;

// Runs fn over the inputs of args as they are read, printing each result in input order while
// later input is still arriving; a bad input is reported on standard error as ORIGIN: REASON
// (and, with answerBad, also on standard output as REASON, after "TEXT\t" with --echo). Honours
// -j N and --stats, and shows progress on a terminal. Returns the highest status met, 2 when an
// input was bad, 1 after a write error.
int RunBatch(const CliArgs& args, PerPuzzle fn, bool answerBad = false);

// The puzzle inputs read in full for a command that takes exactly one: false (with the bad
// inputs reported) unless exactly one good puzzle came.
bool ReadOnePuzzle(const CliArgs& args, PuzzleItem* item, int* inputs);

// Opens a file for reading ("-" is standard input); -1 with the system's reason in *why (a
// folder says "Is a directory").
int OpenInput(const std::string& name, std::string* why);

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
