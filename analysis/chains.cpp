// The chain graph: colour clusters of candidates grown from strong links (a digit with two
// places in a unit, a cell with two candidates) and from the grouped links of the
// box-and-two-lines search; weak links between chains; chain implication.
// Invariant: chain k's nodes are the contiguous block ChainTable[k].first .. [k + 1].first, the
// blocks in chain order; every node holds one digit in a cell 0..80, and no two nodes share
// cell and digit. Only the operations of this file write the graph, and each change moves
// GraphVersion on: the derived lookups below (node index, weak links per chain, failed
// implications) only speed the searches up, and each is remade when its version is old.
#include "analysis/chains.h"
#include "analysis/fish.h"
#include "analysis/state.h"
#include <algorithm>
#include <cassert>
#include <cstring>

// The graph: nodes in chain blocks, the chain table with its end entry.
ChainNode ChainNodeTable[CHAIN_NODES_MAX];
int ChainNodeCount;
ChainEntry ChainTable[CHAINS_MAX + 1];
int ChainCount;
// Weak links between nodes of two chains, first in the lower chain; no pair twice.
WeakLinkRecord WeakLinks[WEAK_LINKS_MAX];
int WeakLinkCount;
// The digits of each cell that can still seed or join a chain while BuildChains colours.
static DigitMask StrongDigits[81];
// Set only for the chains on the current ChainImplies search path (clear between searches).
static uint8_t ChainVisited[CHAINS_MAX];
// The links of the last proof ChainImplies found, deepest first (one per chain crossed).
ImpliedLinkRecord ImpliedLinks[CHAINS_MAX];
int ImpliedLinkCount;

// GraphVersion moves on with every change of nodes, chains or weak links; never 0.
static uint32_t GraphVersion = 1;
// Weak links touching each chain, in list order (ChainLinkList[ChainLinkStart[k] ..]), for
// the graph of AdjacencyVersion.
static int16_t ChainLinkStart[CHAINS_MAX + 1];
static int16_t ChainLinkList[2 * WEAK_LINKS_MAX];
static uint32_t AdjacencyVersion;
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

static void GraphChanged() {
    if (++GraphVersion == 0) GraphVersion = 1; // 0 stands for "no graph seen"
}

