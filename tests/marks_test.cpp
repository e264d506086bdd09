// Pencil marks: loading, pruning after entries, restoring on undo and the mark commands.
#include "analysis/state.h"
#include "control/session.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstring>

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

// One undo after an entry gives back the marks from before it (hand-made ones too); later
// undos load the candidates while the analysis is on and they are not shown, else no marks.
TEST_F(Marks, UndoRestoresTheMarksOnceThenFollowsTheAnalysisDisplay) {
    EnterDigit(S, 2, 2);
    LoadMarksFromCandidates(S);
    S->MarkGrid[0] = 0x1F0;
    DigitMask before[81];
    std::memcpy(before, S->MarkGrid, sizeof before);
    EnterDigit(S, 0, 5);
    Undo(S);
    EXPECT_TRUE(MarksAre(before));
    Undo(S);
    EXPECT_TRUE(MarksAreEmpty());
    S->AnalysisOptions.techniques |= TECH_ANALYSIS;
    GoToEnd(S);
    GoToStart(S);
    EXPECT_TRUE(MarksAreCandidates());
    S->AnalysisOptions.showCandidates = 1;
    GoToStart(S);
    EXPECT_TRUE(MarksAreEmpty());
}

} // namespace
