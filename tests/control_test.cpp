// Taps, keys and commands driven as the window drives them, with recording hooks in place of
// the toolkit: posted commands, dialogs and the file chooser are scripted here.
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/player.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "control/commands.h"
#include "control/create.h"
#include "control/dialogrules.h"
#include "control/focus.h"
#include "control/hintcheck.h"
#include "control/keys.h"
#include "control/rate.h"
#include "control/session.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "control/title.h"
#include "exactcover/generator.h"
#include "files/settings.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include "tests/support.h"
#include <algorithm>
#include <bit>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
// What the window-side hooks saw: dialogs answer OK (or as told), the file dialog is cancelled.
struct WindowRecord {
    std::vector<int> dialogs;
    int answer = DIALOG_OK; // what every dialog ends with
    int closes = 0, invalidated = -1;
    std::string title;
};
WindowRecord Window;

class Control : public FileTest {
  protected:
    void SetUp() override {
        FileTest::SetUp();
        InstallWindowHooks();
        LoadGivens("4"); // one given, so that only 4 conflicts in row 1, column 1 and box 1
    }
    // A fresh session as the program starts it, with the window's hooks and this test's
    // settings file in place.
    void Restart() {
        ResetForTest();
        InstallWindowHooks();
    }
    void InstallWindowHooks() {
        Window = WindowRecord{};
        static ShellHooks hooks = RECORDING_HOOKS;
        hooks.runDialog = [](void*, int id) { return Window.dialogs.push_back(id), Window.answer; };
        hooks.chooseFile = [](void*, int, char*, int, bool) { return 0; };
        hooks.closeWindow = [](void*) { Window.closes++; };
        hooks.invalidateCell = [](void*, int cell) { Window.invalidated = cell; };
        hooks.setTitle = [](void*) {
            char text[300];
            TitleText(S, text, sizeof text);
            Window.title = text;
        };
        SetShellHooks(S, &hooks, &Recorded);
        SetSettingsPath(Path("quadrivo.ini").c_str());
    }
    // A tap (press and release) on digit position d of a cell, on the cell outside its digit
    // positions (d = -1), or on label i of the strip under the board (cell -1).
    static void Tap(int cell, int d = -1, int label = -1) {
        StylusDown(S, BoardSpot{cell, d, label});
        StylusUp(S, BoardSpot{cell, d, label});
    }
};

// A tap takes back only the last entry; while the solution is shown it only hides it.
TEST_F(Control, TapsTakeBackOnlyTheLastEntry) {
    for (auto [cell, d] : {std::pair{1, 0}, {2, 1}, {1, 4}, {0, -1}}) Tap(cell, d);
    EXPECT_EQ(S->MovePos, 2); // neither the older entry nor the given took a tap
    Tap(2, 4);
    EXPECT_EQ(BoardDigits().substr(0, 3), "41.");
    EXPECT_EQ(S->MoveEnd, 2); // kept for redo
    RunCommand(S, CMD_SOLUTION);
    Tap(3, 8);
    EXPECT_EQ(S->ShowSolution, 0);
    Tap(3, 8);
    EXPECT_EQ(BoardDigits().substr(0, 4), "41.9");
}

TEST_F(Control, PencilMarkAndCandidateTaps) {
    RunCommand(S, CMD_PENCIL_MARKS);
    ClearAllMarks(S);
    S->AnalysisOptions.techniques = 0;
    Tap(1, 3); // 4 is in row 1: not marked, but the cell is addressed and redrawn
    EXPECT_EQ(S->MarkGrid[1], 0);
    EXPECT_EQ(S->LastMarkedCell, 1);
    EXPECT_EQ(Window.invalidated, 1);
    Tap(1, 0);
    EXPECT_EQ(S->MarkGrid[1], DigitBit(1));
    Tap(1, 0);
    EXPECT_EQ(S->MarkGrid[1], 0);
    // With the analysis shown, marking the digit its step places enters it.
    S->AnalysisOptions.techniques = TECH_ANALYSIS;
    S->A->StepMarks[1] = DigitBit(1);
    Tap(1, 0);
    // With the candidates shown, a digit that is not one enters nothing, and says nothing.
    RunCommand(S, CMD_CANDIDATES);
    ComputeCandidates(S);
    Tap(2, 3);
    Tap(3, 1);
    EXPECT_EQ(BoardDigits().substr(0, 4), "41.2");
    EXPECT_TRUE(Recorded.messages.empty());
}

