// The analysis working state: the grid analysed, the step record and the bit helpers.
#include "analysis/state.h"
#include "model/marks.h"
#include <cstring>

// The grid the last driver run chose (MarkGrid unless candidates are shown); never null.
DigitMask* AnalysisGrid = MarkGrid;
// The step found by the last driver run: one mark per cell (0 = not part of the step).
uint16_t StepMarks[81];
// Chains drawn for the step, in drawing order; count never exceeds CHAIN_DISPLAY_MAX.
ChainDisplayListRecord ChainDisplayList;
// What the last run for display or rating returned; 0 when nothing waits for the step button.
int32_t PendingStep;

int AppendChainToDisplay(int chain) {
    // A full list drops further chains: they would not be drawn distinctly anyway.
    if (ChainDisplayList.count < CHAIN_DISPLAY_MAX)
        ChainDisplayList.entries[ChainDisplayList.count++] = chain;
    return ChainDisplayList.count;
}

void ClearStepRecord() {
    std::memset(StepMarks, 0, sizeof StepMarks);
    ChainDisplayList.count = 0;
}

void ForgetStep(int event) {
    if (event == POSITION_CHANGED) ClearStepRecord();
    if (event == POSITION_REFUSED) PendingStep = 0;
}

// The next subset of mask after prev, in increasing numeric order, with exactly k bits.
// Defined as repeating s = (s - mask) & mask from prev until s is 0 or has k bits; that walk
// visits every subset of mask (2^18 of them for pairs of lines), so when prev already has k
// bits of mask the same answer is computed directly: the positions of mask's bits are
// numbered 0..n-1, prev becomes an n-bit word, the next word with k bits is taken (which keeps
// the numeric order, since the numbering keeps the bit order), and it is mapped back.
uint32_t NextSubsetOfSize(uint32_t prev, uint32_t mask, int k) {
    if (k <= 0 || (prev & ~mask) != 0 || (prev != 0 && PopCount(prev) != k)) {
        uint32_t s = prev;
        do {
            s = (s - mask) & mask;
        } while (s != 0 && PopCount(s) != k);
        return s;
    }
    int n = 0;
    uint32_t bits[32];
    for (uint32_t m = mask; m; m &= m - 1) bits[n++] = LowestBit(m);
    if (k > n) return 0;
    uint64_t x = 0;
    if (prev == 0) {
        x = (uint64_t(1) << k) - 1;
    } else {
        for (int i = 0; i < n; i++)
            if (prev & bits[i]) x |= uint64_t(1) << i;
        uint64_t low = x & (0 - x); // next word with as many bits (Gosper)
        uint64_t ripple = x + low;
        x = (((ripple ^ x) >> 2) / low) | ripple;
        if (x >> n) return 0;
    }
    uint32_t s = 0;
    for (int i = 0; i < n; i++)
        if (x & (uint64_t(1) << i)) s |= bits[i];
    return s;
}

void ResetStateModule() {
    AnalysisGrid = MarkGrid;
    for (uint16_t& m : StepMarks) m = 0;
    ChainDisplayList = {};
    PendingStep = 0;
}
