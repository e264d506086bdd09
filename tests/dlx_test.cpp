// The general dancing-links engine: column choice, row order, the per-level count rule,
// exhausted memory, and a second search that repeats the first.
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
    ExactCoverMatrix m{};
    bool built = false;
};

// Column indices of a row read from one of its nodes going right.
std::vector<uint32_t> RowFrom(MatrixNode* node) {
    std::vector<uint32_t> cols;
    MatrixNode* x = node;
    do {
        cols.push_back(x->column->index);
        x = x->right;
    } while (x != node);
    return cols;
}

TEST_F(Dlx, KnuthExampleIsCoveredThroughFirstSmallestColumnsAndRepeats) {
    // Columns A..G, rows CEF, ADG, BCF, AD, BG, DEG; the one cover is AD, CEF, BG.
    Build(7, {{2, 4, 5}, {0, 3, 6}, {1, 2, 5}, {0, 3}, {1, 6}, {3, 4, 6}});
    SolutionLimit = 5;
    EXPECT_EQ(ExactCoverSearch(&m, RecordCall), 1);
    ASSERT_EQ(Calls.size(), 1u);
    ASSERT_EQ(Calls[0].size(), 3u);
    // A (size 2, first), then E (first of size 1 after B and C of size 2), then B.
    EXPECT_EQ(RowFrom(Calls[0][0]), (std::vector<uint32_t>{0, 3}));
    EXPECT_EQ(RowFrom(Calls[0][1]), (std::vector<uint32_t>{4, 5, 2}));
    EXPECT_EQ(RowFrom(Calls[0][2]), (std::vector<uint32_t>{1, 6}));
    // A second search repeats the first; the callback's results are summed as given.
    const std::vector<std::vector<MatrixNode*>> first = Calls;
    Calls.clear();
    CallbackResult = 7;
    EXPECT_EQ(ExactCoverSearch(&m, RecordCall), 7);
    EXPECT_EQ(Calls, first);
}

TEST_F(Dlx, EachLevelTestsItsOwnCountAgainstTheLimitAndTiesGoToTheLowerColumn) {
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
    // Limit 9 reaches all eight in search order: the lower column first on ties, rows as added.
    for (int k = 0; k < 8; k++)
        EXPECT_EQ(Calls[k], (std::vector<MatrixNode*>{NodeOf(0, k >> 2 & 1), NodeOf(1, k >> 1 & 1),
                                                      NodeOf(2, k & 1)}));
}

TEST_F(Dlx, ExhaustedMemoryGivesMinusThree) {
    ExactCoverAllocBudget = 0; // no header array
    EXPECT_EQ(ExactCoverInit(&m, 0, 2), -3);
    ExactCoverAllocBudget = 1; // headers, but no node block
    ASSERT_EQ(ExactCoverInit(&m, 0, 2), 0);
    built = true;
    const uint32_t row[2] = {0, 1};
    EXPECT_EQ(ExactCoverAddRow(&m, 2, row), -3);
    EXPECT_EQ(m.rowCount, 0u);
    ExactCoverAllocBudget = 1; // a node block, but no row stack
    ASSERT_EQ(ExactCoverAddRow(&m, 2, row), 2);
    SolutionLimit = 1;
    EXPECT_EQ(ExactCoverSearch(&m, RecordCall), -3);
    EXPECT_TRUE(Calls.empty());
}
} // namespace
