// Taps, keys and commands driven as the window drives them, with recording hooks in place of
// the toolkit: the popup, posted commands, dialogs and the file chooser are scripted here.
#include "analysis/driver.h"
#include "analysis/state.h"
#include "control/commands.h"
#include "control/dialogrules.h"
#include "control/keys.h"
#include "control/session.h"
#include "control/taps.h"
#include "control/title.h"
#include "exactcover/generator.h"
#include "files/puzzlefile.h"
#include "files/settings.h"
#include "files/text.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include "tests/support.h"
#include <algorithm>
#include <climits>
#include <deque>
#include <filesystem>
#include <sys/stat.h>
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

void RecPopup(int cell) {
    Window.popupCell = cell, Window.popups++;
}
void RecPost(int id) {
    Window.posted.push_back(id);
}
int RecDialog(int id) {
    Window.dialogs.push_back(id);
    if (id == DIALOG_GOTO && Window.dialogAnswer == DIALOG_OK) AcceptGotoText(Window.goTo.c_str());
    return Window.dialogAnswer;
}
int RecChoose(int, char* path, int size, bool) {
    Window.proposedFile = path;
    if (Window.chosenFile.empty()) return 0;
    std::snprintf(path, size_t(size), "%s", Window.chosenFile.c_str());
    return 1;
}
void RecClose() {
    Window.closes++;
}
void RecInvalidate(int cell) {
    Window.invalidated = cell;
}
void RecTitle() {
    char text[300];
    TitleText(text, sizeof text);
    Window.title = text;
}

// Runs posted commands as the event loop would once the current event is over.
void RunPosted() {
    while (!Window.posted.empty()) {
        int id = Window.posted.front();
        Window.posted.pop_front();
        RunCommand(id);
    }
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
    void RestartModules() {
        ResetForTest();
        InstallWindowHooks();
    }
    void InstallWindowHooks() {
        Window = WindowRecord{};
        ShellHooks hooks = Shell;
        hooks.showDigitPopup = RecPopup;
        hooks.postCommand = RecPost;
        hooks.runDialog = RecDialog;
        hooks.chooseFile = RecChoose;
        hooks.closeWindow = RecClose;
        hooks.invalidateCell = RecInvalidate;
        hooks.setTitle = RecTitle;
        InstallShellHooks(&hooks);
        SetSettingsPath(Path("quadrivo.ini").c_str());
        int lines[16];
        LayOutGrid(lines); // as the first paint does
    }
    // A tap (press and release) at offset (dx, dy) from the cell's origin.
    static void TapCell(int cell, int dx, int dy) {
        const int x = GridLines[cell % 9] + dx, y = GridLines[cell / 9] + dy;
        StylusDown(x, y);
        StylusUp(x, y);
    }
    // A tap on digit position d (0..8) of a cell.
    static void TapDigitAt(int cell, int d) { TapCell(cell, 2 + 8 * (d % 3), 2 + 8 * (d / 3)); }
};

TEST_F(Control, GridLayoutAndHitTesting) {
    int lines[16];
    ASSERT_EQ(LayOutGrid(lines), 14);
    const int grid[11] = {6, 31, 56, 82, 107, 132, 158, 183, 208, 234, 259};
    const int pixels[14] = {5, 6, 31, 56, 81, 82, 107, 132, 157, 158, 183, 208, 233, 234};
    for (int i = 0; i < 11; i++) EXPECT_EQ(GridLines[i], grid[i]) << i;
    for (int i = 0; i < 14; i++) EXPECT_EQ(lines[i], pixels[i]) << i;

    struct {
        int x, y, cell;
    } hits[] = {{7, 7, 0},      {233, 233, 80}, {6, 20, -1}, {20, 31, -1},
                {234, 100, -1}, {81, 7, 2},     {82, 7, -1}, {83, 7, 3},
                {157, 157, 50}, {0, 0, -1},     {250, 7, -1}};
    for (auto h : hits) EXPECT_EQ(HitTestCell(h.x, h.y), h.cell) << h.x << "," << h.y;

    ResetAllModules(); // before the first paint nothing is hit
    EXPECT_EQ(HitTestCell(7, 7), -1);
}

