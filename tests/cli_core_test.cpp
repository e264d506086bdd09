// quadrivo-cli check, count, solve and create, and the refusal of bad arguments by every
// command, run as the built program.
#include "control/dialogrules.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "tests/support.h"
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
class CliCore : public FileTest {};

const std::string BUILTIN = BUILTIN_PUZZLE;
const std::string EMPTY(81, '.');
// Row 1 holds 1..8 and cell R2C9 a 9: R1C9 has no digit left.
const std::string NO_SOLUTION = "12345678." + std::string(8, '.') + "9" + std::string(63, '.');

// The unique solution of a puzzle, found in this process.
std::string SolutionOf(const std::string& puzzle) {
    LoadGivens(puzzle.c_str());
    EXPECT_EQ(CountSolutions(Board, 1, SolutionGrid), 1) << puzzle;
    return SolutionDigits();
}

TEST_F(CliCore, VerdictsCountsAndSolutionsAsTheCoreGivesThem) {
    std::string twice = BUILTIN, thinned = BUILTIN;
    twice[0] = '7';                             // a second 7 in row 1
    thinned[1] = thinned[3] = thinned[5] = '0'; // '0' and '-' are empty cells too
    thinned[7] = '-';
    const std::string solution = SolutionOf(BUILTIN) + "\n";
    const struct {
        std::string words, out, err;
        int status;
    } RUNS[] = {
        {"check " + BUILTIN, "100 Unique\n", "", 0},
        {"check " + NO_SOLUTION + " " + twice + " " + thinned,
         "101 No Solution\n102 Invalid Position\n106 Several Solutions\n", "", 1},
        {"count " + EMPTY + " --limit 0", "1 " + std::string(EMPTY_BOARD_FIRST) + "\n", "", 0},
        {"count " + EMPTY, "2 " + std::string(EMPTY_BOARD_SECOND) + "\n", "", 0},
        // Each puzzle of a batch starts afresh: the failed count does not show the one before.
        {"count " + BUILTIN + " " + NO_SOLUTION,
         "1 " + solution + "0 " + std::string(81, '0') + "\n", "", 0},
        {"solve " + BUILTIN, solution, "", 0},
        {"solve " + EMPTY + " " + BUILTIN + " " + NO_SOLUTION, solution,
         "argument 1: Invalid Position\nargument 3: No Solution\n", 1},
    };
    for (const auto& r : RUNS) {
        CliRun run = RunCli(r.words);
        EXPECT_EQ(run.out, r.out) << r.words;
        EXPECT_EQ(run.err, r.err) << r.words;
        EXPECT_EQ(run.status, r.status) << r.words;
    }
}

TEST_F(CliCore, BadArgumentsAreRefusedWithStatusTwoAndNothingDone) {
    std::string letter = BUILTIN;
    letter[40] = 'x';
    const std::pair<std::string, std::string> REFUSED[] = {
        {"check " + BUILTIN.substr(0, 80), "81 characters"},
        {"solve " + letter, "character 41"},
        {"count", "no puzzle"},
        {"path", "no puzzle"},
        {"hint --techniques zz " + BUILTIN, "zz"},
        {"path --json --check " + BUILTIN, "--check"},
        {"count " + EMPTY + " --limit -1", "--limit"},
        {"check --frobnicate " + BUILTIN, "--frobnicate"},
        {"create -n many", "-n"},
        {"create --seed 4294967296", "--seed"},
        {"create " + BUILTIN, ""},
        {"format " + EMPTY + " --layout 4x4", "4x4"},
        {"format " + EMPTY + " --empty stars", "stars"},
        {"format -f no/such/file.txt", "no/such/file.txt"},
        {"show no/such/file.txt", "no/such/file.txt"},
        {"show", "no file"},
        {"check -j abc " + BUILTIN, "-j"},
        {"check -j -3 " + BUILTIN, "-j"},
        {"check -j 0 " + BUILTIN, "-j"},
    };
    for (const auto& [words, message] : REFUSED) {
        CliRun run = RunCli(words);
        EXPECT_EQ(run.status, 2) << words;
        EXPECT_EQ(run.out, "") << words;
        EXPECT_NE(run.err.find(message), std::string::npos) << words << ": " << run.err;
    }
    CliRun help = RunCli("solve --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: quadrivo-cli solve", 0), 0u) << help.out;
}

