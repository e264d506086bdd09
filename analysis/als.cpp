#include "analysis/als.h"
void ResetAlsModule() {}
