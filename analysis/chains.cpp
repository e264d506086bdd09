#include "analysis/chains.h"
void ResetChainsModule() {}
