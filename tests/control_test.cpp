// Taps, keys and commands driven as the window drives them, with recording hooks in place of
// the toolkit: the popup, posted commands, dialogs and the file chooser are scripted here.
#include "analysis/driver.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "control/commands.h"
#include "control/create.h"
#include "control/dialogrules.h"
#include "control/focus.h"
#include "control/hintcheck.h"
#include "control/keys.h"
#include "control/session.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "control/title.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "files/puzzlefile.h"
#include "files/settings.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include "tests/support.h"
#include <algorithm>
#include <climits>
#include <csignal>
#include <cstring>
#include <deque>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// What the window-side hooks saw, and what the scripted dialogs answer.
struct WindowRecord {
    int popupCell = -1, popups = 0;
    std::deque<int> posted;
    std::vector<int> dialogs;
    int dialogAnswer = DIALOG_OK;
    std::string goTo = "1";   // what "Goto Position" has typed when it answers OK
    std::string chosenFile;   // empty: the file dialog is cancelled
    std::string proposedFile; // the name the file dialog was opened with
    int closes = 0, invalidated = -1;
    std::string title;
};
WindowRecord Window;

// Runs posted commands as the event loop would once the current event is over.
void RunPosted() {
    for (; !Window.posted.empty(); Window.posted.pop_front()) RunCommand(Window.posted.front());
}

class Control : public FileTest {
  protected:
    void SetUp() override {
        FileTest::SetUp();
        InstallWindowHooks();
        LoadGivens("4"); // one given, so that only 4 conflicts in row 1, column 1 and box 1
    }
    // Fresh modules as the program starts them, with the window's hooks and this test's
    // settings file in place.
    void Restart() {
        ResetForTest();
        InstallWindowHooks();
    }
    void InstallWindowHooks() {
        Window = WindowRecord{};
        ShellHooks hooks = Shell;
        hooks.showDigitPopup = [](int cell) { Window.popupCell = cell, Window.popups++; };
        hooks.postCommand = [](int id) { Window.posted.push_back(id); };
        hooks.runDialog = [](int id) {
            Window.dialogs.push_back(id);
            if (id == DIALOG_GOTO && Window.dialogAnswer == DIALOG_OK)
                AcceptGotoText(Window.goTo.c_str());
            return Window.dialogAnswer;
        };
        hooks.chooseFile = [](int, char* path, int size, bool) {
            Window.proposedFile = path;
            std::snprintf(path, size_t(size), "%s", Window.chosenFile.c_str());
            return int(!Window.chosenFile.empty());
        };
        hooks.closeWindow = [] { Window.closes++; };
        hooks.invalidateCell = [](int cell) { Window.invalidated = cell; };
        hooks.setTitle = [] {
            char text[300];
            TitleText(text, sizeof text);
            Window.title = text;
        };
        InstallShellHooks(&hooks);
        SetSettingsPath(Path("quadrivo.ini").c_str());
    }
    // A tap (press and release) on digit position d of a cell, on the cell outside its digit
    // positions (d = -1), or on label i of the strip under the board (cell -1).
    static void Tap(int cell, int d = -1, int label = -1) {
        StylusDown(BoardSpot{cell, d, label});
        StylusUp(BoardSpot{cell, d, label});
    }
};

// A tap takes back only the last entry; while the solution is shown it only hides it.
TEST_F(Control, TapsTakeBackOnlyTheLastEntry) {
    for (auto [cell, d] : {std::pair{1, 0}, {2, 1}, {1, 4}, {0, -1}}) Tap(cell, d);
    EXPECT_EQ(MovePos, 2); // neither the older entry nor the given took a tap
    Tap(2, 4);
    EXPECT_EQ(BoardDigits().substr(0, 3), "41.");
    EXPECT_EQ(MoveEnd, 2); // kept for redo
    RunCommand(CMD_SOLUTION);
    Tap(3, 8);
    EXPECT_EQ(ShowSolution, 0);
    Tap(3, 8);
    EXPECT_EQ(BoardDigits().substr(0, 4), "41.9");
}

