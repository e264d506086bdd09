// Puzzle files: collections, saved games written and read back byte for byte, damaged and
// hostile files, and the open / reopen / browse commands.
#include "analysis/driver.h"
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
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {
const char* PUZZLE =
    "4.....8.5.3..........7......2.....6.....8.4......1.......6.3.7.5..2.....1.4......";
const char* OTHER =
    "52...6.........7.13...........4..8..6......5...........418.........3..2...87.....";

class PuzzleFiles : public CoreTest {
  protected:
    fs::path folder;
    void SetUp() override {
        CoreTest::SetUp();
        folder = fs::path(::testing::TempDir()) /
                 ("quadrivo-files-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string Path(const char* name) { return (folder / name).string(); }
    std::string Write(const char* name, const std::string& bytes) {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }
    std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // A game on PUZZLE: moves entered in several colours, the last `undone` taken back,
    // and pencil marks on the empty cells.
    void PlayGame(int undone) {
        LoadGivens(PUZZLE);
        const int moves[][2] = {{1, 1}, {2, 2}, {3, 3}, {11, 6}, {12, 5}};
        int colour = 0;
        for (auto& m : moves) {
            AnalysisOptions.numberColour = colour++ % 4;
            ChangePosition(POS_ENTER, m[0], m[1]);
        }
        for (int i = 0; i < undone; i++) ChangePosition(POS_UNDO, 0, 0);
        LoadMarks(1);
        MarkGrid[4] = 0x005;
    }
};

// Every reader leaves cell bytes that carry a digit 1..9 and, outside setup mode, a history
// that can be replayed.
void ExpectConsistent(const char* where) {
    for (int i = 0; i < 81; i++) {
        int d = Board[i] & CELL_DIGIT;
        EXPECT_TRUE(Board[i] == 0 || (d >= 1 && d <= 9)) << where << " cell " << i;
        EXPECT_LE(MarkGrid[i], ALL_DIGITS) << where;
    }
    if (AnalysisOptions.setupMode) return;
    EXPECT_TRUE(0 <= MovePos && MovePos <= MoveEnd && MoveEnd <= 81)
        << where << " " << MovePos << "/" << MoveEnd;
    for (int j = 0; j < MoveEnd && j < HISTORY_SLOTS; j++) {
        int d = MoveHistory[j] & CELL_DIGIT;
        EXPECT_TRUE((MoveHistory[j] >> 8) <= 80 && d >= 1 && d <= 9) << where << " record " << j;
    }
}

std::string Collection(int lines) {
    std::string text;
    for (int i = 0; i < lines; i++) text += std::string(i % 2 ? OTHER : PUZZLE) + "\r\n";
    return text;
}

// --- collections ---

TEST_F(PuzzleFiles, CountIsTheRunOfExactLinesFromTheStart) {
    std::string path = Write("c.txt", Collection(5) + "\r\n" + Collection(3));
    MovePos = COLLECTION_COUNT_MODE;
    EXPECT_EQ(LoadCollectionEntry(path.c_str()), 5);
    EXPECT_EQ(MoveEnd, 5);
}

TEST_F(PuzzleFiles, OneLineOrLfOnlyFileIsNoCollection) {
    MovePos = COLLECTION_COUNT_MODE;
    MoveEnd = 7;
    EXPECT_EQ(LoadCollectionEntry(Write("one.txt", Collection(1)).c_str()), 0);
    std::string lf = std::string(PUZZLE) + "\n" + OTHER + "\n" + PUZZLE + "\n";
    EXPECT_EQ(LoadCollectionEntry(Write("lf.txt", lf).c_str()), 0);
    EXPECT_EQ(MoveEnd, 7); // a refused count leaves MoveEnd alone
}

TEST_F(PuzzleFiles, LfOnlyFileStillReadsAsSavedGame) {
    std::string lf = std::string(PUZZLE) + "\n" + OTHER + "\n";
    EXPECT_EQ(LoadGameFile(Write("lf.txt", lf).c_str()), 1);
    EXPECT_EQ(BoardDigits(), PUZZLE);
}

TEST_F(PuzzleFiles, LongLineEndsTheCountAndLoadsFromItsFirst81Bytes) {
    std::string text = Collection(2) + OTHER + "7\r\n" + Collection(3);
    std::string path = Write("c.txt", text);
    MovePos = COLLECTION_COUNT_MODE;
    EXPECT_EQ(LoadCollectionEntry(path.c_str()), 2);
    MovePos = 4; // the 82-byte line breaks the run: it is the one examined
    EXPECT_EQ(LoadCollectionEntry(path.c_str()), 1);
    EXPECT_EQ(BoardDigits(), OTHER);
}

TEST_F(PuzzleFiles, LoadedCollectionPuzzleIsInSetupModeWithEnteredDigits) {
    std::string line = std::string(PUZZLE);
    line[1] = '-', line[2] = '0', line[3] = 'x', line[4] = '?';
    std::string path = Write("c.txt", std::string(OTHER) + "\r\n" + line + "\r\n");
    MovePos = 1;
    EXPECT_EQ(LoadCollectionEntry(path.c_str()), 1);
    EXPECT_EQ(AnalysisOptions.setupMode, 1u);
    EXPECT_EQ(BoardDigits(), PUZZLE);
    EXPECT_EQ(Board[0], 0x84);
    EXPECT_EQ(Recorded.titles, 1);
    EXPECT_EQ(Recorded.status[2], "81-17: 64");
    MovePos = -3; // a negative position loads line 0
    EXPECT_EQ(LoadCollectionEntry(path.c_str()), 1);
    EXPECT_EQ(BoardDigits(), OTHER);
}

TEST_F(PuzzleFiles, PositionPastTheLinesClearsTheGame) {
    std::string path = Write("c.txt", Collection(3));
    LoadGivens(PUZZLE);
    MarkGrid[0] = 7;
    MovePos = 9;
    EXPECT_EQ(LoadCollectionEntry(path.c_str()), 0);
    EXPECT_EQ(BoardDigits(), std::string(81, '.'));
    EXPECT_EQ(MarkGrid[0], 0);
    EXPECT_EQ(AnalysisOptions.setupMode, 0u);
}

TEST_F(PuzzleFiles, MissingFileChangesNothing) {
    LoadGivens(PUZZLE);
    MovePos = 0;
    EXPECT_EQ(LoadCollectionEntry(Path("none.txt").c_str()), 0);
    EXPECT_EQ(LoadGameFile(Path("none.txt").c_str()), 0);
    EXPECT_EQ(LoadGameFile(folder.c_str()), 0); // a folder opens but cannot be read
    EXPECT_EQ(LoadCollectionEntry(folder.c_str()), 0);
    EXPECT_EQ(BoardDigits(), PUZZLE);
}

TEST_F(PuzzleFiles, ReadTextLineSkipsLfEndsAtCrOrZeroAndDropsPastMax) {
    std::string path = Write("l.txt", std::string("a\nb\rcd") + '\0' + "efghij\r");
    FILE* f = std::fopen(path.c_str(), "rb");
    uint8_t buffer[8];
    EXPECT_EQ(ReadTextLine(f, buffer, 7), 2);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "ab");
    EXPECT_EQ(ReadTextLine(f, buffer, 7), 2);
    EXPECT_EQ(ReadTextLine(f, buffer, 3), 3);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "efg");
    EXPECT_EQ(ReadTextLine(f, buffer, 7), 0); // the end of the file
    std::fclose(f);
}

// --- saved games: bytes written ---

TEST_F(PuzzleFiles, EmptyGameIsPuzzleBlockAndNineMarkLines) {
    ResetState(RESET_ALL);
    ChangePosition(POS_RESET, 0, 0);
    std::string path = Path("g.txt");
    ASSERT_EQ(SaveGameFile(path.c_str()), 1);
    std::string bytes = Read(path);
    ASSERT_EQ(bytes.size(), 117u + 990u);
    for (int r = 0; r < 9; r++) EXPECT_EQ(bytes.substr(13 * r, 13), "... ... ...\r\n");
    std::string record = "{.........} ";
    std::string line;
    for (int c = 0; c < 9; c++) line += record;
    for (int r = 0; r < 9; r++) EXPECT_EQ(bytes.substr(117 + 110 * r, 110), line + "\r\n");
}

TEST_F(PuzzleFiles, BoxLayoutAddsEmptyLinesAfterEachBand) {
    LoadGivens(PUZZLE);
    AnalysisOptions.blockFormat = LAYOUT_3X3 | EMPTY_NULLS;
    AnalysisOptions.showCandidates = 1;
    std::string path = Path("g.txt");
    ASSERT_EQ(SaveGameFile(path.c_str()), 1);
    std::string bytes = Read(path);
    ASSERT_EQ(bytes.size(), 123u); // candidates shown: no mark records
    EXPECT_EQ(bytes.substr(0, 41), "400 000 805\r\n030 000 000\r\n000 700 000\r\n\r\n");
    EXPECT_EQ(bytes.substr(119), "\r\n\r\n");
}

TEST_F(PuzzleFiles, FirstMoveNotAppliedCarriesTheMarker) {
    LoadGivens(PUZZLE);
    ChangePosition(POS_ENTER, 1, 9);
    ChangePosition(POS_ENTER, 4, 6);
    ChangePosition(POS_ENTER, 80, 2);
    ChangePosition(POS_UNDO, 0, 0);
    ChangePosition(POS_UNDO, 0, 0);
    AnalysisOptions.showCandidates = 1;
    std::string path = Path("g.txt");
    ASSERT_EQ(SaveGameFile(path.c_str()), 1);
    std::string bytes = Read(path);
    ASSERT_EQ(bytes.size(), 117u + 3 * 15);
    EXPECT_EQ(bytes.substr(117), "[ 1 R1C2 = 9]\r\n[ 2>R1C5 = 6]\r\n[ 3 R9C9 = 2]\r\n");
    ChangePosition(POS_END, 0, 0);
    ASSERT_EQ(SaveGameFile(path.c_str()), 1);
    EXPECT_EQ(Read(path).find('>'), std::string::npos);
}

TEST_F(PuzzleFiles, MarkRecordsOfEmptyAndFilledCells) {
    LoadGivens(PUZZLE);
    MarkGrid[1] = 0x005;
    EXPECT_EQ(FormatMarkRecord(1), 12);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(LineBuffer), 12), "{1.3......} ");
    EXPECT_EQ(ParseMarkRecord(), 0x005);
    Board[6] = 0x80 | 0x20 | 8;
    FormatMarkRecord(6);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(LineBuffer), 12), "{    8    } ");
    EXPECT_EQ(ParseMarkRecord(), 0);
    MarkGrid[2] = ALL_DIGITS;
    FormatMarkRecord(2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(LineBuffer), 12), "{123456789} ");
}

