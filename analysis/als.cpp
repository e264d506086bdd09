// Temporary: replaced by the almost-locked-sets technique.
#include "analysis/als.h"
int AlsCount; int AlsPairCount;
int FindAlmostLockedSets() { return 0; }
void ResetAlsModule() { AlsCount = 0; AlsPairCount = 0; }
