// The current step in words: one line naming the technique, where it stands and what it places
// or removes. Cells are written rNcM, rows and columns 1-based; boxes are numbered 1..9 row by
// row from the top left, as players count them (the core's BoxOf counts down the columns).
// Chains are written out as alternating inference chains ("(4)r1c7=r3c7-r3c2=r6c2"), and the
// almost-locked-set texts state the sets, X and Z as the search found them, with the chain of
// every link it took from the chain graph. Reads the step record, the AnalysisGrid, the chain
// graph and the almost-locked-set tables the search left; writes the caller's buffer (asking
// ChainImplies again only fills its own memo). For eliminations it must run before ApplyStep,
// while the grid still holds the digits, and after the RunAnalysis that found the step.
#include "analysis/steptext.h"
#include "analysis/als.h"
#include "analysis/chainproof.h"
#include "analysis/chains.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include "model/board.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// A line being written into the caller's buffer; output past the end is dropped.
struct Line {
    char* out;
    size_t size;
    size_t len;

    __attribute__((format(printf, 2, 3))) void Add(const char* format, ...) {
        if (len + 1 >= size) return;
        va_list args;
        va_start(args, format);
        int n = std::vsnprintf(out + len, size - len, format, args);
        va_end(args);
        if (n < 0) return;
        len += size_t(n);
        if (len >= size) len = size - 1; // truncated
    }
    // A chain written in place.
    void Proof(const ChainProofRecord& proof) {
        if (len + 1 >= size) return;
        len += size_t(WriteChainProof(proof, out + len, size - len));
    }
};

// How many singles besides the one entered a description names ("also available").
constexpr int SINGLES_LISTED = 3;

const char* const SIZE_NAMES[] = {"", "single", "pair", "triple", "quad"};
const char* const FISH_NAMES[] = {"", "", "X-wing", "Swordfish", "Jellyfish"};

int RowOf(int cell) {
    return cell / 9;
}
int ColumnOf(int cell) {
    return cell % 9;
}
// Box 1..9 counted row by row, as the user reads the grid.
int UserBox(int cell) {
    return 3 * (cell / 27) + cell % 9 / 3 + 1;
}
uint16_t KindOf(uint16_t mark) {
    return mark & MARK_KIND;
}

void AddCell(Line& line, int cell) {
    line.Add("r%dc%d", RowOf(cell) + 1, ColumnOf(cell) + 1);
}

// Digits of a mask as "4,7".
void AddDigits(Line& line, uint32_t mask) {
    bool first = true;
    for (int d = 0; d < 9; d++)
        if (mask & (1u << d)) {
            line.Add(first ? "%d" : ",%d", d + 1);
            first = false;
        }
}

void AddCells(Line& line, const uint8_t* cells, int count) {
    for (int i = 0; i < count; i++) {
        if (i) line.Add(", ");
        AddCell(line, cells[i]);
    }
}

void AddUnit(Line& line, int unit) {
    int cell = UnitTable[unit][0];
    if (unit < 9)
        line.Add("row %d", unit + 1);
    else if (unit < 18)
        line.Add("column %d", unit - 9 + 1);
    else
        line.Add("box %d", UserBox(cell));
}

// A chain's label: "a" to "z" for chains 0 to 25, then "aa", "ab", ... "az", "ba", ... as
// columns are lettered. The keys 'a' to 'y' show chains 0 to 24 alone ('z' shows them all).
void AddChainName(Line& line, int chain) {
    if (chain < 0) return;
    char label[8];
    int at = int(sizeof label) - 1;
    label[at] = 0;
    for (int k = chain + 1; k > 0 && at > 0; k = (k - 1) / 26)
        label[--at] = char('a' + (k - 1) % 26);
    line.Add("%s", label + at);
}

// True when the display list holds this chain before entry i.
bool ShownBefore(int i) {
    for (int j = 0; j < i; j++)
        if (ChainDisplayList.entries[j] == ChainDisplayList.entries[i]) return true;
    return false;
}