TEST_F(PuzzleFiles, DefaultSaveNameIsTwoDigitDate) {
    char name[16];
    DefaultSaveName(2024, 3, 7, name);
    EXPECT_STREQ(name, "Pzl240307");
    DefaultSaveName(1999, 12, 31, name);
    EXPECT_STREQ(name, "Pzl991231");
}

// --- saved games: read back ---

TEST_F(PuzzleFiles, SavedGameReadsBackWithEntriesInColourZero) {
    for (int undone : {0, 2}) {
        PlayGame(undone);
        uint8_t board[81];
        for (int i = 0; i < 81; i++)
            board[i] = Board[i] & CELL_ENTERED ? Board[i] & ~CELL_COLOUR : Board[i];
        MoveRecord history[HISTORY_SLOTS];
        for (int j = 0; j < MoveEnd; j++) history[j] = MoveHistory[j] & ~CELL_COLOUR;
        DigitMask marks[81];
        std::memcpy(marks, MarkGrid, sizeof marks);
        const int pos = MovePos, end = MoveEnd;
        std::string path = Path("g.txt");
        ASSERT_EQ(SaveGameFile(path.c_str()), 1);

        ResetForTest();
        EXPECT_EQ(LoadGameFile(path.c_str()), 82);
        EXPECT_EQ(MovePos, pos);
        EXPECT_EQ(MoveEnd, end);
        for (int i = 0; i < 81; i++) EXPECT_EQ(Board[i], board[i]) << i;
        for (int j = 0; j < end; j++) EXPECT_EQ(MoveHistory[j], history[j]) << j;
        for (int i = 0; i < 81; i++) EXPECT_EQ(MarkGrid[i], marks[i]) << i;
        EXPECT_EQ(std::memcmp(MarkSnapshot, MarkGrid, sizeof MarkGrid), 0);
        EXPECT_EQ(SavedMarks[0], NO_SAVED_MARKS);
        EXPECT_EQ(Recorded.status[0], pos == 5 ? "[ 5] R2C4 = 5" : "[ 3] R1C4 = 3");
        EXPECT_EQ(Recorded.navEnabled[1], pos < end); // redo possible
    }
}

