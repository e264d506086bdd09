// Checks a step against the position, from its record alone. The record must state what the
// step did (its placement or removals), and its pattern must prove those removals on the
// candidates before the step: the units, lines and fins of singles, subsets, locked candidates
// and fish; every chain of a chain or almost-locked-set step must hold with its own link rules,
// a forcing chain's ends must take the digit from every target, and an almost-locked-set
// step's sets, X, Z and chains must give its removals. It does not look at the engine's
// tables, so a record that claims something the engine did not do, or leaves out what it
// used, is caught.
#include "analysis/textcheck.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include <cstdarg>
#include <cstdio>

namespace {

__attribute__((format(printf, 4, 5))) int Fault(int result, char* why, size_t size,
                                                const char* format, ...) {
    if (why && size) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(why, size, format, args);
        va_end(args);
    }
    return result;
}

// ---- Link rules -----------------------------------------------------------------------------

bool Sees(int a, int b) {
    return a != b && IsPeer(a, b);
}

bool NodeHolds(const ProofNode& n, const DigitMask* grid) {
    if (n.count < 1 || n.count > 3 || std::popcount(n.digit) != 1) return false;
    for (int i = 0; i < n.count; i++) {
        if (n.cells[i] > 80 || !(grid[n.cells[i]] & n.digit)) return false;
        for (int j = 0; j < i; j++)
            if (n.cells[j] == n.cells[i]) return false;
    }
    if (n.count == 1) return true;
    bool oneRow = true, oneColumn = true, oneBox = true;
    for (int i = 1; i < n.count; i++) {
        oneRow = oneRow && n.cells[i] / 9 == n.cells[0] / 9;
        oneColumn = oneColumn && n.cells[i] % 9 == n.cells[0] % 9;
        oneBox = oneBox && BoxOf(n.cells[i]) == BoxOf(n.cells[0]);
    }
    return oneBox && (oneRow || oneColumn);
}

bool InCells(const ProofNode& n, int cell) {
    for (int i = 0; i < n.count; i++)
        if (n.cells[i] == cell) return true;
    return false;
}

bool SameCandidate(const ProofNode& a, const ProofNode& b) {
    return a.count == 1 && b.count == 1 && a.cells[0] == b.cells[0];
}

bool Disjoint(const ProofNode& a, const ProofNode& b) {
    for (int i = 0; i < a.count; i++)
        if (InCells(b, a.cells[i])) return false;
    return true;
}

bool WeakHolds(const ProofNode& a, const ProofNode& b) {
    if (SameCandidate(a, b)) return a.digit != b.digit;
    if (a.digit != b.digit || !Disjoint(a, b)) return false;
    for (int i = 0; i < a.count; i++)
        for (int j = 0; j < b.count; j++)
            if (!Sees(a.cells[i], b.cells[j])) return false;
    return true;
}

bool StrongHolds(const ProofNode& a, const ProofNode& b, const DigitMask* grid) {
    if (SameCandidate(a, b))
        return a.digit != b.digit && grid[a.cells[0]] == DigitMask(a.digit | b.digit);
    if (a.digit != b.digit || !Disjoint(a, b)) return false;
    // A unit holding both nodes whose places for the digit are exactly their cells.
    for (int unit = 0; unit < 27; unit++) {
        int inside = 0, places = 0;
        bool other = false;
        for (int k = 0; k < 9; k++) {
            const int c = UnitTable[unit][k];
            const bool mine = InCells(a, c) || InCells(b, c);
            inside += mine ? 1 : 0;
            if (grid[c] & a.digit) {
                places++;
                other = other || !mine;
            }
        }
        if (inside == a.count + b.count && !other && places == inside) return true;
    }
    return false;
}

// ---- Steps checked from their record ------------------------------------------------------

bool InUnit(int cell, int unit) {
    for (int k = 0; k < 9; k++)
        if (UnitTable[unit][k] == cell) return true;
    return false;
}

// Row (family 0) or column (family 1) of a cell.
int LineOf(int cell, int family) {
    return family ? cell % 9 : cell / 9;
}

// Whether every target loses only digits of `allowed`, and something.
bool TargetsLoseOnly(const StepRecord& s, DigitMask allowed) {
    for (int i = 0; i < s.targetCount; i++)
        if (!s.targets[i].digits || (s.targets[i].digits & ~allowed)) return false;
    return true;
}

