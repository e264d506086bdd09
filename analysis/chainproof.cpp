// The chain graph's reasoning written out as alternating inference chains. A cluster's colours
// say which of its candidates are true together; the path between two of them is found again
// by a breadth-first search over the links that hold on the AnalysisGrid, through the cluster's
// own candidates and groups (a digit in two or three cells of one box and line, the shape the
// grouped links of the box-and-two-lines pattern stand for). Which clusters an implication
// crosses, and by which weak links, comes from ChainImplies itself. Reads the graph and the grid;
// writes only the caller's proof and the search scratch (A->ProofSearch); ChainImplies, asked
// again, fills only its memo.
#include "analysis/chainproof.h"
#include "analysis/analysis.h"
#include "analysis/chains.h"
#include "analysis/links.h"
#include "analysis/state.h"
#include <cstring>

namespace {

int UnitRow(int cell) {
    return cell / 9;
}
int UnitColumn(int cell) {
    return 9 + cell % 9;
}

bool SameNode(const ProofNode& a, const ProofNode& b) {
    return a.digit == b.digit && a.count == b.count && std::memcmp(a.cells, b.cells, a.count) == 0;
}

bool HasCell(const ProofNode& n, int cell) {
    for (int i = 0; i < n.count; i++)
        if (n.cells[i] == cell) return true;
    return false;
}

// Every cell of a sees every cell of b (and they share none).
bool AllSee(const ProofNode& a, const ProofNode& b) {
    for (int i = 0; i < a.count; i++)
        for (int j = 0; j < b.count; j++)
            if (!CellSetHas(PEER_SETS[a.cells[i]], b.cells[j])) return false;
    return true;
}

// The vertex of a group of the digit with these cells (ascending), added when new; -1 when the
// scratch is full.
int GroupVertex(Analysis* A, DigitMask digit, const uint8_t* cells, int count) {
    ProofNode g = {digit, uint8_t(count), {0, 0, 0}};
    std::memcpy(g.cells, cells, size_t(count));
    for (int v = 0; v < A->ProofSearch.count; v++)
        if (SameNode(A->ProofSearch.vertex[v], g)) return v;
    if (A->ProofSearch.count >= VERTICES_MAX) return -1;
    A->ProofSearch.vertex[A->ProofSearch.count] = g;
    return A->ProofSearch.count++;
}

// Lays out the cluster: its nodes, and every group of its digits that fills one box and line.
void StartSearch(Analysis* A, int cluster) {
    std::memset(A->ProofSearch.at, -1, sizeof A->ProofSearch.at);
    A->ProofSearch.count = 0;
    for (int n = A->ChainTable[cluster].first; n < A->ChainTable[cluster + 1].first; n++) {
        const ChainNode& node = A->ChainNodeTable[n];
        const int d = std::countr_zero(node.digits);
        if (d > 8 || A->ProofSearch.at[node.cell][d] >= 0 || A->ProofSearch.count >= VERTICES_MAX)
            continue;
        A->ProofSearch.at[node.cell][d] = int16_t(A->ProofSearch.count);
        A->ProofSearch.vertex[A->ProofSearch.count++] = CandidateNode(node.cell, node.digits);
    }
    // A box's rows and columns list their cells ascending, as a group keeps them.
    for (DigitMask rest = A->ChainTable[cluster].digits & ALL_DIGITS; rest; rest &= rest - 1) {
        const DigitMask digit = DigitMask(rest & -rest);
        for (int box = 18; box < 27; box++)
            for (int k = 0; k < 6; k++) { // the box's three rows, then its three columns
                uint8_t cells[3];
                int count = 0;
                for (int j = 0; j < 3; j++) {
                    int cell = k < 3 ? UnitTable[box][3 * k + j] : UnitTable[box][3 * j + k - 3];
                    if (A->AnalysisGrid[cell] & digit) cells[count++] = uint8_t(cell);
                }
                if (count >= 2) GroupVertex(A, digit, cells, count);
            }
    }
}

// Visits the strong links of vertex v: the other digit of a two-candidate cell, and in each
// unit holding all of v's cells, the rest of the unit's places for the digit when they form one
// candidate of the cluster or one group (units list their cells ascending).
template <typename F> void ForEachStrong(Analysis* A, int v, F visit) {
    const ProofNode n = A->ProofSearch.vertex[v];
    if (n.count == 1) {
        const DigitMask mask = A->AnalysisGrid[n.cells[0]];
        if (std::popcount(mask) == 2) {
            const int other =
                A->ProofSearch.at[n.cells[0]][std::countr_zero(DigitMask(mask & ~n.digit))];
            if (other >= 0) visit(other);
        }
    }
    const int units[3] = {UnitRow(n.cells[0]), UnitColumn(n.cells[0]), BoxUnit(n.cells[0])};
    for (int unit : units) {
        uint8_t rest[9];
        int count = 0;
        bool holdsAll = true;
        for (int i = 1; i < n.count; i++) {
            const int c = n.cells[i];
            holdsAll =
                holdsAll && (unit == UnitRow(c) || unit == UnitColumn(c) || unit == BoxUnit(c));
        }
        if (!holdsAll) continue;
        for (int k = 0; k < 9; k++) {
            const int c = UnitTable[unit][k];
            if ((A->AnalysisGrid[c] & n.digit) && !HasCell(n, c)) rest[count++] = uint8_t(c);
        }
        if (count == 1) {
            const int w = A->ProofSearch.at[rest[0]][std::countr_zero(n.digit)];
            if (w >= 0) visit(w);
            continue;
        }
        if (count < 2 || count > 3) continue;
        bool oneBox = true, oneRow = true, oneColumn = true;
        for (int i = 1; i < count; i++) {
            oneBox = oneBox && BoxOf(rest[i]) == BoxOf(rest[0]);
            oneRow = oneRow && rest[i] / 9 == rest[0] / 9;
            oneColumn = oneColumn && rest[i] % 9 == rest[0] % 9;
        }
        if (!oneBox || !(oneRow || oneColumn)) continue;
        const int w = GroupVertex(A, n.digit, rest, count);
        if (w >= 0) visit(w);
    }
}

// Visits the weak links of vertex v: another digit of the same cell, or the same digit where
// every cell of the one sees every cell of the other.
template <typename F> void ForEachWeak(Analysis* A, int v, F visit) {
    for (int w = 0; w < A->ProofSearch.count; w++) {
        if (w == v) continue;
        const ProofNode& a = A->ProofSearch.vertex[v];
        const ProofNode& b = A->ProofSearch.vertex[w];
        const bool sameCell = a.count == 1 && b.count == 1 && a.cells[0] == b.cells[0];
        if (sameCell ? a.digit != b.digit : a.digit == b.digit && AllSee(a, b)) visit(w);
    }
}

} // namespace