TEST_F(PuzzleFiles, RecordsAreFoundAmongTextAndCheckedForLength) {
    std::string game = std::string(PUZZLE) +
                       "\r\nnotes: R1 ok\r\n"
                       "[ 5 R3C4 = 6]x[100 R3C4 = 6]{1.3......}[ 1>R1C2 = 7]\x01]{ \r\n"
                       "[[ 2 R1C3 = 8] {.....6...}";
    EXPECT_EQ(LoadGameFile(Write("g.txt", game).c_str()), 3);
    ASSERT_EQ(MoveEnd, 3);
    EXPECT_EQ(MoveHistory[0], 0x80 + 6 + 256 * 21); // blank before the number is fine
    EXPECT_EQ(MoveHistory[1], 0x80 + 7 + 256 * 1);
    EXPECT_EQ(MoveHistory[2], 0x80 + 8 + 256 * 2);
    EXPECT_EQ(MovePos, 1);
    EXPECT_EQ(MarkGrid[0], 0x005);
    EXPECT_EQ(MarkGrid[1], 0x020);
}

TEST_F(PuzzleFiles, GivensOfMovesUpToTheMarkerBecomeEntries) {
    std::string block = PUZZLE;
    block[1] = '7';
    block[2] = '9';
    block[3] = '2';
    std::string game = block + "[ 1 R1C2 = 7]\r\n[ 2>R1C3 = 9]\r\n[ 3 R1C4 = 2]\r\n";
    LoadGameFile(Write("g.txt", game).c_str());
    EXPECT_EQ(Board[1], 0x87);
    EXPECT_EQ(Board[2], 0x89); // the marked record itself still counts
    EXPECT_EQ(Board[3], 2);    // after the marker: stays a given
    EXPECT_EQ(MovePos, 1);
    EXPECT_EQ(MoveEnd, 3);
}