// The distinct chains of the display list, in list order: " (chains a, c)"; nothing if none.
void AddDisplayedChains(Line& line) {
    int distinct = 0;
    for (int i = 0; i < ChainDisplayList.count; i++) distinct += ShownBefore(i) ? 0 : 1;
    if (!distinct) return;
    line.Add(distinct > 1 ? " (chains " : " (chain ");
    bool first = true;
    for (int i = 0; i < ChainDisplayList.count; i++) {
        if (ShownBefore(i)) continue;
        if (!first) line.Add(", ");
        AddChainName(line, ChainDisplayList.entries[i]);
        first = false;
    }
    line.Add(")");
}

// Cells whose mark kind is `kind` (an exact compare of bits 12-15), in cell order.
int CellsOfKind(uint16_t kind, uint8_t* cells) {
    int count = 0;
    for (int x = 0; x < 81; x++)
        if (StepMarks[x] && KindOf(StepMarks[x]) == kind) cells[count++] = uint8_t(x);
    return count;
}

// The union of the digit bits of every mark: what ApplyStep removes from each target.
DigitMask MarkedDigits() {
    DigitMask all = 0;
    for (uint16_t m : StepMarks) all |= m & MARK_DIGITS;
    return all;
}

// "r2c4, r2c7 lose 5" when every target loses the same digits, else "r2c4 loses 5; r2c7 loses
// 5,8"; what each target loses is the removed digits it holds now. "nothing to remove" if none.
void AddLosses(Line& line, DigitMask removed) {
    uint8_t cells[81];
    DigitMask lost[81];
    int count = 0;
    for (int x = 0; x < 81; x++)
        if (KindOf(StepMarks[x]) == MARK_TARGET && (AnalysisGrid[x] & removed)) {
            cells[count] = uint8_t(x);
            lost[count++] = AnalysisGrid[x] & removed;
        }
    if (count == 0) {
        line.Add("nothing to remove");
        return;
    }
    bool same = true;
    for (int i = 1; i < count; i++) same = same && lost[i] == lost[0];
    if (same) {
        AddCells(line, cells, count);
        line.Add(count == 1 ? " loses " : " lose ");
        AddDigits(line, lost[0]);
        return;
    }
    for (int i = 0; i < count; i++) {
        if (i) line.Add("; ");
        AddCell(line, cells[i]);
        line.Add(" loses ");
        AddDigits(line, lost[i]);
    }
}

// ---- From the step record ----------------------------------------------------------------

// "r2c4, r2c7 lose 5" when every target loses the same digits, else "r2c4 loses 5; r2c7 loses
// 5,8"; "nothing to remove" if there is no target.
void AddTargets(Line& line, const StepRecord& s) {
    bool same = true;
    for (int i = 1; i < s.targetCount; i++)
        same = same && s.targets[i].digits == s.targets[0].digits;
    if (s.targetCount == 0) {
        line.Add("nothing to remove");
    } else if (same) {
        for (int i = 0; i < s.targetCount; i++) {
            if (i) line.Add(", ");
            AddCell(line, s.targets[i].cell);
        }
        line.Add(s.targetCount == 1 ? " loses " : " lose ");
        AddDigits(line, s.targets[0].digits);
    } else {
        for (int i = 0; i < s.targetCount; i++) {
            if (i) line.Add("; ");
            AddCell(line, s.targets[i].cell);
            line.Add(" loses ");
            AddDigits(line, s.targets[i].digits);
        }
    }
}