// The places of the digits in a unit as a cell count.
int PlacesIn(int unit, DigitMask digits, const DigitMask* grid) {
    int places = 0;
    for (int k = 0; k < 9; k++) places += (grid[UnitTable[unit][k]] & digits) ? 1 : 0;
    return places;
}

// Why the recorded pattern does not prove the recorded removals on the candidates before it,
// worked out from the record's units, lines and fins alone; null when it does.
const char* ShapeFault(const StepRecord& s, const DigitMask* grid) {
    const DigitMask d = s.digits;
    switch (s.technique) {
    case TQ_NAKED_SINGLE:
        return grid[s.placed] == d ? nullptr : "the cell holds other candidates";
    case TQ_HIDDEN_SINGLE_LINE:
    case TQ_HIDDEN_SINGLE_BOX:
        return s.unit >= (s.technique == TQ_HIDDEN_SINGLE_BOX ? 18 : 0) &&
                       s.unit < (s.technique == TQ_HIDDEN_SINGLE_BOX ? 27 : 18) &&
                       InUnit(s.placed, s.unit) && (grid[s.placed] & d) &&
                       PlacesIn(s.unit, d, grid) == 1
                   ? nullptr
                   : "the digit has another place in the unit";
    case TQ_SINGLES_CLASH:
        return nullptr; // nothing entered, nothing to prove
    case TQ_HIDDEN_PAIR:
    case TQ_HIDDEN_TRIPLE:
    case TQ_HIDDEN_QUAD: {
        if (s.unit < 0 || s.unit >= 27 || std::popcount(d) != s.size ||
            s.technique != SubsetTechnique(false, s.size) || PlacesIn(s.unit, d, grid) != s.size)
            return "the digits are not confined to as many cells of the unit";
        DigitMask seen = 0;
        for (int k = 0; k < 9; k++) seen |= grid[UnitTable[s.unit][k]] & d;
        for (int i = 0; i < s.targetCount; i++)
            if (!InUnit(s.targets[i].cell, s.unit) || !(grid[s.targets[i].cell] & d))
                return "a target is not a cell of the subset";
        return seen == d && TargetsLoseOnly(s, DigitMask(~d)) ? nullptr
                                                              : "a cell loses a subset digit";
    }
    case TQ_NAKED_PAIR:
    case TQ_NAKED_TRIPLE:
    case TQ_NAKED_QUAD: {
        DigitMask all = 0;
        for (int i = 0; i < s.nakedCount; i++) {
            if (s.unit < 0 || s.unit >= 27 || !InUnit(s.nakedCells[i], s.unit))
                return "a cell of the naked subset is outside the unit";
            for (int j = 0; j < i; j++)
                if (s.nakedCells[j] == s.nakedCells[i]) return "a cell is named twice";
            all |= grid[s.nakedCells[i]];
        }
        if (s.nakedCount < 2 || all != s.nakedDigits || std::popcount(all) != s.nakedCount ||
            s.technique != SubsetTechnique(true, s.nakedCount))
            return "the cells hold other digits than the naked subset's";
        for (int i = 0; i < s.targetCount; i++)
            for (int k = 0; k < s.nakedCount; k++)
                if (!InUnit(s.targets[i].cell, s.unit) || s.targets[i].cell == s.nakedCells[k])
                    return "a target is outside the unit or in the subset";
        return TargetsLoseOnly(s, all) ? nullptr : "a target loses a digit the subset lacks";
    }
    case TQ_POINTING:
    case TQ_CLAIMING: {
        // The digit of the first unit lies inside the second; the rest of the second loses it.
        const int from = s.unit, into = s.line;
        if (from < 0 || from >= 27 || into < 0 || into >= 27 ||
            (from >= 18) != (s.technique == TQ_POINTING) || (into >= 18) == (from >= 18))
            return "not a box and a line";
        for (int k = 0; k < 9; k++) {
            const int cell = UnitTable[from][k];
            if ((grid[cell] & d) && !InUnit(cell, into))
                return "the digit lies outside the crossing";
        }
        for (int i = 0; i < s.targetCount; i++)
            if (!InUnit(s.targets[i].cell, into) || InUnit(s.targets[i].cell, from))
                return "a target lies outside the second unit or in the first";
        return std::popcount(d) == 1 && TargetsLoseOnly(s, d) ? nullptr
                                                              : "a target loses another digit";
    }
    case TQ_BOX_LINES: {
        // The box's digit lies on lines A and B (not at their crossing), and each line has
        // one place outside the box, its link: if link A is false, A takes the box's digit, so
        // B has it at link B. Either link is the digit, and what sees both loses it.
        const int box = s.unit, a = s.linkLines[0], b = s.linkLines[1];
        if (box < 18 || box >= 27 || a < 0 || a >= 18 || b < 0 || b >= 18 || a == b ||
            std::popcount(d) != 1)
            return "not a box and two lines";
        int inBox[2] = {0, 0};
        for (int k = 0; k < 9; k++) {
            const int cell = UnitTable[box][k];
            if (!(grid[cell] & d)) continue;
            const bool onA = InUnit(cell, a), onB = InUnit(cell, b);
            if (onA == onB) return "the box holds the digit off the lines or at their crossing";
            inBox[onB]++;
        }
        for (int l = 0; l < 2; l++) {
            const int unit = s.linkLines[l];
            if (!inBox[l] || !InUnit(s.links[l], unit) || InUnit(s.links[l], box) ||
                !(grid[s.links[l]] & d) || PlacesIn(unit, d, grid) != inBox[l] + 1)
                return "a line holds the digit outside the box elsewhere than at its link";
        }
        for (int i = 0; i < s.targetCount; i++) {
            const int t = s.targets[i].cell;
            if (t == s.links[0] || t == s.links[1] || !IsPeer(t, s.links[0]) ||
                !IsPeer(t, s.links[1]))
                return "a target does not see both links";
        }
        return TargetsLoseOnly(s, d) ? nullptr : "a target loses another digit";
    }
    case TQ_X_WING:
    case TQ_SWORDFISH:
    case TQ_JELLYFISH:
    case TQ_FINNED_X_WING:
    case TQ_FINNED_SWORDFISH:
    case TQ_FINNED_JELLYFISH: {
        // Each base line's digit on the cover lines or at a fin, the fins in one box: the
        // cover lines take the digit from the base lines, or a fin holds it; a cell of a cover
        // line off the base lines, in the fin box, loses it either way.
        if (s.size < 2 || s.size > 4 || std::popcount(s.base) != s.size ||
            std::popcount(s.cover) != s.size || std::popcount(d) != 1 ||
            (s.base | s.cover) > 0x1FF || s.technique != FishTechnique(s.size, s.finCount > 0))
            return "not a fish of its size";
        const int finBox = s.finCount ? BoxOf(s.fins[0]) : -1;
        int fins = 0;
        for (int cell = 0; cell < 81; cell++) {
            if (!(grid[cell] & d) || !(s.base >> LineOf(cell, s.family) & 1) ||
                (s.cover >> LineOf(cell, 1 - s.family) & 1))
                continue;
            if (fins == s.finCount || s.fins[fins] != cell || BoxOf(cell) != finBox)
                return "a base candidate off the cover lines is not a fin of the fin box";
            fins++;
        }
        if (fins != s.finCount) return "a fin is not a base candidate off the cover lines";
        for (int i = 0; i < s.targetCount; i++) {
            const int t = s.targets[i].cell;
            if (!(s.cover >> LineOf(t, 1 - s.family) & 1) || (s.base >> LineOf(t, s.family) & 1) ||
                (finBox >= 0 && BoxOf(t) != finBox))
                return "a target is off the cover lines, on a base line or outside the fin box";
        }
        return TargetsLoseOnly(s, d) ? nullptr : "a target loses another digit";
    }
    case TQ_AIC:
    case TQ_ALS_XZ:
    case TQ_ALS_CHAIN:
        return nullptr; // proved from its chains and sets (CheckChainStep)
    default:
        return "no step recorded";
    }
}

