// The board's side of the step: the chain display list (the chosen step's, or the chains asked
// for), clearing and forgetting the step.
#include "analysis/state.h"
#include "analysis/analysis.h"
#include "analysis/step.h"
#include "model/marks.h"
#include <cstring>

int AppendChainToDisplay(Analysis* A, int chain) {
    // A full list drops further chains: they would not be drawn distinctly anyway.
    if (A->ChainDisplayList.count < CHAIN_DISPLAY_MAX)
        A->ChainDisplayList.entries[A->ChainDisplayList.count++] = chain;
    return A->ChainDisplayList.count;
}

void ClearStepRecord(Analysis* A) {
    std::memset(A->StepMarks, 0, sizeof A->StepMarks);
    A->ChainDisplayList.count = 0;
    ClearCurrentStep(A);
}

void ForgetStep(void* context, PositionEvent event) {
    Analysis* A = static_cast<Analysis*>(context);
    if (event == PositionEvent::Changed) ClearStepRecord(A);
    if (event == PositionEvent::Refused) A->PendingStep = 0;
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
