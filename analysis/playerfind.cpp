// The finders of the player's order up to the chains: singles, locked candidates, subsets in
// any unit, basic and finned fish, the single-digit patterns, the wings, Sue de Coq and the
// uniqueness patterns (chains, almost locked sets and forcing: playerchains.cpp). Each reads a
// PlayerGrid and, when it finds a step with something to do, fills the PlayerStep with every
// removal the pattern gives; it changes nothing else.
#include "analysis/playerfind.h"
#include "analysis/state.h"
#include <algorithm>
#include <cstring>

// The view of the last grid seen on this thread, since every finder of one step asks for it.
struct ViewCache {
    bool valid = false;
    uint8_t board[81];
    DigitMask cand[81];
    PlayerView view;
};

static void BuildPlayerView(const PlayerGrid* P, PlayerView* V);

void MakePlayerView(const PlayerGrid* P, PlayerView* V) {
    static thread_local ViewCache cache;
    if (!cache.valid || std::memcmp(cache.board, P->board, sizeof cache.board) ||
        std::memcmp(cache.cand, P->cand, sizeof cache.cand)) {
        BuildPlayerView(P, &cache.view);
        std::memcpy(cache.board, P->board, sizeof cache.board);
        std::memcpy(cache.cand, P->cand, sizeof cache.cand);
        cache.valid = true;
    }
    *V = cache.view;
    V->P = P;
}

static void BuildPlayerView(const PlayerGrid* P, PlayerView* V) {
    V->P = P;
    for (int d = 0; d < 9; d++) V->with[d] = {};
    V->open = {};
    for (int x = 0; x < 81; x++) {
        if (P->board[x]) continue;
        CellSetAdd(V->open, x);
        for (DigitMask m = P->cand[x]; m; m &= m - 1) CellSetAdd(V->with[std::countr_zero(m)], x);
    }
    for (int u = 0; u < 27; u++)
        for (int d = 0; d < 9; d++) {
            uint16_t w = 0;
            for (int i = 0; i < 9; i++) {
                const int x = UnitTable[u][i];
                if (!P->board[x] && (P->cand[x] >> d & 1)) w |= uint16_t(1u << i);
            }
            V->where[u][d] = w;
        }
}

void BeginStep(PlayerStep* S, int technique) {
    S->technique = technique;
    S->variant = 0;
    S->rating = 0;
    S->digits = 0;
    S->unitCount = 0;
    S->patternCount = 0;
    S->placed = -1;
    S->placedDigit = 0;
    S->removalCount = 0;
    std::memset(S->remove, 0, sizeof S->remove);
    S->nodeCount = 0;
    S->loop = 0;
    S->assumedCell = -1;
    S->assumedDigit = 0;
    S->implicationCount = 0;
    S->branchCount = 0;
    S->forcingUnit = -1;
    S->setCount = 0;
}

void AddPatternCell(PlayerStep* S, int cell, DigitMask digits) {
    for (int i = 0; i < S->patternCount; i++)
        if (S->pattern[i] == cell) {
            S->patternDigits[i] |= digits;
            return;
        }
    S->pattern[S->patternCount] = uint8_t(cell);
    S->patternDigits[S->patternCount++] = digits;
}

void AddStepUnit(PlayerStep* S, int unit) {
    for (int i = 0; i < S->unitCount; i++)
        if (S->units[i] == unit) return;
    if (S->unitCount < PLAYER_UNITS_MAX) S->units[S->unitCount++] = int8_t(unit);
}

int AddRemoval(PlayerStep* S, const PlayerGrid* P, int cell, DigitMask digits) {
    digits &= P->cand[cell];
    if (P->board[cell] || !digits) return 0;
    if (!S->remove[cell]) S->removalCount++;
    S->remove[cell] |= digits;
    return 1;
}

int ChainLengthBonus(int links) {
    int bonus = 0, ceiling = 4;
    bool odd = false;
    while (links > ceiling) {
        bonus++;
        ceiling = odd ? ceiling * 4 / 3 : ceiling * 3 / 2;
        odd = !odd;
    }
    return bonus;
}

void FinishStep(PlayerStep* S, int bonus) {
    // pattern cells ascending, their digits with them
    for (int i = 1; i < S->patternCount; i++)
        for (int j = i; j > 0 && S->pattern[j - 1] > S->pattern[j]; j--) {
            std::swap(S->pattern[j - 1], S->pattern[j]);
            std::swap(S->patternDigits[j - 1], S->patternDigits[j]);
        }
    if (!S->rating) S->rating = TECHNIQUE_TABLE[S->technique].rating;
    S->rating += bonus;
}

// ---- singles ------------------------------------------------------------------------------

static void PlaceStep(PlayerStep* S, int technique, int cell, int d, int unit) {
    BeginStep(S, technique);
    S->placed = cell;
    S->placedDigit = d + 1;
    S->digits = Bit(d);
    if (unit >= 0) AddStepUnit(S, unit);
    AddPatternCell(S, cell, Bit(d));
    FinishStep(S, 0);
}

int FindFullHouse(const PlayerGrid* P, int, PlayerStep* S) {
    for (int u = 0; u < 27; u++) {
        int open = -1, count = 0;
        DigitMask present = 0;
        for (int i = 0; i < 9; i++) {
            const int x = UnitTable[u][i];
            if (P->board[x])
                present |= Bit(P->board[x] - 1);
            else
                open = x, count++;
        }
        const DigitMask missing = ALL_DIGITS & ~present;
        if (count == 1 && SingleDigit(missing) && (P->cand[open] & missing)) {
            PlaceStep(S, TQ_FULL_HOUSE, open, std::countr_zero(missing), u);
            return 1;
        }
    }
    return 0;
}

