// The chain graph: colour clusters of candidates grown from strong links (a digit with two
// places in a unit, a cell with two candidates) and from the grouped links of the
// box-and-two-lines search; weak links between chains; chain implication; the cell-link query.
// Invariant: chain k's nodes are the contiguous block ChainTable[k].first .. [k + 1].first, the
// blocks in chain order; no two nodes share cell and digits. Rebuilt on every driver run.
// Derived lookups (node index, weak links per chain, failed implications, known link answers)
// only speed the searches up; each is remade when the graph it was taken from changes.
#include "analysis/chains.h"
#include "analysis/fish.h"
#include "analysis/state.h"
#include "model/options.h"
#include <algorithm>
#include <cstring>

// The graph: nodes in chain blocks, the chain table with its end entry, the seeding scratch.
ChainNode ChainNodeTable[CHAIN_NODES_MAX];
int ChainNodeCount;
ChainEntry ChainTable[CHAINS_MAX + 1];
int ChainCount;
DigitMask StrongDigits[81];
// Weak links between nodes of two chains, first in the lower chain; no pair twice.
WeakLinkRecord WeakLinks[WEAK_LINKS_MAX];
int WeakLinkCount;
// Set only for the chains on the current ChainImplies search path.
uint8_t ChainVisited[CHAINS_MAX];
// Answers of QueryAlsLink for the current graph (layout in chains.h).
uint32_t LinkCache[LINK_CACHE_MAX];
int LinkCacheCount;

// Derived lookups that only speed things up; none changes an answer or its order.
// GraphVersion moves on with every change of nodes, chains or weak links.
static uint32_t GraphVersion = 1;
// Weak links touching each chain, in list order (ChainLinkList[ChainLinkStart[k] ..]).
static int16_t ChainLinkStart[CHAINS_MAX + 1];
static int16_t ChainLinkList[2 * WEAK_LINKS_MAX];
static uint32_t AdjacencyVersion;
static int AdjacencyLinks = -1;
static int AdjacencyShape[2]; // node and chain counts of the lists
// LinkCache entries with one digit, by (a, b, digit) in both orders: 0 absent, 1 not linked,
// 2 linked. Mirrors LinkCache[0 .. IndexedEntries).
static uint8_t CacheIndex[81 * 81 * 9];
static int IndexedEntries;
// Results of the graph search of QueryAlsLink by (a, b, digit), for the graph of MemoVersion:
// 0 unknown, else 1 + a LinkFound value. Lets a query that the full cache no longer answers
// skip the search it has already made.
static uint8_t QueryMemo[81 * 81 * 9];
static uint32_t MemoVersion;
static int MemoShape[3]; // node, chain and weak-link counts the memo was made for
// ChainImplies answers found false for the graph and links of the adjacency lists: bit
// 2 b + colour of row a. A search started from a clear ChainVisited that fails changes nothing
// (no flag stays set, no chain is shown), so the same question is answered from here.
static uint64_t ImpliesFalse[CHAIN_NODES_MAX][2 * CHAIN_NODES_MAX / 64];
// Sub-searches of Implies that failed, by entry node and colour, for the sought node
// ImpliesSoughtNode and the current graph (entries of another stamp are empty). `blocked`
// holds the chains the failed search was refused because they were already on the path above
// it. Refusals are the only way the path above changes a search, and a longer path refuses
// more, so the same search fails again whenever those chains are on the path again.
struct ImpliesFailRecord {
    uint32_t stamp;
    uint64_t blocked[2]; // bit k: chain k
};
static ImpliesFailRecord ImpliesFailed[CHAIN_NODES_MAX][2];
// Sub-searches Implies(a, b, a's colour) that failed without any refusal from the path above:
// they fail on every path (bit b of row a), for the graph of the adjacency lists.
static uint64_t ImpliesFailAlways[CHAIN_NODES_MAX][CHAIN_NODES_MAX / 64];
static uint32_t ImpliesStamp = 1;
static int ImpliesSoughtNode = -1;

// LinkKnown (chains.h) mirrors LinkCache[0 .. IndexedEntries) and, once the cache is full,
// the QueryMemo answers of the current graph (KnownFromMemo): with a full cache a query only
// reads the memo, and with an empty display list clearing it changes nothing. KnownStamp
// moves on with every change.
LinkKnownRecord LinkKnown[81][9];
static bool KnownFromMemo;
static uint32_t KnownStamp = 1;

