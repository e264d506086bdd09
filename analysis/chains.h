// The chain graph: colour clusters of candidates grown from strong links and grouped links,
// weak links between chains, chain implication and the memoised cell-link query.
#pragma once
#include "analysis/cellset.h"
#include "model/board.h"
#include <cstdint>

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
constexpr uint32_t LINK_CACHE_LINKED = 0x8000;
extern uint32_t LinkCache[LINK_CACHE_MAX];
extern int LinkCacheCount;

// Answers of QueryAlsLink that asking again would not change, for cell a and digit index d
// (the digit d + 1): `linked` holds the cells b for which QueryAlsLink(a, b, digit) answers 1,
// `unlinked` those answering -1; `linkedBy` and `unlinkedBy` the same relation seen from b
// (the cells a). A cell in none of them may change the LinkCache when asked.
struct LinkKnownRecord {
    CellSet linked, unlinked, linkedBy, unlinkedBy;
};
extern LinkKnownRecord LinkKnown[81][9];
// Brings LinkKnown in line with the LinkCache, the graph and the display list; returns a
// stamp that changes whenever LinkKnown has changed.
uint32_t SyncLinkKnown();

// Lookups: node index, or -1. Nodes are scanned in index order; the first match wins.
int FindNode(int cell, DigitMask digits);
int FindNodeAt(int cell, DigitMask digits);
int FindNodeInChain(int cell, DigitMask digits, int chain);
// Appends a node unless (cell, digits) is a node already (returns its index) or the table is
// full; returns -1 otherwise.
int AddNode(DigitMask digits, int cell, int chain, int colour);
void BuildChains();
void GrowChain(int cell, DigitMask digit, int colour);
void CollectWeakLinks();
void AddGroupedLink(DigitMask digit, int a, int b, int boxOnLine1, int boxOnLine2,
                    int outsideOnLine1, int outsideOnLine2);
void MergeChainBlocks(int chainA, int chainB);
void MarkChainTarget(int cell, DigitMask digits);
bool ChainImplies(int a, int b, int colour);
// 1 when the graph proves a and b cannot both hold the digit, else -1.
int QueryAlsLink(int cellA, int cellB, DigitMask digits);
// Empties the LinkCache (and the query memo behind it).
void EmptyLinkCache();

void ResetChainsModule();
