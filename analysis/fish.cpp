// Locked candidates and fish: one engine over unit sets. A base set of n units is covered by n
// units of another family; base cells outside the cover are fins, which must share one box.
// Size 1 adds the box-and-two-lines pattern, which the chain builder also runs in link mode.
// Nothing is allocated: cell lists are fixed local arrays, flags live in CellScratch.
#include "analysis/fish.h"
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include <cassert>

// Unit sets: bit u for unit u of the UnitTable.
constexpr uint32_t UNITS_ROWS = 0x1FF;
constexpr uint32_t UNITS_COLUMNS = 0x3FE00;
constexpr uint32_t UNITS_BOXES = 0x7FC0000;

// CellList: cells (bits 0-6) tagged with bit 7 on the 2nd and 4th unit, ended by 255.
constexpr uint8_t CELL_LIST_END = 255;
constexpr int CELL_LIST_MAX = 37;

static int FindFishForDigit(Analysis* A, DigitMask digit, int size);
static int CollectUnitCells(Analysis* A, uint32_t unitSet, uint8_t* list, DigitMask digit);
static int CellListContains(int cell, const uint8_t* list);
static int TryFish(Analysis* A, const uint8_t* base, const uint8_t* cover, DigitMask digit,
                   uint32_t baseUnits, uint32_t coverUnits);
static int TryBoxLinePattern(Analysis* A, const uint8_t* box, const uint8_t* lines, DigitMask digit,
                             BoxLineMode mode, LinkReceiver receiver, int boxUnit, uint32_t pair);

static void ClearScratch(Analysis* A) {
    for (uint8_t& f : A->CellScratch) f = 0;
}

// (base family, cover family) pairs tried by size 1, then by sizes 2..4.
struct FamilyPair {
    uint32_t base, cover;
};
constexpr FamilyPair LOCKED_PAIRS[] = {
    {UNITS_BOXES, UNITS_ROWS},    // pointing along a row
    {UNITS_BOXES, UNITS_COLUMNS}, // pointing along a column
    {UNITS_ROWS, UNITS_COLUMNS},  // a row against one column (claiming through fins)
    {UNITS_COLUMNS, UNITS_ROWS},  // a column against one row
};
static_assert(sizeof LOCKED_PAIRS / sizeof LOCKED_PAIRS[0] == 4);
constexpr FamilyPair FISH_PAIRS[] = {
    {UNITS_ROWS, UNITS_COLUMNS}, // rows as base
    {UNITS_COLUMNS, UNITS_ROWS}, // columns as base
};
static_assert(sizeof FISH_PAIRS / sizeof FISH_PAIRS[0] == 2);

// True unless TryFish on these lines is sure to return 0 (fins in two boxes, or no cover cell
// holding the digit left to lose it), on nine-bit masks: base and cover are sets of lines of
// the two families (rows and columns, either way round), across[x] the cover lines where base
// line x holds the digit, along[y] the base lines where cover line y holds it. A cell is a
// (base line, cover line) pair, and two cells share a box when both lines fall in the same
// thirds.
static bool FishMayFireLines(uint32_t base, uint32_t cover, const uint16_t* across,
                             const uint16_t* along) {
    uint32_t finLines = 0, finCover = 0; // lines and cover positions of the fins
    for (uint32_t rest = base; rest; rest &= rest - 1) {
        const int x = std::countr_zero(rest);
        const uint32_t outside = across[x] & ~cover;
        if (outside) {
            finLines |= 1u << x;
            finCover |= outside;
        }
    }
    uint32_t lines = 0x1FF, reach = cover; // where targets may lie
    if (finCover) {
        const uint32_t band = 7u << (3 * (std::countr_zero(finLines) / 3));
        const uint32_t stack = 7u << (3 * (std::countr_zero(finCover) / 3));
        if ((finLines & ~band) || (finCover & ~stack)) return false; // fins in two boxes
        lines = band;
        reach = cover & stack;
    }
    for (uint32_t rest = reach; rest; rest &= rest - 1)
        if (along[std::countr_zero(rest)] & ~base & lines) return true;
    return false;
}

// The units of the set that hold the digit in some open cell; a set reaching outside it makes
// CollectUnitCells return 0, so such sets are passed over without listing them.
static uint32_t UnitsWithDigit(Analysis* A, DigitMask digit) {
    uint32_t units = 0;
    for (int u = 0; u < 27; u++)
        for (int k = 0; k < 9; k++)
            if (A->AnalysisGrid[UnitTable[u][k]] & digit) {
                units |= 1u << u;
                break;
            }
    return units;
}

