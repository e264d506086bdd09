// quadrivo-cli rate, path and hint: the rating of puzzles, the rating's solving path step by
// step (in words, as JSON, or checked against the unique solution), and the next logical step.
// Every puzzle is loaded as a new game; path watches the rating loop itself, so its steps and
// its last line are those of rate.
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/hint.h"
#include "analysis/player.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "analysis/textcheck.h"
#include "cli/cli.h"
#include "control/hintcheck.h"
#include "control/session.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/game.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

const std::string RATE_HELP =
    std::string("usage: quadrivo-cli rate PUZZLE... [--scale classic|player] [-f FILE] [-j N]\n"
                "                        [--stats]\n"
                "Rates each puzzle by logic alone, as the program's \"Rate Puzzle\" does, and\n"
                "prints one line per puzzle: the puzzle as given, a tab, and the rating's\n"
                "message.\n"
                "  --scale player  the player's rating instead: the hardest technique the\n"
                "                  puzzle needs when each step takes the lowest-rated one\n"
                "                  available, on the 1.0-11 scale solving lists quote, its\n"
                "                  level and its name, e.g. \"4.2 Difficult (XY-wing)\"\n") +
    PUZZLE_HELP + "Exit status: 0, 1 when the output cannot be written, 2 for bad input.\n";

const std::string PATH_HELP =
    std::string(
        "usage: quadrivo-cli path PUZZLE... [--json | --check] [--order classic|player]\n"
        "                        [-f FILE] [-j N] [--stats]\n"
        "Plays the rating loop and prints every step it applies, then the rating's\n"
        "message. Cells are rNcM (1-based), boxes 1-9 row by row from the top left,\n"
        "chains a, b, c...\n"
        "  --order player  the player's order of techniques instead: every step, then\n"
        "              the player's rating (as rate --scale player); with --json one\n"
        "              object per step: {\"technique\":NAME,\"rating\":R,\"pattern\":{..},\n"
        "              \"placed\":{..},\"removed\":{..},\"text\":\"LINE\"}; with --check each\n"
        "              step's record is checked on its own: its shape, and every removal\n"
        "              proved from its pattern cells\n"
        "  --json      one JSON object per step: {\"kind\":K,\"marks\":{..},\"chains\":[..],\n"
        "              \"placed\":{..},\"removed\":{..},\"text\":\"LINE\"} (cells as decimal\n"
        "              strings 0-80); chain steps (K 16, 32) add \"chain_text\":[..],\n"
        "              each chain of \"chains\" by its two colours; then\n"
        "              {\"result\":\"MESSAGE\"}\n"
        "  --check     solve each puzzle exactly and check that no step places a digit\n"
        "              other than the solution's or removes the solution's digit, and\n"
        "              that each step's record states what it does: a single, subset,\n"
        "              locked candidates or fish follows from its units, lines and fins;\n"
        "              every chain it records (and its text writes) holds on the\n"
        "              candidates, a forcing chain proves its removal, an almost-locked-\n"
        "              set step follows from its sets, digits and link chains. One line\n"
        "              per puzzle:\n"
        "              \"agrees (N steps, C chains, A ALS steps re-derived, RATING)\"\n") +
    PUZZLE_HELP +
    "Exit status: 0, 1 when a step or its record disagrees (--check) or the output\n"
    "cannot be written, 2 for bad input.\n";

