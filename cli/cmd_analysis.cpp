// quadrivo-cli rate, path and hint: the rating of puzzles, the rating's solving path step by
// step (in words, as JSON, or checked against the unique solution), and the next logical step.
// Every puzzle is loaded as a new game; path watches the rating loop itself, so its steps and
// its last line are those of rate.
#include "analysis/driver.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "cli/cli.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/options.h"
#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* RATE_HELP =
    "usage: quadrivo-cli rate PUZZLE... | -f FILE [-j N] [--stats]\n"
    "\n"
    "Rates each puzzle by logic alone, as the program's \"Rate Puzzle\" does, and prints one\n"
    "line per puzzle: the puzzle as given, a tab, and the rating's message.\n"
    "\n"
    "  -f FILE   read puzzles from FILE, one a line ('-' for standard input)\n"
    "  -j N      use N worker processes (default: all cores); output stays in input order\n"
    "  --stats   print puzzles per second, total time and the slowest puzzle on stderr\n";

constexpr const char* PATH_HELP =
    "usage: quadrivo-cli path PUZZLE... | -f FILE [--json | --check] [-j N] [--stats]\n"
    "\n"
    "Plays the rating loop and prints every step it applies, then the rating's message.\n"
    "Cells are rNcM (1-based), boxes 1-9 row by row from the top left, chains a, b, c...\n"
    "\n"
    "  --json    one JSON object per step:\n"
    "            {\"kind\":K,\"marks\":{..},\"chains\":[..],\"placed\":{..},\"removed\":{..}}\n"
    "            (cells as decimal strings 0-80), then {\"result\":\"MESSAGE\"}\n"
    "  --check   solve each puzzle exactly and check that no step places a digit other than\n"
    "            the solution's or removes the solution's digit; one line per puzzle, exit\n"
    "            status 1 when a step disagrees\n"
    "  -f FILE, -j N, --stats   as for rate\n";

constexpr const char* HINT_HELP =
    "usage: quadrivo-cli hint PUZZLE... | -f FILE [--techniques HEX] [--candidates]\n"
    "\n"
    "Runs the analysis once on the computed candidates and prints the step it finds in words,\n"
    "or \"No step found\" (exit status 1).\n"
    "\n"
    "  --techniques HEX  the technique mask (default 3F, every technique): 1 analysis on,\n"
    "                    2 subsets, 4 locked candidates, 8 grid analysis, 10 forcing chains,\n"
    "                    20 almost locked sets\n"
    "  --candidates      print the candidates before the step\n"
    "  -f FILE, -j N, --stats   as for rate\n";

// Every technique the user can switch on.
constexpr uint32_t ALL_TECHNIQUES =
    TECH_ANALYSIS | TECH_SUBSETS | TECH_LOCKED | TECH_GRID | TECH_CHAINS | TECH_ALS;

// Parses the command line and gathers the puzzles; returns -1 to go on, else the exit status.
int Prepare(int argc, char** argv, const std::vector<std::string>& values,
            const std::vector<std::string>& flags, const char* help, CliArgs* args,
            std::vector<PuzzleItem>* items, int* bad) {
    std::string error;
    if (!ParseArgs(argc, argv, values, flags, args, &error)) {
        std::fprintf(stderr, "quadrivo-cli %s: %s\n%s", argv[0], error.c_str(), help);
        return 2;
    }
    if (args->Has("--help")) {
        std::fputs(help, stdout);
        return 0;
    }
    *items = GatherPuzzles(*args, bad);
    if (items->empty() && *bad == 0) {
        std::fprintf(stderr, "quadrivo-cli %s: no puzzle given\n%s", argv[0], help);
        return 2;
    }
    return -1;
}

int Finish(int status, int bad) {
    return bad ? 2 : status;
}

// ---- rate ---------------------------------------------------------------------------------

ItemResult RateOne(const PuzzleItem& item, const CliArgs&) {
    LoadAsNewGame(item.cells);
    ItemResult r;
    r.out = item.text + "\t" + RatePuzzle() + "\n";
    return r;
}

// ---- path ---------------------------------------------------------------------------------

// What the watcher of one rating loop keeps: the step as RunAnalysis left it, the output so far
// and, when checking, the solution and the first disagreement.
struct PathRecorder {
    bool json;
    bool check;
    uint8_t solution[81];
    int steps;
    // The step before ApplyStep.
    int kind;
    uint16_t marks[81];
    ChainDisplayListRecord chains;
    uint8_t board[81];
    DigitMask grid[81];
    char text[1024];
    std::string out;
    std::string disagreement; // empty while every step agrees
};
PathRecorder* Recorder = nullptr;
bool SeveralPuzzles = false;

std::string JsonString(const char* text) {
    std::string s = "\"";
    for (const char* p = text; *p; p++) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            s += '\\';
            s += char(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            s += esc;
        } else {
            s += char(c);
        }
    }
    return s + "\"";
}

