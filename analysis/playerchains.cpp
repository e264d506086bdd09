// The player's chains, almost locked sets and forcing chains: the chain graph of candidates and
// groups searched breadth first for the shortest alternating chain, almost locked sets joined by
// restricted common digits, and singles followed from an assumption until the grid breaks or
// every branch agrees.
#include "analysis/playerfind.h"
#include <algorithm>
#include <cstring>

// ---- chains -------------------------------------------------------------------------------

// Nodes of the chain graph: candidates x * 9 + d, then groups (two or three cells of one box
// and one line holding the digit) from CANDIDATE_NODES on.
constexpr int CANDIDATE_NODES = 729;
constexpr int GROUPS_MAX = 9 * 54;
constexpr int CHAIN_NODES = CANDIDATE_NODES + GROUPS_MAX;
constexpr int NODE_WORDS = (CHAIN_NODES + 63) / 64;
constexpr int WEAK_MAX = 48;

// The links of the nodes a chain of the mode may use. X-chains: one digit, strong links of a
// unit's only two places (a group counting as one); XY-chains: strong links inside cells of two
// digits, weak links between cells, no groups; AICs: all of them.
struct ChainGraph {
    int nodes; // CANDIDATE_NODES + groups
    bool present[CHAIN_NODES];
    CellSet cells[CHAIN_NODES]; // a node's cells
    uint8_t digit[CHAIN_NODES];
    int16_t strong[CHAIN_NODES][6];
    uint8_t strongCount[CHAIN_NODES];
    int16_t weak[CHAIN_NODES][WEAK_MAX];
    uint8_t weakCount[CHAIN_NODES];
    uint64_t weakBits[CHAIN_NODES][NODE_WORDS]; // weak[] as a set of nodes
};

static void AddStrongLink(ChainGraph* g, int a, int b) {
    for (int i = 0; i < g->strongCount[a]; i++)
        if (g->strong[a][i] == b) return;
    if (g->strongCount[a] < 6) g->strong[a][g->strongCount[a]++] = int16_t(b);
}

static void AddWeakLink(ChainGraph* g, int a, int b) {
    if (g->weakBits[a][b >> 6] >> (b & 63) & 1) return;
    if (g->weakCount[a] >= WEAK_MAX) return;
    g->weak[a][g->weakCount[a]++] = int16_t(b);
    g->weakBits[a][b >> 6] |= uint64_t(1) << (b & 63);
}

// The node whose cells of the digit are exactly these (a cell or a group), or -1.
static int NodeOfCells(const ChainGraph* g, const CellSet& cells, int d) {
    const int n = CellSetCount(cells);
    if (n == 1) return CellSetFirst(cells) * 9 + d;
    if (n < 2 || n > 3) return -1;
    for (int k = CANDIDATE_NODES; k < g->nodes; k++)
        if (g->digit[k] == d && g->cells[k] == cells) return k;
    return -1;
}

static void BuildChainGraph(const PlayerGrid* P, const PlayerView& V, int mode, ChainGraph* g) {
    const bool cellLinks = mode != TQ_X_CHAIN, unitLinks = mode != TQ_XY_CHAIN;
    g->nodes = CANDIDATE_NODES;
    for (int n = 0; n < CANDIDATE_NODES; n++) {
        g->present[n] = !P->board[n / 9] && (P->cand[n / 9] >> (n % 9) & 1);
        g->cells[n] = CellSetOf(n / 9);
        g->digit[n] = uint8_t(n % 9);
    }
    if (unitLinks) // groups: where a box meets a line, two or three cells holding the digit
        for (int d = 0; d < 9; d++)
            for (int b = 18; b < 27; b++)
                for (int line = 0; line < 18; line++) {
                    const CellSet cells = V.with[d] & UNIT_SETS[b] & UNIT_SETS[line];
                    if (CellSetCount(cells) < 2) continue;
                    const int k = g->nodes++;
                    g->present[k] = true;
                    g->cells[k] = cells;
                    g->digit[k] = uint8_t(d);
                }
    std::memset(g->strongCount, 0, sizeof(uint8_t) * size_t(g->nodes));
    std::memset(g->weakCount, 0, sizeof(uint8_t) * size_t(g->nodes));
    std::memset(g->weakBits, 0, sizeof(uint64_t) * NODE_WORDS * size_t(g->nodes));
    for (int n = 0; n < g->nodes; n++) {
        if (!g->present[n]) continue;
        const int d = g->digit[n];
        const CellSet mine = g->cells[n];
        if (n < CANDIDATE_NODES) {
            const int x = n / 9;
            if (cellLinks && std::popcount(P->cand[x]) == 2)
                AddStrongLink(g, n, x * 9 + std::countr_zero(DigitMask(P->cand[x] & ~Bit(d))));
            if (mode == TQ_AIC)
                for (DigitMask o = P->cand[x] & DigitMask(~Bit(d)); o; o &= o - 1)
                    AddWeakLink(g, n, x * 9 + std::countr_zero(o));
        }
        if (unitLinks)
            for (int u = 0; u < 27; u++) {
                if (!CellSetWithin(mine, UNIT_SETS[u])) continue;
                const CellSet rest = V.with[d] & UNIT_SETS[u] & ~mine;
                const int other = NodeOfCells(g, rest, d);
                if (other >= 0) AddStrongLink(g, n, other);
            }
        // weak: every cell of the other node sees every cell of this one
        const CellSet seen = SeeAll(mine) & V.with[d];
        ForEachCell(seen, [&](int y) { AddWeakLink(g, n, y * 9 + d); });
        for (int k = CANDIDATE_NODES; k < g->nodes; k++)
            if (k != n && g->digit[k] == d && CellSetWithin(g->cells[k], seen))
                AddWeakLink(g, n, k);
    }
}

