// Forcing chains over the chain graph: for a digit d of an open cell x, some node seeing x
// with d must be true, so x is not d. Three rules in a fixed order: the colour trap (two
// colours of one chain see x), two chains (ChainImplies), and a chain through another
// candidate of x. The first finding is recorded in the step record (x losing the digit, the
// seeing nodes as pattern, the nodes joined, the clusters the board shows with it);
// CompleteForcingStep writes the chain that proves it.
#include "analysis/forcing.h"
#include "analysis/analysis.h"
#include "analysis/chainproof.h"
#include "analysis/chains.h"
#include "analysis/links.h"
#include "analysis/state.h"
#include "analysis/step.h"

// The first node of the chain from `from` on that holds one of the digits at a peer of the
// cell, or -1.
static int FindPeerNodeInChain(Analysis* A, int cell, int from, int chain, unsigned digits) {
    if (!(A->ChainTable[chain].digits & digits)) return -1;
    const CellSet& peers = PEER_SETS[cell];
    int start = from > A->ChainTable[chain].first ? from : A->ChainTable[chain].first;
    for (int n = start, end = A->ChainTable[chain + 1].first; n < end; n++) {
        const ChainNode& node = A->ChainNodeTable[n];
        if ((node.digits & digits) && CellSetHas(peers, node.cell)) return n;
    }
    return -1;
}

// Calls visit(a) for each node a of the chain that holds one of the digits at a peer of the
// cell, in node order, until it returns non-zero; returns that value, or 0.
template <typename Visit>
static int ForEachPeerNode(Analysis* A, int cell, int chain, unsigned digits, Visit visit) {
    for (int a = FindPeerNodeInChain(A, cell, A->ChainTable[chain].first, chain, digits); a >= 0;
         a = FindPeerNodeInChain(A, cell, a + 1, chain, digits))
        if (const int found = visit(a)) return found;
    return 0;
}

// Records the step: the cell loses a's digit; a (and b unless the chain runs through the
// cell) see it. The board shows the clusters the ChainImplies that just answered true crossed
// (when `implied`), then chains `first` and `second` (-1: none). Returns 1.
static int RecordForcing(Analysis* A, int rule, int cell, int a, int b, bool implied, int first,
                         int second) {
    const ChainNode& na = A->ChainNodeTable[a];
    StepRecord& s = A->CurrentStep;
    RecordChainStep(A, TQ_AIC, rule, na.digits);
    s.pattern[s.patternCount++] = {uint8_t(na.cell), na.digits};
    if (rule != RULE_CELL_CHAIN) {
        const ChainNode& nb = A->ChainNodeTable[b];
        const StepCell pb = {uint8_t(nb.cell), nb.digits};
        if (nb.cell < na.cell) {
            s.pattern[1] = s.pattern[0];
            s.pattern[0] = pb;
        } else {
            s.pattern[1] = pb;
        }
        s.patternCount = 2;
    } else {
        s.other = A->ChainNodeTable[b].digits;
    }
    AddChainStepTarget(A, cell);
    s.graphNodes[0] = a;
    s.graphNodes[1] = b;
    for (int k = 0; implied && k < A->ImpliedLinkCount; k++) AddStepDisplay(&s, ImpliedChain(A, k));
    AddStepDisplay(&s, first);
    AddStepDisplay(&s, second);
    return 1;
}

int FindColourTrap(Analysis* A, int cell) {
    const unsigned mask = A->AnalysisGrid[cell];
    for (int i = 0; i < A->ChainCount; i++) {
        const int found = ForEachPeerNode(A, cell, i, mask, [&](int a) {
            const ChainNode& na = A->ChainNodeTable[a];
            return ForEachPeerNode(A, cell, i, na.digits, [&](int b) {
                if (A->ChainNodeTable[b].colour == na.colour) return 0;
                return RecordForcing(A, RULE_COLOUR_TRAP, cell, a, b, false, i,
                                     NodeChain(A, cell, na.digits));
            });
        });
        if (found) return found;
    }
    return 0;
}

