// quadrivo-cli: batch and scripting front end on the same core as the desktop program.
#include "cli/cli.h"
#include "control/dialogrules.h"
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};
constexpr Command COMMANDS[] = {
    {"check", CmdCheck, "judge puzzles: Unique, No Solution, Invalid Position, Several"},
    {"count", CmdCount, "count solutions up to a limit and print the last one reached"},
    {"solve", CmdSolve, "print the unique solution"},
    {"create", CmdCreate, "make new minimal puzzles with a unique solution"},
    {"rate", CmdRate, "rate puzzles by logic alone"},
    {"path", CmdPath, "print the solving path step by step"},
    {"hint", CmdHint, "print the next logical step"},
    {"format", CmdFormat, "print a puzzle as text in a chosen layout"},
    {"show", CmdShow, "print what a saved game holds"},
};

std::string Usage() {
    std::string text = "usage: quadrivo-cli COMMAND [ARGS]\n"
                       "       quadrivo-cli --help | --version\n\ncommands:\n";
    for (const Command& c : COMMANDS) {
        char line[96];
        std::snprintf(line, sizeof line, "  %-8s %s\n", c.name, c.summary);
        text += line;
    }
    return text + "\nA PUZZLE is 81 characters: '1'-'9' a digit, '.', '0' or '-' an empty cell.\n"
                  "Run 'quadrivo-cli COMMAND --help' for a command's options.\n"
                  "Exit status: 0 done, 1 a puzzle failed or the output could not be written,\n"
                  "2 bad input or command line (each command's help says more).\n";
}
} // namespace

int main(int argc, char** argv) {
    // A closed pipe shows as EPIPE and ends the program quietly (see Emit), also while the
    // batch writes to its workers.
    std::signal(SIGPIPE, SIG_IGN);
    int status = 2;
    if (argc < 2) {
        std::fputs(Usage().c_str(), stderr);
        return 2;
    }
    const char* word = argv[1];
    if (!std::strcmp(word, "--help") || !std::strcmp(word, "-h") || !std::strcmp(word, "help")) {
        Emit(Usage());
        status = 0;
    } else if (!std::strcmp(word, "--version")) {
        char line[64];
        VersionLine(line, sizeof line);
        Emit(std::string(line) + "\n");
        status = 0;
    } else {
        const Command* found = nullptr;
        for (const Command& c : COMMANDS)
            if (!std::strcmp(word, c.name)) found = &c;
        if (!found) {
            std::fprintf(stderr, "quadrivo-cli: unknown command '%s'\n%s", word, Usage().c_str());
            return 2;
        }
        status = found->run(argc - 1, argv + 1);
    }
    return FinishOutput() ? status : 1;
}
