// quadrivo-cli check, count, solve and create, the refusal of bad arguments by every command,
// inputs in command-line order and write errors, run as the built program.
#include "control/session.h"
#include "exactcover/count.h"
#include "files/gamefile.h"
#include "model/board.h"
#include "tests/support.h"
#include <algorithm>
#include <string>

namespace {
class CliCore : public FileTest {};

const std::string BUILTIN = BUILTIN_PUZZLE;
const std::string EMPTY(81, '.');
// Row 1 holds 1..8 and cell R2C9 a 9: R1C9 has no digit left.
const std::string NO_SOLUTION = "12345678." + std::string(8, '.') + "9" + std::string(63, '.');
// The empty board's first two solutions in search order differ in six cells; left empty, they
// give a board with exactly those two solutions.
const std::string TWO_SOLUTIONS = "123456789789123456456789123312845697697312845845697312"
                                  "2315.49.89.82315.45.49.8231";
// The same puzzle with '-' for its empty cells: it starts with '-' like an option.
std::string Dashed(std::string puzzle) {
    for (char& c : puzzle)
        if (c == '.') c = '-';
    return puzzle;
}

// The unique solution of a puzzle, found in this process.
std::string SolutionOf(const std::string& puzzle) {
    LoadGivens(puzzle.c_str());
    EXPECT_EQ(CountSolutions(S->Board, 1, S->SolutionGrid), 1) << puzzle;
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
        {"check " + NO_SOLUTION + " " + twice + " " + thinned,
         "101 No Solution\n102 Invalid Position\n106 Several Solutions\n", "", 1},
        {"count " + EMPTY + " --limit 0", "1 " + std::string(EMPTY_BOARD_FIRST) + "\n", "", 0},
        // Each puzzle of a batch starts afresh: the failed count does not show the one before.
        {"count " + BUILTIN + " " + NO_SOLUTION,
         "1 " + solution + "0 " + std::string(81, '0') + "\n", "", 0},
        {"solve " + EMPTY + " " + BUILTIN + " " + NO_SOLUTION, solution,
         "argument 1: Invalid Position\nargument 3: No Solution\n", 1},
        // Several solutions, two of them or many: a verdict, never a solution.
        {"check " + TWO_SOLUTIONS, "106 Several Solutions\n", "", 1},
        {"solve " + TWO_SOLUTIONS + " " + thinned + " " + BUILTIN, solution,
         "argument 1: Several Solutions\nargument 2: Several Solutions\n", 1},
        {"count " + TWO_SOLUTIONS + " --limit 1",
         "2 123456789789123456456789123312845697697312845845697312231574968968231574574968231\n",
         "", 0},
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
        {"hint --techniques zz " + BUILTIN, "zz"},
        {"path --json --check " + BUILTIN, "--check"},
        {"count " + EMPTY + " --limit -1", "--limit"},
        {"check --frobnicate " + BUILTIN, "--frobnicate"},
        {"create " + BUILTIN, ""},
        {"format " + EMPTY + " --layout 4x4", "4x4"},
        {"show no/such/file.txt", "no/such/file.txt"},
        {"show", "no file"},
        {"check -j 0 " + BUILTIN, "-j"},
    };
    for (const auto& [words, message] : REFUSED) {
        CliRun run = RunCli(words);
        EXPECT_EQ(run.status, 2) << words;
        EXPECT_EQ(run.out, "") << words;
        EXPECT_NE(run.err.find(message), std::string::npos) << words << ": " << run.err;
    }
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
    for (const char* command :
         {"check", "count", "solve", "rate", "path", "path --check", "hint", "format"}) {
        CliRun expected = RunCli(std::string(command) + " -f " + clean);
        ASSERT_EQ(expected.status, 0) << command << ": " << expected.err;
        ASSERT_NE(expected.out, "") << command;
        if (std::string(command) == "path --check") { // status 0: every step agrees
            EXPECT_NE(expected.out.find("\tagrees ("), std::string::npos);
        }
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

TEST_F(CliCore, CreateMakesUniquePuzzlesThatRepeatWithTheSeed) {
    CliRun a = RunCli("create -n 3 --seed 12345");
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(RunCli("create -n 03 --seed 012345").out, a.out); // decimal, not octal
    ASSERT_EQ(a.out.size(), 3u * 82);
    for (int n = 0; n < 3; n++) SolutionOf(a.out.substr(82 * n, 81)); // unique

    // By level: a puzzle the player's rating puts at that level, repeatable with the seed; any
    // level is the plain output.
    const std::string byLevel = RunCli("create --level difficult --seed 31").out;
    ASSERT_EQ(byLevel.size(), 82u);
    EXPECT_EQ(RunCli("create --level difficult --seed 31").out, byLevel);
    EXPECT_NE(RunCli("rate --scale player " + byLevel.substr(0, 81)).out.find(" Difficult ("),
              std::string::npos);
    // Practice: every puzzle has the technique as its hardest step, and is unique.
    const std::string practice = RunCli("create --technique xy-wing -n 2 --seed 5").out;
    ASSERT_EQ(practice.size(), 2u * 82);
    for (int n = 0; n < 2; n++) {
        SolutionOf(practice.substr(82 * n, 81));
        EXPECT_NE(
            RunCli("rate --scale player " + practice.substr(82 * n, 81)).out.find("(XY-wing)"),
            std::string::npos);
    }
    EXPECT_EQ(RunCli("create --technique guessing").status, 2);
    EXPECT_EQ(RunCli("create --level difficult --seed 31 -j 3").out, byLevel); // rated on 3
    EXPECT_EQ(RunCli("create --level easy -n 4 --seed 31 -j 1").out,
              RunCli("create --level easy -n 4 --seed 31 -j 2").out);
    EXPECT_EQ(RunCli("create --level any -n 3 --seed 12345").out, a.out);
    EXPECT_EQ(RunCli("create --level hard").status, 2);
}

// Arguments and files come in command-line order; every puzzle character may start an argument;
// a line is a puzzle after a UTF-8 byte-order mark and before trailing blanks; bad input is
// named by what is wrong, with the system's reason for a file that cannot be read.
TEST_F(CliCore, InputsAreReadInOrderAndNamedWhenBad) {
    const std::string one = Write("one.txt", BUILTIN + "\n");
    const std::string tooLong = Write("long.txt", BUILTIN + "\n" + std::string(5000, '1') + "\n" +
                                                      NO_SOLUTION + "  \t\r\n");
    const std::string marked = Write("bom.txt", "\xEF\xBB\xBF" + BUILTIN + "\n");
    const std::string twoDashes = "--" + BUILTIN.substr(2); // "--1.6..": no longer unique
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
    };
    for (const auto& r : RUNS) {
        CliRun run = RunCli(r.words);
        EXPECT_EQ(run.out.substr(0, r.out.size()), r.out) << r.words;
        EXPECT_EQ(run.err, r.err) << r.words;
        EXPECT_EQ(run.status, r.status) << r.words;
    }
}

// A full disk fails every command with status 1 and the system's reason, batches on threads
// too; a reader that stops early (head) ends the program quietly.
TEST_F(CliCore, WriteErrorsFailLoudlyAClosedPipeQuietly) {
    const std::string game = Path("game.txt");
    LoadGivens(BUILTIN.c_str());
    ASSERT_EQ(SaveGameFile(S, game.c_str()), 1);
    std::string list;
    for (int i = 0; i < 300; i++) list += BUILTIN + "\n";
    const std::string file = Write("list.txt", list);
    for (const std::string& words :
         {"solve " + BUILTIN, "rate -j 2 -f " + file, "check -j 2 -f " + file, "format " + BUILTIN,
          "show " + game, std::string("create -n 1"), std::string("--version")}) {
        CliRun run = RunCli(words + " >/dev/full");
        EXPECT_EQ(run.status, 1) << words;
        EXPECT_NE(run.err.find("No space left on device"), std::string::npos)
            << words << ": " << run.err;
    }
    for (const std::string& words : {"check -j 2 -f " + file, std::string("create -n 50")}) {
        CliRun run = RunCli(words + " | head -n 1");
        EXPECT_EQ(run.err, "") << words;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << words;
    }
}
} // namespace