TEST_F(Control, TapsPickTheDigitUnderTheStylus) {
    // Each offset from the cell's origin names the digit it enters.
    struct {
        int dx, dy, digit;
    } taps[] = {{2, 2, 1}, {20, 12, 6}, {12, 24, 8}, {1, 1, 1}, {24, 24, 9}};
    for (auto t : taps) {
        LoadGivens("4");
        TapCell(2, t.dx, t.dy);
        EXPECT_EQ(Board[2] & CELL_DIGIT, t.digit) << t.dx << "," << t.dy;
    }
    // Offset 25 is the first pixel of a box line, still the cell's but no digit position.
    LoadGivens("4");
    TapCell(2, 25, 2);
    EXPECT_EQ(Board[2], 0);
    EXPECT_EQ(SelectedCell, 2);
    // Entered in the chosen number colour, with a history record.
    AnalysisOptions.numberColour = 3;
    TapDigitAt(1, 0);
    EXPECT_EQ(Board[1], 0x80 | 0x30 | 1);
    EXPECT_EQ(MoveEnd, 1);
}

TEST_F(Control, TapsOnEnteredDigitsTakeBackOnlyTheLastOne) {
    TapDigitAt(1, 0);
    TapDigitAt(2, 1);
    EXPECT_TRUE(Recorded.navEnabled[0] && Recorded.navEnabled[2]); // undo, beginning
    EXPECT_FALSE(Recorded.navEnabled[1] || Recorded.navEnabled[3]);
    TapCell(1, 12, 12); // an older entry: nothing
    TapCell(0, 12, 12); // a given: nothing
    EXPECT_EQ(MovePos, 2);
    TapCell(2, 12, 12); // the last entry: undone, kept for redo
    EXPECT_EQ(MovePos, 1);
    EXPECT_EQ(MoveEnd, 2);
    EXPECT_EQ(Board[2], 0);
    EXPECT_TRUE(Recorded.navEnabled[1] && Recorded.navEnabled[3]); // redo, end

    // While the solution is shown the first tap only hides it.
    RunCommand(CMD_SOLUTION);
    TapDigitAt(3, 8);
    EXPECT_EQ(ShowSolution, 0);
    EXPECT_EQ(Board[3], 0);
    TapDigitAt(3, 8);
    EXPECT_EQ(Board[3] & CELL_DIGIT, 9);
}

TEST_F(Control, LabelStripFlipsTechniquesAndSelectsChains) {
    const int y = GridLines[9] + 5;
    AnalysisOptions.techniques = 0; // the strip answers even with the labels hidden
    StylusUp(27, y);
    EXPECT_EQ(AnalysisOptions.techniques, TECH_LOCKED);
    StylusUp(2, y);
    EXPECT_EQ(AnalysisOptions.techniques, TECH_LOCKED | TECH_SUBSETS);
    StylusUp(5 + 21 * 4, y);
    EXPECT_EQ(AnalysisOptions.techniques & TECH_ALS, TECH_ALS);
    StylusUp(110, y);
    EXPECT_EQ(ChainSelection, CHAIN_SHOW_ALL);
    StylusUp(200, y);
    EXPECT_EQ(ChainSelection, -1);
    EXPECT_EQ(SelectedCell, 0);
    const uint32_t before = AnalysisOptions.techniques;
    StylusUp(27, GridLines[9] + 12); // just below the strip
    StylusUp(27, GridLines[9]);      // on the last grid line
    EXPECT_EQ(AnalysisOptions.techniques, before);
}

TEST_F(Control, HoldOpensTheDigitPopupBesideTheCell) {
    StylusDown(GridLines[4] + 5, GridLines[3] + 5); // cell 31
    StylusHold();
    EXPECT_EQ(Window.popups, 1);
    EXPECT_EQ(Window.popupCell, 31);
    StylusDown(GridLines[8] + 5, GridLines[0] + 5);
    StylusHold();
    EXPECT_EQ(Window.popupCell, 8);
    StylusDown(2, 2); // off the board: no popup
    StylusHold();
    EXPECT_EQ(Window.popups, 2);

    // The pick arrives as a command for the selected cell.
    StylusDown(GridLines[1] + 5, GridLines[0] + 5);
    RunCommand(CMD_DIGIT_1 + 4);
    EXPECT_EQ(Board[1] & CELL_DIGIT, 5);
    EXPECT_EQ(SelectedCell, -1);
    RunCommand(CMD_DIGIT_1); // nothing selected any more
    StylusDown(GridLines[0] + 5, GridLines[0] + 5);
    RunCommand(CMD_DIGIT_1 + 1); // a given: ignored
    EXPECT_EQ(Board[0], 4);
    EXPECT_EQ(MoveEnd, 1);
}