static bool WeakLinked(const ChainGraph& g, int a, int b) {
    return g.weakBits[a][b >> 6] >> (b & 63) & 1;
}

static bool AnySeeingBoth(const ChainGraph& g, int a, int b) {
    for (int i = 0; i < g.weakCount[a]; i++)
        if (g.weak[a][i] < CANDIDATE_NODES && WeakLinked(g, b, g.weak[a][i])) return true;
    return false;
}

// Candidates weakly linked to both a and b and not on the chain, added as removals.
static int RemoveSeeingBoth(const ChainGraph& g, const PlayerGrid* P, int a, int b,
                            const uint64_t* onChain, PlayerStep* S) {
    int n = 0;
    for (int i = 0; i < g.weakCount[a]; i++) {
        const int t = g.weak[a][i];
        if (t >= CANDIDATE_NODES || !WeakLinked(g, b, t) || (onChain[t >> 6] >> (t & 63) & 1))
            continue;
        n += AddRemoval(S, P, t / 9, Bit(t % 9));
    }
    return n;
}

static void WriteChain(PlayerStep* S, const ChainGraph& g, const int* path, int count) {
    S->nodeCount = 0;
    for (int i = 0; i < count && i < PLAYER_CHAIN_MAX; i++) {
        PlayerNode node{{0, 0, 0}, 0, g.digit[path[i]]};
        ForEachCell(g.cells[path[i]], [&](int x) {
            node.cells[node.count++] = uint8_t(x);
            AddPatternCell(S, x, Bit(node.digit));
        });
        S->nodes[S->nodeCount++] = node;
    }
}

// The shortest chain of the mode that removes something: start s false makes e true through
// strong and weak links in turn, so one of them holds; a candidate weakly linked to both goes.
// When e and s are weakly linked too, the chain is a loop and every weak link of it removes
// what both its ends see. No chain uses a candidate twice or passes through what it removes.
int FindChain(const PlayerGrid* P, int mode, PlayerStep* S) {
    PlayerView V;
    MakePlayerView(P, &V);
    static thread_local ChainGraph g;
    BuildChainGraph(P, V, mode, &g);
    int best = PLAYER_CHAIN_MAX - 1; // links
    int bestPath[PLAYER_CHAIN_MAX], bestCount = 0;
    static thread_local int16_t parent[2][CHAIN_NODES];
    static thread_local int16_t dist[2][CHAIN_NODES];
    static thread_local int queue[2 * CHAIN_NODES];
    for (int s = 0; s < g.nodes; s++) {
        if (!g.present[s] || !g.strongCount[s]) continue;
        std::memset(dist, -1, sizeof dist);
        int head = 0, tail = 0;
        dist[0][s] = 0;
        parent[0][s] = -1;
        queue[tail++] = s * 2; // state: node * 2 + truth
        while (head < tail) {
            const int state = queue[head++];
            const int u = state >> 1, truth = state & 1;
            const int du = dist[truth][u];
            if (du + 1 > best) break;
            const int16_t* next = truth ? g.weak[u] : g.strong[u];
            const int count = truth ? g.weakCount[u] : g.strongCount[u];
            for (int i = 0; i < count; i++) {
                const int v = next[i];
                const int vt = 1 - truth;
                if (dist[vt][v] >= 0 || v == s) continue;
                dist[vt][v] = int16_t(du + 1);
                parent[vt][v] = int16_t(u);
                queue[tail++] = v * 2 + vt;
                if (!vt || du + 1 < 3 || du + 1 >= best) continue;
                if (mode == TQ_XY_CHAIN && v % 9 != s % 9) continue;
                if (!WeakLinked(g, s, v) && !AnySeeingBoth(g, s, v)) continue;
                // the chain s .. v, without a candidate twice
                int path[PLAYER_CHAIN_MAX], n = 0;
                bool repeated = false;
                uint64_t onChain[NODE_WORDS] = {};
                for (int w = v, t = 1; w >= 0 && n < PLAYER_CHAIN_MAX; t = 1 - t) {
                    ForEachCell(g.cells[w], [&](int x) {
                        const int c = x * 9 + g.digit[w];
                        if (onChain[c >> 6] >> (c & 63) & 1) repeated = true;
                        onChain[c >> 6] |= uint64_t(1) << (c & 63);
                    });
                    path[n++] = w;
                    w = w == s && t == 0 ? -1 : parent[t][w];
                }
                if (repeated || path[n - 1] != s) continue;
                std::reverse(path, path + n);
                PlayerStep trial;
                BeginStep(&trial, mode);
                int removed = RemoveSeeingBoth(g, P, s, v, onChain, &trial);
                if (WeakLinked(g, s, v)) { // a loop: every weak link removes
                    trial.loop = 1;
                    for (int k = 1; k + 1 < n; k += 2)
                        removed += RemoveSeeingBoth(g, P, path[k], path[k + 1], onChain, &trial);
                    removed += RemoveSeeingBoth(g, P, v, s, onChain, &trial);
                }
                if (!removed) continue;
                best = du + 1;
                bestCount = n;
                std::memcpy(bestPath, path, sizeof(int) * size_t(n));
                *S = trial;
            }
        }
    }
    if (!bestCount) return 0;
    // S holds the removals of the best chain; write its nodes and pattern
    S->variant = mode == TQ_AIC && S->loop;
    int digits = 0;
    for (int i = 0; i < bestCount; i++) digits |= Bit(g.digit[bestPath[i]]);
    S->digits = DigitMask(digits);
    WriteChain(S, g, bestPath, bestCount);
    FinishStep(S, ChainLengthBonus(bestCount - 1));
    return 1;
}

