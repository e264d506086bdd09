// The chain graph: colour clusters of candidates grown from strong links (a digit with two
// places in a unit, a cell with two candidates) and from the grouped links of the
// box-and-two-lines search; weak links between chains; chain implication.
// Invariant: chain k's nodes are the contiguous block ChainTable[k].first .. [k + 1].first, the
// blocks in chain order; every node holds one digit in a cell 0..80, and no two nodes share
// cell and digit. Only the operations of this file write the graph, and each change moves
// GraphVersion on: the derived lookups below (node index, weak links per chain, failed
// implications) only speed the searches up, and each is remade when its version is old.
#include "analysis/chains.h"
#include "analysis/analysis.h"
#include "analysis/fish.h"
#include "analysis/state.h"
#include <algorithm>
#include <cassert>
#include <cstring>

static void GraphChanged(Analysis* A) {
    if (++A->GraphVersion == 0) A->GraphVersion = 1; // 0 stands for "no graph seen"
}

static inline int ChainEnd(Analysis* A, int chain) {
    return A->ChainTable[chain + 1].first;
}

// FindNode by a scan of the table, for the graph while it is being built.
static int FindNodeScan(Analysis* A, int cell, DigitMask digits) {
    for (int n = 0; n < A->ChainNodeCount; n++)
        if (A->ChainNodeTable[n].cell == cell && A->ChainNodeTable[n].digits == digits) return n;
    return -1;
}

const int16_t* NodesWithDigit(Analysis* A, int digitIndex) {
    if (A->NodeIndexVersion != A->GraphVersion) {
        std::memset(A->NodeWith, -1, sizeof A->NodeWith);
        for (int n = 0; n < A->ChainNodeCount; n++) {
            const ChainNode& node = A->ChainNodeTable[n];
            A->NodeWith[std::countr_zero(node.digits)][node.cell] = int16_t(n);
        }
        A->NodeIndexVersion = A->GraphVersion;
    }
    return A->NodeWith[digitIndex];
}

int FindNode(Analysis* A, int cell, DigitMask digits) {
    if (!SingleDigit(digits) || cell < 0 || cell >= 81) return -1;
    return NodesWithDigit(A, std::countr_zero(digits))[cell];
}

int AddNode(Analysis* A, DigitMask digits, int cell, int chain, int colour) {
    assert(SingleDigit(digits) && cell >= 0 && cell < 81);
    int found = FindNodeScan(A, cell, digits);
    if (found >= 0) return found;
    if (A->ChainNodeCount >= CHAIN_NODES_MAX) return -1;
    A->ChainNodeTable[A->ChainNodeCount++] = {digits, int16_t(cell), int16_t(chain),
                                              int16_t(colour)};
    GraphChanged(A);
    return -1;
}

void CloseChain(Analysis* A) {
    A->ChainCount++;
    A->ChainTable[A->ChainCount].first = int16_t(A->ChainNodeCount);
    DigitMask digits = 0;
    for (int n = A->ChainTable[A->ChainCount - 1].first; n < A->ChainNodeCount; n++)
        digits |= A->ChainNodeTable[n].digits;
    A->ChainTable[A->ChainCount - 1].digits = digits;
    GraphChanged(A);
}

void EmptyChainGraph(Analysis* A) {
    A->ChainNodeCount = 0;
    A->ChainCount = 0;
    A->ChainTable[0] = {0, 0};
    A->WeakLinkCount = 0;
    GraphChanged(A);
}

// The unit of one kind (0 row, 1 column, 2 box) through a cell.
static inline const uint8_t* UnitThrough(int cell, int kind) {
    int unit = kind == 0 ? cell / 9 : kind == 1 ? 9 + cell % 9 : BoxUnit(cell);
    return UnitTable[unit];
}

// The one cell other than x of the unit that holds the digit, or -1 when there are 0 or 2+.
static int OnlyPartner(Analysis* A, const uint8_t* unit, int x, DigitMask digit) {
    int partner = -1;
    for (int k = 0; k < 9; k++) {
        int c = unit[k];
        if (c == x || !(A->AnalysisGrid[c] & digit)) continue;
        if (partner >= 0) return -1;
        partner = c;
    }
    return partner;
}

// Adds the node (cell, digit) to the chain being grown with the colour, then every node it
// forces: the other place of the digit in each of its units, the other digit of its cell.
static void GrowChain(Analysis* A, int cell, DigitMask digit, int colour) {
    AddNode(A, digit, cell, A->ChainCount, colour);
    A->StrongDigits[cell] &= DigitMask(~digit);
    for (int kind = 0; kind < 3; kind++) {
        // A box pair counts here even when it lies in one line.
        int p = OnlyPartner(A, UnitThrough(cell, kind), cell, digit);
        if (p >= 0 && (A->StrongDigits[p] & digit)) GrowChain(A, p, digit, colour ^ 1);
    }
    DigitMask mask = A->AnalysisGrid[cell];
    if (std::popcount(mask) == 2) {
        DigitMask other = mask ^ digit;
        if (A->StrongDigits[cell] & other) GrowChain(A, cell, other, colour ^ 1);
    }
}