// The strip under the board flips techniques or selects chains; a hold on a cell opens the
// digit popup, whose pick arrives as a command for the selected cell.
TEST_F(Control, LabelStripAndDigitPopup) {
    AnalysisOptions.techniques = 0; // the strip answers even with the labels hidden
    for (int label : {1, 0, 4}) Tap(-1, -1, label);
    Tap(-1); // between cells, off the strip: nothing flips
    EXPECT_EQ(AnalysisOptions.techniques, TECH_LOCKED | TECH_SUBSETS | TECH_ALS);
    Tap(-1, -1, 5);
    EXPECT_EQ(ChainSelection, CHAIN_SHOW_ALL);
    Tap(-1, -1, 9); // past the labels
    EXPECT_EQ(ChainSelection, -1);

    for (int cell : {31, -1}) {
        StylusDown(BoardSpot{cell, 0, -1});
        StylusHold();
    }
    EXPECT_EQ(Window.popups, 1);
    EXPECT_EQ(Window.popupCell, 31);
    for (int cell : {1, -1, 0}) { // then nothing selected, then a given: ignored
        if (cell >= 0) StylusDown(BoardSpot{cell, 0, -1});
        RunCommand(CMD_DIGIT_1 + 4);
    }
    EXPECT_EQ(BoardDigits().substr(0, 2), "45");
    EXPECT_EQ(MoveEnd, 1);
    EXPECT_EQ(SelectedCell, -1);
}

TEST_F(Control, PencilMarkAndCandidateTaps) {
    RunCommand(CMD_PENCIL_MARKS);
    ClearAllMarks();
    AnalysisOptions.techniques = 0;
    Tap(1, 3); // 4 is in row 1: not marked, but the cell is addressed and redrawn
    EXPECT_EQ(MarkGrid[1], 0);
    EXPECT_EQ(LastMarkedCell, 1);
    EXPECT_EQ(Window.invalidated, 1);
    Tap(1, 0);
    EXPECT_EQ(MarkGrid[1], DigitBit(1));
    Tap(1, 0);
    EXPECT_EQ(MarkGrid[1], 0);
    // With the analysis shown, marking the digit its step places enters it.
    AnalysisOptions.techniques = TECH_ANALYSIS;
    StepMarks[1] = DigitBit(1);
    Tap(1, 0);
    // With the candidates shown, a digit that is not one enters nothing, and says nothing.
    RunCommand(CMD_CANDIDATES);
    ComputeCandidates();
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
    RunCommand(CMD_PENCIL_MARKS);
    RunCommand(CMD_SETUP);
    EXPECT_EQ(AnalysisOptions.pencilMarks, 0u);
    EXPECT_FALSE(Recorded.clockRunning);
    EXPECT_EQ(Recorded.status[PANE_CLOCK], " Setup");
    EXPECT_EQ(Board[0], 0x84);
    EXPECT_EQ(Board[1], 0x81); // the entry loses its colour
    EXPECT_EQ(std::count(MarkGrid, MarkGrid + 81, 0), 81);
    for (int id : {CMD_OPEN, CMD_CANDIDATES, CMD_CLOSE, CMD_ABOUT, CMD_ANALYSIS_OPTIONS,
                   CMD_SOLUTION, CMD_F5, CMD_BLOCK_ENTRY, CMD_CREATE, CMD_BLUE})
        EXPECT_EQ(RunCommand(id), 1) << id;
    EXPECT_EQ(Recorded.beeps, 10);
    EXPECT_TRUE(Window.dialogs.empty());
    EXPECT_EQ(AnalysisOptions.showCandidates, 0u);
    EXPECT_EQ(Window.closes, 0);
    for (auto [cell, d] : {std::pair{2, 2}, {0, -1}, {0, 2}}) Tap(cell, d);
    EXPECT_EQ(BoardDigits().substr(0, 3), ".13");
    EXPECT_EQ(Recorded.beeps, 11);
    EXPECT_EQ(MoveEnd, 1);

    RunCommand(CMD_SETUP);
    EXPECT_EQ(Board[1], 1);
    EXPECT_EQ(Board[2], 3);
    EXPECT_EQ(MoveEnd, 0);
    EXPECT_TRUE(Recorded.clockRunning);
    EXPECT_EQ(Recorded.messages.back(), "Invalid Position"); // too few givens
    // New works in setup mode and stays in it; Quit closes. Outside setup mode F5 and unknown
    // ids have no handler.
    RunCommand(CMD_SETUP);
    RunCommand(CMD_NEW);
    EXPECT_EQ(BoardDigits(), std::string(81, '.'));
    RunCommand(CMD_QUIT);
    EXPECT_EQ(Window.closes, 1);
    RunCommand(CMD_SETUP);
    EXPECT_EQ(RunCommand(CMD_F5), 0);
    EXPECT_EQ(RunCommand(999), 0);
}

