// The current step in words: one line naming the technique, where it stands and what it places
// or removes. Cells are written rNcM, rows and columns 1-based; boxes are numbered 1..9 row by
// row from the top left, as players count them (BoxOf + 1).
// Chains are written out as alternating inference chains ("(4)r1c7=r3c7-r3c2=r6c2"), and the
// almost-locked-set texts state the sets, X and Z as the search found them, with the chain of
// every link it took from the chain graph. Reads the step record alone (a fish's sashimi test
// also the AnalysisGrid); a chain or almost-locked-set step's record is completed first, so it
// must be described after the RunAnalysis that found it and before ApplyStep.
#include "analysis/steptext.h"
#include "analysis/analysis.h"
#include "analysis/chainproof.h"
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include "analysis/textline.h"
#include "model/board.h"
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// A line being written into the caller's buffer, with chains written in place.
struct Line : TextLine {
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

// A subset's targets, each on its own: "r2c4 loses 5; r2c7 loses 5,8".
void AddEachTarget(Line& line, const StepRecord& s) {
    for (int i = 0; i < s.targetCount; i++) {
        if (i) line.Add("; ");
        AddCell(line, s.targets[i].cell);
        line.Add(" loses ");
        AddDigits(line, s.targets[i].digits);
    }
    if (!s.targetCount) line.Add("nothing to remove");
}

const char* const COLOURING_NAMES[] = {"Forcing chain", "Simple colouring trap", "3D Medusa trap",
                                       "Multi-colouring"};
static_assert(sizeof COLOURING_NAMES / sizeof COLOURING_NAMES[0] == COLOURING_MULTI + 1);

// The technique's name as the step's text begins with it: "Hidden pair", "Finned X-wing", the
// shape of a forcing step's chain ("XY-wing"). A chain or almost-locked-set record must be
// completed (its chains written); a fish's sashimi test reads the AnalysisGrid.
void AddStepName(Analysis* A, Line& line, const StepRecord& s) {
    const int t = s.technique;
    if (IsSingleTechnique(t)) {
        line.Add("%s", s.placed < 0           ? (s.patternCount ? "Singles clash" : "Singles")
                       : t == TQ_NAKED_SINGLE ? "Naked single"
                                              : "Hidden single");
    } else if (IsHiddenSubset(t) || IsNakedSubset(t)) {
        const bool naked = IsNakedSubset(t);
        const int size = naked ? s.nakedCount : s.size;
        line.Add("%s %s", naked ? "Naked" : "Hidden", size <= 4 ? SIZE_NAMES[size] : "subset");
    } else if (t == TQ_BOX_LINES) {
        // A row and a column make the empty rectangle; two rows (or columns) a grouped turbot
        // fish.
        line.Add("%s", (s.linkLines[0] < 9) != (s.linkLines[1] < 9) ? "Empty rectangle"
                                                                    : "Grouped turbot fish");
    } else if (t == TQ_POINTING || t == TQ_CLAIMING) {
        line.Add("%s", t == TQ_POINTING ? "Pointing" : "Claiming");
    } else if (IsBasicFish(t) || IsFinnedFish(t)) {
        line.Add("%s%s",
                 !s.finCount                         ? ""
                 : StepIsSashimi(s, A->AnalysisGrid) ? "Sashimi "
                                                     : "Finned ",
                 FISH_NAMES[s.size]);
    } else if (t == TQ_AIC) {
        const int at = FindStepChain(s, CHAIN_PROOF);
        ChainProofRecord proof;
        if (at >= 0) StepChainProof(s, at, &proof);
        line.Add("%s", at < 0 ? COLOURING_NAMES[s.colouring] : ChainShapeName(proof));
    } else if (t == TQ_ALS_XZ) {
        line.Add(std::popcount(s.restricted) >= 2 ? "ALS-XZ doubly linked" : "ALS-XZ");
    } else if (t == TQ_ALS_CHAIN) {
        line.Add(FindStepChain(s, CHAIN_PROOF) < 0 ? "ALS chain" : "ALS-AIC");
    }
}

// ApplyStep enters the first single in cell order (the entry clears the marks), so that one is
// named with its reason and the others are listed after it.
void DescribeSingles(Analysis* A, Line& line, const StepRecord& s) {
    AddStepName(A, line, s);
    if (s.placed >= 0) {
        line.Add(": ");
        AddCell(line, s.placed);
        line.Add(" = %d", std::countr_zero(s.digits) + 1);
        if (s.technique != TQ_NAKED_SINGLE && s.unit >= 0) {
            line.Add(" (the only place for %d in ", std::countr_zero(s.digits) + 1);
            AddUnitName(line, s.unit);
            line.Add(")");
        }
        int listed = 0;
        for (int i = 0; i < s.patternCount; i++) {
            const StepCell& c = s.pattern[i];
            if (c.cell <= s.placed || std::popcount(c.digits) != 1) continue;
            if (listed == SINGLES_LISTED) { // the rest follow in later steps
                line.Add(", ...");
                break;
            }
            line.Add(listed++ ? ", " : "; also available: ");
            AddCell(line, c.cell);
            line.Add(" = %d", std::countr_zero(c.digits) + 1);
        }
    } else {
        line.Add(s.patternCount ? ", nothing to enter" : ": nothing to enter");
    }
    // A cell that is the only place for two digits: the candidates contradict each other.
    for (int i = 0; i < s.patternCount; i++) {
        if (std::popcount(s.pattern[i].digits) < 2) continue;
        line.Add("; contradiction: ");
        AddCell(line, s.pattern[i].cell);
        line.Add(" would have to be ");
        AddDigits(line, s.pattern[i].digits);
    }
}

// A hidden subset: n digits confined to n cells of a unit. When the rest of the unit's open
// cells are a smaller (or equal) naked subset, the step is named after that; the eliminations
// are the same.
void DescribeSubset(Analysis* A, Line& line, const StepRecord& s) {
    const bool naked = IsNakedSubset(s.technique);
    AddStepName(A, line, s);
    line.Add(" ");
    AddDigits(line, naked ? s.nakedDigits : s.digits);
    line.Add(" in ");
    AddUnitName(line, s.unit);
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
    AddEachTarget(line, s);
    if (!naked) line.Add(")");
}

void AddLineName(Line& line, int unit, bool possessive) {
    line.Add("%s %d%s", unit < 9 ? "row" : "column", unit % 9 + 1, possessive ? "'s" : "");
}

void DescribeLocked(Analysis* A, Line& line, const StepRecord& s) {
    const int d = std::countr_zero(s.digits) + 1;
    AddStepName(A, line, s);
    if (s.technique == TQ_BOX_LINES) {
        // Within the box the digit lies on the two lines only, so one line has it in the box
        // and the other has it at its one place outside: one link cell holds it.
        const int lineA = s.linkLines[0], lineB = s.linkLines[1];
        line.Add(" (box and two lines) %d in box %d: the box's %ds lie in ", d,
                 BoxOf(UnitTable[s.unit][0]) + 1, d);
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
    } else if (s.technique == TQ_POINTING) {
        line.Add(" %d in box %d along ", d, BoxOf(UnitTable[s.unit][0]) + 1);
        AddLineName(line, s.line, false);
        line.Add(": ");
    } else {
        line.Add(" %d in ", d);
        AddLineName(line, s.unit, false);
        line.Add(" within box %d: ", BoxOf(UnitTable[s.line][0]) + 1);
    }
    AddTargets(line, s);
}

void DescribeFish(Analysis* A, Line& line, const StepRecord& s) {
    AddStepName(A, line, s);
    line.Add(" %d in %s ", std::countr_zero(s.digits) + 1, s.family ? "columns" : "rows");
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

// The clusters the record names: " (chains k, l)"; nothing if none.
void AddClusters(Line& line, const StepRecord& s) {
    if (!s.clusterCount) return;
    line.Add(s.clusterCount > 1 ? " (chains " : " (chain ");
    for (int k = 0; k < s.clusterCount; k++) {
        if (k) line.Add(", ");
        AddChainName(line, s.clusters[k]);
    }
    line.Add(")");
}

// Chain i of the record, written in place.
void AddChain(Line& line, const StepRecord& s, int i) {
    ChainProofRecord proof;
    StepChainProof(s, i, &proof);
    line.Proof(proof);
}

// A forcing step: the node or nodes that see the target (two: a colour trap, or two nodes of
// which the chain graph proves one true; one: it is true or the target takes another digit),
// written as the alternating chain that proves it, a = ... = b, named by that chain's shape;
// the colouring names are left for a step whose chain could not be written.
void DescribeForcing(Analysis* A, Line& line, const StepRecord& s) {
    const int at = FindStepChain(s, CHAIN_PROOF);
    const int d = std::countr_zero(s.digits) + 1;
    AddStepName(A, line, s);
    AddClusters(line, s);
    if (at >= 0) {
        ChainProofRecord proof;
        StepChainProof(s, at, &proof);
        line.Add(": ");
        line.Proof(proof);
    }
    line.Add(": ");
    AddCell(line, s.pattern[0].cell);
    if (s.patternCount == 2) {
        line.Add(" or ");
        AddCell(line, s.pattern[1].cell);
        line.Add(" is %d, so ", d);
    } else {
        line.Add(" is %d or ", d);
        AddCell(line, s.targets[0].cell);
        line.Add(" is %d, so ", std::countr_zero(s.other) + 1);
    }
    for (int i = 0; i < s.targetCount; i++) {
        if (i) line.Add(", ");
        AddCell(line, s.targets[i].cell);
    }
    line.Add(" cannot be ");
    AddDigits(line, s.digits);
}

// ---- Almost locked sets ---------------------------------------------------------------------

void AddSet(Line& line, const StepSet& set) {
    AddCells(line, set.cells, set.count);
    line.Add(" {");
    AddDigits(line, set.digits);
    line.Add("}");
}

// The links that the chain graph gave the search, each written as its chain: "; links
// (6)r1c4-r1c5=r3c5-r4c4, ...".
void AddLinks(Line& line, const StepRecord& s) {
    bool first = true;
    for (int i = 0; i < s.chainCount; i++) {
        if (s.chains[i].role != CHAIN_LINK) continue;
        line.Add(first ? "; links " : ", ");
        AddChain(line, s, i);
        first = false;
    }
}

// ALS-XZ: sets A and B whose restricted common digits X cannot be in both. Singly linked, the
// target sees every Z (a digit of both besides X) of both sets; doubly linked (X of two or more
// digits) both sets are locked, and the target sees every Z of one set outside X, or every Z
// in X of both.
void DescribeAlsPair(Analysis* A, Line& line, const StepRecord& s) {
    const bool doubly = std::popcount(s.restricted) >= 2;
    AddStepName(A, line, s);
    AddClusters(line, s);
    line.Add(": A = ");
    AddSet(line, s.sets[0]);
    line.Add(", B = ");
    AddSet(line, s.sets[1]);
    line.Add(", X = ");
    AddDigits(line, s.restricted);
    line.Add(", Z = ");
    AddDigits(line, s.digits);
    if (doubly) line.Add(s.zSets == 3 ? " from A and B" : s.zSets == 1 ? " from A" : " from B");
    line.Add(": ");
    AddTargets(line, s);
    AddLinks(line, s);
}

// The ALS chain rule: nodes i (digit x) and j (digit y) both see all of their digit in A, and i
// true would make j true; both true would take two digits from A, so i is false, and with it
// every node of its colour.
void DescribeAlsChain(Analysis* A, Line& line, const StepRecord& s) {
    const int at = FindStepChain(s, CHAIN_PROOF);
    AddStepName(A, line, s);
    if (at < 0) {
        line.Add(" with ");
        AddSet(line, s.sets[0]);
        AddClusters(line, s);
        line.Add(": ");
        AddTargets(line, s);
        return;
    }
    const StepChain& c = s.chains[at];
    const ProofNode& i = s.nodes[c.first];
    const ProofNode& j = s.nodes[c.first + c.count - 1];
    const int xd = std::countr_zero(i.digit) + 1, yd = std::countr_zero(j.digit) + 1;
    AddClusters(line, s);
    line.Add(": A = ");
    AddSet(line, s.sets[0]);
    line.Add("; ");
    AddChain(line, s, at);
    line.Add(": if ");
    AddCell(line, i.cells[0]);
    line.Add(" were %d, ", xd);
    AddCell(line, j.cells[0]);
    line.Add(" would be %d and A would lose both, so ", yd);
    AddCell(line, i.cells[0]);
    line.Add(" is not %d", xd);
    // The other targets, false along with i.
    for (int k = 0; k < s.chainCount; k++) {
        if (s.chains[k].role != CHAIN_FALSE) continue;
        line.Add(", nor ");
        AddCell(line, s.nodes[s.chains[k].first + s.chains[k].count - 1].cells[0]);
        line.Add(" (");
        AddChain(line, s, k);
        line.Add(")");
    }
    line.Add(": ");
    AddTargets(line, s);
    AddLinks(line, s);
}

void DescribeNothing(Analysis* A, Line& line) {
    uint8_t wrong[81];
    int n = 0;
    for (int x = 0; x < 81; x++)
        if ((A->StepMarks[x] & MARK_KIND) == MARK_WRONG) wrong[n++] = uint8_t(x);
    if (!n) {
        line.Add("No step found");
        return;
    }
    line.Add("Wrong digit%s: ", n > 1 ? "s" : "");
    AddCells(line, wrong, n);
    line.Add(n > 1 ? " differ from the solution" : " differs from the solution");
}

} // namespace

int DescribeStep(Analysis* A, int kind, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    Line line = {{out, size, 0}};
    switch (kind) {
    case STEP_NONE:
        DescribeNothing(A, line);
        break;
    case STEP_SINGLES:
        DescribeSingles(A, line, A->CurrentStep);
        break;
    case STEP_SUBSETS:
        DescribeSubset(A, line, A->CurrentStep);
        break;
    case STEP_LOCKED:
        DescribeLocked(A, line, A->CurrentStep);
        break;
    case STEP_GRID:
        DescribeFish(A, line, A->CurrentStep);
        break;
    case STEP_CHAINS:
        CompleteCurrentStep(A);
        DescribeForcing(A, line, A->CurrentStep);
        break;
    case STEP_ALS:
        CompleteCurrentStep(A);
        if (A->CurrentStep.technique == TQ_ALS_XZ)
            DescribeAlsPair(A, line, A->CurrentStep);
        else
            DescribeAlsChain(A, line, A->CurrentStep);
        break;
    default:
        line.Add("Unknown step kind %d", kind);
        break;
    }
    return int(line.len);
}

int StepName(Analysis* A, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    Line line = {{out, size, 0}};
    CompleteCurrentStep(A);
    AddStepName(A, line, A->CurrentStep);
    return int(line.len);
}

int DescribeChain(Analysis* A, int chain, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    Line line = {{out, size, 0}};
    if (chain < 0 || chain >= A->ChainCount) return 0;
    AddChainName(line, chain);
    line.Add(":");
    // Colour 1 (the seed's) first, each colour digit by digit in cell order.
    for (int colour = 1; colour >= 0; colour--) {
        if (colour == 0) line.Add(" |");
        for (int d = 0; d < 9; d++) {
            bool first = true;
            for (int n = A->ChainTable[chain].first; n < A->ChainTable[chain + 1].first; n++) {
                const ChainNode& node = A->ChainNodeTable[n];
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

int DescribeConclusion(const StepRecord& s, char* out, size_t size) {
    if (!out || size == 0) return 0;
    Line line{{out, size, 0}};
    out[0] = 0;
    if (s.placed >= 0 && s.placed < 81)
        line.Add("r%dc%d = %d", RowOf(s.placed) + 1, ColumnOf(s.placed) + 1,
                 std::countr_zero(unsigned(s.digits)) + 1);
    else if (s.targetCount > 0 && (IsHiddenSubset(s.technique) || IsNakedSubset(s.technique)))
        AddEachTarget(line, s); // as the subset's text writes them
    else if (s.targetCount > 0)
        AddTargets(line, s);
    return int(line.len);
}

int ConclusionFirst(const char* text, const char* conclusion, char* out, size_t size) {
    if (!out || size == 0) return 0;
    TextLine line{out, size, 0};
    out[0] = 0;
    const size_t n = std::strlen(conclusion);
    if (n == 0) {
        line.Add("%s", text);
        return int(line.len);
    }
    // Where the text states the conclusion: its last statement after ": " or " => " that ends
    // there, or in parentheses of its own.
    const char* cut = nullptr;
    size_t cutLength = 0;
    for (const char* at = std::strstr(text, conclusion); at; at = std::strstr(at + 1, conclusion)) {
        const char end = at[n];
        const size_t from = size_t(at - text);
        if (from >= 2 && at[-1] == '(' && at[-2] == ' ' && end == ')') {
            cut = at - 2;
            cutLength = n + 3;
        } else if (end == 0 || end == ';' || end == ' ') {
            if (from >= 2 && std::strncmp(at - 2, ": ", 2) == 0) {
                cut = at - 2;
                cutLength = n + 2;
            } else if (from >= 4 && std::strncmp(at - 4, " => ", 4) == 0) {
                cut = at - 4;
                cutLength = n + 4;
            }
        }
    }
    line.Add("%s: ", conclusion);
    if (!cut) {
        line.Add("%s", text);
    } else {
        line.Add("%.*s", int(cut - text), text);
        line.Add("%s", cut + cutLength);
    }
    return int(line.len);
}
