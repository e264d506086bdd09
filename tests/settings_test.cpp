// The settings file: every field written and read back, the byte layout, where the file lives,
// wrong versions, truncation at every length, and files that cannot be read.
#include "files/puzzlefile.h"
#include "files/settings.h"
#include "fuzz/fuzz_support.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {
class Settings : public FileTest {
  protected:
    std::string file;
    void SetUp() override {
        FileTest::SetUp();
        file = Path("quadrivo.ini");
        SetSettingsPath(file.c_str());
    }
    // Starts over as a fresh program run that reads the file.
    void Restart() {
        ResetForTest();
        SetSettingsPath(file.c_str());
        LoadSettings();
    }
    // A game with entries in every colour, two moves to redo, marks and unusual options, saved.
    std::string SaveGame() {
        PlaySampleGame(2, 0x1A5);
        MoveHistory[40] = 0x1234; // a stale slot past MoveEnd is kept as it is
        uint32_t words[16];
        for (int i = 0; i < 16; i++) words[i] = 0x01020304u * uint32_t(i + 1);
        words[0] = 0; // not setup mode
        std::memcpy(&AnalysisOptions, words, sizeof words);
        SaveSettings();
        return ReadBytes(file);
    }
};

TEST_F(Settings, EveryFieldIsAtItsOffsetAndReadsBack) {
    const std::string b = SaveGame();
    auto le16 = [&b](int at) { return uint8_t(b[at]) | unsigned(uint8_t(b[at + 1])) << 8; };
    ASSERT_EQ(b.size(), size_t(SETTINGS_SIZE));
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(std::memcmp(b.data() + 32, Board, 81), 0);
    EXPECT_EQ(le16(113 + 2 * 1), MoveHistory[1]);
    EXPECT_EQ(le16(277), 3u); // MovePos
    EXPECT_EQ(le16(279), 5u); // MoveEnd
    EXPECT_EQ(le16(281 + 2 * 4), 0x1A5u);
    EXPECT_EQ(b.substr(443, 96), std::string(96, '\0'));
    EXPECT_EQ(b.substr(539 + 4 * 8, 4), std::string("\x24\x1B\x12\x09", 4)); // blockFormat
    Restart();
    SaveSettings(); // everything read comes back out unchanged
    EXPECT_EQ(ReadBytes(file), b);
    EXPECT_EQ(std::memcmp(MarkSnapshot, MarkGrid, sizeof MarkGrid), 0);
    EXPECT_EQ(Recorded.status[PANE_MOVE], "[ 3] R1C4 = 3"); // the move the position stands on
    EXPECT_EQ(Recorded.toggleUpdates, 1);

    // In setup mode MovePos and MoveEnd are a collection position and count, kept past the
    // history.
    Board[0] |= CELL_ENTERED;
    AnalysisOptions.setupMode = 1;
    MovePos = 299;
    MoveEnd = 500;
    SaveSettings();
    Restart();
    EXPECT_EQ(AnalysisOptions.setupMode, 1u);
    EXPECT_EQ(MovePos, 299);
    EXPECT_EQ(MoveEnd, 500);
    EXPECT_EQ(Board[0], 0x84);
    EXPECT_EQ(Recorded.status[PANE_MOVE], "Pos = 300");
}

// No file, or another version: the start-up state stays; the file is created at exit. A file
// cut anywhere fills the fields it covers, and a field the cut runs through is half new.
TEST_F(Settings, MissingWrongVersionAndTruncatedFiles) {
    Restart();
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
    SaveSettings();
    EXPECT_EQ(ReadBytes(file).size(), size_t(SETTINGS_SIZE));
    std::string full = SaveGame();
    uint8_t board[81];
    std::memcpy(board, Board, sizeof board);
    const DigitMask mark = MarkGrid[4];
    const uint32_t format = AnalysisOptions.blockFormat;
    for (char version : {'\x02', '\x00', '\xFF'}) {
        std::string b = full;
        b[0] = version;
        Write("quadrivo.ini", b);
        Restart();
        EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE) << int(version);
        EXPECT_EQ(AnalysisOptions.blockFormat, DEFAULT_BLOCK_FORMAT);
        EXPECT_EQ(AnalysisOptions.techniques, DEFAULT_TECHNIQUES);
        EXPECT_EQ(MoveEnd, 0);
    }
    for (int length = 0; length < SETTINGS_SIZE; length++) {
        SCOPED_TRACE("length " + std::to_string(length));
        Write("quadrivo.ini", full.substr(0, size_t(length)));
        Restart();
        for (int i = 0; i < 81; i++) {
            const char builtin = BUILTIN_PUZZLE[i];
            const uint8_t fresh = builtin >= '1' && builtin <= '9' ? uint8_t(builtin - '0') : 0;
            ASSERT_EQ(Board[i], length > 32 + i ? board[i] : fresh) << "cell " << i;
        }
        ASSERT_EQ(BrokenInvariant(), nullptr);
        // A field the cut runs through is half new, half old.
        const bool markWhole = length >= 281 + 10 || length <= 281 + 8;
        const bool formatWhole = length >= 539 + 36 || length <= 539 + 32;
        ASSERT_TRUE(!markWhole || MarkGrid[4] == (length > 289 ? mark : 0));
        ASSERT_TRUE(!formatWhole ||
                    AnalysisOptions.blockFormat == (length > 571 ? format : DEFAULT_BLOCK_FORMAT));
    }
}

