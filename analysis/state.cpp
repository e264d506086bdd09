// The analysis working state: the grid analysed, the step record and the bit helpers.
#include "analysis/state.h"
#include "model/marks.h"

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

uint32_t NextSubsetOfSize(uint32_t prev, uint32_t mask, int k) {
    uint32_t s = prev;
    do {
        s = (s - mask) & mask;
    } while (s != 0 && PopCount(s) != k);
    return s;
}

bool IsPeer(int a, int b) {
    const uint8_t* peers = PeerTable + 20 * a;
    for (int i = 0; i < 20; i++)
        if (peers[i] == b) return true;
    return false;
}

void ResetStateModule() {
    AnalysisGrid = MarkGrid;
    for (uint16_t& m : StepMarks) m = 0;
    ChainDisplayList = {};
    PendingStep = 0;
}
