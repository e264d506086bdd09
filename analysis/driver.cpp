// The analysis driver: one run clears the step record and tries the enabled techniques from the
// cheapest up, ending at the first that records a step. Also singles, which always run first,
// and ApplyStep, which carries the recorded step out on the Board or the AnalysisGrid.
#include "analysis/driver.h"
#include "analysis/als.h"
#include "analysis/analysis.h"
#include "analysis/chainproof.h"
#include "analysis/chains.h"
#include "analysis/fish.h"
#include "analysis/forcing.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include "analysis/subsets.h"
#include "exactcover/count.h"
#include "model/game.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"

int MarkWrongValues(Analysis* A) {
    int marked = 0;
    for (int i = 0; i < 81; i++)
        if (A->G->Board[i] && A->G->SolutionGrid[i] &&
            (A->G->Board[i] & CELL_DIGIT) != (A->G->SolutionGrid[i] & CELL_DIGIT)) {
            A->StepMarks[i] = MARK_WRONG;
            marked++;
        }
    return marked;
}

int RunAnalysis(Analysis* A) {
    const AnalysisOptionsRecord& opt = A->G->AnalysisOptions;
    return RunAnalysisWith(A, (opt.techniques & TECH_ANALYSIS) != 0, opt.showCandidates != 0);
}

// The step a finder recorded is the one chosen: it is shown (StepMarks, ChainDisplayList) and
// its family returned, as CLASSIC_TECHNIQUES gives it.
static int SettleStep(Analysis* A) {
    MarkCurrentStep(A);
    return ClassicKind(A->CurrentStep.technique);
}

// Returns the StepKind.
int RunAnalysisWith(Analysis* A, bool on, bool onCandidates) {
    const AnalysisOptionsRecord& opt = A->G->AnalysisOptions;
    A->AnalysisGrid = onCandidates ? A->G->CandidateGrid : A->G->MarkGrid;
    ClearStepRecord(A);
    if (opt.setupMode) return STEP_NONE;
    if (opt.wrongValues && MarkWrongValues(A)) return STEP_NONE; // the marks stay for the display
    if (!on) return STEP_NONE;

    if (A->ChainSelection != CHAIN_SHOW_ALL) {
        if (FindSingles(A)) return SettleStep(A);
        if (opt.techniques & TECH_SUBSETS)
            for (int size = 2; size <= 4; size++)
                if (FindSubsets(A, size)) return SettleStep(A);
        EmptyChainGraph(A);
        if ((opt.techniques & TECH_LOCKED) && FindFish(A, 1)) return SettleStep(A);
        if (opt.techniques & TECH_GRID)
            for (int size = 2; size <= 4; size++)
                if (FindFish(A, size)) return SettleStep(A);
    }

    if (opt.techniques & TECH_CHAINS) {
        BuildChains(A);
        if (A->ChainSelection == CHAIN_SHOW_ALL) {
            for (int k = 0; k < A->ChainCount; k++) AppendChainToDisplay(A, k);
            A->ChainSelection = -1;
            return STEP_NONE;
        }
        if (A->ChainSelection >= 0 && A->ChainSelection < A->ChainCount) {
            AppendChainToDisplay(A, A->ChainSelection);
            A->ChainSelection = -1;
            return STEP_NONE;
        }
        if (FindForcingChain(A)) return SettleStep(A);
    }

    if (!(opt.techniques & TECH_ALS)) return STEP_NONE;
    EmptyAlsTable(A); // the first pass collects the sets afresh
    const bool firstLinked =
        (opt.techniques & TECH_CHAINS) && A->AlsChainLinks; // as a rating starts
    if (FindAlmostLockedSets(A)) return SettleStep(A);
    if (!(opt.techniques & TECH_CHAINS)) return STEP_NONE;
    // Second pass on the same sets, now also linking cells through the chain graph. After a
    // first pass that already linked and found nothing it would repeat that pass exactly (same
    // sets, grid, graph and answers: every query it asks was asked before, and stored unless
    // the cache was full), find nothing and change nothing, so it is not run again.
    A->AlsChainLinks = 1;
    int found = firstLinked ? 0 : FindAlmostLockedSets(A);
    A->AlsChainLinks = 0;
    return found ? SettleStep(A) : STEP_NONE;
}

