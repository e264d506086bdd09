// Checks a step against the position. Every step's record must state what the step did (its
// placement or removals). Singles, subsets, locked candidates and fish are then proved from
// their record: its units, lines and fins give those removals on the candidates before the
// step. Chain steps are proved from their text: it reads back what the text states (the cells
// that lose digits, the chains, an almost locked set's A, B, X and Z) and works the step out
// again from that alone, with its own link rules. It does not look at the engine's tables, so
// a step that claims something the engine did not do, or leaves out what it used, is caught.
#include "analysis/textcheck.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr int CHAINS_READ_MAX = 96;

// What the text states.
struct TextRecord {
    DigitMask removed[81]; // the cells and digits it says are removed
    int chainCount;
    ChainProofRecord chains[CHAINS_READ_MAX]; // in text order
};
TextRecord Read;

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

bool IsDigit(char c) {
    return c >= '1' && c <= '9';
}
DigitMask Bit(int digit) {
    return DigitMask(1u << (digit - 1));
}

// "rXcY" at s, or -1.
int CellAt(const char* s) {
    if (s[0] == 'r' && IsDigit(s[1]) && s[2] == 'c' && IsDigit(s[3]) && !IsDigit(s[4]))
        return 9 * (s[1] - '1') + s[3] - '1';
    return -1;
}

// Digits written "4,7" at s; *length gets the characters read.
DigitMask DigitsAt(const char* s, int* length) {
    DigitMask digits = 0;
    int i = 0;
    while (IsDigit(s[i])) {
        digits |= Bit(s[i] - '0');
        i++;
        if (s[i] == ',' && IsDigit(s[i + 1]))
            i++;
        else
            break;
    }
    *length = i;
    return digits;
}

// Every "rXcY, rXcY lose D,D", "rXcY loses D" and "rXcY cannot be D" of the text.
void ReadRemovals(const char* text) {
    std::memset(Read.removed, 0, sizeof Read.removed);
    static const char* const VERBS[] = {" loses ", " lose ", " cannot be "};
    for (const char* verb : VERBS)
        for (const char* at = std::strstr(text, verb); at; at = std::strstr(at + 1, verb)) {
            int length;
            const DigitMask digits = DigitsAt(at + std::strlen(verb), &length);
            if (!digits) continue;
            // The cells before the verb, back over ", ".
            for (const char* c = at - 4; c >= text; c -= 6) {
                const int cell = CellAt(c);
                if (cell < 0) break;
                Read.removed[cell] |= digits;
                if (c - 2 < text || c[-2] != ',' || c[-1] != ' ') break;
            }
        }
}

void ReadChains(const char* text) {
    Read.chainCount = 0;
    for (const char* s = text; *s; s++) {
        if (s[0] != '(' || !IsDigit(s[1]) || Read.chainCount == CHAINS_READ_MAX) continue;
        ChainProofRecord& proof = Read.chains[Read.chainCount];
        const int n = ReadChainProof(s, &proof);
        if (n == 0) continue;
        Read.chainCount++;
        s += n - 1;
    }
}

// ---- Link rules -----------------------------------------------------------------------------

bool Sees(int a, int b) {
    return a != b && IsPeer(a, b);
}