TEST_F(PuzzleFiles, DashesAreEmptyOnlyWithDashStyle) {
    std::string line = PUZZLE;
    for (char& c : line)
        if (c == '.') c = '-';
    line[1] = 'x';
    std::string path = Write("g.txt", line);
    AnalysisOptions.blockFormat = LAYOUT_9X9 | EMPTY_DASHES;
    LoadGameFile(path.c_str());
    EXPECT_EQ(BoardDigits().substr(1, 79), std::string(PUZZLE).substr(2, 79)); // 'x' skipped
    AnalysisOptions.blockFormat = LAYOUT_9X9 | EMPTY_DOTS;
    LoadGameFile(path.c_str());
    EXPECT_EQ(BoardDigits().substr(0, 4), "4853"); // dashes skipped: digits slide forward
}

TEST_F(PuzzleFiles, ZeroByteEndsTheReader) {
    std::string game = std::string(PUZZLE).substr(0, 40) + '\0' + std::string(PUZZLE).substr(40);
    game += "[ 1 R1C2 = 7]";
    LoadGameFile(Write("g.txt", game).c_str());
    EXPECT_EQ(BoardDigits(), std::string(PUZZLE).substr(0, 40) + std::string(41, '.'));
    EXPECT_EQ(MoveEnd, 0);
}

TEST_F(PuzzleFiles, RecordsThatCannotBeReplayedAreDropped) {
    std::string game = std::string(PUZZLE);
    game += "[ 1 R0C1 = 7]"; // cell -8
    game += "[ 2 R9C:= 7]";  // 11 bytes
    game += "[ 3 R9C: = 7]"; // cell 81
    game += "[ 4 R2C0 = 7]"; // cell 8: row and column are not checked otherwise
    game += "[ 5 R1C1 = 0][ 6 R1C1 = :][ 7 R1C1 = \xB5]"; // digits outside 1..9
    for (int i = 0; i < 90; i++) game += "[99 R1C2 = 3]";
    for (int i = 0; i < 90; i++) game += "{..3......}";
    EXPECT_EQ(LoadGameFile(Write("g.txt", game).c_str()), 82);
    EXPECT_EQ(MoveEnd, 81);
    EXPECT_EQ(MovePos, 81);
    EXPECT_EQ(MoveHistory[0], 0x87 + 256 * 8);
    EXPECT_EQ(MoveHistory[80], 0x83 + 256 * 1);
    ExpectConsistent("capped");
    // The position still plays: no slot past the history is ever written.
    ChangePosition(POS_BEGIN, 0, 0);
    ChangePosition(POS_END, 0, 0);
    EXPECT_EQ(MovePos, 81);
}

