#include "files/puzzlefile.h"
void ResetPuzzleFileModule() {}