int FindHiddenSingle(const PlayerGrid* P, int arg, PlayerStep* S) {
    PlayerView V;
    MakePlayerView(P, &V);
    for (int k = 0; k < (arg == 0 ? 9 : 18); k++) {
        const int u = arg == 0 ? 18 + BOX_UNIT_ORDER[k] : k; // boxes row by row, then lines
        for (int d = 0; d < 9; d++)
            if (std::has_single_bit(V.where[u][d])) {
                PlaceStep(S, arg == 0 ? TQ_HIDDEN_SINGLE_BOX : TQ_HIDDEN_SINGLE_LINE,
                          UnitTable[u][LowPlace(V.where[u][d])], d, u);
                return 1;
            }
    }
    return 0;
}

int FindNakedSingle(const PlayerGrid* P, int, PlayerStep* S) {
    for (int x = 0; x < 81; x++)
        if (!P->board[x] && SingleDigit(P->cand[x])) {
            PlaceStep(S, TQ_NAKED_SINGLE, x, std::countr_zero(P->cand[x]), -1);
            return 1;
        }
    return 0;
}

// ---- locked candidates --------------------------------------------------------------------

int FindLocked(const PlayerGrid* P, int arg, PlayerStep* S) {
    PlayerView V;
    MakePlayerView(P, &V);
    for (int d = 0; d < 9; d++)
        for (int k = 0; k < (arg == 0 ? 9 : 18); k++) {
            const int u = arg == 0 ? 18 + BOX_UNIT_ORDER[k] : k;
            const CellSet cells = V.with[d] & UNIT_SETS[u];
            if (CellSetCount(cells) < 2) continue;
            // the other unit holding every one of them: a line for a box, a box for a line
            const int first = CellSetFirst(cells);
            const int others[3] = {first / 9, 9 + first % 9, BoxUnit(first)};
            for (int o : others) {
                if (o == u || (arg == 0) != (o < 18)) continue;
                if (!CellSetWithin(cells, UNIT_SETS[o])) continue;
                const CellSet targets = V.with[d] & UNIT_SETS[o] & ~UNIT_SETS[u];
                if (CellSetEmpty(targets)) continue;
                BeginStep(S, arg == 0 ? TQ_POINTING : TQ_CLAIMING);
                S->digits = Bit(d);
                AddStepUnit(S, u);
                AddStepUnit(S, o);
                ForEachCell(cells, [&](int x) { AddPatternCell(S, x, Bit(d)); });
                RemoveFromCells(S, P, targets, d);
                FinishStep(S, 0);
                return 1;
            }
        }
    return 0;
}

// ---- subsets ------------------------------------------------------------------------------

static const int SUBSET_TECHNIQUE[2][5] = {
    {0, 0, TQ_NAKED_PAIR, TQ_NAKED_TRIPLE, TQ_NAKED_QUAD},
    {0, 0, TQ_HIDDEN_PAIR, TQ_HIDDEN_TRIPLE, TQ_HIDDEN_QUAD},
};

int FindNakedSubset(const PlayerGrid* P, int n, PlayerStep* S) {
    for (int u = 0; u < 27; u++) {
        int cells[9], count = 0;
        for (int i = 0; i < 9; i++) {
            const int x = UnitTable[u][i];
            const int k = std::popcount(P->cand[x]);
            if (!P->board[x] && k >= 2 && k <= n) cells[count++] = x;
        }
        const bool found = Combinations(count, n, [&](const int* idx) {
            DigitMask digits = 0;
            for (int i = 0; i < n; i++) digits |= P->cand[cells[idx[i]]];
            if (std::popcount(digits) != n) return false;
            bool any = false;
            for (int i = 0; i < 9 && !any; i++) {
                const int x = UnitTable[u][i];
                bool inside = false;
                for (int j = 0; j < n; j++) inside = inside || cells[idx[j]] == x;
                any = !inside && !P->board[x] && (P->cand[x] & digits);
            }
            if (!any) return false;
            BeginStep(S, SUBSET_TECHNIQUE[0][n]);
            S->digits = digits;
            AddStepUnit(S, u);
            for (int j = 0; j < n; j++) AddPatternCell(S, cells[idx[j]], P->cand[cells[idx[j]]]);
            for (int i = 0; i < 9; i++) {
                const int x = UnitTable[u][i];
                bool inside = false;
                for (int j = 0; j < n; j++) inside = inside || cells[idx[j]] == x;
                if (!inside) AddRemoval(S, P, x, digits);
            }
            FinishStep(S, 0);
            return true;
        });
        if (found) return 1;
    }
    return 0;
}

int FindHiddenSubset(const PlayerGrid* P, int n, PlayerStep* S) {
    PlayerView V;
    MakePlayerView(P, &V);
    for (int u = 0; u < 27; u++) {
        int digits[9], count = 0;
        for (int d = 0; d < 9; d++) {
            const int k = std::popcount(V.where[u][d]);
            if (k >= 2 && k <= n) digits[count++] = d;
        }
        const bool found = Combinations(count, n, [&](const int* idx) {
            uint16_t places = 0;
            DigitMask mask = 0;
            for (int i = 0; i < n; i++) {
                places |= V.where[u][digits[idx[i]]];
                mask |= Bit(digits[idx[i]]);
            }
            if (std::popcount(places) != n) return false;
            bool any = false;
            for (int i = 0; i < 9; i++)
                if (places >> i & 1) any = any || (P->cand[UnitTable[u][i]] & ~mask);
            if (!any) return false;
            BeginStep(S, SUBSET_TECHNIQUE[1][n]);
            S->digits = mask;
            AddStepUnit(S, u);
            for (int i = 0; i < 9; i++)
                if (places >> i & 1) {
                    const int x = UnitTable[u][i];
                    AddPatternCell(S, x, P->cand[x] & mask);
                    AddRemoval(S, P, x, DigitMask(~mask & ALL_DIGITS));
                }
            FinishStep(S, 0);
            return true;
        });
        if (found) return 1;
    }
    return 0;
}

// ---- fish ---------------------------------------------------------------------------------