// ApplyStep enters the first single in cell order (the entry clears the marks), so that one is
// named with its reason and the others are listed after it.
void DescribeSingles(Line& line, const StepRecord& s) {
    if (s.placed >= 0) {
        line.Add(s.technique == TECHNIQUE_NAKED_SINGLE ? "Naked single: " : "Hidden single: ");
        AddCell(line, s.placed);
        line.Add(" = %d", LowestBitIndex(s.digits) + 1);
        if (s.technique == TECHNIQUE_HIDDEN_SINGLE && s.unit >= 0) {
            line.Add(" (the only place for %d in ", LowestBitIndex(s.digits) + 1);
            AddUnit(line, s.unit);
            line.Add(")");
        }
        int listed = 0;
        for (int i = 0; i < s.patternCount; i++) {
            const StepCell& c = s.pattern[i];
            if (c.cell <= s.placed || PopCount(c.digits) != 1) continue;
            if (listed == SINGLES_LISTED) { // the rest follow in later steps
                line.Add(", ...");
                break;
            }
            line.Add(listed++ ? ", " : "; also available: ");
            AddCell(line, c.cell);
            line.Add(" = %d", LowestBitIndex(c.digits) + 1);
        }
    } else {
        line.Add(s.patternCount ? "Singles clash, nothing to enter" : "Singles: nothing to enter");
    }
    // A cell that is the only place for two digits: the candidates contradict each other.
    for (int i = 0; i < s.patternCount; i++) {
        if (PopCount(s.pattern[i].digits) < 2) continue;
        line.Add("; contradiction: ");
        AddCell(line, s.pattern[i].cell);
        line.Add(" would have to be ");
        AddDigits(line, s.pattern[i].digits);
    }
}

// A hidden subset: n digits confined to n cells of a unit. When the rest of the unit's open
// cells are a smaller (or equal) naked subset, the step is named after that; the eliminations
// are the same.
void DescribeSubset(Line& line, const StepRecord& s) {
    const bool naked = s.technique == TECHNIQUE_NAKED_SUBSET;
    const int size = naked ? s.nakedCount : s.size;
    line.Add("%s %s ", naked ? "Naked" : "Hidden", size <= 4 ? SIZE_NAMES[size] : "subset");
    AddDigits(line, naked ? s.nakedDigits : s.digits);
    line.Add(" in ");
    AddUnit(line, s.unit);
    if (naked) {
        line.Add(" (");
        AddCells(line, s.nakedCells, s.nakedCount);
        line.Add("): ");
    } else {
        line.Add(": ");
        for (int i = 0; i < s.patternCount; i++) {
            if (i) line.Add(", ");
            AddCell(line, s.pattern[i].cell);
        }
        line.Add(" keep ");
        AddDigits(line, s.digits);
        line.Add(" (");
    }
    for (int i = 0; i < s.targetCount; i++) {
        if (i) line.Add("; ");
        AddCell(line, s.targets[i].cell);
        line.Add(" loses ");
        AddDigits(line, s.targets[i].digits);
    }
    if (!s.targetCount) line.Add("nothing to remove");
    if (!naked) line.Add(")");
}

void AddLineName(Line& line, int unit, bool possessive) {
    line.Add("%s %d%s", unit < 9 ? "row" : "column", unit % 9 + 1, possessive ? "'s" : "");
}

void DescribeLocked(Line& line, const StepRecord& s) {
    const int d = LowestBitIndex(s.digits) + 1;
    if (s.technique == TECHNIQUE_BOX_LINES) {
        // Within the box the digit lies on the two lines only, so one line has it in the box
        // and the other has it at its one place outside: one link cell holds it. A row and a
        // column make the empty rectangle; two rows (or columns) a grouped turbot fish.
        const int lineA = s.linkLines[0], lineB = s.linkLines[1];
        line.Add("%s (box and two lines) %d in box %d: the box's %ds lie in ",
                 (lineA < 9) != (lineB < 9) ? "Empty rectangle" : "Grouped turbot fish", d,
                 UserBox(UnitTable[s.unit][0]), d);
        AddLineName(line, lineA, false);
        line.Add(" and ");
        AddLineName(line, lineB, false);
        line.Add("; ");
        AddLineName(line, lineA, true);
        line.Add(" only %d outside the box is ", d);
        AddCell(line, s.links[0]);
        line.Add(", ");
        AddLineName(line, lineB, true);
        line.Add(" is ");
        AddCell(line, s.links[1]);
        line.Add(", so one of them is %d: ", d);
    } else if (s.technique == TECHNIQUE_POINTING) {
        line.Add("Pointing %d in box %d along ", d, UserBox(UnitTable[s.unit][0]));
        AddLineName(line, s.line, false);
        line.Add(": ");
    } else {
        line.Add("Claiming %d in ", d);
        AddLineName(line, s.unit, false);
        line.Add(" within box %d: ", UserBox(UnitTable[s.line][0]));
    }
    AddTargets(line, s);
}