// Appends printf-style text to a string.
__attribute__((format(printf, 2, 3))) void Appendf(std::string& s, const char* format, ...) {
    char text[1400];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n > 0) s.append(text, std::min(size_t(n), sizeof text - 1));
}

// The non-zero entries of an 81-cell table as JSON members "CELL":VALUE, cells ascending.
template <typename Value> void AppendCells(std::string& s, const Value& value) {
    bool first = true;
    for (int x = 0; x < 81; x++) {
        unsigned v = value(x);
        if (!v) continue;
        Appendf(s, "%s\"%d\":%u", first ? "" : ",", x, v);
        first = false;
    }
}

void AddJsonStep(PathRecorder& rec) {
    std::string& s = rec.out;
    Appendf(s, "{\"kind\":%d,\"marks\":{", rec.kind);
    AppendCells(s, [&](int x) { return unsigned(rec.marks[x]); });
    s += "},\"chains\":[";
    for (int i = 0; i < rec.chains.count; i++)
        Appendf(s, "%s%d", i ? "," : "", int(rec.chains.entries[i]));
    s += "],\"placed\":{";
    AppendCells(s, [&](int x) { return rec.board[x] ? 0u : unsigned(Board[x] & CELL_DIGIT); });
    s += "},\"removed\":{";
    AppendCells(s, [&](int x) { return unsigned(rec.grid[x] & DigitMask(~AnalysisGrid[x])); });
    s += "}}\n";
}

// The first way the step just applied contradicts the solution, or "".
std::string Disagreement(const PathRecorder& rec) {
    std::string why;
    for (int x = 0; x < 81 && why.empty(); x++) {
        int right = rec.solution[x] & CELL_DIGIT;
        int placed = rec.board[x] ? 0 : Board[x] & CELL_DIGIT;
        // A cell just filled loses all its candidates; only open cells must keep the solution.
        DigitMask lost = rec.grid[x] & DigitMask(~AnalysisGrid[x]);
        if (placed && placed != right)
            Appendf(why, "places r%dc%d = %d, the solution has %d", x / 9 + 1, x % 9 + 1, placed,
                    right);
        else if (!Board[x] && right && (lost & (1u << (right - 1))))
            Appendf(why, "removes %d from r%dc%d, the solution's digit", right, x / 9 + 1,
                    x % 9 + 1);
    }
    return why;
}

// Sees each step of the rating loop: phase 0 before ApplyStep, phase 1 after it.
void WatchStep(int kind, int phase) {
    PathRecorder& rec = *Recorder;
    if (phase == 0) {
        rec.kind = kind;
        std::memcpy(rec.marks, StepMarks, sizeof rec.marks);
        rec.chains = ChainDisplayList;
        std::memcpy(rec.board, Board, sizeof rec.board);
        std::memcpy(rec.grid, AnalysisGrid, sizeof rec.grid);
        if (!rec.json) DescribeStep(kind, rec.text, sizeof rec.text);
        return;
    }
    rec.steps++;
    if (rec.check) {
        if (rec.disagreement.empty()) {
            std::string why = Disagreement(rec);
            if (!why.empty())
                Appendf(rec.disagreement, "step %d (kind %d, %s) %s", rec.steps, kind, rec.text,
                        why.c_str());
        }
    } else if (rec.json) {
        AddJsonStep(rec);
    } else {
        Appendf(rec.out, "%d. %s\n", rec.steps, rec.text);
    }
}

ItemResult PathOne(const PuzzleItem& item, const CliArgs& args) {
    static PathRecorder rec; // large; one per process, reused puzzle after puzzle
    rec.json = args.Has("--json");
    rec.check = args.Has("--check");
    rec.steps = 0;
    rec.text[0] = 0;
    rec.out.clear();
    rec.disagreement.clear();
    ItemResult r;
    LoadAsNewGame(item.cells);
    if (rec.check) {
        // The solution, without leaving a trace in the game state the rating starts from.
        uint8_t keep[81];
        std::memcpy(keep, SolutionGrid, sizeof keep);
        int count = CountSolutions(Board, 1);
        std::memcpy(rec.solution, SolutionGrid, sizeof rec.solution);
        std::memcpy(SolutionGrid, keep, sizeof keep);
        if (count != 1) {
            r.out = item.text + "\tnot checked: " +
                    (count == 0  ? "no solution"
                     : count < 0 ? "invalid"
                                 : "several solutions") +
                    "\n";
            r.status = 1;
            return r;
        }
    }
    Recorder = &rec;
    RatingStepWatcher = WatchStep;
    const char* result = RatePuzzle();
    RatingStepWatcher = nullptr;
    Recorder = nullptr;

    if (rec.check) {
        if (rec.disagreement.empty()) {
            Appendf(r.out, "%s\tagrees (%d steps, %s)\n", item.text.c_str(), rec.steps, result);
        } else {
            Appendf(r.out, "%s\tdisagrees at %s\n", item.text.c_str(), rec.disagreement.c_str());
            r.status = 1;
        }
        return r;
    }
    if (rec.json) {
        r.out = rec.out;
        Appendf(r.out, "{\"result\":%s}\n", JsonString(result).c_str());
    } else {
        if (SeveralPuzzles) Appendf(r.out, "%s\n", item.text.c_str());
        r.out += rec.out;
        r.out += result;
        r.out += '\n';
    }
    return r;
}