// Marks the digits that can seed or join a chain: a digit with exactly two places in a row
// or column, or in a box when the two do not share a line; both digits of a two-candidate cell.
static void MarkStrongDigits(Analysis* A) {
    for (DigitMask b = 1; b <= 0x100; b <<= 1)
        for (int unit = 0; unit < 27; unit++) {
            int first = -1, second = -1, count = 0;
            for (int k = 0; k < 9; k++) {
                int c = UnitTable[unit][k];
                if (!(A->AnalysisGrid[c] & b)) continue;
                if (++count > 2) break;
                (count == 1 ? first : second) = c;
            }
            if (count != 2) continue;
            // box pair in one row or one column? it does not mark the cells through the box
            if (unit >= 18 && (first / 9 == second / 9 || first % 9 == second % 9)) continue;
            A->StrongDigits[first] |= b;
            A->StrongDigits[second] |= b;
        }
    for (int x = 0; x < 81; x++)
        if (std::popcount(A->AnalysisGrid[x]) == 2) A->StrongDigits[x] |= A->AnalysisGrid[x];
}

void BuildChains(Analysis* A) {
    EmptyChainGraph(A);
    for (DigitMask& s : A->StrongDigits) s = 0;
    MarkStrongDigits(A);

    // Colouring: seeds cell by cell, lowest digit first, the seed with colour 1.
    for (int x = 0; x < 81; x++)
        while (A->StrongDigits[x] != 0) {
            int before = A->ChainNodeCount;
            GrowChain(A, x, DigitMask(A->StrongDigits[x] & -A->StrongDigits[x]), 1);
            // Every chain has two nodes but one cut short by the full table, so 128 chains
            // fill the table; the test only guards the end entry.
            if (A->ChainNodeCount > before && A->ChainCount < CHAINS_MAX) CloseChain(A);
        }

    // Grouped links join the chains; without a chain there is nothing to join, and the
    // search is not run (in this mode it would mark an elimination step instead).
    if (A->ChainCount > 0)
        for (DigitMask b = 1; b <= 0x100; b <<= 1)
            FindBoxLinePattern(A, b, BOXLINE_LINK, AddGroupedLink);

    for (int k = 0; k < A->ChainCount; k++) {
        DigitMask digits = 0;
        for (int n = A->ChainTable[k].first; n < ChainEnd(A, k); n++)
            digits |= A->ChainNodeTable[n].digits;
        A->ChainTable[k].digits = digits;
    }
    GraphChanged(A);
}

// Moves chain B's block up behind chain A's and renumbers the chains in block order (the
// caller has already given B's nodes A's number).
static void MergeChainBlocks(Analysis* A, int chainA, int chainB) {
    int endA = ChainEnd(A, chainA);
    int startB = A->ChainTable[chainB].first, endB = ChainEnd(A, chainB);
    if (endA != startB)
        std::rotate(A->ChainNodeTable + endA, A->ChainNodeTable + startB, A->ChainNodeTable + endB);
    // Renumber by blocks: a node whose (old) chain differs from the previous node's starts
    // the next chain.
    int count = 0, previous = -1;
    for (int n = 0; n < A->ChainNodeCount; n++) {
        int old = A->ChainNodeTable[n].chain;
        if (n == 0 || old != previous) A->ChainTable[count++].first = int16_t(n);
        previous = old;
        A->ChainNodeTable[n].chain = int16_t(count - 1);
    }
    A->ChainCount = count;
    A->ChainTable[count].first = int16_t(A->ChainNodeCount);
    GraphChanged(A);
}