const std::string HINT_HELP =
    std::string("usage: quadrivo-cli hint PUZZLE... [--level 1|2|3] [--techniques HEX]\n"
                "                        [--candidates] [-f FILE]\n"
                "       quadrivo-cli hint PUZZLE --marks FILE [--level 1|2|3]\n"
                "Checks the position first: when it is invalid, has no solution or several, or\n"
                "is already solved, prints so in the words of 'check' (\"Invalid Position\",\n"
                "\"No Solution\", \"Several Solutions\", \"Puzzle Solved\") and exits with status\n"
                "1. Otherwise runs the analysis once and prints the step it finds in words, or\n"
                "\"No step found\" (status 1).\n"
                "  --level N         how much to tell, as the window's \"Hint\" does at its\n"
                "                    first, second and third press:\n"
                "                    1  the technique and where to look, e.g. \"A hidden\n"
                "                       single in box 9\"\n"
                "                    2  that line, then the board with the step's cells:\n"
                "                       a digit is a filled cell, '.' an open cell outside\n"
                "                       the step; a step cell is a letter for its part and\n"
                "                       the step's digits there: '*' a single or the digits\n"
                "                       of a subset, 'p' pattern, 'x' target (loses those\n"
                "                       digits), 'a' first almost locked set, 'l' link or\n"
                "                       second set, 's' cell of both sets; then each chain\n"
                "                       the step shows, by its two colours (\"a: (9)r1c4\n"
                "                       | (9)r2c5\")\n"
                "                    3  the step in full (the default)\n"
                "  --techniques HEX  the technique mask (default 3F, every technique):\n"
                "                    1 analysis on, 2 subsets, 4 locked candidates, 8 grid\n"
                "                    analysis, 10 forcing chains, 20 almost locked sets\n"
                "  --marks FILE      analyse your own pencil marks instead of the computed\n"
                "                    candidates ('-' for standard input). The file holds 81\n"
                "                    entries, row by row, separated by spaces or line ends:\n"
                "                    an open cell's marks as digits (\"258\"), '-' or '.' for\n"
                "                    an open cell without marks, and a filled cell as its\n"
                "                    digit in brackets (\"[7]\"). '|' and ruling lines of '-'\n"
                "                    and '+' are skipped, so the grid --candidates prints can\n"
                "                    be edited and given back. Marks that leave out a cell's\n"
                "                    solution digit, or keep a digit its row, column or box\n"
                "                    already has, are named (status 1) before any step is\n"
                "                    offered. Takes one puzzle.\n"
                "  --candidates      print the grid analysed (candidates or marks) before the\n"
                "                    step\n"
                "  --order ORDER     player (the default): the techniques in the order\n"
                "                    solving guides teach them; level 1 names the technique\n"
                "                    and the units or boxes of its pattern, level 2 adds its\n"
                "                    cells (the board marks them 'p'), 3 the step in full.\n"
                "                    classic: the handheld's order, as above; --techniques\n"
                "                    applies to it only\n") +
    PUZZLE_HELP +
    "Exit status: 0 a step was found, 1 none, or the position or the marks fail, or\n"
    "the output cannot be written, 2 for bad input.\n";

