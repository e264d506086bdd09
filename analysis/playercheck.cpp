// Checking a step of the player's order from its record alone, by the shape its technique's
// row names: a placement by its unit or grid; a pattern's shape (a subset's cells in its unit,
// a chain's links, almost locked sets, a rectangle's corners), then every removal proved on the
// pattern cells: no way of filling them with the digits the record gives them (or any other
// digit a cell holds) lets the target keep its digit, given that no two peers share a digit and
// that a unit whose every place for a digit is a pattern cell gets that digit there. A uniqueness
// step may also assume that a rectangle's corners are not all its two digits; a forcing chain's
// singles are replayed one by one.
#include "analysis/player.h"
#include "analysis/playerfind.h"
#include "analysis/textline.h"
#include <cstring>

namespace {

constexpr uint16_t OTHER = 0x200; // a digit the record does not name for the cell
constexpr int VARS_MAX = 82;
constexpr long SEARCH_LIMIT = 400000;

// The pattern as a small constraint problem.
struct Proof {
    int n;
    uint8_t cell[VARS_MAX];
    uint64_t peer[VARS_MAX][2]; // the variables that are peers of each
    int ruleCount;
    int16_t ruleDigit[27 * 9];
    uint64_t ruleVars[27 * 9][2]; // one of these variables takes the digit
    int corners[4];               // uniqueness: not all four in `pair`; -1 without
    uint16_t pair;
    long visited;
};

bool Has(const uint64_t* set, int v) {
    return set[v >> 6] >> (v & 63) & 1;
}
void Put(uint64_t* set, int v) {
    set[v >> 6] |= uint64_t(1) << (v & 63);
}

// 0 no filling, 1 a filling exists, -1 gave up.
int Search(Proof& pr, uint16_t* dom) {
    if (++pr.visited > SEARCH_LIMIT) return -1;
    for (bool changed = true; changed;) {
        changed = false;
        for (int v = 0; v < pr.n; v++) {
            if (!std::has_single_bit(dom[v]) || dom[v] == OTHER) continue;
            for (int w = 0; w < pr.n; w++)
                if (Has(pr.peer[v], w) && (dom[w] & dom[v])) {
                    dom[w] &= uint16_t(~dom[v]);
                    if (!dom[w]) return 0;
                    changed = true;
                }
        }
        for (int r = 0; r < pr.ruleCount; r++) {
            const uint16_t bit = uint16_t(1u << pr.ruleDigit[r]);
            int count = 0, last = -1;
            for (int v = 0; v < pr.n; v++)
                if (Has(pr.ruleVars[r], v) && (dom[v] & bit)) count++, last = v;
            if (count == 0) return 0;
            if (count == 1 && dom[last] != bit) {
                dom[last] = bit;
                changed = true;
            }
        }
        if (pr.corners[0] >= 0) {
            bool deadly = true;
            for (int k : pr.corners) deadly = deadly && !(dom[k] & ~pr.pair);
            if (deadly) return 0;
        }
    }
    int pick = -1;
    for (int v = 0; v < pr.n; v++)
        if (!std::has_single_bit(dom[v]) &&
            (pick < 0 || std::popcount(dom[v]) < std::popcount(dom[pick])))
            pick = v;
    if (pick < 0) return 1;
    for (uint16_t m = dom[pick]; m; m &= uint16_t(m - 1)) {
        uint16_t next[VARS_MAX];
        std::memcpy(next, dom, sizeof(uint16_t) * size_t(pr.n));
        next[pick] = uint16_t(m & -m);
        const int r = Search(pr, next);
        if (r != 0) return r;
    }
    return 0;
}

// 0 when the target cell cannot keep digit d (0..8) given the pattern, 1 when it can, -1 when
// the search gave up.
int TargetCanKeep(const PlayerGrid* P, const PlayerStep& S, int target, int d, bool rectangle) {
    static thread_local Proof pr;
    uint16_t dom[VARS_MAX];
    pr.n = 0;
    int targetVar = -1;
    for (int i = 0; i < S.patternCount; i++) {
        const int x = S.pattern[i];
        pr.cell[pr.n] = uint8_t(x);
        const DigitMask named = S.patternDigits[i] & P->cand[x];
        dom[pr.n] = uint16_t(named | ((P->cand[x] & ~named) ? OTHER : 0));
        if (x == target) targetVar = pr.n;
        pr.n++;
    }
    if (targetVar < 0) {
        targetVar = pr.n;
        dom[pr.n] = 0; // names no digit for the rules below
        pr.cell[pr.n++] = uint8_t(target);
    }
    for (int v = 0; v < pr.n; v++) {
        pr.peer[v][0] = pr.peer[v][1] = 0;
        for (int w = 0; w < pr.n; w++)
            if (IsPeer(pr.cell[v], pr.cell[w])) Put(pr.peer[v], w);
    }
    pr.ruleCount = 0;
    for (int u = 0; u < 27; u++)
        for (int e = 0; e < 9; e++) {
            uint64_t vars[2] = {0, 0};
            bool all = true, any = false, placed = false;
            for (int i = 0; i < 9 && all; i++) {
                const int x = UnitTable[u][i];
                if (P->board[x] == e + 1) placed = true;
                if (P->board[x] || !(P->cand[x] >> e & 1)) continue;
                int v = -1;
                for (int k = 0; k < pr.n; k++)
                    if (pr.cell[k] == x) v = k;
                if (v < 0 || !(dom[v] >> e & 1))
                    all = false;
                else
                    Put(vars, v), any = true;
            }
            if (placed || !all || !any) continue;
            pr.ruleDigit[pr.ruleCount] = int16_t(e);
            pr.ruleVars[pr.ruleCount][0] = vars[0];
            pr.ruleVars[pr.ruleCount][1] = vars[1];
            pr.ruleCount++;
        }
    // the rules come from the pattern as recorded; only then is the target given its digit
    dom[targetVar] = uint16_t(1u << d);
    pr.corners[0] = -1;
    if (rectangle) {
        for (int k = 0; k < 4; k++)
            for (int v = 0; v < pr.n; v++)
                if (pr.cell[v] == S.corners[k]) pr.corners[k] = v;
        pr.pair = S.digits;
    }
    pr.visited = 0;
    return Search(pr, dom);
}

bool Fail(TextLine& line, const char* what) {
    line.Add("%s", what);
    return false;
}

// A node's cells; false unless each holds the digit and a group lies in one box and one line.
bool NodeCells(const PlayerGrid* P, const PlayerNode& n, CellSet* cells) {
    *cells = {};
    if (n.count < 1 || n.count > 3 || n.digit > 8) return false;
    for (int i = 0; i < n.count; i++) {
        const int x = n.cells[i];
        if (x > 80 || P->board[x] || !(P->cand[x] >> n.digit & 1)) return false;
        CellSetAdd(*cells, x);
    }
    if (n.count == 1) return true;
    bool box = false, line = false;
    for (int u = 0; u < 27; u++)
        if (CellSetWithin(*cells, UNIT_SETS[u])) (u < 18 ? line : box) = true;
    return box && line;
}

// A chain's links as the record writes them: '=' a cell of exactly the two digits, or a unit
// whose places for the digit are exactly the two nodes' cells; '-' two digits of one cell, or
// one digit where every cell of one node sees every cell of the other.
bool ChainHolds(const PlayerGrid* P, const PlayerStep& S, TextLine& line) {
    if (S.nodeCount < 2 || S.nodeCount % 2) return Fail(line, "a chain of an odd number of nodes");
    PlayerView V;
    MakePlayerView(P, &V);
    for (int i = 0; i + 1 < S.nodeCount + (S.loop ? 1 : 0); i++) {
        const PlayerNode& a = S.nodes[i];
        const PlayerNode& b = S.nodes[(i + 1) % S.nodeCount];
        CellSet ca, cb;
        if (!NodeCells(P, a, &ca) || !NodeCells(P, b, &cb))
            return Fail(line, "a chain node that is no candidate or group");
        const bool strong = i % 2 == 0 && i + 1 < S.nodeCount;
        if (a.count == 1 && b.count == 1 && a.cells[0] == b.cells[0] && a.digit != b.digit) {
            if (strong && P->cand[a.cells[0]] != ((1u << a.digit) | (1u << b.digit)))
                return Fail(line, "a strong link in a cell of more than two digits");
        } else if (a.digit == b.digit && CellSetEmpty(ca & cb) && CellSetWithin(cb, [&] {
                       CellSet seen = ~CellSet{};
                       ForEachCell(ca, [&](int x) { seen = seen & PEER_SETS[x]; });
                       return seen;
                   }())) {
            if (strong) {
                bool conjugate = false;
                for (int u = 0; u < 27; u++)
                    conjugate = conjugate || (CellSetWithin(ca | cb, UNIT_SETS[u]) &&
                                              (V.with[a.digit] & UNIT_SETS[u]) == (ca | cb));
                if (!conjugate) return Fail(line, "a strong link of a unit with more places");
            }
        } else {
            return Fail(line, "two chain nodes that are not linked");
        }
    }
    return true;
}

bool ShapeHolds(const PlayerGrid* P, const PlayerStep& S, TextLine& line) {
    const int t = S.technique;
    if (t >= TQ_NAKED_PAIR && t <= TQ_HIDDEN_QUAD) {
        const int size = (t - TQ_NAKED_PAIR) / 2 + 2;
        if (S.unitCount != 1 || S.patternCount != size || std::popcount(S.digits) != size)
            return Fail(line, "a subset of the wrong size");
        for (int i = 0; i < S.patternCount; i++)
            if (!CellSetHas(UNIT_SETS[S.units[0]], S.pattern[i]))
                return Fail(line, "a subset cell outside its unit");
    }
    if (t == TQ_POINTING || t == TQ_CLAIMING) {
        if (S.unitCount != 2) return Fail(line, "locked candidates without their two units");
        for (int i = 0; i < S.patternCount; i++)
            for (int k = 0; k < 2; k++)
                if (!CellSetHas(UNIT_SETS[S.units[k]], S.pattern[i]))
                    return Fail(line, "a locked cell outside its units");
    }
    if ((t >= TQ_X_WING && t <= TQ_JELLYFISH) ||
        (t >= TQ_FINNED_X_WING && t <= TQ_FINNED_JELLYFISH)) {
        const int size = t <= TQ_JELLYFISH ? t - TQ_X_WING + 2 : t - TQ_FINNED_X_WING + 2;
        if (S.unitCount != 2 * size || !SingleDigit(S.digits))
            return Fail(line, "a fish without its base and cover lines");
    }
    if ((t == TQ_XY_WING || t == TQ_XYZ_WING) && S.patternCount != 3)
        return Fail(line, "a wing of other than three cells");
    if ((t == TQ_W_WING || t == TQ_WXYZ_WING) && S.patternCount != 4)
        return Fail(line, "a wing of other than four cells");
    if (t == TQ_UNIQUE_RECTANGLE) {
        if (!P->unique) return Fail(line, "a uniqueness step on a puzzle not known to be unique");
        if (S.patternCount < 4 || std::popcount(S.digits) != 2)
            return Fail(line, "a rectangle without four corners and two digits");
        const int a = S.corners[0], b = S.corners[1], c = S.corners[2], e = S.corners[3];
        const bool rect = a / 9 == b / 9 && c / 9 == e / 9 && a % 9 == c % 9 && b % 9 == e % 9 &&
                          a / 9 != c / 9 && a % 9 != b % 9;
        const bool twoBoxes = (BoxOf(a) == BoxOf(b)) != (BoxOf(a) == BoxOf(c));
        if (!rect || !twoBoxes) return Fail(line, "corners that are no rectangle in two boxes");
        for (int k = 0; k < 4; k++)
            if (P->board[S.corners[k]] || (P->cand[S.corners[k]] & S.digits) != S.digits)
                return Fail(line, "a corner without both digits");
    }
    return true;
}

// The assumption x0 = d0 on a copy of the grid, then events [from, to) of the record, each
// checked on the grid as it stands and carried out. False when an event does not hold.
bool Replay(const PlayerGrid* P, const PlayerStep& S, int x0, int d0, int from, int to,
            PlayerGrid* out) {
    PlayerGrid& G = *out;
    G = *P;
    if (x0 < 0 || x0 > 80 || d0 < 0 || d0 > 8 || G.board[x0] || !(G.cand[x0] >> d0 & 1))
        return false;
    if (from < 0 || to > PLAYER_EVENTS_MAX || from > to) return false;
    auto place = [&](int x, int d) {
        G.board[x] = uint8_t(d + 1);
        G.cand[x] = 0;
        ForEachCell(PEER_SETS[x], [&](int y) { G.cand[y] &= DigitMask(~(1u << d)); });
    };
    place(x0, d0);
    for (int i = from; i < to; i++) {
        const int d = S.impliedDigit[i] - 1, u = S.impliedUnit[i];
        if (d < 0 || d > 8) return false;
        if (S.implied[i] == 255) { // locked: d of unit u lies in unit o
            const int o = S.impliedLine[i];
            if (S.technique != TQ_FORCING_NET || u < 0 || u > 26 || o < 0 || o > 26) return false;
            bool inside = true;
            ForEachCell(UNIT_SETS[u], [&](int y) {
                inside =
                    inside && (G.board[y] || !(G.cand[y] >> d & 1) || CellSetHas(UNIT_SETS[o], y));
            });
            if (!inside) return false;
            ForEachCell(UNIT_SETS[o] & ~UNIT_SETS[u],
                        [&](int y) { G.cand[y] &= DigitMask(~(1u << d)); });
            continue;
        }
        const int x = S.implied[i];
        if (x > 80 || G.board[x] || !(G.cand[x] >> d & 1)) return false;
        if (u < 0) {
            if (G.cand[x] != (1u << d)) return false;
        } else {
            if (u > 26 || !CellSetHas(UNIT_SETS[u], x)) return false;
            bool alone = true;
            ForEachCell(UNIT_SETS[u], [&](int y) {
                alone = alone && (y == x || G.board[y] || !(G.cand[y] >> d & 1));
            });
            if (!alone) return false;
        }
        place(x, d);
    }
    return true;
}

bool GridBroken(const PlayerGrid& G) {
    for (int u = 0; u < 27; u++) {
        DigitMask seen = 0;
        bool empty = false;
        ForEachCell(UNIT_SETS[u], [&](int y) {
            if (G.board[y])
                seen |= DigitMask(1u << (G.board[y] - 1));
            else
                empty = empty || !G.cand[y], seen |= G.cand[y];
        });
        if (empty || seen != ALL_DIGITS) return true;
    }
    return false;
}

// A forcing chain: the assumption and its events break the grid; only the assumption goes.
bool ForcingHolds(const PlayerGrid* P, const PlayerStep& S) {
    const int x0 = S.assumedCell, d0 = S.assumedDigit - 1;
    if (x0 < 0 || x0 > 80 || d0 < 0 || S.removalCount != 1 || S.remove[x0] != (1u << d0))
        return false;
    PlayerGrid G;
    return Replay(P, S, x0, d0, 0, S.implicationCount, &G) && GridBroken(G);
}

// Cell or unit forcing: the branches are every digit of the cell or every place of the digit
// in the unit, and each ends with the grid broken or the conclusion reached.
bool BranchesHold(const PlayerGrid* P, const PlayerStep& S) {
    if (S.branchCount < 2 || S.branchCount > 9) return false;
    const bool placement = S.placed >= 0;
    int cell = S.placed, digit = S.placedDigit - 1;
    if (!placement) {
        if (S.removalCount != 1) return false;
        for (int x = 0; x < 81; x++)
            if (S.remove[x]) cell = x, digit = std::countr_zero(S.remove[x]);
        if (!SingleDigit(S.remove[cell])) return false;
    }
    DigitMask digits = 0;
    CellSet cells{};
    for (int b = 0; b < S.branchCount; b++) {
        digits |= DigitMask(1u << (S.branchDigit[b] - 1));
        CellSetAdd(cells, S.branchCell[b]);
    }
    if (S.forcingUnit < 0) { // every digit of one cell
        if (CellSetCount(cells) != 1 || digits != P->cand[S.branchCell[0]] ||
            std::popcount(digits) != S.branchCount)
            return false;
    } else { // every place of one digit in the unit
        if (S.forcingUnit > 26 || !SingleDigit(digits)) return false;
        const int d = std::countr_zero(digits);
        CellSet places{};
        ForEachCell(UNIT_SETS[S.forcingUnit], [&](int y) {
            if (!P->board[y] && (P->cand[y] >> d & 1)) CellSetAdd(places, y);
        });
        if (!(places == cells) || CellSetCount(cells) != S.branchCount) return false;
    }
    int from = 0;
    for (int b = 0; b < S.branchCount; b++) {
        PlayerGrid G;
        if (!Replay(P, S, S.branchCell[b], S.branchDigit[b] - 1, from, S.branchEnd[b], &G))
            return false;
        from = S.branchEnd[b];
        const bool reached = placement ? G.board[cell] == digit + 1
                                       : G.board[cell] != digit + 1 && !(G.cand[cell] >> digit & 1);
        if (!reached && !GridBroken(G)) return false;
    }
    return from == S.implicationCount;
}

// Every removal proved on the pattern cells (a rectangle's corners not all its two digits).
int ProveRemovals(const PlayerGrid* P, const PlayerStep& S, TextLine& line) {
    for (int x = 0; x < 81; x++)
        for (DigitMask m = S.remove[x]; m; m &= DigitMask(m - 1)) {
            const int d = std::countr_zero(m);
            const int r = TargetCanKeep(P, S, x, d, S.technique == TQ_UNIQUE_RECTANGLE);
            if (r != 0) {
                line.Add("r%dc%d keeps %d %s", x / 9 + 1, x % 9 + 1, d + 1,
                         r > 0 ? "for all the pattern shows" : "(the proof gave up)");
                return 1;
            }
        }
    return 0;
}

// Almost locked sets: at least two, each of open cells in one unit whose candidates are its
// digits, one more digit than cells.
bool SetsHold(const PlayerGrid* P, const PlayerStep& S, TextLine& line) {
    if (S.setCount < 2 || S.setCount > PLAYER_SETS_MAX)
        return Fail(line, "a step of almost locked sets without its sets");
    for (int k = 0; k < S.setCount; k++) {
        const int n = S.setSize[k];
        if (n < 1 || n > 8 || std::popcount(S.setDigits[k]) != n + 1)
            return Fail(line, "a set that is not almost locked");
        CellSet cells{};
        DigitMask digits = 0;
        for (int i = 0; i < n; i++) {
            const int x = S.setCells[k][i];
            if (x > 80 || P->board[x]) return Fail(line, "a set with a filled cell");
            CellSetAdd(cells, x);
            digits |= P->cand[x];
        }
        bool oneUnit = false;
        for (int u = 0; u < 27; u++) oneUnit = oneUnit || CellSetWithin(cells, UNIT_SETS[u]);
        if (!oneUnit || CellSetCount(cells) != n || digits != S.setDigits[k])
            return Fail(line, "a set that is not almost locked");
    }
    return true;
}

} // namespace