ProofNode CandidateNode(int cell, DigitMask digit) {
    return {digit, 1, {uint8_t(cell), 0, 0}};
}

void AddProofNode(ChainProofRecord* proof, const ProofNode& node, bool strong) {
    if (proof->count >= PROOF_NODES_MAX) {
        proof->overflow = true;
        return;
    }
    if (proof->count > 0) proof->strong[proof->count - 1] = strong ? 1 : 0;
    proof->nodes[proof->count++] = node;
}

int ClusterProof(Analysis* A, int from, bool fromTrue, int to, bool toTrue,
                 ChainProofRecord* proof) {
    const ChainNode& a = A->ChainNodeTable[from];
    const ChainNode& b = A->ChainNodeTable[to];
    if (a.chain != b.chain) return 0;
    StartSearch(A, a.chain);
    const int start = A->ProofSearch.at[a.cell][std::countr_zero(a.digits)];
    const int goal = A->ProofSearch.at[b.cell][std::countr_zero(b.digits)];
    if (start < 0 || goal < 0) return 0;
    const int startState = 2 * start + (fromTrue ? 1 : 0);
    const int goalState = 2 * goal + (toTrue ? 1 : 0);
    std::memset(A->ProofSearch.from, -1, sizeof A->ProofSearch.from);
    A->ProofSearch.from[startState] = -2;
    int head = 0, tail = 0;
    A->ProofSearch.queue[tail++] = int16_t(startState);
    while (head < tail && A->ProofSearch.from[goalState] == -1) {
        const int s = A->ProofSearch.queue[head++];
        auto reach = [&](int w, bool truth) {
            const int t = 2 * w + (truth ? 1 : 0);
            if (t >= 2 * VERTICES_MAX || A->ProofSearch.from[t] != -1) return;
            A->ProofSearch.from[t] = int16_t(s);
            A->ProofSearch.queue[tail++] = int16_t(t);
        };
        // A false node makes what it is strongly linked to true; a true one makes its weak
        // partners false.
        if (s & 1)
            ForEachWeak(A, s >> 1, [&](int w) { reach(w, false); });
        else
            ForEachStrong(A, s >> 1, [&](int w) { reach(w, true); });
    }
    if (A->ProofSearch.from[goalState] == -1) return 0;
    int16_t states[2 * VERTICES_MAX];
    int length = 0;
    for (int s = goalState; s != -2; s = A->ProofSearch.from[s]) states[length++] = int16_t(s);
    const ProofNode first = A->ProofSearch.vertex[states[length - 1] >> 1];
    if (proof->count == 0 || !SameNode(proof->nodes[proof->count - 1], first))
        AddProofNode(proof, first, false);
    for (int i = length - 2; i >= 0; i--)
        AddProofNode(proof, A->ProofSearch.vertex[states[i] >> 1], (states[i] & 1) != 0);
    return 1;
}

