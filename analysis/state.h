// What every technique shares for the step it finds: the step marks, the costs of the step
// kinds (technique.h), the chain display list's operations, clearing and forgetting the step,
// and the subset enumeration.
#pragma once
#include "analysis/cellset.h"
#include "analysis/step.h"
#include "analysis/technique.h"
#include "model/board.h"
#include <cstdint>

struct Analysis;

// A step mark:  bits 15..12 kind | 11..9 zero | 8..0 DigitMask of the digits taking part.
constexpr uint16_t MARK_DIGITS = 0x01FF;
constexpr uint16_t MARK_KIND = 0xF000;
constexpr uint16_t MARK_ALS = 0x1000;     // cell of the first almost locked set
constexpr uint16_t MARK_TARGET = 0x2000;  // cell loses digits when the step is applied
constexpr uint16_t MARK_LINK = 0x3000;    // link cell / second almost locked set
constexpr uint16_t MARK_PATTERN = 0x4000; // pattern cell; digits = the pattern's digits
constexpr uint16_t MARK_SHARED = 0x5000;  // cell of both almost locked sets
constexpr uint16_t MARK_WRONG = 0x8000;   // digit differs from the solution

// Every kind (StepKind, technique.h) with what its step adds to the rating score, in the order
// of the enum.
struct StepKindRow {
    int kind;
    int cost;
};
constexpr StepKindRow STEP_KINDS[] = {
    {STEP_NONE, 0},    // nothing found
    {STEP_SINGLES, 0}, // singles cost nothing
    {STEP_SUBSETS, 1}, // hidden or naked subset
    {STEP_LOCKED, 3},  // locked candidates, box and two lines
    {STEP_GRID, 7},    // X-wing, swordfish, jellyfish
    {STEP_CHAINS, 15}, // forcing chain
    {STEP_ALS, 31},    // almost locked sets
};
static_assert(sizeof STEP_KINDS / sizeof STEP_KINDS[0] == 7);
// The rating cost of a step of this kind; 0 for a value that is no kind.
constexpr int StepCost(int kind) {
    for (const StepKindRow& row : STEP_KINDS)
        if (row.kind == kind) return row.cost;
    return 0;
}

// Appends a chain index to the display list, for the chains asked for (ChainSelection); returns
// the new count (entries past 64 dropped).
int AppendChainToDisplay(Analysis* A, int chain);
// Empties the step record: StepMarks and ChainDisplayList.
void ClearStepRecord(Analysis* A);
// The analysis as an observer of the position (ObservePosition): a change makes the step
// record stale, a refused entry leaves no step pending.
void ForgetStep(void* context, PositionEvent event); // context: the Analysis

// The next subset of mask after prev with exactly k bits, in increasing numeric order; 0 at the
// end. The walk s = (s - mask) & mask visits every subset of mask in that order.
constexpr uint32_t NextSubsetOfSize(uint32_t prev, uint32_t mask, int k) {
    uint32_t s = prev;
    do s = (s - mask) & mask;
    while (s != 0 && std::popcount(s) != k);
    return s;
}

// The 512 nine-bit words grouped by their number of bits, each group in increasing numeric
// order: the words with k bits are word[start[k]] .. word[start[k + 1] - 1]. The subsets of a
// nine-bit mask with k bits, in the order NextSubsetOfSize gives them, are the words of group k
// that lie inside the mask, taken in table order.
struct NineBitWordsTable {
    uint16_t word[512];
    uint16_t start[11];
    constexpr NineBitWordsTable() : word(), start() {
        int n = 0;
        for (int k = 0; k <= 9; k++) {
            start[k] = uint16_t(n);
            for (int w = 0; w < 512; w++) {
                int bits = 0;
                for (int v = w; v; v &= v - 1) bits++;
                if (bits == k) word[n++] = uint16_t(w);
            }
        }
        start[10] = uint16_t(n);
    }
};
inline constexpr NineBitWordsTable NINE_BIT_WORDS{};
