// quadrivo-cli rate, path and hint, run as the built program and compared with the core.
#include "analysis/driver.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct CliResult {
    int status;
    std::string out, err;
};

CliResult Cli(const std::string& words) {
    std::string errFile = ::testing::TempDir() + "cli_analysis_stderr.txt";
    std::string command = std::string(QUADRIVO_CLI) + " " + words + " 2>" + errFile;
    CliResult r;
    FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errFile);
    r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return r;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::string WriteFile(const char* name, const std::vector<std::string>& lines) {
    std::string path = ::testing::TempDir() + name;
    std::ofstream out(path);
    for (const std::string& l : lines) out << l << "\n";
    return path;
}

// Every step-th puzzle of a data file, up to count.
std::vector<std::string> Sample(const char* file, size_t step, size_t count) {
    std::vector<std::string> all = ReadPuzzleLines(file), some;
    for (size_t i = 0; i < all.size() && some.size() < count; i += step) some.push_back(all[i]);
    return some;
}

class CliAnalysis : public CoreTest {
  protected:
    // The rating's message for a puzzle, in this process.
    std::string RateHere(const std::string& puzzle) {
        ResetForTest();
        LoadGivens(puzzle.c_str());
        return RatePuzzle();
    }
};

const std::string BUILTIN = BUILTIN_PUZZLE;

TEST_F(CliAnalysis, RatePrintsEachPuzzleAsGivenATabAndTheMessage) {
    std::vector<std::string> puzzles = Sample("puzzles3_magictour_top1465.txt", 97, 3);
    std::string zeros = BUILTIN;
    for (char& c : zeros)
        if (c == '.') c = '0';
    puzzles.push_back(zeros);
    std::string words = "rate";
    for (const std::string& p : puzzles) words += " " + p;
    CliResult r = Cli(words);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), puzzles.size());
    for (size_t i = 0; i < puzzles.size(); i++)
        EXPECT_EQ(lines[i], puzzles[i] + "\t" + RateHere(puzzles[i]));
    EXPECT_EQ(r.err, ""); // no message boxes on the console
}

TEST_F(CliAnalysis, RateReportsABadLineAndGoesOn) {
    std::string file = WriteFile("rate_bad.txt", {BUILTIN, BUILTIN.substr(1), "", BUILTIN});
    CliResult r = Cli("rate -f " + file);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(Lines(r.out).size(), 2u);
    EXPECT_NE(r.err.find("rate_bad.txt:2"), std::string::npos) << r.err;
}

TEST_F(CliAnalysis, PathJsonStepsReplayToTheRating) {
    const std::string puzzle = BUILTIN;
    CliResult r = Cli("path --json " + puzzle);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_GT(lines.size(), 1u);
    const std::string message = RateHere(puzzle);
    EXPECT_EQ(lines.back(), "{\"result\":\"" + message + "\"}");

    static const std::regex step(
        R"re(^\{"kind":(1|2|4|8|16|32),"marks":\{(.*)\},"chains":\[([0-9,]*)\],"placed":\{(.*)\},"removed":\{(.*)\}\}$)re");
    static const std::regex entry(R"re("(\d+)":(\d+))re");
    std::string board = puzzle;
    int score = 1;
    for (size_t i = 0; i + 1 < lines.size(); i++) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, step)) << lines[i];
        int kind = std::stoi(m[1]);
        score += kind - 1;
        int placed = 0;
        for (int group : {2, 4, 5}) { // marks, placed, removed
            std::string body = m[group];
            int last = -1;
            for (std::sregex_iterator e(body.begin(), body.end(), entry), end; e != end; ++e) {
                int cell = std::stoi((*e)[1]), value = std::stoi((*e)[2]);
                EXPECT_GT(cell, last) << "cells ascending: " << lines[i];
                EXPECT_NE(value, 0) << lines[i];
                last = cell;
                if (group == 4) {
                    EXPECT_EQ(board[cell], '.') << lines[i];
                    board[cell] = char('0' + value);
                    placed++;
                }
            }
        }
        // Singles enter one digit; the other techniques only remove candidates.
        EXPECT_EQ(placed, kind == 1 ? 1 : 0) << lines[i];
    }
    ASSERT_EQ(message.rfind("Rating ", 0), 0u) << message;
    EXPECT_EQ(message.substr(0, message.find(' ', 7)), "Rating " + std::to_string(score));
    uint8_t cells[81];
    for (int x = 0; x < 81; x++) cells[x] = puzzle[x] == '.' ? 0 : uint8_t(puzzle[x] - '0');
    ASSERT_EQ(CountSolutions(cells, 1), 1);
    for (int x = 0; x < 81; x++) EXPECT_EQ(board[x], char('0' + SolutionGrid[x])) << x;
}