// The recorded placement or removals against what the step did, then the shape.
int CheckRecordedStep(int kind, const StepRecord& s, const DigitMask* before,
                      const DigitMask* after, const uint8_t* boardBefore, const uint8_t* boardAfter,
                      char* why, size_t size) {
    if (kind == STEP_NONE || ClassicKind(s.technique) != kind)
        return Fault(TEXTCHECK_SHAPE, why, size, "the record holds no step of kind %d", kind);
    const bool single = kind == STEP_SINGLES;
    DigitMask stated[81] = {};
    for (int i = 0; i < s.targetCount; i++)
        if (s.targets[i].cell < 81) stated[s.targets[i].cell] |= s.targets[i].digits;
    for (int x = 0; x < 81; x++) {
        const int placed = !boardBefore[x] && boardAfter[x] ? boardAfter[x] & CELL_DIGIT : 0;
        const int entered =
            single && x == s.placed && s.digits ? std::countr_zero(s.digits) + 1 : 0;
        if (placed != entered)
            return Fault(TEXTCHECK_EFFECT, why, size, "r%dc%d: the record enters %d, the step %d",
                         x / 9 + 1, x % 9 + 1, entered, placed);
        const DigitMask removed = DigitMask(before[x] & ~after[x]);
        if (!single && removed != stated[x])
            return Fault(TEXTCHECK_EFFECT, why, size,
                         "r%dc%d: the record removes %03x, the step %03x", x / 9 + 1, x % 9 + 1,
                         stated[x], removed);
    }
    if (const char* fault = ShapeFault(s, before))
        return Fault(TEXTCHECK_SHAPE, why, size, "%s", fault);
    return TEXTCHECK_OK;
}

