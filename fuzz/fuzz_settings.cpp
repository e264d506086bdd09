// Fuzz target: LoadSettings on any file; the deep target keeps the options it brings
// (the analysis switched on) for a refresh, check, analysis and a walk through the history.
#include "control/session.h"
#include "files/settings.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetAllModules();
    SetSettingsPath(InputFile(data, size));
    LoadSettings();
    CheckInvariants();
    if (!FUZZ_DEEP) return 0;
    ExerciseLoadedGame(-1);
    ExerciseHistory();
    return 0;
}