// With the candidates shown, the first elimination turns them into pencil marks so that it stays;
// pressing on solves the puzzle and never shows a step twice. A step whose entry is refused is
// dropped; in setup mode the button ends setup mode, once the current event is over.
TEST_F(Control, StepButton) {
    LoadGivens(BUILTIN_PUZZLE);
    AnalysisOptions.techniques = TECH_ANALYSIS;
    RunCommand(CMD_PENCIL_MARKS);
    for (DigitMask& m : MarkGrid) m = m ? DigitBit(7) : 0; // every open cell a single 7
    RefreshStep();
    ASSERT_EQ(PendingStep, STEP_SINGLES);
    EXPECT_EQ(ApplyShownStep(), 0); // the 7 repeats a 7 of its row: refused
    RunCommand(CMD_BLUE);           // nothing the analysis reads changed
    EXPECT_EQ(PendingStep, STEP_NONE);

    LoadGivens("....96..8...5......9...3...21.....53......6..3....27.4..7.8...5.81..9......16..7.");
    AnalysisOptions.techniques = 0x3F;
    RunCommand(CMD_CANDIDATES);
    std::set<std::string> shown;
    for (int presses = 0; PendingStep != STEP_NONE && presses < 300; presses++) {
        std::string step = std::to_string(PendingStep);
        for (uint16_t m : StepMarks) step += "," + std::to_string(m);
        EXPECT_TRUE(shown.insert(step).second) << "shown again at press " << presses;
        const bool eliminates = PendingStep != STEP_SINGLES;
        EXPECT_EQ(ApplyShownStep(), 1);
        EXPECT_TRUE(!eliminates || AnalysisOptions.pencilMarks == 1);
    }
    EXPECT_EQ(AnalysisOptions.showCandidates, 0u);
    EXPECT_EQ(BoardDigits().find('.'), std::string::npos);

    RunCommand(CMD_SETUP);
    RunCommand(CMD_STEP);
    EXPECT_EQ(AnalysisOptions.setupMode, 1u);
    RunPosted();
    EXPECT_EQ(AnalysisOptions.setupMode, 0u);
}

TEST_F(Control, KeysActOnTheCursorCellOrSelectChains) {
    TypeKey('c'); // without the cursor a character selects chain c - 'a'
    EXPECT_EQ(ChainSelection, 2);
    EXPECT_EQ(PressKey(KEY_DELETE), 0); // nothing to act on
    SelectedCell = 0;
    for (int key : {KEY_RIGHT, KEY_RIGHT, KEY_UP}) PressKey(key); // appears, moves, stays in row 1
    EXPECT_EQ(Focus.cursorCell, 1);
    for (int i = 0; i < 9; i++) PressKey(KEY_DOWN), PressKey(KEY_RIGHT); // to the far corner
    EXPECT_EQ(Focus.cursorCell, 80);
    for (int i = 0; i < 9; i++) PressKey(KEY_UP), PressKey(KEY_LEFT);
    EXPECT_EQ(Focus.cursorCell, 0);
    PressKey(KEY_RIGHT);
    TypeKey('7');
    TypeKey('5'); // a filled cell takes no digit
    EXPECT_EQ(Board[1] & CELL_DIGIT, 7);
    EXPECT_EQ(Recorded.beeps, 1);
    PressKey(KEY_DELETE); // the last entry taken back
    EXPECT_EQ(Board[1], 0);
    RunCommand(CMD_PENCIL_MARKS);
    ClearAllMarks();
    TypeKey('1');
    EXPECT_EQ(MarkGrid[1], DigitBit(1));
    PressKey(KEY_ESCAPE);
    EXPECT_EQ(Focus.cursorCell, -1);
    TypeKey('2');
    EXPECT_EQ(ChainSelection, '2' - 'a');
}