// ---- Chain and almost-locked-set steps ----------------------------------------------------

// Whether a true end node of a chain takes the digit from the cell: the same digit in cells
// that all see it, or another digit in the cell itself.
bool EndRemoves(const ProofNode& end, int cell, DigitMask digit) {
    if (end.count == 1 && end.cells[0] == cell) return end.digit != digit;
    if (end.digit != digit || InCells(end, cell)) return false;
    for (int i = 0; i < end.count; i++)
        if (!Sees(end.cells[i], cell)) return false;
    return true;
}

// The ends of chain i of the record and whether the links at its ends are strong.
struct Ends {
    const ProofNode* first;
    const ProofNode* last;
    bool firstStrong, lastStrong;
};
Ends EndsOf(const StepRecord& s, int i) {
    const StepChain& c = s.chains[i];
    return {&s.nodes[c.first], &s.nodes[c.first + c.count - 1], s.strong[c.first] != 0,
            s.strong[c.first + c.count - 2] != 0};
}

bool IsCandidate(const ProofNode& n, int cell, DigitMask digit) {
    return n.count == 1 && n.cells[0] == cell && n.digit == digit;
}

// Whether a link chain of the record "(d)a-...-b" shows that cells a and b cannot both hold
// the digit.
bool LinkRecorded(const StepRecord& s, int a, int b, DigitMask digit) {
    for (int i = 0; i < s.chainCount; i++) {
        const Ends e = EndsOf(s, i);
        if (s.chains[i].role != CHAIN_LINK || e.firstStrong || e.lastStrong) continue;
        if ((IsCandidate(*e.first, a, digit) && IsCandidate(*e.last, b, digit)) ||
            (IsCandidate(*e.first, b, digit) && IsCandidate(*e.last, a, digit)))
            return true;
    }
    return false;
}

// Whether the cell sees every cell of the set holding the digit, as a peer or by a link chain.
bool SeesAllOf(const StepRecord& s, int cell, const StepSet& set, DigitMask digit,
               const DigitMask* grid) {
    for (int i = 0; i < set.count; i++) {
        const int c = set.cells[i];
        if (!(grid[c] & digit)) continue;
        if (c == cell || !(Sees(cell, c) || LinkRecorded(s, cell, c, digit))) return false;
    }
    return true;
}

bool InSet(const StepSet& set, int cell) {
    for (int i = 0; i < set.count; i++)
        if (set.cells[i] == cell) return true;
    return false;
}

// n open cells of one unit, ascending, whose candidates are the stated n + 1 digits.
bool IsAls(const StepSet& set, const DigitMask* grid) {
    DigitMask all = 0;
    if (set.count < 1 || set.count > 8) return false;
    for (int i = 0; i < set.count; i++) {
        if (set.cells[i] > 80 || !grid[set.cells[i]] || (i && set.cells[i] <= set.cells[i - 1]))
            return false;
        all |= grid[set.cells[i]];
    }
    if (all != set.digits || std::popcount(all) != set.count + 1) return false;
    for (int unit = 0; unit < 27; unit++) {
        int inside = 0;
        for (int i = 0; i < set.count; i++) inside += InUnit(set.cells[i], unit) ? 1 : 0;
        if (inside == set.count) return true;
    }
    return false;
}

bool IsTarget(const StepRecord& s, int cell) {
    for (int i = 0; i < s.targetCount; i++)
        if (s.targets[i].cell == cell) return true;
    return false;
}