enum LinkFound { LINK_NONE = 0, LINK_ONE_CHAIN = 1, LINK_IMPLIED = 2 };

static void GraphChanged() {
    GraphVersion++;
}

// Records that QueryAlsLink(a, b, digit d + 1) answers `linked` without changing anything.
static void AddKnown(int a, int b, int d, bool linked) {
    LinkKnownRecord& from = LinkKnown[a][d];
    LinkKnownRecord& to = LinkKnown[b][d];
    CellSetAdd(linked ? from.linked : from.unlinked, b);
    CellSetAdd(linked ? to.linkedBy : to.unlinkedBy, a);
    KnownStamp++;
}

static inline int ChainEnd(int chain) {
    return ChainTable[chain + 1].first;
}

// FindNode by a scan of the table, for the graph while it is being built.
static int FindNodeScan(int cell, DigitMask digits) {
    for (int n = 0; n < ChainNodeCount; n++)
        if (ChainNodeTable[n].cell == cell && ChainNodeTable[n].digits == digits) return n;
    return -1;
}

// The first node (lowest index) at each cell whose digits hold digit index d: NodeWith[d][c],
// -1 for none; made for the graph of NodeIndexVersion. NodeIndexSimple: every node has one
// digit and a cell 0..80, so each (cell, digit) has at most one node (no two nodes share
// cell and digits) and the lookups below may use the index.
static int16_t NodeWith[9][81];
static bool NodeIndexSimple;
static uint32_t NodeIndexVersion;
static int NodeIndexCount = -1;

static void SyncNodeIndex() {
    if (NodeIndexVersion == GraphVersion && NodeIndexCount == ChainNodeCount) return;
    std::memset(NodeWith, -1, sizeof NodeWith);
    NodeIndexSimple = true;
    for (int n = 0; n < ChainNodeCount; n++) {
        const ChainNode& node = ChainNodeTable[n];
        if (node.cell < 0 || node.cell >= 81 || !SingleDigit(node.digits)) {
            NodeIndexSimple = false;
            continue;
        }
        int16_t& at = NodeWith[LowestBitIndex(node.digits)][node.cell];
        if (at >= 0)
            NodeIndexSimple = false;
        else
            at = int16_t(n);
    }
    NodeIndexVersion = GraphVersion;
    NodeIndexCount = ChainNodeCount;
}

int FindNode(int cell, DigitMask digits) {
    if (SingleDigit(digits) && cell >= 0 && cell < 81) {
        SyncNodeIndex();
        if (NodeIndexSimple) return NodeWith[LowestBitIndex(digits)][cell];
    }
    return FindNodeScan(cell, digits);
}

int FindNodeAt(int cell, DigitMask digits) {
    for (int n = 0; n < ChainNodeCount; n++)
        if (ChainNodeTable[n].cell == cell && (ChainNodeTable[n].digits & digits)) return n;
    return -1;
}

int FindNodeInChain(int cell, DigitMask digits, int chain) {
    if (!(ChainTable[chain].digits & digits)) return -1;
    for (int n = ChainTable[chain].first, end = ChainEnd(chain); n < end; n++)
        if (ChainNodeTable[n].cell == cell && (ChainNodeTable[n].digits & digits)) return n;
    return -1;
}

int AddNode(DigitMask digits, int cell, int chain, int colour) {
    int found = FindNodeScan(cell, digits);
    if (found >= 0) return found;
    if (ChainNodeCount >= CHAIN_NODES_MAX) return -1;
    ChainNodeTable[ChainNodeCount++] = {digits, int16_t(cell), int16_t(chain), int16_t(colour)};
    GraphChanged();
    return -1;
}

// The unit of one kind (0 row, 1 column, 2 box) through a cell.
static inline const uint8_t* UnitThrough(int cell, int kind) {
    int unit = kind == 0 ? cell / 9 : kind == 1 ? 9 + cell % 9 : 18 + BoxOf(cell);
    return UnitTable[unit];
}

// The one cell other than x of the unit that holds the digit, or -1 when there are 0 or 2+.
static int OnlyPartner(const uint8_t* unit, int x, DigitMask digit) {
    int partner = -1;
    for (int k = 0; k < 9; k++) {
        int c = unit[k];
        if (c == x || !(AnalysisGrid[c] & digit)) continue;
        if (partner >= 0) return -1;
        partner = c;
    }
    return partner;
}

