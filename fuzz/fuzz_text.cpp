// Fuzz target: ParsePuzzleText on any text. The first byte is blockFormat; the rest the text.
// Afterwards the text written back in every layout must read back to the same digits. The deep
// target then runs the analysis, which the last byte selects (fuzz_support.h).
#include "control/session.h"
#include "files/text.h"
#include "fuzz/fuzz_support.h"
#include "model/board.h"
#include "model/options.h"
#include <cstring>
#include <initializer_list>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (FUZZ_DEEP) ResetAllModules(); // the fast target changes nothing but the Board
    static char text[4096 + 1];
    size_t length = size > 1 ? size - 1 : 0;
    if (length > 4096) length = 4096;
    if (length) std::memcpy(text, data + 1, length);
    text[length] = 0;
    S->AnalysisOptions.blockFormat = size ? data[0] : DEFAULT_BLOCK_FORMAT;
    ParsePuzzleText(text);
    CheckInvariants();

    // Round trip: every layout except ruled-with-dashes gives back the digits.
    uint8_t digits[81];
    std::memcpy(digits, S->Board, sizeof digits);
    for (uint32_t layout : {LAYOUT_LINEAR, LAYOUT_9X9, LAYOUT_3X3, LAYOUT_RULED})
        for (uint32_t empty : {EMPTY_NULLS, EMPTY_DOTS, EMPTY_DASHES}) {
            if (layout == LAYOUT_RULED && empty == EMPTY_DASHES) continue;
            S->AnalysisOptions.blockFormat = layout | empty;
            char text[TEXT_BUFFER_SIZE];
            FormatPuzzleText(text);
            if (std::strlen(text) >= TEXT_BUFFER_SIZE) __builtin_trap();
            ParsePuzzleText(text);
            if (std::memcmp(S->Board, digits, sizeof digits) != 0) __builtin_trap();
        }
    if (FUZZ_DEEP) ExerciseLoadedGame(Selector(data, size));
    return 0;
}
