// The general dancing-links engine. A matrix owns its header array and a chain of node blocks
// (its NodeArena); nodes are handed out of the newest block in the order rows are added.
// Invariant outside a search: the header ring holds every column in index order, each column's
// ring holds its nodes in the order their rows were added, and each size counts its ring.
#include "exactcover/dlx.h"
#include <cstdlib>

// Cover limit read by every search level; set by the caller before each search.
int32_t SolutionLimit = 0;
// Allocations still allowed before the engine reports exhausted memory; -1: no limit.
int32_t ExactCoverAllocBudget = -1;

namespace {
constexpr uint32_t BLOCK_NODES = 1024;
} // namespace

// One block of nodes; blocks are chained newest first.
struct NodeArena {
    NodeArena* next;
    uint32_t used;
    MatrixNode nodes[BLOCK_NODES];
};

void ResetExactCoverModule() {
    SolutionLimit = 0;
    ExactCoverAllocBudget = -1;
}

// malloc, or null when the test budget is spent.
static void* Allocate(size_t bytes) {
    if (ExactCoverAllocBudget == 0) return nullptr;
    if (ExactCoverAllocBudget > 0) ExactCoverAllocBudget--;
    return std::malloc(bytes);
}

int32_t ExactCoverInit(ExactCoverMatrix* matrix, uint32_t rowCount, uint32_t columnCount) {
    matrix->rowCount = rowCount;
    matrix->columnCount = columnCount;
    matrix->arena = nullptr;
    matrix->root.up = matrix->root.down = nullptr;
    matrix->root.column = nullptr;
    matrix->headers = static_cast<ColumnHeader*>(Allocate(sizeof(ColumnHeader) * columnCount));
    if (!matrix->headers) return -3;
    ColumnHeader* h = matrix->headers;
    for (uint32_t i = 0; i < columnCount; i++) {
        h[i].index = i;
        h[i].size = 0;
        h[i].links.up = h[i].links.down = &h[i].links;
        h[i].links.column = nullptr;
        h[i].links.left = i == 0 ? &matrix->root : &h[i - 1].links;
        h[i].links.right = i + 1 == columnCount ? &matrix->root : &h[i + 1].links;
    }
    matrix->root.left = &h[columnCount - 1].links;
    matrix->root.right = &h[0].links;
    return 0;
}

// The next free node of the matrix's arena, or null when no block can be had.
static MatrixNode* NewNode(ExactCoverMatrix* matrix) {
    NodeArena* block = matrix->arena;
    if (!block || block->used == BLOCK_NODES) {
        block = static_cast<NodeArena*>(Allocate(sizeof(NodeArena)));
        if (!block) return nullptr;
        block->next = matrix->arena;
        block->used = 0;
        matrix->arena = block;
    }
    return &block->nodes[block->used++];
}

int32_t ExactCoverAddRow(ExactCoverMatrix* matrix, uint32_t nodeCount, const uint32_t* columns) {
    MatrixNode* first = nullptr;
    for (uint32_t n = 0; n < nodeCount; n++) {
        MatrixNode* node = NewNode(matrix);
        if (!node) return -3; // the nodes linked so far stay in their columns
        ColumnHeader* header = &matrix->headers[columns[n]];
        node->column = header;
        node->up = header->links.up;
        node->down = &header->links;
        header->links.up->down = node;
        header->links.up = node;
        if (!first) {
            first = node->left = node->right = node;
        } else {
            node->right = first;
            node->left = first->left;
            first->left->right = node;
            first->left = node;
        }
        header->size++;
    }
    matrix->rowCount++;
    return int32_t(nodeCount);
}

static inline void CoverColumn(ColumnHeader* h) {
    h->links.right->left = h->links.left;
    h->links.left->right = h->links.right;
    for (MatrixNode* i = h->links.down; i != &h->links; i = i->down)
        for (MatrixNode* j = i->right; j != i; j = j->right) {
            j->down->up = j->up;
            j->up->down = j->down;
            j->column->size--;
        }
}

static inline void UncoverColumn(ColumnHeader* h) {
    for (MatrixNode* i = h->links.up; i != &h->links; i = i->up)
        for (MatrixNode* j = i->left; j != i; j = j->left) {
            j->column->size++;
            j->down->up = j;
            j->up->down = j;
        }
    h->links.left->right = &h->links;
    h->links.right->left = &h->links;
}

// A header's links are its first member, so the ring's links lead back to the header.
static inline ColumnHeader* HeaderOf(MatrixNode* links) {
    return reinterpret_cast<ColumnHeader*>(links);
}

// One level of Algorithm X: the count of covers below this level, by the per-level limit rule.
static int32_t SearchLevel(uint32_t k, ExactCoverMatrix* matrix, SolutionCallback callback,
                           MatrixNode** stack) {
    MatrixNode* root = &matrix->root;
    if (root->right == root) return callback(k, stack);
    // First column of smallest size in ring order; a size of 1 or 0 cannot be beaten.
    uint64_t best = uint64_t(matrix->rowCount) + 1;
    ColumnHeader* choice = nullptr;
    for (MatrixNode* c = root->right; c != root; c = c->right) {
        ColumnHeader* h = HeaderOf(c);
        if (h->size < best) {
            choice = h;
            best = h->size;
            if (best <= 1) break;
        }
    }
    if (best == 0) return 0; // covering an empty column would try no row
    CoverColumn(choice);
    int32_t count = 0;
    for (MatrixNode* r = choice->links.down; r != &choice->links; r = r->down) {
        // Past the limit this level descends no further; its other rows would only be
        // covered and uncovered again, which changes nothing.
        if (count > SolutionLimit) break;
        stack[k] = r;
        for (MatrixNode* j = r->right; j != r; j = j->right) CoverColumn(j->column);
        count += SearchLevel(k + 1, matrix, callback, stack);
        r = stack[k];
        for (MatrixNode* j = r->left; j != r; j = j->left) UncoverColumn(j->column);
    }
    UncoverColumn(choice);
    return count;
}

int32_t ExactCoverSearch(ExactCoverMatrix* matrix, SolutionCallback callback) {
    MatrixNode** stack =
        static_cast<MatrixNode**>(Allocate(sizeof(MatrixNode*) * matrix->columnCount));
    if (!stack) return -3;
    int32_t result = SearchLevel(0, matrix, callback, stack);
    std::free(stack);
    return result;
}

int32_t ExactCoverFree(ExactCoverMatrix* matrix) {
    while (matrix->arena) {
        NodeArena* next = matrix->arena->next;
        std::free(matrix->arena);
        matrix->arena = next;
    }
    std::free(matrix->headers);
    matrix->headers = nullptr;
    return 0;
}