// The cursor's digit is highlighted in every cell holding it, its row, column and box more
// faintly; the pointer's digit takes over while it rests on a filled cell.
TEST_F(Control, HighlightFollowsTheCursorAndThePointer) {
    LoadGivens(SAMPLE_PUZZLE);
    // Each cell's highlight as shown, and as expected for a digit and the cursor's units.
    auto kinds = [](bool shown, int digit = 0, int unitCell = -1) {
        const FocusMarks focus = ShownFocus();
        std::string k;
        for (int c = 0; c < 81; c++) {
            const bool unit = unitCell >= 0 && (c / 9 == unitCell / 9 || c % 9 == unitCell % 9 ||
                                                BoxOf(c) == BoxOf(unitCell));
            k += shown                                       ? char('0' + CellHighlight(focus, c))
                 : digit && (Board[c] & CELL_DIGIT) == digit ? '2'
                                                             : char('0' + unit);
        }
        return k;
    };
    EXPECT_EQ(kinds(true), std::string(81, '0'));
    const int given = 0, digit = 4, other = 6; // SAMPLE_PUZZLE: "4.....8.5"
    Focus.cursorCell = given;
    EXPECT_EQ(kinds(true), kinds(false, digit, given));
    Recorded.redraws = 0;
    PointerAt(BoardSpot{other, 4, -1});
    EXPECT_EQ(Recorded.redraws, 1); // another digit: the whole board changes
    EXPECT_EQ(kinds(true), kinds(false, 8, given));
    PointerAt(BoardSpot{}); // the pointer left: the cursor's digit again
    EXPECT_EQ(kinds(true), kinds(false, digit, given));
    RunCommand(CMD_HIGHLIGHT);
    EXPECT_EQ(kinds(true), std::string(81, '0'));
}

// The faint digit under the pointer is the one a click would enter or toggle, if any.
TEST_F(Control, HoverDigitIsWhatAClickWouldDo) {
    int cell;
    PointerAt(BoardSpot{1, 3, -1});
    EXPECT_EQ(HoverDigit(&cell), 3); // 4 repeats the given: entered, then refused
    EXPECT_EQ(cell, 1);
    PointerAt(BoardSpot{2, 5, -1});
    EXPECT_EQ(Window.invalidated, 2); // the old cell and the new one are repainted
    PointerAt(BoardSpot{0, 5, -1});
    EXPECT_EQ(HoverDigit(&cell), -1); // a given
    RunCommand(CMD_PENCIL_MARKS);
    PointerAt(BoardSpot{1, 3, -1});
    EXPECT_EQ(HoverDigit(&cell), -1); // a peer holds 4: no mark can be set
    MarkGrid[1] |= DigitBit(4);
    EXPECT_EQ(HoverDigit(&cell), 3); // but one that is there can be taken off
    RunCommand(CMD_CANDIDATES);
    PointerAt(BoardSpot{1, 4, -1});
    EXPECT_EQ(HoverDigit(&cell), 4);
    PointerAt(BoardSpot{1, 3, -1});
    EXPECT_EQ(HoverDigit(&cell), -1); // no candidate: a click enters nothing
    EnterDigit(2, 2);
    RunCommand(CMD_SOLUTION);
    PointerAt(BoardSpot{1, 4, -1});
    EXPECT_EQ(HoverDigit(&cell), -1); // the first click only hides the solution
}

TEST_F(Control, StartUp) {
    // No settings file: the built-in puzzle, checked without a verdict, the clock running.
    Restart();
    RunCommand(CMD_STARTUP);
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
    EXPECT_TRUE(Recorded.messages.empty());
    EXPECT_TRUE(Recorded.clockRunning);
    // A first start says how entry works until the first entry.
    EXPECT_NE(std::string(StepLineText()).find("right-click"), std::string::npos);
    Tap(0, 8);
    EXPECT_STREQ(StepLineText(), "");

    // A session saved in setup mode comes back in it, and the about box posted at start-up
    // meets the gate.
    RunCommand(CMD_SETUP);
    SaveSettings();
    Restart();
    RunCommand(CMD_STARTUP);
    ShellPostCommand(CMD_ABOUT);
    RunPosted();
    EXPECT_EQ(Board[1], 0x87);
    EXPECT_EQ(Recorded.beeps, 1);
    EXPECT_TRUE(Window.dialogs.empty());

    // A settings file that cannot be read is reported; the defaults stand, and it is kept.
    std::filesystem::remove(Path("quadrivo.ini"));
    ASSERT_EQ(mkfifo(Path("quadrivo.ini").c_str(), 0600), 0);
    Restart();
    alarm(20); // a read blocked on the FIFO ends the test program here
    RunCommand(CMD_STARTUP);
    alarm(0);
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
    EXPECT_EQ(Recorded.messages,
              std::vector<std::string>{"The saved game could not be read (cannot open " +
                                       Path("quadrivo.ini") +
                                       ": not a regular file). It is left as it is, and this "
                                       "session will not be saved over it."});
    EXPECT_EQ(ShutDown(2), 1);
    EXPECT_TRUE(std::filesystem::is_fifo(Path("quadrivo.ini")));
}

