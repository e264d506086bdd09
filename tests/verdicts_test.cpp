// Verdicts: the uniqueness check, the session refresh, the clock and the check displays.
#include "analysis/state.h"
#include "exactcover/count.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include "tests/support.h"

namespace {
class Verdicts : public CoreTest {};

TEST_F(Verdicts, TooFewGivensIsInvalidWithoutSolving) {
    LoadGivens(std::string(81, '.').c_str());
    EXPECT_EQ(CheckPosition(), VERDICT_INVALID_POSITION);
    std::string seven = "1234567" + std::string(74, '.');
    LoadGivens(seven.c_str());
    EXPECT_EQ(CheckPosition(), VERDICT_INVALID_POSITION);
    EXPECT_EQ(Recorded.busy, 0); // never solved
    std::string eight = "12345678" + std::string(73, '.');
    LoadGivens(eight.c_str());
    EXPECT_EQ(CheckPosition(), VERDICT_SEVERAL);
    EXPECT_EQ(Recorded.busy, 1);
}

TEST_F(Verdicts, RepeatedDigitIsInvalidPosition) {
    std::string p = std::string(BUILTIN_PUZZLE);
    p[0] = '7'; // the row already has a 7
    LoadGivens(p.c_str());
    EXPECT_EQ(CheckPosition(), VERDICT_INVALID_POSITION);
}

TEST_F(Verdicts, UniquePuzzleFlagsSolvedCellsOnly) {
    LoadGivens(BUILTIN_PUZZLE);
    EXPECT_EQ(CheckPosition(), VERDICT_UNIQUE);
    for (int i = 0; i < 81; i++) {
        EXPECT_EQ((SolutionGrid[i] & CELL_ENTERED) != 0, Board[i] == 0) << i;
        if (Board[i]) {
            EXPECT_EQ(SolutionGrid[i] & CELL_DIGIT, Board[i]);
        }
    }
    RefreshSession(REFRESH_CHECK);
    EXPECT_TRUE(Recorded.messages.empty());
}

TEST_F(Verdicts, NoSolutionAndSeveralSolutionsAreShown) {
    // Row 1 needs a 9 in its last cell, but column 9 already has one.
    std::string p = "12345678." + std::string(8, '.') + "9" + std::string(63, '.');
    LoadGivens(p.c_str());
    RefreshSession(REFRESH_CHECK | REFRESH_CLOCK);
    std::string several = std::string(BUILTIN_PUZZLE);
    several[1] = '.';
    several[3] = '.';
    LoadGivens(several.c_str());
    RefreshSession(REFRESH_CHECK);
    EXPECT_EQ(Recorded.messages, (std::vector<std::string>{"No Solution", "Several Solutions"}));
    EXPECT_EQ(Recorded.clockRuns, 1);
}

TEST_F(Verdicts, RefreshMarksFollowsTheAnalysisDisplay) {
    LoadGivens(BUILTIN_PUZZLE);
    MarkGrid[0] = 1;
    RefreshSession(REFRESH_MARKS); // analysis display off: marks cleared
    EXPECT_EQ(MarkGrid[0], 0);
    AnalysisOptions.techniques |= TECH_ANALYSIS;
    RefreshSession(REFRESH_MARKS);
    ComputeCandidates();
    EXPECT_EQ(MarkGrid[0], CandidateGrid[0]);
    EXPECT_NE(MarkGrid[0], 0);
    AnalysisOptions.showCandidates = 1;
    RefreshSession(REFRESH_MARKS);
    EXPECT_EQ(MarkGrid[0], 0);
}

TEST_F(Verdicts, ClockTextIsMinutesInThreePlacesAndTwoDigitSeconds) {
    StartClock();
    EXPECT_TRUE(Recorded.clockRunning);
    for (int i = 0; i < 61; i++) ClockTick();
    EXPECT_EQ(Recorded.status[1], "  1:01");
    for (int i = 61; i < 600; i++) ClockTick();
    EXPECT_EQ(Recorded.status[1], " 10:00");
    StartClock();
    EXPECT_EQ(GameClock, 0u);
}

TEST_F(Verdicts, SolutionDisplayDropsTheStepAndWrongValuesToggles) {
    StepMarks[5] = MARK_TARGET;
    ShowSolutionCommand();
    EXPECT_EQ(ShowSolution, 1);
    EXPECT_EQ(StepMarks[5], 0);
    ToggleWrongValues();
    EXPECT_EQ(AnalysisOptions.wrongValues, 1u);
    ToggleWrongValues();
    EXPECT_EQ(AnalysisOptions.wrongValues, 0u);
}
} // namespace
