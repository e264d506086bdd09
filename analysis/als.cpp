// Almost locked sets: n empty cells of one unit whose candidates number n + 1. The ALS-chain
// rule (second pass, through the chain graph) and the ALS-XZ pair rule, singly and doubly
// linked. AlsTable holds the sets in the order found (cells ascending within a record, no set
// twice); AlsPairTable the pairs with restricted common digits, rebuilt on every call.
#include "analysis/als.h"
#include "analysis/chains.h"
#include "analysis/state.h"
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

// Set lookup for AddAls: slots hold record index + 1 (0 empty); mirrors records 0 .. HashedAls.
constexpr int ALS_HASH_SLOTS = 2048;
static int16_t AlsHash[ALS_HASH_SLOTS];
static int HashedAls;

static inline void CellSetAdd(CellSet& s, int cell) {
    if (cell < 64)
        s.lo |= uint64_t(1) << cell;
    else
        s.hi |= uint64_t(1) << (cell - 64);
}
static inline bool CellSetWithin(const CellSet& inner, const CellSet& outer) {
    return (inner.lo & ~outer.lo) == 0 && (inner.hi & ~outer.hi) == 0;
}
static inline bool LinksOn() {
    uint32_t need = TECH_CHAINS | TECH_ALS_CHAINS;
    return (AnalysisOptions.techniques & need) == need;
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

// Keeps the set lookup in step with the table (the driver empties it by its count).
static void SyncAlsHash() {
    if (AlsCount < HashedAls) {
        std::memset(AlsHash, 0, sizeof AlsHash);
        HashedAls = 0;
    }
    for (; HashedAls < AlsCount; HashedAls++) HashInsert(HashedAls);
}

// Cells of a unit are listed in ascending order, so a record equals another exactly when
// their sizes and cell sets are equal.
static bool AlsListed(const CellSet& set, int size) {
    for (unsigned slot = HashSet(set); AlsHash[slot] != 0;
         slot = (slot + 1) & (ALS_HASH_SLOTS - 1)) {
        int als = AlsHash[slot] - 1;
        if (AlsPool[AlsOffset[als]] != size) continue;
        CellSet other = RecordSet(als);
        if (other.lo == set.lo && other.hi == set.hi) return true;
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
    if (n != size || PopCount(uni) != size + 1) return;
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
        info.digits |= AnalysisGrid[c];
        CellSetAdd(info.cells, c);
    }
    for (int d = 0; d < 9; d++) {
        if (!(info.digits >> d & 1)) continue;
        CellSet seen = {~uint64_t(0), ~uint64_t(0)};
        for (int k = 0; k < n; k++) {
            int c = cells[k];
            if (!(AnalysisGrid[c] >> d & 1)) continue;
            CellSetAdd(info.digitCells[d], c);
            seen.lo &= PeerSets[c].lo;
            seen.hi &= PeerSets[c].hi;
        }
        info.seenBy[d] = seen;
    }
}

DigitMask AlsUnion(int cell, int als) {
    const uint8_t* cells;
    int n = AlsCells(als, &cells);
    DigitMask uni = 0;
    for (int k = 0; k < n; k++) {
        if (cells[k] == cell) return 0xFFFF;
        uni |= AnalysisGrid[cells[k]];
    }
    return uni;
}

// SeesAllOfDigit on prepared sets; digit is one bit. Peers are tested first and the link
// query is asked only for a cell that is not a peer; the first cell neither ends the test.
static int SeesAll(int cell, int als, DigitMask digit) {
    if (!(AnalysisGrid[cell] & digit)) return 0;
    const AlsInfoRecord& info = AlsInfo[als];
    if (!(info.digits & digit)) return 0;
    int d = LowestBitIndex(digit);
    if (CellSetHas(info.seenBy[d], cell)) return 1; // every cell holding it is a peer
    if (!LinksOn()) return 0;                       // the query would answer no at once
    const uint8_t* cells;
    int n = AlsCells(als, &cells);
    for (int k = 0; k < n; k++) {
        int c = cells[k];
        if (!(AnalysisGrid[c] & digit) || CellSetHas(PeerSets[cell], c)) continue;
        if (QueryAlsLink(cell, c, digit) < 0) return 0;
    }
    return 1;
}

int SeesAllOfDigit(int cell, int als, DigitMask digit) {
    PrepareAls(als);
    return SeesAll(cell, als, digit);
}

// RecordAlsPair on prepared sets.
static void RecordPair(int i, int j) {
    const AlsInfoRecord& A = AlsInfo[i];
    const AlsInfoRecord& B = AlsInfo[j];
    DigitMask common = A.digits & B.digits; // a digit that one set lacks never joins X
    bool links = LinksOn();
    // A full pair table still asks its link queries (they fill the LinkCache that later
    // queries read); without queries that could store anything there is nothing to do.
    if (AlsPairCount >= ALS_PAIRS_MAX &&
        (!links || (LinkCacheCount >= LINK_CACHE_MAX && ChainDisplayList.count == 0)))
        return;
    DigitMask x = 0;
    for (DigitMask rest = common; rest != 0; rest &= rest - 1) {
        DigitMask digit = DigitMask(LowestBit(rest));
        int d = LowestBitIndex(digit);
        // every d-cell of B a peer of every d-cell of A? (a cell of both is no peer of itself)
        if (CellSetWithin(B.digitCells[d], A.seenBy[d])) {
            x |= digit;
            continue;
        }
        if (!links) continue;
        const uint8_t *cellsA, *cellsB;
        int nA = AlsCells(i, &cellsA), nB = AlsCells(j, &cellsB);
        bool all = true;
        for (int ka = 0; ka < nA && all; ka++) {
            int a = cellsA[ka];
            if (!(AnalysisGrid[a] & digit)) continue;
            for (int kb = 0; kb < nB; kb++) {
                int b = cellsB[kb];
                if (!(AnalysisGrid[b] & digit) || CellSetHas(PeerSets[a], b)) continue;
                if (QueryAlsLink(a, b, digit) < 0) {
                    all = false;
                    break;
                }
            }
        }
        if (all) x |= digit;
    }
    if (x != 0 && AlsPairCount < ALS_PAIRS_MAX)
        AlsPairTable[AlsPairCount++] = {x, uint16_t(i), uint16_t(j)};
}

void RecordAlsPair(int first, int second) {
    PrepareAls(first);
    PrepareAls(second);
    RecordPair(first, second);
}

static void MarkAlsCells(int als, DigitMask digit, uint16_t kind) {
    const uint8_t* cells;
    int n = AlsCells(als, &cells);
    for (int k = 0; k < n; k++) {
        uint16_t& mark = StepMarks[cells[k]];
        if (mark & MARK_ALS)
            mark |= MARK_SHARED;
        else
            mark |= uint16_t(digit | kind);
    }
}

// TryAlsPair on prepared sets.
static int TryPair(int t, int pair) {
    const AlsPairRecord& rec = AlsPairTable[pair];
    const AlsInfoRecord& A = AlsInfo[rec.first];
    const AlsInfoRecord& B = AlsInfo[rec.second];
    if (CellSetHas(A.cells, t) || CellSetHas(B.cells, t)) return 0;
    DigitMask mask = AnalysisGrid[t];
    DigitMask x = rec.digits;
    DigitMask z = 0;
    // Doubly linked: a digit of one set outside X that t sees in all its cells. The first
    // digit found ends the search.
    if (PopCount(x) >= 2) {
        for (int k = 0; k < 2 && !z; k++) {
            int als = k == 0 ? rec.first : rec.second;
            DigitMask candidates = AlsInfo[als].digits & mask & DigitMask(~x);
            for (DigitMask rest = candidates; rest != 0; rest &= rest - 1)
                if (SeesAll(t, als, DigitMask(LowestBit(rest)))) {
                    z = DigitMask(LowestBit(rest));
                    break;
                }
        }
    }
    if (!z) {
        DigitMask zs = PopCount(x) == 1 ? DigitMask(ALL_DIGITS & ~x) : x;
        // SeesAll is 0 for a digit t lacks, before any query: those are skipped at once.
        for (DigitMask rest = zs & A.digits & mask; rest != 0; rest &= rest - 1) {
            DigitMask digit = DigitMask(LowestBit(rest));
            if (SeesAll(t, rec.first, digit) && (B.digits & digit) &&
                SeesAll(t, rec.second, digit)) {
                z = digit;
                break;
            }
        }
    }
    if (!z) return 0;
    MarkChainTarget(t, z);
    MarkAlsCells(rec.first, z, MARK_ALS);
    MarkAlsCells(rec.second, z, MARK_LINK);
    return 1;
}

int TryAlsPair(int cell, int pair) {
    PrepareAls(AlsPairTable[pair].first);
    PrepareAls(AlsPairTable[pair].second);
    return TryPair(cell, pair);
}

// TryAlsChain on a prepared set: two nodes of different digits that both see all of their
// digit in A cannot both be true; when node i true would force such a node j true, i is false.
static int TryChain(int als) {
    if (!LinksOn() || ChainNodeCount < 1) return 0;
    // SeesAll per node, asked the first time the search needs it: a repeated query has the
    // same answer and changes nothing.
    int8_t sees[CHAIN_NODES_MAX];
    std::memset(sees, -1, sizeof sees);
    auto nodeSees = [&](int n) {
        if (sees[n] < 0)
            sees[n] = int8_t(SeesAll(ChainNodeTable[n].cell, als, ChainNodeTable[n].digits));
        return sees[n] == 1;
    };
    for (int i = 0; i < ChainNodeCount; i++) {
        const ChainNode& ni = ChainNodeTable[i];
        if (!nodeSees(i)) continue;
        for (int j = 0; j < ChainNodeCount; j++) {
            const ChainNode& nj = ChainNodeTable[j];
            if (nj.digits == ni.digits || !nodeSees(j)) continue;
            bool found = false;
            if (nj.chain != ni.chain) {
                ChainDisplayList.count = 0;
                std::memset(ChainVisited, 0, sizeof ChainVisited);
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
            const uint8_t* cells;
            int n = AlsCells(als, &cells);
            for (int k = 0; k < n; k++) StepMarks[cells[k]] |= uint16_t(ni.digits | MARK_ALS);
            // Node i is false, so is every node of its colour; only those with i's digit are
            // targets, since the step removes that one digit from every target.
            for (int m = ChainTable[ni.chain].first; m < ChainTable[ni.chain + 1].first; m++) {
                const ChainNode& nm = ChainNodeTable[m];
                if (nm.colour == ni.colour && nm.digits == ni.digits)
                    StepMarks[nm.cell] = MARK_TARGET;
            }
            return 1;
        }
    }
    return 0;
}

int TryAlsChain(int als) {
    PrepareAls(als);
    return TryChain(als);
}

static void CollectAls() {
    AlsCount = 0;
    SyncAlsHash();
    for (int u = 0; u < 27; u++) {
        uint32_t empty = 0;
        for (int pos = 0; pos < 9; pos++)
            if (Board[UnitTable[u][pos]] == 0) empty |= 1u << pos;
        int k = PopCount(empty);
        for (int n = 1; n < k; n++)
            for (uint32_t s = NextSubsetOfSize(0, empty, n); s != 0;
                 s = NextSubsetOfSize(s, empty, n))
                AddAls(u, s, n);
    }
}

int FindAlmostLockedSets() {
    if (AlsCount == 0) CollectAls();
    for (int i = 0; i < AlsCount; i++) PrepareAls(i);
    for (int i = 0; i < AlsCount; i++)
        if (TryChain(i)) return 1;
    AlsPairCount = 0;
    for (int i = 0; i < AlsCount; i++)
        for (int j = i + 1; j < AlsCount; j++) RecordPair(i, j);
    for (int t = 0; t < 81; t++) {
        if (AnalysisGrid[t] == 0) continue;
        for (int p = 0; p < AlsPairCount; p++)
            if (TryPair(t, p)) return 1;
    }
    return 0;
}

void ResetAlsModule() {
    AlsCount = 0;
    std::memset(AlsPool, 0, sizeof AlsPool);
    std::memset(AlsOffset, 0, sizeof AlsOffset);
    AlsPairCount = 0;
    std::memset(AlsPairTable, 0, sizeof AlsPairTable);
    std::memset(AlsInfo, 0, sizeof AlsInfo);
    std::memset(AlsHash, 0, sizeof AlsHash);
    HashedAls = 0;
}