bool NodeHolds(const ProofNode& n, const DigitMask* grid) {
    if (n.count < 1 || n.count > 3 || PopCount(n.digit) != 1) return false;
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

// ---- Reading a proof's meaning ------------------------------------------------------------

// Whether a true end node of a chain takes the digit from the cell: the same digit in cells
// that all see it, or another digit in the cell itself.
bool EndRemoves(const ProofNode& end, int cell, DigitMask digit) {
    if (end.count == 1 && end.cells[0] == cell) return end.digit != digit;
    if (end.digit != digit || InCells(end, cell)) return false;
    for (int i = 0; i < end.count; i++)
        if (!Sees(end.cells[i], cell)) return false;
    return true;
}

bool FirstStrong(const ChainProofRecord& p) {
    return p.count >= 2 && p.strong[0];
}
bool LastStrong(const ChainProofRecord& p) {
    return p.count >= 2 && p.strong[p.count - 2];
}

// Whether a written chain "(d)a-...-b" shows that cells a and b cannot both hold the digit.
bool LinkWritten(int a, int b, DigitMask digit) {
    for (int i = 0; i < Read.chainCount; i++) {
        const ChainProofRecord& p = Read.chains[i];
        if (p.count < 2 || FirstStrong(p) || LastStrong(p)) continue;
        const ProofNode& first = p.nodes[0];
        const ProofNode& last = p.nodes[p.count - 1];
        if (first.count != 1 || last.count != 1 || first.digit != digit || last.digit != digit)
            continue;
        if ((first.cells[0] == a && last.cells[0] == b) ||
            (first.cells[0] == b && last.cells[0] == a))
            return true;
    }
    return false;
}

// Whether the cell sees every cell of the set holding the digit, as a peer or by a written link.
bool SeesAllOf(int cell, const uint8_t* cells, int count, DigitMask digit, const DigitMask* grid) {
    for (int i = 0; i < count; i++) {
        const int c = cells[i];
        if (!(grid[c] & digit)) continue;
        if (c == cell || !(Sees(cell, c) || LinkWritten(cell, c, digit))) return false;
    }
    return true;
}

// ---- Almost locked sets -------------------------------------------------------------------

struct StatedSet {
    int count;
    uint8_t cells[9];
    DigitMask digits;
};

// "NAME = rXcY, rXcY {D,D}" in the text; false when it is not there.
bool ReadSet(const char* text, const char* name, StatedSet* set) {
    const char* s = std::strstr(text, name);
    if (!s) return false;
    s += std::strlen(name);
    set->count = 0;
    for (;;) {
        const int cell = CellAt(s);
        if (cell < 0 || set->count == 9) return false;
        set->cells[set->count++] = uint8_t(cell);
        s += 4;
        if (s[0] == ',' && s[1] == ' ' && s[2] == 'r') {
            s += 2;
            continue;
        }
        break;
    }
    if (s[0] != ' ' || s[1] != '{') return false;
    int length;
    set->digits = DigitsAt(s + 2, &length);
    return s[2 + length] == '}';
}

// n open cells of one unit whose candidates are the stated n + 1 digits.
bool IsAls(const StatedSet& set, const DigitMask* grid) {
    DigitMask all = 0;
    for (int i = 0; i < set.count; i++) {
        if (!grid[set.cells[i]]) return false;
        all |= grid[set.cells[i]];
    }
    if (all != set.digits || PopCount(all) != set.count + 1) return false;
    for (int unit = 0; unit < 27; unit++) {
        int inside = 0;
        for (int k = 0; k < 9; k++)
            for (int i = 0; i < set.count; i++) inside += UnitTable[unit][k] == set.cells[i];
        if (inside == set.count) return true;
    }
    return false;
}

bool InSet(const StatedSet& set, int cell) {
    for (int i = 0; i < set.count; i++)
        if (set.cells[i] == cell) return true;
    return false;
}

// "NAME D,D" read as digits, 0 when absent.
DigitMask ReadDigitsAfter(const char* text, const char* name) {
    const char* s = std::strstr(text, name);
    if (!s) return 0;
    int length;
    return DigitsAt(s + std::strlen(name), &length);
}

// The digit of every stated removal when they share one, else 0.
DigitMask RemovedDigit() {
    DigitMask digit = 0;
    for (DigitMask m : Read.removed) {
        if (!m) continue;
        if (PopCount(m) != 1 || (digit && m != digit)) return 0;
        digit = m;
    }
    return digit;
}

int CheckAlsPair(const char* text, const DigitMask* grid, char* why, size_t size) {
    StatedSet a, b;
    if (!ReadSet(text, "A = ", &a) || !ReadSet(text, "B = ", &b))
        return Fault(TEXTCHECK_ALS, why, size, "the sets A and B are not stated");
    if (!IsAls(a, grid) || !IsAls(b, grid))
        return Fault(TEXTCHECK_ALS, why, size, "A or B is not an almost locked set");
    const DigitMask x = ReadDigitsAfter(text, ", X = ");
    const DigitMask z = ReadDigitsAfter(text, ", Z = ");
    if (!x || PopCount(z) != 1 || RemovedDigit() != z)
        return Fault(TEXTCHECK_ALS, why, size, "X or Z is not stated, or Z is not what is removed");
    // Every X: in both sets, and every place in A sees every place in B.
    for (int d = 1; d <= 9; d++) {
        if (!(x & Bit(d))) continue;
        if (!(a.digits & b.digits & Bit(d)))
            return Fault(TEXTCHECK_ALS, why, size, "X = %d is not in both sets", d);
        for (int i = 0; i < a.count; i++)
            if ((grid[a.cells[i]] & Bit(d)) &&
                !SeesAllOf(a.cells[i], b.cells, b.count, Bit(d), grid))
                return Fault(TEXTCHECK_ALS, why, size, "%d of A at cell %d does not see all of B's",
                             d, a.cells[i]);
    }
    const bool doubly = std::strstr(text, "doubly linked") != nullptr;
    if (doubly != (PopCount(x) >= 2))
        return Fault(TEXTCHECK_ALS, why, size, "doubly linked is said when X has %d digits",
                     PopCount(x));
    // Which sets the targets must see Z in.
    bool inA = true, inB = true;
    if (doubly) {
        const bool both = std::strstr(text, " from A and B") != nullptr;
        inA = both || std::strstr(text, " from A") != nullptr;
        inB = both || std::strstr(text, " from B") != nullptr;
        if (both != bool(z & x) || (!both && inA == inB))
            return Fault(TEXTCHECK_ALS, why, size, "Z is not said to come from A, B or both");
    } else if (z & x) {
        return Fault(TEXTCHECK_ALS, why, size, "Z is the restricted common digit");
    }
    if ((inA && !(a.digits & z)) || (inB && !(b.digits & z)))
        return Fault(TEXTCHECK_ALS, why, size, "Z is not in the set it is said to come from");
    for (int t = 0; t < 81; t++) {
        if (!Read.removed[t]) continue;
        if (InSet(a, t) || InSet(b, t) || !(grid[t] & z) ||
            (inA && !SeesAllOf(t, a.cells, a.count, z, grid)) ||
            (inB && !SeesAllOf(t, b.cells, b.count, z, grid)))
            return Fault(TEXTCHECK_ALS, why, size, "r%dc%d does not see every Z it must", t / 9 + 1,
                         t % 9 + 1);
    }
    return TEXTCHECK_OK;
}

// One set A and a chain (x)p-...=(y)q: p true would make q true, and both see all of their
// digit in A, which cannot lose two digits; so p is false, and every other target is false with
// it by a chain (x)p=...-(x)m.
int CheckAlsChain(const char* text, const DigitMask* grid, char* why, size_t size) {
    StatedSet a;
    if (!ReadSet(text, "A = ", &a) || !IsAls(a, grid))
        return Fault(TEXTCHECK_ALS, why, size, "A is not an almost locked set");
    const ChainProofRecord* main = nullptr;
    for (int i = 0; i < Read.chainCount && !main; i++)
        if (!FirstStrong(Read.chains[i]) && LastStrong(Read.chains[i])) main = &Read.chains[i];
    if (!main) return Fault(TEXTCHECK_PROOF, why, size, "no chain from the eliminated node");
    const ProofNode& p = main->nodes[0];
    const ProofNode& q = main->nodes[main->count - 1];
    if (p.count != 1 || q.count != 1 || p.digit == q.digit || !(a.digits & p.digit) ||
        !(a.digits & q.digit) || InSet(a, p.cells[0]) || InSet(a, q.cells[0]) ||
        !SeesAllOf(p.cells[0], a.cells, a.count, p.digit, grid) ||
        !SeesAllOf(q.cells[0], a.cells, a.count, q.digit, grid))
        return Fault(TEXTCHECK_ALS, why, size, "the chain's ends do not both see all of A's digit");
    if (RemovedDigit() != p.digit || !(Read.removed[p.cells[0]] & p.digit))
        return Fault(TEXTCHECK_ALS, why, size, "the chain's first node is not what is removed");
    for (int m = 0; m < 81; m++) {
        if (!Read.removed[m] || m == p.cells[0]) continue;
        bool shown = false;
        for (int i = 0; i < Read.chainCount && !shown; i++) {
            const ChainProofRecord& c = Read.chains[i];
            shown = FirstStrong(c) && !LastStrong(c) && c.nodes[0].count == 1 &&
                    c.nodes[0].cells[0] == p.cells[0] && c.nodes[0].digit == p.digit &&
                    c.nodes[c.count - 1].count == 1 && c.nodes[c.count - 1].cells[0] == m &&
                    c.nodes[c.count - 1].digit == p.digit;
        }
        if (!shown)
            return Fault(TEXTCHECK_ALS, why, size,
                         "no chain shows r%dc%d false with the first node", m / 9 + 1, m % 9 + 1);
    }
    return TEXTCHECK_OK;
}

// A forcing chain a=...=b: one end is true, and each end takes the digit from every target.
int CheckForcing(char* why, size_t size) {
    const ChainProofRecord* proof = nullptr;
    for (int i = 0; i < Read.chainCount && !proof; i++)
        if (FirstStrong(Read.chains[i]) && LastStrong(Read.chains[i])) proof = &Read.chains[i];
    if (!proof) return Fault(TEXTCHECK_PROOF, why, size, "no chain with strong links at both ends");
    const ProofNode& first = proof->nodes[0];
    const ProofNode& last = proof->nodes[proof->count - 1];
    for (int t = 0; t < 81; t++)
        for (int d = 1; d <= 9; d++)
            if ((Read.removed[t] & Bit(d)) &&
                !(EndRemoves(first, t, Bit(d)) && EndRemoves(last, t, Bit(d))))
                return Fault(TEXTCHECK_PROOF, why, size,
                             "the chain's ends do not both remove %d "
                             "from r%dc%d",
                             d, t / 9 + 1, t % 9 + 1);
    return TEXTCHECK_OK;
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
    case TECHNIQUE_NAKED_SINGLE:
        return grid[s.placed] == d ? nullptr : "the cell holds other candidates";
    case TECHNIQUE_HIDDEN_SINGLE:
        return s.unit >= 0 && s.unit < 27 && InUnit(s.placed, s.unit) && (grid[s.placed] & d) &&
                       PlacesIn(s.unit, d, grid) == 1
                   ? nullptr
                   : "the digit has another place in the unit";
    case TECHNIQUE_SINGLES_CLASH:
        return nullptr; // nothing entered, nothing to prove
    case TECHNIQUE_HIDDEN_SUBSET: {
        if (s.unit < 0 || s.unit >= 27 || PopCount(d) != s.size ||
            PlacesIn(s.unit, d, grid) != s.size)
            return "the digits are not confined to as many cells of the unit";
        DigitMask seen = 0;
        for (int k = 0; k < 9; k++) seen |= grid[UnitTable[s.unit][k]] & d;
        for (int i = 0; i < s.targetCount; i++)
            if (!InUnit(s.targets[i].cell, s.unit) || !(grid[s.targets[i].cell] & d))
                return "a target is not a cell of the subset";
        return seen == d && TargetsLoseOnly(s, DigitMask(~d)) ? nullptr
                                                              : "a cell loses a subset digit";
    }
    case TECHNIQUE_NAKED_SUBSET: {
        DigitMask all = 0;
        for (int i = 0; i < s.nakedCount; i++) {
            if (s.unit < 0 || s.unit >= 27 || !InUnit(s.nakedCells[i], s.unit))
                return "a cell of the naked subset is outside the unit";
            for (int j = 0; j < i; j++)
                if (s.nakedCells[j] == s.nakedCells[i]) return "a cell is named twice";
            all |= grid[s.nakedCells[i]];
        }
        if (s.nakedCount < 2 || all != s.nakedDigits || PopCount(all) != s.nakedCount)
            return "the cells hold other digits than the naked subset's";
        for (int i = 0; i < s.targetCount; i++)
            for (int k = 0; k < s.nakedCount; k++)
                if (!InUnit(s.targets[i].cell, s.unit) || s.targets[i].cell == s.nakedCells[k])
                    return "a target is outside the unit or in the subset";
        return TargetsLoseOnly(s, all) ? nullptr : "a target loses a digit the subset lacks";
    }
    case TECHNIQUE_POINTING:
    case TECHNIQUE_CLAIMING: {
        // The digit of the first unit lies inside the second; the rest of the second loses it.
        const int from = s.unit, into = s.line;
        if (from < 0 || from >= 27 || into < 0 || into >= 27 || (from >= 18) == (into >= 18))
            return "not a box and a line";
        for (int k = 0; k < 9; k++) {
            const int cell = UnitTable[from][k];
            if ((grid[cell] & d) && !InUnit(cell, into))
                return "the digit lies outside the crossing";
        }
        for (int i = 0; i < s.targetCount; i++)
            if (!InUnit(s.targets[i].cell, into) || InUnit(s.targets[i].cell, from))
                return "a target lies outside the second unit or in the first";
        return PopCount(d) == 1 && TargetsLoseOnly(s, d) ? nullptr : "a target loses another digit";
    }
    case TECHNIQUE_BOX_LINES: {
        // The box's digit lies on lines A and B (not at their crossing), and each line has
        // one place outside the box, its link: if link A is false, A takes the box's digit, so
        // B has it at link B. Either link is the digit, and what sees both loses it.
        const int box = s.unit, a = s.linkLines[0], b = s.linkLines[1];
        if (box < 18 || box >= 27 || a < 0 || a >= 18 || b < 0 || b >= 18 || a == b ||
            PopCount(d) != 1)
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
    case TECHNIQUE_FISH: {
        // Each base line's digit on the cover lines or at a fin, the fins in one box: the
        // cover lines take the digit from the base lines, or a fin holds it; a cell of a cover
        // line off the base lines, in the fin box, loses it either way.
        if (s.size < 2 || s.size > 4 || PopCount(s.base) != s.size || PopCount(s.cover) != s.size ||
            PopCount(d) != 1 || (s.base | s.cover) > 0x1FF)
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
    case TECHNIQUE_FORCING_CHAIN:
    case TECHNIQUE_ALS:
        return nullptr; // proved from the chains and sets its text states
    default:
        return "no step recorded";
    }
}

// The step's kind for each technique, in the order of the enum.
constexpr int TECHNIQUE_KINDS[] = {
    STEP_NONE,    // TECHNIQUE_NONE
    STEP_SINGLES, // TECHNIQUE_NAKED_SINGLE
    STEP_SINGLES, // TECHNIQUE_HIDDEN_SINGLE
    STEP_SINGLES, // TECHNIQUE_SINGLES_CLASH
    STEP_SUBSETS, // TECHNIQUE_HIDDEN_SUBSET
    STEP_SUBSETS, // TECHNIQUE_NAKED_SUBSET
    STEP_LOCKED,  // TECHNIQUE_POINTING
    STEP_LOCKED,  // TECHNIQUE_CLAIMING
    STEP_LOCKED,  // TECHNIQUE_BOX_LINES
    STEP_GRID,    // TECHNIQUE_FISH
    STEP_CHAINS,  // TECHNIQUE_FORCING_CHAIN
    STEP_ALS,     // TECHNIQUE_ALS
};
static_assert(sizeof TECHNIQUE_KINDS / sizeof TECHNIQUE_KINDS[0] == TECHNIQUE_ALS + 1);

// The recorded placement or removals against what the step did, then the shape.
int CheckRecordedStep(int kind, const StepRecord& s, const DigitMask* before,
                      const DigitMask* after, const uint8_t* boardBefore, const uint8_t* boardAfter,
                      char* why, size_t size) {
    if (s.technique < 0 || s.technique > TECHNIQUE_ALS || TECHNIQUE_KINDS[s.technique] != kind)
        return Fault(TEXTCHECK_SHAPE, why, size, "the record holds no step of kind %d", kind);
    const bool single = kind == STEP_SINGLES;
    DigitMask stated[81] = {};
    for (int i = 0; i < s.targetCount; i++)
        if (s.targets[i].cell < 81) stated[s.targets[i].cell] |= s.targets[i].digits;
    for (int x = 0; x < 81; x++) {
        const int placed = !boardBefore[x] && boardAfter[x] ? boardAfter[x] & CELL_DIGIT : 0;
        const int entered = single && x == s.placed ? LowestBitIndex(s.digits) + 1 : 0;
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

int CheckStepText(int kind, const StepRecord& step, const char* text, const DigitMask* before,
                  const DigitMask* after, const uint8_t* boardBefore, const uint8_t* boardAfter,
                  TextCheckCounts* counts, char* why, size_t size) {
    if (why && size) why[0] = 0;
    if (counts) counts->steps++;
    const int recorded =
        CheckRecordedStep(kind, step, before, after, boardBefore, boardAfter, why, size);
    if (recorded != TEXTCHECK_OK || kind < STEP_CHAINS) return recorded;

    ReadRemovals(text);
    for (int x = 0; x < 81; x++) {
        const DigitMask removed = DigitMask(before[x] & ~after[x]);
        if (removed != Read.removed[x])
            return Fault(TEXTCHECK_EFFECT, why, size,
                         "r%dc%d: the text removes %03x, the step %03x", x / 9 + 1, x % 9 + 1,
                         Read.removed[x], removed);
    }
    ReadChains(text);
    for (int i = 0; i < Read.chainCount; i++) {
        if (!ChainProofHolds(Read.chains[i], before))
            return Fault(TEXTCHECK_CHAIN, why, size, "chain %d of the text does not hold", i + 1);
        if (counts) counts->chains++;
    }
    int result = TEXTCHECK_OK;
    if (kind == 16) result = CheckForcing(why, size);
    if (kind == 32) {
        const bool pair = std::strncmp(text, "ALS-XZ", 6) == 0;
        result =
            pair ? CheckAlsPair(text, before, why, size) : CheckAlsChain(text, before, why, size);
        if (result == TEXTCHECK_OK && counts) counts->alsSteps++;
    }
    return result;
}