TEST_F(PuzzleFiles, EveryTruncationReadsAPrefixOfTheGame) {
    PlayGame(2);
    std::string path = Path("full.txt");
    ASSERT_EQ(SaveGameFile(path.c_str()), 1);
    const std::string bytes = Read(path);
    ResetForTest();
    LoadGameFile(path.c_str());
    const int end = MoveEnd;
    MoveRecord history[HISTORY_SLOTS];
    std::memcpy(history, MoveHistory, sizeof history);
    DigitMask marks[81];
    std::memcpy(marks, MarkGrid, sizeof marks);

    for (size_t length = 0; length <= bytes.size(); length++) {
        ResetForTest();
        int read = LoadGameFile(Write("cut.txt", bytes.substr(0, length)).c_str());
        std::string where = "length " + std::to_string(length);
        ExpectConsistent(where.c_str());
        ASSERT_LE(MoveEnd, end) << where;
        for (int j = 0; j < MoveEnd; j++) EXPECT_EQ(MoveHistory[j], history[j]) << where;
        for (int i = 0; i < read - 1; i++) EXPECT_EQ(MarkGrid[i], marks[i]) << where;
    }
}

TEST_F(PuzzleFiles, FlippedBytesNeverBreakTheState) {
    PlayGame(1);
    std::string path = Path("full.txt");
    ASSERT_EQ(SaveGameFile(path.c_str()), 1);
    const std::string bytes = Read(path);
    std::mt19937 random(4);
    for (size_t at = 0; at < bytes.size(); at += 3) {
        std::string damaged = bytes;
        damaged[at] = char(damaged[at] ^ (1 << random() % 8));
        ResetForTest();
        LoadGameFile(Write("flip.txt", damaged).c_str());
        std::string where = "byte " + std::to_string(at);
        ExpectConsistent(where.c_str());
        ChangePosition(POS_BEGIN, 0, 0);
        ChangePosition(POS_END, 0, 0);
        ExpectConsistent(where.c_str());
    }
}

// --- the open, reopen and browse commands ---

TEST_F(PuzzleFiles, OpeningACollectionShowsItsFirstPuzzleInSetupMode) {
    std::strcpy(CurrentFile, Write("c.txt", Collection(4)).c_str());
    OpenChosenFile();
    EXPECT_EQ(AnalysisOptions.setupMode, 1u);
    EXPECT_EQ(BoardDigits(), PUZZLE);
    EXPECT_EQ(CollectionIndex, 0);
    EXPECT_EQ(CollectionCount, 4);
    EXPECT_EQ(MovePos, 0);
    EXPECT_EQ(MoveEnd, 4);
    EXPECT_EQ(Recorded.clockRuns, 0);
    EXPECT_GE(Recorded.titles, 1);
}

TEST_F(PuzzleFiles, OpeningASavedGameChecksItAndStartsTheClock) {
    PlayGame(1);
    std::strcpy(CurrentFile, Path("g.txt").c_str());
    ASSERT_EQ(SaveGameFile(CurrentFile), 1);
    ResetForTest();
    std::strcpy(CurrentFile, Path("g.txt").c_str());
    OpenChosenFile();
    EXPECT_EQ(AnalysisOptions.setupMode, 0u);
    EXPECT_EQ(MovePos, 4);
    EXPECT_EQ(MoveEnd, 5);
    EXPECT_EQ(CollectionIndex, -1);
    EXPECT_EQ(Recorded.clockRuns, 1);
    EXPECT_EQ(MarkGrid[4], 0x005); // the file's marks are kept
}

