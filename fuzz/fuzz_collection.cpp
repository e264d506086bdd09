// Fuzz target: LoadCollectionEntry on any file, in count mode and in load mode at the first,
// second and last positions; the deep target analyses each position loaded, then runs the open
// command, which falls back to the saved-game reader.
#include "control/session.h"
#include "files/puzzlefile.h"
#include "fuzz/fuzz_support.h"
#include "model/history.h"
#include "model/options.h"
#include <cstring>
#include <initializer_list>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetAllModules();
    const char* path = InputFile(data, size);
    int count = CountCollection(path);
    for (int position : {0, 1, count - 1}) {
        if (LoadCollectionEntry(path, position < 0 ? 0 : position, count) == 0)
            continue; // no such line: the state is cleared
        CheckInvariants();
        if (FUZZ_DEEP) ExerciseLoadedGame(Selector(data, size));
    }
    if (!FUZZ_DEEP) return 0;

    ResetAllModules();
    std::strcpy(S->CurrentFile, path);
    OpenChosenFile();
    ExerciseLoadedGame(Selector(data, size));
    if (S->CollectionIndex >= 0) {
        for (int id : {131, 133, 130, 132}) BrowseCollection(id);
        GotoCollectionPuzzle(count);
        CheckInvariants();
    } else {
        ExerciseHistory();
    }
    return 0;
}
