// Fuzz target: LoadSettings on any file; the deep target keeps the options it brings
// (the analysis switched on) for a refresh, check, analysis and a walk through the history.
#include "control/session.h"
#include "files/settings.h"
#include "fuzz/fuzz_support.h"
#include <memory>

int FuzzSettings(const uint8_t* data, size_t size) {
    auto session = std::make_unique<Session>();
    Session* S = session.get();
    SetSettingsPath(InputFile(data, size));
    LoadSettings(S);
    CheckInvariants(S);
    if (!FUZZ_DEEP) return 0;
    ExerciseLoadedGame(S, -1);
    ExerciseHistory(S);
    return 0;
}

FUZZ_TARGET(FuzzSettings)
