// quadrivo-cli: batch and scripting front end on the same core as the desktop program.
#include "cli/cli.h"
#include <cstdio>
#include <cstring>

namespace {
struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};
constexpr Command COMMANDS[] = {
    {"check", CmdCheck,
     "judge a puzzle: 100 Unique, 101 No Solution, 102 Invalid Position, 106 Several Solutions"},
    {"count", CmdCount, "count solutions up to a limit and print the last solution reached"},
    {"solve", CmdSolve, "print the unique solution"},
    {"create", CmdCreate, "make new minimal puzzles with a unique solution"},
    {"rate", CmdRate, "rate puzzles by logic alone"},
    {"path", CmdPath, "print the solving path step by step"},
    {"hint", CmdHint, "print the next logical step"},
    {"format", CmdFormat, "print a puzzle as text in a chosen layout"},
    {"show", CmdShow, "print what a saved game holds"},
};

void Usage(FILE* out) {
    std::fprintf(out, "usage: quadrivo-cli COMMAND [ARGS]\n\ncommands:\n");
    for (const Command& c : COMMANDS) std::fprintf(out, "  %-8s %s\n", c.name, c.summary);
    std::fprintf(out,
                 "\nA PUZZLE is 81 characters: '1'-'9' a digit, '.', '0' or '-' an empty cell.\n"
                 "Run 'quadrivo-cli COMMAND --help' for a command's options.\n");
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage(stderr);
        return 2;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
        !std::strcmp(argv[1], "help")) {
        Usage(stdout);
        return 0;
    }
    for (const Command& c : COMMANDS)
        if (!std::strcmp(argv[1], c.name)) return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "quadrivo-cli: unknown command '%s'\n", argv[1]);
    Usage(stderr);
    return 2;
}