int FindChainPairElimination(Analysis* A, int cell) {
    const unsigned mask = A->AnalysisGrid[cell];
    for (int i = 0; i < A->ChainCount; i++) {
        const int found = ForEachPeerNode(A, cell, i, mask, [&](int a) {
            const ChainNode& na = A->ChainNodeTable[a];
            for (int j = 0; j < A->ChainCount; j++) {
                const int paired = ForEachPeerNode(A, cell, j, na.digits, [&](int b) {
                    if (b == a) return -1; // the rest of chain j is skipped
                    if (!ChainImplies(A, a, b, na.colour)) return 0;
                    return RecordForcing(A, RULE_CHAIN_PAIR, cell, a, b, true, i, j);
                });
                if (paired > 0) return paired;
            }
            return 0;
        });
        if (found) return found;
    }
    return 0;
}

int FindCellChainElimination(Analysis* A, int cell) {
    const unsigned mask = A->AnalysisGrid[cell];
    for (int i = 0; i < A->ChainCount; i++) {
        const int found = ForEachPeerNode(A, cell, i, mask, [&](int a) {
            const ChainNode& na = A->ChainNodeTable[a];
            const unsigned others = mask & ~unsigned(na.digits);
            for (unsigned e = others; e != 0; e &= e - 1) {
                const int r = FindNode(A, cell, DigitMask(e & -e));
                if (r < 0) continue;
                const ChainNode& nr = A->ChainNodeTable[r];
                // a false means its colour is false: r of the other colour is then true
                const bool sameChain = nr.chain == i && nr.colour != na.colour;
                if (!sameChain && !ChainImplies(A, a, r, na.colour)) continue;
                return RecordForcing(A, RULE_CELL_CHAIN, cell, a, r, !sameChain, i,
                                     NodeChain(A, cell, na.digits));
            }
            return 0;
        });
        if (found) return found;
    }
    return 0;
}

int FindForcingChain(Analysis* A) {
    EmptyLinkCache(A);
    for (int x = 0; x < 81; x++)
        if (A->AnalysisGrid[x] != 0 && FindColourTrap(A, x)) return 1;
    CollectWeakLinks(A);
    for (int x = 0; x < 81; x++) {
        if (A->AnalysisGrid[x] == 0) continue;
        if (FindChainPairElimination(A, x)) return 1;
        if (FindCellChainElimination(A, x)) return 1;
    }
    return 0;
}

// The name of a trap inside one cluster: simple colouring for a cluster of one digit, 3D
// Medusa for one of several.
static int TrapColouring(Analysis* A, int node) {
    return std::popcount(A->ChainTable[A->ChainNodeTable[node].chain].digits) == 1
               ? COLOURING_SIMPLE
               : COLOURING_MEDUSA;
}

void CompleteForcingStep(Analysis* A, StepRecord* s) {
    const int a = s->graphNodes[0], b = s->graphNodes[1];
    const ChainNode& na = A->ChainNodeTable[a];
    const ChainNode& nb = A->ChainNodeTable[b];
    ChainProofRecord proof;
    proof.count = 0;
    proof.overflow = false;
    bool written = false;
    if (s->rule == RULE_COLOUR_TRAP) { // written from the pattern node first in cell order
        s->colouring = TrapColouring(A, a);
        written = na.cell < nb.cell ? ClusterProof(A, a, false, b, true, &proof)
                                    : ClusterProof(A, b, false, a, true, &proof);
    } else if (s->rule == RULE_CHAIN_PAIR) {
        written = ImplicationProof(A, a, b, na.colour, &proof) ||
                  ImplicationProof(A, b, a, nb.colour, &proof);
        bool oneDigit = s->display.count > 0; // the colours of one-digit clusters
        for (int i = 0; i < s->display.count; i++)
            oneDigit = oneDigit && A->ChainTable[s->display.entries[i]].digits == s->digits;
        if (oneDigit) s->colouring = COLOURING_MULTI;
    } else if (nb.chain == na.chain && nb.colour != na.colour) {
        s->colouring = TrapColouring(A, a);
        written = ClusterProof(A, a, false, b, true, &proof);
    } else {
        written = ImplicationProof(A, a, b, na.colour, &proof);
    }
    if (written) AddStepChain(s, CHAIN_PROOF, proof);
}
