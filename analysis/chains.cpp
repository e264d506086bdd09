// Temporary: replaced by the chain graph.
#include "analysis/chains.h"
ChainNode ChainNodeTable[CHAIN_NODES_MAX]; int ChainNodeCount; ChainEntry ChainTable[CHAINS_MAX + 1];
int ChainCount; DigitMask StrongDigits[81]; WeakLinkRecord WeakLinks[WEAK_LINKS_MAX]; int WeakLinkCount;
uint8_t ChainVisited[CHAINS_MAX]; uint32_t LinkCache[LINK_CACHE_MAX]; int LinkCacheCount;
void BuildChains() {}
void MarkChainTarget(int, DigitMask) {}
int QueryAlsLink(int, int, DigitMask) { return -1; }
void ResetChainsModule() { ChainCount = 0; ChainNodeCount = 0; }
