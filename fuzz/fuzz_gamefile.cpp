// Fuzz target: LoadGameFile on any file (the first byte's low bit chooses EMPTY_DASHES); the
// deep target then refreshes, checks and analyses the position and walks through its history.
#include "control/session.h"
#include "files/gamefile.h"
#include "fuzz/fuzz_support.h"
#include "model/options.h"
#include <memory>

int FuzzGameFile(const uint8_t* data, size_t size) {
    auto session = std::make_unique<Session>();
    Session* S = session.get();
    if (size && (data[0] & 1)) S->AnalysisOptions.blockFormat = LAYOUT_9X9 | EMPTY_DASHES;
    LoadGameFile(S, InputFile(data, size));
    CheckInvariants(S);
    if (!FUZZ_DEEP) return 0;
    ExerciseLoadedGame(S, Selector(data, size));
    ExerciseHistory(S);
    return 0;
}

FUZZ_TARGET(FuzzGameFile)
