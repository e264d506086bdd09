// The cell-link query: QueryAlsLink searches the chain graph for a proof that two cells cannot
// both hold a digit, and keeps what it found. LinkCache holds the answers in the order asked
// (the order decides nothing but what a full cache keeps); CacheIndex and LinkKnown mirror its
// first IndexedEntries entries; QueryMemo keeps every search result for the present graph, so
// that a question the full cache no longer stores is not searched twice.
#include "analysis/links.h"
#include "analysis/chains.h"
#include "analysis/state.h"
#include "model/options.h"
#include <cassert>
#include <cstring>

uint32_t LinkCache[LINK_CACHE_MAX];
int LinkCacheCount;

// LinkCache entries by (a, b, digit index) in both orders: 0 absent, 1 not linked, 2 linked.
// Mirrors LinkCache[0 .. IndexedEntries).
static uint8_t CacheIndex[81 * 81 * 9];
static int IndexedEntries;
// Results of the graph search by (a, b, digit index) for the graph of MemoVersion (0: none):
// 0 unknown, else 1 + a LinkFound value.
static uint8_t QueryMemo[81 * 81 * 9];
static uint32_t MemoVersion;

// LinkKnown mirrors LinkCache[0 .. IndexedEntries) and, once the cache is full, the QueryMemo
// answers of the present graph (KnownFromMemo): with a full cache a query only reads the memo,
// and with an empty display list asking it changes nothing. KnownStamp moves on with every
// change.
LinkKnownRecord LinkKnown[81][9];
static bool KnownFromMemo;
static uint32_t KnownStamp = 1;

enum LinkFound { LINK_NONE = 0, LINK_ONE_CHAIN = 1, LINK_IMPLIED = 2 };

static inline int MemoKey(int a, int b, int digitIndex) {
    return (a * 81 + b) * 9 + digitIndex;
}

// Records that QueryAlsLink(a, b, digit d + 1) answers `linked` without changing anything.
static void AddKnown(int a, int b, int d, bool linked) {
    LinkKnownRecord& from = LinkKnown[a][d];
    LinkKnownRecord& to = LinkKnown[b][d];
    CellSetAdd(linked ? from.linked : from.unlinked, b);
    CellSetAdd(linked ? to.linkedBy : to.unlinkedBy, a);
    KnownStamp++;
}

// Empties CacheIndex and LinkKnown, to be refilled from LinkCache[0].
static void ClearCacheIndex() {
    std::memset(CacheIndex, 0, sizeof CacheIndex);
    IndexedEntries = 0;
    std::memset(LinkKnown, 0, sizeof LinkKnown);
    KnownFromMemo = false;
    KnownStamp++;
}

void EmptyLinkCache() {
    LinkCacheCount = 0;
    if (IndexedEntries > 0 || KnownFromMemo) ClearCacheIndex();
}

// Brings CacheIndex and LinkKnown in line with LinkCache[0 .. LinkCacheCount). The first
// entry for a pair answers it, in both orders (a query of a cell with itself is never asked).
static void SyncCacheIndex() {
    for (; IndexedEntries < LinkCacheCount; IndexedEntries++) {
        uint32_t e = LinkCache[IndexedEntries];
        int di = std::countr_zero(e & 0x1FF);
        int a = (e >> 16) & 0xFF, b = e >> 24;
        bool linked = (e & LINK_CACHE_LINKED) != 0;
        uint8_t v = linked ? 2 : 1;
        if (!CacheIndex[MemoKey(a, b, di)]) {
            CacheIndex[MemoKey(a, b, di)] = v;
            AddKnown(a, b, di, linked);
        }
        if (!CacheIndex[MemoKey(b, a, di)]) {
            CacheIndex[MemoKey(b, a, di)] = v;
            AddKnown(b, a, di, linked);
        }
    }
}

// Drops the QueryMemo answers when the graph has changed since they were found.
static void SyncQueryMemo() {
    if (MemoVersion == ChainGraphVersion()) return;
    std::memset(QueryMemo, 0, sizeof QueryMemo);
    MemoVersion = ChainGraphVersion();
    if (KnownFromMemo) ClearCacheIndex(); // refilled from the cache alone
}

uint32_t SyncLinkKnown() {
    SyncCacheIndex();
    SyncQueryMemo();
    // A memoised "linked" may come from a chain proof, whose query empties the display list:
    // with chains on the list, asking is no longer free, so keep the cache's answers only.
    if (KnownFromMemo && ChainDisplayList.count != 0) ClearCacheIndex();
    SyncCacheIndex();
    return KnownStamp;
}

