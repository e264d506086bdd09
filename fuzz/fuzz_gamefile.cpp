// Fuzz target: LoadGameFile on any file (the first byte's low bit chooses EMPTY_DASHES), then
// the position is refreshed, checked, analysed and walked through its history.
#include "control/session.h"
#include "files/puzzlefile.h"
#include "fuzz/fuzz_support.h"
#include "model/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetAllModules();
    if (size && (data[0] & 1)) AnalysisOptions.blockFormat = LAYOUT_9X9 | EMPTY_DASHES;
    LoadGameFile(InputFile(data, size));
    ExerciseLoadedGame(Selector(data, size));
    ExerciseHistory();
    return 0;
}