int CheckPlacement(const PlayerGrid* P, const PlayerStep& S, TextLine& line) {
    const int t = S.technique;
    if (S.placed < 0) return line.Add("removals where the technique places a digit"), 1;
    const int x = S.placed, d = S.placedDigit - 1;
    if (P->board[x] || d < 0 || d > 8 || !(P->cand[x] >> d & 1))
        return line.Add("places a digit the cell cannot take"), 1;
    PlayerView V;
    MakePlayerView(P, &V);
    const int u = S.unitCount ? S.units[0] : -1;
    bool holds = false;
    if (t == TQ_NAKED_SINGLE) holds = SingleDigit(P->cand[x]);
    if (t == TQ_FULL_HOUSE)
        holds = u >= 0 && CellSetCount(V.open & UNIT_SETS[u]) == 1 && CellSetHas(UNIT_SETS[u], x);
    if (t == TQ_HIDDEN_SINGLE_BOX || t == TQ_HIDDEN_SINGLE_LINE)
        holds = u >= 0 && (u >= 18) == (t == TQ_HIDDEN_SINGLE_BOX) && CellSetHas(UNIT_SETS[u], x) &&
                std::popcount(V.where[u][d]) == 1;
    if (t == TQ_BUG_PLUS_ONE) {
        holds = P->unique && std::popcount(P->cand[x]) == 3;
        for (int y = 0; y < 81; y++)
            holds = holds && (y == x || P->board[y] || std::popcount(P->cand[y]) == 2);
        const int units[3] = {x / 9, 9 + x % 9, BoxUnit(x)};
        for (int k : units) holds = holds && std::popcount(V.where[k][d]) == 3;
    }
    if (!holds) return line.Add("a placement its pattern does not give"), 1;
    return 0;
}