void AddGroupedLink(Analysis* A, DigitMask digit, int a, int b, int boxOnLine1, int boxOnLine2,
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
    int na = FindNodeScan(A, a, digit), nb = FindNodeScan(A, b, digit);
    if (na < 0 && nb < 0) {
        // A new chain of the two cells; a table that is full takes no node and makes no chain.
        if (A->ChainNodeCount >= CHAIN_NODES_MAX || A->ChainCount >= CHAINS_MAX) return;
        AddNode(A, digit, a, A->ChainCount, 0);
        AddNode(A, digit, b, A->ChainCount, same ? 0 : 1);
        CloseChain(A);
        return;
    }
    if (na >= 0 && nb >= 0) {
        if (A->ChainNodeTable[na].chain == A->ChainNodeTable[nb].chain) return;
        int lo = std::min(na, nb), hi = std::max(na, nb);
        int loChain = A->ChainNodeTable[lo].chain, hiChain = A->ChainNodeTable[hi].chain;
        bool equal = A->ChainNodeTable[lo].colour == A->ChainNodeTable[hi].colour;
        bool flip = equal != same;
        for (int n = A->ChainTable[hiChain].first; n < ChainEnd(A, hiChain); n++) {
            if (flip) A->ChainNodeTable[n].colour ^= 1;
            A->ChainNodeTable[n].chain = int16_t(loChain);
        }
        MergeChainBlocks(A, loChain, hiChain);
        return;
    }
    // One node exists: the other cell joins its chain as a one-node block, then moves in.
    // A full table takes no node, which leaves the graph as it was.
    if (A->ChainNodeCount >= CHAIN_NODES_MAX || A->ChainCount >= CHAINS_MAX) return;
    int existing = na >= 0 ? na : nb;
    int other = na >= 0 ? b : a;
    int chain = A->ChainNodeTable[existing].chain;
    int colour = A->ChainNodeTable[existing].colour ^ (same ? 0 : 1);
    AddNode(A, digit, other, chain, colour);
    CloseChain(A);
    MergeChainBlocks(A, chain, A->ChainCount - 1);
}

void CollectWeakLinks(Analysis* A) {
    A->WeakLinkCount = 0;
    GraphChanged(A);
    // Pairs in order (chain i < chain j, nodes in index order) meet each pair once, so no
    // pair can be stored twice. A full list stops the collection.
    for (int i = 0; i < A->ChainCount; i++)
        for (int j = i + 1; j < A->ChainCount; j++)
            for (int p = A->ChainTable[i].first; p < ChainEnd(A, i); p++) {
                const ChainNode& np = A->ChainNodeTable[p];
                const CellSet& peers = PEER_SETS[np.cell];
                for (int q = A->ChainTable[j].first; q < ChainEnd(A, j); q++) {
                    const ChainNode& nq = A->ChainNodeTable[q];
                    bool weak = nq.cell == np.cell ||
                                (nq.digits == np.digits && CellSetHas(peers, nq.cell));
                    if (!weak) continue;
                    if (A->WeakLinkCount >= WEAK_LINKS_MAX) return;
                    A->WeakLinks[A->WeakLinkCount++] = {int16_t(p), int16_t(q)};
                }
            }
}

// Rebuilds the per-chain lists of weak links when the links or the graph have changed; the
// false answers of ChainImplies go with them.
static void SyncAdjacency(Analysis* A) {
    if (A->AdjacencyVersion == A->GraphVersion) return;
    std::memset(A->ImpliesFalse, 0, sizeof A->ImpliesFalse);
    std::memset(A->ImpliesFailAlways, 0, sizeof A->ImpliesFailAlways);
    A->ImpliesStamp++;
    int count[CHAINS_MAX + 1] = {};
    for (int l = 0; l < A->WeakLinkCount; l++) {
        int c1 = A->ChainNodeTable[A->WeakLinks[l].first].chain;
        int c2 = A->ChainNodeTable[A->WeakLinks[l].second].chain;
        count[c1]++;
        if (c2 != c1) count[c2]++;
    }
    A->ChainLinkStart[0] = 0;
    for (int k = 0; k < CHAINS_MAX; k++)
        A->ChainLinkStart[k + 1] = int16_t(A->ChainLinkStart[k] + count[k]);
    int fill[CHAINS_MAX];
    for (int k = 0; k < CHAINS_MAX; k++) fill[k] = A->ChainLinkStart[k];
    for (int l = 0; l < A->WeakLinkCount; l++) {
        int c1 = A->ChainNodeTable[A->WeakLinks[l].first].chain;
        int c2 = A->ChainNodeTable[A->WeakLinks[l].second].chain;
        A->ChainLinkList[fill[c1]++] = int16_t(l);
        if (c2 != c1) A->ChainLinkList[fill[c2]++] = int16_t(l);
    }
    A->AdjacencyVersion = A->GraphVersion;
}

static inline bool VisitedCovers(Analysis* A, const uint64_t chains[2]) {
    for (int part = 0; part < 2; part++)
        for (uint64_t w = chains[part]; w; w &= w - 1)
            if (!A->ChainVisited[64 * part + std::countr_zero(w)]) return false;
    return true;
}

static bool Implies(Analysis* A, int a, int b, int colour, uint64_t blocked[2]);