// The cell where line `line` of the family (0 rows, 1 columns) crosses cross line `cross`.
static int CrossCell(int family, int line, int cross) {
    return family == 0 ? line * 9 + cross : cross * 9 + line;
}

static const int FISH_TECHNIQUE[2][5] = {
    {0, 0, TQ_X_WING, TQ_SWORDFISH, TQ_JELLYFISH},
    {0, 0, TQ_FINNED_X_WING, TQ_FINNED_SWORDFISH, TQ_FINNED_JELLYFISH},
};

// Fish of size n with base lines in one family: basic (finned false) or finned and sashimi.
static int FindFish(const PlayerGrid* P, int n, bool finned, PlayerStep* S) {
    PlayerView V;
    MakePlayerView(P, &V);
    for (int d = 0; d < 9; d++)
        for (int family = 0; family < 2; family++) {
            int lines[9], count = 0;
            for (int l = 0; l < 9; l++) {
                const int k = std::popcount(V.where[family * 9 + l][d]);
                if (k >= (finned ? 1 : 2) && k <= (finned ? n + 3 : n)) lines[count++] = l;
            }
            const bool found = Combinations(count, n, [&](const int* idx) {
                uint16_t crosses = 0, baseLines = 0;
                for (int i = 0; i < n; i++) {
                    crosses |= V.where[family * 9 + lines[idx[i]]][d];
                    baseLines |= uint16_t(1u << lines[idx[i]]);
                }
                const int spread = std::popcount(crosses);
                if (finned ? spread <= n || spread > n + 3 : spread != n) return false;
                for (uint32_t cover = NextSubsetOfSize(0, crosses, n); cover;
                     cover = NextSubsetOfSize(cover, crosses, n)) {
                    // the crosses off the cover lines: within one stack of boxes for a fin
                    const uint32_t off = crosses & ~cover;
                    if ((off & 0x7) != off && (off & 0x38) != off && (off & 0x1C0) != off) continue;
                    // fins: base cells off the cover lines, all in one box
                    CellSet fins{};
                    bool everyLineCovered = true, sashimi = false;
                    for (int i = 0; i < n; i++) {
                        const int l = lines[idx[i]];
                        const uint16_t w = V.where[family * 9 + l][d];
                        everyLineCovered = everyLineCovered && (w & cover);
                        if (w & ~cover) {
                            sashimi = sashimi || std::popcount(uint16_t(w & cover)) < 2;
                            for (int c = 0; c < 9; c++)
                                if ((w & ~cover) >> c & 1)
                                    CellSetAdd(fins, CrossCell(family, l, c));
                        }
                    }
                    if (!everyLineCovered) continue;
                    CellSet zone = ~CellSet{}; // where the removals may lie
                    if (finned) {
                        const int box = BoxUnit(CellSetFirst(fins));
                        if (!CellSetWithin(fins, UNIT_SETS[box])) continue;
                        zone = UNIT_SETS[box];
                    }
                    CellSet targets{};
                    for (int c = 0; c < 9; c++)
                        if (cover >> c & 1) targets = targets | UNIT_SETS[(1 - family) * 9 + c];
                    for (int l = 0; l < 9; l++)
                        if (baseLines >> l & 1) targets = targets & ~UNIT_SETS[family * 9 + l];
                    targets = targets & zone & V.with[d];
                    if (CellSetEmpty(targets)) continue;
                    BeginStep(S, FISH_TECHNIQUE[finned][n]);
                    S->variant = finned && sashimi;
                    S->digits = Bit(d);
                    for (int i = 0; i < n; i++) AddStepUnit(S, family * 9 + lines[idx[i]]);
                    for (int c = 0; c < 9; c++)
                        if (cover >> c & 1) AddStepUnit(S, (1 - family) * 9 + c);
                    for (int i = 0; i < n; i++)
                        ForEachCell(V.with[d] & UNIT_SETS[family * 9 + lines[idx[i]]],
                                    [&](int x) { AddPatternCell(S, x, Bit(d)); });
                    RemoveFromCells(S, P, targets, d);
                    FinishStep(S, 0);
                    return true;
                }
                return false;
            });
            if (found) return 1;
        }
    return 0;
}

int FindBasicFish(const PlayerGrid* P, int n, PlayerStep* S) {
    return FindFish(P, n, false, S);
}
int FindFinnedFish(const PlayerGrid* P, int n, PlayerStep* S) {
    return FindFish(P, n, true, S);
}

// ---- single-digit patterns ----------------------------------------------------------------

// A strong link of one digit: the only two places of the digit in a unit.
struct StrongLink {
    int unit;
    int a, b;
};

static int StrongLinks(const PlayerView& V, int d, StrongLink* links) {
    int n = 0;
    for (int u = 0; u < 27; u++) {
        const uint16_t w = V.where[u][d];
        if (std::popcount(w) != 2) continue;
        links[n++] = {u, UnitTable[u][LowPlace(w)], UnitTable[u][HighPlace(w)]};
    }
    return n;
}

static int UnitFamily(int unit) {
    return unit < 9 ? 0 : unit < 18 ? 1 : 2;
}