// ---- almost locked sets -------------------------------------------------------------------

constexpr int PLAYER_ALS_MAX = 512;

// n cells of one unit holding n + 1 digits between them; seeAll[d]: the cells that see every
// one of its cells holding d.
struct PlayerAls {
    CellSet cells;
    DigitMask digits;
    int size;
    int unit;
    CellSet holding[9];
    CellSet seeAll[9];
};

static int FindAllAls(const PlayerGrid* P, PlayerAls* sets) {
    int count = 0;
    for (int u = 0; u < 27; u++) {
        int cells[9], open = 0;
        for (int i = 0; i < 9; i++)
            if (!P->board[UnitTable[u][i]]) cells[open++] = UnitTable[u][i];
        for (int n = 1; n <= std::min(open - 1, 4); n++)
            Combinations(open, n, [&](const int* idx) {
                DigitMask digits = 0;
                CellSet set{};
                for (int i = 0; i < n; i++) {
                    digits |= P->cand[cells[idx[i]]];
                    CellSetAdd(set, cells[idx[i]]);
                }
                if (std::popcount(digits) != n + 1) return false;
                if (n <= 3) // a box and a line meet in three cells
                    for (int k = 0; k < count; k++)
                        if (sets[k].cells == set) return false;
                if (count == PLAYER_ALS_MAX) return true;
                PlayerAls& a = sets[count++];
                a.cells = set;
                a.digits = digits;
                a.size = n;
                a.unit = u;
                for (int d = 0; d < 9; d++) {
                    a.holding[d] = {};
                    for (int i = 0; i < n; i++)
                        if (P->cand[cells[idx[i]]] >> d & 1)
                            CellSetAdd(a.holding[d], cells[idx[i]]);
                    a.seeAll[d] = CellSetEmpty(a.holding[d]) ? CellSet{} : SeeAll(a.holding[d]);
                }
                return false;
            });
    }
    return count;
}

// The digits that restrict a and b (every cell of one holding it sees every cell of the
// other holding it); 0 when the sets overlap.
static DigitMask Restricted(const PlayerAls& a, const PlayerAls& b) {
    if (!CellSetEmpty(a.cells & b.cells)) return 0;
    DigitMask r = 0;
    for (DigitMask m = a.digits & b.digits; m; m &= m - 1) {
        const int d = std::countr_zero(m);
        if (CellSetWithin(b.holding[d], a.seeAll[d])) r |= Bit(d);
    }
    return r;
}

static void AddAlsPattern(PlayerStep* S, const PlayerGrid* P, const PlayerAls& a) {
    ForEachCell(a.cells, [&](int x) { AddPatternCell(S, x, P->cand[x]); });
    AddStepUnit(S, a.unit);
    if (S->setCount >= PLAYER_SETS_MAX) return;
    const int k = S->setCount++;
    S->setSize[k] = 0;
    ForEachCell(a.cells, [&](int x) { S->setCells[k][S->setSize[k]++] = uint8_t(x); });
    S->setDigits[k] = a.digits;
}

