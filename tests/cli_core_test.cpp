// quadrivo-cli check, count, solve and create, run as the built program.
#include "exactcover/count.h"
#include "model/board.h"
#include "tests/support.h"
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {
struct CliRun {
    int status;
    std::string out, err;
};

std::string ReadAll(FILE* f) {
    std::string s;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    return s;
}

// Runs quadrivo-cli with the words given (no shell quoting needed for puzzles and options).
CliRun Cli(const std::string& words) {
    std::string errFile = ::testing::TempDir() + "cli_core_stderr.txt";
    std::string command = std::string(QUADRIVO_CLI) + " " + words + " 2>" + errFile;
    CliRun r;
    FILE* p = popen(command.c_str(), "r");
    r.out = ReadAll(p);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errFile);
    r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return r;
}

class CliCore : public CoreTest {};

const std::string BUILTIN = BUILTIN_PUZZLE;
const std::string EMPTY(81, '.');
// Row 1 holds 1..8 and cell R2C9 a 9: R1C9 has no digit left.
const std::string NO_SOLUTION = "12345678." + std::string(8, '.') + "9" + std::string(63, '.');
const std::string FIRST_EMPTY_SOLUTION =
    "123456789789123456456789123312845697697312845845697312231564978978231564564978231";
const std::string SECOND_EMPTY_SOLUTION =
    "123456789789123456456789123312845697697312845845697312231574968968231574574968231";

std::string SolutionOf(const std::string& puzzle) {
    uint8_t cells[81];
    for (int i = 0; i < 81; i++)
        cells[i] = puzzle[i] >= '1' && puzzle[i] <= '9' ? puzzle[i] - '0' : 0;
    EXPECT_EQ(CountSolutions(cells, 1), 1);
    std::string s(81, '0');
    for (int i = 0; i < 81; i++) s[i] = char('0' + SolutionGrid[i]);
    return s;
}

TEST_F(CliCore, CheckPrintsTheVerdictIdAndText) {
    CliRun r = Cli("check " + BUILTIN);
    EXPECT_EQ(r.out, "100 Unique\n");
    EXPECT_EQ(r.status, 0);
    r = Cli("check " + NO_SOLUTION);
    EXPECT_EQ(r.out, "101 No Solution\n");
    EXPECT_EQ(r.status, 1);
    std::string twice = BUILTIN;
    twice[0] = '7'; // a second 7 in row 1
    r = Cli("check " + twice);
    EXPECT_EQ(r.out, "102 Invalid Position\n");
    std::string thinned = BUILTIN;
    thinned[1] = thinned[3] = thinned[5] = '0'; // '0' and '-' are empty cells too
    thinned[7] = '-';
    r = Cli("check " + thinned);
    EXPECT_EQ(r.out, "106 Several Solutions\n");
    EXPECT_EQ(r.status, 1);
}

TEST_F(CliCore, CountPrintsTheResultAndTheLastSolutionReached) {
    EXPECT_EQ(Cli("count " + EMPTY + " --limit 0").out, "1 " + FIRST_EMPTY_SOLUTION + "\n");
    EXPECT_EQ(Cli("count " + EMPTY).out, "2 " + SECOND_EMPTY_SOLUTION + "\n");
    CliRun r = Cli("count " + NO_SOLUTION);
    EXPECT_EQ(r.out, "0 " + std::string(81, '0') + "\n");
    EXPECT_EQ(r.status, 0);
    // Each puzzle of a batch starts afresh: the failed count does not show the one before.
    r = Cli("count " + BUILTIN + " " + NO_SOLUTION);
    EXPECT_EQ(r.out, "1 " + SolutionOf(BUILTIN) + "\n0 " + std::string(81, '0') + "\n");
    EXPECT_EQ(Cli("count " + EMPTY + " --limit x").status, 2);
    EXPECT_EQ(Cli("count " + EMPTY + " --limit -1").status, 2);
}