// ---- hint ---------------------------------------------------------------------------------

uint32_t HintTechniques = ALL_TECHNIQUES;

// The candidates as a grid: each open cell's digits, each filled cell its digit in brackets,
// columns padded to their widest entry, boxes ruled off.
std::string CandidateText() {
    char cellText[81][10];
    size_t width[9] = {};
    for (int x = 0; x < 81; x++) {
        char* t = cellText[x];
        int n = 0;
        if (Board[x] & CELL_DIGIT) {
            t[n++] = '[';
            t[n++] = char('0' + (Board[x] & CELL_DIGIT));
            t[n++] = ']';
        } else {
            for (int d = 0; d < 9; d++)
                if (CandidateGrid[x] & (1u << d)) t[n++] = char('1' + d);
            if (n == 0) t[n++] = '-';
        }
        t[n] = 0;
        if (size_t(n) > width[x % 9]) width[x % 9] = size_t(n);
    }
    std::string s;
    for (int row = 0; row < 9; row++) {
        if (row == 3 || row == 6) {
            for (int c = 0; c < 9; c++) {
                if (c == 3 || c == 6) s += "+-";
                s.append(width[c] + (c < 8 ? 1 : 0), '-');
            }
            s += '\n';
        }
        for (int c = 0; c < 9; c++) {
            if (c == 3 || c == 6) s += "| ";
            const char* t = cellText[row * 9 + c];
            s += t;
            if (c < 8) s.append(width[c] - std::strlen(t) + 1, ' ');
        }
        s += '\n';
    }
    return s;
}

ItemResult HintOne(const PuzzleItem& item, const CliArgs& args) {
    LoadAsNewGame(item.cells);
    AnalysisOptions.showCandidates = 1; // the analysis reads the computed candidates
    AnalysisOptions.techniques = HintTechniques;
    ComputeCandidates();
    ItemResult r;
    if (SeveralPuzzles) r.out = item.text + "\n";
    if (args.Has("--candidates")) r.out += CandidateText();
    int kind = RunAnalysis();
    char text[1024];
    DescribeStep(kind, text, sizeof text);
    r.out += std::string(text) + "\n";
    r.status = kind != STEP_NONE ? 0 : 1;
    return r;
}

// Reads a technique mask in hexadecimal ("3f", "0x3F"); false when it is not one.
bool ParseTechniques(const std::string& text, uint32_t* mask) {
    const char* p = text.c_str();
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) p += 2;
    if (!*p || std::strlen(p) > 4) return false;
    for (const char* q = p; *q; q++)
        if (!std::isxdigit(static_cast<unsigned char>(*q))) return false;
    *mask = uint32_t(std::strtoul(p, nullptr, 16));
    return true;
}

} // namespace

int CmdRate(int argc, char** argv) {
    CliArgs args;
    std::vector<PuzzleItem> items;
    int bad = 0;
    int status = Prepare(argc, argv, {}, {}, RATE_HELP, &args, &items, &bad);
    if (status >= 0) return status;
    InstallConsoleHooks(true); // the message goes to the output line, not a message box
    return Finish(RunBatch(items, RateOne, args), bad);
}

int CmdPath(int argc, char** argv) {
    CliArgs args;
    std::vector<PuzzleItem> items;
    int bad = 0;
    int status = Prepare(argc, argv, {}, {"--json", "--check"}, PATH_HELP, &args, &items, &bad);
    if (status >= 0) return status;
    if (args.Has("--json") && args.Has("--check")) {
        std::fprintf(stderr, "quadrivo-cli path: --json and --check do not go together\n");
        return 2;
    }
    InstallConsoleHooks(true);
    SeveralPuzzles = items.size() > 1;
    return Finish(RunBatch(items, PathOne, args), bad);
}

int CmdHint(int argc, char** argv) {
    CliArgs args;
    std::vector<PuzzleItem> items;
    int bad = 0;
    int status =
        Prepare(argc, argv, {"--techniques"}, {"--candidates"}, HINT_HELP, &args, &items, &bad);
    if (status >= 0) return status;
    HintTechniques = ALL_TECHNIQUES;
    if (const std::string* t = args.Option("--techniques")) {
        if (!ParseTechniques(*t, &HintTechniques)) {
            std::fprintf(stderr,
                         "quadrivo-cli hint: --techniques takes a hexadecimal mask, not '%s'\n",
                         t->c_str());
            return 2;
        }
    }
    InstallConsoleHooks(true);
    SeveralPuzzles = items.size() > 1;
    return Finish(RunBatch(items, HintOne, args), bad);
}