// Setup mode stops the clock, drops the marks and makes every digit an editable entry; taps
// edit without history, a digit that repeats another taken out again with a beep. Only a few
// commands pass the gate; on leaving, every digit is a given and the position is checked.
TEST_F(Control, SetupMode) {
    Tap(1, 0);
    RunCommand(S, CMD_PENCIL_MARKS);
    RunCommand(S, CMD_SETUP);
    EXPECT_EQ(S->AnalysisOptions.pencilMarks, 0u);
    EXPECT_FALSE(Recorded.clockRunning);
    EXPECT_EQ(Recorded.status[PANE_CLOCK], " Setup");
    EXPECT_EQ(S->Board[0], 0x84);
    EXPECT_EQ(S->Board[1], 0x81); // the entry loses its colour
    EXPECT_EQ(std::count(S->MarkGrid, S->MarkGrid + 81, 0), 81);
    for (int id : {CMD_OPEN, CMD_CANDIDATES, CMD_CLOSE, CMD_ABOUT, CMD_ANALYSIS_OPTIONS,
                   CMD_SOLUTION, CMD_F5, CMD_BLOCK_ENTRY, CMD_CREATE, CMD_BLUE})
        EXPECT_EQ(RunCommand(S, id), 1) << id;
    EXPECT_EQ(Recorded.beeps, 10);
    EXPECT_TRUE(Window.dialogs.empty());
    EXPECT_EQ(S->AnalysisOptions.showCandidates, 0u);
    EXPECT_EQ(Window.closes, 0);
    for (auto [cell, d] : {std::pair{2, 2}, {0, -1}, {0, 2}}) Tap(cell, d);
    EXPECT_EQ(BoardDigits().substr(0, 3), ".13");
    EXPECT_EQ(Recorded.beeps, 11);
    EXPECT_EQ(S->MoveEnd, 1);

    RunCommand(S, CMD_SETUP);
    EXPECT_EQ(S->Board[1], 1);
    EXPECT_EQ(S->Board[2], 3);
    EXPECT_EQ(S->MoveEnd, 0);
    EXPECT_TRUE(Recorded.clockRunning);
    EXPECT_EQ(Recorded.messages.back(), "Invalid Position"); // too few givens

    RunCommand(S, CMD_NEW); // the panes follow the empty board at once
    EXPECT_EQ(Recorded.status[PANE_COUNT], "81-0: 81");
    EXPECT_EQ(Recorded.status[PANE_CLOCK], " Setup");
}

// With the candidates shown, the first elimination turns them into pencil marks so that it stays;
// pressing on solves the puzzle and never shows a step twice. A step whose entry is refused is
// dropped.
TEST_F(Control, StepButton) {
    LoadGivens(BUILTIN_PUZZLE);
    S->AnalysisOptions.techniques = TECH_ANALYSIS;
    RunCommand(S, CMD_PENCIL_MARKS);
    for (DigitMask& m : S->MarkGrid) m = m ? DigitBit(7) : 0; // every open cell a single 7
    RefreshStep(S);
    ASSERT_EQ(S->A->PendingStep, STEP_SINGLES);
    EXPECT_EQ(ApplyShownStep(S), 0); // the 7 repeats a 7 of its row: refused
    RunCommand(S, CMD_BLUE);         // nothing the analysis reads changed
    EXPECT_EQ(S->A->PendingStep, STEP_NONE);

    LoadGivens("....96..8...5......9...3...21.....53......6..3....27.4..7.8...5.81..9......16..7.");
    S->AnalysisOptions.techniques = 0x3F;
    RunCommand(S, CMD_CANDIDATES);
    std::set<std::string> shown;
    for (int presses = 0; S->A->PendingStep != STEP_NONE && presses < 300; presses++) {
        std::string step = std::to_string(S->A->PendingStep);
        for (uint16_t m : S->A->StepMarks) step += "," + std::to_string(m);
        EXPECT_TRUE(shown.insert(step).second) << "shown again at press " << presses;
        const bool eliminates = S->A->PendingStep != STEP_SINGLES;
        EXPECT_EQ(ApplyShownStep(S), 1);
        EXPECT_TRUE(!eliminates || S->AnalysisOptions.pencilMarks == 1);
    }
    EXPECT_EQ(S->AnalysisOptions.showCandidates, 0u);
    EXPECT_EQ(BoardDigits().find('.'), std::string::npos);
}