void DescribeFish(Line& line, const StepRecord& s) {
    line.Add("%s%s %d in %s ",
             !s.finCount                      ? ""
             : StepIsSashimi(s, AnalysisGrid) ? "Sashimi "
                                              : "Finned ",
             FISH_NAMES[s.size], LowestBitIndex(s.digits) + 1, s.family ? "columns" : "rows");
    AddDigits(line, s.base);
    line.Add(", %s ", s.family ? "rows" : "columns");
    AddDigits(line, s.cover);
    if (s.finCount) {
        line.Add(s.finCount > 1 ? ", fins " : ", fin ");
        AddCells(line, s.fins, s.finCount);
    }
    line.Add(": ");
    AddTargets(line, s);
}

// ---- Chains ---------------------------------------------------------------------------------

// The node of the chain graph for a cell and digit, or -1 (a plain scan: no side effects).
int NodeAt(int cell, DigitMask digit) {
    for (int i = 0; i < ChainNodeCount; i++)
        if (ChainNodeTable[i].cell == cell && ChainNodeTable[i].digits == digit) return i;
    return -1;
}

// The clusters a written chain runs through, in its order, then the other chains shown on the
// board (the display list's), so every chain drawn is named: " (chains k, l)"; nothing if none.
void AddProofChains(Line& line, const ChainProofRecord& proof) {
    int chains[CHAINS_MAX + CHAIN_DISPLAY_MAX], count = 0;
    auto list = [&](int chain) {
        bool listed = false;
        for (int k = 0; k < count; k++) listed = listed || chains[k] == chain;
        if (!listed) chains[count++] = chain;
    };
    for (int i = 0; i < proof.count; i++) {
        const ProofNode& n = proof.nodes[i];
        const int node = n.count == 1 ? NodeAt(n.cells[0], n.digit) : -1;
        if (node >= 0 && count < CHAINS_MAX) list(ChainNodeTable[node].chain);
    }
    for (int i = 0; i < ChainDisplayList.count; i++) list(ChainDisplayList.entries[i]);
    if (!count) return;
    line.Add(count > 1 ? " (chains " : " (chain ");
    for (int k = 0; k < count; k++) {
        if (k) line.Add(", ");
        AddChainName(line, chains[k]);
    }
    line.Add(")");
}

// The name of a trap inside one cluster when no chain could be written: simple colouring for a
// cluster of one digit, 3D Medusa for one of several.
const char* TrapName(int node) {
    return PopCount(ChainTable[ChainNodeTable[node].chain].digits) == 1 ? "Simple colouring trap"
                                                                        : "3D Medusa trap";
}

// Whether every chain shown holds only the digit: the colours of one-digit clusters.
bool DisplayedOneDigit(DigitMask digit) {
    for (int i = 0; i < ChainDisplayList.count; i++)
        if (ChainTable[ChainDisplayList.entries[i]].digits != digit) return false;
    return ChainDisplayList.count > 0;
}

