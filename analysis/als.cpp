// Almost locked sets: n empty cells of one unit whose candidates number n + 1. The ALS-chain
// rule (second pass, through the chain graph) and the ALS-XZ pair rule, singly and doubly
// linked. AlsTable holds the sets in the order found (cells ascending within a record, no set
// twice); AlsPairTable the pairs with restricted common digits, rebuilt on every call. Lookups
// taken per search let the loops skip every call that would find nothing while asking only
// link questions with known answers; what is asked, and in which order, stays the same.
#include "analysis/als.h"
#include "analysis/analysis.h"
#include "analysis/chainproof.h"
#include "analysis/chains.h"
#include "analysis/links.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include "model/game.h"
#include "model/options.h"
#include <cstring>

static inline bool LinksOn(Analysis* A) {
    return (A->G->AnalysisOptions.techniques & TECH_CHAINS) && A->AlsChainLinks;
}

int AlsCells(Analysis* A, int als, const uint8_t** cells) {
    const uint8_t* record = A->AlsPool + A->AlsOffset[als];
    *cells = record + 1;
    return record[0];
}

static CellSet RecordSet(Analysis* A, int als) {
    const uint8_t* cells;
    int n = AlsCells(A, als, &cells);
    CellSet s{};
    for (int k = 0; k < n; k++) CellSetAdd(s, cells[k]);
    return s;
}

