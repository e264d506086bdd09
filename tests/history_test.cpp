// Move history: entries, undo/redo and jumps checked against replay, the verdicts per move and
// the status texts.
#include "analysis/state.h"
#include "model/board.h"
#include "model/history.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstdio>
#include <random>

namespace {
class History : public CoreTest {
  protected:
    // The grid one entry short of complete: cell 80 (digit 1) is empty.
    void LoadAllButLast() {
        LoadGivens(EMPTY_BOARD_FIRST);
        Board[80] = 0;
        ChangePosition(POS_REFRESH, 0, 0);
    }
};

// The exact byte layout; the random walk below checks buttons and texts after every move.
TEST_F(History, EntryWritesTheColouredByteAndRecord) {
    LoadGivens("");
    AnalysisOptions.numberColour = 1; // red
    ChangePosition(POS_ENTER, 0, 5);
    EXPECT_EQ(Board[0], 0x95);
    AnalysisOptions.numberColour = 2; // green: the cell goes in the high byte
    ChangePosition(POS_ENTER, 40, 7);
    EXPECT_EQ(MoveHistory[0], 0x0095);
    EXPECT_EQ(MoveHistory[1], 0x28A7);
}

// Random entries in random colours, undos, redos, jumps and other codes on a grid with 41 empty
// cells (every entry valid). After each: the Board is the givens plus the first MovePos records,
// an entry drops the redo records, and buttons, last-move text and count follow the position.
TEST_F(History, RandomWalkAgreesWithReplayFromScratch) {
    std::mt19937 rng(7);
    std::string givens = EMPTY_BOARD_FIRST;
    for (int i = 0; i < 81; i += 2) givens[i] = '.';
    LoadGivens(givens.c_str());
    const uint16_t codes[] = {POS_ENTER, POS_ENTER, POS_ENTER,   POS_UNDO, POS_REDO,
                              POS_BEGIN, POS_END,   POS_REFRESH, 77};
    for (int step = 0; step < 600; step++) {
        SCOPED_TRACE("step " + std::to_string(step));
        uint16_t code = codes[rng() % 9];
        int cell = int(rng() % 81);
        if (code == POS_ENTER && Board[cell]) continue;
        AnalysisOptions.numberColour = rng() % 4;
        const int before = MovePos;
        ChangePosition(code, code == POS_ENTER ? cell : 0,
                       code == POS_ENTER ? EMPTY_BOARD_FIRST[cell] - '0' : 0);
        uint8_t expect[81];
        int filled = 0;
        for (int i = 0; i < 81; i++) expect[i] = givens[i] == '.' ? 0 : uint8_t(givens[i] - '0');
        for (int r = 0; r < MovePos; r++) expect[MoveHistory[r] >> 8] = MoveHistory[r] & 0xFF;
        for (int i = 0; i < 81; i++) {
            ASSERT_EQ(Board[i], expect[i]) << "cell " << i;
            filled += Board[i] != 0;
        }
        ASSERT_LE(MovePos, MoveEnd);
        ASSERT_TRUE(code != POS_ENTER || MoveEnd == MovePos); // no redo records after an entry
        const bool back = MovePos > 0, forward = MovePos < MoveEnd,
                   navigation[4] = {back, forward, back, forward};
        for (int b = 0; b < 4; b++)
            ASSERT_EQ(Recorded.navEnabled[b], navigation[b]) << POS_UNDO + b;
        // The last move applied, when this code moved the position; otherwise one blank.
        char text[32] = " ";
        int last = MovePos - 1, record = last >= 0 ? MoveHistory[last] : 0;
        if ((code == POS_ENTER || MovePos != before) && last >= 0)
            std::snprintf(text, sizeof text, "[%2d] R%dC%d = %d", MovePos, (record >> 8) / 9 + 1,
                          (record >> 8) % 9 + 1, record & CELL_DIGIT);
        ASSERT_EQ(Recorded.status[PANE_MOVE], text) << "code " << code;
        ASSERT_EQ(Recorded.status[PANE_COUNT],
                  "81-" + std::to_string(filled) + ": " + std::to_string(81 - filled));
    }
}

TEST_F(History, CompletingEntryAnnouncesSolvedOnceUnlessRating) {
    LoadAllButLast();
    PositionQuiet = 1; // a rating plays silently and without redraws
    int redraws = Recorded.redraws;
    ChangePosition(POS_ENTER, 80, 1);
    EXPECT_EQ(Recorded.redraws, redraws);
    EXPECT_TRUE(Recorded.messages.empty());
    PositionQuiet = 0;
    LoadAllButLast();
    Recorded.clockRunning = true;
    ChangePosition(POS_ENTER, 80, 1);
    ASSERT_EQ(Recorded.messages, std::vector<std::string>{"Puzzle Solved"});
    EXPECT_FALSE(Recorded.clockRunning);
    EXPECT_EQ(Recorded.status[PANE_COUNT], "81-81: 0");
    ChangePosition(POS_UNDO, 0, 0);
    ChangePosition(POS_REDO, 0, 0); // a redo that completes the grid says nothing
    EXPECT_EQ(Recorded.messages.size(), 1u);
    EXPECT_EQ(CountFilled(), 81);
}

TEST_F(History, RepeatedDigitIsRefusedTakenBackAndRedoable) {
    LoadGivens("");
    ChangePosition(POS_ENTER, 0, 5);
    PendingStep = 4;
    ChangePosition(POS_ENTER, 8, 5); // same row
    EXPECT_EQ(Recorded.messages, std::vector<std::string>{"Invalid Value"});
    EXPECT_EQ(Board[8], 0);
    EXPECT_EQ(MovePos, 1);
    EXPECT_EQ(MoveEnd, 2);
    EXPECT_EQ(PendingStep, 0);
    EXPECT_TRUE(Recorded.navEnabled[POS_REDO - POS_UNDO]);
    ChangePosition(POS_REDO, 0, 0);
    EXPECT_EQ(Board[8] & CELL_DIGIT, 5);
    EXPECT_EQ(Recorded.messages.size(), 1u);
    EXPECT_EQ(Recorded.status[PANE_COUNT], "81-1: 80"); // the count keeps its old text
}

TEST_F(History, ConflictInSetupModeBeepsAndEmptiesTheSelectedCell) {
    LoadGivens("");
    AnalysisOptions.setupMode = 1;
    Board[4] = Board[40] = 0x83; // r1c5 and r5c5 share column 5
    SelectedCell = 40;
    ChangePosition(POS_REFRESH, 0, 0);
    EXPECT_EQ(Recorded.beeps, 1);
    EXPECT_EQ(Board[40], 0);
    EXPECT_EQ(Board[4], 0x83);
    EXPECT_EQ(Recorded.status[PANE_MOVE], "Pos = 1");
}
} // namespace