// Two strong links of one digit joined by a weak one, a = b - c = e: a or e holds the digit.
// The shape names it: both links in rows or both in columns, a skyscraper; one in a row and one
// in a column with b and c in one box, a 2-string kite; any other, a turbot fish.
int FindTurbot(const PlayerGrid* P, int shape, PlayerStep* S) {
    PlayerView V;
    MakePlayerView(P, &V);
    StrongLink links[27];
    for (int d = 0; d < 9; d++) {
        const int n = StrongLinks(V, d, links);
        for (int i = 0; i < n; i++)
            for (int j = 0; j < n; j++) {
                if (i == j) continue;
                for (int o1 = 0; o1 < 2; o1++)
                    for (int o2 = 0; o2 < 2; o2++) {
                        const int a = o1 ? links[i].b : links[i].a,
                                  b = o1 ? links[i].a : links[i].b;
                        const int c = o2 ? links[j].b : links[j].a,
                                  e = o2 ? links[j].a : links[j].b;
                        if (a == c || a == e || b == c || b == e || !IsPeer(b, c)) continue;
                        if (IsPeer(a, e)) continue; // both ends in one unit: a shorter pattern
                        const int f1 = UnitFamily(links[i].unit), f2 = UnitFamily(links[j].unit);
                        int kind = TQ_TURBOT_FISH;
                        if (f1 == f2 && f1 < 2)
                            kind = TQ_SKYSCRAPER;
                        else if (f1 < 2 && f2 < 2 && f1 != f2 && BoxOf(b) == BoxOf(c))
                            kind = TQ_TWO_STRING_KITE;
                        if (kind != shape) continue;
                        CellSet targets = V.with[d] & PEER_SETS[a] & PEER_SETS[e];
                        if (CellSetEmpty(targets)) continue;
                        BeginStep(S, kind);
                        S->digits = Bit(d);
                        AddStepUnit(S, links[i].unit);
                        AddStepUnit(S, links[j].unit);
                        const int cells[4] = {a, b, c, e};
                        for (int k = 0; k < 4; k++) {
                            AddPatternCell(S, cells[k], Bit(d));
                            S->nodes[k] = {{uint8_t(cells[k]), 0, 0}, 1, uint8_t(d)};
                        }
                        S->nodeCount = 4;
                        RemoveFromCells(S, P, targets, d);
                        FinishStep(S, 0);
                        return 1;
                    }
            }
    }
    return 0;
}

// A box whose digit lies on one row and one column of it (not all on either), and a strong
// link outside the box with one end seeing one of those lines: the other end or the other
// line of the box holds the digit.
int FindEmptyRectangle(const PlayerGrid* P, int, PlayerStep* S) {
    PlayerView V;
    MakePlayerView(P, &V);
    StrongLink links[27];
    for (int d = 0; d < 9; d++) {
        const int n = StrongLinks(V, d, links);
        for (int b = 0; b < 9; b++) {
            const int boxUnit = 18 + BOX_UNIT_ORDER[b];
            const CellSet inBox = V.with[d] & UNIT_SETS[boxUnit];
            if (CellSetCount(inBox) < 2) continue;
            // The step: the box, the lines outside it (unitB -1 for one), the box's places of
            // the digit and the two cells p and q; the targets lose the digit.
            const auto record = [&](int unitA, int unitB, int p, int q, CellSet targets) {
                BeginStep(S, TQ_EMPTY_RECTANGLE);
                S->digits = Bit(d);
                AddStepUnit(S, boxUnit);
                AddStepUnit(S, unitA);
                if (unitB >= 0) AddStepUnit(S, unitB);
                ForEachCell(inBox, [&](int x) { AddPatternCell(S, x, Bit(d)); });
                AddPatternCell(S, p, Bit(d));
                AddPatternCell(S, q, Bit(d));
                RemoveFromCells(S, P, targets, d);
                FinishStep(S, 0);
                return 1;
            };
            for (int r = b / 3 * 3; r < b / 3 * 3 + 3; r++)
                for (int c = b % 3 * 3; c < b % 3 * 3 + 3; c++) {
                    const CellSet rowPart = inBox & UNIT_SETS[r],
                                  colPart = inBox & UNIT_SETS[9 + c];
                    if (!CellSetWithin(inBox, rowPart | colPart)) continue;
                    if (CellSetWithin(inBox, UNIT_SETS[r]) ||
                        CellSetWithin(inBox, UNIT_SETS[9 + c]))
                        continue;
                    // the box's own row and column, each with one place outside the box, and
                    // no place where they cross: one of those two places holds the digit
                    const CellSet rowOut = V.with[d] & UNIT_SETS[r] & ~UNIT_SETS[boxUnit];
                    const CellSet colOut = V.with[d] & UNIT_SETS[9 + c] & ~UNIT_SETS[boxUnit];
                    if (CellSetEmpty(rowPart & colPart) && CellSetCount(rowOut) == 1 &&
                        CellSetCount(colOut) == 1) {
                        const int p = CellSetFirst(rowOut), q = CellSetFirst(colOut);
                        const CellSet targets = V.with[d] & PEER_SETS[p] & PEER_SETS[q];
                        if (!CellSetEmpty(targets)) return record(r, 9 + c, p, q, targets);
                    }
                    for (int i = 0; i < n; i++) {
                        if (links[i].unit == boxUnit) continue;
                        for (int o = 0; o < 2; o++) {
                            const int p = o ? links[i].b : links[i].a,
                                      q = o ? links[i].a : links[i].b;
                            if (BoxOf(p) == b || BoxOf(q) == b) continue;
                            // p sees the whole row part: the column part or q holds the digit
                            CellSet other{};
                            if (CellSetWithin(rowPart, PEER_SETS[p]))
                                other = colPart;
                            else if (CellSetWithin(colPart, PEER_SETS[p]))
                                other = rowPart;
                            else
                                continue;
                            CellSet targets = V.with[d] & PEER_SETS[q] & SeeAll(other);
                            targets = targets & ~UNIT_SETS[boxUnit];
                            if (!CellSetEmpty(targets))
                                return record(links[i].unit, -1, p, q, targets);
                        }
                    }
                }
        }
    }
    return 0;
}

// ---- wings --------------------------------------------------------------------------------