// Two sets with a restricted common digit x: one of them holds all its digits but x, so a digit
// z of both goes from every cell seeing all z cells of both. With two restricted digits, both
// sets are locked.
int FindAlsXZ(const PlayerGrid* P, int, PlayerStep* S) {
    static thread_local PlayerAls sets[PLAYER_ALS_MAX];
    const int count = FindAllAls(P, sets);
    PlayerView V;
    MakePlayerView(P, &V);
    for (int total = 2; total <= 8; total++)
        for (int i = 0; i < count; i++) {
            const PlayerAls& a = sets[i];
            if (a.size >= total) continue;
            for (int j = i + 1; j < count; j++) {
                const PlayerAls& b = sets[j];
                if (a.size + b.size != total) continue;
                const DigitMask rcc = Restricted(a, b);
                if (!rcc) continue;
                PlayerStep trial;
                BeginStep(&trial, TQ_ALS_XZ);
                const CellSet both = a.cells | b.cells;
                for (DigitMask m = a.digits & b.digits & DigitMask(~rcc); m; m &= m - 1) {
                    const int z = std::countr_zero(m);
                    RemoveFromCells(&trial, P, V.with[z] & a.seeAll[z] & b.seeAll[z] & ~both, z);
                }
                if (std::popcount(rcc) >= 2) {
                    trial.variant = 1;
                    for (DigitMask m = rcc; m; m &= m - 1) {
                        const int x = std::countr_zero(m);
                        RemoveFromCells(&trial, P, V.with[x] & a.seeAll[x] & b.seeAll[x] & ~both,
                                        x);
                    }
                    for (DigitMask m = a.digits & DigitMask(~rcc); m; m &= m - 1)
                        RemoveFromCells(&trial, P,
                                        V.with[std::countr_zero(m)] &
                                            a.seeAll[std::countr_zero(m)] & ~both,
                                        std::countr_zero(m));
                    for (DigitMask m = b.digits & DigitMask(~rcc); m; m &= m - 1)
                        RemoveFromCells(&trial, P,
                                        V.with[std::countr_zero(m)] &
                                            b.seeAll[std::countr_zero(m)] & ~both,
                                        std::countr_zero(m));
                }
                if (!trial.removalCount) continue;
                *S = trial;
                S->digits = rcc;
                AddAlsPattern(S, P, a);
                AddAlsPattern(S, P, b);
                FinishStep(S, 0);
                return 1;
            }
        }
    return 0;
}

// A pivot set C restricted to A by x and to B by y: A holds its digits but x, or B its digits
// but y, so a digit z of A and B goes from every cell seeing all z cells of both.
int FindAlsXYWing(const PlayerGrid* P, int, PlayerStep* S) {
    static thread_local PlayerAls sets[PLAYER_ALS_MAX];
    const int count = FindAllAls(P, sets);
    PlayerView V;
    MakePlayerView(P, &V);
    int near[PLAYER_ALS_MAX];
    DigitMask nearRcc[PLAYER_ALS_MAX];
    for (int c = 0; c < count; c++) {
        int n = 0;
        for (int k = 0; k < count; k++) {
            if (k == c) continue;
            const DigitMask r = Restricted(sets[c], sets[k]);
            if (r) near[n] = k, nearRcc[n++] = r;
        }
        for (int i = 0; i < n; i++)
            for (int j = i + 1; j < n; j++) {
                const PlayerAls &a = sets[near[i]], &b = sets[near[j]];
                if (!CellSetEmpty(a.cells & b.cells)) continue;
                for (DigitMask mx = nearRcc[i]; mx; mx &= mx - 1)
                    for (DigitMask my = nearRcc[j]; my; my &= my - 1) {
                        const int x = std::countr_zero(mx), y = std::countr_zero(my);
                        if (x == y) continue;
                        const CellSet all = a.cells | b.cells | sets[c].cells;
                        PlayerStep trial;
                        BeginStep(&trial, TQ_ALS_XY_WING);
                        for (DigitMask m = a.digits & b.digits & DigitMask(~(Bit(x) | Bit(y))); m;
                             m &= m - 1) {
                            const int z = std::countr_zero(m);
                            RemoveFromCells(&trial, P, V.with[z] & a.seeAll[z] & b.seeAll[z] & ~all,
                                            z);
                        }
                        if (!trial.removalCount) continue;
                        *S = trial;
                        S->digits = Bit(x) | Bit(y);
                        AddAlsPattern(S, P, a);
                        AddAlsPattern(S, P, b);
                        AddAlsPattern(S, P, sets[c]);
                        FinishStep(S, 0);
                        return 1;
                    }
            }
    }
    return 0;
}

