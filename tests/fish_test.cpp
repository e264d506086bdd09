// Locked candidates, the box-and-two-lines pattern (both modes) and fish of size 2..4: where
// each fires, where it must not, and which shape is shown first.
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/fish.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "control/session.h"
#include "model/marks.h"
#include "tests/support.h"
#include <algorithm>
#include <sstream>
#include <string>

namespace {
// Every digit everywhere, but for the rows given as "ROW:CELLS ...": a 0-based row and its nine
// cells, 'x' where the digit may go, '.' where not (a row given twice: the last counts).
void Places(int digit, const std::string& rows) {
    std::istringstream in(rows);
    int row;
    std::string cells;
    for (char colon; in >> row >> colon >> cells;)
        for (int c = 0; c < 9; c++)
            S->MarkGrid[9 * row + c] = cells[c] == 'x'
                                           ? S->MarkGrid[9 * row + c] | DigitBit(digit)
                                           : S->MarkGrid[9 * row + c] & ~DigitBit(digit);
}

// Box-and-two-lines on row 1 and column 1: the box holds the digit at r1c2, r1c3, r2c1, r3c1;
// row 1 has it outside only at r1c6, column 1 only at r6c1; r6c6 sees both.
const std::string BOX_LINE = "0:.xx..x... 1:x..xxxxxx 2:x..xxxxxx 3:.xxxxxxxx 4:.xxxxxxxx "
                             "6:.xxxxxxxx 7:.xxxxxxxx 8:.xxxxxxxx";

// Where digit 5 may go, the size searched, and the step's marks ("" for none). Applying a
// step removes 5 from its targets only.
const struct {
    const char* name;
    std::string rows;
    int size;
    const char* marks;
} CASES[] = {
    {"pointing: the top-middle box holds 5 only in row 1", "1:xxx...xxx 2:xxx...xxx", 1,
     "0:2000 1:2000 2:2000 3:4010 4:4010 5:4010 6:2000 7:2000 8:2000"},
    {"boxes against rows (box 9, row 9) before boxes against columns (box 1, column 1)",
     "0:x..xxxxxx 1:x..xxxxxx 2:x..xxxxxx 6:xxxxxx... 7:xxxxxx...", 1,
     "72:2000 73:2000 74:2000 75:2000 76:2000 77:2000 78:4010 79:4010 80:4010"},
    {"claiming: row 1's 5s in box 1 remove 5 from the first column of the box with a target",
     "0:xx....... 1:.xxxxxxxx 2:..xxxxxxx", 1, "0:4010 1:4010 10:2000"},
    {"box and two lines", BOX_LINE, 1, "1:4010 2:4010 5:3000 9:4010 18:4010 45:3000 50:2000"},
    {"box and two lines rejected: the crossing r1c1 holds 5", BOX_LINE + " 0:xxx..x...", 1, ""},
    {"X-wing in rows 5, 6 before the one in columns 1, 2 (r4c7 keeps a finned one out)",
     "1:..xxxxxxx 2:..xxxxxxx 3:..xxxx.xx 4:..x....x. 5:..x....x. 6:..xxxxxxx 7:..xxxxxxx", 2,
     "2:2000 7:2000 11:2000 16:2000 20:2000 25:2000 29:2000 34:2000 38:4010 43:4010 47:4010 "
     "52:4010 56:2000 61:2000 65:2000 70:2000 74:2000 79:2000"},
    {"finned X-wing: rows 2, 5 with a fin at r2c9 reach only the fin box",
     "1:..x....xx 4:..x....x.", 2, "7:2000 11:4010 16:4010 17:4010 25:2000 38:4010 43:4010"},
    {"finned X-wing with no target in the fin box",
     "0:xxxxxxx.x 1:..x....xx 2:xxxxxxx.x 4:..x....x.", 2, ""},
    {"swordfish in rows 1, 5, 9", "0:.x..x.... 4:....x..x. 8:.x.....x.", 3,
     "1:4010 4:4010 10:2000 13:2000 16:2000 19:2000 22:2000 25:2000 28:2000 31:2000 34:2000 "
     "40:4010 43:4010 46:2000 49:2000 52:2000 55:2000 58:2000 61:2000 64:2000 67:2000 "
     "70:2000 73:4010 79:4010"},
};

class Fish : public CoreTest {};

TEST_F(Fish, ShapesFoundAndNotFound) {
    for (const auto& c : CASES) {
        SCOPED_TRACE(c.name);
        ResetForTest();
        OpenAllMarks();
        Places(5, c.rows);
        EXPECT_EQ(FindFish(S->A, c.size), *c.marks ? 1 : 0);
        MarkCurrentStep(S->A); // the finder only records; the step is then shown
        EXPECT_EQ(StepMarksText(), c.marks);
        DigitMask before[81];
        std::copy(S->MarkGrid, S->MarkGrid + 81, before);
        ApplyStep(S->A, c.size == 1 ? STEP_LOCKED : STEP_GRID, false);
        for (int i = 0; i < 81; i++)
            ASSERT_EQ(S->MarkGrid[i],
                      S->A->StepMarks[i] == MARK_TARGET ? before[i] & ~0x010 : before[i]);
    }
}

// A finned fish is sashimi when a base line holding a fin has, without it, no candidate left in
// the fin box: here row 2 keeps r2c8 beside its fin r2c9, then loses it.
TEST_F(Fish, FinnedOrSashimiByTheFinsLine) {
    const struct {
        const char* rows;
        const char* text;
    } shapes[] = {
        {"1:..x....xx 4:..x....x.",
         "Finned X-wing 5 in rows 2,5, columns 3,8, fin r2c9: r1c8, r3c8 lose 5"},
        {"1:..x.....x 4:..x....x.",
         "Sashimi X-wing 5 in rows 2,5, columns 3,8, fin r2c9: r1c8, r3c8 lose 5"},
    };
    for (const auto& shape : shapes) {
        ResetForTest();
        OpenAllMarks();
        Places(5, shape.rows);
        ASSERT_EQ(FindFish(S->A, 2), 1);
        char text[STEP_TEXT_SIZE];
        DescribeStep(S->A, STEP_GRID, text, sizeof text);
        EXPECT_EQ(std::string(text), shape.text);
    }
}

TEST_F(Fish, ALowerDigitWinsWithAnyShape) {
    OpenAllMarks();
    Places(2, BOX_LINE);                  // digit 2: only box-and-two-lines
    Places(3, "1:xxx...xxx 2:xxx...xxx"); // digit 3: plain pointing
    EXPECT_EQ(FindFish(S->A, 1), 1);
    MarkCurrentStep(S->A);
    EXPECT_EQ(StepMarksText(), "1:4002 2:4002 5:3000 9:4002 18:4002 45:3000 50:2000");
}
} // namespace