// A forcing chain a = ... = b between the pattern nodes (or the pattern node and the target's
// other digit): one end is true, and each end takes the digit from every target.
int CheckForcing(const StepRecord& s, char* why, size_t size) {
    const int at = FindStepChain(s, CHAIN_PROOF);
    if (at < 0) return Fault(TEXTCHECK_PROOF, why, size, "no chain is written");
    const Ends e = EndsOf(s, at);
    if (!e.firstStrong || !e.lastStrong)
        return Fault(TEXTCHECK_PROOF, why, size, "the chain is not strong at both ends");
    const StepCell p = s.pattern[0];
    const StepCell q = s.patternCount == 2 ? s.pattern[1] : StepCell{s.targets[0].cell, s.other};
    if (s.patternCount < 1 || s.patternCount > 2 || s.targetCount < 1 ||
        !((IsCandidate(*e.first, p.cell, p.digits) && IsCandidate(*e.last, q.cell, q.digits)) ||
          (IsCandidate(*e.first, q.cell, q.digits) && IsCandidate(*e.last, p.cell, p.digits))))
        return Fault(TEXTCHECK_PROOF, why, size, "the chain's ends are not the pattern");
    for (int i = 0; i < s.targetCount; i++)
        for (DigitMask rest = s.targets[i].digits; rest; rest &= rest - 1) {
            const DigitMask d = DigitMask(rest & -rest);
            const int t = s.targets[i].cell;
            if (!EndRemoves(*e.first, t, d) || !EndRemoves(*e.last, t, d))
                return Fault(TEXTCHECK_PROOF, why, size,
                             "the chain's ends do not both remove %d from r%dc%d",
                             std::countr_zero(d) + 1, t / 9 + 1, t % 9 + 1);
        }
    return TEXTCHECK_OK;
}

// Sets A and B whose restricted common digits X cannot all be in both: A or B is locked (both,
// doubly linked), so a cell that sees every Z of the sets it must loses Z.
int CheckAlsPair(const StepRecord& s, const DigitMask* grid, char* why, size_t size) {
    const StepSet& a = s.sets[0];
    const StepSet& b = s.sets[1];
    if (!IsAls(a, grid) || !IsAls(b, grid))
        return Fault(TEXTCHECK_ALS, why, size, "A or B is not an almost locked set");
    const DigitMask x = s.restricted, z = s.digits;
    if (!x || std::popcount(z) != 1 || !TargetsLoseOnly(s, z))
        return Fault(TEXTCHECK_ALS, why, size, "X or Z is missing, or a target loses another");
    // Every X: in both sets, and every place in A sees every place in B.
    for (DigitMask rest = x; rest; rest &= rest - 1) {
        const DigitMask d = DigitMask(rest & -rest);
        if (!(a.digits & b.digits & d))
            return Fault(TEXTCHECK_ALS, why, size, "X = %d is not in both sets",
                         std::countr_zero(d) + 1);
        for (int i = 0; i < a.count; i++)
            if ((grid[a.cells[i]] & d) && !SeesAllOf(s, a.cells[i], b, d, grid))
                return Fault(TEXTCHECK_ALS, why, size, "%d of A at cell %d does not see all of B's",
                             std::countr_zero(d) + 1, a.cells[i]);
    }
    // Which sets the targets must see Z in: both, unless doubly linked with Z outside X.
    const bool doubly = std::popcount(x) >= 2;
    if ((!doubly && (z & x)) || ((!doubly || (z & x)) && s.zSets != 3) ||
        (doubly && !(z & x) && s.zSets != 1 && s.zSets != 2))
        return Fault(TEXTCHECK_ALS, why, size, "Z is not said to come from the right sets");
    for (int k = 0; k < 2; k++)
        if ((s.zSets >> k & 1) && !(s.sets[k].digits & z))
            return Fault(TEXTCHECK_ALS, why, size, "Z is not in the set it is said to come from");
    for (int i = 0; i < s.targetCount; i++) {
        const int t = s.targets[i].cell;
        if (InSet(a, t) || InSet(b, t) || !(grid[t] & z) ||
            ((s.zSets & 1) && !SeesAllOf(s, t, a, z, grid)) ||
            ((s.zSets & 2) && !SeesAllOf(s, t, b, z, grid)))
            return Fault(TEXTCHECK_ALS, why, size, "r%dc%d does not see every Z it must", t / 9 + 1,
                         t % 9 + 1);
    }
    return TEXTCHECK_OK;
}