int ImplicationProof(Analysis* A, int a, int b, int colour, ChainProofRecord* proof) {
    if (!ChainImplies(A, a, b, colour) || A->ImpliedLinkCount == 0) return 0;
    // Cluster by cluster, from a to the node the link out makes true, then across the link
    // (deepest link last in the proof, first in ImpliedLinks).
    ChainProofRecord path = *proof;
    int entry = a;
    bool entryTrue = A->ChainNodeTable[a].colour != colour;
    for (int i = A->ImpliedLinkCount - 1; i >= 0; i--) {
        if (!ClusterProof(A, entry, entryTrue, A->ImpliedLinks[i].from, true, &path)) return 0;
        const ChainNode& q = A->ChainNodeTable[A->ImpliedLinks[i].to];
        AddProofNode(&path, CandidateNode(q.cell, q.digits), false);
        entry = A->ImpliedLinks[i].to;
        entryTrue = false;
    }
    if (!ClusterProof(A, entry, false, b, true, &path)) return 0;
    *proof = path;
    return 1;
}

namespace {

// The LinkCache's answer for a and b (either order; the first entry decides): 1 linked,
// -1 not linked, 0 not asked. `*fromB` is set when the entry was stored with b first.
int CachedLink(Analysis* A, int a, int b, DigitMask digit, bool* fromB) {
    for (int i = 0; i < A->LinkCacheCount; i++) {
        const uint32_t e = A->LinkCache[i];
        const int first = int((e >> 16) & 0xFF), second = int(e >> 24);
        if ((e & 0x1FF) != digit) continue;
        if (!((first == a && second == b) || (first == b && second == a))) continue;
        if (fromB) *fromB = first == b;
        return (e & LINK_CACHE_LINKED) ? 1 : -1;
    }
    return 0;
}

// QueryAlsLink's graph search from a's side: for each cluster, the nodes x of the digit at a's
// peers, against the nodes y at b's peers; a y of x's own cluster links when its colour
// differs, another one when x false implies y true (ChainImplies). With a proof to fill, the
// chain of the first such pair: "(d)a-x=...=y-b".
bool SearchLinkFrom(Analysis* A, int a, int b, DigitMask digit, ChainProofRecord* proof) {
    const int16_t* nodeAt = NodesWithDigit(A, std::countr_zero(digit));
    for (int k = 0; k < A->ChainCount; k++) {
        if (!(A->ChainTable[k].digits & digit)) continue;
        for (int i = 0; i < 20; i++) {
            const int x = nodeAt[PeersOf(a)[i]];
            if (x < 0 || A->ChainNodeTable[x].chain != k) continue;
            const ChainNode& nx = A->ChainNodeTable[x];
            for (int j = 0; j < 20; j++) {
                const int y = nodeAt[PeersOf(b)[j]];
                if (y < 0) continue;
                const ChainNode& ny = A->ChainNodeTable[y];
                if (ny.chain == nx.chain && ny.colour == nx.colour) continue;
                if (ny.chain != nx.chain && !ChainImplies(A, x, y, nx.colour)) continue;
                if (!proof) return true;
                ChainProofRecord path = *proof;
                AddProofNode(&path, CandidateNode(a, digit), false);
                const bool written = ny.chain == nx.chain
                                         ? ClusterProof(A, x, false, y, true, &path) != 0
                                         : ImplicationProof(A, x, y, nx.colour, &path) != 0;
                if (!written) return false;
                AddProofNode(&path, CandidateNode(b, digit), false);
                *proof = path;
                return true;
            }
        }
    }
    return false;
}

} // namespace

