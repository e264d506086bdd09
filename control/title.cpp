// The window title from CurrentFile and CollectionIndex; the shell asks for it whenever the core
// says the title may have changed.
#include "control/title.h"
#include "files/puzzlefile.h"
#include "model/hooks.h"
#include <cstdio>
#include <cstring>

void TitleText(char* out, int size) {
    if (!CurrentFile[0]) {
        std::snprintf(out, size_t(size), "%s", PROGRAM_NAME);
        return;
    }
    const char* slash = std::strrchr(CurrentFile, '/');
    const char* name = slash ? slash + 1 : CurrentFile;
    if (CollectionIndex >= 0)
        std::snprintf(out, size_t(size), "{%s} #%d", name, CollectionIndex + 1);
    else
        std::snprintf(out, size_t(size), "{%s}", name);
}
