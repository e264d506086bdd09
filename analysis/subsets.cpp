// Hidden subsets: n digits of a unit confined to n cells, which then keep only those digits.
// A naked subset shows up as the hidden subset of the rest of its unit. No state of its own;
// the step goes to the step record, whose StepMarks are MARK_PATTERN cells carrying the digits
// they keep.
#include "analysis/subsets.h"
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "analysis/step.h"

static int UnitCandidateUnion(Analysis* A, int unit, DigitMask* unionOut);
static int TryHiddenSubset(Analysis* A, int unit, DigitMask digits, int size);

// Returns 1 when a subset of this size was found and recorded, else 0. Units in table order,
// digit sets in increasing mask order; the first that works is the step.
int FindSubsets(Analysis* A, int size) {
    if (size < 1 || size > 9) return 0; // no subset of a nine-digit union has that size
    for (int unit = 0; unit < 27; unit++) {
        DigitMask all;
        // Exactly `size` open cells leave nothing outside the subset to eliminate.
        if (UnitCandidateUnion(A, unit, &all) <= size) continue;
        // Per digit of the union, the positions 0..8 of the unit's cells holding it. Every
        // digit of the union has a cell, so TryHiddenSubset's count is the number of positions
        // holding some digit of the set: a set whose positions are not `size` is passed over.
        uint16_t places[9] = {};
        for (int k = 0; k < 9; k++)
            for (DigitMask m = A->AnalysisGrid[UnitTable[unit][k]] & ALL_DIGITS; m; m &= m - 1)
                places[std::countr_zero(m)] |= uint16_t(1u << k);
        // The size-digit subsets of the union in increasing mask order (NextSubsetOfSize's).
        for (int w = NINE_BIT_WORDS.start[size]; w < NINE_BIT_WORDS.start[size + 1]; w++) {
            const DigitMask digits = NINE_BIT_WORDS.word[w];
            if (digits & ~all) continue;
            uint32_t at = 0;
            for (DigitMask rest = digits; rest; rest &= rest - 1)
                at |= places[std::countr_zero(rest)];
            if (std::popcount(at) == size && TryHiddenSubset(A, unit, digits, size)) return 1;
        }
    }
    return 0;
}

// Returns the number of open cells of the unit; the union of their candidates goes to *unionOut.
static int UnitCandidateUnion(Analysis* A, int unit, DigitMask* unionOut) {
    int count = 0;
    DigitMask all = 0;
    for (int k = 0; k < 9; k++) {
        DigitMask m = A->AnalysisGrid[UnitTable[unit][k]];
        if (m) {
            count++;
            all |= m;
        }
    }
    *unionOut = all;
    return count;
}

// Returns 1 when the digits lie in exactly `size` cells of the unit, each digit somewhere, and
// those cells hold some other digit to drop (the step is then recorded); else 0.
static int TryHiddenSubset(Analysis* A, int unit, DigitMask digits, int size) {
    int count = 0;
    DigitMask seen = 0, all = 0;
    for (int k = 0; k < 9; k++) {
        DigitMask m = A->AnalysisGrid[UnitTable[unit][k]];
        if (!(m & digits)) continue;
        count++;
        seen |= m & digits;
        all |= m;
    }
    if (count != size || all == digits || seen != digits) return 0;
    StepRecord& s = A->CurrentStep;
    ClearCurrentStep(A);
    s.technique = SubsetTechnique(false, size);
    s.size = size;
    s.unit = unit;
    s.digits = digits;
    for (uint8_t cell : UnitTable[unit]) { // in cell order
        const DigitMask m = A->AnalysisGrid[cell];
        if (m & digits) {
            s.pattern[s.patternCount++] = {cell, DigitMask(m & digits)};
            if (m & ~digits) s.targets[s.targetCount++] = {cell, DigitMask(m & ~digits)};
        } else if (m && s.nakedCount < 5) { // the rest of the unit: a naked subset when few
            if (s.nakedCount < 4) s.nakedCells[s.nakedCount] = cell;
            s.nakedCount++;
            s.nakedDigits |= m;
        }
    }
    // The rest of the unit's open cells holding as many digits as cells, no more than the
    // subset's: the same step seen as that naked subset, the simpler way to see it.
    if (s.nakedCount >= 2 && s.nakedCount <= size && s.nakedCount <= 4 &&
        std::popcount(s.nakedDigits) == s.nakedCount)
        s.technique = SubsetTechnique(true, s.nakedCount);
    else
        s.nakedCount = 0, s.nakedDigits = 0;
    return 1;
}
