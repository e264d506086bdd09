// Move history: entries, undo/redo, jumps, verdicts per move and the status texts.
#include "analysis/driver.h"
#include "analysis/state.h"
#include "model/board.h"
#include "model/history.h"
#include "model/options.h"
#include "tests/support.h"
#include <random>

namespace {
class History : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        ResetState(RESET_ALL);
        ChangePosition(POS_RESET, 0, 0);
    }
};

const char* SOLVED =
    "123456789789123456456789123312845697697312845845697312231564978978231564564978231";

TEST_F(History, EntryWritesColouredByteRecordAndStatus) {
    AnalysisOptions.numberColour = 1; // red
    ChangePosition(POS_ENTER, 0, 5);
    EXPECT_EQ(Board[0], 0x95);
    EXPECT_EQ(MoveHistory[0], 0x0095);
    EXPECT_EQ(MovePos, 1);
    EXPECT_EQ(MoveEnd, 1);
    EXPECT_EQ(Recorded.status[0], "[ 1] R1C1 = 5");
    EXPECT_EQ(Recorded.status[2], "81-1: 80");
    EXPECT_TRUE(Recorded.navEnabled[0]);  // 130 undo
    EXPECT_FALSE(Recorded.navEnabled[1]); // 131 redo
    EXPECT_TRUE(Recorded.navEnabled[2]);  // 132 begin
    EXPECT_FALSE(Recorded.navEnabled[3]); // 133 end
}

TEST_F(History, RecordHoldsCellInHighByte) {
    AnalysisOptions.numberColour = 2; // green
    ChangePosition(POS_ENTER, 40, 7);
    EXPECT_EQ(MoveHistory[0], 0x28A7);
    EXPECT_EQ(Recorded.status[0], "[ 1] R5C5 = 7");
}

TEST_F(History, NewEntryAfterUndoDropsTheRedoRecords) {
    ChangePosition(POS_ENTER, 0, 1);
    ChangePosition(POS_ENTER, 1, 2);
    ChangePosition(POS_ENTER, 2, 3);
    ChangePosition(POS_UNDO, 0, 0);
    ChangePosition(POS_UNDO, 0, 0);
    EXPECT_EQ(MovePos, 1);
    EXPECT_EQ(MoveEnd, 3);
    EXPECT_TRUE(Recorded.navEnabled[1]);
    ChangePosition(POS_ENTER, 20, 9);
    EXPECT_EQ(MovePos, 2);
    EXPECT_EQ(MoveEnd, 2);
    EXPECT_EQ(Board[1], 0);
    EXPECT_EQ(Board[2], 0);
    EXPECT_FALSE(Recorded.navEnabled[1]);
}

TEST_F(History, UndoThenRedoRestoresTheEnteredByteWhateverTheColourNow) {
    AnalysisOptions.numberColour = 3;
    ChangePosition(POS_ENTER, 30, 4);
    uint8_t entered = Board[30];
    ChangePosition(POS_UNDO, 0, 0);
    EXPECT_EQ(Board[30], 0);
    EXPECT_EQ(Recorded.status[0], " "); // nothing left applied
    AnalysisOptions.numberColour = 0;
    ChangePosition(POS_REDO, 0, 0);
    EXPECT_EQ(Board[30], entered);
    EXPECT_EQ(Recorded.status[0], "[ 1] R4C4 = 4");
}

TEST_F(History, UndoShowsThePreviousMove) {
    ChangePosition(POS_ENTER, 0, 1);
    ChangePosition(POS_ENTER, 10, 4);
    ChangePosition(POS_UNDO, 0, 0);
    EXPECT_EQ(Recorded.status[0], "[ 1] R1C1 = 1");
}

TEST_F(History, JumpsToEitherEndAndRefreshShowsNoMove) {
    for (int i = 0; i < 5; i++) ChangePosition(POS_ENTER, 10 * i, i + 1);
    ChangePosition(POS_BEGIN, 0, 0);
    EXPECT_EQ(MovePos, 0);
    EXPECT_EQ(CountFilled(), 0);
    ChangePosition(POS_END, 0, 0);
    EXPECT_EQ(MovePos, 5);
    EXPECT_EQ(Recorded.status[0], "[ 5] R5C5 = 5");
    ChangePosition(POS_REFRESH, 0, 0);
    EXPECT_EQ(Recorded.status[0], " ");
    EXPECT_EQ(Recorded.status[2], "81-5: 76");
    ChangePosition(77, 0, 0); // unknown codes refresh too
    EXPECT_EQ(MovePos, 5);
}