// One set A and a chain (x)p-...=(y)q: p true would make q true, and both see all of their
// digit in A, which cannot lose two digits; so p is false, and every other target is false with
// it by a chain (x)p=...-(x)m.
int CheckAlsChain(const StepRecord& s, const DigitMask* grid, char* why, size_t size) {
    const StepSet& a = s.sets[0];
    if (!IsAls(a, grid) || s.sets[1].count)
        return Fault(TEXTCHECK_ALS, why, size, "A is not an almost locked set");
    const int at = FindStepChain(s, CHAIN_PROOF);
    if (at < 0) return Fault(TEXTCHECK_PROOF, why, size, "no chain from the eliminated node");
    const Ends e = EndsOf(s, at);
    const ProofNode& p = *e.first;
    const ProofNode& q = *e.last;
    if (e.firstStrong || !e.lastStrong || p.count != 1 || q.count != 1 || p.digit == q.digit ||
        !(a.digits & p.digit) || !(a.digits & q.digit) || InSet(a, p.cells[0]) ||
        InSet(a, q.cells[0]) || !SeesAllOf(s, p.cells[0], a, p.digit, grid) ||
        !SeesAllOf(s, q.cells[0], a, q.digit, grid))
        return Fault(TEXTCHECK_ALS, why, size, "the chain's ends do not both see all of A's digit");
    if (s.digits != p.digit || !TargetsLoseOnly(s, p.digit) || !IsTarget(s, p.cells[0]))
        return Fault(TEXTCHECK_ALS, why, size, "the chain's first node is not what is removed");
    for (int i = 0; i < s.targetCount; i++) {
        const int m = s.targets[i].cell;
        bool shown = m == p.cells[0];
        for (int k = 0; k < s.chainCount && !shown; k++) {
            const Ends f = EndsOf(s, k);
            shown = s.chains[k].role == CHAIN_FALSE && f.firstStrong && !f.lastStrong &&
                    IsCandidate(*f.first, p.cells[0], p.digit) && IsCandidate(*f.last, m, p.digit);
        }
        if (!shown)
            return Fault(TEXTCHECK_ALS, why, size,
                         "no chain shows r%dc%d false with the first node", m / 9 + 1, m % 9 + 1);
    }
    return TEXTCHECK_OK;
}

// Every chain of the record holds on the candidates before the step, and proves the step.
int CheckChainStep(const StepRecord& s, const DigitMask* grid, TextCheckCounts* counts, char* why,
                   size_t size) {
    if (!s.completed) return Fault(TEXTCHECK_PROOF, why, size, "the chains were not written");
    for (int i = 0; i < s.chainCount; i++) {
        ChainProofRecord proof;
        StepChainProof(s, i, &proof);
        if (!ChainProofHolds(proof, grid))
            return Fault(TEXTCHECK_CHAIN, why, size, "chain %d does not hold", i + 1);
        if (counts) counts->chains++;
    }
    if (s.technique == TQ_AIC) return CheckForcing(s, why, size);
    const int result = s.technique == TQ_ALS_XZ ? CheckAlsPair(s, grid, why, size)
                                                : CheckAlsChain(s, grid, why, size);
    if (result == TEXTCHECK_OK && counts) counts->alsSteps++;
    return result;
}

} // namespace

int ChainProofHolds(const ChainProofRecord& proof, const DigitMask* grid) {
    if (proof.overflow || proof.count < 2) return 0;
    for (int i = 0; i < proof.count; i++)
        if (!NodeHolds(proof.nodes[i], grid)) return 0;
    for (int i = 0; i + 1 < proof.count; i++) {
        if (i > 0 && proof.strong[i] == proof.strong[i - 1]) return 0; // alternation
        const bool holds = proof.strong[i] ? StrongHolds(proof.nodes[i], proof.nodes[i + 1], grid)
                                           : WeakHolds(proof.nodes[i], proof.nodes[i + 1]);
        if (!holds) return 0;
    }
    return 1;
}

int CheckStep(int kind, const StepRecord& step, const DigitMask* before, const DigitMask* after,
              const uint8_t* boardBefore, const uint8_t* boardAfter, TextCheckCounts* counts,
              char* why, size_t size) {
    if (why && size) why[0] = 0;
    if (counts) counts->steps++;
    const int recorded =
        CheckRecordedStep(kind, step, before, after, boardBefore, boardAfter, why, size);
    if (recorded != TEXTCHECK_OK || kind < STEP_CHAINS) return recorded;
    return CheckChainStep(step, before, counts, why, size);
}
