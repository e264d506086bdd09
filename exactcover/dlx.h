// A general exact-cover engine: Algorithm X with dancing links over a sparse 0/1 matrix.
// Columns are covered and uncovered by unlinking and relinking nodes in place.
#pragma once
#include <cstdint>

struct ColumnHeader;
struct MatrixNode {
    MatrixNode* up;
    MatrixNode* down;
    MatrixNode* left;
    MatrixNode* right;
    ColumnHeader* column;
};
struct ColumnHeader {
    MatrixNode links; // up/down: the column's ring; left/right: the header ring
    uint32_t size;    // nodes currently linked into the column
    uint32_t index;   // column number, fixed at creation
};
struct NodeArena; // node storage owned by one matrix
struct ExactCoverMatrix {
    uint32_t rowCount;
    uint32_t columnCount;
    ColumnHeader* headers;
    MatrixNode root; // only left and right are used
    NodeArena* arena;
};

// Called once per complete cover; the result is added to the search's count.
using SolutionCallback = int32_t (*)(uint32_t depth, MatrixNode** stack);

extern int32_t SolutionLimit;

// Allocations the engine may still make before it reports exhausted memory (headers, one node
// block, one row stack each); -1 means no limit. Lets tests reach the -3 paths.
extern int32_t ExactCoverAllocBudget;

// 0 on success, -3 when the header array cannot be allocated.
int32_t ExactCoverInit(ExactCoverMatrix* matrix, uint32_t rowCount, uint32_t columnCount);
// The node count on success, -3 when a node cannot be allocated.
int32_t ExactCoverAddRow(ExactCoverMatrix* matrix, uint32_t nodeCount, const uint32_t* columns);
// Sum of the callback's results over the covers reached, or -3 without a row stack.
int32_t ExactCoverSearch(ExactCoverMatrix* matrix, SolutionCallback callback);
// Releases the nodes and headers; returns 0.
int32_t ExactCoverFree(ExactCoverMatrix* matrix);

// SolutionLimit and ExactCoverAllocBudget back to their start-up values.
void ResetExactCoverModule();
