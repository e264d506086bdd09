// Fuzz target: TransferSettings load on any file, keeping the options it brings (the analysis
// switched on), then refresh, check, analysis and a walk through the history.
#include "control/session.h"
#include "files/settings.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetAllModules();
    SetSettingsPath(InputFile(data, size));
    TransferSettings(SETTINGS_LOAD);
    ExerciseLoadedGame(-1);
    ExerciseHistory();
    return 0;
}