int ProofClusters(Analysis* A, const ChainProofRecord* proof, const ChainDisplayListRecord& shown,
                  int16_t* clusters) {
    int count = 0;
    auto list = [&](int chain) {
        for (int k = 0; k < count; k++)
            if (clusters[k] == chain) return;
        clusters[count++] = int16_t(chain);
    };
    for (int i = 0; proof && i < proof->count; i++) {
        const ProofNode& n = proof->nodes[i];
        const int node = n.count == 1 ? FindNode(A, n.cells[0], n.digit) : -1;
        if (node >= 0 && count < CHAINS_MAX) list(A->ChainNodeTable[node].chain);
    }
    for (int i = 0; i < shown.count; i++) list(shown.entries[i]);
    return count;
}

int LinkProof(Analysis* A, int cellA, int cellB, DigitMask digit, ChainProofRecord* proof) {
    bool fromB = false;
    CachedLink(A, cellA, cellB, digit, &fromB);
    if (fromB) {
        if (SearchLinkFrom(A, cellB, cellA, digit, proof)) return 1;
        return SearchLinkFrom(A, cellA, cellB, digit, proof);
    }
    if (SearchLinkFrom(A, cellA, cellB, digit, proof)) return 1;
    return SearchLinkFrom(A, cellB, cellA, digit, proof);
}

// ---- Shapes -------------------------------------------------------------------------------