namespace {

// ---- rate ---------------------------------------------------------------------------------

// This thread's rater, kept from one puzzle to the next.
Rater* ThreadRater() {
    static thread_local std::unique_ptr<Rater> rater = std::make_unique<Rater>();
    return rater.get();
}

ItemResult RateOne(const PuzzleItem& item, int scale) {
    char text[96];
    if (scale == CLI_ORDER_PLAYER) {
        PlayerRatingMessage(PlayerSolve(item.cells, ORDER_RATING, -1, nullptr, nullptr), text,
                            sizeof text);
        return ItemResult{item.text + "\t" + text + "\n", "", 0};
    }
    const std::unique_ptr<Game> game = NewPuzzleGame(item.cells);
    RatingMessage(RatePosition(ThreadRater(), game.get(), nullptr, nullptr), text, sizeof text);
    ItemResult r;
    r.out = item.text + "\t" + text + "\n";
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
    char text[STEP_TEXT_SIZE];
    StepRecord step;
    std::string chainText; // JSON array of the step's chains by colour, for chain steps
    TextCheckCounts counts;
    std::string out;
    std::string disagreement; // empty while every step agrees
};

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
    char text[8192];
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

void AddJsonStep(const Analysis* A, PathRecorder& rec) {
    std::string& s = rec.out;
    Appendf(s, "{\"kind\":%d,\"marks\":{", rec.kind);
    AppendCells(s, [&](int x) { return unsigned(rec.marks[x]); });
    s += "},\"chains\":[";
    for (int i = 0; i < rec.chains.count; i++)
        Appendf(s, "%s%d", i ? "," : "", int(rec.chains.entries[i]));
    s += "],\"placed\":{";
    AppendCells(s,
                [&](int x) { return rec.board[x] ? 0u : unsigned(A->G->Board[x] & CELL_DIGIT); });
    s += "},\"removed\":{";
    AppendCells(s, [&](int x) { return unsigned(rec.grid[x] & DigitMask(~A->AnalysisGrid[x])); });
    s += "},\"text\":" + JsonString(rec.text);
    if (rec.kind == 16 || rec.kind == 32) s += ",\"chain_text\":" + rec.chainText;
    s += "}\n";
}

// The first way the step just applied contradicts the solution, or "".
std::string Disagreement(const Analysis* A, const PathRecorder& rec) {
    std::string why;
    for (int x = 0; x < 81 && why.empty(); x++) {
        int right = rec.solution[x] & CELL_DIGIT;
        int placed = rec.board[x] ? 0 : A->G->Board[x] & CELL_DIGIT;
        // A cell just filled loses all its candidates; only open cells must keep the solution.
        DigitMask lost = rec.grid[x] & DigitMask(~A->AnalysisGrid[x]);
        if (placed && placed != right)
            Appendf(why, "places r%dc%d = %d, the solution has %d", x / 9 + 1, x % 9 + 1, placed,
                    right);
        else if (!A->G->Board[x] && right && (lost & (1u << (right - 1))))
            Appendf(why, "removes %d from r%dc%d, the solution's digit", right, x / 9 + 1,
                    x % 9 + 1);
    }
    return why;
}

// Sees each step of the rating loop: phase 0 before ApplyStep, phase 1 after it.
void WatchStep(void* context, Analysis* A, int kind, int phase) {
    PathRecorder& rec = *static_cast<PathRecorder*>(context);
    if (phase == 0) {
        rec.kind = kind;
        std::memcpy(rec.marks, A->StepMarks, sizeof rec.marks);
        rec.chains = A->ChainDisplayList;
        std::memcpy(rec.board, A->G->Board, sizeof rec.board);
        std::memcpy(rec.grid, A->AnalysisGrid, sizeof rec.grid);
        DescribeStep(A, kind, rec.text, sizeof rec.text);
        rec.step = A->CurrentStep; // a single's entry clears it
        if (rec.json && (kind == STEP_CHAINS || kind == STEP_ALS)) {
            rec.chainText.assign(1, '[');
            for (int i = 0; i < rec.chains.count; i++) {
                char chain[2048];
                DescribeChain(A, rec.chains.entries[i], chain, sizeof chain);
                if (i) rec.chainText += ',';
                rec.chainText += JsonString(chain);
            }
            rec.chainText += "]";
        }
        return;
    }
    rec.steps++;
    if (rec.check) {
        if (rec.disagreement.empty()) {
            std::string why = Disagreement(A, rec);
            char stepWhy[256];
            if (why.empty() && CheckStep(kind, rec.step, rec.grid, A->AnalysisGrid, rec.board,
                                         A->G->Board, &rec.counts, stepWhy, sizeof stepWhy))
                why = std::string("has a step record that does not hold: ") + stepWhy;
            if (!why.empty())
                Appendf(rec.disagreement, "step %d (kind %d, %s) %s", rec.steps, kind, rec.text,
                        why.c_str());
        }
    } else if (rec.json) {
        AddJsonStep(A, rec);
    } else {
        Appendf(rec.out, "%d. %s\n", rec.steps, rec.text);
    }
}

// The end of a path's output: its steps, then the result, as a JSON line or as text.
static void EndPath(ItemResult* r, const PuzzleItem& item, bool json, const std::string& steps,
                    const char* result) {
    if (json) {
        r->out = steps;
        Appendf(r->out, "{\"result\":%s}\n", JsonString(result).c_str());
    } else {
        if (BatchSeveral) Appendf(r->out, "%s\n", item.text.c_str());
        r->out += steps;
        r->out += result;
        r->out += '\n';
    }
}

// A puzzle --check cannot check: it has no solution, several, or is invalid (count < 0).
ItemResult NotChecked(const PuzzleItem& item, int count) {
    ItemResult r;
    r.out = item.text + "\tnot checked: " +
            (count == 0  ? "no solution"
             : count < 0 ? "invalid"
                         : "several solutions") +
            "\n";
    r.status = 1;
    return r;
}

ItemResult PathOne(const PuzzleItem& item, const PathOptions& options) {
    static thread_local PathRecorder rec; // large; one per thread, reused puzzle after puzzle
    rec.json = options.json;
    rec.check = options.check;
    rec.steps = 0;
    rec.text[0] = 0;
    rec.counts = {};
    rec.out.clear();
    rec.disagreement.clear();
    ItemResult r;
    const std::unique_ptr<Game> game = NewPuzzleGame(item.cells);
    if (rec.check) {
        const int count = CountSolutions(game->Board, 1, rec.solution);
        if (count != 1) return NotChecked(item, count);
    }
    char result[64];
    RatingMessage(RatePosition(ThreadRater(), game.get(), WatchStep, &rec), result, sizeof result);

    if (rec.check) {
        if (rec.disagreement.empty()) {
            Appendf(r.out, "%s\tagrees (%d steps, %d chains, %d ALS steps re-derived, %s)\n",
                    item.text.c_str(), rec.steps, rec.counts.chains, rec.counts.alsSteps, result);
        } else {
            Appendf(r.out, "%s\tdisagrees at %s\n", item.text.c_str(), rec.disagreement.c_str());
            r.status = 1;
        }
        return r;
    }
    EndPath(&r, item, rec.json, rec.out, result);
    return r;
}

// ---- the player's path --------------------------------------------------------------------

struct PlayerPathRecorder {
    const PathOptions* options;
    uint8_t solution[81];
    int steps;
    std::string out;
    std::string disagreement; // empty while every step agrees
};

// The first way the step contradicts the solution, or "".
std::string PlayerDisagreement(const PlayerGrid* P, const PlayerStep& S, const uint8_t* solution) {
    std::string why;
    if (S.placed >= 0 && S.placedDigit != solution[S.placed])
        Appendf(why, "places r%dc%d = %d, the solution has %d", S.placed / 9 + 1, S.placed % 9 + 1,
                S.placedDigit, int(solution[S.placed]));
    for (int x = 0; x < 81 && why.empty(); x++)
        if (!P->board[x] && (S.remove[x] >> (solution[x] - 1) & 1))
            Appendf(why, "removes %d from r%dc%d, the solution's digit", int(solution[x]),
                    x / 9 + 1, x % 9 + 1);
    return why;
}

bool WatchPlayerStep(void* context, const PlayerGrid* P, const PlayerStep& S) {
    PlayerPathRecorder& rec = *static_cast<PlayerPathRecorder*>(context);
    rec.steps++;
    char text[STEP_TEXT_SIZE];
    DescribePlayerStep(S, text, sizeof text);
    if (rec.options->check) {
        char why[256];
        std::string wrong = PlayerDisagreement(P, S, rec.solution);
        if (wrong.empty() && CheckPlayerStep(P, S, why, sizeof why))
            wrong = std::string("has a step record that does not hold: ") + why;
        if (!wrong.empty()) {
            Appendf(rec.disagreement, "step %d (%s) %s", rec.steps, text, wrong.c_str());
            return false;
        }
    } else if (rec.options->json) {
        char name[64];
        PlayerStepName(S, name, sizeof name);
        std::string& s = rec.out;
        Appendf(s, "{\"technique\":%s,\"rating\":%d.%d,\"pattern\":{", JsonString(name).c_str(),
                S.rating / 10, S.rating % 10);
        DigitMask pattern[81] = {};
        for (int i = 0; i < S.patternCount; i++) pattern[S.pattern[i]] = S.patternDigits[i];
        AppendCells(s, [&](int x) { return unsigned(pattern[x]); });
        s += "},\"placed\":{";
        AppendCells(s, [&](int x) { return x == S.placed ? unsigned(S.placedDigit) : 0u; });
        s += "},\"removed\":{";
        AppendCells(s, [&](int x) { return unsigned(S.remove[x]); });
        s += "},\"text\":" + JsonString(text) + "}\n";
    } else {
        Appendf(rec.out, "%d. %s\n", rec.steps, text);
    }
    return true;
}

ItemResult PlayerPathOne(const PuzzleItem& item, const PathOptions& options) {
    PlayerPathRecorder rec;
    rec.options = &options;
    rec.steps = 0;
    ItemResult r;
    uint8_t plain[81];
    for (int x = 0; x < 81; x++) plain[x] = item.cells[x] & CELL_DIGIT;
    const int count = CountSolutions(plain, 1, rec.solution);
    if (options.check && count != 1) return NotChecked(item, count);
    const PlayerResult path = PlayerSolve(plain, ORDER_PLAYER, count == 1, WatchPlayerStep, &rec);
    char result[96];
    PlayerRatingMessage(PlayerSolve(plain, ORDER_RATING, count == 1, nullptr, nullptr), result,
                        sizeof result);
    if (options.check) {
        if (rec.disagreement.empty() && path.solved) {
            Appendf(r.out, "%s\tagrees (%d steps, %s)\n", item.text.c_str(), rec.steps, result);
        } else {
            Appendf(r.out, "%s\tdisagrees at %s\n", item.text.c_str(),
                    rec.disagreement.empty() ? "the end: no logical step found"
                                             : rec.disagreement.c_str());
            r.status = rec.disagreement.empty() ? 0 : 1;
        }
        return r;
    }
    EndPath(&r, item, options.json, rec.out, result);
    return r;
}

// ---- hint ---------------------------------------------------------------------------------

// A board as text, each cell written by cellText into a buffer of 12, columns padded to their
// widest entry, boxes ruled off.
template <typename CellText> std::string GridText(const CellText& cellText) {
    char text[81][12];
    size_t width[9] = {};
    for (int x = 0; x < 81; x++) {
        cellText(x, text[x]);
        const size_t n = std::strlen(text[x]);
        if (n > width[x % 9]) width[x % 9] = n;
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
            const char* t = text[row * 9 + c];
            s += t;
            if (c < 8) s.append(width[c] - std::strlen(t) + 1, ' ');
        }
        s += '\n';
    }
    return s;
}

