// Fuzz target: LoadCollectionEntry on any file, in count mode and in load mode at the first,
// second and last positions; the deep target analyses each position loaded, then runs the open
// command, which falls back to the saved-game reader.
#include "control/session.h"
#include "files/collection.h"
#include "fuzz/fuzz_support.h"
#include "model/history.h"
#include "model/options.h"
#include <cstring>
#include <initializer_list>
#include <memory>

int FuzzCollection(const uint8_t* data, size_t size) {
    auto session = std::make_unique<Session>();
    Session* S = session.get();
    const char* path = InputFile(data, size);
    int count = CountCollection(S, path);
    for (int position : {0, 1, count - 1}) {
        if (LoadCollectionEntry(S, path, position < 0 ? 0 : position) == 0)
            continue;       // no such line: the state is cleared
        RefreshPosition(S); // as the open command does
        CheckInvariants(S);
        if (FUZZ_DEEP) ExerciseLoadedGame(S, Selector(data, size));
    }
    if (!FUZZ_DEEP) return 0;

    session = std::make_unique<Session>();
    S = session.get();
    std::strcpy(S->CurrentFile, path);
    OpenChosenFile(S);
    ExerciseLoadedGame(S, Selector(data, size));
    if (S->CollectionIndex >= 0) {
        for (NavButton button :
             {NavButton::Redo, NavButton::GoToEnd, NavButton::Undo, NavButton::GoToStart})
            BrowseCollection(S, button);
        GotoCollectionPuzzle(S, count);
        CheckInvariants(S);
    } else {
        ExerciseHistory(S);
    }
    return 0;
}

FUZZ_TARGET(FuzzCollection)