// A collection opens in setup mode; browsing moves the title's number, and "Go to End" on the
// last puzzle asks for one. Reopen goes back to the puzzle without the file dialog.
TEST_F(Control, CollectionsBrowseInSetupModeWithTitleAndGoto) {
    std::string lines;
    for (int i = 0; i < 12; i++) lines += std::string(SAMPLE_PUZZLE) + "\r\n";
    Window.chosenFile = Write("set.txt", lines);
    for (int id : {CMD_OPEN, CMD_REDO, CMD_REDO}) RunCommand(id);
    EXPECT_EQ(Window.title, "{set.txt} #3");
    Window.goTo = "4";
    for (int id : {CMD_END, CMD_END}) RunCommand(id);
    EXPECT_EQ(Window.dialogs, std::vector<int>{DIALOG_GOTO});
    EXPECT_EQ(CollectionIndex, 3);
    EXPECT_EQ(GotoProposedNumber(), 4);
    Window.dialogAnswer = DIALOG_CANCEL;
    for (int id : {CMD_END, CMD_END, CMD_SETUP}) RunCommand(id);
    EXPECT_EQ(Board[0], 4); // a game now; the title keeps the number
    EXPECT_EQ(Window.title, "{set.txt} #12");
    Window.chosenFile.clear();
    RunCommand(CMD_REOPEN);
    EXPECT_EQ(AnalysisOptions.setupMode, 1u);
    EXPECT_EQ(Window.proposedFile, "");
}

// A path of up to PATH_MAX - 1 bytes is held whole; a longer one, from the file dialog or
// handed over, is refused with a message and changes nothing.
TEST_F(Control, LongPathsAreHeldWholeOrRefused) {
    const std::string deep = DeepPath(Path("deep"), 2000);
    std::ofstream(deep) << std::string(SAMPLE_PUZZLE) + "\n" + SAMPLE_PUZZLE + "\n";
    OpenFileByName(deep.c_str());
    EXPECT_EQ(Window.title, "{" + deep.substr(deep.rfind('/') + 1) + "} #1");
    const std::string tooLong = DeepPath(Path("deep"), PATH_MAX + 100);
    Window.chosenFile = tooLong;
    EXPECT_EQ(ChooseFile(0), 0);
    OpenFileByName(tooLong.c_str());
    const std::string refused = "The path is too long: " + tooLong.substr(0, 40) + "...";
    ASSERT_EQ(Recorded.messages.size(), 2u);
    for (const std::string& message : Recorded.messages)
        EXPECT_EQ(message.substr(0, refused.size()), refused);
    EXPECT_EQ(CurrentFile, deep);
    EXPECT_EQ(CollectionIndex, 0);
    EXPECT_EQ(AnalysisOptions.setupMode, 1u);
}

TEST_F(Control, SavingProposesADatedNameAndReportsFailure) {
    RunCommand(CMD_SAVE); // cancelled: nothing written
    EXPECT_EQ(Window.proposedFile.substr(0, 3), "Pzl");
    Window.chosenFile = Path("game.txt");
    RunCommand(CMD_SAVE);
    EXPECT_EQ(Window.title, "{game.txt}");
    RunCommand(CMD_SAVE); // a named file is proposed again
    EXPECT_EQ(Window.proposedFile, Path("game.txt"));
    Window.chosenFile = Path("no/such/folder/game.txt");
    RunCommand(CMD_SAVE);
    EXPECT_EQ(Recorded.messages,
              std::vector<std::string>{"The puzzle was not saved: cannot write " +
                                       Window.chosenFile + ": No such file or directory"});
}

TEST_F(Control, CreateMakesARatedPuzzleAndRateLeavesSetupFirst) {
    CurrentFile[0] = 'x';
    SeedCreate(4242); // a puzzle the logic can rate
    RunCommand(CMD_CREATE);
    EXPECT_EQ(Window.title, "Quadrivo");
    EXPECT_EQ(MoveEnd, 0);
    for (int id : {CMD_SETUP, CMD_RATE}) RunCommand(id);
    EXPECT_EQ(AnalysisOptions.setupMode, 0u);
    ASSERT_EQ(Recorded.messages.size(), 2u);
    for (const std::string& message : Recorded.messages) EXPECT_EQ(message.rfind("Rating", 0), 0u);
}