void GrowChain(int cell, DigitMask digit, int colour) {
    AddNode(digit, cell, ChainCount, colour);
    StrongDigits[cell] &= DigitMask(~digit);
    for (int kind = 0; kind < 3; kind++) {
        // A box pair counts here even when it lies in one line.
        int p = OnlyPartner(UnitThrough(cell, kind), cell, digit);
        if (p >= 0 && (StrongDigits[p] & digit)) GrowChain(p, digit, colour ^ 1);
    }
    DigitMask mask = AnalysisGrid[cell];
    if (PopCount(mask) == 2) {
        DigitMask other = mask ^ digit;
        if (StrongDigits[cell] & other) GrowChain(cell, other, colour ^ 1);
    }
}

// Marks the digits that can seed or join a chain: a digit with exactly two places in a row
// or column, or in a box when the two do not share a line; both digits of a two-candidate cell.
static void MarkStrongDigits() {
    for (DigitMask b = 1; b <= 0x100; b <<= 1)
        for (int unit = 0; unit < 27; unit++) {
            int first = -1, second = -1, count = 0;
            for (int k = 0; k < 9; k++) {
                int c = UnitTable[unit][k];
                if (!(AnalysisGrid[c] & b)) continue;
                if (++count > 2) break;
                (count == 1 ? first : second) = c;
            }
            if (count != 2) continue;
            // box pair in one row or one column? it does not mark the cells through the box
            if (unit >= 18 && (first / 9 == second / 9 || first % 9 == second % 9)) continue;
            StrongDigits[first] |= b;
            StrongDigits[second] |= b;
        }
    for (int x = 0; x < 81; x++)
        if (PopCount(AnalysisGrid[x]) == 2) StrongDigits[x] |= AnalysisGrid[x];
}

void BuildChains() {
    ChainCount = 0;
    ChainNodeCount = 0;
    for (DigitMask& s : StrongDigits) s = 0;
    GraphChanged();
    MarkStrongDigits();

    // Colouring: seeds cell by cell, lowest digit first, the seed with colour 1.
    ChainTable[0].first = 0;
    for (int x = 0; x < 81; x++)
        while (StrongDigits[x] != 0) {
            int before = ChainNodeCount;
            GrowChain(x, DigitMask(LowestBit(StrongDigits[x])), 1);
            // Every chain has two nodes but one cut short by the full table, so 128 chains
            // fill the table; the test only guards the end entry.
            if (ChainNodeCount > before && ChainCount < CHAINS_MAX) {
                ChainCount++;
                ChainTable[ChainCount].first = int16_t(ChainNodeCount);
            }
        }

    // Grouped links join the chains; without a chain there is nothing to join, and the
    // search is not run (in this mode it would mark an elimination step instead).
    if (ChainCount > 0)
        for (DigitMask b = 1; b <= 0x100; b <<= 1)
            FindBoxLinePattern(b, BOXLINE_LINK, AddGroupedLink);

    for (int k = 0; k < ChainCount; k++) {
        DigitMask digits = 0;
        for (int n = ChainTable[k].first; n < ChainEnd(k); n++) digits |= ChainNodeTable[n].digits;
        ChainTable[k].digits = digits;
    }
    GraphChanged();
}

void MergeChainBlocks(int chainA, int chainB) {
    int endA = ChainEnd(chainA);
    int startB = ChainTable[chainB].first, endB = ChainEnd(chainB);
    if (endA != startB)
        std::rotate(ChainNodeTable + endA, ChainNodeTable + startB, ChainNodeTable + endB);
    // Renumber by blocks: a node whose (old) chain differs from the previous node's starts
    // the next chain.
    int count = 0, previous = -1;
    for (int n = 0; n < ChainNodeCount; n++) {
        int old = ChainNodeTable[n].chain;
        if (n == 0 || old != previous) ChainTable[count++].first = int16_t(n);
        previous = old;
        ChainNodeTable[n].chain = int16_t(count - 1);
    }
    ChainCount = count;
    ChainTable[count].first = int16_t(ChainNodeCount);
    GraphChanged();
}