// The marks of a grid as text: each open cell's digits, each filled cell its digit in
// brackets.
std::string CandidateText(const Game* G, const DigitMask* grid) {
    return GridText([G, grid](int x, char* t) {
        int n = 0;
        if (G->Board[x] & CELL_DIGIT) {
            t[n++] = '[';
            t[n++] = char('0' + (G->Board[x] & CELL_DIGIT));
            t[n++] = ']';
        } else {
            for (int d = 0; d < 9; d++)
                if (grid[x] & (1u << d)) t[n++] = char('1' + d);
            if (n == 0) t[n++] = '-';
        }
        t[n] = 0;
    });
}

// The step found as text for the second level of a hint: the board with each step cell as a
// letter for its part and the step's digits there (as "hint --help" tells), then the chains
// the step shows.
std::string PatternText(Session* S) {
    std::string s = GridText([S](int x, char* t) {
        int n = 0;
        const uint16_t mark = S->A->StepMarks[x];
        if (S->Board[x] & CELL_DIGIT) {
            t[n++] = char('0' + (S->Board[x] & CELL_DIGIT));
        } else if (!mark || (mark & MARK_KIND) == MARK_WRONG) {
            t[n++] = '.';
        } else {
            static constexpr char PARTS[] = "*axlps"; // by the kind in bits 12..15
            const int kind = mark >> 12;
            t[n++] = kind < 6 ? PARTS[kind] : '?';
            for (int d = 0; d < 9; d++)
                if (mark & (1u << d)) t[n++] = char('1' + d);
        }
        t[n] = 0;
    });
    for (int k = 0; k < S->A->ChainDisplayList.count && k < CHAIN_DISPLAY_MAX; k++) {
        char chain[STEP_TEXT_SIZE];
        DescribeChain(S->A, S->A->ChainDisplayList.entries[k], chain, sizeof chain);
        s += std::string(chain) + "\n";
    }
    return s;
}