int CheckPattern(const PlayerGrid* P, const PlayerStep& S, TextLine& line) {
    if (S.placed >= 0) return line.Add("a placement its pattern does not give"), 1;
    if (!ShapeHolds(P, S, line)) return 1;
    return ProveRemovals(P, S, line);
}

int CheckChainStep(const PlayerGrid* P, const PlayerStep& S, TextLine& line) {
    if (S.placed >= 0) return line.Add("a placement its pattern does not give"), 1;
    if (!S.nodeCount) return line.Add("a chain step without its chain"), 1;
    if (!ChainHolds(P, S, line)) return 1;
    return ProveRemovals(P, S, line);
}

int CheckSets(const PlayerGrid* P, const PlayerStep& S, TextLine& line) {
    if (S.placed >= 0) return line.Add("a placement its pattern does not give"), 1;
    if (!SetsHold(P, S, line)) return 1;
    return ProveRemovals(P, S, line);
}

int CheckForcingChain(const PlayerGrid* P, const PlayerStep& S, TextLine& line) {
    if (S.placed >= 0 || !ForcingHolds(P, S))
        return line.Add("a forcing chain that does not break the grid"), 1;
    return 0;
}

int CheckForcingBranches(const PlayerGrid* P, const PlayerStep& S, TextLine& line) {
    if (!BranchesHold(P, S))
        return line.Add("forcing chains that do not reach their conclusion"), 1;
    return 0;
}

int CheckPlayerStep(const PlayerGrid* P, const PlayerStep& S, char* why, size_t size) {
    TextLine line{why, size, 0};
    why[0] = 0;
    const int t = S.technique;
    if (t <= TQ_NONE || t >= TQ_COUNT) return line.Add("no technique"), 1;
    if (S.placed < 0) { // the removals: each from an open cell that holds the digit
        if (!S.removalCount) return line.Add("no removal"), 1;
        int count = 0;
        for (int x = 0; x < 81; x++) {
            if (!S.remove[x]) continue;
            count++;
            if (P->board[x] || (S.remove[x] & ~P->cand[x]))
                return line.Add("removes what is not there"), 1;
        }
        if (count != S.removalCount) return line.Add("a wrong count of removals"), 1;
    }
    return TECHNIQUE_TABLE[t].check(P, S, line);
}