TEST_F(PuzzleFiles, OpeningAMissingFileKeepsTheGame) {
    LoadGivens(PUZZLE);
    ChangePosition(POS_ENTER, 1, 1);
    std::strcpy(CurrentFile, Path("none.txt").c_str());
    OpenChosenFile();
    EXPECT_EQ(MovePos, 1); // not left asking for a count
    EXPECT_EQ(MoveEnd, 1);
    EXPECT_EQ(Board[1], 0x81);
    EXPECT_EQ(Recorded.clockRuns, 1); // the session refresh still runs
}

TEST_F(PuzzleFiles, BrowsingMovesThroughTheCollection) {
    std::strcpy(CurrentFile, Write("c.txt", Collection(4)).c_str());
    OpenChosenFile();
    EXPECT_EQ(BrowseCollection(NAV_UNDO), 1); // not below the first
    EXPECT_EQ(MovePos, 0);
    EXPECT_EQ(BrowseCollection(NAV_REDO), 1);
    EXPECT_EQ(BoardDigits(), OTHER);
    EXPECT_EQ(CollectionIndex, 1);
    EXPECT_EQ(BrowseCollection(NAV_END), 1);
    EXPECT_EQ(MovePos, 3);
    EXPECT_EQ(BrowseCollection(NAV_REDO), 1); // stays on the last
    EXPECT_EQ(MovePos, 3);
    EXPECT_EQ(BrowseCollection(NAV_END), 0); // on the last: "Goto Position"
    EXPECT_EQ(GotoCollectionPuzzle(3), 1);
    EXPECT_EQ(CollectionIndex, 2);
    EXPECT_EQ(BoardDigits(), PUZZLE);
    EXPECT_EQ(GotoCollectionPuzzle(70000), 1); // held to the last puzzle
    EXPECT_EQ(MovePos, 3);
    EXPECT_EQ(GotoCollectionPuzzle(-5), 1);
    EXPECT_EQ(MovePos, 0);
    EXPECT_EQ(BrowseCollection(NAV_BEGIN), 1);
    EXPECT_EQ(CollectionCount, 4);
}

TEST_F(PuzzleFiles, BrowsingWithoutACollectionKeepsTheBoard) {
    LoadGivens(PUZZLE);
    AnalysisOptions.setupMode = 1;
    std::strcpy(CurrentFile, Write("g.txt", Collection(1)).c_str());
    EXPECT_EQ(BrowseCollection(NAV_REDO), -1);
    EXPECT_EQ(GotoCollectionPuzzle(1), 0);
    EXPECT_EQ(BoardDigits(), PUZZLE);
}

TEST_F(PuzzleFiles, ReopenReloadsTheCollectionPuzzleShown) {
    std::strcpy(CurrentFile, Write("c.txt", Collection(4)).c_str());
    OpenChosenFile();
    BrowseCollection(NAV_REDO);
    AnalysisOptions.setupMode = 0; // left setup mode and played on
    LoadGivens(PUZZLE);
    ChangePosition(POS_ENTER, 1, 1);
    EXPECT_EQ(ReopenCollection(), 1);
    EXPECT_EQ(BoardDigits(), OTHER);
    EXPECT_EQ(MovePos, 1);
    EXPECT_EQ(MoveEnd, 4);

    CollectionIndex = -1;
    EXPECT_EQ(ReopenCollection(), 0); // no collection shown: the caller opens the dialog
    std::strcpy(CurrentFile, Path("gone.txt").c_str());
    CollectionIndex = 2;
    AnalysisOptions.setupMode = 0;
    LoadGivens(PUZZLE);
    ChangePosition(POS_ENTER, 1, 1);
    EXPECT_EQ(ReopenCollection(), 0);
    EXPECT_EQ(MovePos, 1); // the history keeps its counters
    EXPECT_EQ(MoveEnd, 1);
}

TEST_F(PuzzleFiles, FailedSaveLeavesTheOldFile) {
    LoadGivens(PUZZLE);
    std::string path = Write("g.txt", "old contents");
    fs::create_directory(path + ".quadrivo-tmp"); // the temporary file cannot be created
    EXPECT_EQ(SaveGameFile(path.c_str()), 0);
    EXPECT_EQ(Read(path), "old contents");
    fs::remove(path + ".quadrivo-tmp");
    EXPECT_EQ(SaveGameFile(path.c_str()), 1);
    EXPECT_EQ(Read(path).substr(0, 13), "4.. ... 8.5\r\n");
    EXPECT_FALSE(fs::exists(path + ".quadrivo-tmp"));
    EXPECT_EQ(SaveGameFile(Path("no/such/folder/g.txt").c_str()), 0);
}
// --- the fuzz targets' seeds and every input a fuzz run found, replayed ---

