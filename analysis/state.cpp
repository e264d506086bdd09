// The analysis working state: the grid analysed, the step record and the bit helpers.
#include "analysis/state.h"
#include "analysis/step.h"
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
// The almost-locked-sets search's chain links (state.h).
int AlsChainLinks;

int AppendChainToDisplay(int chain) {
    // A full list drops further chains: they would not be drawn distinctly anyway.
    if (ChainDisplayList.count < CHAIN_DISPLAY_MAX)
        ChainDisplayList.entries[ChainDisplayList.count++] = chain;
    return ChainDisplayList.count;
}

void ClearStepRecord() {
    std::memset(StepMarks, 0, sizeof StepMarks);
    ChainDisplayList.count = 0;
    ClearCurrentStep();
}

void ForgetStep(void*, PositionEvent event) {
    if (event == PositionEvent::Changed) ClearStepRecord();
    if (event == PositionEvent::Refused) PendingStep = 0;
}

// The table's words inside a mask, group by group, are the subsets NextSubsetOfSize walks.
constexpr bool NineBitWordsFollowTheWalk(uint32_t mask) {
    for (int k = 1; k <= 9; k++) {
        uint32_t s = NextSubsetOfSize(0, mask, k);
        for (int w = NINE_BIT_WORDS.start[k]; w < NINE_BIT_WORDS.start[k + 1]; w++) {
            if (NINE_BIT_WORDS.word[w] & ~mask) continue;
            if (NINE_BIT_WORDS.word[w] != s) return false;
            s = NextSubsetOfSize(s, mask, k);
        }
        if (s != 0) return false;
    }
    return true;
}
static_assert(NineBitWordsFollowTheWalk(0x1FF) && NineBitWordsFollowTheWalk(0x16B) &&
              NineBitWordsFollowTheWalk(0x0F0) && NineBitWordsFollowTheWalk(0x101));

void ResetStateModule() {
    AnalysisGrid = MarkGrid;
    for (uint16_t& m : StepMarks) m = 0;
    ChainDisplayList = {};
    ClearCurrentStep();
    PendingStep = 0;
    AlsChainLinks = 0;
}
