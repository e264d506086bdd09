// The puzzle as text: the four layouts and three empty-cell styles, and reading any text back.
#include "files/text.h"
#include "model/board.h"
#include "model/options.h"
#include "tests/support.h"
#include <cstring>
#include <string>

namespace {
class Text : public CoreTest {
  protected:
    std::string Format(uint32_t format) {
        AnalysisOptions.blockFormat = format;
        char text[TEXT_BUFFER_SIZE];
        std::memset(text, 'Z', sizeof text);
        FormatPuzzleText(text);
        return text;
    }
    void Parse(const char* text, uint32_t format) {
        AnalysisOptions.blockFormat = format;
        ParsePuzzleText(text);
    }
};

const char* PUZZLE =
    "4.....8.5.3..........7......2.....6.....8.4......1.......6.3.7.5..2.....1.4......";

constexpr uint32_t LAYOUTS[] = {LAYOUT_LINEAR, LAYOUT_9X9, LAYOUT_3X3, LAYOUT_RULED};
constexpr uint32_t EMPTIES[] = {EMPTY_NULLS, EMPTY_DOTS, EMPTY_DASHES};
constexpr size_t LENGTHS[] = {81, 97, 119, 141};

std::string Lines(std::initializer_list<const char*> lines) {
    std::string text;
    bool first = true;
    for (const char* line : lines) {
        text += (first ? "" : "\r\n") + std::string(line);
        first = false;
    }
    return text;
}

TEST_F(Text, EmptyBoardInNineByNineDotsIsNineLinesWithoutTrailingLineEnd) {
    ResetState(RESET_ALL);
    std::string row(9, '.');
    std::string expected = row;
    for (int r = 1; r < 9; r++) expected += "\r\n" + row;
    EXPECT_EQ(Format(DEFAULT_BLOCK_FORMAT), expected);
    EXPECT_EQ(expected.size(), 97u);
}

TEST_F(Text, EmptyBoardInBoxesWithNullsHasEmptyLinesBetweenBands) {
    ResetState(RESET_ALL);
    const char* row = "000 000 000";
    EXPECT_EQ(Format(LAYOUT_3X3 | EMPTY_NULLS),
              Lines({row, row, row, "", row, row, row, "", row, row, row}));
}

TEST_F(Text, RuledLayoutHasBarsAndRuleLinesBetweenBands) {
    LoadGivens(PUZZLE);
    EXPECT_EQ(Format(LAYOUT_RULED | EMPTY_DOTS),
              Lines({"4..|...|8.5", ".3.|...|...", "...|7..|...", "---+---+---", ".2.|...|.6.",
                     "...|.8.|4..", "...|.1.|...", "---+---+---", "...|6.3|.7.", "5..|2..|...",
                     "1.4|...|..."}));
}

TEST_F(Text, EveryLayoutHasItsLengthInEveryStyle) {
    LoadGivens(PUZZLE);
    for (int l = 0; l < 4; l++)
        for (uint32_t empty : EMPTIES)
            EXPECT_EQ(Format(LAYOUTS[l] | empty).size(), LENGTHS[l]) << l << " " << empty;
}

TEST_F(Text, EmptyCellStyleFallsBackFromNullsToDotsToDashes) {
    ResetState(RESET_ALL);
    EXPECT_EQ(Format(LAYOUT_LINEAR | EMPTY_NULLS | EMPTY_DOTS | EMPTY_DASHES),
              std::string(81, '0'));
    EXPECT_EQ(Format(LAYOUT_LINEAR | EMPTY_DOTS | EMPTY_DASHES), std::string(81, '.'));
    EXPECT_EQ(Format(LAYOUT_LINEAR), std::string(81, '-'));
    EXPECT_EQ(Format(0), std::string(81, '-')); // no layout bit: one line
}

TEST_F(Text, EveryLayoutAndStyleReadsBackToTheSameDigits) {
    LoadGivens(PUZZLE);
    const std::string digits = BoardDigits();
    for (uint32_t layout : LAYOUTS)
        for (uint32_t empty : EMPTIES) {
            if (layout == LAYOUT_RULED && empty == EMPTY_DASHES) continue; // rules would count
            std::string text = Format(layout | empty);
            ResetState(RESET_BOARD);
            Parse(text.c_str(), layout | empty);
            EXPECT_EQ(BoardDigits(), digits) << text;
        }
}

TEST_F(Text, EnteredDigitsAreWrittenAndReadBackAsGivens) {
    LoadGivens(PUZZLE);
    Board[1] = 0x80 | 0x30 | 6; // purple 6, entered
    std::string text = Format(LAYOUT_LINEAR | EMPTY_DOTS);
    EXPECT_EQ(text[1], '6');
    Parse(text.c_str(), LAYOUT_LINEAR | EMPTY_DOTS);
    EXPECT_EQ(Board[1], 6);
    for (int i = 0; i < 81; i++) EXPECT_EQ(Board[i] & ~CELL_DIGIT, 0) << i;
}

TEST_F(Text, RuledTextReadWithDashesSlidesDigitsPastTheRuleLine) {
    LoadGivens(PUZZLE);
    std::string text = Format(LAYOUT_RULED | EMPTY_DOTS);
    Parse(text.c_str(), LAYOUT_RULED | EMPTY_DOTS | EMPTY_DASHES);
    std::string read = BoardDigits(), original(PUZZLE);
    EXPECT_EQ(read.substr(0, 27), original.substr(0, 27));
    EXPECT_EQ(read.substr(27, 9), std::string(9, '.')); // the nine dashes of the rule
    EXPECT_EQ(read.substr(36, 27), original.substr(27, 27));
    EXPECT_EQ(read.substr(63, 9), std::string(9, '.')); // the second rule
    EXPECT_EQ(read.substr(72, 9), original.substr(54, 9));
}

TEST_F(Text, DashIsSkippedUnlessDashesAreTheEmptyStyle) {
    Parse("1-2", LAYOUT_LINEAR | EMPTY_DOTS);
    EXPECT_EQ(BoardDigits().substr(0, 3), "12.");
    Parse("1-2", LAYOUT_LINEAR | EMPTY_DASHES);
    EXPECT_EQ(BoardDigits().substr(0, 3), "1.2");
}

TEST_F(Text, ShortTextEmptiesTheRestAndLongTextIsCut) {
    std::string forty(40, '7');
    Parse(forty.c_str(), DEFAULT_BLOCK_FORMAT);
    EXPECT_EQ(BoardDigits(), forty + std::string(41, '.'));
    std::string hundred = std::string(81, '3') + std::string(19, '5');
    Parse(hundred.c_str(), DEFAULT_BLOCK_FORMAT);
    EXPECT_EQ(BoardDigits(), std::string(81, '3'));
    Parse("", DEFAULT_BLOCK_FORMAT);
    EXPECT_EQ(BoardDigits(), std::string(81, '.'));
}

TEST_F(Text, OtherCharactersUseNoCell) {
    Parse("x*1 \t|+\r\n\xC3\xA9\xFF"
          "2abc0z3",
          DEFAULT_BLOCK_FORMAT);
    EXPECT_EQ(BoardDigits().substr(0, 5), "12.3.");
    EXPECT_EQ(Board[0], 1);
}
} // namespace