TEST_F(History, UndoAtStartAndRedoAtEndChangeNothingButRefresh) {
    ChangePosition(POS_UNDO, 0, 0);
    ChangePosition(POS_REDO, 0, 0);
    EXPECT_EQ(MovePos, 0);
    EXPECT_EQ(CountFilled(), 0);
    EXPECT_EQ(Recorded.status[2], "81-0: 81");
}

TEST_F(History, CompletingEntryAnnouncesSolvedOnceAndStopsTheClock) {
    LoadGivens(SOLVED);
    Board[80] = 0;
    ChangePosition(POS_REFRESH, 0, 0);
    Recorded.clockRunning = true;
    ChangePosition(POS_ENTER, 80, 1);
    ASSERT_EQ(Recorded.messages, std::vector<std::string>{"Puzzle Solved"});
    EXPECT_FALSE(Recorded.clockRunning);
    EXPECT_EQ(Recorded.status[2], "81-81: 0");
    ChangePosition(POS_UNDO, 0, 0);
    ChangePosition(POS_REDO, 0, 0); // a redo that completes the grid says nothing
    EXPECT_EQ(Recorded.messages.size(), 1u);
    EXPECT_EQ(CountFilled(), 81);
}

TEST_F(History, RepeatedDigitIsRefusedTakenBackAndRedoable) {
    ChangePosition(POS_ENTER, 0, 5);
    std::string countBefore = Recorded.status[2];
    PendingStep = 4;
    ChangePosition(POS_ENTER, 8, 5); // same row
    EXPECT_EQ(Recorded.messages, std::vector<std::string>{"Invalid Value"});
    EXPECT_EQ(Board[8], 0);
    EXPECT_EQ(MovePos, 1);
    EXPECT_EQ(MoveEnd, 2);
    EXPECT_EQ(PendingStep, 0);
    EXPECT_TRUE(Recorded.navEnabled[1]);
    ChangePosition(POS_REDO, 0, 0);
    EXPECT_EQ(Board[8] & CELL_DIGIT, 5);
    EXPECT_EQ(Recorded.messages.size(), 1u);
    EXPECT_EQ(Recorded.status[2], countBefore); // the count keeps its old text
}

TEST_F(History, ConflictInSetupModeBeepsAndEmptiesTheSelectedCell) {
    AnalysisOptions.setupMode = 1;
    Board[4] = 0x83; // r1c5 and r5c5 share column 5
    Board[40] = 0x83;
    SelectedCell = 40;
    ChangePosition(POS_REFRESH, 0, 0);
    EXPECT_EQ(Recorded.beeps, 1);
    EXPECT_EQ(Board[40], 0);
    EXPECT_EQ(Board[4], 0x83);
    EXPECT_EQ(Recorded.status[0], "Pos = 1");
}

TEST_F(History, RatingInProgressSuppressesRedrawAndSolvedMessage) {
    LoadGivens(SOLVED);
    Board[80] = 0;
    RatingScore = 1;
    int redraws = Recorded.redraws;
    ChangePosition(POS_ENTER, 80, 1);
    EXPECT_EQ(Recorded.redraws, redraws);
    EXPECT_TRUE(Recorded.messages.empty());
}

TEST_F(History, RandomWalkAgreesWithReplayFromScratch) {
    std::mt19937 rng(7);
    LoadGivens(SOLVED);
    for (int i = 0; i < 81; i += 2) Board[i] = 0; // 41 empty cells, every entry valid
    uint8_t givens[81];
    for (int i = 0; i < 81; i++) givens[i] = Board[i];
    ChangePosition(POS_RESET, 0, 0);
    const uint16_t codes[] = {POS_ENTER, POS_ENTER, POS_ENTER, POS_UNDO,
                              POS_REDO,  POS_BEGIN, POS_END};
    for (int step = 0; step < 400; step++) {
        uint16_t code = codes[rng() % 7];
        if (code == POS_ENTER) {
            int cell = int(rng() % 81);
            if (Board[cell]) continue;
            AnalysisOptions.numberColour = rng() % 4;
            ChangePosition(POS_ENTER, cell, SOLVED[cell] - '0');
        } else {
            ChangePosition(code, 0, 0);
        }
        // The Board must equal the givens plus the first MovePos records.
        uint8_t expect[81];
        for (int i = 0; i < 81; i++) expect[i] = givens[i];
        for (int r = 0; r < MovePos; r++) expect[MoveHistory[r] >> 8] = MoveHistory[r] & 0xFF;
        for (int i = 0; i < 81; i++)
            ASSERT_EQ(Board[i], expect[i]) << "step " << step << " cell " << i;
        ASSERT_LE(MovePos, MoveEnd);
    }
}
} // namespace