namespace {

// Whether every cell of the node lies in the row (family 0), column (1) or box (2) of `cell`.
bool InUnitOf(const ProofNode& n, int cell, int family) {
    for (int i = 0; i < n.count; i++) {
        const int c = n.cells[i];
        const bool same = family == 0   ? UnitRow(c) == UnitRow(cell)
                          : family == 1 ? UnitColumn(c) == UnitColumn(cell)
                                        : BoxUnit(c) == BoxUnit(cell);
        if (!same) return false;
    }
    return true;
}

// The family (0 row, 1 column, 2 box) of the first unit holding both nodes' cells, trying
// `first` before the others; -1 when none does.
int SharedUnit(const ProofNode& a, const ProofNode& b, int first) {
    for (int k = 0; k < 3; k++) {
        const int family = (first + k) % 3;
        if (InUnitOf(a, a.cells[0], family) && InUnitOf(b, a.cells[0], family)) return family;
    }
    return -1;
}

// Nodes i and i + 1 are two digits of one cell.
bool InOneCell(const ChainProofRecord& p, int i) {
    const ProofNode& a = p.nodes[i];
    const ProofNode& b = p.nodes[i + 1];
    return a.count == 1 && b.count == 1 && a.cells[0] == b.cells[0];
}

// Strong links only inside two-candidate cells, weak links between cells, both ends on one
// digit: the chain's cells from the first to the last, each with its two digits.
const char* BivalueName(const ChainProofRecord& p) {
    const int cells = p.count / 2;
    DigitMask pairs[PROOF_NODES_MAX / 2];
    for (int k = 0; k < cells; k++) pairs[k] = p.nodes[2 * k].digit | p.nodes[2 * k + 1].digit;
    bool samePair = true;
    for (int k = 1; k < cells; k++) samePair = samePair && pairs[k] == pairs[0];
    if (cells == 2 && samePair) return "Naked pair"; // two cells of one unit
    // A pivot seeing two pincers, the three cells holding xy, yz and xz.
    if (cells == 3 && std::popcount(DigitMask(pairs[0] | pairs[1] | pairs[2])) == 3 &&
        pairs[0] != pairs[1] && pairs[1] != pairs[2] && pairs[0] != pairs[2])
        return "XY-wing";
    if (cells >= 4 && samePair) return "Remote pair";
    return "XY-chain";
}

// One digit, strong - weak - strong: a = b - c = d. Groups count as the line they lie in.
const char* FourNodeName(const ChainProofRecord& p) {
    const ProofNode& a = p.nodes[0];
    const ProofNode& b = p.nodes[1];
    const ProofNode& c = p.nodes[2];
    const ProofNode& d = p.nodes[3];
    // A box whose digit lies in one of its rows and one of its columns (a strong link between
    // the two parts, one a group), and a conjugate pair of cells in a line.
    auto boxParts = [](const ProofNode& x, const ProofNode& y) {
        if (SharedUnit(x, y, 2) != 2 || (x.count == 1 && y.count == 1)) return false;
        const bool xRow = InUnitOf(x, x.cells[0], 0), xColumn = InUnitOf(x, x.cells[0], 1);
        const bool yRow = InUnitOf(y, y.cells[0], 0), yColumn = InUnitOf(y, y.cells[0], 1);
        return (xRow && yColumn) || (xColumn && yRow);
    };
    auto linePair = [](const ProofNode& x, const ProofNode& y) {
        const int unit = SharedUnit(x, y, 0);
        return x.count == 1 && y.count == 1 && unit >= 0 && unit < 2;
    };
    if ((boxParts(a, b) && linePair(c, d)) || (linePair(a, b) && boxParts(c, d)))
        return "Empty rectangle";
    const int first = SharedUnit(a, b, 0), second = SharedUnit(c, d, 0);
    // Two strong links in parallel lines, their inner ends joined along the other direction:
    // a skyscraper, or an X-wing when the outer ends line up too.
    if (first < 2 && first == second && SharedUnit(b, c, 0) == 1 - first)
        return SharedUnit(a, d, 0) == 1 - first ? "X-wing" : "Skyscraper";
    // A row link and a column link with one end each in one box, the others outside it (a
    // group lies in one box).
    if (first < 2 && second < 2 && first != second && SharedUnit(b, c, 2) == 2 &&
        BoxUnit(a.cells[0]) != BoxUnit(b.cells[0]) && BoxUnit(d.cells[0]) != BoxUnit(c.cells[0]))
        return "2-string kite";
    return "Turbot fish";
}

} // namespace