// Reads the --marks text for the puzzle's cells into marks; false with the reason otherwise.
bool ParseMarks(const std::string& text, const uint8_t cells[81], DigitMask marks[81],
                std::string* error) {
    int n = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (std::isspace(static_cast<unsigned char>(text[i]))) {
            i++;
            continue;
        }
        size_t end = i;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) end++;
        const std::string word = text.substr(i, end - i);
        i = end;
        // box rules: '|' and lines of '-' and '+'
        if (word == "|" || (word.size() > 1 && word.find_first_not_of("-+") == std::string::npos))
            continue;
        if (n == 81) {
            *error = "more than 81 entries";
            return false;
        }
        char where[16];
        std::snprintf(where, sizeof where, "r%dc%d", n / 9 + 1, n % 9 + 1);
        const int given = cells[n] & CELL_DIGIT;
        if (word.size() == 3 && word[0] == '[' && word[2] == ']') {
            if (word[1] - '0' != given) {
                *error = std::string(where) + " is " +
                         (given ? "a given " + std::to_string(given) : "empty") +
                         " in the puzzle, the marks say " + word;
                return false;
            }
            marks[n++] = 0;
            continue;
        }
        if (given) {
            *error = std::string(where) + " is a given " + std::to_string(given) +
                     " in the puzzle: write it [" + std::to_string(given) + "], not " + word;
            return false;
        }
        DigitMask m = 0;
        if (word != "-" && word != ".")
            for (char c : word) {
                if (c < '1' || c > '9') {
                    *error = std::string(where) + ": '" + word + "' is not a set of digits 1-9";
                    return false;
                }
                m |= DigitMask(1u << (c - '1'));
            }
        marks[n++] = m;
    }
    if (n != 81) {
        *error = "the marks have " + std::to_string(n) + " entries, 81 are needed";
        return false;
    }
    return true;
}