// Sets A1 .. Ak (four or more, apart from each other), each restricted to the next by a digit
// other than the one before: if A1 lacks z, each set in turn holds its restricted digit and
// locks the next on the rest, so Ak holds z. A digit z of A1 and Ak (not their links' digits)
// goes from every cell seeing all their z cells. The chain with the fewest sets is shown.
int FindAlsChain(const PlayerGrid* P, int, PlayerStep* S) {
    static thread_local PlayerAls sets[PLAYER_ALS_MAX];
    constexpr int NEAR_MAX = 96, SETS_MAX = 6;
    static thread_local int16_t near[PLAYER_ALS_MAX][NEAR_MAX];
    static thread_local DigitMask nearRcc[PLAYER_ALS_MAX][NEAR_MAX];
    static thread_local uint8_t nearCount[PLAYER_ALS_MAX];
    const int count = FindAllAls(P, sets);
    PlayerView V;
    MakePlayerView(P, &V);
    for (int i = 0; i < count; i++) {
        nearCount[i] = 0;
        for (int j = 0; j < count && nearCount[i] < NEAR_MAX; j++) {
            if (j == i) continue;
            const DigitMask r = Restricted(sets[i], sets[j]);
            if (r) near[i][nearCount[i]] = int16_t(j), nearRcc[i][nearCount[i]++] = r;
        }
    }
    // States: set * 9 + the digit restricting it to the set before, searched layer by layer
    // (a layer per number of sets on the chain), so that a state first met on a chain too short
    // to count is met again on a longer one. A node is a layer's index: layer * STATES + state.
    const int STATES = count * 9;
    static thread_local uint32_t seen[(SETS_MAX + 1) * PLAYER_ALS_MAX * 9]; // the start's stamp
    static thread_local uint32_t stamp = 0;
    static thread_local int32_t parent[(SETS_MAX + 1) * PLAYER_ALS_MAX * 9];
    static thread_local int32_t layer[2][PLAYER_ALS_MAX * 9];
    int best = SETS_MAX + 1;
    for (int a = 0; a < count; a++) {
        if (++stamp == 0) { // wrapped: no stamp of an earlier start may stay
            for (uint32_t& v : seen) v = 0;
            stamp = 1;
        }
        int size = 0;
        for (int i = 0; i < nearCount[a]; i++)
            for (DigitMask m = nearRcc[a][i]; m; m &= m - 1) {
                const int node = 2 * STATES + near[a][i] * 9 + std::countr_zero(m);
                if (seen[node] == stamp) continue;
                seen[node] = stamp;
                parent[node] = -1;
                layer[0][size++] = node;
            }
        for (int d = 2; d < SETS_MAX && d + 1 < best && size; d++) {
            const int32_t* from = layer[d % 2];
            int32_t* to = layer[(d + 1) % 2];
            int nextSize = 0;
            for (int f = 0; f < size; f++) {
                const int st = from[f] - d * STATES;
                const int b = st / 9, xin = st % 9;
                for (int i = 0; i < nearCount[b]; i++)
                    for (DigitMask m = nearRcc[b][i] & DigitMask(~Bit(xin)); m; m &= m - 1) {
                        if (near[b][i] == a) continue;
                        const int next = (d + 1) * STATES + near[b][i] * 9 + std::countr_zero(m);
                        if (seen[next] == stamp) continue;
                        // the chain a .. next: its sets apart
                        int chain[SETS_MAX + 1], digitsIn[SETS_MAX + 1], n = 0;
                        chain[n] = near[b][i], digitsIn[n++] = std::countr_zero(m);
                        for (int w = from[f]; w >= 0 && n < SETS_MAX; w = parent[w])
                            chain[n] = (w % STATES) / 9, digitsIn[n++] = w % 9;
                        chain[n++] = a;
                        CellSet all{};
                        bool apart = true;
                        for (int c = 0; c < n; c++) {
                            apart = apart && CellSetEmpty(all & sets[chain[c]].cells);
                            all = all | sets[chain[c]].cells;
                        }
                        if (!apart) continue; // another way to this state may be apart
                        seen[next] = stamp;
                        parent[next] = from[f];
                        to[nextSize++] = next;
                        if (d + 1 < 4) continue;
                        const PlayerAls &first = sets[a], &last = sets[chain[0]];
                        const DigitMask links = Bit(digitsIn[0]) | Bit(digitsIn[n - 2]);
                        PlayerStep trial;
                        BeginStep(&trial, TQ_ALS_CHAIN);
                        for (DigitMask zm = first.digits & last.digits & DigitMask(~links); zm;
                             zm &= zm - 1) {
                            const int z = std::countr_zero(zm);
                            RemoveFromCells(&trial, P,
                                            V.with[z] & first.seeAll[z] & last.seeAll[z] & ~all, z);
                        }
                        if (!trial.removalCount || d + 1 >= best) continue;
                        best = d + 1;
                        *S = trial;
                        S->digits = 0;
                        for (int c = 0; c + 1 < n; c++) S->digits |= Bit(digitsIn[c]);
                        for (int c = n - 1; c >= 0; c--) AddAlsPattern(S, P, sets[chain[c]]);
                    }
            }
            size = nextSize;
        }
    }
    if (best > SETS_MAX) return 0;
    FinishStep(S, ChainLengthBonus(2 * best));
    return 1;
}