// The forcing-chain search marks the node or nodes that see the target as the pattern. Two
// pattern nodes: a colour trap (opposite colours of one cluster) or two nodes of which the
// chain graph proves one true. One pattern node a: a is true or the target takes another of
// its digits, e. Each is written as the alternating chain that proves it, a = ... = b, and the
// step takes the name of that chain's shape; the colouring names are left for a step whose
// chain could not be written.
void DescribeForcing(Line& line) {
    uint8_t pattern[81], targets[81];
    int np = CellsOfKind(MARK_PATTERN, pattern);
    int nt = CellsOfKind(MARK_TARGET, targets);
    DigitMask digit = MarkedDigits();
    int d = LowestBitIndex(digit) + 1;
    int target = nt ? targets[0] : -1;

    ChainProofRecord proof;
    proof.count = 0;
    proof.overflow = false;
    bool written = false;
    const char* colouring = nullptr; // the name when no chain is written
    DigitMask other = 0;             // through the cell: the target's other digit
    if (np == 2) {
        int a = NodeAt(pattern[0], digit), b = NodeAt(pattern[1], digit);
        if (a >= 0 && b >= 0) {
            const ChainNode& na = ChainNodeTable[a];
            const ChainNode& nb = ChainNodeTable[b];
            if (na.chain == nb.chain && na.colour != nb.colour) {
                written = ClusterProof(a, false, b, true, &proof) != 0;
                colouring = TrapName(a);
            } else {
                // The search took a from the earlier cluster (from a later node of one cluster)
                // and asked whether a false makes b true; the display list ends with a's
                // cluster and b's.
                const int n = ChainDisplayList.count;
                const bool swap = na.chain == nb.chain
                                      ? a < b
                                      : n >= 2 && ChainDisplayList.entries[n - 2] == nb.chain &&
                                            ChainDisplayList.entries[n - 1] == na.chain;
                if (swap) std::swap(a, b);
                written = ImplicationProof(a, b, ChainNodeTable[a].colour, &proof) ||
                          ImplicationProof(b, a, ChainNodeTable[b].colour, &proof);
                if (DisplayedOneDigit(digit)) colouring = "Multi-colouring";
            }
        }
    } else if (np == 1 && target >= 0) {
        const int a = NodeAt(pattern[0], digit);
        for (DigitMask rest = AnalysisGrid[target] & ~digit; rest && a >= 0 && !other;
             rest &= rest - 1) {
            const DigitMask e = DigitMask(LowestBit(rest));
            const int r = NodeAt(target, e);
            if (r < 0) continue;
            const ChainNode& na = ChainNodeTable[a];
            const ChainNode& nr = ChainNodeTable[r];
            if (nr.chain == na.chain && nr.colour != na.colour) {
                colouring = TrapName(a);
                if (ClusterProof(a, false, r, true, &proof)) {
                    other = e;
                    written = true;
                }
            } else if (ImplicationProof(a, r, na.colour, &proof)) {
                other = e;
                written = true;
            }
        }
    }
    if (!written || proof.overflow) {
        line.Add("%s", colouring ? colouring : "Forcing chain");
        AddDisplayedChains(line);
        line.Add(": ");
    } else {
        line.Add("%s", ChainShapeName(proof));
        AddProofChains(line, proof);
        line.Add(": ");
        line.Proof(proof);
        line.Add(": ");
    }
    if (np == 2) {
        AddCell(line, pattern[0]);
        line.Add(" or ");
        AddCell(line, pattern[1]);
        line.Add(" is %d, so ", d);
    } else if (np == 1 && target >= 0) {
        AddCell(line, pattern[0]);
        line.Add(" is %d or ", d);
        AddCell(line, target);
        if (other)
            line.Add(" is %d, so ", LowestBitIndex(other) + 1);
        else
            line.Add(" takes another digit, so ");
    }
    if (target < 0) {
        line.Add("nothing to remove");
        return;
    }
    for (int i = 0; i < nt; i++) {
        if (i) line.Add(", ");
        AddCell(line, targets[i]);
    }
    line.Add(" cannot be ");
    AddDigits(line, digit);
}

// ---- Almost locked sets ---------------------------------------------------------------------

DigitMask UnionOf(const uint8_t* cells, int count) {
    DigitMask all = 0;
    for (int i = 0; i < count; i++) all |= AnalysisGrid[cells[i]];
    return all;
}

