// Puzzle files: collections, saved games written and read back byte for byte, damaged and
// hostile files, the open / reopen / browse commands, and the fuzz inputs replayed.
#include "control/commands.h"
#include "control/session.h"
#include "files/collection.h"
#include "files/filereader.h"
#include "files/gamefile.h"
#include "files/settings.h"
#include "files/text.h"
#include "fuzz/fuzz_support.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <algorithm>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
const std::string PUZZLE = SAMPLE_PUZZLE;
const std::string OTHER =
    "52...6.........7.13...........4..8..6......5...........418.........3..2...87.....";

class PuzzleFiles : public FileTest {
  protected:
    // Saves the game as g.txt; returns the file's bytes.
    std::string Saved() {
        EXPECT_EQ(SaveGameFile(S, Path("g.txt").c_str()), 1);
        return ReadBytes(Path("g.txt"));
    }
    int Load(const std::string& bytes) { return LoadGameFile(S, Write("in.txt", bytes).c_str()); }
    static int Count(const std::string& path) { return CountCollection(S, path.c_str()); }
    // Loads the collection's puzzle at position.
    static int Entry(const std::string& path, int position) {
        return LoadCollectionEntry(S, path.c_str(), position);
    }
};

std::string Collection(int lines, const char* end = "\r\n") {
    std::string text;
    for (int i = 0; i < lines; i++) text += (i % 2 ? OTHER : PUZZLE) + end;
    return text;
}

// Puzzle line number i (below 9!): PUZZLE with its digits relabelled by the i-th permutation.
std::string NumberedLine(int i) {
    std::string digits = "123456789", order;
    for (int k = 9; k > 0; i /= k, k--) {
        order += digits[size_t(i % k)];
        digits.erase(size_t(i % k), 1);
    }
    std::string line = PUZZLE;
    for (char& c : line)
        if (c >= '1' && c <= '9') c = order[size_t(c - '1')];
    return line;
}

