// The general dancing-links engine: column choice, row order, the per-level count rule,
// exhausted memory, and a search that leaves the matrix as it found it.
#include "exactcover/dlx.h"
#include "tests/support.h"
#include <vector>

namespace {
// Every callback call: the nodes of the stack, in depth order.
std::vector<std::vector<MatrixNode*>> Calls;
int32_t CallbackResult = 1;

int32_t RecordCall(uint32_t depth, MatrixNode** stack) {
    Calls.emplace_back(stack, stack + depth);
    return CallbackResult;
}

class Dlx : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        Calls.clear();
        CallbackResult = 1;
    }
    void TearDown() override {
        if (built) ExactCoverFree(&m);
    }
    void Build(uint32_t columns, const std::vector<std::vector<uint32_t>>& rows) {
        ASSERT_EQ(ExactCoverInit(&m, 0, columns), 0);
        built = true;
        for (const auto& r : rows)
            ASSERT_EQ(ExactCoverAddRow(&m, uint32_t(r.size()), r.data()), int32_t(r.size()));
    }
    // The n-th node (from 0) of column c's ring.
    MatrixNode* NodeOf(uint32_t c, int n) {
        MatrixNode* x = m.headers[c].links.down;
        while (n-- > 0) x = x->down;
        return x;
    }
    // Column indices of a row read from one of its nodes going right.
    static std::vector<uint32_t> RowFrom(MatrixNode* node) {
        std::vector<uint32_t> cols;
        MatrixNode* x = node;
        do {
            cols.push_back(x->column->index);
            x = x->right;
        } while (x != node);
        return cols;
    }
    // The header ring's columns and each column's size and ring length.
    std::vector<uint32_t> Shape() {
        std::vector<uint32_t> s;
        for (MatrixNode* h = m.root.right; h != &m.root; h = h->right) {
            ColumnHeader* c = reinterpret_cast<ColumnHeader*>(h);
            uint32_t n = 0;
            for (MatrixNode* x = h->down; x != h; x = x->down) n++;
            s.insert(s.end(), {c->index, c->size, n});
        }
        return s;
    }
    ExactCoverMatrix m{};
    bool built = false;
};

// Knuth's example: columns A..G, rows CEF, ADG, BCF, AD, BG, DEG; the one cover is AD, CEF, BG.
const std::vector<std::vector<uint32_t>> KNUTH = {{2, 4, 5}, {0, 3, 6}, {1, 2, 5},
                                                  {0, 3},    {1, 6},    {3, 4, 6}};

TEST_F(Dlx, KnuthExampleIsCoveredThroughFirstSmallestColumns) {
    Build(7, KNUTH);
    SolutionLimit = 5;
    EXPECT_EQ(ExactCoverSearch(&m, RecordCall), 1);
    ASSERT_EQ(Calls.size(), 1u);
    ASSERT_EQ(Calls[0].size(), 3u);
    // A (size 2, first), then E (first of size 1 after B and C of size 2), then B.
    EXPECT_EQ(RowFrom(Calls[0][0]), (std::vector<uint32_t>{0, 3}));
    EXPECT_EQ(RowFrom(Calls[0][1]), (std::vector<uint32_t>{4, 5, 2}));
    EXPECT_EQ(RowFrom(Calls[0][2]), (std::vector<uint32_t>{1, 6}));
}

TEST_F(Dlx, SearchLeavesTheMatrixAsItFoundIt) {
    Build(7, KNUTH);
    std::vector<uint32_t> before = Shape();
    SolutionLimit = 5;
    CallbackResult = 7; // results are summed as given
    EXPECT_EQ(ExactCoverSearch(&m, RecordCall), 7);
    EXPECT_EQ(Shape(), before);
    std::vector<std::vector<MatrixNode*>> first = Calls;
    Calls.clear();
    EXPECT_EQ(ExactCoverSearch(&m, RecordCall), 7);
    EXPECT_EQ(Calls, first);
    EXPECT_EQ(Shape(), before);
}