TEST_F(Control, KeysActOnTheCursorCellOrSelectChains) {
    TypeKey(S, 'c'); // without the cursor a character selects chain c - 'a'
    EXPECT_EQ(S->A->ChainSelection, 2);
    EXPECT_EQ(PressKey(S, KEY_DELETE), 0); // nothing to act on
    S->SelectedCell = 0;
    for (int key : {KEY_RIGHT, KEY_RIGHT, KEY_UP})
        PressKey(S, key); // appears, moves, stays in row 1
    EXPECT_EQ(S->Focus.cursorCell, 1);
    for (int i = 0; i < 9; i++) PressKey(S, KEY_DOWN), PressKey(S, KEY_RIGHT); // to the far corner
    EXPECT_EQ(S->Focus.cursorCell, 80);
    for (int i = 0; i < 9; i++) PressKey(S, KEY_UP), PressKey(S, KEY_LEFT);
    EXPECT_EQ(S->Focus.cursorCell, 0);
    PressKey(S, KEY_RIGHT);
    TypeKey(S, '7');
    TypeKey(S, '5'); // a filled cell takes no digit
    EXPECT_EQ(S->Board[1] & CELL_DIGIT, 7);
    EXPECT_EQ(Recorded.beeps, 1);
    PressKey(S, KEY_DELETE); // the last entry taken back
    EXPECT_EQ(S->Board[1], 0);
    RunCommand(S, CMD_PENCIL_MARKS);
    ClearAllMarks(S);
    TypeKey(S, '1');
    EXPECT_EQ(S->MarkGrid[1], DigitBit(1));
    PressKey(S, KEY_ESCAPE);
    EXPECT_EQ(S->Focus.cursorCell, -1);
    TypeKey(S, '2');
    EXPECT_EQ(S->A->ChainSelection, '2' - 'a');
}

// The faint digit under the pointer is the one a click would enter or toggle, if any.
TEST_F(Control, HoverDigitIsWhatAClickWouldDo) {
    int cell;
    PointerAt(S, BoardSpot{1, 3, -1});
    EXPECT_EQ(HoverDigit(S, &cell), 3); // 4 repeats the given: entered, then refused
    EXPECT_EQ(cell, 1);
    PointerAt(S, BoardSpot{2, 5, -1});
    EXPECT_EQ(Window.invalidated, 2); // the old cell and the new one are repainted
    PointerAt(S, BoardSpot{0, 5, -1});
    EXPECT_EQ(HoverDigit(S, &cell), -1); // a given
    RunCommand(S, CMD_PENCIL_MARKS);
    PointerAt(S, BoardSpot{1, 3, -1});
    EXPECT_EQ(HoverDigit(S, &cell), -1); // a peer holds 4: no mark can be set
    S->MarkGrid[1] |= DigitBit(4);
    EXPECT_EQ(HoverDigit(S, &cell), 3); // but one that is there can be taken off
    RunCommand(S, CMD_CANDIDATES);
    PointerAt(S, BoardSpot{1, 4, -1});
    EXPECT_EQ(HoverDigit(S, &cell), 4);
    PointerAt(S, BoardSpot{1, 3, -1});
    EXPECT_EQ(HoverDigit(S, &cell), -1); // no candidate: a click enters nothing
    EnterDigit(S, 2, 2);
    RunCommand(S, CMD_SOLUTION);
    PointerAt(S, BoardSpot{1, 4, -1});
    EXPECT_EQ(HoverDigit(S, &cell), -1); // the first click only hides the solution
}

TEST_F(Control, StartUp) {
    // No settings file: the built-in puzzle, checked without a verdict, the clock running.
    Restart();
    RunCommand(S, CMD_STARTUP);
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
    EXPECT_TRUE(Recorded.messages.empty());
    EXPECT_TRUE(Recorded.clockRunning);
    // A first start says how entry works until the first entry.
    EXPECT_NE(std::string(StepLineText(S)).find("right-click"), std::string::npos);
    Tap(0, 8);
    EXPECT_STREQ(StepLineText(S), "");

    // A settings file that cannot be read is reported; the defaults stand, and it is kept.
    std::filesystem::remove(Path("quadrivo.ini"));
    ASSERT_EQ(mkfifo(Path("quadrivo.ini").c_str(), 0600), 0);
    Restart();
    alarm(20); // a read blocked on the FIFO ends the test program here
    RunCommand(S, CMD_STARTUP);
    alarm(0);
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
    EXPECT_EQ(Recorded.messages,
              std::vector<std::string>{"The saved game could not be read (cannot open " +
                                       Path("quadrivo.ini") +
                                       ": not a regular file). It is left as it is, and this "
                                       "session will not be saved over it."});
    EXPECT_EQ(ShutDown(S, 2), 1);
    EXPECT_TRUE(std::filesystem::is_fifo(Path("quadrivo.ini")));
}

