// The step record and what is derived from it alone: its StepMarks, its effect on the position
// and the shape of a finned fish. One record, filled by the technique that found the step and
// emptied with the StepMarks; a technique that finds nothing leaves it as it was.
#include "analysis/step.h"
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "model/history.h"

void ClearCurrentStep(Analysis* A) {
    A->CurrentStep.technique = TQ_NONE;
    A->CurrentStep.size = 0;
    A->CurrentStep.unit = A->CurrentStep.line = -1;
    A->CurrentStep.digits = 0;
    A->CurrentStep.family = 0;
    A->CurrentStep.base = A->CurrentStep.cover = 0;
    A->CurrentStep.finCount = A->CurrentStep.nakedCount = 0;
    A->CurrentStep.nakedDigits = 0;
    A->CurrentStep.patternCount = A->CurrentStep.targetCount = 0;
    A->CurrentStep.placed = -1;
    A->CurrentStep.rule = RULE_NONE;
    A->CurrentStep.other = A->CurrentStep.restricted = 0;
    A->CurrentStep.sets[0].count = A->CurrentStep.sets[1].count = 0;
    A->CurrentStep.zSets = 0;
    A->CurrentStep.graphNodes[0] = A->CurrentStep.graphNodes[1] = -1;
    A->CurrentStep.completed = 0;
    A->CurrentStep.colouring = COLOURING_NONE;
    A->CurrentStep.clusterCount = A->CurrentStep.chainCount = A->CurrentStep.nodeCount = 0;
    A->CurrentStep.display.count = 0;
}

void RecordChainStep(Analysis* A, int technique, int rule, DigitMask digit) {
    ClearCurrentStep(A);
    A->CurrentStep.technique = technique;
    A->CurrentStep.rule = rule;
    A->CurrentStep.digits = digit;
}

void AddChainStepTarget(Analysis* A, int cell) {
    StepRecord& s = A->CurrentStep;
    int at = s.targetCount; // kept ascending
    while (at > 0 && s.targets[at - 1].cell >= cell) at--;
    if (at < s.targetCount && s.targets[at].cell == cell) return;
    for (int i = s.targetCount; i > at; i--) s.targets[i] = s.targets[i - 1];
    s.targets[at] = {uint8_t(cell), s.digits};
    s.targetCount++;
}

void StepMarksOf(const StepRecord& s, uint16_t* marks) {
    const bool singles = IsSingleTechnique(s.technique);
    for (int x = 0; x < 81; x++) marks[x] = 0;
    for (int i = 0; i < s.patternCount; i++)
        marks[s.pattern[i].cell] = uint16_t((singles ? 0 : MARK_PATTERN) | s.pattern[i].digits);
    if (s.technique == TQ_BOX_LINES)
        for (uint8_t cell : s.links) marks[cell] = MARK_LINK;
    for (int k = 0; k < 2; k++)
        for (int i = 0; i < s.sets[k].count; i++) {
            uint16_t& mark = marks[s.sets[k].cells[i]];
            const uint16_t kind = k == 0 ? MARK_ALS : (mark & MARK_ALS) ? MARK_SHARED : MARK_LINK;
            mark = uint16_t(kind | s.digits);
        }
    // A subset's targets are its own pattern cells, whose marks carry the digits they keep.
    if (singles || IsHiddenSubset(s.technique) || IsNakedSubset(s.technique)) return;
    for (int i = 0; i < s.targetCount; i++) marks[s.targets[i].cell] = MARK_TARGET;
}

void MarkCurrentStep(Analysis* A) {
    uint16_t marks[81];
    StepMarksOf(A->CurrentStep, marks);
    for (int x = 0; x < 81; x++)
        if (marks[x]) A->StepMarks[x] = marks[x];
    A->ChainDisplayList = A->CurrentStep.display;
}

void AddStepDisplay(StepRecord* s, int chain) {
    // A full list drops further chains: they would not be drawn distinctly anyway.
    if (chain >= 0 && s->display.count < CHAIN_DISPLAY_MAX)
        s->display.entries[s->display.count++] = chain;
}

int ApplyCurrentStep(Analysis* A) {
    const StepRecord& s = A->CurrentStep;
    if (s.technique == TQ_NONE) return 0;
    if (IsSingleTechnique(s.technique)) {
        // The entry changes the position, so only the first single is entered.
        if (s.placed >= 0) EnterDigit(A->G, s.placed, std::countr_zero(s.digits) + 1);
        return 1;
    }
    for (int i = 0; i < s.targetCount; i++)
        A->AnalysisGrid[s.targets[i].cell] &= DigitMask(~s.targets[i].digits);
    return 1;
}

int StepIsSashimi(const StepRecord& s, const DigitMask* grid) {
    if (!IsFinnedFish(s.technique) || s.finCount == 0) return 0;
    const int finBox = BoxOf(s.fins[0]);
    for (int i = 0; i < s.finCount; i++) {
        const int line = s.family ? s.fins[i] % 9 : s.fins[i] / 9;
        bool held = false; // a candidate where this base line meets a cover line in the box
        for (int k = 0; k < 9 && !held; k++) {
            const int cell = s.family ? 9 * k + line : 9 * line + k;
            held = BoxOf(cell) == finBox && (s.cover >> k & 1) && (grid[cell] & s.digits);
        }
        if (!held) return 1;
    }
    return 0;
}

int AddStepChain(StepRecord* s, int role, const ChainProofRecord& proof) {
    if (proof.overflow || s->chainCount == STEP_CHAINS_MAX ||
        s->nodeCount + proof.count > STEP_CHAIN_NODES_MAX)
        return 0;
    s->chains[s->chainCount++] = {role, s->nodeCount, proof.count};
    for (int i = 0; i < proof.count; i++) {
        s->nodes[s->nodeCount] = proof.nodes[i];
        s->strong[s->nodeCount++] = i + 1 < proof.count ? proof.strong[i] : 0;
    }
    return 1;
}

void StepChainProof(const StepRecord& s, int i, ChainProofRecord* proof) {
    const StepChain& c = s.chains[i];
    proof->count = c.count;
    proof->overflow = false;
    for (int k = 0; k < c.count; k++) {
        proof->nodes[k] = s.nodes[c.first + k];
        proof->strong[k] = s.strong[c.first + k];
    }
}

int FindStepChain(const StepRecord& s, int role) {
    for (int i = 0; i < s.chainCount; i++)
        if (s.chains[i].role == role) return i;
    return -1;
}
