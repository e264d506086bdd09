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

// Each JSON step lists its marks, chains, placements, removals and text; replaying the
// placements ends on the solution, and the costs add up to the rating. The words form has one
// numbered line per step with the same texts, and the same last line.
TEST_F(CliAnalysis, PathStepsReplayToTheRating) {
    CliRun r = RunCli("path --json " + BUILTIN);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_GT(lines.size(), 1u);
    const std::string message = RateHere(BUILTIN);
    EXPECT_EQ(lines.back(), "{\"result\":\"" + message + "\"}");

    static const std::regex step(
        R"re(^\{"kind":(1|2|4|8|16|32),"marks":\{([0-9":,]*)\},"chains":\[([0-9,]*)\],"placed":\{([0-9":,]*)\},"removed":\{([0-9":,]*)\},"text":"([^"\\]*)"(,"chain_text":\[[^\]]*\])?\}$)re");
    static const std::regex entry(R"re("(\d+)":(\d+))re");
    CliRun words = RunCli("path " + BUILTIN);
    ASSERT_EQ(words.status, 0);
    std::vector<std::string> w = Lines(words.out);
    ASSERT_EQ(w.size(), lines.size());
    EXPECT_EQ(w.back(), message);
    std::string board = BUILTIN;
    int score = 1;
    for (size_t i = 0; i + 1 < lines.size(); i++) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, step)) << lines[i];
        EXPECT_EQ(w[i], std::to_string(i + 1) + ". " + m[6].str());
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
    ASSERT_EQ(CountSolutions(Board, 1, SolutionGrid), 1);
    EXPECT_EQ(board, SolutionDigits());
}

// A chain step's JSON gives each chain of "chains" by its two colours, in the same order.
TEST_F(CliAnalysis, PathJsonWritesEachChainOfAChainStep) {
    const std::string puzzle =
        ".6.5.1.9.1...9..539....7....4.8...7.......5.8.817.5.3.....5.2............76..8...";
    std::vector<std::string> lines = Lines(RunCli("path --json " + puzzle).out);
    ASSERT_GT(lines.size(), 10u);
    // Step 10 is "2-string kite (chains b, h): ...".
    static const std::regex chains(R"re("chains":\[([0-9,]*)\].*"chain_text":\[(.*)\]\}$)re");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(lines[9], m, chains)) << lines[9];
    std::vector<std::string> numbers, texts;
    std::string list = m[1], text = m[2];
    static const std::regex number("\\d+");
    for (std::sregex_iterator e(list.begin(), list.end(), number), end; e != end; ++e)
        numbers.push_back(e->str());
    static const std::regex oneChain(R"re("([a-z]+): ([^"]*) \| ([^"]*)")re");
    for (std::sregex_iterator e(text.begin(), text.end(), oneChain), end; e != end; ++e)
        texts.push_back((*e)[1]);
    ASSERT_EQ(texts.size(), numbers.size()) << lines[9];
    for (size_t i = 0; i < numbers.size(); i++)
        EXPECT_EQ(texts[i], std::string(1, char('a' + std::stoi(numbers[i])))) << lines[9];
    EXPECT_EQ(lines[0].find("chain_text"), std::string::npos); // not on other steps
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

// Positions a step cannot help get the words of check and status 1: a wrong digit that breaks
// no rule, a digit twice in a row, a puzzle with several solutions, a solved grid.
TEST_F(CliAnalysis, HintChecksThePositionFirst) {
    const std::pair<std::string, const char*> positions[] = {
        {"5" + BUILTIN.substr(1), "No Solution"},
        {"6" + BUILTIN.substr(1), "Invalid Position"},
        {".." + BUILTIN.substr(2), "Several Solutions"},
        {"274156983518493267369782154683271549491865732725349618957634821146928375832517496",
         "Puzzle Solved"},
    };
    for (const auto& [puzzle, words] : positions) {
        CliRun r = RunCli("hint " + puzzle);
        EXPECT_EQ(r.status, 1) << puzzle;
        EXPECT_EQ(r.out, std::string(words) + "\n") << puzzle;
    }
}