void AddGroupedLink(DigitMask digit, int a, int b, int boxOnLine1, int boxOnLine2,
                    int outsideOnLine1, int outsideOnLine2) {
    // Box cell and outside cell on the other line are true together; two lone outside cells
    // exclude each other's falsehood (exactly one is true).
    bool same;
    if (boxOnLine1 == 1) {
        if (outsideOnLine2 != 1) return;
        same = true;
    } else if (boxOnLine2 == 1) {
        if (outsideOnLine1 != 1) return;
        same = true;
    } else {
        if (outsideOnLine1 != 1 || outsideOnLine2 != 1) return;
        same = false;
    }
    int na = FindNodeScan(a, digit), nb = FindNodeScan(b, digit);
    if (na < 0 && nb < 0) {
        // A new chain of the two cells; a table that is full takes no node and makes no chain.
        if (ChainNodeCount >= CHAIN_NODES_MAX || ChainCount >= CHAINS_MAX) return;
        AddNode(digit, a, ChainCount, 0);
        AddNode(digit, b, ChainCount, same ? 0 : 1);
        ChainCount++;
        ChainTable[ChainCount].first = int16_t(ChainNodeCount);
        return;
    }
    if (na >= 0 && nb >= 0) {
        if (ChainNodeTable[na].chain == ChainNodeTable[nb].chain) return;
        int lo = std::min(na, nb), hi = std::max(na, nb);
        int loChain = ChainNodeTable[lo].chain, hiChain = ChainNodeTable[hi].chain;
        bool equal = ChainNodeTable[lo].colour == ChainNodeTable[hi].colour;
        bool flip = equal != same;
        for (int n = ChainTable[hiChain].first; n < ChainEnd(hiChain); n++) {
            if (flip) ChainNodeTable[n].colour ^= 1;
            ChainNodeTable[n].chain = int16_t(loChain);
        }
        MergeChainBlocks(loChain, hiChain);
        return;
    }
    // One node exists: the other cell joins its chain as a one-node block, then moves in.
    // A full table takes no node, which leaves the graph as it was.
    if (ChainNodeCount >= CHAIN_NODES_MAX || ChainCount >= CHAINS_MAX) return;
    int existing = na >= 0 ? na : nb;
    int other = na >= 0 ? b : a;
    int chain = ChainNodeTable[existing].chain;
    int colour = ChainNodeTable[existing].colour ^ (same ? 0 : 1);
    AddNode(digit, other, chain, colour);
    ChainCount++;
    ChainTable[ChainCount].first = int16_t(ChainNodeCount);
    MergeChainBlocks(chain, ChainCount - 1);
}

void CollectWeakLinks() {
    WeakLinkCount = 0;
    GraphChanged();
    // Pairs in order (chain i < chain j, nodes in index order) meet each pair once, so no
    // pair can be stored twice. A full list stops the collection.
    for (int i = 0; i < ChainCount; i++)
        for (int j = i + 1; j < ChainCount; j++)
            for (int p = ChainTable[i].first; p < ChainEnd(i); p++) {
                const ChainNode& np = ChainNodeTable[p];
                const CellSet& peers = PEER_SETS[np.cell];
                for (int q = ChainTable[j].first; q < ChainEnd(j); q++) {
                    const ChainNode& nq = ChainNodeTable[q];
                    bool weak = nq.cell == np.cell ||
                                (nq.digits == np.digits && CellSetHas(peers, nq.cell));
                    if (!weak) continue;
                    if (WeakLinkCount >= WEAK_LINKS_MAX) return;
                    WeakLinks[WeakLinkCount++] = {int16_t(p), int16_t(q)};
                }
            }
}

