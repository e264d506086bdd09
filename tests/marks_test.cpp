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
};

TEST_F(Marks, PencilModeOnEmptyMarksLoadsTheCandidates) {
    TogglePencilMarks();
    EXPECT_EQ(AnalysisOptions.pencilMarks, 1u);
    ComputeCandidates();
    EXPECT_EQ(0, std::memcmp(MarkGrid, CandidateGrid, sizeof MarkGrid));
    EXPECT_EQ(Recorded.toggleUpdates, 1);
}

TEST_F(Marks, PencilModeKeepsExistingMarks) {
    MarkGrid[0] = 0x003;
    AnalysisOptions.showCandidates = 1;
    TogglePencilMarks();
    EXPECT_EQ(AnalysisOptions.showCandidates, 0u);
    EXPECT_EQ(MarkGrid[0], 0x003);
    EXPECT_EQ(MarkGrid[2], 0);
}

TEST_F(Marks, EntryClearsTheCellAndPrunesItsPeers) {
    LoadMarks(1);
    DigitMask before[81];
    std::memcpy(before, MarkGrid, sizeof before);
    ASSERT_TRUE(MarkGrid[0] & (1 << 4)); // r1c1 may hold 5
    ChangePosition(POS_ENTER, 0, 5);
    EXPECT_EQ(MarkGrid[0], 0);
    for (int i = 1; i < 81; i++) {
        DigitMask want = IsPeer(0, i) ? before[i] & ~(1 << 4) : before[i];
        EXPECT_EQ(MarkGrid[i], want) << i;
    }
}

TEST_F(Marks, WithCandidatesShownOnlyTheEnteredCellIsCleared) {
    LoadMarks(1);
    DigitMask before[81];
    std::memcpy(before, MarkGrid, sizeof before);
    AnalysisOptions.showCandidates = 1;
    ChangePosition(POS_ENTER, 0, 5);
    EXPECT_EQ(MarkGrid[0], 0);
    EXPECT_EQ(0, std::memcmp(MarkGrid + 1, before + 1, 80 * sizeof(DigitMask)));
}

TEST_F(Marks, UndoRightAfterAnEntryRestoresTheMarksThenSecondUndoClears) {
    ChangePosition(POS_ENTER, 2, 2);
    LoadMarks(1);
    MarkGrid[0] = 0x1F0; // a hand-made mark set
    DigitMask before[81];
    std::memcpy(before, MarkGrid, sizeof before);
    ChangePosition(POS_ENTER, 0, 5);
    ASSERT_EQ(MovePos, 2);
    ChangePosition(POS_UNDO, 0, 0);
    EXPECT_EQ(0, std::memcmp(MarkGrid, before, sizeof before));
    ChangePosition(POS_UNDO, 0, 0); // nothing saved now, analysis display off: cleared
    for (DigitMask m : MarkGrid) EXPECT_EQ(m, 0);
}

TEST_F(Marks, UndoWithAnalysisOnRefillsFromCandidates) {
    AnalysisOptions.techniques |= TECH_ANALYSIS;
    ChangePosition(POS_ENTER, 0, 5);
    ChangePosition(POS_BEGIN, 0, 0);
    ComputeCandidates();
    EXPECT_EQ(0, std::memcmp(MarkGrid, CandidateGrid, sizeof MarkGrid));
}

TEST_F(Marks, UndoLastMarkRestoresTheCellFromTheSnapshot) {
    LoadMarks(1);
    DigitMask kept = MarkGrid[0];
    LastMarkedCell = 0;
    MarkGrid[0] ^= 0x001;
    MarkGrid[0] ^= 0x100;
    MarkGrid[0] ^= 0x010;
    UndoLastMark();
    EXPECT_EQ(MarkGrid[0], kept);
}

TEST_F(Marks, StoreCandidatesSwitchesToPencilMode) {
    AnalysisOptions.showCandidates = 1;
    StoreCandidates();
    EXPECT_EQ(AnalysisOptions.pencilMarks, 1u);
    EXPECT_EQ(AnalysisOptions.showCandidates, 0u);
    ComputeCandidates();
    EXPECT_EQ(0, std::memcmp(MarkSnapshot, CandidateGrid, sizeof MarkSnapshot));
    EXPECT_EQ(SavedMarks[0], NO_SAVED_MARKS);
}

TEST_F(Marks, ClearAllEmptiesMarksSnapshotAndSaved) {
    LoadMarks(1);
    ChangePosition(POS_ENTER, 0, 5); // saves marks
    ASSERT_NE(SavedMarks[0], NO_SAVED_MARKS);
    ClearAllMarks();
    for (int i = 0; i < 81; i++) EXPECT_EQ(MarkGrid[i] | MarkSnapshot[i], 0);
    EXPECT_EQ(SavedMarks[0], NO_SAVED_MARKS);
}

TEST_F(Marks, CandidatesToggleClearsPencilMode) {
    AnalysisOptions.pencilMarks = 1;
    ToggleCandidates();
    EXPECT_EQ(AnalysisOptions.showCandidates, 1u);
    EXPECT_EQ(AnalysisOptions.pencilMarks, 0u);
    ToggleCandidates();
    EXPECT_EQ(AnalysisOptions.showCandidates, 0u);
}
} // namespace