TEST_F(CliAnalysis, PathInWordsHasOneLinePerStep) {
    CliResult json = Cli("path --json " + BUILTIN);
    CliResult words = Cli("path " + BUILTIN);
    ASSERT_EQ(words.status, 0);
    std::vector<std::string> w = Lines(words.out), j = Lines(json.out);
    ASSERT_EQ(w.size(), j.size());
    for (size_t i = 0; i + 1 < w.size(); i++)
        EXPECT_EQ(w[i].rfind(std::to_string(i + 1) + ". ", 0), 0u) << w[i];
    EXPECT_EQ(w.back(), RateHere(BUILTIN));
}

TEST_F(CliAnalysis, PathCheckAgreesWithTheSolution) {
    std::vector<std::string> puzzles = Sample("generated_minimal_10k.txt", 997, 4);
    CliResult r = Cli("path --check -f " + WriteFile("check.txt", puzzles));
    EXPECT_EQ(r.status, 0) << r.out;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), puzzles.size());
    for (size_t i = 0; i < lines.size(); i++)
        EXPECT_EQ(lines[i].rfind(puzzles[i] + "\tagrees (", 0), 0u) << lines[i];
}

TEST_F(CliAnalysis, TwoWorkersPrintWhatOnePrints) {
    std::string rateFile = WriteFile("rate_j.txt", Sample("generated_minimal_10k.txt", 401, 24));
    CliResult one = Cli("rate -j 1 -f " + rateFile), two = Cli("rate -j 2 -f " + rateFile);
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(Lines(one.out).size(), 24u);
    EXPECT_EQ(one.out, two.out);

    std::string pathFile =
        WriteFile("path_j.txt", Sample("puzzles3_magictour_top1465.txt", 301, 4));
    CliResult pathOne = Cli("path --json -j 1 -f " + pathFile),
              pathTwo = Cli("path --json -j 2 -f " + pathFile);
    EXPECT_EQ(pathOne.status, 0);
    EXPECT_EQ(pathOne.out, pathTwo.out);
}

TEST_F(CliAnalysis, HintGivesTheDriversFirstStep) {
    CliResult r = Cli("hint " + BUILTIN);
    EXPECT_EQ(r.status, 0);
    // The same step found here on the computed candidates with every technique on.
    LoadGivens(BUILTIN.c_str());
    AnalysisOptions.showCandidates = 1;
    AnalysisOptions.techniques = 0x3F;
    ComputeCandidates();
    int kind = RunAnalysis();
    ASSERT_EQ(kind, 1);
    char text[512];
    DescribeStep(kind, text, sizeof text);
    EXPECT_EQ(r.out, std::string(text) + "\n");

    CliResult none = Cli("hint --techniques 0 " + BUILTIN);
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "No step found\n");
    // Singles off the table: the mask without the analysis bit finds nothing either.
    EXPECT_EQ(Cli("hint --techniques 0x3E " + BUILTIN).out, "No step found\n");
}

TEST_F(CliAnalysis, HintShowsCandidatesAndRefusesABadMask) {
    CliResult r = Cli("hint --candidates " + BUILTIN);
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 12u);                 // 9 rows, 2 rules, the step
    EXPECT_EQ(lines[0].substr(0, 8), "25   [7]"); // r1c1 holds 2 or 5, r1c2 is a given 7

    CliResult bad = Cli("hint --techniques zz " + BUILTIN);
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("zz"), std::string::npos);
}

TEST_F(CliAnalysis, EachCommandHasHelp) {
    for (const char* command : {"rate", "path", "hint"}) {
        CliResult r = Cli(std::string(command) + " --help");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind(std::string("usage: quadrivo-cli ") + command, 0), 0u) << r.out;
    }
    EXPECT_EQ(Cli("path").status, 2); // no puzzle
}

} // namespace