// Rebuilds the per-chain lists of weak links when the links or the graph have changed; the
// false answers of ChainImplies go with them.
static void SyncAdjacency() {
    if (AdjacencyVersion == GraphVersion && AdjacencyLinks == WeakLinkCount &&
        AdjacencyShape[0] == ChainNodeCount && AdjacencyShape[1] == ChainCount)
        return;
    std::memset(ImpliesFalse, 0, sizeof ImpliesFalse);
    std::memset(ImpliesFailAlways, 0, sizeof ImpliesFailAlways);
    ImpliesStamp++;
    AdjacencyShape[0] = ChainNodeCount;
    AdjacencyShape[1] = ChainCount;
    int count[CHAINS_MAX + 1] = {};
    for (int l = 0; l < WeakLinkCount; l++) {
        int c1 = ChainNodeTable[WeakLinks[l].first].chain;
        int c2 = ChainNodeTable[WeakLinks[l].second].chain;
        count[c1]++;
        if (c2 != c1) count[c2]++;
    }
    ChainLinkStart[0] = 0;
    for (int k = 0; k < CHAINS_MAX; k++)
        ChainLinkStart[k + 1] = int16_t(ChainLinkStart[k] + count[k]);
    int fill[CHAINS_MAX];
    for (int k = 0; k < CHAINS_MAX; k++) fill[k] = ChainLinkStart[k];
    for (int l = 0; l < WeakLinkCount; l++) {
        int c1 = ChainNodeTable[WeakLinks[l].first].chain;
        int c2 = ChainNodeTable[WeakLinks[l].second].chain;
        ChainLinkList[fill[c1]++] = int16_t(l);
        if (c2 != c1) ChainLinkList[fill[c2]++] = int16_t(l);
    }
    AdjacencyVersion = GraphVersion;
    AdjacencyLinks = WeakLinkCount;
}

static inline bool VisitedCovers(const uint64_t chains[2]) {
    for (int part = 0; part < 2; part++)
        for (uint64_t w = chains[part]; w; w &= w - 1)
            if (!ChainVisited[64 * part + __builtin_ctzll(w)]) return false;
    return true;
}

static bool Implies(int a, int b, int colour, uint64_t blocked[2]);

// Implies, skipping a sub-search known to fail on the present path. On failure, *blocked
// gets the chains above it that refused the search.
static bool ImpliesStep(int a, int b, int colour, uint64_t blocked[2]) {
    const bool own = colour == ChainNodeTable[a].colour;
    if (own && (ImpliesFailAlways[a][b >> 6] >> (b & 63) & 1)) {
        blocked[0] = blocked[1] = 0;
        return false;
    }
    const bool memo = b == ImpliesSoughtNode && (colour == 0 || colour == 1);
    if (memo) {
        const ImpliesFailRecord& failed = ImpliesFailed[a][colour];
        if (failed.stamp == ImpliesStamp && VisitedCovers(failed.blocked)) {
            blocked[0] = failed.blocked[0];
            blocked[1] = failed.blocked[1];
            return false;
        }
    }
    bool result = Implies(a, b, colour, blocked);
    if (!result && own && !blocked[0] && !blocked[1])
        ImpliesFailAlways[a][b >> 6] |= uint64_t(1) << (b & 63);
    else if (!result && memo)
        ImpliesFailed[a][colour] = {ImpliesStamp, {blocked[0], blocked[1]}};
    return result;
}

static bool Implies(int a, int b, int colour, uint64_t blocked[2]) {
    blocked[0] = blocked[1] = 0;
    int ch = ChainNodeTable[a].chain;
    if (ChainVisited[ch]) {
        blocked[ch >> 6] |= uint64_t(1) << (ch & 63);
        return false;
    }
    ChainVisited[ch] = 1;
    bool result = false;
    const ChainNode& nb = ChainNodeTable[b];
    // Only the links touching ch can pass the test "first or second is in ch"; they are
    // taken in list order.
    for (int k = ChainLinkStart[ch], end = ChainLinkStart[ch + 1]; k < end && !result; k++) {
        const WeakLinkRecord& link = WeakLinks[ChainLinkList[k]];
        if (link.first == a || link.second == b) continue;
        int p, q;
        if (ChainNodeTable[link.first].chain == ch)
            p = link.first, q = link.second;
        else if (ChainNodeTable[link.second].chain == ch)
            p = link.second, q = link.first;
        else
            continue;
        // p of the assumed-false colour tells nothing; otherwise p is true and q false.
        if (ChainNodeTable[p].colour == colour) continue;
        const ChainNode& nq = ChainNodeTable[q];
        if (nq.chain == nb.chain) {
            if (nq.colour == nb.colour) continue;
            result = true; // q's colour false, so b's colour true
        } else {
            uint64_t sub[2];
            result = ImpliesStep(q, b, nq.colour, sub);
            // a refusal by ch itself is this search's own doing
            sub[ch >> 6] &= ~(uint64_t(1) << (ch & 63));
            blocked[0] |= sub[0];
            blocked[1] |= sub[1];
        }
        if (result) AppendChainToDisplay(nq.chain);
    }
    ChainVisited[ch] = 0;
    return result;
}