void AddAls(Line& line, const uint8_t* cells, int count) {
    AddCells(line, cells, count);
    line.Add(" {");
    AddDigits(line, UnionOf(cells, count));
    line.Add("}");
}

// Whether the search counted cell a as seeing cell b for the digit: peers, or linked through
// the chain graph as the search found.
bool SeenBySearch(int a, int b, DigitMask digit) {
    return a != b && (IsPeer(a, b) || GraphLinked(a, b, digit));
}

// Whether the cell holds the digit and sees every cell of the set holding it, as the search
// judged (the set holds it somewhere).
bool SeesAllOf(int cell, const uint8_t* cells, int count, DigitMask digit) {
    if (!(AnalysisGrid[cell] & digit) || !(UnionOf(cells, count) & digit)) return false;
    for (int i = 0; i < count; i++)
        if ((AnalysisGrid[cells[i]] & digit) && !SeenBySearch(cell, cells[i], digit)) return false;
    return true;
}

// The links that the chain graph gave the search, each written as its chain: "; links
// (6)r1c4-r1c5=r3c5-r4c4, ...". One entry per pair of cells and digit.
struct LinkList {
    int count;
    uint8_t a[64], b[64];
    DigitMask digit[64];
    void Need(int cellA, int cellB, DigitMask d) {
        if (cellA == cellB || IsPeer(cellA, cellB)) return;
        for (int i = 0; i < count; i++)
            if (digit[i] == d &&
                ((a[i] == cellA && b[i] == cellB) || (a[i] == cellB && b[i] == cellA)))
                return;
        if (count == 64) return;
        a[count] = uint8_t(cellA);
        b[count] = uint8_t(cellB);
        digit[count++] = d;
    }
    // Every non-peer pair of the cell with the set's cells holding the digit.
    void NeedAll(int cell, const uint8_t* cells, int n, DigitMask d) {
        for (int i = 0; i < n; i++)
            if (AnalysisGrid[cells[i]] & d) Need(cell, cells[i], d);
    }
};

void AddLinks(Line& line, const LinkList& links) {
    bool first = true;
    for (int i = 0; i < links.count; i++) {
        ChainProofRecord proof;
        proof.count = 0;
        proof.overflow = false;
        if (!LinkProof(links.a[i], links.b[i], links.digit[i], &proof) || proof.overflow) continue;
        line.Add(first ? "; links " : ", ");
        line.Proof(proof);
        first = false;
    }
}

// The index of the listed set with exactly these cells, or -1.
int AlsIndexOf(const uint8_t* cells, int count) {
    for (int i = 0; i < AlsCount; i++) {
        const uint8_t* listed;
        if (AlsCells(i, &listed) != count) continue;
        bool same = true;
        for (int k = 0; k < count && same; k++) {
            bool found = false;
            for (int m = 0; m < count; m++) found = found || listed[m] == cells[k];
            same = found;
        }
        if (same) return i;
    }
    return -1;
}

// X of the pair of sets as the search recorded it; recomputed the search's way when the pair
// is not in the table.
DigitMask RestrictedCommon(const uint8_t* a, int na, const uint8_t* b, int nb) {
    const int first = AlsIndexOf(a, na), second = AlsIndexOf(b, nb);
    for (int p = 0; p < AlsPairCount && first >= 0 && second >= 0; p++)
        if (AlsPairTable[p].first == first && AlsPairTable[p].second == second)
            return AlsPairTable[p].digits;
    DigitMask common = 0;
    for (DigitMask rest = UnionOf(a, na) & UnionOf(b, nb); rest; rest &= rest - 1) {
        const DigitMask digit = DigitMask(LowestBit(rest));
        bool all = true;
        for (int i = 0; i < na && all; i++)
            for (int j = 0; j < nb && all; j++)
                if ((AnalysisGrid[a[i]] & digit) && (AnalysisGrid[b[j]] & digit))
                    all = SeenBySearch(a[i], b[j], digit);
        if (all) common |= digit;
    }
    return common;
}

