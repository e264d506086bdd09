// Almost locked sets: n empty cells of one unit whose candidates number n + 1. The ALS-chain
// rule (second pass, through the chain graph) and the ALS-XZ pair rule, singly and doubly
// linked. AlsTable holds the sets in the order found (cells ascending within a record, no set
// twice); AlsPairTable the pairs with restricted common digits, rebuilt on every call. Lookups
// taken per search let the loops skip every call that would find nothing while asking only
// link questions with known answers; what is asked, and in which order, stays the same.
#include "analysis/als.h"
#include "analysis/chainproof.h"
#include "analysis/chains.h"
#include "analysis/links.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include "model/options.h"
#include <cstring>

// AlsTable: records back to back in the pool (size n, then n cells), referenced by offset.
int AlsCount;
static uint8_t AlsPool[ALS_MAX * 9];
static int16_t AlsOffset[ALS_MAX];
// Pairs of sets (first < second) with their restricted common digits, in (i, j) order.
int AlsPairCount;
AlsPairRecord AlsPairTable[ALS_PAIRS_MAX];

// What the searches need of each set, taken from the AnalysisGrid at the start of a search
// (the grid does not change during one): its digits, its cells, per digit the cells holding
// it and the cells that see all of those.
struct AlsInfoRecord {
    DigitMask digits;
    CellSet cells;
    CellSet digitCells[9];
    CellSet seenBy[9];
};
static AlsInfoRecord AlsInfo[ALS_MAX];

// --- Lookups for the fast paths, taken at the start of each search (TakeGrid) -------------
// None of them changes an answer or the order in which anything is asked: they only let a
// search skip calls that would find nothing and ask only questions whose answers are already
// known (LinkKnown in links.h), which change nothing.

// The cells whose AnalysisGrid mask holds each digit index.
static CellSet GridDigitCells[9];
// Sets of sets, bit i for set i: AlsAt[c][d] the sets whose cell c holds digit index d,
// AlsWith[d] the sets holding d anywhere (words from AlsWords on unused).
constexpr int ALS_WORDS = ALS_MAX / 64;
struct AlsBits {
    uint64_t w[ALS_WORDS];
};
static AlsBits AlsAt[81][9];
static AlsBits AlsWith[9];
static int AlsWords;
// The chain nodes by digit index and cell: NodeAt[d][c] the node of that digit in cell c (-1
// none, the chain module's index), NodeCells[d] the cells that have one.
static const int16_t* NodeAt[9];
static CellSet NodeCells[9];
static uint32_t SearchId = 1; // moves on with each search

// SeesAll of every cell at once, per set and digit index d, valid while `stamp` equals
// SeesStamp: `sees` holds the cells t for which SeesAll(t, set, digit) is 1, `unsure` those
// for which it would ask a link query whose answer is not known yet; every other cell gets
// 0, asking only questions with known answers. Answers only become known during a search and
// never change, so sets made earlier in the same search stay right outside their (larger)
// `unsure`; SeesStamp moves on with each search and when LinkKnown has changed.
struct AlsSeesRecord {
    uint32_t stamp;
    CellSet sees[9], unsure[9];
};
static AlsSeesRecord AlsSees[ALS_MAX];
static uint32_t SeesStamp = 1;
static uint32_t SeesKnown; // the LinkKnown stamp SeesStamp was taken for

// For cell a and digit index d, what PairDigitLinked meets at a for every set j at once:
// `stops` holds the sets with a d-cell that is neither a peer of a nor known linked to it (the
// walk stops at a), `asks` those of them whose first such cell has no known answer (the walk
// would ask). Valid for the search `search` and for LinkKnown[a][d] as copied here.
struct AlsStopRecord {
    uint32_t search;
    CellSet linked, unlinked;
    AlsBits stops, asks;
};
static AlsStopRecord AlsStops[81][9];

// Per pair (see TryAllPairs): the cells t where TryPair(t, pair) may ask a link query with no
// known answer, and outside those, the cells where it finds a step.
static CellSet PairUnsure[ALS_PAIRS_MAX];
static CellSet PairFires[ALS_PAIRS_MAX];

// Set lookup for AddAls: slots hold record index + 1 (0 empty); mirrors records 0 .. HashedAls.
constexpr int ALS_HASH_SLOTS = 2048;
static int16_t AlsHash[ALS_HASH_SLOTS];
static int HashedAls;

