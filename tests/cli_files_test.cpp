// quadrivo-cli format and show, run as a separate program: output, exit status, -f FILE / -f -.
#include "files/puzzlefile.h"
#include "files/text.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {
const char* PUZZLE =
    "4.....8.5.3..........7......2.....6.....8.4......1.......6.3.7.5..2.....1.4......";

struct CliRun {
    std::string out, err;
    int status;
};

class CliFiles : public CoreTest {
  protected:
    fs::path folder;
    void SetUp() override {
        CoreTest::SetUp();
        folder = fs::path(::testing::TempDir()) /
                 ("quadrivo-cli-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string Write(const char* name, const std::string& bytes) {
        std::ofstream((folder / name).string(), std::ios::binary) << bytes;
        return (folder / name).string();
    }
    // Runs quadrivo-cli with the arguments (a shell command line, so "< FILE" works too).
    CliRun Cli(const std::string& arguments) {
        std::string errFile = (folder / "stderr.txt").string();
        std::string command = std::string(QUADRIVO_CLI) + " " + arguments + " 2>" + errFile;
        CliRun run;
        FILE* pipe = popen(command.c_str(), "r");
        char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) run.out.append(chunk, got);
        int raw = pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::ifstream in(errFile, std::ios::binary);
        run.err.assign(std::istreambuf_iterator<char>(in), {});
        return run;
    }
    // The core's text of PUZZLE in a format, with LF line ends and a final one.
    std::string Expected(const char* puzzle, uint32_t format) {
        LoadGivens(puzzle);
        AnalysisOptions.blockFormat = format;
        FormatPuzzleText(TextBuffer);
        std::string text;
        for (const char* p = TextBuffer; *p; p++)
            if (*p != '\r') text += *p;
        return text + "\n";
    }
};

TEST_F(CliFiles, FormatPrintsEveryLayoutAndStyle) {
    const std::pair<const char*, uint32_t> layouts[] = {{"linear", LAYOUT_LINEAR},
                                                        {"9x9", LAYOUT_9X9},
                                                        {"3x3", LAYOUT_3X3},
                                                        {"ruled", LAYOUT_RULED}};
    const std::pair<const char*, uint32_t> empties[] = {
        {"nulls", EMPTY_NULLS}, {"dots", EMPTY_DOTS}, {"dashes", EMPTY_DASHES}};
    for (auto& layout : layouts)
        for (auto& empty : empties) {
            CliRun run = Cli(std::string("format ") + PUZZLE + " --layout " + layout.first +
                             " --empty " + empty.first);
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.out, Expected(PUZZLE, layout.second | empty.second))
                << layout.first << " " << empty.first;
        }
    CliRun defaults = Cli(std::string("format ") + PUZZLE);
    EXPECT_EQ(defaults.out, Expected(PUZZLE, DEFAULT_BLOCK_FORMAT));
}

TEST_F(CliFiles, FormatReportsBadLinesOfAFileAndGoesOn) {
    std::string other = std::string(PUZZLE);
    other[1] = '9';
    std::string path =
        Write("list.txt", std::string("# puzzles\r\n") + PUZZLE + "\r\n\r\n" + "4.....8.5\r\n" +
                              other + "\n" + std::string(80, '.') + "?\n");
    CliRun run = Cli("format --layout linear -f " + path);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, std::string(PUZZLE) + "\n" + other + "\n");
    EXPECT_NE(run.err.find(path + ":4: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(path + ":6: "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(":5:"), std::string::npos) << run.err;
}

TEST_F(CliFiles, FormatReadsStandardInput) {
    std::string path = Write("list.txt", std::string(PUZZLE) + "\n" + PUZZLE + "\n");
    CliRun run = Cli("format --layout 3x3 --empty nulls -f - < " + path);
    EXPECT_EQ(run.status, 0) << run.err;
    std::string one = Expected(PUZZLE, LAYOUT_3X3 | EMPTY_NULLS);
    EXPECT_EQ(run.out, one + "\n" + one); // puzzles of several lines apart by an empty line
}

TEST_F(CliFiles, FormatRefusesUnknownNamesAndMissingPuzzles) {
    EXPECT_EQ(Cli(std::string("format ") + PUZZLE + " --layout 4x4").status, 2);
    EXPECT_EQ(Cli(std::string("format ") + PUZZLE + " --empty stars").status, 2);
    EXPECT_EQ(Cli("format").status, 2);
    CliRun missing = Cli("format -f " + (folder / "none.txt").string());
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("none.txt"), std::string::npos);
}

TEST_F(CliFiles, ShowPrintsWhatTheSavedGameHolds) {
    LoadGivens(PUZZLE);
    ChangePosition(POS_ENTER, 1, 9);
    ChangePosition(POS_ENTER, 4, 6);
    ChangePosition(POS_UNDO, 0, 0);
    MarkGrid[2] = 0x007;
    MarkGrid[3] = 0x100;
    std::string path = (folder / "game.txt").string();
    ASSERT_EQ(SaveGameFile(path.c_str()), 1);

    CliRun run = Cli("show " + path);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "49. ... 8.5\n"
                       ".3. ... ...\n"
                       "... 7.. ...\n"
                       ".2. ... .6.\n"
                       "... .8. 4..\n"
                       "... .1. ...\n"
                       "... 6.3 .7.\n"
                       "5.. 2.. ...\n"
                       "1.4 ... ...\n"
                       "position: 1 of 2 moves\n"
                       "marks: 81 records, 4 pencil marks\n");
}

TEST_F(CliFiles, ShowRefusesAFileItCannotOpen) {
    CliRun run = Cli("show " + (folder / "none.txt").string());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("none.txt"), std::string::npos);
    EXPECT_EQ(Cli("show").status, 2);
}
} // namespace