// ALS-XZ: sets A and B whose restricted common digits X cannot be in both. Singly linked, the
// target sees every Z (a digit of both besides X) of both sets; doubly linked (X of two or more
// digits) both sets are locked, and the target sees every Z of one set outside X, or every Z
// in X of both.
void DescribeAlsPair(Line& line, const uint8_t* a, int na, const uint8_t* b, int nb, DigitMask z) {
    uint8_t targets[81];
    const int nt = CellsOfKind(MARK_TARGET, targets);
    const int t = nt ? targets[0] : -1;
    const DigitMask x = RestrictedCommon(a, na, b, nb);
    const bool doubly = PopCount(x) >= 2;
    line.Add(doubly ? "ALS-XZ doubly linked" : "ALS-XZ");
    AddDisplayedChains(line);
    line.Add(": A = ");
    AddAls(line, a, na);
    line.Add(", B = ");
    AddAls(line, b, nb);
    line.Add(", X = ");
    AddDigits(line, x);
    line.Add(", Z = ");
    AddDigits(line, z);
    // Which sets the target sees the digit in: A first, as the search tries them.
    bool inA = true, inB = true;
    if (doubly && !(z & x)) {
        inA = t >= 0 && SeesAllOf(t, a, na, z);
        inB = !inA;
        line.Add(inA ? " from A" : " from B");
    } else if (doubly) {
        line.Add(" from A and B");
    }
    line.Add(": ");
    AddLosses(line, z);

    LinkList links;
    links.count = 0;
    for (DigitMask rest = x; rest; rest &= rest - 1) {
        const DigitMask digit = DigitMask(LowestBit(rest));
        for (int i = 0; i < na; i++)
            if (AnalysisGrid[a[i]] & digit) links.NeedAll(a[i], b, nb, digit);
    }
    if (t >= 0) {
        if (inA) links.NeedAll(t, a, na, z);
        if (inB) links.NeedAll(t, b, nb, z);
    }
    AddLinks(line, links);
}

// The ALS chain rule: nodes i (digit x) and j (digit y) both see all of their digit in A, and i
// true would make j true; both true would take two digits from A, so i is false, and with it
// every node of its colour. Finds i and j the search's way: nodes in table order, i among the
// marked targets.
void DescribeAlsChain(Line& line, const uint8_t* a, int na, DigitMask x) {
    ChainProofRecord proof;
    proof.count = 0;
    proof.overflow = false;
    int found = -1, partner = -1;
    for (int i = 0; i < ChainNodeCount && found < 0; i++) {
        const ChainNode& ni = ChainNodeTable[i];
        if (ni.digits != x || KindOf(StepMarks[ni.cell]) != MARK_TARGET ||
            !SeesAllOf(ni.cell, a, na, x))
            continue;
        for (int j = 0; j < ChainNodeCount; j++) {
            const ChainNode& nj = ChainNodeTable[j];
            if (nj.digits == x || !SeesAllOf(nj.cell, a, na, nj.digits)) continue;
            const bool proved =
                nj.chain != ni.chain
                    ? ImplicationProof(i, j, ni.colour ^ 1, &proof) != 0
                    : nj.colour == ni.colour && ClusterProof(i, true, j, true, &proof);
            if (proved) {
                found = i;
                partner = j;
                break;
            }
        }
    }
    if (found < 0 || proof.overflow) {
        line.Add("ALS chain with ");
        AddAls(line, a, na);
        AddDisplayedChains(line);
        line.Add(": ");
        AddLosses(line, x);
        return;
    }
    const ChainNode& ni = ChainNodeTable[found];
    const ChainNode& nj = ChainNodeTable[partner];
    const int xd = LowestBitIndex(x) + 1, yd = LowestBitIndex(nj.digits) + 1;
    line.Add("ALS-AIC");
    AddProofChains(line, proof);
    line.Add(": A = ");
    AddAls(line, a, na);
    line.Add("; ");
    line.Proof(proof);
    line.Add(": if ");
    AddCell(line, ni.cell);
    line.Add(" were %d, ", xd);
    AddCell(line, nj.cell);
    line.Add(" would be %d and A would lose both, so ", yd);
    AddCell(line, ni.cell);
    line.Add(" is not %d", xd);
    // The other targets: the nodes of i's colour with its digit, false along with it.
    for (int m = ChainTable[ni.chain].first; m < ChainTable[ni.chain + 1].first; m++) {
        const ChainNode& nm = ChainNodeTable[m];
        if (m == found || nm.digits != x || nm.colour != ni.colour) continue;
        ChainProofRecord same;
        same.count = 0;
        same.overflow = false;
        if (!ClusterProof(found, false, m, false, &same) || same.overflow) continue;
        line.Add(", nor ");
        AddCell(line, nm.cell);
        line.Add(" (");
        line.Proof(same);
        line.Add(")");
    }
    line.Add(": ");
    AddLosses(line, x);
    LinkList links;
    links.count = 0;
    links.NeedAll(ni.cell, a, na, x);
    links.NeedAll(nj.cell, a, na, nj.digits);
    AddLinks(line, links);
}

