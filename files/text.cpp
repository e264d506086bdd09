#include "files/text.h"
void ResetTextModule() {}