// A stem cell whose every digit d has a set A_d, apart from the others and from the stem, whose
// cells holding d all see the stem: whichever digit the stem takes locks its set on the rest.
// A digit z of every set (and not of the stem) goes from each cell seeing all their z cells.
int FindDeathBlossom(const PlayerGrid* P, int, PlayerStep* S) {
    static thread_local PlayerAls sets[PLAYER_ALS_MAX];
    const int count = FindAllAls(P, sets);
    PlayerView V;
    MakePlayerView(P, &V);
    constexpr int PETALS_MAX = 48;
    int petals[3][PETALS_MAX], petalCount[3];
    for (int stem = 0; stem < 81; stem++) {
        const DigitMask sm = P->cand[stem];
        const int k = std::popcount(sm);
        if (P->board[stem] || k < 2 || k > 3) continue;
        int digits[3], n = 0;
        for (DigitMask m = sm; m; m &= m - 1) digits[n++] = std::countr_zero(m);
        bool each = true;
        for (int i = 0; i < k; i++) {
            petalCount[i] = 0;
            for (int a = 0; a < count && petalCount[i] < PETALS_MAX; a++) {
                const PlayerAls& A = sets[a];
                if (CellSetHas(A.cells, stem) || !(A.digits >> digits[i] & 1)) continue;
                if (!CellSetWithin(A.holding[digits[i]], PEER_SETS[stem])) continue;
                petals[i][petalCount[i]++] = a;
            }
            each = each && petalCount[i] > 0;
        }
        if (!each) continue;
        int pick[3] = {0, 0, 0};
        for (;;) {
            CellSet all{};
            bool apart = true;
            DigitMask common = ALL_DIGITS & DigitMask(~sm);
            for (int i = 0; i < k; i++) {
                const PlayerAls& A = sets[petals[i][pick[i]]];
                apart = apart && CellSetEmpty(all & A.cells);
                all = all | A.cells;
                common &= A.digits;
            }
            if (apart && common) {
                PlayerStep trial;
                BeginStep(&trial, TQ_DEATH_BLOSSOM);
                for (DigitMask m = common; m; m &= m - 1) {
                    const int z = std::countr_zero(m);
                    CellSet t = V.with[z] & ~all & ~CellSetOf(stem);
                    for (int i = 0; i < k; i++) t = t & sets[petals[i][pick[i]]].seeAll[z];
                    RemoveFromCells(&trial, P, t, z);
                }
                if (trial.removalCount) {
                    *S = trial;
                    S->digits = common;
                    AddPatternCell(S, stem, sm);
                    S->assumedCell = stem;
                    for (int i = 0; i < k; i++) AddAlsPattern(S, P, sets[petals[i][pick[i]]]);
                    FinishStep(S, 0);
                    return 1;
                }
            }
            int i = 0;
            while (i < k && ++pick[i] == petalCount[i]) pick[i++] = 0;
            if (i == k) break;
        }
    }
    return 0;
}

// ---- forcing chains -----------------------------------------------------------------------

// Places d (0..8) in x on a copy of the grid.
static void PlaceOn(PlayerGrid* G, int x, int d) {
    G->board[x] = uint8_t(d + 1);
    G->cand[x] = 0;
    const uint8_t* peers = PeersOf(x);
    for (int i = 0; i < 20; i++) G->cand[peers[i]] &= DigitMask(~Bit(d));
}

int PlayerGridBroken(const PlayerGrid* G) {
    for (int u = 0; u < 27; u++) {
        DigitMask seen = 0;
        for (int i = 0; i < 9; i++) {
            const int x = UnitTable[u][i];
            if (G->board[x])
                seen |= Bit(G->board[x] - 1);
            else if (!G->cand[x])
                return 1;
            else
                seen |= G->cand[x];
        }
        if (seen != ALL_DIGITS) return 1;
    }
    return 0;
}