// Every batch command runs the good lines of a file around bad ones: their results in input
// order, as without the bad lines, each bad one named as FILE:LINE, and status 2. Comment and
// blank lines are skipped, CR LF line ends accepted.
TEST_F(CliCore, EveryBatchCommandRunsTheGoodLinesAroundBadOnes) {
    std::string letter = BUILTIN;
    letter[80] = '?';
    const std::string clean = Write("clean.txt", BUILTIN + "\n" + SAMPLE_PUZZLE + "\n");
    const std::string mixed =
        Write("mixed.txt", "# puzzles\r\n" + BUILTIN + "\r\n" + BUILTIN.substr(3) + "\n\n" +
                               letter + "\n" + SAMPLE_PUZZLE + "\n");
    const std::string shortLine = "a puzzle has 81 characters, this one has 78\n";
    const std::string badLetter = "character 81 is '?', not a digit or '.', '0', '-'\n";
    const std::string errors = mixed + ":3: " + shortLine + mixed + ":5: " + badLetter;
    for (const char* command : {"check", "count", "solve", "rate", "path", "hint", "format"}) {
        CliRun expected = RunCli(std::string(command) + " -f " + clean);
        ASSERT_EQ(expected.status, 0) << command << ": " << expected.err;
        ASSERT_NE(expected.out, "") << command;
        for (const char* workers : {"1", "2"}) {
            CliRun run = RunCli(std::string(command) + " -j " + workers + " -f " + mixed);
            std::string out = expected.out;
            if (std::string(command) == "solve") // a line for every input: the reason in its place
                out.insert(out.find('\n') + 1, shortLine + badLetter);
            EXPECT_EQ(run.out, out) << command << " -j " << workers;
            EXPECT_EQ(run.status, 2) << command << " -j " << workers;
            EXPECT_EQ(run.err, errors) << command << " -j " << workers;
        }
    }
}

TEST_F(CliCore, BatchOutputKeepsInputOrderWithWorkers) {
    SKIP_WITHOUT_DATA("puzzles7_serg_benchmark.txt");
    SKIP_WITHOUT_DATA("puzzles3_magictour_top1465.txt");
    std::vector<std::string> serg = ReadPuzzleLines("puzzles7_serg_benchmark.txt", 20);
    std::vector<std::string> top = ReadPuzzleLines("puzzles3_magictour_top1465.txt", 20);
    std::string file = ::testing::TempDir() + "cli_batch_" + std::to_string(getpid()) + ".txt";
    std::string verdicts, solutions;
    {
        std::ofstream out(file);
        for (size_t i = 0; i < serg.size(); i++) {
            out << serg[i] << "\n" << top[i] << "\r\n";
            verdicts += "106 Several Solutions\n100 Unique\n";
            solutions += "Several Solutions\n" + SolutionOf(top[i]) + "\n";
        }
    }
    CliRun one = RunCli("check -f " + file + " -j 1");
    EXPECT_EQ(one.out, verdicts);
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(RunCli("check -f " + file + " -j 2").out, verdicts);
    CliRun solved = RunCli("solve -f " + file + " -j 2");
    EXPECT_EQ(solved.status, 1);
    EXPECT_EQ(solved.out, solutions);
    EXPECT_NE(solved.err.find(file + ":1: Several Solutions"), std::string::npos) << solved.err;
    std::remove(file.c_str());
}

