// Pencil marks: loading, pruning after entries, restoring on undo and the mark commands.
#include "analysis/state.h"
#include "control/session.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstring>
#include <vector>

namespace {
class Marks : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        LoadGivens(BUILTIN_PUZZLE);
    }
    bool MarksAre(const DigitMask* grid) {
        return !std::memcmp(S->MarkGrid, grid, sizeof S->MarkGrid);
    }
    bool MarksAreCandidates() { return ComputeCandidates(S) && MarksAre(S->CandidateGrid); }
    bool MarksAreEmpty() {
        static const DigitMask none[81] = {};
        return MarksAre(none);
    }
};

// Pencil mode fills only empty marks with the candidates; each mode switches the other off.
TEST_F(Marks, PencilModeLoadsCandidatesOnlyIntoEmptyMarks) {
    TogglePencilMarks(S);
    EXPECT_TRUE(MarksAreCandidates());
    ToggleCandidates(S);
    EXPECT_EQ(S->AnalysisOptions.pencilMarks, 0u);
    EraseMarks(S);
    S->MarkGrid[0] = 0x003;
    TogglePencilMarks(S);
    EXPECT_EQ(S->AnalysisOptions.showCandidates, 0u);
    EXPECT_EQ(S->MarkGrid[0], 0x003);
    EXPECT_EQ(S->MarkGrid[2], 0);
}

TEST_F(Marks, EntryClearsTheCellAndPrunesItsPeersUnlessCandidatesAreShown) {
    for (uint32_t shown : {0u, 1u}) {
        LoadGivens(BUILTIN_PUZZLE);
        LoadMarksFromCandidates(S);
        DigitMask before[81];
        std::memcpy(before, S->MarkGrid, sizeof before);
        ASSERT_TRUE(S->MarkGrid[0] & 0x010); // r1c1 may hold 5
        S->AnalysisOptions.showCandidates = shown;
        EnterDigit(S, 0, 5);
        EXPECT_EQ(S->MarkGrid[0], 0);
        for (int i = 1; i < 81; i++)
            EXPECT_EQ(S->MarkGrid[i], IsPeer(0, i) && !shown ? before[i] & ~0x010 : before[i]) << i;
    }
}

// With the analysis display off, each position of the history keeps its own marks: Undo,
// Redo, "Go to Beginning", "Go to End" and BackTo bring back the marks of the position reached
// at any depth, hand-made ones and those made after the last move included; "Clear All"
// clears only the position on the board. A history read without marks reopens them instead.
TEST_F(Marks, MarksFollowTheHistoryAtAnyDepth) {
    LoadMarksFromCandidates(S);
    const int cells[] = {0, 2, 4}, digits[] = {2, 4, 5}; // r1c1 = 2, r1c3 = 4, r1c5 = 5
    std::vector<std::vector<DigitMask>> at;              // the marks at positions 0..3
    auto take = [&] { at.emplace_back(S->MarkGrid, S->MarkGrid + 81); };
    for (int k = 0; k < 3; k++) {
        S->MarkGrid[80 - 2 * k] = DigitBit(k + 1); // by hand
        take();
        EnterDigit(S, cells[k], digits[k]);
    }
    S->MarkGrid[70] = DigitBit(9); // after the last move
    take();
    auto at_ = [&](int k) { return MarksAre(at[size_t(k)].data()); };
    ASSERT_EQ(S->MovePos, 3);
    // What a saved game writes and reads back: the marks of every position.
    std::vector<DigitMask> saved[4];
    for (int k = 0; k <= 3; k++) {
        ASSERT_NE(MarksOfPosition(S, k), nullptr);
        saved[k].assign(MarksOfPosition(S, k), MarksOfPosition(S, k) + 81);
        EXPECT_EQ(saved[k], at[size_t(k)]) << k;
    }
    ResetMarks(S);
    for (int k = 0; k <= 3; k++) EXPECT_EQ(SetMarksOfPosition(S, k, saved[k].data()), 1);
    for (int k = 2; k >= 0; k--) {
        Undo(S);
        EXPECT_TRUE(at_(k)) << "undo to " << k;
    }
    for (int k = 1; k <= 3; k++) {
        Redo(S);
        EXPECT_TRUE(at_(k)) << "redo to " << k;
    }
    GoToStart(S);
    EXPECT_TRUE(at_(0));
    GoToEnd(S);
    EXPECT_TRUE(at_(3));
    BackTo(S, 1);
    EXPECT_TRUE(at_(1));
    S->MarkGrid[60] = DigitBit(4); // changed at position 1: kept there too
    at[1][60] = DigitBit(4);
    GoToEnd(S);
    Undo(S);
    Undo(S);
    EXPECT_TRUE(at_(1));
    Redo(S);
    ClearAllMarks(S);
    EXPECT_TRUE(MarksAreEmpty());
    Undo(S);
    EXPECT_TRUE(at_(1));

    // Read without marks: the player's marks stay, reopened where the entry pruned them.
    GoToEnd(S);
    ForgetKeptMarks(S);
    S->MarkGrid[50] = DigitBit(8);
    Undo(S);
    EXPECT_EQ(S->MarkGrid[50], DigitBit(8));
    ComputeCandidates(S);
    EXPECT_EQ(S->MarkGrid[cells[2]], S->CandidateGrid[cells[2]]);
    int reopened = 0;
    for (int k = 0; k < 20; k++) {
        const int peer = PeersOf(cells[2])[k];
        const DigitMask bit = S->Board[peer] ? 0 : S->CandidateGrid[peer] & DigitBit(digits[2]);
        EXPECT_EQ(S->MarkGrid[peer] & DigitBit(digits[2]), bit) << peer;
        reopened += bit != 0;
    }
    EXPECT_GT(reopened, 0);
}

// With the analysis display on and the candidates as marks, going back gives the marks of the
// position reached as the player narrowed them there; with none kept, its candidates afresh.
TEST_F(Marks, MarksOnTheCandidatesFollowTheHistoryToo) {
    S->AnalysisOptions.techniques |= TECH_ANALYSIS;
    RefreshMarks(S);
    S->MarkGrid[80] &= S->MarkGrid[80] - 1; // the lowest mark struck out
    DigitMask start[81];
    std::memcpy(start, S->MarkGrid, sizeof start);
    EnterDigit(S, 2, 4);
    EnterDigit(S, 0, 2);
    GoToStart(S);
    EXPECT_TRUE(MarksAre(start));
    GoToEnd(S);
    ForgetKeptMarks(S);
    EraseMarks(S);
    GoToStart(S);
    EXPECT_TRUE(MarksAreCandidates());
}

} // namespace