// The next single of the grid: a naked single (unit -1) or the first hidden one; 0 for none.
static int NextSingle(const PlayerGrid* G, int* cell, int* digit, int* unit) {
    for (int x = 0; x < 81; x++)
        if (!G->board[x] && SingleDigit(G->cand[x])) {
            *cell = x, *digit = std::countr_zero(G->cand[x]), *unit = -1;
            return 1;
        }
    for (int u = 0; u < 27; u++) {
        DigitMask once = 0, twice = 0;
        for (int i = 0; i < 9; i++) {
            const DigitMask m = G->board[UnitTable[u][i]] ? 0 : G->cand[UnitTable[u][i]];
            twice |= once & m;
            once |= m;
        }
        const DigitMask single = once & DigitMask(~twice);
        if (!single) continue;
        const int d = std::countr_zero(single);
        for (int i = 0; i < 9; i++)
            if (!G->board[UnitTable[u][i]] && (G->cand[UnitTable[u][i]] >> d & 1)) {
                *cell = UnitTable[u][i], *digit = d, *unit = u;
                return 1;
            }
    }
    return 0;
}

// The first locked candidates of the grid: digit d (0..8) of unit u lies in unit o too, which
// holds it elsewhere; 0 for none.
static int NextLocked(const PlayerGrid* G, int* digit, int* unit, int* other) {
    for (int d = 0; d < 9; d++)
        for (int u = 0; u < 27; u++) {
            CellSet cells{};
            for (int i = 0; i < 9; i++) {
                const int x = UnitTable[u][i];
                if (!G->board[x] && (G->cand[x] >> d & 1)) CellSetAdd(cells, x);
            }
            if (CellSetCount(cells) < 2) continue;
            const int first = CellSetFirst(cells);
            const int others[3] = {first / 9, 9 + first % 9, BoxUnit(first)};
            for (int o : others) {
                if (o == u || (u < 18) == (o < 18) || !CellSetWithin(cells, UNIT_SETS[o])) continue;
                bool more = false;
                ForEachCell(UNIT_SETS[o] & ~UNIT_SETS[u],
                            [&](int x) { more = more || (!G->board[x] && (G->cand[x] >> d & 1)); });
                if (!more) continue;
                *digit = d, *unit = u, *other = o;
                return 1;
            }
        }
    return 0;
}

constexpr int FORCING_EVENTS_MAX = 160;

int PlayerForcingFollow(const PlayerGrid* P, int x, int d, bool locked, int limit, PlayerStep* S) {
    PlayerGrid G = *P;
    PlaceOn(&G, x, d);
    int n = 0;
    while (!PlayerGridBroken(&G)) {
        if (n >= limit || n >= FORCING_EVENTS_MAX) return -1;
        int c, e, u, o;
        if (NextSingle(&G, &c, &e, &u)) {
            if (S) {
                S->implied[n] = uint8_t(c);
                S->impliedDigit[n] = uint8_t(e + 1);
                S->impliedUnit[n] = int8_t(u);
                S->impliedLine[n] = -1;
            }
            PlaceOn(&G, c, e);
        } else if (locked && NextLocked(&G, &e, &u, &o)) {
            if (S) {
                S->implied[n] = 255;
                S->impliedDigit[n] = uint8_t(e + 1);
                S->impliedUnit[n] = int8_t(u);
                S->impliedLine[n] = int8_t(o);
            }
            ForEachCell(UNIT_SETS[o] & ~UNIT_SETS[u],
                        [&](int y) { G.cand[y] &= DigitMask(~Bit(e)); });
        } else {
            return -1;
        }
        n++;
    }
    return n;
}

// A candidate whose singles (and in a net, locked candidates), once it is placed, break the
// grid: it goes. The shortest such chain is shown.
int FindForcingChain(const PlayerGrid* P, int net, PlayerStep* S) {
    int best = FORCING_EVENTS_MAX + 1, bestCell = -1, bestDigit = 0;
    for (int x = 0; x < 81; x++) {
        if (P->board[x]) continue;
        for (DigitMask m = P->cand[x]; m; m &= m - 1) {
            const int d = std::countr_zero(m);
            const int n = PlayerForcingFollow(P, x, d, net != 0, best - 1, nullptr);
            if (n >= 0 && n < best) best = n, bestCell = x, bestDigit = d;
        }
    }
    if (bestCell < 0) return 0;
    BeginStep(S, net ? TQ_FORCING_NET : TQ_FORCING_CHAIN);
    S->digits = Bit(bestDigit);
    S->assumedCell = bestCell;
    S->assumedDigit = bestDigit + 1;
    S->implicationCount =
        PlayerForcingFollow(P, bestCell, bestDigit, net != 0, FORCING_EVENTS_MAX, S);
    AddPatternCell(S, bestCell, Bit(bestDigit));
    for (int i = 0; i < S->implicationCount; i++)
        if (S->implied[i] != 255) AddPatternCell(S, S->implied[i], Bit(S->impliedDigit[i] - 1));
    AddRemoval(S, P, bestCell, Bit(bestDigit));
    FinishStep(S, ChainLengthBonus(S->implicationCount + 1));
    return 1;
}