// Sets a file's times an hour back, as a collection that has not changed for a while.
void Age(const std::string& path) {
    timespec times[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST_F(PuzzleFiles, CollectionIsTheRunOfPuzzleLinesFromTheStart) {
    std::string empties = PUZZLE;
    empties[1] = '-', empties[2] = '0', empties[3] = 'x';
    const struct {
        std::string text;
        int count;
    } CASES[] = {
        {Collection(5) + "\r\n" + Collection(3), 5},                 // an empty line ends the run
        {PUZZLE + "\r" + OTHER + "\n" + PUZZLE + "\r\n" + OTHER, 4}, // any line end, or none
        {"\xEF\xBB\xBF" + Collection(2, "\n"), 2},                   // a byte-order mark first
        {PUZZLE + " 1.2 rating\r\n" + OTHER + "\t#7 name\n" + empties + ",x;y\n" + OTHER + ";\n" +
             PUZZLE + "#\n" + OTHER + "  \n",
         6},
        {Collection(2) + OTHER + "7\r\n" + Collection(3), 2},       // an 82nd character ends it
        {Collection(2) + "a" + OTHER.substr(1) + "\n" + PUZZLE, 2}, // so does any other byte
        {"# puzzles\n" + Collection(3), 0},
        {Collection(1), 0}, // one puzzle is no collection
    };
    for (const auto& c : CASES) {
        S->MoveEnd = 7;
        EXPECT_EQ(Count(Write("c.txt", c.text)), c.count) << c.text;
        EXPECT_EQ(S->MoveEnd, 7); // counting leaves the history alone
    }
}

// The count keeps where every few lines start; a puzzle of the unchanged file is read from
// the nearest of them. A file changed since is read from its start.
TEST_F(PuzzleFiles, AnyPuzzleOfACountedCollectionLoadsFromItsIndex) {
    const int lines = 10000;
    std::string text = "\xEF\xBB\xBF";
    std::vector<int64_t> starts;
    for (int i = 0; i < lines; i++) {
        starts.push_back(int64_t(text.size()));
        text += NumberedLine(i) + (i % 3 ? "\n" : " 4.5 #comment\r\n");
    }
    const std::string path = Write("c.txt", text + "end\n" + PUZZLE + "\n");
    Age(path);
    ASSERT_EQ(Count(path), lines);
    const CollectionIndexRecord& index = S->CollectionLines;
    ASSERT_TRUE(index.trusted);
    ASSERT_EQ(index.every, 4); // 4096 slots held every line, then every other, then every 4th
    ASSERT_EQ(index.entries, lines / 4);
    for (int e = 0; e < index.entries; e++) ASSERT_EQ(index.offsets[e], starts[e * 4]) << e;
    const ShellRecord before = Recorded;
    for (int i : {0, 1, 3, 4, 4095, 4097, 7777, lines - 1}) {
        ASSERT_EQ(Entry(path, i), 1) << i;
        EXPECT_EQ(BoardDigits(), NumberedLine(i)) << i;
    }
    EXPECT_EQ(Entry(path, lines + 5), 0); // past the run: the line that ends it is no puzzle
    // The reader fills the game; telling the window is the command's.
    EXPECT_TRUE(Recorded.redraws == before.redraws && Recorded.titles == before.titles);

    // The same file rewritten with other lines: read from its start, not from the old offsets.
    text.clear();
    for (int i = 0; i < lines; i++) text += NumberedLine(lines - i) + "\r\n";
    Write("c.txt", text);
    Age(path);
    for (int i : {4, 9000}) {
        ASSERT_EQ(Entry(path, i), 1) << i;
        EXPECT_EQ(BoardDigits(), NumberedLine(lines - i)) << i;
    }
}

// Puzzle block (entries written like givens), move records with the marker on the first move
// not applied, then nine lines of mark records: digits of filled cells, marks of empty ones.
TEST_F(PuzzleFiles, SavedGameHasItsExactBytes) {
    LoadGivens(PUZZLE.c_str());
    const int moves[][2] = {{1, 9}, {4, 6}, {80, 2}};
    for (const auto& m : moves) EnterDigit(S, m[0], m[1]);
    Undo(S);
    Undo(S);
    S->MarkGrid[2] = 0x005;
    S->MarkGrid[3] = ALL_DIGITS;
    S->AnalysisOptions.blockFormat = LAYOUT_3X3 | EMPTY_NULLS;
    std::string bytes = Saved();
    ASSERT_EQ(bytes.size(), 123u + 3 * 15 + 9 * 110);
    EXPECT_EQ(bytes.substr(0, 123), "490 000 805\r\n030 000 000\r\n000 700 000\r\n\r\n"
                                    "020 000 060\r\n000 080 400\r\n000 010 000\r\n\r\n"
                                    "000 603 070\r\n500 200 000\r\n104 000 000\r\n\r\n");
    EXPECT_EQ(bytes.substr(123, 45), "[ 1 R1C2 = 9]\r\n[ 2>R1C5 = 6]\r\n[ 3 R9C9 = 2]\r\n");
    EXPECT_EQ(bytes.substr(168, 110), "{    4    } {    9    } {1.3......} {123456789} {.........} "
                                      "{.........} {    8    } {.........} {    5    } \r\n");
    S->AnalysisOptions.blockFormat = DEFAULT_BLOCK_FORMAT;
    S->AnalysisOptions.showCandidates = 1; // no mark records
    GoToEnd(S);                            // no marker
    EXPECT_EQ(Saved(), "49. .6. 8.5\r\n.3. ... ...\r\n... 7.. ...\r\n.2. ... .6.\r\n... .8. 4..\r\n"
                       "... .1. ...\r\n... 6.3 .7.\r\n5.. 2.. ...\r\n1.4 ... ..2\r\n"
                       "[ 1 R1C2 = 9]\r\n[ 2 R1C5 = 6]\r\n[ 3 R9C9 = 2]\r\n");
    char name[16];
    DefaultSaveName(2024, 3, 7, name);
    EXPECT_STREQ(name, "Pzl240307");
}

// Written again after reading, a game gives the same bytes: block, moves, marker and marks,
// whether its lines ended in CR LF or LF.
TEST_F(PuzzleFiles, SavedGameReadsBackWithEntriesInColourZero) {
    for (int undone : {0, 2}) {
        PlaySampleGame(undone, 0x005);
        const std::string bytes = Saved();
        uint8_t board[81];
        for (int i = 0; i < 81; i++) board[i] = S->Board[i] & ~CELL_COLOUR;
        const int pos = S->MovePos;
        std::string lf = bytes; // the same game with LF line ends reads alike
        lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
        ResetForTest();
        EXPECT_EQ(Load(lf), 82);
        EXPECT_EQ(Recorded.redraws, 0); // the reader fills the game; the open command tells
        EXPECT_EQ(Saved(), bytes);      // and is written with CR LF again
        EXPECT_EQ(std::memcmp(S->Board, board, 81), 0);
        EXPECT_EQ(S->MovePos, pos);
        EXPECT_EQ(std::memcmp(S->MarkSnapshot, S->MarkGrid, sizeof S->MarkGrid), 0);
        std::strcpy(S->CurrentFile, Path("g.txt").c_str());
        EXPECT_EQ(OpenChosenFile(S), 1);
        EXPECT_EQ(Recorded.status[PANE_MOVE], pos == 5 ? "[ 5] R2C4 = 5" : "[ 3] R1C4 = 3");
    }
}

// Records may stand among other text; only 12-byte move and 10-byte mark fields count, and a
// record that cannot be replayed is dropped. Givens that moves up to the marked one placed
// become entries. The block skips other bytes, and a zero byte ends the whole file. At most
// 81 records are kept.
TEST_F(PuzzleFiles, RecordsAndTheBlockAreFoundAmongOtherBytes) {
    std::string block = PUZZLE;
    block[21] = '6', block[1] = '7', block[2] = '8';
    EXPECT_EQ(Load(block +
                   "\r\nnotes: R1 ok\r\n[ 5 R3C4 = 6]x[100 R3C4 = 6]{1.3......}[ 0 R0C1 = 7]"
                   "[ 1>R1C2 = 7]\x01]{ [ 2 R1C3 = :][ 2 R9C: = 8]\r\n"
                   "[[ 2 R1C3 = 8] {.....6...}{    7    }"),
              4);
    // A blank before the number is fine; the third mark record is a filled cell's.
    EXPECT_EQ(std::vector<int>(S->MoveHistory, S->MoveHistory + S->MoveEnd),
              (std::vector<int>{0x86 + 256 * 21, 0x87 + 256 * 1, 0x88 + 256 * 2}));
    EXPECT_EQ(S->MovePos, 1);
    EXPECT_EQ(std::vector<int>(S->MarkGrid, S->MarkGrid + 3), (std::vector<int>{0x005, 0x020, 0}));
    // Played before the marker, and the marked record itself: entries; after it: a given.
    EXPECT_EQ((std::vector<int>{S->Board[21], S->Board[1], S->Board[2]}),
              (std::vector<int>{0x86, 0x87, 8}));

    Load(PUZZLE.substr(0, 40) + '\0' + PUZZLE.substr(40) + "[ 1 R1C2 = 7]");
    EXPECT_EQ(BoardDigits(), PUZZLE.substr(0, 40) + std::string(41, '.'));
    EXPECT_EQ(S->MoveEnd, 0);

    // Only 81 records are kept (a game fills each cell once), and the history still plays.
    std::string game = PUZZLE + "[ 1 R2C0 = 7]"; // cell 8: row and column are not checked apart
    for (int i = 0; i < 90; i++) game += "[99 R1C2 = 3]{..3......}";
    EXPECT_EQ(Load(game), 82);
    EXPECT_EQ(S->MovePos, 81);
    EXPECT_EQ(S->MoveHistory[0], 0x87 + 256 * 8);
    EXPECT_EQ(S->MoveHistory[80], 0x83 + 256 * 1);
    ExerciseHistory(S); // traps on a broken state
}

// Cut at every length, a saved game reads as a prefix of itself; with a bit flipped anywhere
// it reads into a state every reader guarantees, whose history plays to both ends.
TEST_F(PuzzleFiles, TruncatedOrFlippedGamesNeverBreakTheState) {
    PlaySampleGame(2, 0x005);
    const std::string bytes = Saved();
    LoadGameFile(S, Path("g.txt").c_str());
    const int end = S->MoveEnd;
    MoveRecord history[HISTORY_SLOTS];
    std::memcpy(history, S->MoveHistory, sizeof history);
    DigitMask marks[81];
    std::memcpy(marks, S->MarkGrid, sizeof marks);
    for (size_t at = 0; at <= bytes.size(); at++) {
        SCOPED_TRACE("byte " + std::to_string(at));
        ResetForTest();
        const int read = Load(bytes.substr(0, at));
        ASSERT_EQ(BrokenInvariant(S), nullptr);
        ASSERT_LE(S->MoveEnd, end);
        EXPECT_EQ(std::memcmp(S->MoveHistory, history, S->MoveEnd * sizeof(MoveRecord)), 0);
        EXPECT_EQ(std::memcmp(S->MarkGrid, marks, (read - 1) * sizeof(DigitMask)), 0);
        if (at < bytes.size() && at % 3 == 0) { // every third byte with one bit flipped
            ResetForTest();
            Load(bytes.substr(0, at) + char(bytes[at] ^ 1 << at / 3 % 8) + bytes.substr(at + 1));
            ASSERT_EQ(BrokenInvariant(S), nullptr);
            ExerciseHistory(S);
        }
    }
}

TEST_F(PuzzleFiles, OpeningACollectionShowsItsFirstPuzzleBrowsesAndReopens) {
    std::strcpy(S->CurrentFile, Write("c.txt", Collection(4)).c_str());
    OpenChosenFile(S);
    EXPECT_EQ(S->AnalysisOptions.setupMode, 1u);
    EXPECT_EQ(S->CollectionCount, 4);
    EXPECT_EQ(Recorded.clockRuns, 0);
    // A navigation button ('n') or a "Goto Position" number ('g'), its result, the puzzle then.
    constexpr int UNDO = int(NavButton::Undo), REDO = int(NavButton::Redo),
                  START = int(NavButton::GoToStart), END = int(NavButton::GoToEnd);
    const struct {
        char kind;
        int argument, result, shown;
    } STEPS[] = {{'n', UNDO, 1, 0},  {'n', REDO, 1, 1}, {'n', END, 1, 3},
                 {'n', REDO, 1, 3},  {'n', END, 0, 3},  {'g', 3, 1, 2},
                 {'g', 70000, 1, 3}, {'g', -5, 1, 0},   {'n', START, 1, 0}};
    for (const auto& step : STEPS) {
        SCOPED_TRACE(std::string(1, step.kind) + " " + std::to_string(step.argument));
        EXPECT_EQ(step.kind == 'n' ? BrowseCollection(S, NavButton(step.argument))
                                   : GotoCollectionPuzzle(S, step.argument),
                  step.result);
        EXPECT_EQ(S->CollectionIndex, step.shown);
        EXPECT_EQ(BoardDigits(), step.shown % 2 ? OTHER : PUZZLE);
    }
    // Through the buttons, pane 0 and the buttons show the collection position.
    for (const int id : {CMD_REDO, CMD_END, CMD_UNDO, CMD_BEGIN}) {
        const int redraws = Recorded.redraws;
        RunCommand(S, id);
        EXPECT_GT(Recorded.redraws, redraws);
    }
    RunCommand(S, CMD_REDO);
    EXPECT_EQ(Recorded.status[PANE_MOVE], "Pos = 2");
    EXPECT_TRUE(Recorded.navEnabled[0] && Recorded.navEnabled[2]);
    EXPECT_EQ(S->MovePos, 0);
    // Reopen after leaving setup mode and playing on: the puzzle shown comes back.
    S->AnalysisOptions.setupMode = 0;
    LoadGivens(PUZZLE.c_str());
    EnterDigit(S, 1, 1);
    EXPECT_EQ(ReopenCollection(S), 1);
    EXPECT_EQ(BoardDigits(), OTHER);
    EXPECT_EQ(S->CollectionCount, 4);
    // Played on and set up again, the collection is browsed from the puzzle it showed, not from
    // the moves played.
    S->AnalysisOptions.setupMode = 0;
    EnterDigit(S, 0, 9);
    S->AnalysisOptions.setupMode = 1;
    EXPECT_EQ(BrowseCollection(S, NavButton::GoToEnd), 1);
    EXPECT_EQ(S->CollectionIndex, 3);
    EXPECT_EQ(S->CollectionCount, 4);
    EXPECT_EQ(BoardDigits(), OTHER);
}

// A pipe, a folder or a device is refused at once, never waited on; a huge file is read no
// further than a saved game can reach.
TEST_F(PuzzleFiles, PipesFoldersDevicesAndHugeFilesNeverHoldTheReader) {
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    alarm(20); // a reader blocked in open() ends the test program here
    const struct {
        std::string path, reason;
    } CASES[] = {{Path("fifo"), "not a regular file"},
                 {folder, "Is a directory"},
                 {"/dev/zero", "not a regular file"}};
    for (const auto& c : CASES) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(LoadGameFile(S, c.path.c_str()), 0);
        EXPECT_EQ(LastOpenError(), "cannot open " + c.path + ": " + c.reason);
        EXPECT_EQ(Count(c.path), 0);
        EXPECT_EQ(OpenForReading(c.path.c_str(), nullptr), -1);
    }
    alarm(0);
    // Past its first MiB a file is not read: the record there is not a move.
    const std::string filler(1 << 20, ' ');
    EXPECT_EQ(Load(PUZZLE + "[ 1 R1C2 = 7]" + filler + "[ 2 R1C3 = 8]"), 1);
    EXPECT_EQ(S->MoveEnd, 1);
}

// Every fuzz seed and every input a fuzz run found, through its target as the fuzzer runs it
// (deep: read, checked, refreshed, analysed, history walked); a broken state traps.
TEST_F(PuzzleFiles, FuzzInputsReplayThroughTheirTargets) {
    const struct {
        const char* name;
        int (*run)(const uint8_t* data, size_t size);
    } TARGETS[] = {{"gamefile", FuzzGameFile},
                   {"collection", FuzzCollection},
                   {"settings", FuzzSettings},
                   {"text", FuzzText}};
    for (const auto& target : TARGETS) {
        int inputs = 0;
        for (const char* kind : {"seeds", "regressions"}) {
            fs::path inputFolder = fs::path(QUADRIVO_SOURCE_DIR) / "fuzz" / kind / target.name;
            if (!fs::is_directory(inputFolder)) continue;
            for (const auto& entry : fs::directory_iterator(inputFolder)) {
                SCOPED_TRACE(entry.path().string());
                const std::string bytes = ReadBytes(entry.path());
                target.run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
                inputs++;
            }
        }
        EXPECT_GT(inputs, 0) << target.name;
    }
}
} // namespace