// A level item chooses the level of "Create" and creates: with no worker in the shell at once,
// else the shell is asked; any level never asks. A worker's puzzle becomes the game (setup mode
// left), a text that is not a unique puzzle changes nothing, and the level is kept for the next
// start.
TEST_F(Control, CreateByLevelAtOnceOrThroughTheShellsWorker) {
    CurrentFile[0] = 'x';
    SeedCreate(7);
    RunCommand(CMD_LEVEL_ANY + LEVEL_MEDIUM);
    for (int level = 0; level <= LEVEL_FIENDISH; level++)
        EXPECT_EQ(MenuCheck(CMD_LEVEL_ANY + level), level == LEVEL_MEDIUM);
    ExpectFreshPuzzle();
    EXPECT_EQ(Window.title, "Quadrivo");
    ASSERT_EQ(Recorded.messages.size(), 1u);
    EXPECT_NE(Recorded.messages[0].find("(Medium)"), std::string::npos) << Recorded.messages[0];

    static std::vector<int> asked;
    ShellHooks hooks = Shell;
    hooks.startCreate = [](int level) { return asked.push_back(level), 1; };
    InstallShellHooks(&hooks);
    const std::string before = BoardDigits();
    for (int id : {CMD_CREATE, CMD_LEVEL_ANY + LEVEL_FIENDISH, CMD_SETUP, CMD_CREATE,
                   CMD_LEVEL_ANY + LEVEL_EASY})
        RunCommand(id);
    EXPECT_EQ(asked, (std::vector<int>{LEVEL_MEDIUM, LEVEL_FIENDISH})); // setup mode refuses
    EXPECT_EQ(Recorded.beeps, 2);
    EXPECT_EQ(BoardDigits(), before);
    EXPECT_EQ(Recorded.messages.size(), 1u);

    int fd = -1;
    const int pid = StartCreateWorker(LEVEL_FIENDISH, &fd);
    ASSERT_GT(pid, 0);
    std::string output;
    char buffer[256];
    alarm(60); // a worker that never ends ends the test program here
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) output.append(buffer, size_t(n));
    alarm(0);
    EndCreateWorker(pid, fd);
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1); // reaped
    int64_t tried = 0, last = 0;
    char puzzle[82] = "";
    int kind = 0;
    for (size_t at = 0, end; (end = output.find('\n', at)) != std::string::npos; at = end + 1) {
        ASSERT_EQ(kind, 0) << "a line after the puzzle: " << output;
        kind = ReadWorkerLine(output.substr(at, end - at).c_str(), &tried, puzzle) - 1;
        ASSERT_GE(kind, 0) << output;
        EXPECT_GE(tried, last);
        last = tried;
    }
    ASSERT_EQ(kind, 1) << output;
    for (const char* bad : {"", "tried", "tried x", "found 3 ..1", "puzzle 1"})
        EXPECT_EQ(ReadWorkerLine(bad, &tried, puzzle), 0) << bad;

    std::string wrongCharacter = puzzle;
    wrongCharacter[80] = 'x';
    for (const std::string& bad : {std::string(81, '.'), std::string(puzzle, 80), wrongCharacter})
        EXPECT_EQ(AcceptCreatedPuzzle(bad.c_str()), 0) << bad;
    EXPECT_EQ(BoardDigits(), before);
    EXPECT_EQ(AcceptCreatedPuzzle(puzzle), 1);
    EXPECT_EQ(AnalysisOptions.setupMode, 0u);
    EXPECT_EQ(BoardDigits(), puzzle);
    ExpectFreshPuzzle();
    EXPECT_TRUE(Recorded.clockRunning);
    ASSERT_EQ(Recorded.messages.size(), 2u);
    EXPECT_NE(Recorded.messages[1].find("(Fiendish)"), std::string::npos) << Recorded.messages[1];

    // Stopped while it searches: gone and reaped.
    const int stopped = StartCreateWorker(LEVEL_VERY_DIFFICULT, &fd);
    ASSERT_GT(stopped, 0);
    EndCreateWorker(stopped, fd);
    EXPECT_EQ(kill(stopped, 0), -1);
    EXPECT_EQ(StartCreateWorker(0, &fd), -1);

    EXPECT_EQ(ShutDown(2), 1);
    Restart();
    RestoreView();
    EXPECT_EQ(CreateLevel(), LEVEL_FIENDISH);
}

