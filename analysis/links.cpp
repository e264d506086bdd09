// The cell-link query: QueryAlsLink searches the chain graph for a proof that two cells cannot
// both hold a digit, and keeps what it found. LinkCache holds the answers in the order asked
// (the order decides nothing but what a full cache keeps); CacheIndex and LinkKnown mirror its
// first IndexedEntries entries; QueryMemo keeps every search result for the present graph, so
// that a question the full cache no longer stores is not searched twice.
#include "analysis/links.h"
#include "analysis/analysis.h"
#include "analysis/chains.h"
#include "analysis/state.h"
#include "model/game.h"
#include "model/options.h"
#include <cassert>
#include <cstring>

enum LinkFound { LINK_NONE = 0, LINK_ONE_CHAIN = 1, LINK_IMPLIED = 2 };

static inline int MemoKey(int a, int b, int digitIndex) {
    return (a * 81 + b) * 9 + digitIndex;
}

// Records that QueryAlsLink(a, b, digit d + 1) answers `linked` without changing anything.
static void AddKnown(Analysis* A, int a, int b, int d, bool linked) {
    LinkKnownRecord& from = A->LinkKnown[a][d];
    LinkKnownRecord& to = A->LinkKnown[b][d];
    CellSetAdd(linked ? from.linked : from.unlinked, b);
    CellSetAdd(linked ? to.linkedBy : to.unlinkedBy, a);
    A->KnownStamp++;
}

// Empties CacheIndex and LinkKnown, to be refilled from LinkCache[0].
static void ClearCacheIndex(Analysis* A) {
    std::memset(A->CacheIndex, 0, sizeof A->CacheIndex);
    A->IndexedEntries = 0;
    std::memset(A->LinkKnown, 0, sizeof A->LinkKnown);
    A->KnownFromMemo = false;
    A->KnownStamp++;
}

void EmptyLinkCache(Analysis* A) {
    A->LinkCacheCount = 0;
    if (A->IndexedEntries > 0 || A->KnownFromMemo) ClearCacheIndex(A);
}

// Brings CacheIndex and LinkKnown in line with LinkCache[0 .. LinkCacheCount). The first
// entry for a pair answers it, in both orders (a query of a cell with itself is never asked).
static void SyncCacheIndex(Analysis* A) {
    for (; A->IndexedEntries < A->LinkCacheCount; A->IndexedEntries++) {
        uint32_t e = A->LinkCache[A->IndexedEntries];
        int di = std::countr_zero(e & 0x1FF);
        int a = (e >> 16) & 0xFF, b = e >> 24;
        bool linked = (e & LINK_CACHE_LINKED) != 0;
        uint8_t v = linked ? 2 : 1;
        if (!A->CacheIndex[MemoKey(a, b, di)]) {
            A->CacheIndex[MemoKey(a, b, di)] = v;
            AddKnown(A, a, b, di, linked);
        }
        if (!A->CacheIndex[MemoKey(b, a, di)]) {
            A->CacheIndex[MemoKey(b, a, di)] = v;
            AddKnown(A, b, a, di, linked);
        }
    }
}

// Drops the QueryMemo answers when the graph has changed since they were found.
static void SyncQueryMemo(Analysis* A) {
    if (A->MemoVersion == A->GraphVersion) return;
    std::memset(A->QueryMemo, 0, sizeof A->QueryMemo);
    A->MemoVersion = A->GraphVersion;
    if (A->KnownFromMemo) ClearCacheIndex(A); // refilled from the cache alone
}

uint32_t SyncLinkKnown(Analysis* A) {
    SyncCacheIndex(A);
    SyncQueryMemo(A);
    return A->KnownStamp;
}

// A new answer; a full cache stores nothing.
static void StoreLinkCache(Analysis* A, int a, int b, DigitMask digit, bool linked) {
    if (A->LinkCacheCount >= LINK_CACHE_MAX) return;
    A->LinkCache[A->LinkCacheCount++] =
        digit | (linked ? LINK_CACHE_LINKED : 0) | uint32_t(a) << 16 | uint32_t(b) << 24;
    SyncCacheIndex(A);
}

// One x against the ys near b, in order: a y of x's own chain links when its colour differs
// (and is passed over otherwise); a y of another chain links when x false implies y true.
static LinkFound LinkFromNode(Analysis* A, int x, const int16_t* ys, int yCount) {
    const ChainNode& nx = A->ChainNodeTable[x];
    for (int t = 0; t < yCount; t++) {
        const ChainNode& ny = A->ChainNodeTable[ys[t]];
        if (ny.chain == nx.chain) {
            if (ny.colour != nx.colour) return LINK_ONE_CHAIN;
            continue;
        }
        if (ChainImplies(A, x, ys[t], nx.colour)) return LINK_IMPLIED;
    }
    return LINK_NONE;
}

// The graph search: for each chain k in order, each peer of a (in peer order) with a node x of
// the digit in k, the nodes y of the digit at b's peers (in peer order): y in x's chain with
// the other colour, or x false implying y true, links a and b.
static LinkFound SearchLink(Analysis* A, int a, int b, DigitMask digit) {
    const int16_t* at = NodesWithDigit(A, std::countr_zero(digit));
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
        const int chain = A->ChainNodeTable[x].chain;
        if (chain >= A->ChainCount || !(A->ChainTable[chain].digits & digit)) continue;
        int slot = xCount++; // insertion by chain keeps peer order within a chain
        for (; slot > 0 && A->ChainNodeTable[xs[slot - 1]].chain > chain; slot--)
            xs[slot] = xs[slot - 1];
        xs[slot] = x;
    }
    for (int i = 0; i < xCount; i++) {
        LinkFound found = LinkFromNode(A, xs[i], ys, yCount);
        if (found != LINK_NONE) return found;
    }
    return LINK_NONE;
}

int QueryAlsLink(Analysis* A, int cellA, int cellB, DigitMask digit) {
    assert(SingleDigit(digit) && cellA >= 0 && cellA < 81 && cellB >= 0 && cellB < 81);
    if (!(A->G->AnalysisOptions.techniques & TECH_CHAINS) || !A->AlsChainLinks || cellA == cellB)
        return -1;
    const int d = std::countr_zero(digit);
    SyncCacheIndex(A);
    if (uint8_t cached = A->CacheIndex[MemoKey(cellA, cellB, d)]) return cached == 2 ? 1 : -1;

    const bool full = A->LinkCacheCount >= LINK_CACHE_MAX;
    SyncQueryMemo(A);
    uint8_t& memo = A->QueryMemo[MemoKey(cellA, cellB, d)];
    if (memo == 0) memo = uint8_t(1 + SearchLink(A, cellA, cellB, digit));
    const LinkFound found = LinkFound(memo - 1);
    StoreLinkCache(A, cellA, cellB, digit, found != LINK_NONE);
    // With the cache full, the same question gets the memo's answer from now on.
    if (full && !CellSetHas(A->LinkKnown[cellA][d].linked, cellB) &&
        !CellSetHas(A->LinkKnown[cellA][d].unlinked, cellB)) {
        AddKnown(A, cellA, cellB, d, found != LINK_NONE);
        A->KnownFromMemo = true;
    }
    return found != LINK_NONE ? 1 : -1;
}
