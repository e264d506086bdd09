// The settings file: every field written and read back, the byte layout, where the file lives,
// wrong versions, truncation at every length and hostile values.
#include "files/settings.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {
const char* PUZZLE =
    "4.....8.5.3..........7......2.....6.....8.4......1.......6.3.7.5..2.....1.4......";

// Everything the file carries, for comparing two states.
struct GameState {
    uint8_t board[81];
    MoveRecord history[HISTORY_SLOTS];
    int pos, end;
    DigitMask marks[81];
    AnalysisOptionsRecord options;
    static GameState Now() {
        GameState s;
        std::memcpy(s.board, Board, sizeof s.board);
        std::memcpy(s.history, MoveHistory, sizeof s.history);
        s.pos = MovePos;
        s.end = MoveEnd;
        std::memcpy(s.marks, MarkGrid, sizeof s.marks);
        s.options = AnalysisOptions;
        return s;
    }
};

class Settings : public CoreTest {
  protected:
    fs::path folder;
    std::string file;
    void SetUp() override {
        CoreTest::SetUp();
        folder = fs::path(::testing::TempDir()) /
                 ("quadrivo-settings-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        file = (folder / "quadrivo.ini").string();
        SetSettingsPath(file.c_str());
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string Bytes() {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void WriteBytes(const std::string& bytes) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    }
    // Starts over as a fresh program run that reads the file.
    void Restart() {
        ResetForTest();
        SetSettingsPath(file.c_str());
        TransferSettings(1);
    }
    // A game with entries in every colour, two moves to redo, marks and unusual options.
    void PlayGame() {
        LoadGivens(PUZZLE);
        const int moves[][2] = {{1, 1}, {2, 2}, {3, 3}, {11, 6}, {12, 5}};
        for (int i = 0; i < 5; i++) {
            AnalysisOptions.numberColour = uint32_t(i % 4);
            ChangePosition(POS_ENTER, moves[i][0], moves[i][1]);
        }
        ChangePosition(POS_UNDO, 0, 0);
        ChangePosition(POS_UNDO, 0, 0);
        LoadMarks(1);
        MarkGrid[4] = 0x1A5;
        MoveHistory[40] = 0x1234; // a stale slot past MoveEnd is kept as it is
        uint32_t words[16];
        for (int i = 0; i < 16; i++) words[i] = 0x01020304u * uint32_t(i + 1);
        words[0] = 0; // not setup mode
        std::memcpy(&AnalysisOptions, words, sizeof words);
    }
};

unsigned Le16(const std::string& b, int at) {
    return uint8_t(b[at]) | unsigned(uint8_t(b[at + 1])) << 8;
}

TEST_F(Settings, EveryFieldReadsBack) {
    PlayGame();
    const GameState saved = GameState::Now();
    TransferSettings(0);
    Restart();
    const GameState read = GameState::Now();
    EXPECT_EQ(std::memcmp(read.board, saved.board, 81), 0);
    EXPECT_EQ(std::memcmp(read.history, saved.history, sizeof read.history), 0);
    EXPECT_EQ(read.pos, 3);
    EXPECT_EQ(read.end, 5);
    EXPECT_EQ(std::memcmp(read.marks, saved.marks, sizeof read.marks), 0);
    EXPECT_EQ(std::memcmp(&read.options, &saved.options, sizeof read.options), 0);
    EXPECT_EQ(std::memcmp(MarkSnapshot, MarkGrid, sizeof MarkGrid), 0);
    EXPECT_EQ(SavedMarks[0], NO_SAVED_MARKS);
    EXPECT_EQ(Recorded.status[0], "[ 3] R1C4 = 3"); // the move the position stands on
    EXPECT_TRUE(Recorded.navEnabled[1]);
    EXPECT_EQ(Recorded.toggleUpdates, 1);
}

TEST_F(Settings, FileHasTheLayoutAtItsOffsets) {
    PlayGame();
    TransferSettings(0);
    const std::string b = Bytes();
    ASSERT_EQ(b.size(), size_t(SETTINGS_SIZE));
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(std::memcmp(b.data() + 32, Board, 81), 0);
    EXPECT_EQ(Le16(b, 113 + 2 * 1), MoveHistory[1]);
    EXPECT_EQ(Le16(b, 277), 3u);
    EXPECT_EQ(Le16(b, 279), 5u);
    EXPECT_EQ(Le16(b, 281 + 2 * 4), 0x1A5u);
    EXPECT_EQ(b.substr(443, 96), std::string(96, '\0'));
    EXPECT_EQ(b.substr(539 + 4 * 8, 4), std::string("\x24\x1B\x12\x09", 4)); // blockFormat
}

TEST_F(Settings, SetupModeKeepsTheCollectionPositionPastTheHistory) {
    LoadGivens(PUZZLE);
    for (int i = 0; i < 81; i++)
        if (Board[i]) Board[i] |= CELL_ENTERED;
    AnalysisOptions.setupMode = 1;
    MovePos = 299;
    MoveEnd = 500;
    TransferSettings(0);
    Restart();
    EXPECT_EQ(AnalysisOptions.setupMode, 1u);
    EXPECT_EQ(MovePos, 299);
    EXPECT_EQ(MoveEnd, 500);
    EXPECT_EQ(Board[0], 0x84);
    EXPECT_EQ(Recorded.status[0], "Pos = 300");
}

TEST_F(Settings, NoFileOrWrongVersionKeepsTheDefaults) {
    Restart(); // no file yet
    EXPECT_EQ(std::string(BUILTIN_PUZZLE).substr(0, 9), BoardDigits().substr(0, 9));
    EXPECT_EQ(AnalysisOptions.blockFormat, DEFAULT_BLOCK_FORMAT);
    EXPECT_EQ(AnalysisOptions.techniques, DEFAULT_TECHNIQUES);
    EXPECT_EQ(MoveEnd, 0);
    TransferSettings(0);
    EXPECT_EQ(Bytes().size(), size_t(SETTINGS_SIZE)); // created at exit

    for (char version : {'\x02', '\x00', '\xFF'}) {
        PlayGame();
        TransferSettings(0);
        std::string b = Bytes();
        b[0] = version;
        WriteBytes(b);
        Restart();
        EXPECT_EQ(BoardDigits().substr(0, 9), std::string(BUILTIN_PUZZLE).substr(0, 9));
        EXPECT_EQ(AnalysisOptions.blockFormat, DEFAULT_BLOCK_FORMAT);
        EXPECT_EQ(MoveEnd, 0);
    }
}

TEST_F(Settings, TruncatedFileFillsTheFieldsItCovers) {
    PlayGame();
    TransferSettings(0);
    const std::string full = Bytes();
    const GameState saved = GameState::Now();
    for (int length = 0; length < SETTINGS_SIZE; length++) {
        WriteBytes(full.substr(0, size_t(length)));
        Restart();
        std::string where = "length " + std::to_string(length);
        for (int i = 0; i < 81; i++) {
            char builtin = BUILTIN_PUZZLE[i];
            uint8_t fresh = builtin >= '1' && builtin <= '9' ? uint8_t(builtin - '0') : 0;
            ASSERT_EQ(Board[i], length > 32 + i ? saved.board[i] : fresh) << where << " cell " << i;
        }
        // A field the cut runs through is half new, half old.
        const uint32_t format = AnalysisOptions.blockFormat;
        if (length >= 539 + 36) {
            ASSERT_EQ(format, saved.options.blockFormat) << where;
        } else if (length <= 539 + 32) {
            ASSERT_EQ(format, DEFAULT_BLOCK_FORMAT) << where;
        }
        ASSERT_TRUE(0 <= MovePos && MovePos <= MoveEnd && MoveEnd <= 81) << where;
        if (length >= 281 + 10) {
            ASSERT_EQ(MarkGrid[4], saved.marks[4]) << where;
        } else if (length <= 281 + 8) {
            ASSERT_EQ(MarkGrid[4], 0) << where;
        }
    }
}

TEST_F(Settings, HostileValuesAreBroughtIntoRange) {
    PlayGame();
    TransferSettings(0);
    std::string b = Bytes();
    b[32 + 1] = char(0x8A);  // digit 10
    b[32 + 2] = char(0x80);  // flags without a digit
    b[32 + 3] = char(0xFF);  // digit 15
    b[113 + 2 * 1 + 1] = 90; // record 1 names cell 90
    b[113 + 2 * 3] = 0;      // record 3 has no digit
    b[279] = 0x10;           // MoveEnd 16: past the moves made, still in range
    b[277] = char(0xFF);     // MovePos 0xFFFF
    b[278] = char(0xFF);
    b[281] = char(0xFF); // marks 0xFFFF
    b[282] = char(0xFF);
    WriteBytes(b);
    Restart();
    EXPECT_EQ(Board[1], 0);
    EXPECT_EQ(Board[2], 0);
    EXPECT_EQ(Board[3], 0);
    EXPECT_EQ(MarkGrid[0], ALL_DIGITS);
    EXPECT_EQ(MoveEnd, 3); // records 1 and 3 and the empty slots 5..15 dropped
    EXPECT_EQ(MovePos, 3);
    EXPECT_EQ(MoveHistory[2], (12 << 8 | 0x80 | 0x00 | 5)); // the fifth move, colour 0
    for (int j = 0; j < MoveEnd; j++) {
        int d = MoveHistory[j] & CELL_DIGIT;
        EXPECT_TRUE((MoveHistory[j] >> 8) <= 80 && d >= 1 && d <= 9) << j;
    }
    ChangePosition(POS_BEGIN, 0, 0);
    ChangePosition(POS_END, 0, 0);
    ChangePosition(POS_ENTER, 80, 9);
    EXPECT_LE(MoveEnd, 81);

    b[539] = 7;
    WriteBytes(b);
    Restart();
    EXPECT_EQ(AnalysisOptions.setupMode, 1u); // a flag
    EXPECT_EQ(MovePos, 0xFFFF);               // a collection position, not a move
}

TEST_F(Settings, FileLivesInTheConfigurationFolder) {
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    std::string keepConfig = oldConfig ? oldConfig : "", keepHome = oldHome ? oldHome : "";
    SetSettingsPath(nullptr);
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    EXPECT_EQ(SettingsPath(), (folder / "config" / "quadrivo" / "quadrivo.ini").string());
    TransferSettings(0); // creates the folder
    EXPECT_EQ(fs::file_size(folder / "config" / "quadrivo" / "quadrivo.ini"), 603u);
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("HOME", (folder / "home").c_str(), 1);
    EXPECT_EQ(SettingsPath(), (folder / "home" / ".config" / "quadrivo" / "quadrivo.ini").string());
    unsetenv("HOME");
    EXPECT_EQ(SettingsPath(), "");
    TransferSettings(0); // nowhere to write: silently nothing
    oldConfig ? setenv("XDG_CONFIG_HOME", keepConfig.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    oldHome ? setenv("HOME", keepHome.c_str(), 1) : unsetenv("HOME");
}

TEST_F(Settings, FailedSaveLeavesTheOldFile) {
    PlayGame();
    TransferSettings(0);
    const std::string before = Bytes();
    fs::create_directory(file + ".quadrivo-tmp"); // the temporary file cannot be created
    LoadGivens(PUZZLE);
    TransferSettings(0);
    EXPECT_EQ(Bytes(), before);
}
} // namespace
