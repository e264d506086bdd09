// The settings file: every field written and read back, the byte layout, where the file lives,
// wrong versions and truncation at every length.
#include "control/commands.h"
#include "control/session.h"
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

namespace {
class Settings : public FileTest {
  protected:
    std::string file;
    void SetUp() override {
        FileTest::SetUp();
        file = Path("quadrivo.ini");
        SetSettingsPath(file.c_str());
    }
    // Starts over as a fresh program run that reads the file and shows what it brought.
    void Restart() {
        ResetForTest();
        SetSettingsPath(file.c_str());
        if (LoadSettings(S) == 2) ShowLoadedPosition(S);
    }
    // A game with entries in every colour, two moves to redo, marks and unusual options, saved.
    std::string SaveGame() {
        PlaySampleGame(2, 0x1A5);
        S->MoveHistory[40] = 0x1234; // a stale slot past MoveEnd is kept as it is
        uint32_t words[16];
        for (int i = 0; i < 16; i++) words[i] = 0x01020304u * uint32_t(i + 1);
        words[0] = 0; // not setup mode
        std::memcpy(&S->AnalysisOptions, words, sizeof words);
        SaveSettings(S);
        return ReadBytes(file);
    }
};

TEST_F(Settings, EveryFieldIsAtItsOffsetAndReadsBack) {
    const std::string b = SaveGame();
    auto le16 = [&b](int at) { return uint8_t(b[at]) | unsigned(uint8_t(b[at + 1])) << 8; };
    ASSERT_EQ(b.size(), size_t(SETTINGS_SIZE));
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(std::memcmp(b.data() + 32, S->Board, 81), 0);
    EXPECT_EQ(le16(281 + 2 * 4), 0x1A5u);                                    // MarkGrid[4]
    EXPECT_EQ(b.substr(539 + 4 * 8, 4), std::string("\x24\x1B\x12\x09", 4)); // blockFormat
    Restart();
    SaveSettings(S); // everything read comes back out unchanged
    EXPECT_EQ(ReadBytes(file), b);
    EXPECT_EQ(std::memcmp(S->MarkSnapshot, S->MarkGrid, sizeof S->MarkGrid), 0);
    EXPECT_EQ(Recorded.status[PANE_MOVE], "[ 3] R1C4 = 3"); // the move the position stands on

    // In setup mode the file's MovePos and MoveEnd bytes hold the collection position and
    // count, kept past the history; read back, they are the collection's again.
    S->Board[0] |= CELL_ENTERED;
    S->AnalysisOptions.setupMode = 1;
    S->CollectionIndex = 299;
    S->CollectionCount = 500;
    SaveSettings(S);
    EXPECT_EQ(ReadBytes(file).substr(277, 4), std::string("\x2B\x01\xF4\x01", 4));
    Restart();
    EXPECT_EQ(S->AnalysisOptions.setupMode, 1u);
    EXPECT_EQ(S->CollectionIndex, 299);
    EXPECT_EQ(S->CollectionCount, 500);
    EXPECT_EQ(S->MovePos, 0);
    EXPECT_EQ(S->Board[0], 0x84);
    EXPECT_EQ(Recorded.status[PANE_MOVE], "Pos = 300");
}

// A collection position past 65,535 comes back whole from the side file beside the 603 bytes,
// which keep its low 16 bits; a side file that disagrees with them is not believed.
TEST_F(Settings, CollectionPositionPast65535SurvivesARestart) {
    S->AnalysisOptions.setupMode = 1;
    S->CollectionIndex = 999999;
    S->CollectionCount = 1000000;
    EXPECT_EQ(ShutDown(S, 0), 1);
    EXPECT_EQ(ReadBytes(file).substr(277, 4), std::string("\x3F\x42\x40\x42", 4));
    Restart();
    EXPECT_EQ(S->CollectionIndex, 999999);
    EXPECT_EQ(S->CollectionCount, 1000000);
    EXPECT_EQ(Recorded.status[PANE_MOVE], "Pos = 1000000");

    S->CollectionIndex = 5; // the settings file written, the side file left as it was
    S->CollectionCount = 10;
    SaveSettings(S);
    Restart();
    EXPECT_EQ(S->CollectionIndex, 5);
    EXPECT_EQ(S->CollectionCount, 10);
}

// No file, or another version: the start-up state stays; the file is created at exit. A file
// cut anywhere fills the fields it covers, and a field the cut runs through is half new.
TEST_F(Settings, MissingWrongVersionAndTruncatedFiles) {
    Restart();
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
    SaveSettings(S);
    EXPECT_EQ(ReadBytes(file).size(), size_t(SETTINGS_SIZE));
    std::string full = SaveGame();
    uint8_t board[81];
    std::memcpy(board, S->Board, sizeof board);
    const DigitMask mark = S->MarkGrid[4];
    const uint32_t format = S->AnalysisOptions.blockFormat;
    for (char version : {'\x02', '\x00', '\xFF'}) {
        std::string b = full;
        b[0] = version;
        Write("quadrivo.ini", b);
        Restart();
        EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE) << int(version);
        EXPECT_EQ(S->AnalysisOptions.blockFormat, DEFAULT_BLOCK_FORMAT);
        EXPECT_EQ(S->AnalysisOptions.techniques, DEFAULT_TECHNIQUES);
        EXPECT_EQ(S->MoveEnd, 0);
    }
    for (int length = 0; length < SETTINGS_SIZE; length++) {
        SCOPED_TRACE("length " + std::to_string(length));
        Write("quadrivo.ini", full.substr(0, size_t(length)));
        Restart();
        for (int i = 0; i < 81; i++) {
            const char builtin = BUILTIN_PUZZLE[i];
            const uint8_t fresh = builtin >= '1' && builtin <= '9' ? uint8_t(builtin - '0') : 0;
            ASSERT_EQ(S->Board[i], length > 32 + i ? board[i] : fresh) << "cell " << i;
        }
        ASSERT_EQ(BrokenInvariant(S), nullptr);
        // A field the cut runs through is half new, half old.
        const bool markWhole = length >= 281 + 10 || length <= 281 + 8;
        const bool formatWhole = length >= 539 + 36 || length <= 539 + 32;
        ASSERT_TRUE(!markWhole || S->MarkGrid[4] == (length > 289 ? mark : 0));
        ASSERT_TRUE(!formatWhole || S->AnalysisOptions.blockFormat ==
                                        (length > 571 ? format : DEFAULT_BLOCK_FORMAT));
    }
}

} // namespace