int FindFish(Analysis* A, int size) {
    for (DigitMask d = 1; d <= 0x100; d <<= 1) {
        if (FindFishForDigit(A, d, size)) return 1;
        if (size == 1 && FindBoxLinePattern(A, d, BOXLINE_ELIMINATE, nullptr)) return 1;
    }
    return 0;
}

// The sets of 1..4 units out of one family of nine, as 9-bit masks in increasing numeric order
// (the order of NextSubsetOfSize over the family, shifted down).
struct CombinationTable {
    uint16_t set[5][126] = {};
    int count[5] = {};
    constexpr CombinationTable() {
        for (int k = 1; k <= 4; k++)
            for (uint32_t x = (1u << k) - 1; x < 512;) {
                set[k][count[k]++] = uint16_t(x);
                uint32_t low = x & (0u - x), ripple = x + low;
                x = (((ripple ^ x) >> 2) / low) | ripple;
            }
    }
};
constexpr CombinationTable COMBINATIONS;
// Every set of k of the nine, each once, ascending: the sequence NextSubsetOfSize walks.
constexpr bool CombinationsInOrder() {
    const int choose[5] = {1, 9, 36, 84, 126};
    for (int k = 1; k <= 4; k++) {
        if (COMBINATIONS.count[k] != choose[k]) return false;
        for (int i = 0; i < COMBINATIONS.count[k]; i++) {
            uint32_t x = COMBINATIONS.set[k][i], bits = 0;
            for (uint32_t m = x; m; m &= m - 1) bits++;
            if (bits != uint32_t(k) || x >= 512 || (i && x <= COMBINATIONS.set[k][i - 1]))
                return false;
        }
    }
    return true;
}
static_assert(CombinationsInOrder());

// Returns 1 when a fish (or locked candidates at size 1) of this digit was recorded, else 0.
// The unit sets are enumerated as described above; the tests before CollectUnitCells and
// TryFish only pass over sets on which TryFish would find nothing.
static int FindFishForDigit(Analysis* A, DigitMask digit, int size) {
    if (size < 1 || size > 4) return 0;
    const FamilyPair* pairs = size == 1 ? LOCKED_PAIRS : FISH_PAIRS;
    const int pairCount = size == 1 ? 4 : 2;
    const uint16_t* sets = COMBINATIONS.set[size];
    const int setCount = COMBINATIONS.count[size];
    // Per row the columns whose cell holds the digit, per column the rows (a filled cell's
    // mask is 0). A unit set with a unit lacking the digit is refused by CollectUnitCells.
    uint16_t lineDigits[2][9] = {};
    for (int cell = 0; cell < 81; cell++)
        if (A->AnalysisGrid[cell] & digit) {
            lineDigits[0][cell / 9] |= uint16_t(1u << (cell % 9));
            lineDigits[1][cell % 9] |= uint16_t(1u << (cell / 9));
        }
    uint32_t with = 0; // the units holding the digit
    for (int k = 0; k < 9; k++) {
        if (lineDigits[0][k]) with |= 1u << k;
        if (lineDigits[1][k]) with |= 1u << (9 + k);
        const int band = k % 3, stack = k / 3; // unit 18 + k: rows 3 band.., columns 3 stack..
        for (int r = 3 * band; r < 3 * band + 3; r++)
            if (lineDigits[0][r] >> (3 * stack) & 7) with |= 1u << (18 + k);
    }
    uint8_t base[CELL_LIST_MAX], cover[CELL_LIST_MAX];
    uint16_t covers[126]; // cover sets (nine-bit) whose every unit holds the digit, in order
    for (int p = 0; p < pairCount; p++) {
        const int baseShift = std::countr_zero(pairs[p].base);
        const int coverShift = std::countr_zero(pairs[p].cover);
        const int coverFamily = pairs[p].cover == UNITS_ROWS ? 0 : 1;
        if (pairs[p].base == UNITS_BOXES) {
            // Pointing. Base cells off the cover line are fins inside the box itself, and the
            // box's own cells are all base cells, so no target is left: only a box whose digit
            // lies on a single line through it, a line holding the digit outside the box too,
            // can give a step, and only against that line.
            for (int box = 0; box < 9; box++) {
                const uint32_t b = 1u << (18 + box);
                if (b & ~with) continue;
                const int band = box % 3, stack = box / 3;
                const int lineFrom = coverFamily == 0 ? 3 * band : 3 * stack;
                const int crossFrom = coverFamily == 0 ? 3 * stack : 3 * band;
                uint32_t touched = 0;
                for (int line = lineFrom; line < lineFrom + 3; line++)
                    if (lineDigits[coverFamily][line] >> crossFrom & 7) touched |= 1u << line;
                if (std::popcount(touched) != 1) continue;
                const int line = std::countr_zero(touched);
                if (!(lineDigits[coverFamily][line] & ~(7u << crossFrom))) continue;
                const uint32_t k = 1u << (coverShift + line);
                if (!(k & ~with) && CollectUnitCells(A, b, base, digit) &&
                    CollectUnitCells(A, k, cover, digit) && TryFish(A, base, cover, digit, b, k))
                    return 1;
            }
            continue;
        }
        // Lines against lines: across[x] the cover lines where base line x holds the digit.
        const uint16_t* across = lineDigits[coverFamily ^ 1];
        const uint16_t* along = lineDigits[coverFamily];
        int coverCount = 0;
        for (int j = 0; j < setCount; j++)
            if (!((uint32_t(sets[j]) << coverShift) & ~with)) covers[coverCount++] = sets[j];
        for (int i = 0; i < setCount; i++) {
            const uint32_t b = uint32_t(sets[i]) << baseShift;
            if (b & ~with) continue; // CollectUnitCells would refuse this base
            // Fins must share a box, so the cover lines the base reaches outside the cover
            // lie in one third: the cover holds all the lines reached outside some third,
            // which must then number n or fewer.
            uint32_t reached = 0;
            for (uint32_t rest = sets[i]; rest; rest &= rest - 1)
                reached |= across[std::countr_zero(rest)];
            uint32_t need[3]; // per third, or a line no cover holds when it cannot be
            bool any = false;
            for (int third = 0; third < 3; third++) {
                const uint32_t m = reached & ~(7u << (3 * third));
                need[third] = std::popcount(m) <= size ? m : 1u << 9;
                any |= need[third] != 1u << 9;
            }
            if (!any) continue;
            for (int j = 0; j < coverCount; j++) {
                const uint32_t lines = covers[j];
                if ((need[0] & ~lines) && (need[1] & ~lines) && (need[2] & ~lines)) continue;
                if (!FishMayFireLines(sets[i], covers[j], across, along)) continue;
                const uint32_t k = uint32_t(covers[j]) << coverShift;
                if (CollectUnitCells(A, b, base, digit) && CollectUnitCells(A, k, cover, digit) &&
                    TryFish(A, base, cover, digit, b, k))
                    return 1;
            }
        }
    }
    return 0;
}

