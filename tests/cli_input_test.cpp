// quadrivo-cli reading its input and writing its output, run as the built program: puzzles and
// files in command-line order, lines read as a stream in bounded memory, the progress bar on a
// terminal, and write errors.
#include "files/puzzlefile.h"
#include "tests/support.h"
#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {
class CliInput : public FileTest {};

const std::string BUILTIN = BUILTIN_PUZZLE;
const std::string NO_SOLUTION = "12345678." + std::string(8, '.') + "9" + std::string(63, '.');
// The same puzzle with '-' for its empty cells: it starts with '-' like an option.
std::string Dashed(std::string puzzle) {
    for (char& c : puzzle)
        if (c == '.') c = '-';
    return puzzle;
}

// The CLI started with its standard input and output on pipes of this process and its standard
// error in a file.
struct Child {
    pid_t pid = -1;
    int in = -1, out = -1;
};
Child Spawn(const std::vector<std::string>& words, const std::string& errFile) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    for (int fd : {in[0], in[1], out[0], out[1]}) posix_spawn_file_actions_addclose(&actions, fd);
    std::vector<char*> argv = {const_cast<char*>(QUADRIVO_CLI)};
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    Child child;
    if (posix_spawn(&child.pid, QUADRIVO_CLI, &actions, nullptr, argv.data(), environ) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    child.in = in[1];
    child.out = out[0];
    return child;
}

// Whatever arrives on fd within ms milliseconds, up to and including the first line end.
std::string ReadLine(int fd, int ms) {
    std::string got;
    char c;
    while (got.empty() || got.back() != '\n') {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0 || read(fd, &c, 1) != 1) break;
        got += c;
    }
    return got;
}

bool WriteAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// The highest resident memory of a running process so far, in KiB (0 when unknown).
long PeakKiB(pid_t pid) {
    std::string status = ReadBytes("/proc/" + std::to_string(pid) + "/status");
    size_t at = status.find("VmHWM:");
    return at == std::string::npos ? 0 : std::atol(status.c_str() + at + 6);
}

// Arguments and files come in command-line order; every puzzle character may start an argument;
// a line is a puzzle after a UTF-8 byte-order mark and before trailing blanks; bad input is
// named by what is wrong, with the system's reason for a file that cannot be read.
TEST_F(CliInput, InputsAreReadInOrderAndNamedWhenBad) {
    const std::string one = Write("one.txt", BUILTIN + "\n");
    const std::string tooLong = Write("long.txt", BUILTIN + "\n" + std::string(5000, '1') + "\n" +
                                                      NO_SOLUTION + "  \t\r\n");
    const std::string marked = Write("bom.txt", "\xEF\xBB\xBF" + BUILTIN + "\n");
    const std::string twoDashes = "--" + BUILTIN.substr(2); // "--1.6..": no longer unique
    std::string accent = BUILTIN;
    accent.replace(4, 2, "\xC3\xA9");
    std::filesystem::create_directory(Path("adir"));
    const struct {
        std::string words, out, err;
        int status;
    } RUNS[] = {
        {"check -f " + one + " " + NO_SOLUTION + " -f " + one,
         "100 Unique\n101 No Solution\n100 Unique\n", "", 1},
        {"rate " + Dashed(BUILTIN), Dashed(BUILTIN) + "\t", "", 0},
        {"rate " + twoDashes + " -- " + Dashed(BUILTIN), twoDashes + "\t", "", 0},
        {"check -- --stats", "", "argument 1: character 3 is 's', not a digit or '.', '0', '-'\n",
         2},
        // The word after -f names a file, even one that reads as a puzzle.
        {"check -f " + Dashed(BUILTIN), "",
         Dashed(BUILTIN) + ": cannot open the file: No such file or directory\n", 2},
        {"check -f " + tooLong, "100 Unique\n101 No Solution\n",
         tooLong + ":2: line too long (more than 4096 bytes)\n", 2},
        {"check -f " + marked + " '" + BUILTIN + " '", "100 Unique\n100 Unique\n", "", 0},
        {"check " + accent, "",
         "argument 1: character 5 is byte 0xC3, not a digit or '.', '0', '-'\n", 2},
        {"check -f " + Path("adir"), "", Path("adir") + ": cannot open the file: Is a directory\n",
         2},
        {"check -f " + Path("none"), "",
         Path("none") + ": cannot open the file: No such file or directory\n", 2},
    };
    for (const auto& r : RUNS) {
        CliRun run = RunCli(r.words);
        EXPECT_EQ(run.out.substr(0, r.out.size()), r.out) << r.words;
        EXPECT_EQ(run.err, r.err) << r.words;
        EXPECT_EQ(run.status, r.status) << r.words;
    }
}

// Flat memory: far below the 200 MiB that reading the whole input once took. Under the address
// sanitizer every process carries its shadow memory and quarantine on top.
#if defined(__SANITIZE_ADDRESS__)
constexpr long PEAK_LIMIT_KIB = 96 * 1024;
#else
constexpr long PEAK_LIMIT_KIB = 24 * 1024;
#endif