// --marks reads the grid --candidates prints; the analysis then runs on those marks, after
// marks that leave out a solution digit have been named.
TEST_F(CliAnalysis, HintOnThePlayersMarks) {
    std::vector<std::string> grid = Lines(RunCli("hint --candidates " + BUILTIN).out);
    grid.pop_back(); // the step
    CliRun same = RunCli("hint " + BUILTIN + " --marks " + WriteLines("marks.txt", grid));
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(same.out, RunCli("hint " + BUILTIN).out);

    std::vector<std::string> missing = grid;
    missing[2].replace(missing[2].find("| 278 "), 6, "| 28  "); // r3c4 without its 7
    CliRun r = RunCli("hint " + BUILTIN + " --marks " + WriteLines("missing.txt", missing));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "your marks leave out 7 at r3c4\n");

    // Marks a player narrowed down: r1c1 holds 2 alone, a naked single the candidates lack.
    std::vector<std::string> narrowed = grid;
    narrowed[0].replace(0, 2, "2 ");
    r = RunCli("hint " + BUILTIN + " --marks " + WriteLines("narrowed.txt", narrowed));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Naked single: r1c1 = 2", 0), 0u) << r.out;

    // What cannot be read is refused with the reason.
    std::vector<std::string> given = grid;
    given[0].replace(5, 3, "7  ");
    r = RunCli("hint " + BUILTIN + " --marks " + WriteLines("given.txt", given));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("r1c2 is a given 7"), std::string::npos) << r.err;
    r = RunCli("hint " + BUILTIN + " --marks " + WriteLines("short.txt", {"25 [7]"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("2 entries, 81 are needed"), std::string::npos) << r.err;
    EXPECT_EQ(RunCli("hint " + BUILTIN + " " + BUILTIN + " --marks marks.txt").status, 2);
}

// --level 1 and 2 tell the technique and where to look, 2 then the board with the step's cells;
// 3, the default, is the step in full. The check comes first at every level.
TEST_F(CliAnalysis, HintLevels) {
    const std::string full = RunCli("hint " + BUILTIN).out;
    EXPECT_EQ(RunCli("hint --level 3 " + BUILTIN).out, full);
    CliRun first = RunCli("hint --level 1 " + BUILTIN);
    EXPECT_EQ(first.status, 0);
    ASSERT_EQ(Lines(first.out).size(), 1u);
    EXPECT_TRUE(
        std::regex_search(first.out, std::regex("^An? [a-zA-Z].* in (row|column|box) \\d\n$")))
        << first.out;

    CliRun second = RunCli("hint --level 2 " + BUILTIN);
    std::vector<std::string> lines = Lines(second.out);
    ASSERT_EQ(lines.size(), 12u); // the first level, 9 rows, 2 rules
    EXPECT_EQ(lines[0] + "\n", first.out);
    // Each cell as the board has it, the single the full text names marked with its digit.
    std::smatch named;
    ASSERT_TRUE(std::regex_search(full, named, std::regex("r(\\d)c(\\d) = (\\d)")));
    const int row = std::stoi(named[1]) - 1, column = std::stoi(named[2]) - 1;
    std::vector<std::string> cells;
    for (size_t i = 1; i < lines.size(); i++) {
        if (lines[i].find("---") != std::string::npos) continue;
        std::istringstream words(lines[i]);
        for (std::string w; words >> w;)
            if (w != "|") cells.push_back(w);
    }
    ASSERT_EQ(cells.size(), 81u);
    for (int x = 0; x < 81; x++) {
        if (BUILTIN[size_t(x)] != '.') {
            EXPECT_EQ(cells[size_t(x)], BUILTIN.substr(size_t(x), 1));
        }
    }
    EXPECT_EQ(cells[size_t(9 * row + column)], "*" + std::string(named[3]));

    EXPECT_EQ(RunCli("hint --level 1 .." + BUILTIN.substr(2)).out, "Several Solutions\n");
    for (const char* level : {"0", "4", "x"})
        EXPECT_EQ(RunCli("hint --level " + std::string(level) + " " + BUILTIN).status, 2) << level;
}

// A bad mask or a missing puzzle is refused.
TEST_F(CliAnalysis, BadOptionsAreRefused) {
    CliRun bad = RunCli("hint --techniques zz " + BUILTIN);
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("zz"), std::string::npos);
    EXPECT_EQ(RunCli("path").status, 2);
}

} // namespace