// Lists the open cells of the units in the set, ascending, tagging the 2nd and 4th unit with
// bit 7. Returns how many listed cells hold the digit, or 0 when some unit has none.
static int CollectUnitCells(Analysis* A, uint32_t unitSet, uint8_t* list, DigitMask digit) {
    assert(std::popcount(unitSet) <= 4); // lists hold at most 36 cells
    ClearScratch(A);
    // A row and a column together: their crossing cell belongs to neither line of the pair.
    int crossing = -1;
    if ((unitSet & UNITS_ROWS) && (unitSet & UNITS_COLUMNS)) {
        int row = std::countr_zero(unitSet);
        int column = std::countr_zero(unitSet & (unitSet - 1)) - 9;
        crossing = 9 * row + column;
    }
    int n = 0, total = 0;
    uint8_t tag = 0;
    for (uint32_t rest = unitSet; rest; rest &= rest - 1) {
        const uint8_t* unit = UnitTable[std::countr_zero(rest)];
        int count = 0;
        for (int k = 0; k < 9; k++) {
            int cell = unit[k];
            if (A->CellScratch[cell] || A->AnalysisGrid[cell] == 0 || cell == crossing) continue;
            A->CellScratch[cell] = 1;
            list[n++] = uint8_t(cell | tag);
            if (A->AnalysisGrid[cell] & digit) count++;
        }
        if (count == 0) return 0; // this unit has no place for the digit
        total += count;
        tag ^= 0x80;
    }
    list[n] = CELL_LIST_END;
    return total;
}

// Returns 0 when the cell is not listed, 1 when listed untagged, 16 when listed with bit 7.
static int CellListContains(int cell, const uint8_t* list) {
    for (; *list != CELL_LIST_END; list++)
        if ((*list & 0x7F) == cell) return (*list & 0x80) ? 16 : 1;
    return 0;
}

