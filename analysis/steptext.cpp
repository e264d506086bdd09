// The current step in words: one line naming the technique, where it stands and what it places
// or removes. Cells are written rNcM, rows and columns 1-based; boxes are numbered 1..9 row by
// row from the top left, as players count them (the core's BoxOf counts down the columns).
// Pure: reads the step record, the AnalysisGrid and the chain graph, writes only the caller's
// buffer. For eliminations it must run before ApplyStep, while the grid still holds the digits.
#include "analysis/steptext.h"
#include "analysis/chains.h"
#include "analysis/state.h"
#include "model/board.h"
#include <cstdarg>
#include <cstdio>

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
};

// How many singles besides the one entered a description names.
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
// Row (family 0) or column (family 1) index of a cell.
int LineOf(int cell, int family) {
    return family ? ColumnOf(cell) : RowOf(cell);
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

// Line numbers of a 9-bit set as "2,7" (1-based).
void AddLineNumbers(Line& line, uint32_t set) {
    AddDigits(line, set);
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

void AddChainName(Line& line, int chain) {
    if (chain >= 0 && chain < 26)
        line.Add("%c", 'a' + chain); // the key that shows this chain alone
    else
        line.Add("#%d", chain);
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

// ---- Singles ------------------------------------------------------------------------------

// The first unit of the cell (row, column, box: the search's order) in which the digit has
// no other place; -1 when there is none.
int HiddenSingleUnit(int cell, DigitMask digit) {
    const int units[3] = {RowOf(cell), 9 + ColumnOf(cell), 18 + BoxOf(cell)};
    for (int unit : units) {
        int places = 0;
        for (int k = 0; k < 9; k++) places += (AnalysisGrid[UnitTable[unit][k]] & digit) ? 1 : 0;
        if (places == 1) return unit;
    }
    return -1;
}

void AddSingleReason(Line& line, int cell, DigitMask digit) {
    if (AnalysisGrid[cell] == digit) return;
    int unit = HiddenSingleUnit(cell, digit);
    if (unit < 0) return;
    line.Add(" (the only place for %d in ", LowestBitIndex(digit) + 1);
    AddUnit(line, unit);
    line.Add(")");
}

// ApplyStep enters the first single in cell order (the entry clears the marks), so that one is
// named with its reason and the others are listed after it.
void DescribeSingles(Line& line) {
    int placed = -1, others = 0, clashes = 0;
    for (int x = 0; x < 81; x++) {
        uint16_t m = StepMarks[x];
        if (!m || m >= 0x1000) continue;
        if (PopCount(m) != 1)
            clashes++;
        else if (placed < 0)
            placed = x;
        else
            others++;
    }
    if (placed >= 0) {
        DigitMask digit = StepMarks[placed];
        line.Add(AnalysisGrid[placed] == digit ? "Naked single: " : "Hidden single: ");
        AddCell(line, placed);
        line.Add(" = %d", LowestBitIndex(digit) + 1);
        AddSingleReason(line, placed, digit);
        if (others) {
            line.Add("; %d more single%s: ", others, others > 1 ? "s" : "");
            int listed = 0;
            for (int x = placed + 1; x < 81; x++) {
                uint16_t m = StepMarks[x];
                if (!m || m >= 0x1000 || PopCount(m) != 1) continue;
                if (listed == SINGLES_LISTED) { // the rest follow in later steps
                    line.Add(", ...");
                    break;
                }
                if (listed++) line.Add(", ");
                AddCell(line, x);
                line.Add(" = %d", LowestBitIndex(m) + 1);
            }
        }
    } else if (clashes) {
        line.Add("Singles clash, nothing to enter");
    } else {
        line.Add("Singles: nothing to enter");
    }
    // A cell that is the only place for two digits: the candidates contradict each other.
    for (int x = 0; x < 81; x++) {
        uint16_t m = StepMarks[x];
        if (!m || m >= 0x1000 || PopCount(m) < 2) continue;
        line.Add("; contradiction: ");
        AddCell(line, x);
        line.Add(" would have to be ");
        AddDigits(line, m);
    }
}

// ---- Subsets ------------------------------------------------------------------------------

// The search reports a hidden subset: n digits confined to n cells of a unit. When the rest of
// the unit's open cells are a smaller (or equal) naked subset, that is the simpler way to see
// it and the step is named after it; the eliminations are the same.
void DescribeSubset(Line& line) {
    uint8_t cells[81];
    int n = CellsOfKind(MARK_PATTERN, cells);
    DigitMask digits = MarkedDigits();
    bool inPattern[81] = {};
    for (int i = 0; i < n; i++) inPattern[cells[i]] = true;

    // The first unit (the search's order) holding all pattern cells and no other place for
    // the subset's digits.
    int unit = -1;
    for (int u = 0; u < 27 && unit < 0; u++) {
        int inside = 0;
        bool other = false;
        for (int k = 0; k < 9; k++) {
            int x = UnitTable[u][k];
            if (inPattern[x])
                inside++;
            else if (AnalysisGrid[x] & digits)
                other = true;
        }
        if (inside == n && !other) unit = u;
    }

    uint8_t rest[9];
    int restCount = 0;
    DigitMask restDigits = 0;
    if (unit >= 0)
        for (int k = 0; k < 9; k++) {
            int x = UnitTable[unit][k];
            if (AnalysisGrid[x] && !inPattern[x]) {
                rest[restCount++] = uint8_t(x);
                restDigits |= AnalysisGrid[x];
            }
        }

    const bool naked = unit >= 0 && restCount >= 2 && restCount <= n && restCount <= 4 &&
                       PopCount(restDigits) == restCount;
    const int size = naked ? restCount : n;
    line.Add("%s %s ", naked ? "Naked" : "Hidden", size <= 4 ? SIZE_NAMES[size] : "subset");
    AddDigits(line, naked ? restDigits : digits);
    if (unit >= 0) {
        line.Add(" in ");
        AddUnit(line, unit);
    }
    if (naked) {
        line.Add(" (");
        AddCells(line, rest, restCount);
        line.Add(")");
    } else {
        line.Add(": ");
        AddCells(line, cells, n);
        line.Add(" keep ");
        AddDigits(line, digits);
        line.Add(" (");
    }
    if (naked) line.Add(": ");
    // What each pattern cell loses: its candidates outside its mark.
    int losers = 0;
    for (int i = 0; i < n; i++) {
        DigitMask lost = AnalysisGrid[cells[i]] & ~(StepMarks[cells[i]] & MARK_DIGITS);
        if (!lost) continue;
        if (losers++) line.Add("; ");
        AddCell(line, cells[i]);
        line.Add(" loses ");
        AddDigits(line, lost);
    }
    if (!losers) line.Add("nothing to remove");
    if (!naked) line.Add(")");
}

// ---- Locked candidates ----------------------------------------------------------------------

// The line of a link cell of the box-and-two-lines pattern: the one of its row and column that
// crosses the box (the cell itself lies outside the box).
void AddLinkLine(Line& line, int cell, int boxCell) {
    if (RowOf(cell) / 3 == RowOf(boxCell) / 3)
        line.Add("row %d", RowOf(cell) + 1);
    else
        line.Add("column %d", ColumnOf(cell) + 1);
}

void DescribeLocked(Line& line) {
    uint8_t pattern[81], links[81], targets[81];
    int np = CellsOfKind(MARK_PATTERN, pattern);
    int nl = CellsOfKind(MARK_LINK, links);
    int nt = CellsOfKind(MARK_TARGET, targets);
    DigitMask digit = MarkedDigits();
    int d = LowestBitIndex(digit) + 1;

    if (nl == 2 && np > 0) {
        // Within the box the digit lies on the two lines only; each line has one place for it
        // outside the box, so one of those two places holds it.
        line.Add("Box and two lines %d in box %d (", d, UserBox(pattern[0]));
        AddLinkLine(line, links[0], pattern[0]);
        line.Add(", ");
        AddLinkLine(line, links[1], pattern[0]);
        line.Add("): ");
        AddCell(line, links[0]);
        line.Add(" or ");
        AddCell(line, links[1]);
        line.Add(" is %d, so ", d);
        AddLosses(line, digit);
        return;
    }

    bool oneBox = np > 0, oneRow = np > 0, oneColumn = np > 0;
    for (int i = 1; i < np; i++) {
        oneBox = oneBox && UserBox(pattern[i]) == UserBox(pattern[0]);
        oneRow = oneRow && RowOf(pattern[i]) == RowOf(pattern[0]);
        oneColumn = oneColumn && ColumnOf(pattern[i]) == ColumnOf(pattern[0]);
    }
    int inBox = 0;
    for (int i = 0; i < nt; i++) inBox += UserBox(targets[i]) == UserBox(pattern[0]) ? 1 : 0;

    if (oneBox && (oneRow || oneColumn) && nt > 0 && (inBox == 0 || inBox == nt)) {
        char lineName[16];
        std::snprintf(lineName, sizeof lineName, "%s %d", oneRow ? "row" : "column",
                      oneRow ? RowOf(pattern[0]) + 1 : ColumnOf(pattern[0]) + 1);
        if (inBox == 0) // the box's digit lies on one line: the rest of the line loses it
            line.Add("Pointing %d in box %d along %s: ", d, UserBox(pattern[0]), lineName);
        else // the line's digit lies in one box: the rest of the box loses it
            line.Add("Claiming %d in %s within box %d: ", d, lineName, UserBox(pattern[0]));
        AddLosses(line, digit);
        return;
    }
    line.Add("Locked candidates %d: ", d);
    AddLosses(line, digit);
}

// ---- Fish ---------------------------------------------------------------------------------

struct Fish {
    int family;       // base lines: 0 rows, 1 columns
    uint32_t base;    // 9-bit set of base lines
    uint32_t cover;   // 9-bit set of cover lines
    uint8_t fins[81]; // base cells outside the cover lines
    int finCount;
};

// Replays the fish search for one orientation: with the base lines those of the pattern, the
// first cover set (increasing mask order) whose targets are exactly the marked ones.
bool MatchFish(int family, DigitMask digit, Fish* fish) {
    bool isTarget[81] = {}, isPattern[81] = {};
    uint32_t base = 0;
    for (int x = 0; x < 81; x++) {
        isTarget[x] = KindOf(StepMarks[x]) == MARK_TARGET;
        isPattern[x] = KindOf(StepMarks[x]) == MARK_PATTERN;
        if (isPattern[x]) base |= 1u << LineOf(x, family);
    }
    // The pattern is every cell of the base lines holding the digit.
    for (int x = 0; x < 81; x++)
        if ((base >> LineOf(x, family) & 1) && bool(AnalysisGrid[x] & digit) != isPattern[x])
            return false;
    const int n = PopCount(base);
    // Every cover line must hold the digit somewhere.
    uint32_t holding = 0;
    for (int x = 0; x < 81; x++)
        if (AnalysisGrid[x] & digit) holding |= 1u << LineOf(x, 1 - family);
    for (uint32_t cover = NextSubsetOfSize(0, 0x1FF, n); cover;
         cover = NextSubsetOfSize(cover, 0x1FF, n)) {
        if ((holding & cover) != cover) continue;
        int finCount = 0, finBox = -1;
        bool oneBox = true;
        for (int x = 0; x < 81; x++)
            if (isPattern[x] && !(cover >> LineOf(x, 1 - family) & 1)) {
                if (finBox >= 0 && BoxOf(x) != finBox) oneBox = false;
                finBox = BoxOf(x);
                fish->fins[finCount++] = uint8_t(x);
            }
        if (!oneBox) continue;
        bool same = true, any = false;
        for (int x = 0; x < 81 && same; x++) {
            bool target = (AnalysisGrid[x] & digit) && (cover >> LineOf(x, 1 - family) & 1) &&
                          !(base >> LineOf(x, family) & 1) && (finBox < 0 || BoxOf(x) == finBox);
            same = target == isTarget[x];
            any = any || target;
        }
        if (same && any) {
            fish->family = family;
            fish->base = base;
            fish->cover = cover;
            fish->finCount = finCount;
            return true;
        }
    }
    return false;
}

void DescribeFish(Line& line) {
    DigitMask digit = MarkedDigits();
    int d = LowestBitIndex(digit) + 1;
    uint32_t rows = 0, columns = 0;
    for (int x = 0; x < 81; x++)
        if (KindOf(StepMarks[x]) == MARK_PATTERN) {
            rows |= 1u << RowOf(x);
            columns |= 1u << ColumnOf(x);
        }
    // Sizes 2..4 in turn, rows before columns at each size: the search's order.
    Fish fish;
    bool found = false;
    for (int n = 2; n <= 4 && !found; n++) {
        if (PopCount(rows) == n) found = MatchFish(0, digit, &fish);
        if (!found && PopCount(columns) == n) found = MatchFish(1, digit, &fish);
    }
    if (!found) {
        line.Add("Fish %d: ", d);
        AddLosses(line, digit);
        return;
    }
    const int n = PopCount(fish.base);
    line.Add("%s%s %d in %s ", fish.finCount ? "Finned " : "", FISH_NAMES[n], d,
             fish.family ? "columns" : "rows");
    AddLineNumbers(line, fish.base);
    line.Add(", %s ", fish.family ? "rows" : "columns");
    AddLineNumbers(line, fish.cover);
    if (fish.finCount) {
        line.Add(fish.finCount > 1 ? ", fins " : ", fin ");
        AddCells(line, fish.fins, fish.finCount);
    }
    line.Add(": ");
    AddLosses(line, digit);
}

// ---- Forcing chains -------------------------------------------------------------------------

// The node of the chain graph for a cell and digit, or -1 (a plain scan: no side effects).
int NodeAt(int cell, DigitMask digit) {
    for (int i = 0; i < ChainNodeCount; i++)
        if (ChainNodeTable[i].cell == cell && ChainNodeTable[i].digits == digit) return i;
    return -1;
}

// The chain graph's implication "if the nodes of `colour` in a's chain are false, b is true",
// followed through the weak links exactly as the search does, on a private visited set.
bool Implies(int a, int b, int colour, bool* visited) {
    const int chain = ChainNodeTable[a].chain;
    if (visited[chain]) return false;
    visited[chain] = true;
    bool result = false;
    for (int i = 0; i < WeakLinkCount && !result; i++) {
        int first = WeakLinks[i].first, second = WeakLinks[i].second;
        if (first == a || second == b) continue;
        int p, q;
        if (ChainNodeTable[first].chain == chain) {
            p = first;
            q = second;
        } else if (ChainNodeTable[second].chain == chain) {
            p = second;
            q = first;
        } else {
            continue;
        }
        if (ChainNodeTable[p].colour == colour) continue;
        if (ChainNodeTable[q].chain == ChainNodeTable[b].chain) {
            if (ChainNodeTable[q].colour != ChainNodeTable[b].colour) result = true;
        } else {
            result = Implies(q, b, ChainNodeTable[q].colour, visited);
        }
    }
    visited[chain] = false;
    return result;
}

void DescribeForcing(Line& line) {
    uint8_t pattern[81], targets[81];
    int np = CellsOfKind(MARK_PATTERN, pattern);
    int nt = CellsOfKind(MARK_TARGET, targets);
    DigitMask digit = MarkedDigits();
    int d = LowestBitIndex(digit) + 1;
    int target = nt ? targets[0] : -1;

    line.Add("Forcing chain");
    if (np == 2) {
        int a = NodeAt(pattern[0], digit), b = NodeAt(pattern[1], digit);
        bool trap = a >= 0 && b >= 0 && ChainNodeTable[a].chain == ChainNodeTable[b].chain &&
                    ChainNodeTable[a].colour != ChainNodeTable[b].colour;
        if (trap) line.Add(", colour trap");
        AddDisplayedChains(line);
        line.Add(": ");
        AddCell(line, pattern[0]);
        line.Add(" or ");
        AddCell(line, pattern[1]);
        line.Add(" is %d, so ", d);
    } else if (np == 1 && target >= 0) {
        // Through the cell: either the pattern node is true or the target takes another digit.
        int a = NodeAt(pattern[0], digit);
        int other = 0;
        for (DigitMask rest = AnalysisGrid[target] & ~digit; rest && a >= 0 && !other;
             rest &= rest - 1) {
            DigitMask e = DigitMask(LowestBit(rest));
            int r = NodeAt(target, e);
            if (r < 0) continue;
            const ChainNode& na = ChainNodeTable[a];
            const ChainNode& nr = ChainNodeTable[r];
            bool visited[CHAINS_MAX] = {};
            if ((nr.chain == na.chain && nr.colour != na.colour) ||
                Implies(a, r, na.colour, visited))
                other = e;
        }
        AddDisplayedChains(line);
        line.Add(": ");
        AddCell(line, pattern[0]);
        line.Add(" is %d or ", d);
        AddCell(line, target);
        if (other)
            line.Add(" is %d, so ", LowestBitIndex(other) + 1);
        else
            line.Add(" takes another digit, so ");
    } else {
        AddDisplayedChains(line);
        line.Add(": ");
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

// Digits held by both sets whose every place in one sees every place in the other: the
// restricted common digits as peers alone make them (the second pass may also link through
// the chain graph, which this does not replay).
DigitMask PeerCommonDigits(const uint8_t* a, int na, const uint8_t* b, int nb) {
    DigitMask common = 0;
    for (DigitMask digit = 1; digit <= 0x100; digit <<= 1) {
        bool any = false, all = true;
        for (int i = 0; i < na && all; i++) {
            if (!(AnalysisGrid[a[i]] & digit)) continue;
            for (int j = 0; j < nb && all; j++) {
                if (!(AnalysisGrid[b[j]] & digit)) continue;
                any = true;
                all = IsPeer(a[i], b[j]);
            }
        }
        if (any && all) common |= digit;
    }
    return common;
}

void DescribeAls(Line& line) {
    uint8_t a[81], b[81];
    int na = 0, nb = 0;
    for (int x = 0; x < 81; x++) {
        uint16_t kind = KindOf(StepMarks[x]);
        if (kind == MARK_ALS || kind == MARK_SHARED) a[na++] = uint8_t(x);
        if (kind == MARK_LINK || kind == MARK_SHARED) b[nb++] = uint8_t(x);
    }
    DigitMask digit = MarkedDigits();
    if (nb == 0) {
        // One set and the chains: two nodes that both see the set cannot both be true.
        line.Add("ALS chain with ");
        AddAls(line, a, na);
        AddDisplayedChains(line);
        line.Add(": ");
        AddLosses(line, digit);
        return;
    }
    DigitMask common = PeerCommonDigits(a, na, b, nb);
    line.Add(PopCount(common) >= 2 ? "ALS-XZ doubly linked: A = " : "ALS-XZ: A = ");
    AddAls(line, a, na);
    line.Add(", B = ");
    AddAls(line, b, nb);
    if (common) {
        line.Add(", X = ");
        AddDigits(line, common);
    } else {
        line.Add(", X linked through the chains");
    }
    line.Add(", Z = ");
    AddDigits(line, digit);
    line.Add(": ");
    AddLosses(line, digit);
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
        DescribeSingles(line);
        break;
    case STEP_SUBSETS:
        DescribeSubset(line);
        break;
    case STEP_LOCKED:
        DescribeLocked(line);
        break;
    case STEP_GRID:
        DescribeFish(line);
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
