// Pencil marks: loading, pruning after entries, restoring on undo and the mark commands.
#include "analysis/state.h"
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
    bool MarksAreCandidates() {
        ComputeCandidates();
        return std::memcmp(MarkGrid, CandidateGrid, sizeof MarkGrid) == 0;
    }
};

TEST_F(Marks, PencilModeLoadsCandidatesOnlyIntoEmptyMarksAndExcludesCandidates) {
    TogglePencilMarks();
    EXPECT_TRUE(MarksAreCandidates());
    ToggleCandidates(); // each mode switches the other off
    EXPECT_EQ(AnalysisOptions.pencilMarks, 0u);
    ResetState(RESET_MARKS);
    MarkGrid[0] = 0x003;
    TogglePencilMarks();
    EXPECT_EQ(AnalysisOptions.pencilMarks, 1u);
    EXPECT_EQ(AnalysisOptions.showCandidates, 0u);
    EXPECT_EQ(MarkGrid[0], 0x003);
    EXPECT_EQ(MarkGrid[2], 0);
}

TEST_F(Marks, EntryClearsTheCellAndPrunesItsPeersUnlessCandidatesAreShown) {
    for (uint32_t shown : {0u, 1u}) {
        LoadGivens(BUILTIN_PUZZLE);
        LoadMarks(MARKS_FROM_CANDIDATES);
        DigitMask before[81];
        std::memcpy(before, MarkGrid, sizeof before);
        ASSERT_TRUE(MarkGrid[0] & (1 << 4)); // r1c1 may hold 5
        AnalysisOptions.showCandidates = shown;
        ChangePosition(POS_ENTER, 0, 5);
        EXPECT_EQ(MarkGrid[0], 0);
        for (int i = 1; i < 81; i++) {
            DigitMask want = IsPeer(0, i) && !shown ? before[i] & ~(1 << 4) : before[i];
            EXPECT_EQ(MarkGrid[i], want) << "cell " << i << " shown " << shown;
        }
    }
}

TEST_F(Marks, UndoRestoresTheMarksOnceThenFollowsTheAnalysisDisplay) {
    ChangePosition(POS_ENTER, 2, 2);
    LoadMarks(MARKS_FROM_CANDIDATES);
    MarkGrid[0] = 0x1F0; // a hand-made mark set
    DigitMask before[81];
    std::memcpy(before, MarkGrid, sizeof before);
    ChangePosition(POS_ENTER, 0, 5);
    ChangePosition(POS_UNDO, 0, 0);
    EXPECT_EQ(0, std::memcmp(MarkGrid, before, sizeof before));
    ChangePosition(POS_UNDO, 0, 0); // nothing saved now, analysis display off: cleared
    for (DigitMask m : MarkGrid) EXPECT_EQ(m, 0);
    AnalysisOptions.techniques |= TECH_ANALYSIS;
    ChangePosition(POS_END, 0, 0);
    ChangePosition(POS_BEGIN, 0, 0); // analysis display on: the computed candidates
    EXPECT_TRUE(MarksAreCandidates());
    AnalysisOptions.showCandidates = 1; // unless the candidates are shown
    ChangePosition(POS_BEGIN, 0, 0);
    for (DigitMask m : MarkGrid) EXPECT_EQ(m, 0);
}

TEST_F(Marks, UndoLastMarkRestoresTheCellFromTheSnapshot) {
    StoreCandidates(); // a bulk change: marks and snapshot become the candidates
    EXPECT_EQ(AnalysisOptions.pencilMarks, 1u);
    EXPECT_EQ(SavedMarks[0], NO_SAVED_MARKS);
    DigitMask kept = MarkGrid[0];
    LastMarkedCell = 0;
    for (DigitMask tap : {0x001, 0x100, 0x010}) MarkGrid[0] ^= tap;
    UndoLastMark();
    EXPECT_EQ(MarkGrid[0], kept);
}
} // namespace