TEST_F(Control, PencilMarkAndCandidateTaps) {
    RunCommand(CMD_PENCIL_MARKS);
    ClearAllMarks();
    AnalysisOptions.techniques = 0;
    TapDigitAt(1, 3); // 4 is in row 1: not marked, but the cell is addressed and redrawn
    EXPECT_EQ(MarkGrid[1], 0);
    EXPECT_EQ(LastMarkedCell, 1);
    EXPECT_EQ(Window.invalidated, 1);
    TapDigitAt(1, 0);
    EXPECT_EQ(MarkGrid[1], DigitBit(1));
    TapDigitAt(1, 0);
    EXPECT_EQ(MarkGrid[1], 0);
    EXPECT_EQ(MoveEnd, 0);
    // With the analysis shown, marking the digit its step places enters it.
    AnalysisOptions.techniques = TECH_ANALYSIS;
    StepMarks[1] = DigitBit(1);
    TapDigitAt(1, 0);
    EXPECT_EQ(Board[1] & CELL_DIGIT, 1);

    // With the candidates shown, a digit that is not one enters nothing.
    RunCommand(CMD_CANDIDATES);
    ComputeCandidates();
    TapDigitAt(2, 3);
    EXPECT_EQ(Board[2], 0);
    TapDigitAt(2, 1);
    EXPECT_EQ(Board[2] & CELL_DIGIT, 2);
}

TEST_F(Control, SetupGateBeepsAtAllButAFewCommands) {
    RunCommand(CMD_SETUP);
    Recorded.beeps = 0;
    for (int id : {CMD_OPEN, CMD_CANDIDATES, CMD_CLOSE, CMD_ABOUT, CMD_ANALYSIS_OPTIONS,
                   CMD_SOLUTION, CMD_F5, CMD_BLOCK_ENTRY, CMD_CREATE, CMD_BLUE})
        EXPECT_EQ(RunCommand(id), 1) << id;
    EXPECT_EQ(Recorded.beeps, 10);
    EXPECT_TRUE(Window.dialogs.empty());
    EXPECT_EQ(AnalysisOptions.showCandidates, 0u);
    EXPECT_EQ(Window.closes, 0);

    RunCommand(CMD_NEW); // works: empties the board, stays in setup mode
    EXPECT_EQ(BoardDigits(), std::string(81, '.'));
    EXPECT_EQ(AnalysisOptions.setupMode, 1u);
    RunCommand(CMD_QUIT);
    EXPECT_EQ(Window.closes, 1);
    EXPECT_EQ(Recorded.beeps, 10);
    // Outside setup mode F5 and unknown ids have no handler.
    RunCommand(CMD_SETUP);
    EXPECT_EQ(RunCommand(CMD_F5), 0);
    EXPECT_EQ(RunCommand(999), 0);
}