// A pivot with x and y (and z for an XYZ-wing) and two pincers it sees, {x,z} and {y,z}: one of
// them holds z, so every cell seeing all the z cells loses it.
static int FindWing(const PlayerGrid* P, bool xyz, PlayerStep* S) {
    PlayerView V;
    MakePlayerView(P, &V);
    for (int p = 0; p < 81; p++) {
        const DigitMask pm = P->cand[p];
        if (P->board[p] || std::popcount(pm) != (xyz ? 3 : 2)) continue;
        const uint8_t* peers = PeersOf(p);
        for (int i = 0; i < 20; i++) {
            const int q = peers[i];
            const DigitMask qm = P->cand[q];
            if (P->board[q] || std::popcount(qm) != 2) continue;
            if (xyz ? (qm & pm) != qm : std::popcount(DigitMask(qm & pm)) != 1) continue;
            for (int j = i + 1; j < 20; j++) {
                const int r = peers[j];
                const DigitMask rm = P->cand[r];
                if (P->board[r] || std::popcount(rm) != 2 || rm == qm) continue;
                DigitMask z;
                if (xyz) {
                    if ((rm & pm) != rm) continue;
                    z = qm & rm;
                } else {
                    // q = {x,z}, r = {y,z}, p = {x,y}
                    z = qm & rm & DigitMask(~pm);
                    if (std::popcount(DigitMask(rm & pm)) != 1 || (qm & rm & pm)) continue;
                    if ((DigitMask((qm | rm) & pm)) != pm) continue;
                }
                if (!SingleDigit(z)) continue;
                const int zd = std::countr_zero(z);
                CellSet zCells = CellSetOf(q) | CellSetOf(r);
                if (xyz) CellSetAdd(zCells, p);
                const CellSet targets = V.with[zd] & SeeAll(zCells) & ~CellSetOf(p);
                if (CellSetEmpty(targets)) continue;
                BeginStep(S, xyz ? TQ_XYZ_WING : TQ_XY_WING);
                S->digits = z;
                AddPatternCell(S, p, pm);
                AddPatternCell(S, q, qm);
                AddPatternCell(S, r, rm);
                RemoveFromCells(S, P, targets, zd);
                FinishStep(S, 0);
                return 1;
            }
        }
    }
    return 0;
}

int FindXYWing(const PlayerGrid* P, int, PlayerStep* S) {
    return FindWing(P, false, S);
}
int FindXYZWing(const PlayerGrid* P, int, PlayerStep* S) {
    return FindWing(P, true, S);
}

// Two cells {x,y} that do not see each other, and a strong link on x whose ends see one each:
// one of the two cells holds y.
int FindWWing(const PlayerGrid* P, int, PlayerStep* S) {
    PlayerView V;
    MakePlayerView(P, &V);
    StrongLink links[9][27];
    int linkCount[9];
    for (int d = 0; d < 9; d++) linkCount[d] = StrongLinks(V, d, links[d]);
    for (int p = 0; p < 81; p++) {
        if (P->board[p] || std::popcount(P->cand[p]) != 2) continue;
        for (int q = p + 1; q < 81; q++) {
            if (P->board[q] || P->cand[q] != P->cand[p] || IsPeer(p, q)) continue;
            for (int o = 0; o < 2; o++) {
                const int x =
                    o == 0 ? std::countr_zero(P->cand[p]) : 15 - std::countl_zero(P->cand[p]);
                const int y =
                    o == 0 ? 15 - std::countl_zero(P->cand[p]) : std::countr_zero(P->cand[p]);
                const CellSet targets = V.with[y] & PEER_SETS[p] & PEER_SETS[q];
                if (CellSetEmpty(targets)) continue;
                for (int i = 0; i < linkCount[x]; i++) {
                    const StrongLink& L = links[x][i];
                    if (L.a == p || L.a == q || L.b == p || L.b == q) continue;
                    const bool joined =
                        (IsPeer(L.a, p) && IsPeer(L.b, q)) || (IsPeer(L.a, q) && IsPeer(L.b, p));
                    if (!joined) continue;
                    BeginStep(S, TQ_W_WING);
                    S->digits = Bit(y);
                    AddStepUnit(S, L.unit);
                    AddPatternCell(S, p, P->cand[p]);
                    AddPatternCell(S, q, P->cand[q]);
                    AddPatternCell(S, L.a, Bit(x));
                    AddPatternCell(S, L.b, Bit(x));
                    RemoveFromCells(S, P, targets, y);
                    FinishStep(S, 0);
                    return 1;
                }
            }
        }
    }
    return 0;
}

// Cells that all hold the same two digits, each seeing the next: the two ends of a chain of an
// even number of cells (four or more) hold both digits between them. Shortest chain first.
int FindRemotePair(const PlayerGrid* P, int, PlayerStep* S) {
    int best = 99, bestStart = -1, bestEnd = -1;
    int bestParent[81];
    for (int s = 0; s < 81; s++) {
        if (P->board[s] || std::popcount(P->cand[s]) != 2) continue;
        const DigitMask pair = P->cand[s];
        int dist[81], parent[81], queue[81], head = 0, tail = 0;
        for (int x = 0; x < 81; x++) dist[x] = -1;
        dist[s] = 0;
        parent[s] = -1;
        queue[tail++] = s;
        while (head < tail) {
            const int x = queue[head++];
            if (dist[x] + 1 >= best) break;
            const uint8_t* peers = PeersOf(x);
            for (int i = 0; i < 20; i++) {
                const int y = peers[i];
                if (P->board[y] || P->cand[y] != pair || dist[y] >= 0) continue;
                dist[y] = dist[x] + 1;
                parent[y] = x;
                queue[tail++] = y;
                if (dist[y] >= 3 && dist[y] % 2 == 1 && dist[y] < best) {
                    CellSet targets = (PEER_SETS[s] & PEER_SETS[y]);
                    bool any = false;
                    ForEachCell(targets, [&](int t) {
                        any = any || (!P->board[t] && P->cand[t] != pair && (P->cand[t] & pair));
                    });
                    if (!any) continue;
                    best = dist[y];
                    bestStart = s;
                    bestEnd = y;
                    std::memcpy(bestParent, parent, sizeof parent);
                }
            }
        }
    }
    if (bestStart < 0) return 0;
    const DigitMask pair = P->cand[bestStart];
    BeginStep(S, TQ_REMOTE_PAIR);
    S->digits = pair;
    int chain[81], n = 0;
    for (int x = bestEnd; x >= 0; x = bestParent[x]) chain[n++] = x;
    std::reverse(chain, chain + n);
    const int d0 = std::countr_zero(pair), d1 = 15 - std::countl_zero(pair);
    for (int i = 0; i < n; i++) {
        AddPatternCell(S, chain[i], pair);
        // (d0) c0 = (d1) c0 - (d1) c1 = (d0) c1 - ...
        const int first = i % 2 == 0 ? d0 : d1;
        if (S->nodeCount + 2 <= PLAYER_CHAIN_MAX) {
            S->nodes[S->nodeCount++] = {{uint8_t(chain[i]), 0, 0}, 1, uint8_t(first)};
            S->nodes[S->nodeCount++] = {{uint8_t(chain[i]), 0, 0}, 1, uint8_t(d0 + d1 - first)};
        }
    }
    ForEachCell(PEER_SETS[bestStart] & PEER_SETS[bestEnd], [&](int t) {
        if (P->cand[t] != pair) AddRemoval(S, P, t, pair);
    });
    FinishStep(S, ChainLengthBonus(2 * n - 1));
    return 1;
}