// Implies from the top: the failed sub-searches kept are those for the same sought node.
static bool ImpliesFrom(int a, int b, int colour) {
    if (b != ImpliesSoughtNode) {
        ImpliesSoughtNode = b;
        ImpliesStamp++;
    }
    uint64_t blocked[2];
    return Implies(a, b, colour, blocked);
}

// Implies from a clear ChainVisited, answering a question that failed before at once.
static bool ImpliesFromClear(int a, int b, int colour) {
    if (colour != 0 && colour != 1) return ImpliesFrom(a, b, colour);
    const int bit = 2 * b + colour;
    uint64_t& word = ImpliesFalse[a][bit >> 6];
    if (word >> (bit & 63) & 1) return false;
    bool result = ImpliesFrom(a, b, colour);
    if (!result) word |= uint64_t(1) << (bit & 63);
    return result;
}

static bool VisitedClear() {
    uint64_t any = 0;
    for (int k = 0; k < CHAINS_MAX; k += 8) {
        uint64_t word;
        std::memcpy(&word, ChainVisited + k, sizeof word);
        any |= word;
    }
    return any == 0;
}

bool ChainImplies(int a, int b, int colour) {
    SyncAdjacency();
    if (a >= 0 && a < CHAIN_NODES_MAX && b >= 0 && b < CHAIN_NODES_MAX && VisitedClear())
        return ImpliesFromClear(a, b, colour);
    return ImpliesFrom(a, b, colour);
}

void MarkChainTarget(int cell, DigitMask digits) {
    StepMarks[cell] = MARK_TARGET;
    int n = FindNode(cell, digits);
    // A graph emptied by the driver (chain count 0) keeps its old nodes in the table; only a
    // node of a live chain is shown.
    if (n >= 0 && ChainNodeTable[n].chain < ChainCount)
        AppendChainToDisplay(ChainNodeTable[n].chain);
}

// --- QueryAlsLink and the LinkCache -------------------------------------------------------

static inline int MemoKey(int a, int b, int digitIndex) {
    return (a * 81 + b) * 9 + digitIndex;
}

void EmptyLinkCache() {
    LinkCacheCount = 0;
}

// Empties CacheIndex and LinkKnown, to be refilled from LinkCache[0].
static void ClearCacheIndex() {
    std::memset(CacheIndex, 0, sizeof CacheIndex);
    IndexedEntries = 0;
    std::memset(LinkKnown, 0, sizeof LinkKnown);
    KnownFromMemo = false;
    KnownStamp++;
}

// Brings CacheIndex and LinkKnown in line with LinkCache[0 .. LinkCacheCount). The first
// entry for a pair answers it, in both orders (a query of a cell with itself is never asked).
static void SyncCacheIndex() {
    if (LinkCacheCount < IndexedEntries) ClearCacheIndex();
    for (; IndexedEntries < LinkCacheCount; IndexedEntries++) {
        uint32_t e = LinkCache[IndexedEntries];
        DigitMask d = DigitMask(e & 0x1FF);
        int a = (e >> 16) & 0xFF, b = e >> 24;
        if (!SingleDigit(d) || a >= 81 || b >= 81) continue;
        int di = LowestBitIndex(d);
        bool linked = (e & LINK_CACHE_LINKED) != 0;
        uint8_t v = linked ? 2 : 1;
        if (!CacheIndex[MemoKey(a, b, di)]) {
            CacheIndex[MemoKey(a, b, di)] = v;
            if (a != b) AddKnown(a, b, di, linked);
        }
        if (!CacheIndex[MemoKey(b, a, di)]) {
            CacheIndex[MemoKey(b, a, di)] = v;
            if (a != b) AddKnown(b, a, di, linked);
        }
    }
}