const char* ChainShapeName(const ChainProofRecord& p) {
    const int n = p.count;
    if (n < 2 || !p.strong[0] || !p.strong[n - 2]) return "Alternating inference chain";
    bool oneDigit = true, bivalue = n % 2 == 0;
    for (int i = 0; i < n; i++) {
        oneDigit = oneDigit && p.nodes[i].digit == p.nodes[0].digit;
        if (i + 1 < n) bivalue = bivalue && (i % 2 == 0) == InOneCell(p, i);
    }
    // Bivalue cells whose ends hold the same digit, the one the chain removes.
    if (bivalue && p.nodes[0].digit == p.nodes[n - 1].digit) return BivalueName(p);
    if (oneDigit) return n == 4 ? FourNodeName(p) : "X-chain";
    // Two cells holding the same two digits x, y, each seeing one end of a strong link on y:
    // (x=y)c1-(y)p=(y)q-(y=x)c2.
    if (n == 6 && InOneCell(p, 0) && InOneCell(p, 4) &&
        p.nodes[0].cells[0] != p.nodes[5].cells[0] && p.nodes[0].digit == p.nodes[5].digit &&
        p.nodes[1].digit == p.nodes[2].digit && p.nodes[2].digit == p.nodes[3].digit &&
        p.nodes[3].digit == p.nodes[4].digit && p.nodes[0].digit != p.nodes[1].digit)
        return "W-wing";
    // The ends weakly linked: the chain closes into a loop.
    const ProofNode& first = p.nodes[0];
    const ProofNode& last = p.nodes[n - 1];
    const bool closed = first.digit == last.digit ? AllSee(first, last)
                                                  : first.count == 1 && last.count == 1 &&
                                                        first.cells[0] == last.cells[0];
    return closed ? "Nice loop" : "Alternating inference chain";
}

// ---- Writing ------------------------------------------------------------------------------

namespace {

struct Writer {
    char* out;
    size_t size, len;
    void Add(const char* s) {
        for (; *s && len + 1 < size; s++) out[len++] = *s;
        if (size) out[len < size ? len : size - 1] = 0;
    }
    void Char(char c) {
        const char s[2] = {c, 0};
        Add(s);
    }
};

// "r3c4"; a group in one row "r3c12", in one column "r12c3".
void WriteCells(Writer& w, const ProofNode& n) {
    bool oneRow = true;
    for (int i = 1; i < n.count; i++) oneRow = oneRow && n.cells[i] / 9 == n.cells[0] / 9;
    w.Char('r');
    if (oneRow) {
        w.Char(char('1' + n.cells[0] / 9));
        w.Char('c');
        for (int i = 0; i < n.count; i++) w.Char(char('1' + n.cells[i] % 9));
    } else {
        for (int i = 0; i < n.count; i++) w.Char(char('1' + n.cells[i] / 9));
        w.Char('c');
        w.Char(char('1' + n.cells[0] % 9));
    }
}

char DigitChar(DigitMask digit) {
    return char('1' + std::countr_zero(digit));
}

} // namespace

int WriteChainProof(const ChainProofRecord& proof, char* out, size_t size) {
    Writer w = {out, size, 0};
    if (size) out[0] = 0;
    DigitMask current = 0;
    for (int i = 0; i < proof.count;) {
        const ProofNode& n = proof.nodes[i];
        const bool pair = i + 1 < proof.count && n.count == 1 && proof.nodes[i + 1].count == 1 &&
                          proof.nodes[i + 1].cells[0] == n.cells[0];
        if (pair) { // two digits of one cell: "(4=6)r3c2"
            w.Char('(');
            w.Char(DigitChar(n.digit));
            w.Char(proof.strong[i] ? '=' : '-');
            w.Char(DigitChar(proof.nodes[i + 1].digit));
            w.Char(')');
            current = 0; // the next node names its digit again
        } else if (n.digit != current) {
            w.Char('(');
            w.Char(DigitChar(n.digit));
            w.Char(')');
            current = n.digit;
        }
        WriteCells(w, n);
        i += pair ? 2 : 1;
        if (i < proof.count) w.Char(proof.strong[i - 1] ? '=' : '-');
    }
    return int(w.len);
}