// Cells of at most four digits all seeing a pivot: four cells with four digits among them, of
// which only z is held by two cells that do not see each other. Every other digit lies in cells
// that all see each other, so the four cannot all avoid z: z goes from every cell seeing all its
// cells of the set. (An XYZ-wing is the same with three cells.)
int FindWXYZWing(const PlayerGrid* P, int, PlayerStep* S) {
    PlayerView V;
    MakePlayerView(P, &V);
    for (int p = 0; p < 81; p++) {
        const DigitMask pm = P->cand[p];
        if (P->board[p] || std::popcount(pm) < 2 || std::popcount(pm) > 4) continue;
        int others[20], count = 0;
        const uint8_t* peers = PeersOf(p);
        for (int i = 0; i < 20; i++) {
            const int q = peers[i];
            const int k = std::popcount(P->cand[q]);
            if (!P->board[q] && k >= 2 && k <= 4) others[count++] = q;
        }
        const bool found = Combinations(count, 3, [&](const int* idx) {
            const int cells[4] = {p, others[idx[0]], others[idx[1]], others[idx[2]]};
            DigitMask all = 0;
            for (int c : cells) all |= P->cand[c];
            if (std::popcount(all) != 4) return false;
            // all four in one unit: a naked quad
            CellSet set{};
            for (int c : cells) CellSetAdd(set, c);
            for (int u = 0; u < 27; u++)
                if (CellSetWithin(set, UNIT_SETS[u])) return false;
            int z = -1;
            for (int d = 0; d < 9; d++) {
                if (!(all >> d & 1)) continue;
                bool restricted = true;
                for (int i = 0; i < 4; i++)
                    for (int j = i + 1; j < 4; j++)
                        if ((P->cand[cells[i]] >> d & 1) && (P->cand[cells[j]] >> d & 1) &&
                            !IsPeer(cells[i], cells[j]))
                            restricted = false;
                if (restricted) continue;
                if (z >= 0) return false; // two digits not restricted
                z = d;
            }
            if (z < 0) return false;
            CellSet zCells{};
            for (int c : cells)
                if (P->cand[c] >> z & 1) CellSetAdd(zCells, c);
            const CellSet targets = V.with[z] & SeeAll(zCells) & ~set;
            if (CellSetEmpty(targets)) return false;
            BeginStep(S, TQ_WXYZ_WING);
            S->digits = Bit(z);
            for (int c : cells) AddPatternCell(S, c, P->cand[c]);
            RemoveFromCells(S, P, targets, z);
            FinishStep(S, 0);
            return true;
        });
        if (found) return 1;
    }
    return 0;
}

// Where box and line meet, two or three cells C with digits V, at least two more digits than
// cells. Cells of the line outside the box (digits DL) and of the box outside the line (DB), DL
// and DB apart, that with C hold as many digits as they are cells: the line keeps DL and what of
// V the box part does not take to C's line cells, the box likewise. So the rest of the line loses
// DL and V less DB; the rest of the box loses DB and V less DL.
int FindSueDeCoq(const PlayerGrid* P, int, PlayerStep* S) {
    for (int b = 0; b < 9; b++) {
        const int box = 18 + BOX_UNIT_ORDER[b];
        for (int line = 0; line < 18; line++) {
            const CellSet meet = UNIT_SETS[box] & UNIT_SETS[line];
            if (CellSetEmpty(meet)) continue;
            int inner[3], innerCount = 0;
            ForEachCell(meet, [&](int x) {
                if (!P->board[x]) inner[innerCount++] = x;
            });
            int lineCells[6], lineCount = 0, boxCells[6], boxCount = 0;
            ForEachCell(UNIT_SETS[line] & ~UNIT_SETS[box], [&](int x) {
                if (!P->board[x] && std::popcount(P->cand[x]) >= 2) lineCells[lineCount++] = x;
            });
            ForEachCell(UNIT_SETS[box] & ~UNIT_SETS[line], [&](int x) {
                if (!P->board[x] && std::popcount(P->cand[x]) >= 2) boxCells[boxCount++] = x;
            });
            for (int ci = 2; ci <= innerCount; ci++) {
                const bool found = Combinations(innerCount, ci, [&](const int* ii) {
                    DigitMask v = 0;
                    for (int i = 0; i < ci; i++) v |= P->cand[inner[ii[i]]];
                    if (std::popcount(v) < ci + 2) return false;
                    for (int ln = 1; ln <= 2; ln++)
                        for (int bn = 1; bn <= 2; bn++) {
                            const bool hit = Combinations(lineCount, ln, [&](const int* li) {
                                DigitMask dl = 0;
                                for (int i = 0; i < ln; i++) dl |= P->cand[lineCells[li[i]]];
                                if (!(dl & v)) return false;
                                return Combinations(boxCount, bn, [&](const int* bi) {
                                    DigitMask db = 0;
                                    for (int i = 0; i < bn; i++) db |= P->cand[boxCells[bi[i]]];
                                    if ((db & dl) || !(db & v)) return false;
                                    if (std::popcount(DigitMask(v | dl | db)) != ci + ln + bn)
                                        return false;
                                    CellSet used{};
                                    for (int i = 0; i < ci; i++) CellSetAdd(used, inner[ii[i]]);
                                    for (int i = 0; i < ln; i++) CellSetAdd(used, lineCells[li[i]]);
                                    for (int i = 0; i < bn; i++) CellSetAdd(used, boxCells[bi[i]]);
                                    PlayerStep trial;
                                    BeginStep(&trial, TQ_SUE_DE_COQ);
                                    const DigitMask lineLoses = dl | (v & DigitMask(~db));
                                    const DigitMask boxLoses = db | (v & DigitMask(~dl));
                                    ForEachCell(UNIT_SETS[line] & ~used, [&](int x) {
                                        AddRemoval(&trial, P, x, lineLoses);
                                    });
                                    ForEachCell(UNIT_SETS[box] & ~used,
                                                [&](int x) { AddRemoval(&trial, P, x, boxLoses); });
                                    if (!trial.removalCount) return false;
                                    *S = trial;
                                    S->digits = v | dl | db;
                                    AddStepUnit(S, box);
                                    AddStepUnit(S, line);
                                    ForEachCell(used,
                                                [&](int x) { AddPatternCell(S, x, P->cand[x]); });
                                    FinishStep(S, 0);
                                    return true;
                                });
                            });
                            if (hit) return true;
                        }
                    return false;
                });
                if (found) return 1;
            }
        }
    }
    return 0;
}