// Drops the QueryMemo answers when the graph has changed since they were found (counts
// written from outside, as when the driver empties the graph, count as a change).
static void SyncQueryMemo() {
    if (MemoVersion == GraphVersion && MemoShape[0] == ChainNodeCount &&
        MemoShape[1] == ChainCount && MemoShape[2] == WeakLinkCount)
        return;
    std::memset(QueryMemo, 0, sizeof QueryMemo);
    MemoVersion = GraphVersion;
    MemoShape[0] = ChainNodeCount;
    MemoShape[1] = ChainCount;
    MemoShape[2] = WeakLinkCount;
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

// 0 when (a, b, digits) is not cached in either order, else 1 linked / -1 not linked.
static int LookupLinkCache(int a, int b, DigitMask digits) {
    if (SingleDigit(digits)) {
        uint8_t v = CacheIndex[MemoKey(a, b, LowestBitIndex(digits))];
        return v == 0 ? 0 : v == 2 ? 1 : -1;
    }
    uint32_t key1 = digits | uint32_t(a) << 16 | uint32_t(b) << 24;
    uint32_t key2 = digits | uint32_t(b) << 16 | uint32_t(a) << 24;
    for (int i = 0; i < LinkCacheCount; i++) {
        uint32_t e = LinkCache[i] & ~uint32_t(0xFE00);
        if (e == key1 || e == key2) return (LinkCache[i] & LINK_CACHE_LINKED) ? 1 : -1;
    }
    return 0;
}

// Only called after a failed lookup, so the pair is not stored yet; a full cache stores nothing.
static void StoreLinkCache(int a, int b, DigitMask digits, bool linked) {
    if (LinkCacheCount >= LINK_CACHE_MAX) return;
    LinkCache[LinkCacheCount++] =
        digits | (linked ? LINK_CACHE_LINKED : 0) | uint32_t(a) << 16 | uint32_t(b) << 24;
    SyncCacheIndex();
}

// The graph search of QueryAlsLink: for each chain k, each peer p of a with a node x in k,
// each peer q of b with a node y: y in k with the other colour, or ChainImplies(x, y).
static LinkFound SearchLinkScan(int a, int b, DigitMask digits);

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
        std::memset(ChainVisited, 0, sizeof ChainVisited);
        if (ImpliesFromClear(x, ys[t], nx.colour)) return LINK_IMPLIED;
    }
    return LINK_NONE;
}

