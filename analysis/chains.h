// The chain graph: colour clusters of candidates grown from strong links and grouped links,
// weak links between chains, and chain implication. The tables are read by the forcing chains,
// the almost locked sets and the cell-link query; only the operations below write them.
#pragma once
#include "analysis/cellset.h"
#include "model/board.h"
#include <cstdint>

struct Analysis;

constexpr int CHAIN_NODES_MAX = 256;
constexpr int CHAINS_MAX = 128;
constexpr int WEAK_LINKS_MAX = 256;

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

// The weak links crossed by the last ChainImplies that answered true, deepest first: from the
// link into b's chain back to the link out of a's. `from` is the
// node made true in the chain left, `to` the node made false in the chain entered.
struct ImpliedLinkRecord {
    int16_t from, to;
};

// Builds the graph of the AnalysisGrid: strong links coloured into chains, joined by the
// grouped links of the box-and-two-lines search. The weak links are left empty.
void BuildChains(Analysis* A);
// Collects the weak links between nodes of different chains: the same cell, or the same
// digit in cells that see each other. A full list stops the collection.
void CollectWeakLinks(Analysis* A);
// Empties the graph: no nodes, chains or weak links.
void EmptyChainGraph(Analysis* A);

// Appends a node (one digit, a cell 0..80) to the chain numbered `chain` unless (cell, digits)
// is a node already (returns its index) or the table is full; returns -1 otherwise.
int AddNode(Analysis* A, DigitMask digits, int cell, int chain, int colour);
// Ends the chain being built: the nodes added since the last chain ended become chain
// ChainCount, and ChainCount grows by one.
void CloseChain(Analysis* A);
// One box-and-two-lines pattern in link mode (the counts of the digit in the box and outside
// it on each line): a link it proves joins, extends, starts or merges chains.
void AddGroupedLink(Analysis* A, DigitMask digit, int a, int b, int boxOnLine1, int boxOnLine2,
                    int outsideOnLine1, int outsideOnLine2);

// The node of a cell holding exactly the one digit, or -1.
int FindNode(Analysis* A, int cell, DigitMask digits);
// The node at each cell holding digit index d (-1 for none), 81 entries.
const int16_t* NodesWithDigit(Analysis* A, int digitIndex);

// Whether the nodes of a's chain with the given colour being false forces node b true, through
// the weak links; when it does, ImpliedLinks holds the links it crossed (ImpliedChain).
bool ChainImplies(Analysis* A, int a, int b, int colour);
// The chain entered by the k-th link of the last ChainImplies that answered true: its clusters
// crossed, deepest first, are those a step found by it shows.
int ImpliedChain(const Analysis* A, int k);
// The chain of the cell's node for the digits, or -1 when there is none.
int NodeChain(Analysis* A, int cell, DigitMask digits);

// Working tables of the chain search (held in the Analysis record):
// a sub-search of ChainImplies that failed, and the chains that refused it (bit k: chain k).
struct ImpliesFailRecord {
    uint32_t stamp;
    uint64_t blocked[2];
};
