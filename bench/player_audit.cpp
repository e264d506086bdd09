// The player's order against the handheld's engine: before every chain, almost-locked-set or
// forcing step of the player's path, the handheld's subsets, locked candidates and fish are
// asked on the same candidates. A step they find there is a simpler technique the player's
// order passed over; so is an XY-wing, XYZ-wing, W-wing or a single-digit pattern of two strong
// links (skyscraper, kite, turbot fish) that a detector written here finds. Prints the counts for a
// puzzle file (the first N puzzles when given).
//   player_audit FILE [N]
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/player.h"
#include "analysis/steptext.h"
#include "control/session.h"
#include "model/board.h"
#include "model/options.h"
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace {
struct Audit {
    Session* S;
    std::string puzzle;
    int late = 0, simpler = 0;
    int patterns = 0, patternsSeen = 0; // the detector's own check: the steps it must see
    bool flagged = false;
};

// A second detector, written here from the patterns' definitions and sharing nothing with the
// player's finders: the wings and single-digit patterns the order puts before every chain.
// Returns the name of one that removes a candidate, or nullptr.
bool Sees(int a, int b) {
    return a != b && IsPeer(a, b);
}
int Bits(DigitMask m) {
    return std::popcount(unsigned(m));
}
// Some open cell holding the digit bit sees every cell of the list.
bool RemovesSeeingAll(const PlayerGrid* P, DigitMask bit, std::initializer_list<int> cells) {
    for (int t = 0; t < 81; t++) {
        if (P->board[t] || !(P->cand[t] & bit)) continue;
        bool all = true;
        for (int c : cells) all = all && Sees(t, c);
        if (all) return true;
    }
    return false;
}
// The two places of the digit in the unit, when it has exactly two.
bool Conjugate(const PlayerGrid* P, int unit, DigitMask bit, int* a, int* b) {
    int n = 0;
    for (int k = 0; k < 9; k++) {
        const int c = UnitTable[unit][k];
        if (P->board[c] || !(P->cand[c] & bit)) continue;
        if (n == 0) *a = c;
        if (n == 1) *b = c;
        n++;
    }
    return n == 2;
}
const char* SimplerPattern(const PlayerGrid* P) {
    auto open = [P](int c) { return !P->board[c]; };
    for (int d = 0; d < 9; d++) { // skyscraper, 2-string kite, turbot fish: a=b-c=d
        const DigitMask bit = DigitMask(1u << d);
        for (int u = 0; u < 27; u++)
            for (int v = 0; v < 27; v++) {
                int a, b, c, e;
                if (u == v || !Conjugate(P, u, bit, &a, &b) || !Conjugate(P, v, bit, &c, &e))
                    continue;
                for (int flip = 0; flip < 4; flip++) {
                    const int x = flip & 1 ? b : a, y = flip & 1 ? a : b; // x=y
                    const int z = flip & 2 ? e : c, w = flip & 2 ? c : e; // z=w
                    if (y == z || x == w || x == z || y == w || !Sees(y, z)) continue;
                    if (RemovesSeeingAll(P, bit, {x, w})) return "turbot fish family";
                }
            }
    }
    for (int p = 0; p < 81; p++) { // XY-wing and XYZ-wing
        if (!open(p) || Bits(P->cand[p]) < 2 || Bits(P->cand[p]) > 3) continue;
        for (int q = 0; q < 81; q++) {
            if (!open(q) || Bits(P->cand[q]) != 2 || !Sees(p, q)) continue;
            for (int r = q + 1; r < 81; r++) {
                if (!open(r) || Bits(P->cand[r]) != 2 || !Sees(p, r)) continue;
                const DigitMask z = P->cand[q] & P->cand[r];
                if (Bits(z) != 1 || (P->cand[q] | P->cand[r]) == P->cand[q]) continue;
                const DigitMask all = P->cand[q] | P->cand[r];
                if (Bits(P->cand[p]) == 2 && P->cand[p] == DigitMask(all & ~z) &&
                    RemovesSeeingAll(P, z, {q, r}))
                    return "XY-wing";
                if (Bits(P->cand[p]) == 3 && P->cand[p] == all && RemovesSeeingAll(P, z, {p, q, r}))
                    return "XYZ-wing";
            }
        }
    }
    for (int p = 0; p < 81; p++) // W-wing: two cells {x,y} joined by a strong link on y
        for (int q = p + 1; q < 81; q++) {
            if (!open(p) || !open(q) || Bits(P->cand[p]) != 2 || P->cand[p] != P->cand[q] ||
                Sees(p, q))
                continue;
            for (int d = 0; d < 9; d++) {
                const DigitMask y = DigitMask(1u << d);
                if (!(P->cand[p] & y)) continue;
                for (int u = 0; u < 27; u++) {
                    int a, b;
                    if (!Conjugate(P, u, y, &a, &b)) continue;
                    if ((Sees(a, p) && Sees(b, q) && a != q && b != p) ||
                        (Sees(a, q) && Sees(b, p) && a != p && b != q))
                        if (RemovesSeeingAll(P, DigitMask(P->cand[p] & ~y), {p, q}))
                            return "W-wing";
                }
            }
        }
    return nullptr;
}

bool AskHandheld(void* context, const PlayerGrid* P, const PlayerStep& step) {
    Audit& a = *static_cast<Audit*>(context);
    if (step.technique >= TQ_SKYSCRAPER && step.technique <= TQ_W_WING &&
        step.technique != TQ_EMPTY_RECTANGLE) {
        a.patterns++;
        a.patternsSeen += SimplerPattern(P) != nullptr;
    }
    if (step.technique < TQ_X_CHAIN) return true;
    a.late++;
    Session* S = a.S;
    ResetGame(S);
    for (int i = 0; i < 81; i++) S->Board[i] = P->board[i];
    ResetPosition(S);
    std::memcpy(S->MarkGrid, P->cand, sizeof S->MarkGrid);
    S->AnalysisOptions.showCandidates = 0;
    S->AnalysisOptions.pencilMarks = 1;
    S->AnalysisOptions.techniques = TECH_ANALYSIS | TECH_SUBSETS | TECH_LOCKED | TECH_GRID;
    S->A->AlsChainLinks = 0;
    const int kind = RunAnalysis(S->A);
    if (kind == STEP_NONE) {
        if (const char* pattern = SimplerPattern(P)) {
            a.simpler++;
            a.flagged = true;
            char player[STEP_TEXT_SIZE];
            DescribePlayerStep(step, player, sizeof player);
            std::printf("%s\n  %s available\n  player:   %s\n", a.puzzle.c_str(), pattern, player);
        }
        return true;
    }
    a.simpler++;
    a.flagged = true;
    char handheld[STEP_TEXT_SIZE], player[STEP_TEXT_SIZE];
    DescribeStep(S->A, kind, handheld, sizeof handheld);
    DescribePlayerStep(step, player, sizeof player);
    std::printf("%s\n  handheld: %s\n  player:   %s\n", a.puzzle.c_str(), handheld, player);
    return true;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: player_audit FILE [N]\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    const long max = argc > 2 ? std::atol(argv[2]) : 0;
    auto session = std::make_unique<Session>();
    Audit a;
    a.S = session.get();
    std::string line;
    long puzzles = 0, flaggedPuzzles = 0;
    while ((!max || puzzles < max) && std::getline(in, line)) {
        if (line.size() < 81) continue;
        puzzles++;
        uint8_t cells[81];
        for (int i = 0; i < 81; i++)
            cells[i] = line[i] >= '1' && line[i] <= '9' ? line[i] - '0' : 0;
        a.puzzle = line.substr(0, 81);
        a.flagged = false;
        PlayerSolve(cells, ORDER_PLAYER, -1, AskHandheld, &a);
        flaggedPuzzles += a.flagged;
    }
    std::printf("%ld puzzles: %d chain, ALS or forcing steps; before %d of them (in %ld puzzles) "
                "the handheld's subsets, locked candidates or fish, or a wing or two-link pattern, "
                "found a step\n",
                puzzles, a.late, a.simpler, flaggedPuzzles);
    std::printf("the detector saw a pattern before %d of the %d two-link pattern and wing steps\n",
                a.patternsSeen, a.patterns);
    return 0;
}
