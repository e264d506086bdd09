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
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string WriteLines(const char* name, const std::vector<std::string>& lines) {
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

// The rating's message for a puzzle, in this process.
std::string RateHere(const std::string& puzzle) {
    ResetForTest();
    LoadGivens(puzzle.c_str());
    return RatePuzzle();
}

class CliAnalysis : public CoreTest {};

const std::string BUILTIN = BUILTIN_PUZZLE;

TEST_F(CliAnalysis, RatePrintsEachPuzzleAsGivenATabAndTheMessage) {
    SKIP_WITHOUT_DATA("puzzles3_magictour_top1465.txt");
    std::vector<std::string> puzzles = Sample("puzzles3_magictour_top1465.txt", 97, 3);
    std::string zeros = BUILTIN;
    for (char& c : zeros)
        if (c == '.') c = '0';
    puzzles.push_back(zeros);
    std::string words = "rate";
    for (const std::string& p : puzzles) words += " " + p;
    CliRun r = RunCli(words);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), puzzles.size());
    for (size_t i = 0; i < puzzles.size(); i++)
        EXPECT_EQ(lines[i], puzzles[i] + "\t" + RateHere(puzzles[i]));
    EXPECT_EQ(r.err, ""); // no message boxes on the console
}

// Each JSON step lists its marks, chains, placements and removals; replaying the placements
// ends on the solution, and the costs add up to the rating. The words form has one numbered
// line per step and the same last line.
TEST_F(CliAnalysis, PathStepsReplayToTheRating) {
    CliRun r = RunCli("path --json " + BUILTIN);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_GT(lines.size(), 1u);
    const std::string message = RateHere(BUILTIN);
    EXPECT_EQ(lines.back(), "{\"result\":\"" + message + "\"}");

    static const std::regex step(
        R"re(^\{"kind":(1|2|4|8|16|32),"marks":\{(.*)\},"chains":\[([0-9,]*)\],"placed":\{(.*)\},"removed":\{(.*)\}\}$)re");
    static const std::regex entry(R"re("(\d+)":(\d+))re");
    std::string board = BUILTIN;
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
        EXPECT_EQ(placed, kind == 1 ? 1 : 0) << lines[i]; // only singles enter digits
    }
    EXPECT_EQ(message, "Rating " + std::to_string(score) + " (" + LevelName(score) + ")");
    LoadGivens(BUILTIN_PUZZLE);
    ASSERT_EQ(CountSolutions(Board, 1), 1);
    EXPECT_EQ(board, SolutionDigits());

    CliRun words = RunCli("path " + BUILTIN);
    ASSERT_EQ(words.status, 0);
    std::vector<std::string> w = Lines(words.out);
    ASSERT_EQ(w.size(), lines.size());
    for (size_t i = 0; i + 1 < w.size(); i++)
        EXPECT_EQ(w[i].rfind(std::to_string(i + 1) + ". ", 0), 0u) << w[i];
    EXPECT_EQ(w.back(), message);
}

// A file of puzzles checked: every step agrees with the solution.
TEST_F(CliAnalysis, PathCheckAgreesOnAFileOfPuzzles) {
    SKIP_WITHOUT_DATA("generated_minimal_10k.txt");
    std::vector<std::string> puzzles = Sample("generated_minimal_10k.txt", 997, 4);
    CliRun r = RunCli("path --check -f " + WriteLines("check.txt", puzzles));
    EXPECT_EQ(r.status, 0) << r.out;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), puzzles.size());
    for (size_t i = 0; i < lines.size(); i++)
        EXPECT_EQ(lines[i].rfind(puzzles[i] + "\tagrees (", 0), 0u) << lines[i];
}

TEST_F(CliAnalysis, HintGivesTheDriversFirstStep) {
    CliRun r = RunCli("hint " + BUILTIN);
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

    CliRun none = RunCli("hint --techniques 0 " + BUILTIN);
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "No step found\n");

    r = RunCli("hint --candidates " + BUILTIN);
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 12u);                 // 9 rows, 2 rules, the step
    EXPECT_EQ(lines[0].substr(0, 8), "25   [7]"); // r1c1 holds 2 or 5, r1c2 is a given 7
}

} // namespace