// ---- uniqueness ---------------------------------------------------------------------------

// The rating of each rectangle type, 1..6 and 7 for the hidden rectangle.
static const int UR_RATING[8] = {0, 45, 46, 46, 45, 46, 46, 47};

static void BeginRectangle(PlayerStep* S, const PlayerGrid* P, const int* corners, DigitMask pair,
                           int type) {
    BeginStep(S, TQ_UNIQUE_RECTANGLE);
    S->variant = type;
    S->rating = UR_RATING[type];
    S->digits = pair;
    for (int i = 0; i < 4; i++) {
        AddPatternCell(S, corners[i], P->cand[corners[i]]);
        S->corners[i] = uint8_t(corners[i]);
    }
}

// One type of unique rectangle on the corners a b / c e (rows r1 r2, columns c1 c2) and the
// pair: 1 with the step recorded.
static int TryRectangle(const PlayerGrid* P, const PlayerView& V, const int* k, DigitMask pair,
                        int type, PlayerStep* S) {
    DigitMask extra[4];
    int roofs[4], roofCount = 0, floors = 0;
    for (int i = 0; i < 4; i++) {
        extra[i] = P->cand[k[i]] & DigitMask(~pair);
        if (extra[i])
            roofs[roofCount++] = i;
        else
            floors++;
    }
    const int x = std::countr_zero(pair), y = 15 - std::countl_zero(pair);
    // corners 0 1 / 2 3: 0-1 and 2-3 share rows, 0-2 and 1-3 columns; 0-3 and 1-2 diagonals
    auto shareLine = [&](int i, int j) { return k[i] / 9 == k[j] / 9 || k[i] % 9 == k[j] % 9; };
    switch (type) {
    case 1:
        if (floors != 3) return 0;
        BeginRectangle(S, P, k, pair, 1);
        AddRemoval(S, P, k[roofs[0]], pair);
        break;
    case 2:
    case 5: {
        if (roofCount < 2 || roofCount > 3) return 0;
        const DigitMask z = extra[roofs[0]];
        if (!SingleDigit(z)) return 0;
        for (int i = 1; i < roofCount; i++)
            if (extra[roofs[i]] != z) return 0;
        const bool adjacent = roofCount == 2 && shareLine(roofs[0], roofs[1]);
        if (adjacent != (type == 2)) return 0;
        CellSet zCells{};
        for (int i = 0; i < roofCount; i++) CellSetAdd(zCells, k[roofs[i]]);
        const CellSet targets = V.with[std::countr_zero(z)] & SeeAll(zCells);
        if (CellSetEmpty(targets)) return 0;
        BeginRectangle(S, P, k, pair, type);
        RemoveFromCells(S, P, targets, std::countr_zero(z));
        break;
    }
    case 3: {
        if (roofCount != 2 || !shareLine(roofs[0], roofs[1])) return 0;
        const int ra = k[roofs[0]], rb = k[roofs[1]];
        const DigitMask e = extra[roofs[0]] | extra[roofs[1]];
        const int units[2] = {ra / 9 == rb / 9 ? ra / 9 : 9 + ra % 9,
                              BoxOf(ra) == BoxOf(rb) ? BoxUnit(ra) : -1};
        for (int u : units) {
            if (u < 0) continue;
            int cells[9], count = 0;
            for (int i = 0; i < 9; i++) {
                const int c = UnitTable[u][i];
                if (c != ra && c != rb && !P->board[c] && !(P->cand[c] & pair)) cells[count++] = c;
            }
            for (int n = 1; n <= 3; n++) {
                const bool found = Combinations(count, n, [&](const int* idx) {
                    DigitMask digits = e;
                    for (int i = 0; i < n; i++) digits |= P->cand[cells[idx[i]]];
                    if (std::popcount(digits) != n + 1) return false;
                    bool any = false;
                    for (int i = 0; i < 9; i++) {
                        const int c = UnitTable[u][i];
                        bool inside = c == ra || c == rb;
                        for (int j = 0; j < n; j++) inside = inside || cells[idx[j]] == c;
                        any = any || (!inside && !P->board[c] && (P->cand[c] & digits));
                    }
                    if (!any) return false;
                    BeginRectangle(S, P, k, pair, 3);
                    AddStepUnit(S, u);
                    for (int j = 0; j < n; j++)
                        AddPatternCell(S, cells[idx[j]], P->cand[cells[idx[j]]]);
                    for (int i = 0; i < 9; i++) {
                        const int c = UnitTable[u][i];
                        bool inside = c == ra || c == rb;
                        for (int j = 0; j < n; j++) inside = inside || cells[idx[j]] == c;
                        if (!inside) AddRemoval(S, P, c, digits);
                    }
                    return true;
                });
                if (found) {
                    FinishStep(S, 0);
                    return 1;
                }
            }
        }
        return 0;
    }
    case 4: {
        if (roofCount != 2 || !shareLine(roofs[0], roofs[1])) return 0;
        const int ra = k[roofs[0]], rb = k[roofs[1]];
        const int units[2] = {ra / 9 == rb / 9 ? ra / 9 : 9 + ra % 9,
                              BoxOf(ra) == BoxOf(rb) ? BoxUnit(ra) : -1};
        for (int u : units) {
            if (u < 0) continue;
            for (int o = 0; o < 2; o++) {
                const int held = o ? y : x, other = o ? x : y;
                if (std::popcount(V.where[u][held]) != 2) continue; // only at the two roofs
                BeginRectangle(S, P, k, pair, 4);
                AddStepUnit(S, u);
                AddRemoval(S, P, ra, Bit(other));
                AddRemoval(S, P, rb, Bit(other));
                FinishStep(S, 0);
                return 1;
            }
        }
        return 0;
    }
    case 6: {
        if (roofCount != 2 || shareLine(roofs[0], roofs[1])) return 0;
        for (int o = 0; o < 2; o++) {
            const int held = o ? y : x;
            const int lines[4] = {k[0] / 9, k[3] / 9, 9 + k[0] % 9, 9 + k[3] % 9};
            bool locked = true;
            for (int l : lines) locked = locked && std::popcount(V.where[l][held]) == 2;
            if (!locked) continue;
            BeginRectangle(S, P, k, pair, 6);
            for (int l : lines) AddStepUnit(S, l);
            AddRemoval(S, P, k[roofs[0]], Bit(held));
            AddRemoval(S, P, k[roofs[1]], Bit(held));
            FinishStep(S, 0);
            return 1;
        }
        return 0;
    }
    case 7: // hidden rectangle: a corner with the pair alone, and the opposite corner's lines
        for (int f = 0; f < 4; f++) {
            if (extra[f]) continue;
            const int o = 3 - f;
            for (int h = 0; h < 2; h++) {
                const int held = h ? y : x, other = h ? x : y;
                if (!(P->cand[k[o]] >> other & 1) || !extra[o]) continue;
                if (std::popcount(V.where[k[o] / 9][held]) != 2 ||
                    std::popcount(V.where[9 + k[o] % 9][held]) != 2)
                    continue;
                BeginRectangle(S, P, k, pair, 7);
                AddStepUnit(S, k[o] / 9);
                AddStepUnit(S, 9 + k[o] % 9);
                AddRemoval(S, P, k[o], Bit(other));
                FinishStep(S, 0);
                return 1;
            }
        }
        return 0;
    }
    if (!S->removalCount) return 0;
    FinishStep(S, 0);
    return 1;
}