TEST_F(Control, SetupModeInAndOut) {
    TapDigitAt(1, 0);
    RunCommand(CMD_PENCIL_MARKS);
    RunCommand(CMD_SETUP);
    EXPECT_EQ(AnalysisOptions.pencilMarks, 0u);
    EXPECT_FALSE(Recorded.clockRunning);
    EXPECT_EQ(Recorded.status[PANE_CLOCK], " Setup");
    EXPECT_EQ(Board[0], 0x84); // the given is editable now
    EXPECT_EQ(Board[1], 0x81); // the entry loses its colour
    for (DigitMask m : MarkGrid) EXPECT_EQ(m, 0);

    // Taps edit the board without history: a digit is written, a digit emptied, and one that
    // repeats a digit of its row taken out again with a beep.
    const int moves = MoveEnd, beeps = Recorded.beeps;
    TapDigitAt(2, 2);
    EXPECT_EQ(Board[2], 0x83);
    TapCell(0, 12, 12);
    EXPECT_EQ(Board[0], 0);
    TapDigitAt(0, 2);
    EXPECT_EQ(Board[0], 0);
    EXPECT_EQ(Recorded.beeps, beeps + 1);
    EXPECT_EQ(MoveEnd, moves);

    RunCommand(CMD_SETUP);
    EXPECT_EQ(AnalysisOptions.setupMode, 0u);
    EXPECT_EQ(Board[1], 1); // every digit is a given now
    EXPECT_EQ(Board[2], 3);
    EXPECT_EQ(MovePos, 0);
    EXPECT_EQ(MoveEnd, 0);
    EXPECT_TRUE(Recorded.clockRunning);
    EXPECT_EQ(Recorded.messages.back(), "Invalid Position"); // checked: too few givens
}

TEST_F(Control, StepButtonInBothModes) {
    LoadGivens(BUILTIN_PUZZLE);
    AnalysisOptions.techniques = TECH_ANALYSIS;
    RunCommand(CMD_STORE_CANDIDATES);
    PendingStep = RunAnalysis(); // as the paint does
    ASSERT_EQ(PendingStep, 1);
    auto filled = [] {
        const std::string digits = BoardDigits();
        return 81 - std::count(digits.begin(), digits.end(), '.');
    };
    const auto before = filled();
    RunCommand(CMD_STEP);
    EXPECT_EQ(filled(), before + 1);
    EXPECT_EQ(PendingStep, 0);
    RunCommand(CMD_STEP); // nothing pending until the next paint
    EXPECT_EQ(filled(), before + 1);

    RunCommand(CMD_SETUP);
    RunCommand(CMD_STEP); // posts "Setup", which runs after the current event
    EXPECT_EQ(AnalysisOptions.setupMode, 1u);
    RunPosted();
    EXPECT_EQ(AnalysisOptions.setupMode, 0u);
}

TEST_F(Control, MenusAndTogglesFollowTheOptions) {
    AnalysisOptions.showCandidates = 1;
    EXPECT_EQ(MenuCheck(CMD_CANDIDATES), 1);
    RunCommand(CMD_STORE_CANDIDATES); // unchecks "Candidates", checks "Pencil Marks"
    EXPECT_EQ(MenuCheck(CMD_CANDIDATES), 0);
    EXPECT_EQ(MenuCheck(CMD_CANDIDATES_BUTTON), 0);
    EXPECT_EQ(MenuCheck(CMD_PENCIL_MARKS), 1);
    RunCommand(CMD_BLUE + 2);
    for (int id = CMD_BLUE; id <= CMD_PURPLE; id++)
        EXPECT_EQ(MenuCheck(id), id == CMD_BLUE + 2) << id;
    RunCommand(CMD_ANALYSIS);
    EXPECT_EQ(MenuCheck(CMD_ANALYSIS), 1);
    RunCommand(CMD_WRONG_VALUES);
    EXPECT_EQ(MenuCheck(CMD_WRONG_VALUES), 1);
    EXPECT_EQ(MenuCheck(CMD_SETUP), 0);
    EXPECT_EQ(MenuCheck(CMD_NEW), -1);
}

TEST_F(Control, KeysActOnTheCursorCellOrSelectChains) {
    TypeKey('c'); // without the cursor a character selects chain c - 'a'
    EXPECT_EQ(ChainSelection, 2);
    TypeKey('0');
    EXPECT_EQ(ChainSelection, -49);
    EXPECT_EQ(PressKey(KEY_DELETE), 0); // nothing to act on

    SelectedCell = 0;
    PressKey(KEY_RIGHT); // appears on the last tapped cell
    EXPECT_EQ(CursorCell, 0);
    PressKey(KEY_RIGHT);
    PressKey(KEY_UP); // stays in the top row
    EXPECT_EQ(CursorCell, 1);
    TypeKey('7');
    EXPECT_EQ(Board[1] & CELL_DIGIT, 7);
    const int beeps = Recorded.beeps;
    TypeKey('5'); // a filled cell takes no digit
    EXPECT_EQ(Board[1] & CELL_DIGIT, 7);
    EXPECT_EQ(Recorded.beeps, beeps + 1);
    PressKey(KEY_DELETE); // the last entry taken back
    EXPECT_EQ(Board[1], 0);
    RunCommand(CMD_PENCIL_MARKS);
    ClearAllMarks();
    TypeKey('1');
    EXPECT_EQ(MarkGrid[1], DigitBit(1));
    PressKey(KEY_ESCAPE);
    EXPECT_EQ(CursorCell, -1);
    TypeKey('2');
    EXPECT_EQ(ChainSelection, '2' - 'a');
}