// A new answer; a full cache stores nothing.
static void StoreLinkCache(int a, int b, DigitMask digit, bool linked) {
    if (LinkCacheCount >= LINK_CACHE_MAX) return;
    LinkCache[LinkCacheCount++] =
        digit | (linked ? LINK_CACHE_LINKED : 0) | uint32_t(a) << 16 | uint32_t(b) << 24;
    SyncCacheIndex();
}

// One x against the ys near b, in order: a y of x's own chain links when its colour differs
// (and is passed over otherwise); a y of another chain links when x false implies y true.
static LinkFound LinkFromNode(int x, const int16_t* ys, int yCount) {
    const ChainNode& nx = ChainNodeTable[x];
    for (int t = 0; t < yCount; t++) {
        const ChainNode& ny = ChainNodeTable[ys[t]];
        if (ny.chain == nx.chain) {
            if (ny.colour != nx.colour) return LINK_ONE_CHAIN;
            continue;
        }
        if (ChainImplies(x, ys[t], nx.colour)) return LINK_IMPLIED;
    }
    return LINK_NONE;
}

// The graph search: for each chain k in order, each peer of a (in peer order) with a node x of
// the digit in k, the nodes y of the digit at b's peers (in peer order): y in x's chain with
// the other colour, or x false implying y true, links a and b.
static LinkFound SearchLink(int a, int b, DigitMask digit) {
    const int16_t* at = NodesWithDigit(std::countr_zero(digit));
    int16_t ys[20];
    int yCount = 0;
    const uint8_t* peersB = PeersOf(b);
    for (int i = 0; i < 20; i++)
        if (at[peersB[i]] >= 0) ys[yCount++] = at[peersB[i]];
    if (yCount == 0) return LINK_NONE;
    // x: the nodes at a's peers, by chain and then in peer order (only live chains whose digit
    // union holds the digit).
    int16_t xs[20];
    int xCount = 0;
    const uint8_t* peersA = PeersOf(a);
    for (int i = 0; i < 20; i++) {
        const int16_t x = at[peersA[i]];
        if (x < 0) continue;
        const int chain = ChainNodeTable[x].chain;
        if (chain >= ChainCount || !(ChainTable[chain].digits & digit)) continue;
        int slot = xCount++; // insertion by chain keeps peer order within a chain
        for (; slot > 0 && ChainNodeTable[xs[slot - 1]].chain > chain; slot--)
            xs[slot] = xs[slot - 1];
        xs[slot] = x;
    }
    for (int i = 0; i < xCount; i++) {
        LinkFound found = LinkFromNode(xs[i], ys, yCount);
        if (found != LINK_NONE) return found;
    }
    return LINK_NONE;
}

int QueryAlsLink(int cellA, int cellB, DigitMask digit) {
    assert(SingleDigit(digit) && cellA >= 0 && cellA < 81 && cellB >= 0 && cellB < 81);
    if (!(AnalysisOptions.techniques & TECH_CHAINS) || !AlsChainLinks || cellA == cellB) return -1;
    const int d = std::countr_zero(digit);
    SyncCacheIndex();
    if (uint8_t cached = CacheIndex[MemoKey(cellA, cellB, d)]) return cached == 2 ? 1 : -1;

    const bool full = LinkCacheCount >= LINK_CACHE_MAX;
    SyncQueryMemo();
    uint8_t& memo = QueryMemo[MemoKey(cellA, cellB, d)];
    if (memo == 0) memo = uint8_t(1 + SearchLink(cellA, cellB, digit));
    const LinkFound found = LinkFound(memo - 1);
    // Chains crossed on the way are not shown for a query.
    if (found == LINK_IMPLIED) ChainDisplayList.count = 0;
    StoreLinkCache(cellA, cellB, digit, found != LINK_NONE);
    // With the cache full, the same question gets the memo's answer from now on.
    // (Only while the display list is empty: see SyncLinkKnown.)
    if (full && ChainDisplayList.count == 0 && !CellSetHas(LinkKnown[cellA][d].linked, cellB) &&
        !CellSetHas(LinkKnown[cellA][d].unlinked, cellB)) {
        AddKnown(cellA, cellB, d, found != LINK_NONE);
        KnownFromMemo = true;
    }
    return found != LINK_NONE ? 1 : -1;
}

void ResetLinksModule() {
    // The cache is read only up to its count, CacheIndex and LinkKnown are cleared once anything
    // was indexed, and the memo is remade for the next graph.
    EmptyLinkCache();
    MemoVersion = 0;
}
