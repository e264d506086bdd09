// The reasoning of the chain graph written out as alternating inference chains, for the step
// record of a chain step: the path inside one colour cluster between two of its candidates, the
// implication that ChainImplies proves across clusters, and the link between two cells that the
// almost-locked-set rules take from the graph. A node is one candidate, or one digit in two or
// three cells of one box and one line (a group); strong links ('=') and weak links ('-') alternate.
#pragma once
#include "model/board.h"
#include <cstddef>
#include <cstdint>

struct Analysis;
struct ChainDisplayListRecord;

constexpr int PROOF_NODES_MAX = 192;

struct ProofNode {
    DigitMask digit;  // one digit
    uint8_t count;    // 1 for a candidate, 2 or 3 for a group
    uint8_t cells[3]; // ascending
};
// nodes[0 .. count); strong[i] is 1 when the link from node i to node i + 1 is strong.
struct ChainProofRecord {
    int count;
    bool overflow; // a path did not fit: the record is cut and proves nothing
    ProofNode nodes[PROOF_NODES_MAX];
    uint8_t strong[PROOF_NODES_MAX];
};

// Appends the shortest path inside `from`'s cluster (graph nodes, plus groups between them)
// that takes "from is fromTrue" to "to is toTrue" through links that hold on the AnalysisGrid.
// The proof gets `from` only when it does not already end with it. Returns 1, or 0 when there
// is no such path (the proof is then unchanged).
int ClusterProof(Analysis* A, int from, bool fromTrue, int to, bool toTrue,
                 ChainProofRecord* proof);
// The chain behind ChainImplies(a, b, colour): from a (false when it has the colour, else true)
// through the clusters ChainImplies crosses to "b is true". Returns 1 with the proof appended,
// 0 when ChainImplies answers false. Leaves ChainVisited as it was.
int ImplicationProof(Analysis* A, int a, int b, int colour, ChainProofRecord* proof);
// The chain by which the graph shows that cells a and b cannot both hold the digit, found the
// way QueryAlsLink searches (a's order first, unless the LinkCache was filled from b's side):
// "(d)a-x=...=y-b". Returns 1 with the proof appended, else 0.
int LinkProof(Analysis* A, int cellA, int cellB, DigitMask digit, ChainProofRecord* proof);
// The clusters a step's text names: those the proof (may be null) runs through, in its order,
// then those the step shows, each once. Returns how many were written to `clusters` (room for
// 192).
int ProofClusters(Analysis* A, const ChainProofRecord* proof, const ChainDisplayListRecord& shown,
                  int16_t* clusters);

// Appends a node; when the proof is full it is marked overflowed instead. `strong` is the link
// from the node before (ignored for the first node).
void AddProofNode(ChainProofRecord* proof, const ProofNode& node, bool strong);
ProofNode CandidateNode(int cell, DigitMask digit);

// The name players know for the shape of an alternating inference chain with strong links at
// both ends (a = ... = b): "Naked pair", "XY-wing", "Remote pair" and "XY-chain" when its
// strong links all lie inside two-candidate cells and its ends hold one digit; "Skyscraper",
// "X-wing", "2-string kite", "Turbot fish", "Empty rectangle" and "X-chain" for one digit
// throughout; "W-wing"; else "Nice loop" when the ends are weakly linked, and "Alternating
// inference chain". A static string.
const char* ChainShapeName(const ChainProofRecord& proof);

// Writes the chain, e.g. "(4)r1c7=r3c7-(4=6)r3c2-(6)r5c2" or a group "r3c12": a node's digit
// is written where it changes and after a cell's two digits. Returns the length written (the
// text is cut at size - 1).
int WriteChainProof(const ChainProofRecord& proof, char* out, size_t size);

// The search scratch of ClusterProof (held in the Analysis record): the vertices (the
// cluster's nodes first, then groups), the vertex of each cluster candidate, and per state
// (2 vertex + truth) the state it was reached from (-1 unreached, -2 the start). Valid only
// during one search.
constexpr int VERTICES_MAX = 640;
struct ProofSearchRecord {
    int count;
    ProofNode vertex[VERTICES_MAX];
    int16_t at[81][9];
    int16_t from[2 * VERTICES_MAX];
    int16_t queue[2 * VERTICES_MAX];
};
