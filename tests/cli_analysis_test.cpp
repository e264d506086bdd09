// quadrivo-cli rate, path and hint, run as the built program and compared with the core.
#include "analysis/driver.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "control/session.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/options.h"
#include "tests/support.h"
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

class CliAnalysis : public CoreTest {};

const std::string BUILTIN = BUILTIN_PUZZLE;

// Each JSON step lists its marks, chains, placements, removals and text; replaying the
// placements ends on the solution, and the costs add up to the rating. The words form has one
// numbered line per step with the same texts, and the same last line.
TEST_F(CliAnalysis, PathStepsReplayToTheRating) {
    CliRun r = RunCli("path --json " + BUILTIN);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_GT(lines.size(), 1u);
    char text[64];
    LoadGivens(BUILTIN_PUZZLE);
    const std::string message = RatePuzzle(S, text, sizeof text); // in this process
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
        const std::string body = m[4];
        for (std::sregex_iterator e(body.begin(), body.end(), entry), end; e != end;
             ++e, placed++) {
            EXPECT_EQ(board[size_t(std::stoi((*e)[1]))], '.') << lines[i];
            board[size_t(std::stoi((*e)[1]))] = (*e)[2].str()[0];
        }
        EXPECT_EQ(placed, kind == 1 ? 1 : 0) << lines[i]; // only singles enter digits
    }
    EXPECT_EQ(message, "Rating " + std::to_string(score) + " (" + LevelName(score) + ")");
    LoadGivens(BUILTIN_PUZZLE);
    ASSERT_EQ(CountSolutions(S->Board, 1, S->SolutionGrid), 1);
    EXPECT_EQ(board, SolutionDigits());
}

// --level 1 and 2 tell the technique and where to look, 2 then the board with the step's cells;
// 3, the default, is the step in full. The check comes first at every level.
TEST_F(CliAnalysis, HintLevels) {
    const std::string full = RunCli("hint --order classic " + BUILTIN).out;
    EXPECT_EQ(RunCli("hint --order classic --techniques 0 " + BUILTIN).out, "No step found\n");
    EXPECT_EQ(RunCli("hint --order classic --level 3 " + BUILTIN).out, full);
    CliRun first = RunCli("hint --order classic --level 1 " + BUILTIN);
    ASSERT_EQ(first.status, 0);

    CliRun second = RunCli("hint --order classic --level 2 " + BUILTIN);
    std::vector<std::string> lines = Lines(second.out);
    ASSERT_EQ(lines.size(), 12u); // the first level, 9 rows, 2 rules
    EXPECT_EQ(lines[0] + "\n", first.out);
    // The single the full text names is marked with its digit on the board.
    std::smatch named;
    ASSERT_TRUE(std::regex_search(full, named, std::regex("r(\\d)c(\\d) = (\\d)")));
    const int r = std::stoi(named[1]) - 1; // its row, after the first line and the rules
    const std::string row = lines[size_t(1 + r + r / 3)];
    EXPECT_NE(row.find("*" + std::string(named[3])), std::string::npos) << row;

    EXPECT_EQ(RunCli("hint --level 1 .." + BUILTIN.substr(2)).out, "Several Solutions\n");
    EXPECT_EQ(RunCli("hint --level 4 " + BUILTIN).status, 2);
}

// The player's order is the default: the first step of its path in full at level 3; level 1
// names the technique and a unit but no digit; level 2 marks the pattern cells and gives no
// digit that is not on the board.
TEST_F(CliAnalysis, PlayerHintsGiveNothingAway) {
    const std::string path = RunCli("path --order player " + BUILTIN).out;
    const std::string full = RunCli("hint " + BUILTIN).out;
    EXPECT_EQ("1. " + full, path.substr(0, full.size() + 3));
    const std::string first = RunCli("hint --level 1 " + BUILTIN).out;
    EXPECT_EQ(first.find('='), std::string::npos) << first;
    EXPECT_TRUE(std::regex_search(first, std::regex("^An? .* in (row|column|box|boxes) \\d")))
        << first;
    std::vector<std::string> lines = Lines(RunCli("hint --level 2 " + BUILTIN).out);
    ASSERT_EQ(lines.size(), 12u);
    std::string shown;
    for (size_t i = 1; i < lines.size(); i++)
        for (char c : lines[i])
            if (c == 'p' || c == '.' || (c >= '1' && c <= '9')) shown += c;
    ASSERT_EQ(shown.size(), 81u);
    for (int x = 0; x < 81; x++)
        EXPECT_EQ(shown[x] >= '1' && shown[x] <= '9', BUILTIN[x] >= '1' && BUILTIN[x] <= '9') << x;
    EXPECT_NE(shown.find('p'), std::string::npos);
}

} // namespace