// This thread's session, kept from one puzzle to the next (its analysis is over a megabyte, more
// to clear than a hint costs), made a new game of the givens.
Session* ThreadSession(const uint8_t cells[81]) {
    static thread_local std::unique_ptr<Session> session = std::make_unique<Session>();
    Session* S = session.get();
    ResetGame(S);
    for (int i = 0; i < 81; i++) S->Board[i] = cells[i] & CELL_DIGIT;
    ResetPosition(S);
    return S;
}

// The step of one puzzle, on the player's marks when given (--marks), else on the candidates.
ItemResult HintOne(const PuzzleItem& item, const HintOptions& options, const DigitMask* marks) {
    Session* S = ThreadSession(item.cells);
    ItemResult r;
    if (BatchSeveral) r.out = item.text + "\n";
    char text[STEP_TEXT_SIZE];
    if (CheckHintPosition(S, marks, text, sizeof text) != VERDICT_UNIQUE) {
        r.out += std::string(text) + "\n";
        r.status = 1;
        return r;
    }
    if (marks) { // the analysis reads the player's marks
        std::memcpy(S->MarkGrid, marks, sizeof S->MarkGrid);
        S->AnalysisOptions.showCandidates = 0;
        S->AnalysisOptions.pencilMarks = 1;
    } else { // or the computed candidates
        S->AnalysisOptions.showCandidates = 1;
        ComputeCandidates(S);
    }
    if (options.order == CLI_ORDER_PLAYER) {
        if (options.candidates) r.out += CandidateText(S, marks ? S->MarkGrid : S->CandidateGrid);
        PlayerGrid P;
        for (int x = 0; x < 81; x++) {
            P.board[x] = S->Board[x] & CELL_DIGIT;
            P.cand[x] = P.board[x] ? 0 : marks ? marks[x] : S->CandidateGrid[x];
        }
        P.unique = true; // checked above
        PlayerStep step;
        if (!PlayerFindStep(&P, ORDER_PLAYER, PLAYER_EXTREME, &step)) {
            r.out += "No step found\n";
            r.status = 1;
            return r;
        }
        char hint[STEP_TEXT_SIZE];
        DescribePlayerHint(step, options.level, hint, sizeof hint);
        r.out += std::string(hint) + "\n";
        if (options.level == 2) {
            bool inPattern[81] = {};
            for (int i = 0; i < step.patternCount; i++) inPattern[step.pattern[i]] = true;
            r.out += GridText([&](int x, char* t) {
                t[0] = S->Board[x] & CELL_DIGIT ? char('0' + (S->Board[x] & CELL_DIGIT))
                       : inPattern[x]           ? 'p'
                                                : '.';
                t[1] = 0;
            });
        }
        return r;
    }
    S->AnalysisOptions.techniques = options.techniques & ~TECH_ALS_CHAINS;
    S->A->AlsChainLinks = (options.techniques & TECH_ALS_CHAINS) != 0; // linked from the first pass
    if (options.candidates) r.out += CandidateText(S, marks ? S->MarkGrid : S->CandidateGrid);
    int kind = RunAnalysis(S->A);
    DescribeStep(S->A, kind, text, sizeof text);
    if (options.level < 3) {
        char hint[STEP_TEXT_SIZE];
        DescribeHint(S->A, kind, text, hint, sizeof hint);
        r.out += std::string(hint) + "\n";
        if (options.level == 2 && kind != STEP_NONE) r.out += PatternText(S);
    } else {
        r.out += std::string(text) + "\n";
    }
    r.status = kind != STEP_NONE ? 0 : 1;
    return r;
}

} // namespace

