// The chain graph: colour clusters of candidates grown from strong links and grouped links,
// weak links between chains, chain implication and the memoised cell-link query.
#pragma once
#include <cstdint>
#include "model/board.h"

constexpr int CHAIN_NODES_MAX = 256;
constexpr int CHAINS_MAX = 128;
constexpr int WEAK_LINKS_MAX = 256;
constexpr int LINK_CACHE_MAX = 2048;

struct ChainNode {
    DigitMask digits; // one digit
    int16_t cell;
    int16_t chain;
    int16_t colour; // 0 or 1
};
struct ChainEntry {
    DigitMask digits; // union of the chain's node digits
    int16_t first;    // first node; in the end entry, the node count
};
struct WeakLinkRecord {
    int16_t first, second; // first in the lower-numbered chain
};

extern ChainNode ChainNodeTable[CHAIN_NODES_MAX];
extern int ChainNodeCount;
extern ChainEntry ChainTable[CHAINS_MAX + 1];
extern int ChainCount;
extern DigitMask StrongDigits[81];
extern WeakLinkRecord WeakLinks[WEAK_LINKS_MAX];
extern int WeakLinkCount;
extern uint8_t ChainVisited[CHAINS_MAX];
// Cache entry: bits 24-31 cell b | 16-23 cell a | 15 linked | 9-14 zero | 0-8 DigitMask.
extern uint32_t LinkCache[LINK_CACHE_MAX];
extern int LinkCacheCount;

int FindNode(int cell, DigitMask digits);
int FindNodeAt(int cell, DigitMask digits);
int FindNodeInChain(int cell, DigitMask digits, int chain);
int AddNode(DigitMask digits, int cell, int chain, int colour);
void BuildChains();
void GrowChain(int cell, DigitMask digit, int colour);
void CollectWeakLinks();
void AddGroupedLink(DigitMask digit, int a, int b, int boxOnLine1, int boxOnLine2,
                    int outsideOnLine1, int outsideOnLine2);
void MergeChainBlocks(int chainA, int chainB);
void MarkChainTarget(int cell, DigitMask digits);
bool ChainImplies(int a, int b, int colour);
int QueryAlsLink(int cellA, int cellB, DigitMask digits);

void ResetChainsModule();
