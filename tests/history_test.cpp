// Move history: a random walk of entries, undos, redos and jumps checked against a model of the
// position and a replay from scratch; refused entries.
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "control/session.h"
#include "model/board.h"
#include "model/history.h"
#include "model/options.h"
#include "tests/support.h"
#include <algorithm>
#include <random>

namespace {
class History : public CoreTest {};

// Random entries in random colours, undos, redos, jumps and refreshes on a grid with 41 empty
// cells (every entry valid). After each: MovePos and MoveEnd as the model moves them, the record
// an entry writes, the Board as the givens plus the first MovePos records, buttons, the count.
TEST_F(History, RandomWalkAgreesWithAModelAndReplayFromScratch) {
    std::mt19937 rng(7);
    std::string givens = EMPTY_BOARD_FIRST;
    for (int i = 0; i < 81; i += 2) givens[i] = '.';
    LoadGivens(givens.c_str());
    enum Op { ENTER, UNDO, REDO, START, END, REFRESH };
    const Op ops[] = {ENTER, ENTER, ENTER, UNDO, REDO, START, END, REFRESH};
    int pos = 0, end = 0;
    for (int step = 0; step < 600; step++) {
        SCOPED_TRACE("step " + std::to_string(step));
        const Op op = ops[rng() % 8];
        const int cell = int(rng() % 81), colour = int(rng() % 4);
        const int digit = EMPTY_BOARD_FIRST[cell] - '0';
        if (op == ENTER && S->Board[cell]) continue;
        S->AnalysisOptions.numberColour = uint32_t(colour);
        switch (op) {
        case ENTER:
            EnterDigit(S, cell, digit);
            end = ++pos; // an entry drops the redo records
            ASSERT_EQ(S->MoveHistory[pos - 1], cell << 8 | 0x80 | colour << 4 | digit);
            break;
        case UNDO:
            Undo(S);
            pos = std::max(pos - 1, 0);
            break;
        case REDO:
            Redo(S);
            pos = std::min(pos + 1, end);
            break;
        case START:
            GoToStart(S);
            pos = 0;
            break;
        case END:
            GoToEnd(S);
            pos = end;
            break;
        case REFRESH:
            RefreshPosition(S);
            break;
        }
        ASSERT_EQ(S->MovePos, pos);
        ASSERT_EQ(S->MoveEnd, end);
        uint8_t expect[81];
        for (int i = 0; i < 81; i++) expect[i] = givens[i] == '.' ? 0 : uint8_t(givens[i] - '0');
        for (int r = 0; r < pos; r++) expect[S->MoveHistory[r] >> 8] = S->MoveHistory[r] & 0xFF;
        for (int i = 0; i < 81; i++) ASSERT_EQ(S->Board[i], expect[i]) << "cell " << i;
        const bool back = pos > 0, forward = pos < end,
                   navigation[4] = {back, forward, back, forward};
        for (int b = 0; b < 4; b++)
            ASSERT_EQ(Recorded.navEnabled[b], navigation[b]) << "button " << b;
        const int filled = 81 - int(std::count(expect, expect + 81, 0));
        ASSERT_EQ(Recorded.status[PANE_COUNT],
                  "81-" + std::to_string(filled) + ": " + std::to_string(81 - filled));
    }
}

// A digit its row already holds is announced, shown while the box stands and taken out again:
// the history is exactly as before (no redo record of it; earlier redo records stay), so
// neither Redo nor "Go to End" brings it back, and the count is right throughout. (In setup
// mode the conflict beeps instead: Control.SetupMode.)
TEST_F(History, RepeatedDigitIsRefusedAndNeverRedone) {
    LoadGivens("");
    static int shownDigit;
    static ShellHooks hooks;
    hooks = *S->Hooks;
    hooks.messageBox = [](void*, const char* text) {
        Recorded.messages.push_back(text);
        shownDigit = S->Board[8] & CELL_DIGIT;
    };
    SetShellHooks(S, &hooks, S->HookContext);
    EnterDigit(S, 0, 5);
    S->A->PendingStep = 4;
    EnterDigit(S, 8, 5);
    EXPECT_EQ(Recorded.messages, std::vector<std::string>{"Invalid Value"});
    EXPECT_EQ(shownDigit, 5);
    EXPECT_EQ(S->Board[8], 0);
    EXPECT_EQ(S->MovePos, 1);
    EXPECT_EQ(S->MoveEnd, 1);
    EXPECT_FALSE(Recorded.navEnabled[int(NavButton::Redo) - int(NavButton::Undo)]);
    EXPECT_EQ(S->A->PendingStep, 0);
    EXPECT_EQ(Recorded.status[PANE_COUNT], "81-1: 80");
    Redo(S);
    GoToEnd(S);
    EXPECT_EQ(S->Board[8], 0);
    EXPECT_EQ(S->MovePos, 1);

    // With a redo record standing, the refusal leaves it as it was.
    EnterDigit(S, 1, 6);
    Undo(S);
    EnterDigit(S, 9, 5);
    EXPECT_EQ(Recorded.messages.size(), 2u);
    EXPECT_EQ(S->MoveEnd, 2);
    GoToEnd(S);
    EXPECT_EQ(BoardDigits().substr(0, 10), "56........");
    EXPECT_EQ(Recorded.status[PANE_COUNT], "81-2: 79");
    EXPECT_EQ(Recorded.messages.size(), 2u);
}
} // namespace