TEST_F(Control, StartUp) {
    // No settings file: the built-in puzzle, checked without a verdict, the clock running.
    RestartModules();
    RunCommand(CMD_STARTUP);
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
    EXPECT_TRUE(Recorded.messages.empty());
    EXPECT_TRUE(Recorded.clockRunning);
    ShellPostCommand(CMD_ABOUT); // as the program does once its window exists
    RunPosted();
    EXPECT_EQ(Window.dialogs, std::vector<int>{DIALOG_ABOUT});
    EXPECT_EQ(Window.title, "Quadrivo");

    // A session saved in setup mode comes back in it, and the posted about box meets the gate.
    RunCommand(CMD_SETUP);
    TransferSettings(SETTINGS_SAVE);
    RestartModules();
    RunCommand(CMD_STARTUP);
    ShellPostCommand(CMD_ABOUT);
    const int beeps = Recorded.beeps;
    RunPosted();
    EXPECT_EQ(AnalysisOptions.setupMode, 1u);
    EXPECT_EQ(Board[1], 0x87);
    EXPECT_EQ(Recorded.beeps, beeps + 1);
    EXPECT_TRUE(Window.dialogs.empty());

    // A settings file that cannot be read is reported; the defaults stand, and it is kept.
    std::filesystem::remove(Path("quadrivo.ini"));
    ASSERT_EQ(mkfifo(Path("quadrivo.ini").c_str(), 0600), 0);
    RestartModules();
    alarm(20); // a read blocked on the FIFO ends the test program here
    RunCommand(CMD_STARTUP);
    alarm(0);
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
    EXPECT_EQ(Recorded.messages,
              std::vector<std::string>{"The saved game could not be read (cannot open " +
                                       Path("quadrivo.ini") +
                                       ": not a regular file). It is left as it is, and this "
                                       "session will not be saved over it."});
    EXPECT_EQ(ShutDown(), 1);
    EXPECT_TRUE(std::filesystem::is_fifo(Path("quadrivo.ini")));
}

TEST_F(Control, CollectionsBrowseInSetupModeWithTitleAndGoto) {
    std::string lines;
    for (int i = 0; i < 12; i++) lines += std::string(SAMPLE_PUZZLE) + "\r\n";
    const std::string path = Write("set.txt", lines);
    Window.chosenFile = path;
    RunCommand(CMD_OPEN);
    EXPECT_EQ(AnalysisOptions.setupMode, 1u);
    EXPECT_EQ(Window.title, "{set.txt} #1");
    RunCommand(CMD_REDO);
    RunCommand(CMD_REDO);
    EXPECT_EQ(Window.title, "{set.txt} #3");
    RunCommand(CMD_END);
    EXPECT_EQ(CollectionIndex, 11);
    // "Go to End" on the last puzzle asks for a number.
    Window.goTo = "4";
    RunCommand(CMD_END);
    EXPECT_EQ(Window.dialogs, std::vector<int>{DIALOG_GOTO});
    EXPECT_EQ(CollectionIndex, 3);
    EXPECT_EQ(GotoProposedNumber(), 4);
    Window.dialogAnswer = DIALOG_CANCEL;
    RunCommand(CMD_END);
    RunCommand(CMD_END);
    EXPECT_EQ(CollectionIndex, 11);
    // Leaving setup mode makes the puzzle a game; the title keeps the number.
    RunCommand(CMD_SETUP);
    EXPECT_EQ(Board[0], 4);
    EXPECT_EQ(Window.title, "{set.txt} #12");
    // Reopen goes back to the collection puzzle without the file dialog.
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
    EXPECT_EQ(CurrentFile, deep);
    EXPECT_EQ(CollectionCount, 2);
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
    RunCommand(CMD_SAVE); // cancelled: nothing written, title refreshed
    EXPECT_EQ(Window.proposedFile.substr(0, 3), "Pzl");
    EXPECT_EQ(Window.proposedFile.size(), 9u);
    EXPECT_EQ(CurrentFile[0], 0);

    Window.chosenFile = Path("game.txt");
    RunCommand(CMD_SAVE);
    EXPECT_EQ(Window.title, "{game.txt}");
    EXPECT_FALSE(ReadBytes(Path("game.txt")).empty());
    EXPECT_TRUE(Recorded.messages.empty());

    RunCommand(CMD_SAVE); // a named file is proposed again
    EXPECT_EQ(Window.proposedFile, Path("game.txt"));

    Window.chosenFile = Path("no/such/folder/game.txt");
    RunCommand(CMD_SAVE);
    ASSERT_EQ(Recorded.messages.size(), 1u);
    EXPECT_EQ(Recorded.messages[0], "The puzzle was not saved: cannot write " +
                                        Path("no/such/folder/game.txt") +
                                        ": No such file or directory");
}