TEST_F(Control, DialogRules) {
    // Block entry: the text becomes a new puzzle only when the dialog answers "Input".
    Tap(1, 0);
    RunCommand(CMD_BLOCK_ENTRY);
    EXPECT_EQ(MoveEnd, 1);
    AcceptBlockEntryText(BUILTIN_PUZZLE);
    Window.dialogAnswer = DIALOG_INPUT;
    RunCommand(CMD_BLOCK_ENTRY);
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
    EXPECT_EQ(MoveEnd, 0);

    // "Goto Position" takes leading digits, and no number that runs into other text.
    for (auto [text, number] : std::vector<std::pair<const char*, int>>{
             {"10", 10}, {"", 0}, {"abc", 0}, {" 7 ", 7}, {"12a", 0}, {"99999999999", 999999999}}) {
        AcceptGotoText(text);
        EXPECT_EQ(GotoNumber, number) << text;
    }
}
// "Hint" with the analysis display off: the first press names the technique and where to look
// and draws nothing, the second draws the step, the third states it as the display would; the
// step button carries it out. A change of the position ends a hint; a position or pencil marks
// that fail the check get none.
TEST_F(Control, HintBuildsUpByLevels) {
    LoadGivens(BUILTIN_PUZZLE);
    // What the analysis display shows on the candidates, for comparison.
    AnalysisOptions.techniques = TECH_ANALYSIS | DEFAULT_TECHNIQUES;
    RunCommand(CMD_CANDIDATES);
    const std::string full = StepLineText();
    uint16_t marks[81];
    std::memcpy(marks, StepMarks, sizeof marks);
    ASSERT_FALSE(full.empty());
    RunCommand(CMD_CANDIDATES);
    RunCommand(CMD_ANALYSIS); // off: no marks in use, nothing shown
    EXPECT_STREQ(StepLineText(), "");
    EXPECT_FALSE(StepMarksShown());

    Focus.entryHint = 1; // a first start: the hint asked for comes before how entry works
    RunCommand(CMD_HINT);
    ASSERT_EQ(HintLevel(), 1);
    const std::string first = StepLineText();
    EXPECT_TRUE(first.rfind("A ", 0) == 0 || first.rfind("An ", 0) == 0) << first;
    EXPECT_NE(first.find(" in "), std::string::npos) << first;
    EXPECT_EQ(full.find(first.substr(first.find(' ') + 1)), std::string::npos) << first;
    EXPECT_FALSE(StepMarksShown());
    RunCommand(CMD_HINT);
    EXPECT_EQ(HintLevel(), 2);
    EXPECT_EQ(StepLineText(), first);
    EXPECT_TRUE(StepMarksShown());
    EXPECT_EQ(std::memcmp(marks, StepMarks, sizeof marks), 0);
    for (int press = 0; press < 2; press++) RunCommand(CMD_HINT); // it stops at 3
    EXPECT_EQ(HintLevel(), 3);
    EXPECT_EQ(StepLineText(), full);
    Focus.entryHint = 0;
    const std::string before = BoardDigits();
    RunCommand(CMD_STEP);
    EXPECT_EQ(MovePos, 1);
    EXPECT_NE(BoardDigits(), before);
    EXPECT_EQ(HintLevel(), 0);
    EXPECT_STREQ(StepLineText(), ""); // the display stays off
    EXPECT_EQ(MenuCheck(CMD_ANALYSIS), 0);

    for (int press = 0; press < 2; press++) RunCommand(CMD_HINT);
    RunCommand(CMD_UNDO);
    EXPECT_EQ(HintLevel(), 0);
    EXPECT_FALSE(StepMarksShown());
    EXPECT_TRUE(Recorded.messages.empty());

    // Pencil marks in use are checked: one without its cell's solution digit is named.
    RunCommand(CMD_STORE_CANDIDATES);
    MarkGrid[0] &= DigitMask(~DigitBit(2)); // r1c1 of the built-in puzzle is 2
    RunCommand(CMD_HINT);
    EXPECT_EQ(HintLevel(), 0);
    ASSERT_EQ(Recorded.messages.size(), 1u);
    EXPECT_EQ(Recorded.messages[0], "Your marks leave out 2 at r1c1");
    LoadGivens((".." + std::string(BUILTIN_PUZZLE).substr(2)).c_str());
    RunCommand(CMD_HINT);
    EXPECT_EQ(HintLevel(), 0);
    EXPECT_EQ(Recorded.messages.back(), "Several Solutions");
}