uint32_t ChainGraphVersion() {
    return GraphVersion;
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

// The node of each cell holding digit index d: NodeWith[d][c], -1 for none; made for the graph
// of NodeIndexVersion.
static int16_t NodeWith[9][81];
static uint32_t NodeIndexVersion;

const int16_t* NodesWithDigit(int digitIndex) {
    if (NodeIndexVersion != GraphVersion) {
        std::memset(NodeWith, -1, sizeof NodeWith);
        for (int n = 0; n < ChainNodeCount; n++) {
            const ChainNode& node = ChainNodeTable[n];
            NodeWith[std::countr_zero(node.digits)][node.cell] = int16_t(n);
        }
        NodeIndexVersion = GraphVersion;
    }
    return NodeWith[digitIndex];
}

int FindNode(int cell, DigitMask digits) {
    if (!SingleDigit(digits) || cell < 0 || cell >= 81) return -1;
    return NodesWithDigit(std::countr_zero(digits))[cell];
}

int AddNode(DigitMask digits, int cell, int chain, int colour) {
    assert(SingleDigit(digits) && cell >= 0 && cell < 81);
    int found = FindNodeScan(cell, digits);
    if (found >= 0) return found;
    if (ChainNodeCount >= CHAIN_NODES_MAX) return -1;
    ChainNodeTable[ChainNodeCount++] = {digits, int16_t(cell), int16_t(chain), int16_t(colour)};
    GraphChanged();
    return -1;
}

void CloseChain() {
    ChainCount++;
    ChainTable[ChainCount].first = int16_t(ChainNodeCount);
    DigitMask digits = 0;
    for (int n = ChainTable[ChainCount - 1].first; n < ChainNodeCount; n++)
        digits |= ChainNodeTable[n].digits;
    ChainTable[ChainCount - 1].digits = digits;
    GraphChanged();
}

void EmptyChainGraph() {
    ChainNodeCount = 0;
    ChainCount = 0;
    ChainTable[0] = {0, 0};
    WeakLinkCount = 0;
    GraphChanged();
}

// The unit of one kind (0 row, 1 column, 2 box) through a cell.
static inline const uint8_t* UnitThrough(int cell, int kind) {
    int unit = kind == 0 ? cell / 9 : kind == 1 ? 9 + cell % 9 : BoxUnit(cell);
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

// Adds the node (cell, digit) to the chain being grown with the colour, then every node it
// forces: the other place of the digit in each of its units, the other digit of its cell.
static void GrowChain(int cell, DigitMask digit, int colour) {
    AddNode(digit, cell, ChainCount, colour);
    StrongDigits[cell] &= DigitMask(~digit);
    for (int kind = 0; kind < 3; kind++) {
        // A box pair counts here even when it lies in one line.
        int p = OnlyPartner(UnitThrough(cell, kind), cell, digit);
        if (p >= 0 && (StrongDigits[p] & digit)) GrowChain(p, digit, colour ^ 1);
    }
    DigitMask mask = AnalysisGrid[cell];
    if (std::popcount(mask) == 2) {
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
        if (std::popcount(AnalysisGrid[x]) == 2) StrongDigits[x] |= AnalysisGrid[x];
}

void BuildChains() {
    EmptyChainGraph();
    for (DigitMask& s : StrongDigits) s = 0;
    MarkStrongDigits();

    // Colouring: seeds cell by cell, lowest digit first, the seed with colour 1.
    for (int x = 0; x < 81; x++)
        while (StrongDigits[x] != 0) {
            int before = ChainNodeCount;
            GrowChain(x, DigitMask(StrongDigits[x] & -StrongDigits[x]), 1);
            // Every chain has two nodes but one cut short by the full table, so 128 chains
            // fill the table; the test only guards the end entry.
            if (ChainNodeCount > before && ChainCount < CHAINS_MAX) CloseChain();
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

// Moves chain B's block up behind chain A's and renumbers the chains in block order (the
// caller has already given B's nodes A's number).
static void MergeChainBlocks(int chainA, int chainB) {
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
        CloseChain();
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
    CloseChain();
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
    if (AdjacencyVersion == GraphVersion) return;
    std::memset(ImpliesFalse, 0, sizeof ImpliesFalse);
    std::memset(ImpliesFailAlways, 0, sizeof ImpliesFailAlways);
    ImpliesStamp++;
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
}

static inline bool VisitedCovers(const uint64_t chains[2]) {
    for (int part = 0; part < 2; part++)
        for (uint64_t w = chains[part]; w; w &= w - 1)
            if (!ChainVisited[64 * part + std::countr_zero(w)]) return false;
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
        if (result) {
            AppendChainToDisplay(nq.chain);
            if (ImpliedLinkCount < CHAINS_MAX)
                ImpliedLinks[ImpliedLinkCount++] = {int16_t(p), int16_t(q)};
        }
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

// Implies from a clear ChainVisited (as every search leaves it), answering a question that
// failed before at once.
static bool ImpliesFromClear(int a, int b, int colour) {
    if (colour != 0 && colour != 1) return ImpliesFrom(a, b, colour);
    const int bit = 2 * b + colour;
    uint64_t& word = ImpliesFalse[a][bit >> 6];
    if (word >> (bit & 63) & 1) return false;
    bool result = ImpliesFrom(a, b, colour);
    if (!result) word |= uint64_t(1) << (bit & 63);
    return result;
}

bool ChainImplies(int a, int b, int colour) {
    ImpliedLinkCount = 0;
    SyncAdjacency();
    return ImpliesFromClear(a, b, colour);
}

void ShowNodeChain(int cell, DigitMask digits) {
    int n = FindNode(cell, digits);
    // A node grown past the last chain the table holds belongs to no chain and is not shown.
    if (n >= 0 && ChainNodeTable[n].chain < ChainCount)
        AppendChainToDisplay(ChainNodeTable[n].chain);
}

void ResetChainsModule() {
    // The tables are read only up to their counts, and every derived lookup is remade once
    // the version has moved on.
    EmptyChainGraph();
    std::memset(ChainVisited, 0, sizeof ChainVisited);
    ImpliedLinkCount = 0;
    ImpliesSoughtNode = -1;
}