int PlayerFollowUntil(const PlayerGrid* P, int x, int d, int cell, int digit, bool placement,
                      PlayerStep* S, PlayerGrid* out) {
    PlayerGrid& G = *out;
    G = *P;
    PlaceOn(&G, x, d);
    for (;;) {
        if (PlayerGridBroken(&G)) return 1;
        if (cell >= 0 && (placement ? G.board[cell] == digit + 1
                                    : G.board[cell] != digit + 1 && !(G.cand[cell] >> digit & 1)))
            return 2;
        int c, e, u;
        if (!NextSingle(&G, &c, &e, &u)) return 0;
        if (S) {
            if (S->implicationCount >= PLAYER_EVENTS_MAX) return 0;
            const int n = S->implicationCount++;
            S->implied[n] = uint8_t(c);
            S->impliedDigit[n] = uint8_t(e + 1);
            S->impliedUnit[n] = int8_t(u);
            S->impliedLine[n] = -1;
        }
        PlaceOn(&G, c, e);
    }
}

// Every digit of a cell (or every place of a digit in a unit) leads by singles to the same
// placement or removal, unless it breaks the grid: that conclusion holds.
int FindForcingBranches(const PlayerGrid* P, int unitForcing, PlayerStep* S) {
    static thread_local PlayerGrid outcome[729];
    static thread_local uint8_t state[729]; // 0 not followed, 1 broken, 2 open
    std::memset(state, 0, sizeof state);
    auto follow = [&](int x, int d) {
        const int n = x * 9 + d;
        if (!state[n])
            state[n] = PlayerFollowUntil(P, x, d, -1, 0, true, nullptr, &outcome[n]) == 1 ? 1 : 2;
        return n;
    };
    PlayerView V;
    MakePlayerView(P, &V);
    for (int size = 2; size <= 3; size++)
        for (int k = 0; k < (unitForcing ? 27 * 9 : 81); k++) {
            int branches[9], cells[9], digits[9], count = 0;
            if (unitForcing) {
                const int u = k / 9, d = k % 9;
                if (std::popcount(V.where[u][d]) != size) continue;
                for (int i = 0; i < 9; i++)
                    if (V.where[u][d] >> i & 1) cells[count] = UnitTable[u][i], digits[count++] = d;
            } else {
                if (P->board[k] || std::popcount(P->cand[k]) != size) continue;
                for (DigitMask m = P->cand[k]; m; m &= m - 1)
                    cells[count] = k, digits[count++] = std::countr_zero(m);
            }
            int alive = 0;
            for (int b = 0; b < count; b++) {
                branches[b] = follow(cells[b], digits[b]);
                alive += state[branches[b]] == 2;
            }
            if (alive < 2) continue;
            // a placement all open branches make, else a removal
            int cell = -1, digit = 0;
            bool placement = true;
            for (int y = 0; y < 81 && cell < 0; y++) {
                if (P->board[y]) continue;
                int v = -1;
                bool same = true;
                for (int b = 0; b < count && same; b++) {
                    if (state[branches[b]] != 2) continue;
                    const int w = outcome[branches[b]].board[y];
                    if (!w || (v >= 0 && w != v)) same = false;
                    v = w;
                }
                if (same && v > 0) cell = y, digit = v - 1;
            }
            for (int y = 0; y < 81 && cell < 0; y++) {
                if (P->board[y]) continue;
                for (DigitMask m = P->cand[y]; m && cell < 0; m &= m - 1) {
                    const int v = std::countr_zero(m);
                    bool gone = true;
                    for (int b = 0; b < count && gone; b++) {
                        if (state[branches[b]] != 2) continue;
                        const PlayerGrid& G = outcome[branches[b]];
                        gone = G.board[y] != v + 1 && !(G.cand[y] >> v & 1);
                    }
                    if (gone) cell = y, digit = v, placement = false;
                }
            }
            if (cell < 0) continue;
            BeginStep(S, unitForcing ? TQ_UNIT_FORCING : TQ_CELL_FORCING);
            S->forcingUnit = unitForcing ? k / 9 : -1;
            S->digits = Bit(digit);
            for (int b = 0; b < count; b++) {
                PlayerGrid end;
                PlayerFollowUntil(P, cells[b], digits[b], cell, digit, placement, S, &end);
                S->branchCell[b] = uint8_t(cells[b]);
                S->branchDigit[b] = uint8_t(digits[b] + 1);
                S->branchEnd[b] = int16_t(S->implicationCount);
                AddPatternCell(S, cells[b], Bit(digits[b]));
            }
            S->branchCount = count;
            if (placement) {
                S->placed = cell;
                S->placedDigit = digit + 1;
            } else {
                AddRemoval(S, P, cell, Bit(digit));
            }
            AddPatternCell(S, cell, Bit(digit));
            FinishStep(S, ChainLengthBonus(S->implicationCount / count + 1));
            return 1;
        }
    return 0;
}
