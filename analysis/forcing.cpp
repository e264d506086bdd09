// Forcing chains over the chain graph: for a digit d of an open cell x, some node seeing x
// with d must be true, so x is not d. Three rules in a fixed order: the colour trap (two
// colours of one chain see x), two chains (ChainImplies), and a chain through another
// candidate of x. The first finding is marked (x as the target, the seeing nodes as pattern)
// and recorded in the step record (x losing the digit).
#include "analysis/forcing.h"
#include "analysis/chains.h"
#include "analysis/links.h"
#include "analysis/state.h"
#include "analysis/step.h"

// The first node of the chain from `from` on that holds one of the digits at a peer of the
// cell, or -1.
static int FindPeerNodeInChain(int cell, int from, int chain, unsigned digits) {
    if (!(ChainTable[chain].digits & digits)) return -1;
    const CellSet& peers = PEER_SETS[cell];
    int start = from > ChainTable[chain].first ? from : ChainTable[chain].first;
    for (int n = start, end = ChainTable[chain + 1].first; n < end; n++) {
        const ChainNode& node = ChainNodeTable[n];
        if ((node.digits & digits) && CellSetHas(peers, node.cell)) return n;
    }
    return -1;
}

static void MarkPattern(int node) {
    const ChainNode& n = ChainNodeTable[node];
    StepMarks[n.cell] |= uint16_t(n.digits | MARK_PATTERN);
}

static void ClearSearch() {
    ChainDisplayList.count = 0;
}

int FindColourTrap(int cell) {
    unsigned mask = AnalysisGrid[cell];
    for (int i = 0; i < ChainCount; i++) {
        int first = ChainTable[i].first;
        for (int a = FindPeerNodeInChain(cell, first, i, mask); a >= 0;
             a = FindPeerNodeInChain(cell, a + 1, i, mask)) {
            const ChainNode& na = ChainNodeTable[a];
            for (int b = FindPeerNodeInChain(cell, first, i, na.digits); b >= 0;
                 b = FindPeerNodeInChain(cell, b + 1, i, na.digits)) {
                if (ChainNodeTable[b].colour == na.colour) continue;
                AppendChainToDisplay(i);
                MarkPattern(a);
                MarkPattern(b);
                MarkChainTarget(cell, na.digits);
                RecordChainStep(TECHNIQUE_FORCING_CHAIN, na.digits);
                AddChainStepTarget(cell);
                return 1;
            }
        }
    }
    return 0;
}

int FindChainPairElimination(int cell) {
    unsigned mask = AnalysisGrid[cell];
    for (int i = 0; i < ChainCount; i++)
        for (int a = FindPeerNodeInChain(cell, ChainTable[i].first, i, mask); a >= 0;
             a = FindPeerNodeInChain(cell, a + 1, i, mask)) {
            const ChainNode& na = ChainNodeTable[a];
            for (int j = 0; j < ChainCount; j++)
                for (int b = FindPeerNodeInChain(cell, ChainTable[j].first, j, na.digits); b >= 0;
                     b = FindPeerNodeInChain(cell, b + 1, j, na.digits)) {
                    if (b == a) break; // the rest of chain j is skipped
                    ClearSearch();
                    if (!ChainImplies(a, b, na.colour)) continue;
                    AppendChainToDisplay(i);
                    AppendChainToDisplay(j);
                    MarkPattern(a);
                    MarkPattern(b);
                    StepMarks[cell] = MARK_TARGET;
                    RecordChainStep(TECHNIQUE_FORCING_CHAIN, na.digits);
                    AddChainStepTarget(cell);
                    return 1;
                }
        }
    return 0;
}

int FindCellChainElimination(int cell) {
    unsigned mask = AnalysisGrid[cell];
    for (int i = 0; i < ChainCount; i++)
        for (int a = FindPeerNodeInChain(cell, ChainTable[i].first, i, mask); a >= 0;
             a = FindPeerNodeInChain(cell, a + 1, i, mask)) {
            const ChainNode& na = ChainNodeTable[a];
            unsigned others = mask & ~unsigned(na.digits);
            for (unsigned e = others; e != 0; e &= e - 1) {
                int r = FindNode(cell, DigitMask(LowestBit(e)));
                if (r < 0) continue;
                const ChainNode& nr = ChainNodeTable[r];
                // a false means its colour is false: r of the other colour is then true
                bool found = nr.chain == i && nr.colour != na.colour;
                if (!found) {
                    ClearSearch();
                    found = ChainImplies(a, r, na.colour);
                }
                if (!found) continue;
                AppendChainToDisplay(i);
                MarkChainTarget(cell, na.digits);
                MarkPattern(a);
                RecordChainStep(TECHNIQUE_FORCING_CHAIN, na.digits);
                AddChainStepTarget(cell);
                return 1;
            }
        }
    return 0;
}

int FindForcingChain() {
    EmptyLinkCache();
    for (int x = 0; x < 81; x++)
        if (AnalysisGrid[x] != 0 && FindColourTrap(x)) return 1;
    CollectWeakLinks();
    for (int x = 0; x < 81; x++) {
        if (AnalysisGrid[x] == 0) continue;
        if (FindChainPairElimination(x)) return 1;
        if (FindCellChainElimination(x)) return 1;
    }
    return 0;
}