static inline bool LinksOn() {
    return (AnalysisOptions.techniques & TECH_CHAINS) && AlsChainLinks;
}

int AlsCells(int als, const uint8_t** cells) {
    const uint8_t* record = AlsPool + AlsOffset[als];
    *cells = record + 1;
    return record[0];
}

static CellSet RecordSet(int als) {
    const uint8_t* cells;
    int n = AlsCells(als, &cells);
    CellSet s{};
    for (int k = 0; k < n; k++) CellSetAdd(s, cells[k]);
    return s;
}

static unsigned HashSet(const CellSet& s) {
    uint64_t h =
        s.lo * 0x9E3779B97F4A7C15ull ^ (s.hi + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    return unsigned(h >> 40) & (ALS_HASH_SLOTS - 1);
}

static void HashInsert(int als) {
    unsigned slot = HashSet(RecordSet(als));
    while (AlsHash[slot] != 0) slot = (slot + 1) & (ALS_HASH_SLOTS - 1);
    AlsHash[slot] = int16_t(als + 1);
}

// Keeps the set lookup in step with the table.
static void SyncAlsHash() {
    for (; HashedAls < AlsCount; HashedAls++) HashInsert(HashedAls);
}

void EmptyAlsTable() {
    AlsCount = 0;
    if (HashedAls > 0) std::memset(AlsHash, 0, sizeof AlsHash);
    HashedAls = 0;
}

// Cells of a unit are listed in ascending order, so a record equals another exactly when
// their sizes and cell sets are equal.
static bool AlsListed(const CellSet& set, int size) {
    for (unsigned slot = HashSet(set); AlsHash[slot] != 0;
         slot = (slot + 1) & (ALS_HASH_SLOTS - 1)) {
        int als = AlsHash[slot] - 1;
        if (AlsPool[AlsOffset[als]] != size) continue;
        CellSet other = RecordSet(als);
        if (other == set) return true;
    }
    return false;
}

void AddAls(int unit, uint32_t positions, int size) {
    uint8_t cells[9];
    int n = 0;
    DigitMask uni = 0;
    CellSet set{};
    for (int pos = 0; pos < 9; pos++) {
        if (!(positions >> pos & 1)) continue;
        int c = UnitTable[unit][pos];
        cells[n++] = uint8_t(c);
        uni |= AnalysisGrid[c];
        CellSetAdd(set, c);
    }
    if (n != size || std::popcount(uni) != size + 1) return;
    SyncAlsHash();
    if (AlsListed(set, size)) return;
    if (AlsCount >= ALS_MAX) return;
    int fill = AlsCount == 0 ? 0 : AlsOffset[AlsCount - 1] + 1 + AlsPool[AlsOffset[AlsCount - 1]];
    AlsOffset[AlsCount] = int16_t(fill);
    AlsPool[fill] = uint8_t(size);
    std::memcpy(AlsPool + fill + 1, cells, size_t(size));
    AlsCount++;
    SyncAlsHash();
}

static void PrepareAls(int als) {
    const uint8_t* cells;
    int n = AlsCells(als, &cells);
    AlsInfoRecord& info = AlsInfo[als];
    info = {};
    for (int k = 0; k < n; k++) {
        int c = cells[k];
        info.digits |= AnalysisGrid[c] & ALL_DIGITS; // (masks never hold more)
        CellSetAdd(info.cells, c);
    }
    for (int d = 0; d < 9; d++) {
        if (!(info.digits >> d & 1)) continue;
        CellSet seen = {~uint64_t(0), ~uint64_t(0)};
        for (int k = 0; k < n; k++) {
            int c = cells[k];
            if (!(AnalysisGrid[c] >> d & 1)) continue;
            CellSetAdd(info.digitCells[d], c);
            seen = seen & PEER_SETS[c];
        }
        info.seenBy[d] = seen;
    }
}

// QueryAlsLink(a, b, digit), with links on: an answer LinkKnown holds is taken from there,
// since asking would return it and change nothing.
static inline int AskLink(int a, int b, DigitMask digit) {
    const LinkKnownRecord& k = LinkKnown[a][std::countr_zero(digit)];
    if (CellSetHas(k.linked, b)) return 1;
    if (CellSetHas(k.unlinked, b)) return -1;
    return QueryAlsLink(a, b, digit);
}

// Whether every cell of the prepared set holding the digit (one bit) is a peer of the cell or
// linked to it. Peers are tested first and the link
// query is asked only for a cell that is not a peer; the first cell neither ends the test.
static int SeesAll(int cell, int als, DigitMask digit) {
    if (!(AnalysisGrid[cell] & digit)) return 0;
    const AlsInfoRecord& info = AlsInfo[als];
    if (!(info.digits & digit)) return 0;
    int d = std::countr_zero(digit);
    if (CellSetHas(info.seenBy[d], cell)) return 1; // every cell holding it is a peer
    if (!LinksOn()) return 0;                       // the query would answer no at once
    const uint8_t* cells;
    int n = AlsCells(als, &cells);
    for (int k = 0; k < n; k++) {
        int c = cells[k];
        if (!(AnalysisGrid[c] & digit) || CellSetHas(PEER_SETS[cell], c)) continue;
        if (AskLink(cell, c, digit) < 0) return 0;
    }
    return 1;
}

// Moves SeesStamp on when LinkKnown has changed since the sets were made.
static void SyncSees() {
    uint32_t known = SyncLinkKnown();
    if (known != SeesKnown) {
        SeesKnown = known;
        SeesStamp++;
    }
}

// The SeesAll sets of a prepared set (made afresh when SeesStamp has moved on).
static const AlsSeesRecord& SeesOf(int als) {
    AlsSeesRecord& r = AlsSees[als];
    if (r.stamp == SeesStamp) return r;
    const AlsInfoRecord& info = AlsInfo[als];
    const bool links = LinksOn();
    for (int d = 0; d < 9; d++) {
        r.sees[d] = r.unsure[d] = CellSet{};
        if (!(info.digits >> d & 1)) continue;
        if (!links) { // only peers count
            r.sees[d] = GridDigitCells[d] & info.seenBy[d];
            continue;
        }
        // SeesAll walks the set's d-cells c in record order (ascending) and stops at the first
        // that is neither t's peer nor linked to t. `alive` holds the cells t still walking:
        // those whose cells so far were all peers or known linked. A cell whose walk meets an
        // unknown answer is unsure; one that meets a known "no" (or c = t, never asked) is 0.
        CellSet alive = GridDigitCells[d], unknown{};
        ForEachCell(info.digitCells[d], [&](int c) {
            const LinkKnownRecord& k = LinkKnown[c][d];
            CellSet passes = PEER_SETS[c] | k.linkedBy;
            unknown = unknown | (alive & ~(passes | k.unlinkedBy | CellSetOf(c)));
            alive = alive & passes;
        });
        r.sees[d] = alive;
        r.unsure[d] = unknown;
    }
    r.stamp = SeesStamp;
    return r;
}

// Whether every d-cell of set i is a peer of or linked to every d-cell of set j, asking the
// link queries in record order up to the first that fails.
static bool PairDigitLinked(int i, int j, DigitMask digit) {
    const uint8_t *cellsA, *cellsB;
    int nA = AlsCells(i, &cellsA), nB = AlsCells(j, &cellsB);
    for (int ka = 0; ka < nA; ka++) {
        int a = cellsA[ka];
        if (!(AnalysisGrid[a] & digit)) continue;
        for (int kb = 0; kb < nB; kb++) {
            int b = cellsB[kb];
            if (!(AnalysisGrid[b] & digit) || CellSetHas(PEER_SETS[a], b)) continue;
            if (AskLink(a, b, digit) < 0) return false;
        }
    }
    return true;
}

// Set k of the step record: the prepared set's cells and digits.
static void RecordSet(int k, int als) {
    const uint8_t* cells;
    StepSet& set = CurrentStep.sets[k];
    set.count = AlsCells(als, &cells);
    std::memcpy(set.cells, cells, size_t(set.count));
    set.digits = AlsInfo[als].digits;
}

// The ALS-XZ rule for one cell t outside a pair of prepared sets. Doubly linked (two digits or
// more in X), t loses the first digit of one set outside X that it sees in all that set's
// cells; failing that, a digit z of both sets (outside X singly linked, in X doubly) that it
// sees in all their cells. Returns 1 and marks the step, else 0.
static int TryPair(int t, int pair) {
    const AlsPairRecord& rec = AlsPairTable[pair];
    const AlsInfoRecord& A = AlsInfo[rec.first];
    const AlsInfoRecord& B = AlsInfo[rec.second];
    if (CellSetHas(A.cells, t) || CellSetHas(B.cells, t)) return 0;
    DigitMask mask = AnalysisGrid[t];
    DigitMask x = rec.digits;
    DigitMask z = 0;
    int zSets = 3; // the sets t sees Z in: bit 0 A, bit 1 B
    // Doubly linked: a digit of one set outside X that t sees in all its cells. The first
    // digit found ends the search.
    if (std::popcount(x) >= 2) {
        for (int k = 0; k < 2 && !z; k++) {
            int als = k == 0 ? rec.first : rec.second;
            DigitMask candidates = AlsInfo[als].digits & mask & DigitMask(~x);
            for (DigitMask rest = candidates; rest != 0; rest &= rest - 1)
                if (SeesAll(t, als, DigitMask(rest & -rest))) {
                    z = DigitMask(rest & -rest);
                    zSets = 1 << k;
                    break;
                }
        }
    }
    if (!z) {
        DigitMask zs = std::popcount(x) == 1 ? DigitMask(ALL_DIGITS & ~x) : x;
        // SeesAll is 0 for a digit t lacks, before any query: those are skipped at once.
        for (DigitMask rest = zs & A.digits & mask; rest != 0; rest &= rest - 1) {
            DigitMask digit = DigitMask(rest & -rest);
            if (SeesAll(t, rec.first, digit) && (B.digits & digit) &&
                SeesAll(t, rec.second, digit)) {
                z = digit;
                break;
            }
        }
    }
    if (!z) return 0;
    ShowNodeChain(t, z);
    RecordChainStep(TECHNIQUE_ALS, RULE_ALS_XZ, z);
    RecordSet(0, rec.first);
    RecordSet(1, rec.second);
    CurrentStep.restricted = x;
    CurrentStep.zSets = zSets;
    AddChainStepTarget(t);
    MarkCurrentStep();
    return 1;
}

// TryAlsChain on a prepared set: two nodes of different digits that both see all of their
// digit in A cannot both be true; when node i true would force such a node j true, i is false.
static int TryChain(int als) {
    if (!LinksOn() || ChainNodeCount < 1) return 0;
    // SeesAll per node, asked the first time the search needs it: a repeated query has the
    // same answer and changes nothing. A node outside the unsure set of its digit takes the
    // known answer without asking; one outside both sets (or whose digit the set lacks) does
    // not see all and is passed over, as its SeesAll would answer 0 and ask nothing new.
    SyncSees();
    const AlsSeesRecord& known = SeesOf(als);
    uint64_t examine[CHAIN_NODES_MAX / 64] = {};
    for (DigitMask rest = AlsInfo[als].digits; rest; rest &= rest - 1) {
        const int d = std::countr_zero(rest);
        ForEachCell((known.sees[d] | known.unsure[d]) & NodeCells[d], [&](int c) {
            const int n = NodeAt[d][c];
            examine[n >> 6] |= uint64_t(1) << (n & 63);
        });
    }
    int8_t sees[CHAIN_NODES_MAX];
    std::memset(sees, -1, sizeof sees);
    auto nodeSees = [&](int n) {
        if (sees[n] < 0) {
            const ChainNode& node = ChainNodeTable[n];
            const int d = std::countr_zero(node.digits);
            if (!CellSetHas(known.unsure[d], node.cell))
                sees[n] = CellSetHas(known.sees[d], node.cell);
            else
                sees[n] = int8_t(SeesAll(node.cell, als, node.digits));
        }
        return sees[n] == 1;
    };
    for (int wi = 0; wi < CHAIN_NODES_MAX / 64; wi++)
        for (uint64_t bi = examine[wi]; bi; bi &= bi - 1) {
            const int i = 64 * wi + std::countr_zero(bi);
            const ChainNode& ni = ChainNodeTable[i];
            if (!nodeSees(i)) continue;
            for (int wj = 0; wj < CHAIN_NODES_MAX / 64; wj++)
                for (uint64_t bj = examine[wj]; bj; bj &= bj - 1) {
                    const int j = 64 * wj + std::countr_zero(bj);
                    const ChainNode& nj = ChainNodeTable[j];
                    if (nj.digits == ni.digits || !nodeSees(j)) continue;
                    bool found = false;
                    if (nj.chain != ni.chain) {
                        ChainDisplayList.count = 0;
                        if (ChainImplies(i, j, ni.colour ^ 1)) {
                            AppendChainToDisplay(ni.chain);
                            AppendChainToDisplay(nj.chain);
                            found = true;
                        }
                    } else if (nj.colour == ni.colour) {
                        AppendChainToDisplay(ni.chain);
                        found = true;
                    }
                    if (!found) continue;
                    // Node i is false, so is every node of its colour; only those with i's
                    // digit are targets, since the step removes that one digit from every
                    // target.
                    RecordChainStep(TECHNIQUE_ALS, RULE_ALS_CHAIN, ni.digits);
                    RecordSet(0, als);
                    for (int m = ChainTable[ni.chain].first; m < ChainTable[ni.chain + 1].first;
                         m++) {
                        const ChainNode& nm = ChainNodeTable[m];
                        if (nm.colour == ni.colour && nm.digits == ni.digits)
                            AddChainStepTarget(nm.cell);
                    }
                    CurrentStep.graphNodes[0] = i;
                    CurrentStep.graphNodes[1] = j;
                    MarkCurrentStep();
                    return 1;
                }
        }
    return 0;
}

// Takes what the fast paths read from the grid and the graph: the digit cells, the node
// lookup, and fresh SeesAll sets.
static void TakeGrid() {
    for (CellSet& cells : GridDigitCells) cells = CellSet{};
    for (int c = 0; c < 81; c++)
        for (DigitMask m = AnalysisGrid[c] & ALL_DIGITS; m; m &= m - 1)
            CellSetAdd(GridDigitCells[std::countr_zero(m)], c);
    for (int d = 0; d < 9; d++) {
        NodeAt[d] = NodesWithDigit(d);
        NodeCells[d] = CellSet{};
    }
    for (int n = 0; n < ChainNodeCount; n++) {
        const ChainNode& node = ChainNodeTable[n];
        CellSetAdd(NodeCells[std::countr_zero(node.digits)], node.cell);
    }
    SeesStamp++; // a new grid, new sets and maybe links: every SeesAll set is made afresh
    SearchId++;  // and every AlsStops record
    SyncLinkKnown();
}

int TryAlsChain(int als) {
    PrepareAls(als);
    TakeGrid();
    return TryChain(als);
}

static void CollectAls() {
    EmptyAlsTable();
    for (int u = 0; u < 27; u++) {
        uint32_t empty = 0;
        for (int pos = 0; pos < 9; pos++)
            if (Board[UnitTable[u][pos]] == 0) empty |= 1u << pos;
        int k = std::popcount(empty);
        for (int n = 1; n < k; n++)
            // n-position subsets of the empty positions in increasing mask order
            for (int w = NINE_BIT_WORDS.start[n]; w < NINE_BIT_WORDS.start[n + 1]; w++)
                if (!(NINE_BIT_WORDS.word[w] & ~empty)) AddAls(u, NINE_BIT_WORDS.word[w], n);
    }
}

// PairDigitLinked from known answers alone (LinkKnown): 1 or 0 when every query it would ask
// up to its first "no" has a known answer (asking those changes nothing), -1 when it would
// ask one whose answer is not known yet. Cells are walked in record order (ascending).
static int KnownPairDigitLinked(const AlsInfoRecord& A, const CellSet& cellsB, int d) {
    for (int part = 0; part < 2; part++)
        for (uint64_t w = part ? A.digitCells[d].hi : A.digitCells[d].lo; w; w &= w - 1) {
            const int a = 64 * part + std::countr_zero(w);
            const LinkKnownRecord& k = LinkKnown[a][d];
            const CellSet asked = cellsB & ~(PEER_SETS[a] | k.linked); // not passed for a
            if (CellSetEmpty(asked)) continue;
            const int b = CellSetFirst(asked);
            // the first query that does not answer "linked": a cell with itself, or a known no?
            return b == a || CellSetHas(k.unlinked, b) ? 0 : -1;
        }
    return 1;
}

// AlsStops[a][d], made afresh when the search or a's known answers for d have changed. The
// cells c holding d that are neither peers of a nor known linked to it are taken ascending, as
// PairDigitLinked takes j's cells: the sets whose first such cell is c stop there, asking when
// the answer for (a, c) is not known (c = a is a "no" that is never asked).
static const AlsStopRecord& StopsOf(int a, int d) {
    AlsStopRecord& r = AlsStops[a][d];
    const bool links = LinksOn();
    const LinkKnownRecord& k = LinkKnown[a][d];
    if (r.search == SearchId && (!links || (r.linked == k.linked && r.unlinked == k.unlinked)))
        return r;
    r.search = SearchId;
    r.linked = k.linked;
    r.unlinked = k.unlinked;
    CellSet pass = PEER_SETS[a], unknown{};
    if (links) {
        pass = pass | k.linked;
        unknown = GridDigitCells[d] & ~(pass | k.unlinked | CellSetOf(a));
    }
    for (int w = 0; w < AlsWords; w++) r.stops.w[w] = r.asks.w[w] = 0;
    ForEachCell(GridDigitCells[d] & ~pass, [&](int c) {
        const AlsBits& at = AlsAt[c][d];
        if (CellSetHas(unknown, c))
            for (int w = 0; w < AlsWords; w++) r.asks.w[w] |= at.w[w] & ~r.stops.w[w];
        for (int w = 0; w < AlsWords; w++) r.stops.w[w] |= at.w[w];
    });
    return r;
}

// Fills AlsPairTable: every pair of sets i < j in order with its restricted common digits X,
// the digits both sets hold whose every cell in j is a peer of every cell in i or, with links
// on, linked to it through the chain graph (PairDigitLinked, asking in record order up to the
// first query that fails). A full table still asks its queries, which fill the LinkCache that
// later queries read, unless none could store anything. A digit whose queries up to the first
// that fails all have known answers is decided without asking, which changes nothing.
//
// For set i and digit d the outcome for every set j is worked out at once, walking i's
// d-cells a in record order as PairDigitLinked does: the sets still going when they reach a
// stop there (StopsOf) with a known "no" or by asking (`asks`), the others go on to the next
// a, and those that pass every a take d into X (`takes`). Only the sets in one of the two are
// looked at. Answers found later in the loop only settle questions that were unknown, so the
// sets stay right: those in `takes` still take d, those in neither still stop at a known
// "no", and those in `asks` are looked at again before asking.
static void RecordAllPairs() {
    AlsPairCount = 0;
    const bool links = LinksOn();
    if (links) SyncLinkKnown();
    AlsBits takes[9], asks[9];
    for (int i = 0; i < AlsCount; i++) {
        const AlsInfoRecord& A = AlsInfo[i];
        const int first = (i + 1) >> 6; // the word holding set i + 1; earlier ones are unused
        AlsBits examine{};
        for (DigitMask rest = A.digits; rest; rest &= rest - 1) {
            const int d = std::countr_zero(rest);
            AlsBits alive = AlsWith[d], slow{};
            ForEachCell(A.digitCells[d], [&](int a) {
                const AlsStopRecord& stop = StopsOf(a, d);
                for (int w = first; w < AlsWords; w++) {
                    slow.w[w] |= alive.w[w] & stop.asks.w[w];
                    alive.w[w] &= ~stop.stops.w[w];
                }
            });
            for (int w = first; w < AlsWords; w++) {
                takes[d].w[w] = alive.w[w];
                asks[d].w[w] = slow.w[w];
                examine.w[w] |= alive.w[w] | slow.w[w];
            }
        }
        for (int w = first; w < AlsWords; w++) {
            uint64_t bits = examine.w[w];
            if (w == first) bits &= ~uint64_t(0) << ((i + 1) & 63); // j > i only
            for (; bits; bits &= bits - 1) {
                const int j = 64 * w + std::countr_zero(bits);
                const uint64_t bit = uint64_t(1) << (j & 63);
                const AlsInfoRecord& B = AlsInfo[j];
                if (AlsPairCount >= ALS_PAIRS_MAX &&
                    (!links || (LinkCacheCount >= LINK_CACHE_MAX && ChainDisplayList.count == 0)))
                    continue; // nothing to store and nothing to ask
                DigitMask x = 0;
                for (DigitMask rest = A.digits & B.digits; rest != 0; rest &= rest - 1) {
                    const DigitMask digit = DigitMask(rest & -rest);
                    const int d = std::countr_zero(digit);
                    if (takes[d].w[w] & bit) {
                        x |= digit;
                    } else if (asks[d].w[w] & bit) {
                        int known = KnownPairDigitLinked(A, B.digitCells[d], d);
                        if (known < 0) known = PairDigitLinked(i, j, digit);
                        if (known) x |= digit;
                    }
                }
                if (x != 0 && AlsPairCount < ALS_PAIRS_MAX)
                    AlsPairTable[AlsPairCount++] = {x, uint16_t(i), uint16_t(j)};
            }
        }
    }
}

// The cells t where TryPair(t, pair) may ask a link query with no known answer yet
// (PairUnsure) and, outside those, where it finds a step (PairFires), from the SeesAll sets.
static void MakePairSets(int p) {
    const AlsPairRecord& rec = AlsPairTable[p];
    const AlsInfoRecord& A = AlsInfo[rec.first];
    const AlsInfoRecord& B = AlsInfo[rec.second];
    const AlsSeesRecord& sA = SeesOf(rec.first);
    const AlsSeesRecord& sB = SeesOf(rec.second);
    const DigitMask x = rec.digits;
    CellSet unsure{}, fires{};
    if (std::popcount(x) >= 2) // doubly linked: a digit of one set outside X
        for (int k = 0; k < 2; k++) {
            const AlsInfoRecord& K = k == 0 ? A : B;
            const AlsSeesRecord& sK = k == 0 ? sA : sB;
            for (DigitMask rest = K.digits & DigitMask(~x); rest; rest &= rest - 1) {
                int d = std::countr_zero(rest);
                unsure = unsure | sK.unsure[d];
                fires = fires | sK.sees[d];
            }
        }
    // the other common digits (singly linked) or X's own (doubly), seen in both sets
    const DigitMask zs = std::popcount(x) == 1 ? DigitMask(ALL_DIGITS & ~x) : x;
    for (DigitMask rest = zs & A.digits; rest; rest &= rest - 1) {
        int d = std::countr_zero(rest);
        unsure = unsure | sA.unsure[d];
        if (!(B.digits >> d & 1)) continue;
        unsure = unsure | sB.unsure[d];
        fires = fires | (sA.sees[d] & sB.sees[d]);
    }
    const CellSet outside = ~(A.cells | B.cells); // a cell of either set is never a target
    PairUnsure[p] = unsure & outside;
    PairFires[p] = fires & outside;
}

// TryAlsPair for each open cell t and each pair, in that order, until one marks a step.
// TryPair is called only where the pair sets say it may fire or ask an unknown link;
// elsewhere it finds nothing and asks only questions with known answers, which change
// nothing. Queries asked on the way only settle unknown answers, so a cell outside the sets
// made at the start stays outside.
static int TryAllPairs() {
    SyncSees();
    CellSet any{};
    for (int p = 0; p < AlsPairCount; p++) {
        MakePairSets(p);
        any = any | PairUnsure[p] | PairFires[p];
    }
    for (int t = 0; t < 81; t++) {
        if (AnalysisGrid[t] == 0 || !CellSetHas(any, t)) continue;
        for (int p = 0; p < AlsPairCount; p++) {
            if ((CellSetHas(PairUnsure[p], t) || CellSetHas(PairFires[p], t)) && TryPair(t, p))
                return 1;
        }
    }
    return 0;
}

// Fills AlsAt and AlsWith from the prepared sets.
static void IndexSets() {
    AlsWords = (AlsCount + 63) / 64;
    for (int d = 0; d < 9; d++) {
        for (int w = 0; w < AlsWords; w++) AlsWith[d].w[w] = 0;
        for (int c = 0; c < 81; c++)
            for (int w = 0; w < AlsWords; w++) AlsAt[c][d].w[w] = 0;
    }
    for (int i = 0; i < AlsCount; i++)
        for (DigitMask rest = AlsInfo[i].digits; rest; rest &= rest - 1) {
            const int d = std::countr_zero(rest);
            AlsWith[d].w[i >> 6] |= uint64_t(1) << (i & 63);
            ForEachCell(AlsInfo[i].digitCells[d],
                        [&](int c) { AlsAt[c][d].w[i >> 6] |= uint64_t(1) << (i & 63); });
        }
}

int FindAlmostLockedSets() {
    if (AlsCount == 0) CollectAls();
    for (int i = 0; i < AlsCount; i++) PrepareAls(i);
    IndexSets();
    TakeGrid();
    for (int i = 0; i < AlsCount; i++)
        if (TryChain(i)) return 1;
    RecordAllPairs();
    return TryAllPairs();
}

void ResetAlsModule() {
    // Every table is read only up to its count (the sets, the pairs, the words of AlsBits) or
    // for a stamp or search id that moves on before it is read again.
    EmptyAlsTable();
    AlsPairCount = 0;
    AlsWords = 0;
    SearchId++;
    SeesStamp++;
    SeesKnown = 0;
}

// ---- The chains an almost-locked-set step writes -----------------------------------------

// The links the chain graph gave the search, one per pair of cells and digit: every cell of a
// set holding the digit that is not a peer of the given cell.
struct AlsLinkList {
    int count;
    uint8_t a[64], b[64];
    DigitMask digit[64];
    void NeedAll(int cell, const StepSet& set, DigitMask d) {
        for (int i = 0; i < set.count; i++) {
            const int other = set.cells[i];
            if (!(AnalysisGrid[other] & d) || other == cell || IsPeer(cell, other)) continue;
            bool listed = count == 64;
            for (int k = 0; k < count && !listed; k++)
                listed = digit[k] == d &&
                         ((a[k] == cell && b[k] == other) || (a[k] == other && b[k] == cell));
            if (listed) continue;
            a[count] = uint8_t(cell);
            b[count] = uint8_t(other);
            digit[count++] = d;
        }
    }
};

static void AddLinkChains(StepRecord* s, const AlsLinkList& links) {
    for (int i = 0; i < links.count; i++) {
        ChainProofRecord proof;
        proof.count = 0;
        proof.overflow = false;
        if (LinkProof(links.a[i], links.b[i], links.digit[i], &proof))
            AddStepChain(s, CHAIN_LINK, proof);
    }
}

void CompleteAlsStep(StepRecord* s) {
    const StepSet& a = s->sets[0];
    AlsLinkList links;
    links.count = 0;
    ChainProofRecord proof;
    proof.count = 0;
    proof.overflow = false;
    if (s->rule == RULE_ALS_XZ) {
        // Every X of A against B, then the target against the sets it sees Z in.
        for (DigitMask rest = s->restricted; rest; rest &= rest - 1) {
            const DigitMask digit = DigitMask(rest & -rest);
            for (int i = 0; i < a.count; i++)
                if (AnalysisGrid[a.cells[i]] & digit) links.NeedAll(a.cells[i], s->sets[1], digit);
        }
        for (int k = 0; k < 2 && s->targetCount; k++)
            if (s->zSets >> k & 1) links.NeedAll(s->targets[0].cell, s->sets[k], s->digits);
        AddLinkChains(s, links);
        return;
    }
    // The chain rule: i true would make j true; the other targets are false with i.
    const int i = s->graphNodes[0], j = s->graphNodes[1];
    const ChainNode& ni = ChainNodeTable[i];
    const ChainNode& nj = ChainNodeTable[j];
    const bool written = nj.chain != ni.chain ? ImplicationProof(i, j, ni.colour ^ 1, &proof) != 0
                                              : ClusterProof(i, true, j, true, &proof) != 0;
    if (!written || !AddStepChain(s, CHAIN_PROOF, proof)) return;
    for (int m = ChainTable[ni.chain].first; m < ChainTable[ni.chain + 1].first; m++) {
        const ChainNode& nm = ChainNodeTable[m];
        if (m == i || nm.digits != ni.digits || nm.colour != ni.colour) continue;
        ChainProofRecord same;
        same.count = 0;
        same.overflow = false;
        if (ClusterProof(i, false, m, false, &same)) AddStepChain(s, CHAIN_FALSE, same);
    }
    links.NeedAll(ni.cell, a, ni.digits);
    links.NeedAll(nj.cell, a, nj.digits);
    AddLinkChains(s, links);
}