// Implies, skipping a sub-search known to fail on the present path. On failure, *blocked
// gets the chains above it that refused the search.
static bool ImpliesStep(Analysis* A, int a, int b, int colour, uint64_t blocked[2]) {
    const bool own = colour == A->ChainNodeTable[a].colour;
    if (own && (A->ImpliesFailAlways[a][b >> 6] >> (b & 63) & 1)) {
        blocked[0] = blocked[1] = 0;
        return false;
    }
    const bool memo = b == A->ImpliesSoughtNode && (colour == 0 || colour == 1);
    if (memo) {
        const ImpliesFailRecord& failed = A->ImpliesFailed[a][colour];
        if (failed.stamp == A->ImpliesStamp && VisitedCovers(A, failed.blocked)) {
            blocked[0] = failed.blocked[0];
            blocked[1] = failed.blocked[1];
            return false;
        }
    }
    bool result = Implies(A, a, b, colour, blocked);
    if (!result && own && !blocked[0] && !blocked[1])
        A->ImpliesFailAlways[a][b >> 6] |= uint64_t(1) << (b & 63);
    else if (!result && memo)
        A->ImpliesFailed[a][colour] = {A->ImpliesStamp, {blocked[0], blocked[1]}};
    return result;
}

static bool Implies(Analysis* A, int a, int b, int colour, uint64_t blocked[2]) {
    blocked[0] = blocked[1] = 0;
    int ch = A->ChainNodeTable[a].chain;
    if (A->ChainVisited[ch]) {
        blocked[ch >> 6] |= uint64_t(1) << (ch & 63);
        return false;
    }
    A->ChainVisited[ch] = 1;
    bool result = false;
    const ChainNode& nb = A->ChainNodeTable[b];
    // Only the links touching ch can pass the test "first or second is in ch"; they are
    // taken in list order.
    for (int k = A->ChainLinkStart[ch], end = A->ChainLinkStart[ch + 1]; k < end && !result; k++) {
        const WeakLinkRecord& link = A->WeakLinks[A->ChainLinkList[k]];
        if (link.first == a || link.second == b) continue;
        int p, q;
        if (A->ChainNodeTable[link.first].chain == ch)
            p = link.first, q = link.second;
        else if (A->ChainNodeTable[link.second].chain == ch)
            p = link.second, q = link.first;
        else
            continue;
        // p of the assumed-false colour tells nothing; otherwise p is true and q false.
        if (A->ChainNodeTable[p].colour == colour) continue;
        const ChainNode& nq = A->ChainNodeTable[q];
        if (nq.chain == nb.chain) {
            if (nq.colour == nb.colour) continue;
            result = true; // q's colour false, so b's colour true
        } else {
            uint64_t sub[2];
            result = ImpliesStep(A, q, b, nq.colour, sub);
            // a refusal by ch itself is this search's own doing
            sub[ch >> 6] &= ~(uint64_t(1) << (ch & 63));
            blocked[0] |= sub[0];
            blocked[1] |= sub[1];
        }
        if (result) {
            if (A->ImpliedLinkCount < CHAINS_MAX)
                A->ImpliedLinks[A->ImpliedLinkCount++] = {int16_t(p), int16_t(q)};
        }
    }
    A->ChainVisited[ch] = 0;
    return result;
}

// Implies from the top: the failed sub-searches kept are those for the same sought node.
static bool ImpliesFrom(Analysis* A, int a, int b, int colour) {
    if (b != A->ImpliesSoughtNode) {
        A->ImpliesSoughtNode = b;
        A->ImpliesStamp++;
    }
    uint64_t blocked[2];
    return Implies(A, a, b, colour, blocked);
}

// Implies from a clear ChainVisited (as every search leaves it), answering a question that
// failed before at once.
static bool ImpliesFromClear(Analysis* A, int a, int b, int colour) {
    if (colour != 0 && colour != 1) return ImpliesFrom(A, a, b, colour);
    const int bit = 2 * b + colour;
    uint64_t& word = A->ImpliesFalse[a][bit >> 6];
    if (word >> (bit & 63) & 1) return false;
    bool result = ImpliesFrom(A, a, b, colour);
    if (!result) word |= uint64_t(1) << (bit & 63);
    return result;
}

bool ChainImplies(Analysis* A, int a, int b, int colour) {
    A->ImpliedLinkCount = 0;
    SyncAdjacency(A);
    return ImpliesFromClear(A, a, b, colour);
}

int ImpliedChain(const Analysis* A, int k) {
    return A->ChainNodeTable[A->ImpliedLinks[k].to].chain;
}

int NodeChain(Analysis* A, int cell, DigitMask digits) {
    int n = FindNode(A, cell, digits);
    // A node grown past the last chain the table holds belongs to no chain and is not shown.
    return n >= 0 && A->ChainNodeTable[n].chain < A->ChainCount ? A->ChainNodeTable[n].chain : -1;
}