// --echo puts each input before its result; solve -f gives every input a line, the reason in
// place of a solution, so that the output stays aligned with the input.
TEST_F(CliCore, CheckAndSolveEchoTheInputAndSolveAnswersEveryLine) {
    const std::string shortLine = BUILTIN.substr(3);
    const std::string file =
        Write("list.txt", BUILTIN + "\n" + NO_SOLUTION + "\n" + shortLine + "\n");
    const std::string solution = SolutionOf(BUILTIN);
    const std::string why = "a puzzle has 81 characters, this one has 78";
    const struct {
        std::string words, out;
    } RUNS[] = {
        {"solve -f " + file, solution + "\nNo Solution\n" + why + "\n"},
        {"solve --echo -j 2 -f " + file, BUILTIN + "\t" + solution + "\n" + NO_SOLUTION +
                                             "\tNo Solution\n" + shortLine + "\t" + why + "\n"},
        {"check -f " + file + " --echo",
         BUILTIN + "\t100 Unique\n" + NO_SOLUTION + "\t101 No Solution\n"},
    };
    for (const auto& r : RUNS) {
        CliRun run = RunCli(r.words);
        EXPECT_EQ(run.out, r.out) << r.words;
        EXPECT_EQ(run.status, 2) << r.words;
    }
}

// -j above four workers a core is held there; --stats tells how many ran.
TEST_F(CliCore, WorkersAreHeldToFourPerCore) {
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    std::string list;
    for (long i = 0; i < 4 * cores + 2; i++) list += BUILTIN + "\n";
    const std::string file = Write("list.txt", list);
    for (const char* workers : {"2000", "99999999999999999999"}) {
        CliRun run = RunCli(std::string("check --stats -j ") + workers + " -f " + file);
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.err.find("workers: " + std::to_string(4 * cores) + " "), std::string::npos)
            << run.err;
    }
}

// Every help states the exit statuses and fits in 80 columns; --version is the about box's line.
TEST_F(CliCore, EveryHelpStatesTheExitStatusesInEightyColumns) {
    for (const char* words :
         {"--help", "check --help", "count --help", "solve --help", "create --help", "rate --help",
          "path --help", "hint --help", "format --help", "show --help"}) {
        CliRun run = RunCli(words);
        EXPECT_EQ(run.status, 0) << words;
        EXPECT_NE(run.out.find("Exit status"), std::string::npos) << words;
        for (size_t at = 0, end; at < run.out.size(); at = end + 1) {
            end = run.out.find('\n', at);
            EXPECT_LE(end - at, 80u) << words << ": " << run.out.substr(at, end - at);
        }
    }
    char version[64];
    VersionLine(version, sizeof version);
    EXPECT_EQ(RunCli("--version").out, std::string(version) + "\n");
}

TEST_F(CliCore, CreateMakesUniquePuzzlesThatRepeatWithTheSeed) {
    CliRun a = RunCli("create -n 3 --seed 12345");
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(RunCli("create --seed 12345 -n 3").out, a.out);
    EXPECT_EQ(RunCli("create -n 03 --seed 012345").out, a.out); // decimal, not octal
    EXPECT_NE(RunCli("create -n 3 --seed 12346").out, a.out);
    ASSERT_EQ(a.out.size(), 3u * 82);
    for (int n = 0; n < 3; n++) SolutionOf(a.out.substr(82 * n, 81)); // unique
    EXPECT_NE(a.out.substr(0, 81), a.out.substr(82, 81));

    // By level: puzzles the rating puts at that level, repeatable with the seed; any level is
    // the plain output.
    for (const char* level : {"difficult", "very-difficult"}) {
        const std::string words = std::string("create --level ") + level + " -n 2 --seed 31";
        CliRun byLevel = RunCli(words);
        ASSERT_EQ(byLevel.status, 0) << byLevel.err;
        ASSERT_EQ(byLevel.out.size(), 2u * 82);
        EXPECT_EQ(RunCli(words).out, byLevel.out);
        const std::string name = level[0] == 'd' ? "(Difficult)" : "(Very Difficult)";
        for (int n = 0; n < 2; n++) {
            const std::string puzzle = byLevel.out.substr(82 * n, 81);
            SolutionOf(puzzle);
            const std::string rated = RunCli("rate " + puzzle).out;
            EXPECT_EQ(rated.rfind(puzzle + "\tRating ", 0), 0u) << rated;
            EXPECT_NE(rated.find(name), std::string::npos) << rated;
        }
    }
    EXPECT_EQ(RunCli("create --level any -n 3 --seed 12345").out, a.out);
    CliRun bad = RunCli("create --level hard");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(
        bad.err.find("'hard' is not one of any/easy/medium/difficult/very-difficult/fiendish"),
        std::string::npos)
        << bad.err;
}
} // namespace