TEST_F(Control, CreateMakesARatedPuzzleAndRateLeavesSetupFirst) {
    CurrentFile[0] = 'x';
    SeedRandom(4242); // a puzzle the logic can rate
    RunCommand(CMD_CREATE);
    EXPECT_EQ(CurrentFile[0], 0);
    EXPECT_EQ(Window.title, "Quadrivo");
    ASSERT_EQ(Recorded.messages.size(), 1u);
    EXPECT_EQ(Recorded.messages[0].rfind("Rating", 0), 0u);
    EXPECT_EQ(MoveEnd, 0);

    RunCommand(CMD_SETUP);
    RunCommand(CMD_RATE);
    EXPECT_EQ(AnalysisOptions.setupMode, 0u);
    EXPECT_EQ(Recorded.messages.back().rfind("Rating", 0), 0u);
}

TEST_F(Control, BlockEntryTakesATextAsANewPuzzle) {
    TapDigitAt(1, 0);
    Window.dialogAnswer = DIALOG_OK;
    RunCommand(CMD_BLOCK_ENTRY);
    EXPECT_EQ(MoveEnd, 1);
    AcceptBlockEntryText(BUILTIN_PUZZLE);
    Window.dialogAnswer = DIALOG_INPUT;
    RunCommand(CMD_BLOCK_ENTRY);
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
    EXPECT_EQ(MoveEnd, 0);
}

TEST_F(Control, DialogRules) {
    AnalysisOptions.techniques = 0x3F;
    AcceptAnalysisOptions(0x3F & ~TECH_GRID);
    EXPECT_EQ(AnalysisOptions.techniques, 0x37u);
    AnalysisOptions.techniques = 0x100;
    AcceptAnalysisOptions(TECH_CHAINS | TECH_ANALYSIS);
    EXPECT_EQ(AnalysisOptions.techniques, TECH_CHAINS); // the display stays off

    for (auto [text, number] : std::vector<std::pair<const char*, int>>{
             {"10", 10}, {"", 0}, {"abc", 0}, {" 7 ", 7}, {"12a", 0}, {"99999999999", 999999999}}) {
        AcceptGotoText(text);
        EXPECT_EQ(GotoNumber, number) << text;
    }

    AnalysisOptions.blockFormat = 0x22;
    EXPECT_EQ(LayoutRadioId(), 258);
    EXPECT_EQ(EmptyRadioId(), 288);
    AcceptBlockFormat(0x04 | 0x10);
    char text[TEXT_BUFFER_SIZE];
    LoadGivens("");
    BlockEntryText(text);
    EXPECT_EQ(std::string(text).size(), 119u);
    char version[32];
    VersionLine(version, sizeof version);
    EXPECT_STREQ(version, "Quadrivo V 1.16");
}

} // namespace