TEST_F(Settings, FileLivesInTheConfigurationFolder) {
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    std::string keepConfig = oldConfig ? oldConfig : "", keepHome = oldHome ? oldHome : "";
    SetSettingsPath(nullptr);
    setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);
    SaveSettings(); // creates the folder
    EXPECT_EQ(std::filesystem::file_size(Path("config/quadrivo/quadrivo.ini")), 603u);
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("HOME", Path("home").c_str(), 1);
    EXPECT_EQ(SettingsPath(), Path("home/.config/quadrivo/quadrivo.ini"));
    unsetenv("HOME");
    EXPECT_EQ(SaveSettings(), -1); // nowhere to write: nothing to report
    oldConfig ? setenv("XDG_CONFIG_HOME", keepConfig.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    oldHome ? setenv("HOME", keepHome.c_str(), 1) : unsetenv("HOME");
}

// A file that is there but cannot be read, here one the user may not read, is reported; the
// defaults stand, and the file is never written over. (A FIFO: Control.StartUp; a folder in
// its place: PuzzleFiles.PipesFoldersDevicesAndHugeFilesNeverHoldTheReader.)
TEST_F(Settings, UnreadableFileIsReportedAndKept) {
    const std::string saved = SaveGame();
    ASSERT_EQ(chmod(file.c_str(), 0), 0);
    ASSERT_TRUE(geteuid() != 0 || chown(file.c_str(), 65534, 65534) == 0);
    EXPECT_EQ(RunAsUser([&] {
                  Restart();
                  if (LastOpenError() != "cannot open " + file + ": Permission denied") return 1;
                  if (BoardDigits() != BUILTIN_PUZZLE) return 2;
                  return SaveSettings() == -1 ? 0 : 3;
              }),
              0);
    chmod(file.c_str(), 0600);
    EXPECT_TRUE(ReadBytes(file) == saved);
}

// The view settings keep to a side file of text lines, leaving the settings file as it is; a
// missing side file leaves the record alone, unknown lines and values out of range are skipped.
TEST_F(Settings, ViewSettingsKeepToTheirSideFile) {
    const std::string saved = SaveGame();
    ViewSettingsRecord view{0, 5, 4};
    EXPECT_EQ(LoadViewSettings(&view), 0);
    EXPECT_EQ(view.zoom, 5);
    view.zoom = 7;
    EXPECT_EQ(SaveViewSettings(view), 1);
    EXPECT_EQ(ReadBytes(Path("quadrivo-view.ini")), "HighlightDigit=0\nZoom=7\nCreateLevel=4\n");
    EXPECT_TRUE(ReadBytes(file) == saved);
    ViewSettingsRecord read;
    EXPECT_EQ(LoadViewSettings(&read), 1);
    EXPECT_EQ(read.highlightDigit, 0);
    EXPECT_EQ(read.zoom, 7);
    EXPECT_EQ(read.createLevel, 4);
    Write("quadrivo-view.ini", "[view]\r\nZoom=33\r\nHighlightDigit=2\nZoom=12\r\nZoom=-1\n"
                               "zoom=4\nHighlightDigit=0x\nZoom=\nCreateLevel=6\n");
    read = {};
    EXPECT_EQ(LoadViewSettings(&read), 1);
    EXPECT_EQ(read.highlightDigit, 1);
    EXPECT_EQ(read.zoom, 12);
    EXPECT_EQ(read.createLevel, 0);
}
} // namespace