// A background search finds a puzzle without touching the game; its puzzle becomes the game
// (setup mode left), a text that is not a unique puzzle is refused; a search stopped while it
// runs ends at once. (The window's tests run the whole search through the window.)
TEST_F(Control, CreateByLevelThroughABackgroundSearch) {
    S->CurrentFile[0] = 'x';
    RunCommand(S, CMD_SETUP);
    const std::string before = BoardDigits();
    EXPECT_EQ(StartCreateSearch(0), nullptr);
    CreateSearch* search = StartCreateSearch(LEVEL_EASY);
    ASSERT_NE(search, nullptr);
    int64_t tried = 0;
    char puzzle[82] = "";
    while (CreateSearchState(search, &tried, puzzle) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EndCreateSearch(search);
    ASSERT_GE(tried, 1);
    EXPECT_EQ(BoardDigits(), before); // the search played on a game of its own
    EXPECT_EQ(AcceptCreatedPuzzle(S, std::string(81, '.').c_str()), 0); // not unique
    EXPECT_EQ(AcceptCreatedPuzzle(S, puzzle), 1);
    EXPECT_EQ(S->AnalysisOptions.setupMode, 0u);
    EXPECT_EQ(BoardDigits(), puzzle);
    ExpectFreshPuzzle();
    EXPECT_TRUE(Recorded.clockRunning);
    EXPECT_EQ(Window.title, "{not saved}"); // a new game has no file
    ASSERT_EQ(Recorded.messages.size(), 1u);
    EXPECT_NE(Recorded.messages[0].find("(Easy)"), std::string::npos) << Recorded.messages[0];

    // Stopped while it runs: it ends within a rating.
    EndCreateSearch(StartCreateSearch(LEVEL_VERY_DIFFICULT));
}

// "Practice" with no window searching searches at once: the puzzle's hardest step in the player's
// order is the technique asked for, it becomes the game as "Create" makes it, and the rating's
// second line names the technique (a unique rectangle only when the rating counts the puzzle's
// solutions: it is unique, so the uniqueness techniques apply).
TEST_F(Control, PracticeMakesAPuzzleWhoseHardestStepIsTheTechnique) {
    SeedGenerator(&S->CreateSource, 11);
    auto rater = std::make_unique<Rater>();
    for (int technique : {TQ_POINTING, TQ_NAKED_PAIR, TQ_UNIQUE_RECTANGLE}) {
        Recorded.messages.clear();
        Window.dialogs.clear();
        S->CurrentFile[0] = 'x';
        S->Practice = technique;
        const std::string before = BoardDigits();
        RunCommand(S, CMD_PRACTICE);
        EXPECT_EQ(Window.dialogs, std::vector<int>{DIALOG_PRACTICE});
        ASSERT_NE(BoardDigits(), before) << technique;
        ExpectFreshPuzzle();
        EXPECT_EQ(Window.title,
                  std::string("{not saved} Practice: ") + TECHNIQUE_TABLE[technique].name);
        EXPECT_TRUE(Recorded.clockRunning);
        uint8_t cells[81];
        for (int x = 0; x < 81; x++) cells[x] = S->Board[x] & CELL_DIGIT;
        const PlayerResult R = PlayerSolve(cells, ORDER_RATING, 1, nullptr, nullptr);
        EXPECT_TRUE(R.solved) << BoardDigits();
        EXPECT_EQ(R.hardest, technique) << BoardDigits();
        ASSERT_EQ(Recorded.messages.size(), 1u);
        const std::string& message = Recorded.messages[0];
        char classic[64];
        RatingMessage(RatePosition(rater.get(), S, nullptr, nullptr), classic, sizeof classic);
        EXPECT_EQ(message.substr(0, message.find('\n')), classic);
        EXPECT_NE(message.find(std::string("\nPlayer's rating: ")), std::string::npos) << message;
        EXPECT_NE(message.find(std::string(" (") + TECHNIQUE_TABLE[technique].name),
                  std::string::npos)
            << message;
    }
    EXPECT_EQ(S->Practice, TQ_UNIQUE_RECTANGLE); // the choice stays for the next time
    RunCommand(S, CMD_RESTART);
    EXPECT_EQ(Window.title, "{not saved} Practice: Unique rectangle"); // the same puzzle
    RunCommand(S, CMD_CREATE);
    EXPECT_EQ(Window.title, "{not saved}"); // another puzzle practises nothing
}

// With a window, "Practice" hands the technique to the window's search and leaves the game. A
// technique that cannot be practised (none, the singles, out of range) is refused with a beep and
// starts no search; a cancelled dialog does nothing. A search for a technique that minimal
// puzzles rarely need stops at once when cancelled.
TEST_F(Control, PracticeSearchesBesideTheWindowAndRefusesTheSingles) {
    static std::vector<std::pair<int, int>> started;
    static ShellHooks hooks = *S->Hooks;
    hooks.startCreate = [](void*, int level, int technique) {
        started.push_back({level, technique});
        return 1;
    };
    SetShellHooks(S, &hooks, S->HookContext);
    started.clear();
    const std::string before = BoardDigits();
    S->Practice = TQ_XY_WING;
    RunCommand(S, CMD_PRACTICE);
    EXPECT_EQ(started, (std::vector<std::pair<int, int>>{{0, TQ_XY_WING}}));
    for (int technique : {int(TQ_NONE), int(TQ_FULL_HOUSE), int(TQ_HIDDEN_SINGLE_BOX),
                          int(TQ_HIDDEN_SINGLE_LINE), int(TQ_NAKED_SINGLE), int(TQ_COUNT), -3}) {
        S->Practice = technique;
        const int beeps = Recorded.beeps;
        RunCommand(S, CMD_PRACTICE);
        EXPECT_EQ(Recorded.beeps, beeps + 1) << technique;
        EXPECT_EQ(StartPracticeSearch(technique), nullptr) << technique;
    }
    Window.answer = DIALOG_CANCEL;
    S->Practice = TQ_POINTING;
    RunCommand(S, CMD_PRACTICE);
    EXPECT_EQ(started.size(), 1u);
    EXPECT_EQ(BoardDigits(), before);
    EXPECT_TRUE(Recorded.messages.empty());

    CreateSearch* search = StartPracticeSearch(TQ_JELLYFISH);
    ASSERT_NE(search, nullptr);
    int64_t tried = 0;
    char puzzle[82];
    while (CreateSearchState(search, &tried, puzzle) == 0 && tried < 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(tried, 20); // still searching: a jellyfish puzzle takes thousands of draws
    const auto start = std::chrono::steady_clock::now();
    EndCreateSearch(search);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// "Rate Puzzle" beside the window: the result shows when the job is finished, for the position as
// it stands then (rated afresh when played on meanwhile), and not at all once in setup mode; the
// marks and the clock stay as they are.
TEST_F(Control, RatingBesideTheWindowAnswersForThePositionAsItStands) {
    static RatingJob* job;
    static int started;
    static ShellHooks hooks = *S->Hooks;
    hooks.startRating = [](void*) {
        started++;
        job = StartRatingJob(S, nullptr, nullptr);
        return 1;
    };
    SetShellHooks(S, &hooks, S->HookContext);
    LoadGivens(BUILTIN_PUZZLE);
    started = 0;
    RunCommand(S, CMD_RATE);
    const int cell = int(BoardDigits().find('.'));
    EnterDigit(S, cell, std::countr_one(unsigned(PeerDigits(S, cell))) + 1);
    FinishRating(S, job);
    EXPECT_EQ(started, 2);
    EXPECT_TRUE(Recorded.messages.empty());
    // Both ratings, of the position with the digit entered.
    auto rater = std::make_unique<Rater>();
    char text[64], player[96];
    RatingMessage(RatePosition(rater.get(), S, nullptr, nullptr), text, sizeof text);
    uint8_t cells[81];
    for (int x = 0; x < 81; x++) cells[x] = S->Board[x] & CELL_DIGIT;
    PlayerRatingMessage(PlayerSolve(cells, ORDER_RATING, -1, nullptr, nullptr), player,
                        sizeof player);
    S->MarkGrid[80] = DigitBit(3);
    S->GameClock = 61;
    FinishRating(S, job);
    EXPECT_EQ(Recorded.messages,
              std::vector<std::string>{std::string(text) + "\nPlayer's rating: " + player});
    EXPECT_EQ(S->MarkGrid[80], DigitBit(3));
    EXPECT_EQ(S->GameClock, 61u);

    RunCommand(S, CMD_RATE);
    RunCommand(S, CMD_SETUP);
    FinishRating(S, job);
    EXPECT_EQ(Recorded.messages.size(), 1u);
}

// "Hint" with the analysis display off: the first press names the technique and where to look
// and draws nothing, the second draws the step, the third states it as the display would; the
// step button carries it out.
TEST_F(Control, HintBuildsUpByLevels) {
    LoadGivens(BUILTIN_PUZZLE);
    // What the analysis display shows on the candidates, for comparison.
    S->AnalysisOptions.techniques = TECH_ANALYSIS | DEFAULT_TECHNIQUES;
    RunCommand(S, CMD_CANDIDATES);
    const std::string full = StepLineText(S);
    uint16_t marks[81];
    std::memcpy(marks, S->A->StepMarks, sizeof marks);
    ASSERT_FALSE(full.empty());
    RunCommand(S, CMD_CANDIDATES);
    RunCommand(S, CMD_ANALYSIS); // off: no marks in use, nothing shown
    EXPECT_STREQ(StepLineText(S), "");
    EXPECT_FALSE(StepMarksShown(S));

    S->Focus.entryHint = 1; // a first start: the hint asked for comes before how entry works
    RunCommand(S, CMD_HINT);
    ASSERT_EQ(HintLevel(S), 1);
    const std::string first = StepLineText(S);
    EXPECT_TRUE(first.rfind("A ", 0) == 0 || first.rfind("An ", 0) == 0) << first;
    EXPECT_NE(first.find(" in "), std::string::npos) << first;
    EXPECT_EQ(full.find(first.substr(first.find(' ') + 1)), std::string::npos) << first;
    EXPECT_FALSE(StepMarksShown(S));
    RunCommand(S, CMD_HINT);
    EXPECT_EQ(HintLevel(S), 2);
    EXPECT_EQ(StepLineText(S), first);
    EXPECT_TRUE(StepMarksShown(S));
    EXPECT_EQ(std::memcmp(marks, S->A->StepMarks, sizeof marks), 0);
    for (int press = 0; press < 2; press++) RunCommand(S, CMD_HINT); // it stops at 3
    EXPECT_EQ(HintLevel(S), 3);
    EXPECT_EQ(StepLineText(S), full);
    S->Focus.entryHint = 0;
    const std::string before = BoardDigits();
    RunCommand(S, CMD_STEP);
    EXPECT_EQ(S->MovePos, 1);
    EXPECT_NE(BoardDigits(), before);
    EXPECT_EQ(HintLevel(S), 0);
    EXPECT_STREQ(StepLineText(S), ""); // the display stays off
    EXPECT_EQ(MenuCheck(S, CMD_ANALYSIS), 0);
}

// "Back to First Mistake" takes back, in one jump that Redo and "Go to End" undo, every entry
// from the first one that differs from the solution of the givens; with no such entry it says
// so and leaves the game alone.
TEST_F(Control, BackToFirstMistake) {
    const std::string solved = "274156983518493267369782154683271549491865732725349618957634821"
                               "146928375832517496"; // the built-in puzzle's solution
    LoadGivens(BUILTIN_PUZZLE);
    // Two open cells, a third for the mistake and a fourth outside its row, column and box.
    const int open[] = {0, 2, 4, 9};
    // The solution's digit, or another that breaks no rule.
    auto enter = [&](int k, bool right) {
        const int cell = open[k], digit = solved[size_t(cell)] - '0';
        ComputeCandidates(S);
        const DigitMask others = S->CandidateGrid[cell] & DigitMask(~DigitBit(digit));
        ASSERT_TRUE(right || others);
        EnterDigit(S, cell, right ? digit : std::countr_zero(others) + 1);
    };
    enter(0, true);
    enter(1, true);
    RunCommand(S, CMD_FIRST_MISTAKE);
    EXPECT_EQ(S->MovePos, 2);
    ASSERT_EQ(Recorded.messages.size(), 1u);
    EXPECT_EQ(Recorded.messages[0].rfind("No mistake", 0), 0u);

    // With pencil marks in use, one narrowed down by the player.
    RunCommand(S, CMD_STORE_CANDIDATES);
    const int narrowed = 80;
    ASSERT_EQ(S->Board[narrowed], 0);
    S->MarkGrid[narrowed] = DigitBit(solved[narrowed] - '0');
    enter(2, false); // the entries have no solution now, the givens one
    enter(3, true);
    const std::string played = BoardDigits();
    RunCommand(S, CMD_FIRST_MISTAKE);
    EXPECT_EQ(Recorded.messages.size(), 1u);
    EXPECT_EQ(S->MovePos, 2);
    EXPECT_EQ(S->MoveEnd, 4);
    EXPECT_EQ(S->Board[open[2]], 0);
    EXPECT_EQ(S->Board[open[3]], 0);
    EXPECT_EQ(S->Board[open[1]] & CELL_DIGIT, solved[size_t(open[1])] - '0');
    // The marks stay, and what the mistake pruned from its peers is back.
    EXPECT_EQ(S->MarkGrid[narrowed], DigitBit(solved[narrowed] - '0'));
    for (int x = 0; x < 81; x++)
        if (!S->Board[x]) {
            EXPECT_TRUE(S->MarkGrid[x] & DigitBit(solved[size_t(x)] - '0')) << x;
        }
    RunCommand(S, CMD_UNDO); // a record before the mistake
    EXPECT_EQ(S->MovePos, 1);
    RunCommand(S, CMD_END);
    EXPECT_EQ(BoardDigits(), played);
}

// "Wrong Pencil Marks" marks each cell whose marks leave out its solution digit, and no step
// stands while one does; a cell without marks, or the candidates shown, are not judged.
TEST_F(Control, WrongPencilMarks) {
    LoadGivens(BUILTIN_PUZZLE);
    ASSERT_EQ(CheckPosition(S), VERDICT_UNIQUE);
    S->AnalysisOptions.techniques = TECH_ANALYSIS | DEFAULT_TECHNIQUES;
    RunCommand(S, CMD_STORE_CANDIDATES);
    S->MarkGrid[0] &= DigitMask(~DigitBit(2)); // r1c1 is 2
    S->MarkGrid[2] = 0;                        // r1c3: no marks at all
    EXPECT_EQ(MenuCheck(S, CMD_WRONG_MARKS), 0);
    RunCommand(S, CMD_WRONG_MARKS);
    EXPECT_EQ(MenuCheck(S, CMD_WRONG_MARKS), 1);
    EXPECT_EQ(StepMarksText(), "0:8000");
    EXPECT_EQ(S->A->PendingStep, STEP_NONE);
    S->MarkGrid[0] |= DigitBit(2);
    RefreshStep(S);
    EXPECT_NE(S->A->PendingStep, STEP_NONE); // the marks hold the solution again: a step is shown
    S->MarkGrid[0] = DigitBit(9);
    RunCommand(S, CMD_CANDIDATES);
    EXPECT_NE(S->A->StepMarks[0], MARK_WRONG);
    RunCommand(S, CMD_CANDIDATES);
    EXPECT_EQ(S->A->StepMarks[0], MARK_WRONG);
    RunCommand(S, CMD_WRONG_MARKS);
    EXPECT_NE(S->A->StepMarks[0], MARK_WRONG);
}

// With no step to carry out, the step button says in the step line what would help, until the
// next command; the hint says so too when the techniques switched on find nothing.
TEST_F(Control, NoStepSaysWhatWouldHelp) {
    // Subsets and locked candidates find nothing here; a finned swordfish does.
    const char* const swordfish =
        "4..6..3...1..2..6...8..7..19..8..5...4..5..1......2..75.....6...3..8..4......9..5";
    LoadGivens(swordfish);
    RunCommand(S, CMD_STEP); // the analysis display is off
    EXPECT_STREQ(StepLineText(S), "Switch on the analysis (Ctrl+L) or ask for a hint (?)");
    EXPECT_EQ(S->MovePos, 0);
    RunCommand(S, CMD_ANALYSIS); // on: the candidates become the marks it reads
    EXPECT_STREQ(StepLineText(S), "");
    RunCommand(S, CMD_STEP);
    EXPECT_STREQ(StepLineText(S), "No step with these techniques: switch on GA, FC or ALS");
    AcceptAnalysisOptions(S, OPTION_BOX_MASK); // every technique: the word goes, a step shows
    RefreshStep(S);
    EXPECT_EQ(S->A->PendingStep, STEP_GRID);
    // what it does first, then the technique
    EXPECT_EQ(std::string(StepLineText(S)),
              "r8c6, r9c5 lose 1: Finned Swordfish 1 in rows 1,4,7, columns 3,5,6, fin r7c4");
    RunCommand(S, CMD_CLEAR_MARKS);
    RunCommand(S, CMD_STEP);
    EXPECT_STREQ(StepLineText(S),
                 "No pencil marks to analyse: show the candidates (Ctrl+K) or ask for a hint (?)");

    LoadGivens("........7..4.2.6..8.....31......29...4..9..3...95.6....1......8..6.5.2..7......6.");
    RunCommand(S, CMD_STORE_CANDIDATES);
    RunCommand(S, CMD_STEP);
    EXPECT_STREQ(StepLineText(S), "No step found with any technique");

    // The hint on the computed candidates, with the display off and the default techniques.
    LoadGivens(swordfish);
    S->AnalysisOptions.techniques = DEFAULT_TECHNIQUES;
    RunCommand(S, CMD_HINT);
    ASSERT_EQ(HintLevel(S), 1);
    EXPECT_STREQ(StepLineText(S), "No step with these techniques: switch on GA, FC or ALS");
    for (int press = 0; press < 2; press++) RunCommand(S, CMD_HINT);
    EXPECT_STREQ(StepLineText(S), "No step with these techniques: switch on GA, FC or ALS");
}

// While a collection is browsed in setup mode, Open beeps and says what to do instead.
TEST_F(Control, OpenWhileBrowsingSaysToLeaveSetup) {
    std::string lines;
    for (int i = 0; i < 3; i++) lines += std::string(SAMPLE_PUZZLE) + "\r\n";
    OpenFileByName(S, Write("set.txt", lines).c_str());
    ASSERT_EQ(S->CollectionIndex, 0);
    ASSERT_EQ(S->AnalysisOptions.setupMode, 1u);
    const int beeps = Recorded.beeps;
    RunCommand(S, CMD_OPEN);
    EXPECT_EQ(Recorded.beeps, beeps + 1);
    EXPECT_STREQ(StepLineText(S), "Leave setup (Setup) to open another file");
    RunCommand(S, CMD_REDO); // the next puzzle: the word goes with the next command
    EXPECT_EQ(S->CollectionIndex, 1);
    EXPECT_STREQ(StepLineText(S), "");
}

// "Goto Position" takes only the numbers of the collection's puzzles; anything else is refused
// and leaves the puzzle shown.
TEST_F(Control, GotoPositionTakesOnlyPuzzleNumbers) {
    std::string lines;
    for (int i = 0; i < 3; i++) lines += std::string(SAMPLE_PUZZLE) + "\r\n";
    EXPECT_EQ(GotoTextNumber(S, "1"), 0); // no collection open
    OpenFileByName(S, Write("set.txt", lines).c_str());
    ASSERT_EQ(GotoLastNumber(S), 3);
    for (const char* text : {"99999", "abc", "0", "4", "", " ", "12a", "-1", "1.5", "99999999999"})
        EXPECT_EQ(GotoTextNumber(S, text), 0) << '"' << text << '"';
    for (auto [text, n] : {std::pair{"1", 1}, {"3", 3}, {" 2 ", 2}, {"002", 2}})
        EXPECT_EQ(GotoTextNumber(S, text), n) << '"' << text << '"';

    // The dialog, as the window runs it: OK with the text scripted here.
    static const char* typed;
    static ShellHooks hooks;
    hooks = *S->Hooks;
    hooks.runDialog = [](void*, int id) {
        return id == DIALOG_GOTO && AcceptGotoText(S, typed) ? DIALOG_OK : DIALOG_CANCEL;
    };
    SetShellHooks(S, &hooks, S->HookContext);
    RunCommand(S, CMD_END);
    ASSERT_EQ(S->CollectionIndex, 2);
    for (const char* text : {"0", "abc", "99999"}) {
        typed = text;
        RunCommand(S, CMD_END); // on the last puzzle: "Goto Position"
        EXPECT_EQ(S->CollectionIndex, 2) << text;
    }
    typed = "2";
    RunCommand(S, CMD_END);
    EXPECT_EQ(S->CollectionIndex, 1);
}

// A refused entry keeps its cell and each peer holding its digit in Clash while "Invalid Value"
// stands, whether a tap or the step button entered it; the record is empty afterwards.
TEST_F(Control, InvalidValueKeepsTheClashingCellsWhileItStands) {
    static std::set<int> clash; // Clash as the message box saw it
    static ShellHooks hooks;
    hooks = *S->Hooks;
    hooks.messageBox = [](void*, const char*) {
        clash = std::set<int>(S->Clash.cells, S->Clash.cells + S->Clash.count);
    };
    SetShellHooks(S, &hooks, S->HookContext);
    Tap(4, 4);  // a 5 in r1c5
    Tap(36, 4); // and in r5c1
    Tap(40, 4); // r5c5 sees both
    EXPECT_EQ(clash, (std::set<int>{40, 4, 36}));
    EXPECT_EQ(S->Board[40], 0);
    EXPECT_EQ(S->Clash.count, 0);

    clash.clear();
    LoadGivens(BUILTIN_PUZZLE);
    S->AnalysisOptions.techniques = TECH_ANALYSIS;
    RunCommand(S, CMD_PENCIL_MARKS);
    for (DigitMask& m : S->MarkGrid) m = m ? DigitBit(7) : 0; // every open cell a single 7
    RunCommand(S, CMD_STEP);
    ASSERT_EQ(clash.size(), 2u); // the single's cell, empty again, and the 7 of its row
    EXPECT_EQ((S->Board[*clash.begin()] | S->Board[*clash.rbegin()]) & CELL_DIGIT, 7);
    EXPECT_EQ(S->Board[*clash.begin()] * S->Board[*clash.rbegin()], 0);
    EXPECT_EQ(S->Clash.count, 0);
}

} // namespace
