// The analysis working state: the display list's capacity, the step record following the
// position, and where eliminations live.
#include "analysis/driver.h"
#include "analysis/state.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"

class AnalysisState : public CoreTest {};

TEST_F(AnalysisState, DisplayListDropsChainsPastItsCapacity) {
    for (int i = 0; i < CHAIN_DISPLAY_MAX; i++) EXPECT_EQ(AppendChainToDisplay(i), i + 1);
    EXPECT_EQ(AppendChainToDisplay(99), CHAIN_DISPLAY_MAX);
    EXPECT_EQ(ChainDisplayList.entries[CHAIN_DISPLAY_MAX - 1], CHAIN_DISPLAY_MAX - 1);
}

// Every change of position drops the step shown (the analysis observes the position).
TEST_F(AnalysisState, TheStepRecordFollowsThePosition) {
    LoadGivens(BUILTIN_PUZZLE);
    StepMarks[0] = MARK_TARGET;
    AppendChainToDisplay(3);
    ChangePosition(POS_ENTER, 0, 5);
    EXPECT_EQ(MarkedCells(), 0);
    EXPECT_EQ(ChainDisplayList.count, 0);
}

// An elimination on the computed candidates is gone at their next computation; in the
// pencil marks it stays.
TEST_F(AnalysisState, EliminationsLastInTheMarksOnly) {
    LoadGivens(BUILTIN_PUZZLE);
    ComputeCandidates();
    const DigitMask before = CandidateGrid[0];
    ASSERT_NE(before & 0x010, 0); // 5 is a candidate of r1c1
    for (int show : {1, 0}) {
        SCOPED_TRACE(show);
        AnalysisOptions.showCandidates = show;
        if (!show) LoadMarks(MARKS_FROM_CANDIDATES);
        RunAnalysis(); // chooses the grid
        StepMarks[0] = MARK_TARGET;
        StepMarks[1] = MARK_PATTERN | 0x010;
        ApplyStep(STEP_LOCKED, false);
        EXPECT_EQ(AnalysisGrid[0], before & ~0x010);
        ComputeCandidates();
        EXPECT_EQ((show ? CandidateGrid : MarkGrid)[0], show ? before : before & ~0x010);
    }
}