int FindUniqueRectangle(const PlayerGrid* P, int, PlayerStep* S) {
    if (!P->unique) return 0;
    PlayerView V;
    MakePlayerView(P, &V);
    static const int TYPES[] = {1, 2, 4, 5, 6, 3, 7};
    for (int type : TYPES)
        for (int r1 = 0; r1 < 9; r1++)
            for (int r2 = r1 + 1; r2 < 9; r2++)
                for (int c1 = 0; c1 < 9; c1++)
                    for (int c2 = c1 + 1; c2 < 9; c2++) {
                        const int k[4] = {r1 * 9 + c1, r1 * 9 + c2, r2 * 9 + c1, r2 * 9 + c2};
                        // two boxes: the rows in one band or the columns in one stack
                        if ((r1 / 3 == r2 / 3) == (c1 / 3 == c2 / 3)) continue;
                        if (P->board[k[0]] || P->board[k[1]] || P->board[k[2]] || P->board[k[3]])
                            continue;
                        const DigitMask common =
                            P->cand[k[0]] & P->cand[k[1]] & P->cand[k[2]] & P->cand[k[3]];
                        if (std::popcount(common) < 2) continue;
                        for (int w = NINE_BIT_WORDS.start[2]; w < NINE_BIT_WORDS.start[3]; w++) {
                            const DigitMask pair = NINE_BIT_WORDS.word[w];
                            if ((pair & common) == pair && TryRectangle(P, V, k, pair, type, S))
                                return 1;
                        }
                    }
    return 0;
}

// Every open cell holds two digits but one, which holds three: of those, the digit found three
// times in each of its units goes there, or the grid would have two solutions.
int FindBugPlusOne(const PlayerGrid* P, int, PlayerStep* S) {
    if (!P->unique) return 0;
    int odd = -1;
    for (int x = 0; x < 81; x++) {
        if (P->board[x]) continue;
        const int k = std::popcount(P->cand[x]);
        if (k == 2) continue;
        if (k != 3 || odd >= 0) return 0;
        odd = x;
    }
    if (odd < 0) return 0;
    PlayerView V;
    MakePlayerView(P, &V);
    const int units[3] = {odd / 9, 9 + odd % 9, BoxUnit(odd)};
    for (DigitMask m = P->cand[odd]; m; m &= m - 1) {
        const int d = std::countr_zero(m);
        bool three = true;
        for (int u : units) three = three && std::popcount(V.where[u][d]) == 3;
        if (!three) continue;
        BeginStep(S, TQ_BUG_PLUS_ONE);
        S->placed = odd;
        S->placedDigit = d + 1;
        S->digits = Bit(d);
        for (int u : units) AddStepUnit(S, u);
        AddPatternCell(S, odd, P->cand[odd]);
        FinishStep(S, 0);
        return 1;
    }
    return 0;
}
