// The window title from CurrentFile and CollectionIndex (and the technique practised); the shell
// asks for it whenever the core says the title may have changed.
#include "control/title.h"
#include "analysis/player.h"
#include "control/session.h"
#include "model/hooks.h"
#include <cstdio>
#include <cstring>

void TitleText(Session* S, char* out, int size) {
    if (!S->CurrentFile[0]) { // a new game: Save asks for a name
        if (S->Practised > TQ_NONE && S->Practised < TQ_COUNT &&
            S->PractisedSerial == S->PuzzleSerial) // the puzzle "Practice" made
            std::snprintf(out, size_t(size), "{not saved} Practice: %s",
                          TECHNIQUE_TABLE[S->Practised].name);
        else
            std::snprintf(out, size_t(size), "{not saved}");
        return;
    }
    const char* slash = std::strrchr(S->CurrentFile, '/');
    const char* name = slash ? slash + 1 : S->CurrentFile;
    if (S->CollectionIndex >= 0)
        std::snprintf(out, size_t(size), "{%s} #%d", name, S->CollectionIndex + 1);
    else
        std::snprintf(out, size_t(size), "{%s}", name);
}