// Returns the number of pattern cells recorded (a step), or 0 when the shape gives
// nothing. A box as base is pointing, one line against one line claiming, more lines a fish.
static int TryFish(Analysis* A, const uint8_t* base, const uint8_t* cover, DigitMask digit,
                   uint32_t baseUnits, uint32_t coverUnits) {
    ClearScratch(A);
    int finBox = -1;
    bool fins = false;
    for (const uint8_t* p = base; *p != CELL_LIST_END; p++) {
        int cell = *p & 0x7F;
        if (!(A->AnalysisGrid[cell] & digit)) continue;
        if (CellListContains(cell, cover)) {
            A->CellScratch[cell] = 1;
            continue;
        }
        A->CellScratch[cell] = 4;
        if (!fins) {
            fins = true;
            finBox = BoxOf(cell);
        } else if (BoxOf(cell) != finBox) {
            return 0; // fins in two boxes
        }
    }
    bool target = false;
    for (const uint8_t* p = cover; *p != CELL_LIST_END; p++) {
        int cell = *p & 0x7F;
        if (!(A->AnalysisGrid[cell] & digit)) continue;
        if (fins && BoxOf(cell) != finBox) continue; // a finned fish only reaches the fin box
        if (A->CellScratch[cell] == 0) {
            A->CellScratch[cell] = 2;
            target = true;
        }
    }
    if (!target) return 0;
    StepRecord& s = A->CurrentStep;
    ClearCurrentStep(A);
    s.digits = digit;
    s.size = std::popcount(baseUnits);
    for (int cell = 0; cell < 81; cell++) {
        if (A->CellScratch[cell] == 2) {
            s.targets[s.targetCount++] = {uint8_t(cell), digit};
        } else if (A->CellScratch[cell]) {
            s.pattern[s.patternCount++] = {uint8_t(cell), digit};
            if (A->CellScratch[cell] == 4) s.fins[s.finCount++] = uint8_t(cell);
        }
    }
    if (baseUnits & UNITS_BOXES) { // the box's digit on one line: the rest of the line loses it
        s.technique = TQ_POINTING;
        s.unit = std::countr_zero(baseUnits);
        s.line = std::countr_zero(coverUnits);
    } else if (s.size == 1) { // the line's digit in one box: the rest of the box loses it
        s.technique = TQ_CLAIMING;
        s.unit = std::countr_zero(baseUnits);
        s.line = BoxUnit(s.pattern[0].cell);
    } else {
        s.technique = FishTechnique(s.size, s.finCount > 0);
        s.family = (baseUnits & UNITS_ROWS) ? 0 : 1;
        s.base = uint16_t(baseUnits >> (9 * s.family));
        s.cover = uint16_t(coverUnits >> (9 * (1 - s.family)));
    }
    return s.patternCount;
}

int FindBoxLinePattern(Analysis* A, DigitMask digit, BoxLineMode mode, LinkReceiver receiver) {
    const uint32_t with = UnitsWithDigit(A, digit);
    CellSet digitCells{};
    for (int cell = 0; cell < 81; cell++)
        if (A->AnalysisGrid[cell] & digit) CellSetAdd(digitCells, cell);
    uint8_t lines[CELL_LIST_MAX], box[CELL_LIST_MAX];
    // Pairs of the 18 lines in increasing mask order (NextSubsetOfSize's): by the higher line,
    // then the lower.
    for (int high = 1; high < 18; high++)
        for (int low = 0; low < high; low++) {
            const uint32_t pair = 1u << low | 1u << high;
            if (pair & ~with) continue; // CollectUnitCells would refuse this pair
            const int first = std::countr_zero(pair), second = std::countr_zero(pair & (pair - 1));
            CellSet line1 = UNIT_SETS[first], line2 = UNIT_SETS[second];
            if (first < 9 && second >= 9) { // a row and a column: the crossing is on neither
                const CellSet crossing = CellSetOf(9 * first + second - 9);
                line1 = line1 & ~crossing;
                line2 = line2 & ~crossing;
            }
            // A box that one of the lines misses has none of its digit on that line, which
            // TryBoxLinePattern rejects: only the boxes both lines cross are tried (three for
            // two rows of a band or two columns of a stack, one for a row and a column).
            int boxFrom, boxStep, boxCount;
            if (second < 9) { // two rows
                if (first / 3 != second / 3) continue;
                boxFrom = 18 + first / 3, boxStep = 3, boxCount = 3;
            } else if (first >= 9) { // two columns
                if ((first - 9) / 3 != (second - 9) / 3) continue;
                boxFrom = 18 + 3 * ((first - 9) / 3), boxStep = 1, boxCount = 3;
            } else { // a row and a column
                boxFrom = 18 + 3 * ((second - 9) / 3) + first / 3, boxStep = 1, boxCount = 1;
            }
            bool listed = false;
            for (int unit = boxFrom; unit < boxFrom + boxStep * boxCount; unit += boxStep) {
                // Pass over boxes that TryBoxLinePattern rejects before its link step: the digit
                // off both lines, missing from a line, or once on each.
                const CellSet boxDigit = UNIT_SETS[unit] & digitCells;
                if (!CellSetWithin(boxDigit, line1 | line2)) continue;
                const int on1 = CellSetCount(boxDigit & line1),
                          on2 = CellSetCount(boxDigit & line2);
                if (on1 == 0 || on2 == 0 || (on1 == 1 && on2 == 1)) continue;
                if (!listed) {
                    if (!CollectUnitCells(A, pair, lines, digit)) break;
                    listed = true;
                }
                if (CollectUnitCells(A, 1u << unit, box, digit) &&
                    TryBoxLinePattern(A, box, lines, digit, mode, receiver, unit, pair) == 1)
                    return 1;
            }
        }
    return 0;
}

