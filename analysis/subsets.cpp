// Hidden subsets: n digits of a unit confined to n cells, which then keep only those digits.
// A naked subset shows up as the hidden subset of the rest of its unit. No state of its own;
// the step goes to StepMarks as MARK_PATTERN cells carrying the digits they keep.
#include "analysis/subsets.h"
#include "analysis/state.h"

static int UnitCandidateUnion(int unit, DigitMask* unionOut);
static int TryHiddenSubset(int unit, DigitMask digits, int size);

// Returns 1 when a subset of this size was found and marked, else 0. Units in table order,
// digit sets in increasing mask order; the first that works is the step.
int FindSubsets(int size) {
    if (size < 1 || size > 9) return 0; // no subset of a nine-digit union has that size
    for (int unit = 0; unit < 27; unit++) {
        DigitMask all;
        // Exactly `size` open cells leave nothing outside the subset to eliminate.
        if (UnitCandidateUnion(unit, &all) <= size) continue;
        // Per digit of the union, the positions 0..8 of the unit's cells holding it. Every
        // digit of the union has a cell, so TryHiddenSubset's count is the number of positions
        // holding some digit of the set: a set whose positions are not `size` is passed over.
        uint16_t places[9] = {};
        for (int k = 0; k < 9; k++)
            for (DigitMask m = AnalysisGrid[UnitTable[unit][k]] & ALL_DIGITS; m; m &= m - 1)
                places[LowestBitIndex(m)] |= uint16_t(1u << k);
        // The size-digit subsets of the union in increasing mask order (NextSubsetOfSize's).
        for (int w = NINE_BIT_WORDS.start[size]; w < NINE_BIT_WORDS.start[size + 1]; w++) {
            const DigitMask digits = NINE_BIT_WORDS.word[w];
            if (digits & ~all) continue;
            uint32_t at = 0;
            for (DigitMask rest = digits; rest; rest &= rest - 1)
                at |= places[LowestBitIndex(rest)];
            if (PopCount(at) == size && TryHiddenSubset(unit, digits, size)) return 1;
        }
    }
    return 0;
}

// Returns the number of open cells of the unit; the union of their candidates goes to *unionOut.
static int UnitCandidateUnion(int unit, DigitMask* unionOut) {
    int count = 0;
    DigitMask all = 0;
    for (int k = 0; k < 9; k++) {
        DigitMask m = AnalysisGrid[UnitTable[unit][k]];
        if (m) {
            count++;
            all |= m;
        }
    }
    *unionOut = all;
    return count;
}

// Returns 1 when the digits lie in exactly `size` cells of the unit, each digit somewhere, and
// those cells hold some other digit to drop (the step is then marked); else 0.
static int TryHiddenSubset(int unit, DigitMask digits, int size) {
    int count = 0;
    DigitMask seen = 0, all = 0;
    for (int k = 0; k < 9; k++) {
        DigitMask m = AnalysisGrid[UnitTable[unit][k]];
        if (!(m & digits)) continue;
        count++;
        seen |= m & digits;
        all |= m;
    }
    if (count != size || all == digits || seen != digits) return 0;
    for (int k = 0; k < 9; k++) {
        int cell = UnitTable[unit][k];
        DigitMask m = AnalysisGrid[cell];
        if (m & digits) StepMarks[cell] |= MARK_PATTERN | (digits & m);
    }
    return 1;
}