// SearchLink on the node index (one-digit query, simple graph): the same nodes x and y in the
// same order, found by lookups instead of scans.
static LinkFound SearchLink(int a, int b, DigitMask digits) {
    if (!SingleDigit(digits)) return SearchLinkScan(a, b, digits);
    SyncNodeIndex();
    if (!NodeIndexSimple) return SearchLinkScan(a, b, digits);
    const int16_t* at = NodeWith[LowestBitIndex(digits)];
    // y for each peer q of b, in peer order: the node at q.
    int16_t ys[20];
    int yCount = 0;
    const uint8_t* peersB = PeerTable + 20 * b;
    for (int i = 0; i < 20; i++)
        if (at[peersB[i]] >= 0) ys[yCount++] = at[peersB[i]];
    if (yCount == 0) return LINK_NONE;
    // x: the nodes at a's peers, by chain and then in peer order (only live chains whose digit
    // union holds the digit, as the scan walks them).
    int16_t xs[20];
    int xCount = 0;
    const uint8_t* peersA = PeerTable + 20 * a;
    for (int i = 0; i < 20; i++) {
        const int16_t x = at[peersA[i]];
        if (x < 0) continue;
        const int chain = ChainNodeTable[x].chain;
        if (chain >= ChainCount || !(ChainTable[chain].digits & digits)) continue;
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

static LinkFound SearchLinkScan(int a, int b, DigitMask digits) {
    // y for each peer q of b, in peer order: the first node at q of any chain.
    int16_t firstAt[81];
    const uint8_t* peersB = PeerTable + 20 * b;
    for (int i = 0; i < 20; i++) firstAt[peersB[i]] = -1;
    const CellSet& setB = PEER_SETS[b];
    for (int n = 0; n < ChainNodeCount; n++) {
        const ChainNode& node = ChainNodeTable[n];
        if ((node.digits & digits) && CellSetHas(setB, node.cell) && firstAt[node.cell] < 0)
            firstAt[node.cell] = int16_t(n);
    }
    int16_t ys[20];
    int yCount = 0;
    for (int i = 0; i < 20; i++)
        if (firstAt[peersB[i]] >= 0) ys[yCount++] = firstAt[peersB[i]];
    if (yCount == 0) return LINK_NONE;

    // Peer positions of a's peers, to take the x of one chain in peer order.
    uint8_t rank[81];
    const uint8_t* peersA = PeerTable + 20 * a;
    for (int i = 0; i < 20; i++) rank[peersA[i]] = uint8_t(i);
    const CellSet& setA = PEER_SETS[a];
    for (int k = 0; k < ChainCount; k++) {
        if (!(ChainTable[k].digits & digits)) continue;
        // x for each peer of a: the first node of chain k at that peer.
        int16_t xAt[20];
        for (int i = 0; i < 20; i++) xAt[i] = -1;
        for (int n = ChainTable[k].first; n < ChainEnd(k); n++) {
            const ChainNode& node = ChainNodeTable[n];
            if ((node.digits & digits) && CellSetHas(setA, node.cell) && xAt[rank[node.cell]] < 0)
                xAt[rank[node.cell]] = int16_t(n);
        }
        for (int i = 0; i < 20; i++) {
            if (xAt[i] < 0) continue;
            LinkFound found = LinkFromNode(xAt[i], ys, yCount);
            if (found != LINK_NONE) return found;
        }
    }
    return LINK_NONE;
}

int QueryAlsLink(int cellA, int cellB, DigitMask digits) {
    uint32_t need = TECH_CHAINS | TECH_ALS_CHAINS;
    if ((AnalysisOptions.techniques & need) != need || cellA == cellB) return -1;
    SyncCacheIndex();
    int cached = LookupLinkCache(cellA, cellB, digits);
    if (cached != 0) return cached;

    SyncAdjacency();
    LinkFound found;
    const bool full = LinkCacheCount >= LINK_CACHE_MAX;
    if (SingleDigit(digits)) {
        SyncQueryMemo();
        uint8_t& memo = QueryMemo[MemoKey(cellA, cellB, LowestBitIndex(digits))];
        if (memo == 0) memo = uint8_t(1 + SearchLink(cellA, cellB, digits));
        found = LinkFound(memo - 1);
    } else {
        found = SearchLink(cellA, cellB, digits);
    }
    // Chains crossed on the way are not shown for a query.
    if (found == LINK_IMPLIED) ChainDisplayList.count = 0;
    StoreLinkCache(cellA, cellB, digits, found != LINK_NONE);
    // With the cache full, the same question gets the memo's answer from now on.
    // (Only while the display list is empty: see SyncLinkKnown.)
    if (full && SingleDigit(digits) && ChainDisplayList.count == 0 &&
        !CellSetHas(LinkKnown[cellA][LowestBitIndex(digits)].linked, cellB) &&
        !CellSetHas(LinkKnown[cellA][LowestBitIndex(digits)].unlinked, cellB)) {
        AddKnown(cellA, cellB, LowestBitIndex(digits), found != LINK_NONE);
        KnownFromMemo = true;
    }
    return found != LINK_NONE ? 1 : -1;
}

void ResetChainsModule() {
    std::memset(ChainNodeTable, 0, sizeof ChainNodeTable);
    ChainNodeCount = 0;
    std::memset(ChainTable, 0, sizeof ChainTable);
    ChainCount = 0;
    std::memset(StrongDigits, 0, sizeof StrongDigits);
    std::memset(WeakLinks, 0, sizeof WeakLinks);
    WeakLinkCount = 0;
    std::memset(ChainVisited, 0, sizeof ChainVisited);
    std::memset(LinkCache, 0, sizeof LinkCache);
    LinkCacheCount = 0;
    std::memset(CacheIndex, 0, sizeof CacheIndex);
    IndexedEntries = 0;
    std::memset(QueryMemo, 0, sizeof QueryMemo);
    GraphVersion = 1;
    MemoVersion = 0;
    std::memset(MemoShape, 0, sizeof MemoShape);
    AdjacencyVersion = 0;
    AdjacencyLinks = -1;
    std::memset(AdjacencyShape, 0, sizeof AdjacencyShape);
    std::memset(ImpliesFalse, 0, sizeof ImpliesFalse);
    std::memset(ImpliesFailed, 0, sizeof ImpliesFailed);
    std::memset(ImpliesFailAlways, 0, sizeof ImpliesFailAlways);
    ImpliesStamp = 1;
    ImpliesSoughtNode = -1;
    std::memset(LinkKnown, 0, sizeof LinkKnown);
    KnownFromMemo = false;
    KnownStamp = 1;
    std::memset(NodeWith, -1, sizeof NodeWith);
    NodeIndexSimple = false;
    NodeIndexVersion = 0;
    NodeIndexCount = -1;
}