static unsigned HashSet(const CellSet& s) {
    uint64_t h =
        s.lo * 0x9E3779B97F4A7C15ull ^ (s.hi + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    return unsigned(h >> 40) & (ALS_HASH_SLOTS - 1);
}

static void HashInsert(Analysis* A, int als) {
    unsigned slot = HashSet(RecordSet(A, als));
    while (A->AlsHash[slot] != 0) slot = (slot + 1) & (ALS_HASH_SLOTS - 1);
    A->AlsHash[slot] = int16_t(als + 1);
}

// Keeps the set lookup in step with the table.
static void SyncAlsHash(Analysis* A) {
    for (; A->HashedAls < A->AlsCount; A->HashedAls++) HashInsert(A, A->HashedAls);
}

void EmptyAlsTable(Analysis* A) {
    A->AlsCount = 0;
    if (A->HashedAls > 0) std::memset(A->AlsHash, 0, sizeof A->AlsHash);
    A->HashedAls = 0;
}

// Cells of a unit are listed in ascending order, so a record equals another exactly when
// their sizes and cell sets are equal.
static bool AlsListed(Analysis* A, const CellSet& set, int size) {
    for (unsigned slot = HashSet(set); A->AlsHash[slot] != 0;
         slot = (slot + 1) & (ALS_HASH_SLOTS - 1)) {
        int als = A->AlsHash[slot] - 1;
        if (A->AlsPool[A->AlsOffset[als]] != size) continue;
        CellSet other = RecordSet(A, als);
        if (other == set) return true;
    }
    return false;
}

void AddAls(Analysis* A, int unit, uint32_t positions, int size) {
    uint8_t cells[9];
    int n = 0;
    DigitMask uni = 0;
    CellSet set{};
    for (int pos = 0; pos < 9; pos++) {
        if (!(positions >> pos & 1)) continue;
        int c = UnitTable[unit][pos];
        cells[n++] = uint8_t(c);
        uni |= A->AnalysisGrid[c];
        CellSetAdd(set, c);
    }
    if (n != size || std::popcount(uni) != size + 1) return;
    SyncAlsHash(A);
    if (AlsListed(A, set, size)) return;
    if (A->AlsCount >= ALS_MAX) return;
    int fill = A->AlsCount == 0
                   ? 0
                   : A->AlsOffset[A->AlsCount - 1] + 1 + A->AlsPool[A->AlsOffset[A->AlsCount - 1]];
    A->AlsOffset[A->AlsCount] = int16_t(fill);
    A->AlsPool[fill] = uint8_t(size);
    std::memcpy(A->AlsPool + fill + 1, cells, size_t(size));
    A->AlsCount++;
    SyncAlsHash(A);
}

static void PrepareAls(Analysis* A, int als) {
    const uint8_t* cells;
    int n = AlsCells(A, als, &cells);
    AlsInfoRecord& info = A->AlsInfo[als];
    info = {};
    for (int k = 0; k < n; k++) {
        int c = cells[k];
        info.digits |= A->AnalysisGrid[c] & ALL_DIGITS; // (masks never hold more)
        CellSetAdd(info.cells, c);
    }
    for (int d = 0; d < 9; d++) {
        if (!(info.digits >> d & 1)) continue;
        CellSet seen = {~uint64_t(0), ~uint64_t(0)};
        for (int k = 0; k < n; k++) {
            int c = cells[k];
            if (!(A->AnalysisGrid[c] >> d & 1)) continue;
            CellSetAdd(info.digitCells[d], c);
            seen = seen & PEER_SETS[c];
        }
        info.seenBy[d] = seen;
    }
}

// QueryAlsLink(a, b, digit), with links on: an answer LinkKnown holds is taken from there,
// since asking would return it and change nothing.
static inline int AskLink(Analysis* A, int a, int b, DigitMask digit) {
    const LinkKnownRecord& k = A->LinkKnown[a][std::countr_zero(digit)];
    if (CellSetHas(k.linked, b)) return 1;
    if (CellSetHas(k.unlinked, b)) return -1;
    return QueryAlsLink(A, a, b, digit);
}

// Whether every cell of the prepared set holding the digit (one bit) is a peer of the cell or
// linked to it. Peers are tested first and the link
// query is asked only for a cell that is not a peer; the first cell neither ends the test.
static int SeesAll(Analysis* A, int cell, int als, DigitMask digit) {
    if (!(A->AnalysisGrid[cell] & digit)) return 0;
    const AlsInfoRecord& info = A->AlsInfo[als];
    if (!(info.digits & digit)) return 0;
    int d = std::countr_zero(digit);
    if (CellSetHas(info.seenBy[d], cell)) return 1; // every cell holding it is a peer
    if (!LinksOn(A)) return 0;                      // the query would answer no at once
    const uint8_t* cells;
    int n = AlsCells(A, als, &cells);
    for (int k = 0; k < n; k++) {
        int c = cells[k];
        if (!(A->AnalysisGrid[c] & digit) || CellSetHas(PEER_SETS[cell], c)) continue;
        if (AskLink(A, cell, c, digit) < 0) return 0;
    }
    return 1;
}

// Moves SeesStamp on when LinkKnown has changed since the sets were made.
static void SyncSees(Analysis* A) {
    uint32_t known = SyncLinkKnown(A);
    if (known != A->SeesKnown) {
        A->SeesKnown = known;
        A->SeesStamp++;
    }
}

// The SeesAll sets of a prepared set (made afresh when SeesStamp has moved on).
static const AlsSeesRecord& SeesOf(Analysis* A, int als) {
    AlsSeesRecord& r = A->AlsSees[als];
    if (r.stamp == A->SeesStamp) return r;
    const AlsInfoRecord& info = A->AlsInfo[als];
    const bool links = LinksOn(A);
    for (int d = 0; d < 9; d++) {
        r.sees[d] = r.unsure[d] = CellSet{};
        if (!(info.digits >> d & 1)) continue;
        if (!links) { // only peers count
            r.sees[d] = A->GridDigitCells[d] & info.seenBy[d];
            continue;
        }
        // SeesAll walks the set's d-cells c in record order (ascending) and stops at the first
        // that is neither t's peer nor linked to t. `alive` holds the cells t still walking:
        // those whose cells so far were all peers or known linked. A cell whose walk meets an
        // unknown answer is unsure; one that meets a known "no" (or c = t, never asked) is 0.
        CellSet alive = A->GridDigitCells[d], unknown{};
        ForEachCell(info.digitCells[d], [&](int c) {
            const LinkKnownRecord& k = A->LinkKnown[c][d];
            CellSet passes = PEER_SETS[c] | k.linkedBy;
            unknown = unknown | (alive & ~(passes | k.unlinkedBy | CellSetOf(c)));
            alive = alive & passes;
        });
        r.sees[d] = alive;
        r.unsure[d] = unknown;
    }
    r.stamp = A->SeesStamp;
    return r;
}

// Whether every d-cell of set i is a peer of or linked to every d-cell of set j, asking the
// link queries in record order up to the first that fails.
static bool PairDigitLinked(Analysis* A, int i, int j, DigitMask digit) {
    const uint8_t *cellsA, *cellsB;
    int nA = AlsCells(A, i, &cellsA), nB = AlsCells(A, j, &cellsB);
    for (int ka = 0; ka < nA; ka++) {
        int a = cellsA[ka];
        if (!(A->AnalysisGrid[a] & digit)) continue;
        for (int kb = 0; kb < nB; kb++) {
            int b = cellsB[kb];
            if (!(A->AnalysisGrid[b] & digit) || CellSetHas(PEER_SETS[a], b)) continue;
            if (AskLink(A, a, b, digit) < 0) return false;
        }
    }
    return true;
}

// Set k of the step record: the prepared set's cells and digits.
static void RecordSet(Analysis* A, int k, int als) {
    const uint8_t* cells;
    StepSet& set = A->CurrentStep.sets[k];
    set.count = AlsCells(A, als, &cells);
    std::memcpy(set.cells, cells, size_t(set.count));
    set.digits = A->AlsInfo[als].digits;
}

// The ALS-XZ rule for one cell t outside a pair of prepared sets. Doubly linked (two digits or
// more in X), t loses the first digit of one set outside X that it sees in all that set's
// cells; failing that, a digit z of both sets (outside X singly linked, in X doubly) that it
// sees in all their cells. Returns 1 and records the step, else 0.
static int TryPair(Analysis* A, int t, int pair) {
    const AlsPairRecord& rec = A->AlsPairTable[pair];
    const AlsInfoRecord& setA = A->AlsInfo[rec.first];
    const AlsInfoRecord& setB = A->AlsInfo[rec.second];
    if (CellSetHas(setA.cells, t) || CellSetHas(setB.cells, t)) return 0;
    DigitMask mask = A->AnalysisGrid[t];
    DigitMask x = rec.digits;
    DigitMask z = 0;
    int zSets = 3; // the sets t sees Z in: bit 0 A, bit 1 B
    // Doubly linked: a digit of one set outside X that t sees in all its cells. The first
    // digit found ends the search.
    if (std::popcount(x) >= 2) {
        for (int k = 0; k < 2 && !z; k++) {
            int als = k == 0 ? rec.first : rec.second;
            DigitMask candidates = A->AlsInfo[als].digits & mask & DigitMask(~x);
            for (DigitMask rest = candidates; rest != 0; rest &= rest - 1)
                if (SeesAll(A, t, als, DigitMask(rest & -rest))) {
                    z = DigitMask(rest & -rest);
                    zSets = 1 << k;
                    break;
                }
        }
    }
    if (!z) {
        DigitMask zs = std::popcount(x) == 1 ? DigitMask(ALL_DIGITS & ~x) : x;
        // SeesAll is 0 for a digit t lacks, before any query: those are skipped at once.
        for (DigitMask rest = zs & setA.digits & mask; rest != 0; rest &= rest - 1) {
            DigitMask digit = DigitMask(rest & -rest);
            if (SeesAll(A, t, rec.first, digit) && (setB.digits & digit) &&
                SeesAll(A, t, rec.second, digit)) {
                z = digit;
                break;
            }
        }
    }
    if (!z) return 0;
    RecordChainStep(A, TQ_ALS_XZ, RULE_ALS_XZ, z);
    RecordSet(A, 0, rec.first);
    RecordSet(A, 1, rec.second);
    A->CurrentStep.restricted = x;
    A->CurrentStep.zSets = zSets;
    AddChainStepTarget(A, t);
    AddStepDisplay(&A->CurrentStep, NodeChain(A, t, z)); // the target's cluster
    return 1;
}

// TryAlsChain on a prepared set: two nodes of different digits that both see all of their
// digit in A cannot both be true; when node i true would force such a node j true, i is false.
static int TryChain(Analysis* A, int als) {
    if (!LinksOn(A) || A->ChainNodeCount < 1) return 0;
    // SeesAll per node, asked the first time the search needs it: a repeated query has the
    // same answer and changes nothing. A node outside the unsure set of its digit takes the
    // known answer without asking; one outside both sets (or whose digit the set lacks) does
    // not see all and is passed over, as its SeesAll would answer 0 and ask nothing new.
    SyncSees(A);
    const AlsSeesRecord& known = SeesOf(A, als);
    uint64_t examine[CHAIN_NODES_MAX / 64] = {};
    for (DigitMask rest = A->AlsInfo[als].digits; rest; rest &= rest - 1) {
        const int d = std::countr_zero(rest);
        ForEachCell((known.sees[d] | known.unsure[d]) & A->NodeCells[d], [&](int c) {
            const int n = A->NodeWith[d][c];
            examine[n >> 6] |= uint64_t(1) << (n & 63);
        });
    }
    int8_t sees[CHAIN_NODES_MAX];
    std::memset(sees, -1, sizeof sees);
    auto nodeSees = [&](int n) {
        if (sees[n] < 0) {
            const ChainNode& node = A->ChainNodeTable[n];
            const int d = std::countr_zero(node.digits);
            if (!CellSetHas(known.unsure[d], node.cell))
                sees[n] = CellSetHas(known.sees[d], node.cell);
            else
                sees[n] = int8_t(SeesAll(A, node.cell, als, node.digits));
        }
        return sees[n] == 1;
    };
    for (int wi = 0; wi < CHAIN_NODES_MAX / 64; wi++)
        for (uint64_t bi = examine[wi]; bi; bi &= bi - 1) {
            const int i = 64 * wi + std::countr_zero(bi);
            const ChainNode& ni = A->ChainNodeTable[i];
            if (!nodeSees(i)) continue;
            for (int wj = 0; wj < CHAIN_NODES_MAX / 64; wj++)
                for (uint64_t bj = examine[wj]; bj; bj &= bj - 1) {
                    const int j = 64 * wj + std::countr_zero(bj);
                    const ChainNode& nj = A->ChainNodeTable[j];
                    if (nj.digits == ni.digits || !nodeSees(j)) continue;
                    const bool implied = nj.chain != ni.chain;
                    if (implied ? !ChainImplies(A, i, j, ni.colour ^ 1) : nj.colour != ni.colour)
                        continue;
                    // Node i is false, so is every node of its colour; only those with i's
                    // digit are targets, since the step removes that one digit from every
                    // target.
                    RecordChainStep(A, TQ_ALS_CHAIN, RULE_ALS_CHAIN, ni.digits);
                    RecordSet(A, 0, als);
                    for (int m = A->ChainTable[ni.chain].first;
                         m < A->ChainTable[ni.chain + 1].first; m++) {
                        const ChainNode& nm = A->ChainNodeTable[m];
                        if (nm.colour == ni.colour && nm.digits == ni.digits)
                            AddChainStepTarget(A, nm.cell);
                    }
                    A->CurrentStep.graphNodes[0] = i;
                    A->CurrentStep.graphNodes[1] = j;
                    // The board shows the clusters the implication crossed, then i's and j's.
                    StepRecord* s = &A->CurrentStep;
                    for (int k = 0; implied && k < A->ImpliedLinkCount; k++)
                        AddStepDisplay(s, ImpliedChain(A, k));
                    AddStepDisplay(s, ni.chain);
                    if (implied) AddStepDisplay(s, nj.chain);
                    return 1;
                }
        }
    return 0;
}

// Takes what the fast paths read from the grid and the graph: the digit cells, the node
// lookup, and fresh SeesAll sets.
static void TakeGrid(Analysis* A) {
    for (CellSet& cells : A->GridDigitCells) cells = CellSet{};
    for (int c = 0; c < 81; c++)
        for (DigitMask m = A->AnalysisGrid[c] & ALL_DIGITS; m; m &= m - 1)
            CellSetAdd(A->GridDigitCells[std::countr_zero(m)], c);
    NodesWithDigit(A, 0); // brings NodeWith up to date with the graph
    for (CellSet& cells : A->NodeCells) cells = CellSet{};
    for (int n = 0; n < A->ChainNodeCount; n++) {
        const ChainNode& node = A->ChainNodeTable[n];
        CellSetAdd(A->NodeCells[std::countr_zero(node.digits)], node.cell);
    }
    A->SeesStamp++; // a new grid, new sets and maybe links: every SeesAll set is made afresh
    A->SearchId++;  // and every AlsStops record
    SyncLinkKnown(A);
}

int TryAlsChain(Analysis* A, int als) {
    PrepareAls(A, als);
    TakeGrid(A);
    return TryChain(A, als);
}

static void CollectAls(Analysis* A) {
    EmptyAlsTable(A);
    for (int u = 0; u < 27; u++) {
        uint32_t empty = 0;
        for (int pos = 0; pos < 9; pos++)
            if (A->G->Board[UnitTable[u][pos]] == 0) empty |= 1u << pos;
        int k = std::popcount(empty);
        for (int n = 1; n < k; n++)
            // n-position subsets of the empty positions in increasing mask order
            for (int w = NINE_BIT_WORDS.start[n]; w < NINE_BIT_WORDS.start[n + 1]; w++)
                if (!(NINE_BIT_WORDS.word[w] & ~empty)) AddAls(A, u, NINE_BIT_WORDS.word[w], n);
    }
}

// PairDigitLinked from known answers alone (LinkKnown): 1 or 0 when every query it would ask
// up to its first "no" has a known answer (asking those changes nothing), -1 when it would
// ask one whose answer is not known yet. Cells are walked in record order (ascending).
static int KnownPairDigitLinked(Analysis* A, const AlsInfoRecord& setA, const CellSet& cellsB,
                                int d) {
    for (int part = 0; part < 2; part++)
        for (uint64_t w = part ? setA.digitCells[d].hi : setA.digitCells[d].lo; w; w &= w - 1) {
            const int a = 64 * part + std::countr_zero(w);
            const LinkKnownRecord& k = A->LinkKnown[a][d];
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
static const AlsStopRecord& StopsOf(Analysis* A, int a, int d) {
    AlsStopRecord& r = A->AlsStops[a][d];
    const bool links = LinksOn(A);
    const LinkKnownRecord& k = A->LinkKnown[a][d];
    if (r.search == A->SearchId && (!links || (r.linked == k.linked && r.unlinked == k.unlinked)))
        return r;
    r.search = A->SearchId;
    r.linked = k.linked;
    r.unlinked = k.unlinked;
    CellSet pass = PEER_SETS[a], unknown{};
    if (links) {
        pass = pass | k.linked;
        unknown = A->GridDigitCells[d] & ~(pass | k.unlinked | CellSetOf(a));
    }
    for (int w = 0; w < A->AlsWords; w++) r.stops.w[w] = r.asks.w[w] = 0;
    ForEachCell(A->GridDigitCells[d] & ~pass, [&](int c) {
        const AlsBits& at = A->AlsAt[c][d];
        if (CellSetHas(unknown, c))
            for (int w = 0; w < A->AlsWords; w++) r.asks.w[w] |= at.w[w] & ~r.stops.w[w];
        for (int w = 0; w < A->AlsWords; w++) r.stops.w[w] |= at.w[w];
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
static void RecordAllPairs(Analysis* A) {
    A->AlsPairCount = 0;
    const bool links = LinksOn(A);
    if (links) SyncLinkKnown(A);
    AlsBits takes[9], asks[9];
    for (int i = 0; i < A->AlsCount; i++) {
        const AlsInfoRecord& setA = A->AlsInfo[i];
        const int first = (i + 1) >> 6; // the word holding set i + 1; earlier ones are unused
        AlsBits examine{};
        for (DigitMask rest = setA.digits; rest; rest &= rest - 1) {
            const int d = std::countr_zero(rest);
            AlsBits alive = A->AlsWith[d], slow{};
            ForEachCell(setA.digitCells[d], [&](int a) {
                const AlsStopRecord& stop = StopsOf(A, a, d);
                for (int w = first; w < A->AlsWords; w++) {
                    slow.w[w] |= alive.w[w] & stop.asks.w[w];
                    alive.w[w] &= ~stop.stops.w[w];
                }
            });
            for (int w = first; w < A->AlsWords; w++) {
                takes[d].w[w] = alive.w[w];
                asks[d].w[w] = slow.w[w];
                examine.w[w] |= alive.w[w] | slow.w[w];
            }
        }
        for (int w = first; w < A->AlsWords; w++) {
            uint64_t bits = examine.w[w];
            if (w == first) bits &= ~uint64_t(0) << ((i + 1) & 63); // j > i only
            for (; bits; bits &= bits - 1) {
                const int j = 64 * w + std::countr_zero(bits);
                const uint64_t bit = uint64_t(1) << (j & 63);
                const AlsInfoRecord& setB = A->AlsInfo[j];
                if (A->AlsPairCount >= ALS_PAIRS_MAX &&
                    (!links || A->LinkCacheCount >= LINK_CACHE_MAX))
                    continue; // nothing to store and nothing to ask
                DigitMask x = 0;
                for (DigitMask rest = setA.digits & setB.digits; rest != 0; rest &= rest - 1) {
                    const DigitMask digit = DigitMask(rest & -rest);
                    const int d = std::countr_zero(digit);
                    if (takes[d].w[w] & bit) {
                        x |= digit;
                    } else if (asks[d].w[w] & bit) {
                        int known = KnownPairDigitLinked(A, setA, setB.digitCells[d], d);
                        if (known < 0) known = PairDigitLinked(A, i, j, digit);
                        if (known) x |= digit;
                    }
                }
                if (x != 0 && A->AlsPairCount < ALS_PAIRS_MAX)
                    A->AlsPairTable[A->AlsPairCount++] = {x, uint16_t(i), uint16_t(j)};
            }
        }
    }
}

// The cells t where TryPair(t, pair) may ask a link query with no known answer yet
// (PairUnsure) and, outside those, where it finds a step (PairFires), from the SeesAll sets.
static void MakePairSets(Analysis* A, int p) {
    const AlsPairRecord& rec = A->AlsPairTable[p];
    const AlsInfoRecord& setA = A->AlsInfo[rec.first];
    const AlsInfoRecord& setB = A->AlsInfo[rec.second];
    const AlsSeesRecord& sA = SeesOf(A, rec.first);
    const AlsSeesRecord& sB = SeesOf(A, rec.second);
    const DigitMask x = rec.digits;
    CellSet unsure{}, fires{};
    if (std::popcount(x) >= 2) // doubly linked: a digit of one set outside X
        for (int k = 0; k < 2; k++) {
            const AlsInfoRecord& setK = k == 0 ? setA : setB;
            const AlsSeesRecord& sK = k == 0 ? sA : sB;
            for (DigitMask rest = setK.digits & DigitMask(~x); rest; rest &= rest - 1) {
                int d = std::countr_zero(rest);
                unsure = unsure | sK.unsure[d];
                fires = fires | sK.sees[d];
            }
        }
    // the other common digits (singly linked) or X's own (doubly), seen in both sets
    const DigitMask zs = std::popcount(x) == 1 ? DigitMask(ALL_DIGITS & ~x) : x;
    for (DigitMask rest = zs & setA.digits; rest; rest &= rest - 1) {
        int d = std::countr_zero(rest);
        unsure = unsure | sA.unsure[d];
        if (!(setB.digits >> d & 1)) continue;
        unsure = unsure | sB.unsure[d];
        fires = fires | (sA.sees[d] & sB.sees[d]);
    }
    const CellSet outside = ~(setA.cells | setB.cells); // a cell of either set is never a target
    A->PairUnsure[p] = unsure & outside;
    A->PairFires[p] = fires & outside;
}

// TryAlsPair for each open cell t and each pair, in that order, until one marks a step.
// TryPair is called only where the pair sets say it may fire or ask an unknown link;
// elsewhere it finds nothing and asks only questions with known answers, which change
// nothing. Queries asked on the way only settle unknown answers, so a cell outside the sets
// made at the start stays outside.
static int TryAllPairs(Analysis* A) {
    SyncSees(A);
    CellSet any{};
    for (int p = 0; p < A->AlsPairCount; p++) {
        MakePairSets(A, p);
        any = any | A->PairUnsure[p] | A->PairFires[p];
    }
    for (int t = 0; t < 81; t++) {
        if (A->AnalysisGrid[t] == 0 || !CellSetHas(any, t)) continue;
        for (int p = 0; p < A->AlsPairCount; p++) {
            if ((CellSetHas(A->PairUnsure[p], t) || CellSetHas(A->PairFires[p], t)) &&
                TryPair(A, t, p))
                return 1;
        }
    }
    return 0;
}

// Fills AlsAt and AlsWith from the prepared sets.
static void IndexSets(Analysis* A) {
    A->AlsWords = (A->AlsCount + 63) / 64;
    for (int d = 0; d < 9; d++) {
        for (int w = 0; w < A->AlsWords; w++) A->AlsWith[d].w[w] = 0;
        for (int c = 0; c < 81; c++)
            for (int w = 0; w < A->AlsWords; w++) A->AlsAt[c][d].w[w] = 0;
    }
    for (int i = 0; i < A->AlsCount; i++)
        for (DigitMask rest = A->AlsInfo[i].digits; rest; rest &= rest - 1) {
            const int d = std::countr_zero(rest);
            A->AlsWith[d].w[i >> 6] |= uint64_t(1) << (i & 63);
            ForEachCell(A->AlsInfo[i].digitCells[d],
                        [&](int c) { A->AlsAt[c][d].w[i >> 6] |= uint64_t(1) << (i & 63); });
        }
}

int FindAlmostLockedSets(Analysis* A) {
    if (A->AlsCount == 0) CollectAls(A);
    for (int i = 0; i < A->AlsCount; i++) PrepareAls(A, i);
    IndexSets(A);
    TakeGrid(A);
    for (int i = 0; i < A->AlsCount; i++)
        if (TryChain(A, i)) return 1;
    RecordAllPairs(A);
    return TryAllPairs(A);
}

// ---- The chains an almost-locked-set step writes -----------------------------------------

// The links the chain graph gave the search, one per pair of cells and digit: every cell of a
// set holding the digit that is not a peer of the given cell.
struct AlsLinkList {
    int count;
    uint8_t a[64], b[64];
    DigitMask digit[64];
    void NeedAll(const Analysis* A, int cell, const StepSet& set, DigitMask d) {
        for (int i = 0; i < set.count; i++) {
            const int other = set.cells[i];
            if (!(A->AnalysisGrid[other] & d) || other == cell || IsPeer(cell, other)) continue;
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

static void AddLinkChains(Analysis* A, StepRecord* s, const AlsLinkList& links) {
    for (int i = 0; i < links.count; i++) {
        ChainProofRecord proof;
        proof.count = 0;
        proof.overflow = false;
        if (LinkProof(A, links.a[i], links.b[i], links.digit[i], &proof))
            AddStepChain(s, CHAIN_LINK, proof);
    }
}

void CompleteAlsStep(Analysis* A, StepRecord* s) {
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
                if (A->AnalysisGrid[a.cells[i]] & digit)
                    links.NeedAll(A, a.cells[i], s->sets[1], digit);
        }
        for (int k = 0; k < 2 && s->targetCount; k++)
            if (s->zSets >> k & 1) links.NeedAll(A, s->targets[0].cell, s->sets[k], s->digits);
        AddLinkChains(A, s, links);
        return;
    }
    // The chain rule: i true would make j true; the other targets are false with i.
    const int i = s->graphNodes[0], j = s->graphNodes[1];
    const ChainNode& ni = A->ChainNodeTable[i];
    const ChainNode& nj = A->ChainNodeTable[j];
    const bool written = nj.chain != ni.chain
                             ? ImplicationProof(A, i, j, ni.colour ^ 1, &proof) != 0
                             : ClusterProof(A, i, true, j, true, &proof) != 0;
    if (!written || !AddStepChain(s, CHAIN_PROOF, proof)) return;
    for (int m = A->ChainTable[ni.chain].first; m < A->ChainTable[ni.chain + 1].first; m++) {
        const ChainNode& nm = A->ChainNodeTable[m];
        if (m == i || nm.digits != ni.digits || nm.colour != ni.colour) continue;
        ChainProofRecord same;
        same.count = 0;
        same.overflow = false;
        if (ClusterProof(A, i, false, m, false, &same)) AddStepChain(s, CHAIN_FALSE, same);
    }
    links.NeedAll(A, ni.cell, a, ni.digits);
    links.NeedAll(A, nj.cell, a, nj.digits);
    AddLinkChains(A, s, links);
}
