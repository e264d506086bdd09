// The plain engine: pointer rings of individually allocated nodes, a recursive search that
// tests each level's own count against the limit, and a matrix that lives for one count.
#include "bench/reference/literal_engine.h"
#include "exactcover/count.h"
#include <cstdlib>

namespace {
struct Header;
struct Node {
    Node* up;
    Node* down;
    Node* left;
    Node* right;
    Header* column;
};
struct Header {
    Node links;
    uint32_t size;
    uint32_t index;
};
struct Matrix {
    uint32_t rowCount;
    uint32_t columnCount;
    Header* headers;
    Node root;
};
using Callback = int32_t (*)(uint32_t depth, Node** stack);

int32_t Limit;
uint8_t* Solution; // where the count in progress writes its solutions

int32_t Init(Matrix* m, uint32_t rows, uint32_t columns) {
    m->rowCount = rows;
    m->columnCount = columns;
    m->headers = static_cast<Header*>(std::malloc(sizeof(Header) * columns));
    if (!m->headers) return -3;
    for (uint32_t i = 0; i < columns; i++) {
        Header& h = m->headers[i];
        h.index = i;
        h.size = 0;
        h.links.up = h.links.down = &h.links;
        h.links.left = i == 0 ? &m->root : &m->headers[i - 1].links;
        h.links.right = i + 1 == columns ? &m->root : &m->headers[i + 1].links;
    }
    m->root.left = &m->headers[columns - 1].links;
    m->root.right = &m->headers[0].links;
    return 0;
}

int32_t AddRow(Matrix* m, uint32_t count, const uint32_t* columns) {
    Node* first = nullptr;
    for (uint32_t n = 0; n < count; n++) {
        Node* node = static_cast<Node*>(std::malloc(sizeof(Node)));
        if (!node) return -3;
        Header* h = &m->headers[columns[n]];
        node->column = h;
        node->up = h->links.up;
        node->down = &h->links;
        h->links.up->down = node;
        h->links.up = node;
        if (!first) {
            first = node->left = node->right = node;
        } else {
            node->right = first;
            node->left = first->left;
            first->left->right = node;
            first->left = node;
        }
        h->size++;
    }
    m->rowCount++;
    return int32_t(count);
}

void Cover(Header* h) {
    h->links.right->left = h->links.left;
    h->links.left->right = h->links.right;
    for (Node* i = h->links.down; i != &h->links; i = i->down)
        for (Node* j = i->right; j != i; j = j->right) {
            j->down->up = j->up;
            j->up->down = j->down;
            j->column->size--;
        }
}

void Uncover(Header* h) {
    for (Node* i = h->links.up; i != &h->links; i = i->up)
        for (Node* j = i->left; j != i; j = j->left) {
            j->column->size++;
            j->down->up = j;
            j->up->down = j;
        }
    h->links.left->right = &h->links;
    h->links.right->left = &h->links;
}

int32_t Level(uint32_t k, Matrix* m, Callback callback, Node** stack) {
    if (m->root.right == &m->root) return callback(k, stack);
    uint32_t best = m->rowCount + 1;
    Header* choice = nullptr;
    for (Node* c = m->root.right; c != &m->root; c = c->right) {
        Header* h = reinterpret_cast<Header*>(c);
        if (h->size < best) {
            choice = h;
            best = h->size;
            if (best <= 1) break;
        }
    }
    Cover(choice);
    int32_t count = 0;
    for (Node* r = choice->links.down; r != &choice->links; r = r->down) {
        stack[k] = r;
        for (Node* j = r->right; j != r; j = j->right) Cover(j->column);
        if (count <= Limit) count += Level(k + 1, m, callback, stack);
        r = stack[k];
        for (Node* j = r->left; j != r; j = j->left) Uncover(j->column);
    }
    Uncover(choice);
    return count;
}

int32_t Search(Matrix* m, Callback callback) {
    Node** stack = static_cast<Node**>(std::malloc(sizeof(Node*) * m->columnCount));
    if (!stack) return -3;
    int32_t result = Level(0, m, callback, stack);
    std::free(stack);
    return result;
}

void Free(Matrix* m) {
    for (uint32_t i = 0; i < m->columnCount; i++) {
        Header* h = &m->headers[i];
        for (Node* n = h->links.down; n != &h->links;) {
            Node* next = n->down;
            std::free(n);
            n = next;
        }
    }
    std::free(m->headers);
}

int32_t Record(uint32_t depth, Node** stack) {
    if (depth == 0) return 1;
    for (uint32_t t = 0; t < depth; t++) {
        Node* nodes[4] = {stack[t], stack[t]->left, stack[t]->right, stack[t]->right->right};
        uint32_t row = 0, column = 0, digit = 0;
        for (Node* n : nodes) {
            uint32_t index = n->column->index;
            if (index < 81) {
                row = index / 9;
                digit = index % 9 + 1;
            } else if (index < 162) {
                column = (index - 81) / 9;
            }
        }
        Solution[9 * row + column] = uint8_t(digit);
    }
    return 1;
}
} // namespace

int32_t LiteralCountSolutions(const uint8_t* board, int32_t limit, uint8_t* solution) {
    Limit = limit;
    Solution = solution;
    Matrix m;
    if (Init(&m, 0, 324) < 0) return -3;
    for (uint32_t r = 0; r < 9; r++) {
        bool filled[10] = {};
        for (uint32_t k = 0; k < 9; k++) {
            uint32_t v = board[9 * r + k] & 0x0F;
            uint32_t b = 3 * (r / 3) + k / 3;
            for (uint32_t d = 1; d <= 9; d++) {
                if (v ? d != v : filled[d]) continue;
                uint32_t columns[4] = {9 * r + d - 1, 81 + 9 * k + d - 1, 162 + 9 * b + d - 1,
                                       243 + 9 * r + k};
                AddRow(&m, 4, columns);
            }
            if (v && v <= 9) filled[v] = true;
        }
    }
    int32_t result = Search(&m, Record);
    Free(&m);
    return result;
}