// Records every naked and hidden single at once; returns how many were counted (a naked single
// counts once per unit).
int FindSingles(Analysis* A) {
    DigitMask found[81] = {};
    int count = 0;
    // Scanning a unit's cells in order for digit b, the scan stops at the first cell holding
    // b alone (a naked single) and marks it; without one, it marks the cell only when it is
    // the unit's one cell holding b. Per unit, the positions holding each digit and those
    // holding it alone give both answers at once.
    for (int unit = 0; unit < 27; unit++) {
        uint16_t places[9] = {}, alone[9] = {};
        for (int k = 0; k < 9; k++) {
            const DigitMask m = A->AnalysisGrid[UnitTable[unit][k]];
            for (DigitMask rest = m & ALL_DIGITS; rest; rest &= rest - 1)
                places[std::countr_zero(rest)] |= uint16_t(1u << k);
            if (SingleDigit(m)) alone[std::countr_zero(m)] |= uint16_t(1u << k);
        }
        for (int d = 0; d < 9; d++) {
            int k;
            if (alone[d])
                k = std::countr_zero(alone[d]);
            else if (places[d] && !(places[d] & (places[d] - 1)))
                k = std::countr_zero(places[d]);
            else
                continue;
            found[UnitTable[unit][k]] |= DigitMask(1u << d);
            count++;
        }
    }
    if (!count) return 0;
    // The record: every single in cell order; the first with one digit is the one entered.
    StepRecord& s = A->CurrentStep;
    ClearCurrentStep(A);
    s.technique = TQ_SINGLES_CLASH;
    for (int x = 0; x < 81; x++) {
        if (!found[x]) continue;
        s.pattern[s.patternCount++] = {uint8_t(x), found[x]};
        if (s.placed >= 0 || !SingleDigit(found[x])) continue;
        s.placed = x;
        s.digits = found[x];
        s.technique = TQ_NAKED_SINGLE;
        if (A->AnalysisGrid[x] == found[x]) continue;
        // A hidden single's unit: the first of its row, column and box with no other place.
        const int units[3] = {x / 9, 9 + x % 9, BoxUnit(x)};
        for (int u = 0; u < 3 && s.unit < 0; u++) {
            int places = 0;
            for (int k = 0; k < 9; k++)
                places += (A->AnalysisGrid[UnitTable[units[u]][k]] & s.digits) != 0;
            if (places == 1) s.unit = units[u];
        }
        s.technique = s.unit >= 18 ? TQ_HIDDEN_SINGLE_BOX : TQ_HIDDEN_SINGLE_LINE;
    }
    return count;
}

// Carries out the recorded step: a single enters the first single in cell order (the entry
// changes the position and leaves the rest of the step stale); every other step takes its
// targets' digits out of the AnalysisGrid. The options stay as they are: nothing the entry runs
// analyses again (the shell's redraw is deferred, a refused entry's undo reloads the saved marks).
void ApplyStep(Analysis* A, int kind, bool addToScore) {
    if (kind == STEP_SINGLES || kind == STEP_SUBSETS || kind == STEP_LOCKED || kind == STEP_GRID ||
        kind == STEP_CHAINS || kind == STEP_ALS)
        ApplyCurrentStep(A);
    if (addToScore) A->RatingScore += StepCost(kind);
}

void CompleteCurrentStep(Analysis* A) {
    StepRecord& s = A->CurrentStep;
    if (s.completed ||
        (s.technique != TQ_AIC && s.technique != TQ_ALS_XZ && s.technique != TQ_ALS_CHAIN))
        return;
    if (s.technique == TQ_AIC)
        CompleteForcingStep(A, &s);
    else
        CompleteAlsStep(A, &s);
    ChainProofRecord proof;
    const int at = FindStepChain(s, CHAIN_PROOF);
    if (at >= 0) StepChainProof(s, at, &proof);
    s.clusterCount = ProofClusters(A, at >= 0 ? &proof : nullptr, s.display, s.clusters);
    s.completed = 1;
}
