// The puzzle as text: the four layouts and three empty-cell styles, and reading any text back.
#include "control/session.h"
#include "files/text.h"
#include "model/board.h"
#include "model/options.h"
#include "tests/support.h"
#include <algorithm>
#include <string>

namespace {
class Text : public CoreTest {
  protected:
    std::string Format(uint32_t format) {
        S->AnalysisOptions.blockFormat = format;
        FormatPuzzleText(S, buffer);
        return buffer;
    }
    char buffer[TEXT_BUFFER_SIZE] = {}; // one for the test, so a text missing its end shows
    void Parse(const std::string& text, uint32_t format) {
        S->AnalysisOptions.blockFormat = format;
        ParsePuzzleText(S, text.c_str());
    }
};

// Each text follows a longer one in the shared buffer, so a missing end shows.
TEST_F(Text, LayoutsAndEmptyCellStylesWriteTheirExactShapes) {
    std::string dots, nulls;
    for (int r = 0; r < 9; r++) dots += (r ? "\r\n" : "") + std::string(9, '.');
    for (int r = 0; r < 9; r++)
        nulls += (r ? (r % 3 ? "\r\n" : "\r\n\r\n") : "") + std::string("000 000 000");
    const struct {
        const char* puzzle;
        uint32_t format;
        std::string text;
    } CASES[] = {
        {SAMPLE_PUZZLE, LAYOUT_RULED | EMPTY_DOTS,
         "4..|...|8.5\r\n.3.|...|...\r\n...|7..|...\r\n---+---+---\r\n.2.|...|.6.\r\n"
         "...|.8.|4..\r\n...|.1.|...\r\n---+---+---\r\n...|6.3|.7.\r\n5..|2..|...\r\n1.4|...|..."},
        {"", LAYOUT_3X3 | EMPTY_NULLS, nulls},
        {"", DEFAULT_BLOCK_FORMAT, dots},
        {SAMPLE_PUZZLE, LAYOUT_LINEAR | EMPTY_DOTS, SAMPLE_PUZZLE},
        // The empty-cell style falls back from nulls to dots to dashes; no layout bit is linear.
        {"", LAYOUT_LINEAR | EMPTY_NULLS | EMPTY_DOTS | EMPTY_DASHES, std::string(81, '0')},
        {"", LAYOUT_LINEAR | EMPTY_DOTS | EMPTY_DASHES, std::string(81, '.')},
        {"", LAYOUT_LINEAR, std::string(81, '-')},
        {"", 0, std::string(81, '-')},
    };
    for (const auto& c : CASES) {
        LoadGivens(c.puzzle);
        EXPECT_EQ(Format(c.format), c.text) << std::hex << c.format;
    }
}

TEST_F(Text, EntriesReadBackAsGivensAndRulesWithDashesAsEmptyRows) {
    LoadGivens(SAMPLE_PUZZLE);
    S->Board[1] = 0x80 | 0x30 | 6; // purple 6, entered: written and read back as a given
    const std::string digits = BoardDigits();
    // (Every layout and style of any text read is written back and read alike by the text fuzz
    // target, whose inputs the file tests replay.)
    std::string text = Format(LAYOUT_3X3 | EMPTY_DASHES);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end()); // LF line ends read alike
    ClearBoard(S);
    Parse(text, LAYOUT_3X3 | EMPTY_DASHES);
    EXPECT_EQ(BoardDigits(), digits) << text;
    EXPECT_EQ(S->Board[1], 6);
    // Read with dashes, each rule line is nine empty cells and the later digits slide on.
    Parse(Format(LAYOUT_RULED | EMPTY_DOTS), LAYOUT_RULED | EMPTY_DOTS | EMPTY_DASHES);
    const std::string rule(9, '.');
    EXPECT_EQ(BoardDigits(),
              digits.substr(0, 27) + rule + digits.substr(27, 27) + rule + digits.substr(54, 9));
}

TEST_F(Text, ShortTextEmptiesTheRestLongTextIsCutOtherCharactersUseNoCell) {
    const struct {
        std::string text;
        uint32_t format;
        std::string digits;
    } CASES[] = {
        {std::string(40, '7'), DEFAULT_BLOCK_FORMAT, std::string(40, '7') + std::string(41, '.')},
        {std::string(81, '3') + "55555", DEFAULT_BLOCK_FORMAT, std::string(81, '3')},
        {"", DEFAULT_BLOCK_FORMAT, std::string(81, '.')},
        {"x*1 \t|+\r\n\xC3\xA9\xFF"
         "2abc0z3",
         DEFAULT_BLOCK_FORMAT, "12.3" + std::string(77, '.')},
        {"1-2", LAYOUT_LINEAR | EMPTY_DOTS, "12" + std::string(79, '.')},
        {"1-2", LAYOUT_LINEAR | EMPTY_DASHES, "1.2" + std::string(78, '.')},
    };
    for (const auto& c : CASES) {
        Parse(c.text, c.format);
        EXPECT_EQ(BoardDigits(), c.digits) << c.text;
    }
}
} // namespace