// Standard input read as a stream, with and without workers: the first result comes while the
// input is still open; then 200,000 puzzles and a line of 64 MiB go through in low memory, the
// long line reported where it stands.
TEST_F(CliInput, WorkStartsWhileInputArrivesAndMemoryStaysFlat) {
    std::signal(SIGPIPE, SIG_IGN);
    const std::string invalid = "77" + std::string(79, '.') + "\n"; // Invalid Position, at once
    std::string block;
    for (int i = 0; i < 1000; i++) block += invalid;
    const std::string run(1 << 20, '5');
    for (const char* workers : {"1", "2"}) {
        Child cli = Spawn({"check", "-j", workers, "-f", "-"}, Path("err.txt"));
        ASSERT_GT(cli.pid, 0);
        ASSERT_TRUE(WriteAll(cli.in, BUILTIN + "\n" + NO_SOLUTION + "\n"));
        EXPECT_EQ(ReadLine(cli.out, 10000), "100 Unique\n") << "-j " << workers;
        std::thread drain([&] {
            char chunk[65536];
            while (read(cli.out, chunk, sizeof chunk) > 0) {}
        });
        bool written = true;
        for (int i = 0; i < 200 && written; i++) written = WriteAll(cli.in, block);
        for (int i = 0; i < 64 && written; i++) written = WriteAll(cli.in, run);
        EXPECT_TRUE(written && WriteAll(cli.in, "\n" + BUILTIN + "\n"));
        const long peak = PeakKiB(cli.pid);
        close(cli.in);
        drain.join();
        close(cli.out);
        waitpid(cli.pid, nullptr, 0);
        EXPECT_GT(peak, 0);
        EXPECT_LT(peak, PEAK_LIMIT_KIB) << "KiB, -j " << workers;
        EXPECT_EQ(ReadBytes(Path("err.txt")), "-:200003: line too long (more than 4096 bytes)\n");
    }
}

// What a terminal shows after the output and the progress bar were written to it: each line as
// it stands once carriage returns have moved back over it.
std::vector<std::string> ScreenLines(const std::string& bytes) {
    std::vector<std::string> lines(1);
    size_t column = 0;
    for (char c : bytes) {
        std::string& line = lines.back();
        if (c == '\n') {
            lines.emplace_back();
            column = 0;
        } else if (c == '\r') {
            column = 0;
        } else {
            if (column < line.size())
                line[column] = c;
            else
                line += c;
            column++;
        }
    }
    for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

// On a terminal, the progress bar is cleared before results are printed and at the end.
TEST_F(CliInput, ProgressBarNeverStandsInTheResults) {
    std::string list;
    for (int i = 0; i < 6; i++) list += BUILTIN + "\n" + NO_SOLUTION + "\n";
    const std::string file = Write("list.txt", list);
    for (const char* workers : {"1", "2"}) {
        int terminal = -1;
        pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            execl(QUADRIVO_CLI, QUADRIVO_CLI, "check", "-j", workers, "-f", file.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        std::string screen;
        char chunk[4096];
        ssize_t n;
        while ((n = read(terminal, chunk, sizeof chunk)) > 0) screen.append(chunk, size_t(n));
        close(terminal);
        waitpid(pid, nullptr, 0);
        std::vector<std::string> expected;
        for (int i = 0; i < 6; i++) {
            expected.push_back("100 Unique");
            expected.push_back("101 No Solution");
        }
        EXPECT_EQ(ScreenLines(screen), expected) << "-j " << workers;
    }
}

// A full disk fails every command with status 1 and the system's reason, batches with workers
// too; a reader that stops early (head) ends the program quietly.
TEST_F(CliInput, WriteErrorsFailLoudlyAClosedPipeQuietly) {
    const std::string game = Path("game.txt");
    LoadGivens(BUILTIN.c_str());
    ASSERT_EQ(SaveGameFile(game.c_str()), 1);
    std::string list;
    for (int i = 0; i < 300; i++) list += BUILTIN + "\n";
    const std::string file = Write("list.txt", list);
    for (const std::string& words :
         {"solve " + BUILTIN, "rate -j 2 -f " + file, "check -j 2 -f " + file, "format " + BUILTIN,
          "show " + game, std::string("create -n 1"), std::string("--help"),
          std::string("check --help"), std::string("--version")}) {
        CliRun run = RunCli(words + " >/dev/full");
        EXPECT_EQ(run.status, 1) << words;
        EXPECT_NE(run.err.find("No space left on device"), std::string::npos)
            << words << ": " << run.err;
    }
    for (const std::string& words :
         {"check -j 2 -f " + file, "check -j 1 -f " + file, std::string("create -n 50")}) {
        CliRun run = RunCli(words + " | head -n 1");
        EXPECT_EQ(run.err, "") << words;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << words;
    }
}
} // namespace