// A box whose digit lies only on two lines, each line with the digit outside the box too.
// Line 1 is the untagged line of the pair (the lower unit of `pair`), line 2 the tagged one.
// Returns 1 when a step was recorded (elimination mode), else 0.
static int TryBoxLinePattern(Analysis* A, const uint8_t* box, const uint8_t* lines, DigitMask digit,
                             BoxLineMode mode, LinkReceiver receiver, int boxUnit, uint32_t pair) {
    ClearScratch(A);
    int inBox[2] = {0, 0};     // the box's cells holding the digit, per line
    int boxCell[2] = {-1, -1}; // the last of them, per line
    for (const uint8_t* p = box; *p != CELL_LIST_END; p++) {
        int cell = *p & 0x7F;
        int on = CellListContains(cell, lines);
        if (on) A->CellScratch[cell] = 1;
        if (!(A->AnalysisGrid[cell] & digit)) continue;
        A->CellScratch[cell] += 4;
        if (!on) return 0; // the digit is in the box off both lines
        int line = on == 16;
        inBox[line]++;
        boxCell[line] = cell;
    }
    if ((inBox[0] == 1 && inBox[1] == 1) || inBox[0] == 0 || inBox[1] == 0) return 0;
    int outside[2] = {0, 0};   // line cells outside the box holding the digit, per line
    int lastOut[2] = {-1, -1}; // the last of them in list order, per line
    for (const uint8_t* p = lines; *p != CELL_LIST_END; p++) {
        int cell = *p & 0x7F;
        if (!(A->AnalysisGrid[cell] & digit) || A->CellScratch[cell]) continue;
        A->CellScratch[cell] = 2;
        int line = (*p & 0x80) != 0;
        outside[line]++;
        lastOut[line] = cell;
    }
    int a = inBox[0] == 1 ? boxCell[0] : lastOut[0];
    int b = inBox[1] == 1 ? boxCell[1] : lastOut[1];
    if (mode == BOXLINE_LINK) {
        if (receiver) receiver(A, digit, a, b, inBox[0], inBox[1], outside[0], outside[1]);
        return 0;
    }
    // Elimination: two box cells per line and one outside cell per line, so exactly one of
    // a and b holds the digit; whatever sees both loses it.
    if (inBox[0] < 2 || inBox[1] < 2 || outside[0] != 1 || outside[1] != 1) return 0;
    bool target = false;
    for (int cell = 0; cell < 81; cell++)
        if ((A->AnalysisGrid[cell] & digit) && A->CellScratch[cell] == 0 && IsPeer(a, cell) &&
            IsPeer(b, cell)) {
            target = true;
            break;
        }
    if (!target) return 0;
    StepRecord& s = A->CurrentStep;
    ClearCurrentStep(A);
    s.technique = TQ_BOX_LINES;
    s.size = 1;
    s.unit = boxUnit;
    s.digits = digit;
    // The link cells ascending, each with its line: the pair's lower unit for line 1.
    const bool swap = lastOut[0] > lastOut[1];
    s.links[0] = uint8_t(lastOut[swap]);
    s.links[1] = uint8_t(lastOut[!swap]);
    s.linkLines[swap] = std::countr_zero(pair);
    s.linkLines[!swap] = std::countr_zero(pair & (pair - 1));
    for (int cell = 0; cell < 81; cell++) {
        if ((A->AnalysisGrid[cell] & digit) && A->CellScratch[cell] == 0 && IsPeer(a, cell) &&
            IsPeer(b, cell))
            s.targets[s.targetCount++] = {uint8_t(cell), digit};
        else if (A->CellScratch[cell] && A->CellScratch[cell] != 2)
            s.pattern[s.patternCount++] = {uint8_t(cell), digit};
    }
    return 1;
}