// The files of fuzz/seeds/NAME and fuzz/regressions/NAME.
std::vector<std::string> FuzzInputs(const char* name) {
    std::vector<std::string> paths;
    for (const char* kind : {"seeds", "regressions"}) {
        fs::path folder = fs::path(QUADRIVO_SOURCE_DIR) / "fuzz" / kind / name;
        if (!fs::is_directory(folder)) continue;
        for (const auto& entry : fs::directory_iterator(folder)) paths.push_back(entry.path());
    }
    return paths;
}

// What the fuzz targets do after each reader: refresh, check, analyse, walk the history.
// The input's last byte chooses the techniques and the grid analysed; -1 keeps the options.
void Exercise(const std::string& where, int selector) {
    ExpectConsistent(where.c_str());
    ChangePosition(POS_REFRESH, 0, 0);
    CheckPosition();
    AnalysisOptions.techniques |= TECH_ANALYSIS;
    if (selector >= 0) {
        // The costly almost-locked-set search on one input in four.
        AnalysisOptions.techniques = TECH_ANALYSIS | (uint32_t(selector) & 0x1E) |
                                     ((selector & 0x60) == 0x60 ? TECH_ALS : 0);
        AnalysisOptions.showCandidates = (selector & 0x80) != 0;
    }
    if (AnalysisOptions.showCandidates) ComputeCandidates();
    RunAnalysis();
    if (!AnalysisOptions.setupMode) {
        ChangePosition(POS_END, 0, 0);
        ChangePosition(POS_BEGIN, 0, 0);
        ChangePosition(POS_END, 0, 0);
    }
    ExpectConsistent(where.c_str());
}

class FuzzInputsReplayed : public PuzzleFiles {
  protected:
    int Selector(const std::string& path) {
        std::string bytes = Read(path);
        return bytes.empty() ? 0 : uint8_t(bytes.back());
    }
};

TEST_F(FuzzInputsReplayed, SavedGames) {
    std::vector<std::string> inputs = FuzzInputs("gamefile");
    EXPECT_FALSE(inputs.empty());
    for (const std::string& path : inputs) {
        ResetForTest();
        if (Read(path)[0] & 1) AnalysisOptions.blockFormat = LAYOUT_9X9 | EMPTY_DASHES;
        EXPECT_GE(LoadGameFile(path.c_str()), 1) << path;
        Exercise(path, Selector(path));
    }
}

TEST_F(FuzzInputsReplayed, Collections) {
    std::vector<std::string> inputs = FuzzInputs("collection");
    EXPECT_FALSE(inputs.empty());
    for (const std::string& path : inputs) {
        ResetForTest();
        std::strcpy(CurrentFile, path.c_str());
        OpenChosenFile();
        Exercise(path, Selector(path));
        if (CollectionIndex >= 0)
            for (int id : {NAV_REDO, NAV_END, NAV_UNDO, NAV_BEGIN}) BrowseCollection(id);
        ExpectConsistent(path.c_str());
    }
}

TEST_F(FuzzInputsReplayed, SettingsFiles) {
    std::vector<std::string> inputs = FuzzInputs("settings");
    EXPECT_FALSE(inputs.empty());
    for (const std::string& path : inputs) {
        ResetForTest();
        SetSettingsPath(path.c_str());
        TransferSettings(1);
        Exercise(path, -1);
    }
}

TEST_F(FuzzInputsReplayed, Texts) {
    std::vector<std::string> inputs = FuzzInputs("text");
    EXPECT_FALSE(inputs.empty());
    for (const std::string& path : inputs) {
        ResetForTest();
        std::string bytes = Read(path);
        AnalysisOptions.blockFormat = bytes.empty() ? DEFAULT_BLOCK_FORMAT : uint8_t(bytes[0]);
        ParsePuzzleText(bytes.empty() ? "" : bytes.c_str() + 1);
        Exercise(path, Selector(path));
    }
}
} // namespace