TEST_F(CliCore, SolvePrintsTheUniqueSolutionOrTheVerdict) {
    CliRun r = Cli("solve " + BUILTIN);
    EXPECT_EQ(r.out, SolutionOf(BUILTIN) + "\n");
    EXPECT_EQ(r.status, 0);
    r = Cli("solve " + EMPTY);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Invalid Position\n");
    EXPECT_EQ(r.status, 1);
    r = Cli("solve " + NO_SOLUTION);
    EXPECT_EQ(r.err, "No Solution\n");
    EXPECT_EQ(r.status, 1);
}

TEST_F(CliCore, BadPuzzlesAreRefusedAndNothingIsDone) {
    CliRun r = Cli("check " + BUILTIN.substr(0, 80));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("81 characters"), std::string::npos) << r.err;
    std::string letter = BUILTIN;
    letter[40] = 'x';
    r = Cli("solve " + BUILTIN + " " + letter);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("character 41"), std::string::npos) << r.err;
    r = Cli("count");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no puzzle"), std::string::npos) << r.err;
    EXPECT_EQ(Cli("check --frobnicate " + BUILTIN).status, 2);
}

TEST_F(CliCore, EveryCommandHasHelp) {
    for (const char* command : {"check", "count", "solve", "create"}) {
        CliRun r = Cli(std::string(command) + " --help");
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.out.rfind(std::string("usage: quadrivo-cli ") + command, 0), 0u) << r.out;
    }
}

TEST_F(CliCore, BatchOutputKeepsInputOrderWithWorkers) {
    if (!DataAvailable("puzzles7_serg_benchmark.txt")) GTEST_SKIP() << "data not found";
    std::vector<std::string> serg = ReadPuzzleLines("puzzles7_serg_benchmark.txt", 20);
    std::vector<std::string> top = ReadPuzzleLines("puzzles3_magictour_top1465.txt", 20);
    std::string file = ::testing::TempDir() + "cli_core_batch.txt";
    {
        std::ofstream out(file);
        for (size_t i = 0; i < serg.size(); i++) out << serg[i] << "\n" << top[i] << "\r\n";
    }
    CliRun one = Cli("check -f " + file + " -j 1");
    CliRun two = Cli("check -f " + file + " -j 2");
    EXPECT_EQ(one.out, two.out);
    std::string expected;
    for (size_t i = 0; i < serg.size(); i++) expected += "106 Several Solutions\n100 Unique\n";
    EXPECT_EQ(one.out, expected);
    EXPECT_EQ(one.status, 1);
    CliRun solved = Cli("solve -f " + file + " -j 2");
    EXPECT_EQ(solved.status, 1);
    std::string solutions;
    for (const std::string& t : top) solutions += SolutionOf(t) + "\n";
    EXPECT_EQ(solved.out, solutions);
    EXPECT_NE(solved.err.find(file + ":1: Several Solutions"), std::string::npos) << solved.err;
}

TEST_F(CliCore, CreateRepeatsItselfWithTheSameSeed) {
    CliRun a = Cli("create -n 3 --seed 12345");
    CliRun b = Cli("create --seed 12345 -n 3");
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(a.out, b.out);
    ASSERT_EQ(a.out.size(), 3u * 82);
    std::vector<std::string> puzzles;
    for (int n = 0; n < 3; n++) puzzles.push_back(a.out.substr(82 * n, 81));
    EXPECT_NE(puzzles[0], puzzles[1]);
    for (const std::string& p : puzzles) {
        EXPECT_EQ(p.find_first_not_of(".123456789"), std::string::npos) << p;
        SolutionOf(p); // unique
    }
    EXPECT_NE(Cli("create -n 3 --seed 12346").out, a.out);
    EXPECT_EQ(Cli("create -n many").status, 2);
    EXPECT_EQ(Cli("create --seed 4294967296").status, 2);
    EXPECT_EQ(Cli("create " + BUILTIN).status, 2);
}
} // namespace