TEST_F(Dlx, NoRowsOrAnEmptyColumnMeanNoCover) {
    Build(3, {});
    EXPECT_EQ(ExactCoverSearch(&m, RecordCall), 0);
    ExactCoverFree(&m);
    // Column 2 has no row although everything else could be covered many times.
    Build(4, {{0, 1}, {3}, {0}, {1}, {3}});
    SolutionLimit = 100;
    EXPECT_EQ(ExactCoverSearch(&m, RecordCall), 0);
    EXPECT_TRUE(Calls.empty());
}

TEST_F(Dlx, TiesGoToTheLowerColumnAndRowsComeInTheOrderAdded) {
    Build(2, {{1}, {0}, {1}, {0}});
    SolutionLimit = 100;
    EXPECT_EQ(ExactCoverSearch(&m, RecordCall), 4);
    MatrixNode *b = NodeOf(0, 0), *d = NodeOf(0, 1), *a = NodeOf(1, 0), *c = NodeOf(1, 1);
    std::vector<std::vector<MatrixNode*>> expected = {{b, a}, {b, c}, {d, a}, {d, c}};
    EXPECT_EQ(Calls, expected);
}

TEST_F(Dlx, EachLevelTestsItsOwnCountAgainstTheLimit) {
    // Three columns with two one-node rows each: eight covers, a binary tree three levels deep.
    // A level stops descending only when its own count has passed the limit, so the results
    // go 1, 2, 4, 4, 8 ... rather than limit + 1.
    Build(3, {{0}, {0}, {1}, {1}, {2}, {2}});
    const int32_t expected[] = {0, 1, 2, 4, 4, 8, 8, 8, 8, 8, 8};
    for (int32_t limit = -1; limit <= 9; limit++) {
        Calls.clear();
        SolutionLimit = limit;
        EXPECT_EQ(ExactCoverSearch(&m, RecordCall), expected[limit + 1]) << "limit " << limit;
        EXPECT_EQ(int32_t(Calls.size()), expected[limit + 1]) << "limit " << limit;
    }
    // Limit 0: the callback runs once, with the first cover in search order.
    Calls.clear();
    SolutionLimit = 0;
    ExactCoverSearch(&m, RecordCall);
    ASSERT_EQ(Calls.size(), 1u);
    EXPECT_EQ(Calls[0], (std::vector<MatrixNode*>{NodeOf(0, 0), NodeOf(1, 0), NodeOf(2, 0)}));
}

TEST_F(Dlx, ExhaustedMemoryGivesMinusThree) {
    ExactCoverAllocBudget = 0; // no header array
    EXPECT_EQ(ExactCoverInit(&m, 0, 4), -3);

    ExactCoverAllocBudget = 1; // headers, but no node block
    ASSERT_EQ(ExactCoverInit(&m, 0, 4), 0);
    built = true;
    const uint32_t row[2] = {0, 1};
    EXPECT_EQ(ExactCoverAddRow(&m, 2, row), -3);
    EXPECT_EQ(m.rowCount, 0u);
    EXPECT_EQ(m.headers[0].size, 0u);
}

TEST_F(Dlx, ARowCutShortKeepsItsLinkedNodesAndTheSearchNeedsItsStack) {
    ExactCoverAllocBudget = 2; // headers and one block of nodes
    ASSERT_EQ(ExactCoverInit(&m, 0, 3), 0);
    built = true;
    const uint32_t one[1] = {2};
    uint32_t added = 0;
    while (m.headers[2].size + 1 < 1024) {
        ASSERT_EQ(ExactCoverAddRow(&m, 1, one), 1);
        added++;
    }
    // The block has one node left: the row gets its first node and fails on the second.
    const uint32_t two[2] = {0, 1};
    EXPECT_EQ(ExactCoverAddRow(&m, 2, two), -3);
    EXPECT_EQ(m.rowCount, added);
    EXPECT_EQ(m.headers[0].size, 1u);
    EXPECT_EQ(m.headers[0].links.down->column, &m.headers[0]);
    EXPECT_EQ(m.headers[1].size, 0u);
    // No allocation left for the row stack.
    SolutionLimit = 1;
    EXPECT_EQ(ExactCoverSearch(&m, RecordCall), -3);
    EXPECT_TRUE(Calls.empty());
}
} // namespace