// "Back to First Mistake" takes back, in one jump that Redo and "Go to End" undo, every entry
// from the first one that differs from the solution of the givens; with no such entry, or
// givens without one solution, it says so and leaves the game alone.
TEST_F(Control, BackToFirstMistake) {
    const std::string solved = "274156983518493267369782154683271549491865732725349618957634821"
                               "146928375832517496"; // the built-in puzzle's solution
    LoadGivens(BUILTIN_PUZZLE);
    // Two open cells, a third for the mistake and a fourth outside its row, column and box.
    std::vector<int> open;
    for (int x = 0; x < 81 && open.size() < 4; x++) {
        const bool peer = open.size() == 3 && (x / 9 == open[2] / 9 || x % 9 == open[2] % 9 ||
                                               BoxOf(x) == BoxOf(open[2]));
        if (!Board[x] && !peer) open.push_back(x);
    }
    // The solution's digit, or another that breaks no rule.
    auto enter = [&](int k, bool right) {
        const int cell = open[size_t(k)], digit = solved[size_t(cell)] - '0';
        ComputeCandidates();
        const DigitMask others = CandidateGrid[cell] & DigitMask(~DigitBit(digit));
        ASSERT_TRUE(right || others);
        EnterDigit(cell, right ? digit : std::countr_zero(others) + 1);
    };
    enter(0, true);
    enter(1, true);
    RunCommand(CMD_FIRST_MISTAKE);
    EXPECT_EQ(MovePos, 2);
    ASSERT_EQ(Recorded.messages.size(), 1u);
    EXPECT_EQ(Recorded.messages[0].rfind("No mistake", 0), 0u);

    // With pencil marks in use, one narrowed down by the player.
    RunCommand(CMD_STORE_CANDIDATES);
    const int narrowed = 80;
    ASSERT_EQ(Board[narrowed], 0);
    MarkGrid[narrowed] = DigitBit(solved[narrowed] - '0');
    enter(2, false); // the entries have no solution now, the givens one
    enter(3, true);
    const std::string played = BoardDigits();
    RunCommand(CMD_FIRST_MISTAKE);
    EXPECT_EQ(Recorded.messages.size(), 1u);
    EXPECT_EQ(MovePos, 2);
    EXPECT_EQ(MoveEnd, 4);
    EXPECT_EQ(Board[open[2]], 0);
    EXPECT_EQ(Board[open[3]], 0);
    EXPECT_EQ(Board[open[1]] & CELL_DIGIT, solved[size_t(open[1])] - '0');
    // The marks stay, and what the mistake pruned from its peers is back.
    EXPECT_EQ(MarkGrid[narrowed], DigitBit(solved[narrowed] - '0'));
    for (int x = 0; x < 81; x++)
        if (!Board[x]) {
            EXPECT_TRUE(MarkGrid[x] & DigitBit(solved[size_t(x)] - '0')) << x;
        }
    RunCommand(CMD_UNDO); // a record before the mistake
    EXPECT_EQ(MovePos, 1);
    RunCommand(CMD_END);
    EXPECT_EQ(BoardDigits(), played);

    // Givens with several solutions: nothing to compare with.
    LoadGivens((".." + std::string(BUILTIN_PUZZLE).substr(2)).c_str());
    EnterDigit(0, 2);
    RunCommand(CMD_FIRST_MISTAKE);
    EXPECT_EQ(MovePos, 1);
    EXPECT_EQ(Recorded.messages.back().rfind("Several Solutions", 0), 0u);
}

// "Wrong Pencil Marks" marks each cell whose marks leave out its solution digit, and no step
// stands while one does; a cell without marks, or the candidates shown, are not judged.
TEST_F(Control, WrongPencilMarks) {
    LoadGivens(BUILTIN_PUZZLE);
    ASSERT_EQ(CheckPosition(), VERDICT_UNIQUE);
    AnalysisOptions.techniques = TECH_ANALYSIS | DEFAULT_TECHNIQUES;
    RunCommand(CMD_STORE_CANDIDATES);
    MarkGrid[0] &= DigitMask(~DigitBit(2)); // r1c1 is 2
    MarkGrid[2] = 0;                        // r1c3: no marks at all
    EXPECT_EQ(MenuCheck(CMD_WRONG_MARKS), 0);
    RunCommand(CMD_WRONG_MARKS);
    EXPECT_EQ(MenuCheck(CMD_WRONG_MARKS), 1);
    EXPECT_EQ(StepMarksText(), "0:8000");
    EXPECT_EQ(PendingStep, STEP_NONE);
    MarkGrid[0] |= DigitBit(2);
    RefreshStep();
    EXPECT_NE(PendingStep, STEP_NONE); // the marks hold the solution again: a step is shown
    MarkGrid[0] = DigitBit(9);
    RunCommand(CMD_CANDIDATES);
    EXPECT_NE(StepMarks[0], MARK_WRONG);
    RunCommand(CMD_CANDIDATES);
    EXPECT_EQ(StepMarks[0], MARK_WRONG);
    RunCommand(CMD_WRONG_MARKS);
    EXPECT_NE(StepMarks[0], MARK_WRONG);
}

} // namespace
