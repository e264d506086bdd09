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
#include <memory>

int FuzzText(const uint8_t* data, size_t size) {
    // The fast target changes nothing but the Board, so one session serves every input.
    static Session* kept = FUZZ_DEEP ? nullptr : new Session;
    std::unique_ptr<Session> session(FUZZ_DEEP ? new Session : nullptr);
    Session* S = FUZZ_DEEP ? session.get() : kept;
    static char text[4096 + 1];
    size_t length = size > 1 ? size - 1 : 0;
    if (length > 4096) length = 4096;
    if (length) std::memcpy(text, data + 1, length);
    text[length] = 0;
    S->AnalysisOptions.blockFormat = size ? data[0] : DEFAULT_BLOCK_FORMAT;
    ParsePuzzleText(S, text);
    CheckInvariants(S);

    // Round trip: every layout except ruled-with-dashes gives back the digits.
    uint8_t digits[81];
    std::memcpy(digits, S->Board, sizeof digits);
    for (uint32_t layout : {LAYOUT_LINEAR, LAYOUT_9X9, LAYOUT_3X3, LAYOUT_RULED})
        for (uint32_t empty : {EMPTY_NULLS, EMPTY_DOTS, EMPTY_DASHES}) {
            if (layout == LAYOUT_RULED && empty == EMPTY_DASHES) continue;
            S->AnalysisOptions.blockFormat = layout | empty;
            char text[TEXT_BUFFER_SIZE];
            FormatPuzzleText(S, text);
            if (std::strlen(text) >= TEXT_BUFFER_SIZE) __builtin_trap();
            ParsePuzzleText(S, text);
            if (std::memcmp(S->Board, digits, sizeof digits) != 0) __builtin_trap();
        }
    if (FUZZ_DEEP) ExerciseLoadedGame(S, Selector(data, size));
    return 0;
}

FUZZ_TARGET(FuzzText)
