// quadrivo-cli format and show, run as a separate program: output, exit status, -f FILE / -f -.
#include "control/session.h"
#include "files/gamefile.h"
#include "files/text.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
const std::string PUZZLE = SAMPLE_PUZZLE;

class CliFiles : public FileTest {
  protected:
    // The core's text of PUZZLE in a format, with LF line ends and a final one.
    std::string Expected(uint32_t format) {
        LoadGivens(PUZZLE.c_str());
        S->AnalysisOptions.blockFormat = format;
        char buffer[TEXT_BUFFER_SIZE];
        FormatPuzzleText(S, buffer);
        std::string text;
        for (const char* p = buffer; *p; p++)
            if (*p != '\r') text += *p;
        return text + "\n";
    }
};

// Every layout and style name once; how they combine is the core's, tested with the text.
TEST_F(CliFiles, FormatPrintsEveryLayoutAndStyleAsTheCoreDoes) {
    const struct {
        const char *layout, *empty;
        uint32_t format;
    } RUNS[] = {{"linear", "nulls", LAYOUT_LINEAR | EMPTY_NULLS},
                {"9x9", "dashes", LAYOUT_9X9 | EMPTY_DASHES},
                {"3x3", "dots", LAYOUT_3X3 | EMPTY_DOTS},
                {"ruled", "dashes", LAYOUT_RULED | EMPTY_DASHES}};
    for (const auto& r : RUNS) {
        CliRun run = RunCli("format " + PUZZLE + " --layout " + r.layout + " --empty " + r.empty);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, Expected(r.format)) << r.layout << " " << r.empty;
    }
    EXPECT_EQ(RunCli("format " + PUZZLE).out, Expected(DEFAULT_BLOCK_FORMAT));
    // From standard input; puzzles of several lines stand apart by an empty line.
    std::string path = Write("list.txt", PUZZLE + "\n" + PUZZLE + "\n");
    std::string one = Expected(LAYOUT_3X3 | EMPTY_NULLS);
    EXPECT_EQ(RunCli("format --layout 3x3 --empty nulls -f - < " + path).out, one + "\n" + one);
}

TEST_F(CliFiles, ShowPrintsWhatTheSavedGameHolds) {
    LoadGivens(PUZZLE.c_str());
    EnterDigit(S, 1, 9);
    EnterDigit(S, 4, 6);
    Undo(S);
    S->MarkGrid[2] = 0x007;
    S->MarkGrid[3] = 0x100;
    ASSERT_EQ(SaveGameFile(S, Path("game.txt").c_str()), 1);
    CliRun run = RunCli("show " + Path("game.txt"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "49. ... 8.5\n.3. ... ...\n... 7.. ...\n.2. ... .6.\n... .8. 4..\n"
                       "... .1. ...\n... 6.3 .7.\n5.. 2.. ...\n1.4 ... ...\n"
                       "position: 1 of 2 moves\nmarks: 81 records, 4 pencil marks\n");
}

// A pipe given to show is refused at once: with no writer, waiting for one would never end.
// Should the command wait all the same, a writer comes after five seconds and ends the wait.
TEST_F(CliFiles, ShowRefusesAPipeWithoutWaiting) {
    const std::string fifo = Path("game.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> done{false};
    std::thread rescue([&] {
        for (int i = 0; i < 50 && !done; i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const int fd = done ? -1 : open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) close(fd);
    });
    const auto start = std::chrono::steady_clock::now();
    const CliRun run = RunCli("show " + fifo);
    done = true;
    rescue.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, fifo + ": cannot open the file: not a regular file\n");
}
} // namespace