void DescribeAls(Line& line) {
    uint8_t a[81], b[81];
    int na = 0, nb = 0;
    for (int x = 0; x < 81; x++) {
        uint16_t kind = KindOf(StepMarks[x]);
        if (kind == MARK_ALS || kind == MARK_SHARED) a[na++] = uint8_t(x);
        if (kind == MARK_LINK || kind == MARK_SHARED) b[nb++] = uint8_t(x);
    }
    const DigitMask digit = MarkedDigits();
    if (nb == 0)
        DescribeAlsChain(line, a, na, digit);
    else
        DescribeAlsPair(line, a, na, b, nb, digit);
}

void DescribeNothing(Line& line) {
    uint8_t wrong[81];
    int n = CellsOfKind(MARK_WRONG, wrong);
    if (!n) {
        line.Add("No step found");
        return;
    }
    line.Add("Wrong digit%s: ", n > 1 ? "s" : "");
    AddCells(line, wrong, n);
    line.Add(n > 1 ? " differ from the solution" : " differs from the solution");
}

} // namespace

int DescribeStep(int kind, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    Line line = {out, size, 0};
    switch (kind) {
    case STEP_NONE:
        DescribeNothing(line);
        break;
    case STEP_SINGLES:
        DescribeSingles(line, CurrentStep);
        break;
    case STEP_SUBSETS:
        DescribeSubset(line, CurrentStep);
        break;
    case STEP_LOCKED:
        DescribeLocked(line, CurrentStep);
        break;
    case STEP_GRID:
        DescribeFish(line, CurrentStep);
        break;
    case STEP_CHAINS:
        DescribeForcing(line);
        break;
    case STEP_ALS:
        DescribeAls(line);
        break;
    default:
        line.Add("Unknown step kind %d", kind);
        break;
    }
    return int(line.len);
}

int DescribeChain(int chain, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    Line line = {out, size, 0};
    if (chain < 0 || chain >= ChainCount) return 0;
    AddChainName(line, chain);
    line.Add(":");
    // Colour 1 (the seed's) first, each colour digit by digit in cell order.
    for (int colour = 1; colour >= 0; colour--) {
        if (colour == 0) line.Add(" |");
        for (int d = 0; d < 9; d++) {
            bool first = true;
            for (int n = ChainTable[chain].first; n < ChainTable[chain + 1].first; n++) {
                const ChainNode& node = ChainNodeTable[n];
                if (node.colour != colour || node.digits != DigitMask(1u << d)) continue;
                if (first) line.Add(" (%d)", d + 1);
                if (!first) line.Add(",");
                AddCell(line, node.cell);
                first = false;
            }
        }
    }
    return int(line.len);
}
