// The checked standard output every command writes through, and the help of the options every
// puzzle command takes.
#include "cli/cli.h"
#include <cerrno>
#include <csignal>
#include <cstring>

const char* const PUZZLE_HELP =
    "A PUZZLE is 81 characters, row by row: '1'-'9' a digit, '.', '0' or '-' an empty\n"
    "cell; it may start with '-', and \"--\" ends the options.\n"
    "  -f FILE     also read puzzles from FILE, one a line ('-': standard input;\n"
    "              blank lines and lines starting with '#' are skipped, a line over\n"
    "              4096 bytes is reported and skipped); puzzles and files are taken\n"
    "              in the order given, and work starts while input still arrives\n"
    "  -j N        use N threads (default: every core; at most four a core);\n"
    "              output stays in input order\n"
    "  --stats     print puzzles/s, the total time and the slowest puzzle on\n"
    "              standard error\n";

static bool WriteFailed = false;

// A reader that went away (| head) ends the program quietly, as SIGPIPE would have; anything
// else is reported once.
static bool ReportWriteError(int error) {
    if (error == EPIPE) {
        signal(SIGPIPE, SIG_DFL);
        raise(SIGPIPE);
    }
    if (!WriteFailed)
        std::fprintf(stderr, "quadrivo-cli: cannot write the output: %s\n",
                     std::strerror(error ? error : EIO));
    WriteFailed = true;
    return false;
}

bool Emit(const char* data, size_t size) {
    if (WriteFailed) return false;
    errno = 0;
    if ((size && std::fwrite(data, 1, size, stdout) != size) || std::ferror(stdout))
        return ReportWriteError(errno);
    return true;
}

bool Emit(const std::string& text) {
    return Emit(text.data(), text.size());
}

bool FinishOutput() {
    if (WriteFailed) return false;
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) return ReportWriteError(errno);
    return true;
}