int CmdRate(const RateOptions& options) {
    return RunBatch(options.batch,
                    [&](const PuzzleItem& item) { return RateOne(item, options.scale); });
}

int CmdPath(const PathOptions& options) {
    return RunBatch(options.batch, [&](const PuzzleItem& item) {
        return options.order == CLI_ORDER_PLAYER ? PlayerPathOne(item, options)
                                                 : PathOne(item, options);
    });
}

// The --marks file, at most MARKS_MAX bytes; false with the reason otherwise.
static constexpr size_t MARKS_MAX = 64 * 1024;
static bool ReadMarksFile(const std::string& name, std::string* text, std::string* why) {
    const int fd = OpenInput(name, why);
    if (fd < 0) {
        *why = "cannot open " + name + ": " + *why;
        return false;
    }
    char chunk[4096];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || text->size() + size_t(n) > MARKS_MAX) {
            *why = n < 0 ? "cannot read " + name + ": " + std::strerror(errno)
                         : name + " is longer than " + std::to_string(MARKS_MAX) + " bytes";
            if (fd > 0) close(fd);
            return false;
        }
        text->append(chunk, size_t(n));
    }
    if (fd > 0) close(fd);
    return true;
}

int CmdHint(const HintOptions& options) {
    if (options.marks.empty())
        return RunBatch(options.batch,
                        [&](const PuzzleItem& item) { return HintOne(item, options, nullptr); });

    bool standardInput = false; // does -f read standard input?
    for (const InputSource& input : options.batch.inputs)
        standardInput = standardInput || (input.file && input.text == "-");
    if (options.marks == "-" && standardInput) {
        std::fprintf(stderr, "quadrivo-cli hint: --marks and -f cannot both read standard input\n");
        return 2;
    }
    PuzzleItem item;
    int inputs = 0;
    if (!ReadOnePuzzle(options.batch, &item, &inputs)) {
        std::fprintf(stderr, "quadrivo-cli hint: --marks goes with exactly one puzzle\n");
        return 2;
    }
    std::string text, error;
    DigitMask marks[81];
    if (!ReadMarksFile(options.marks, &text, &error) ||
        !ParseMarks(text, item.cells, marks, &error)) {
        std::fprintf(stderr, "quadrivo-cli hint: --marks: %s\n", error.c_str());
        return 2;
    }
    BatchSeveral = false;
    ItemResult r = HintOne(item, options, marks);
    if (!Emit(r.out)) return 1;
    std::fputs(r.err.c_str(), stderr);
    return r.status;
}
