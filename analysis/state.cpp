#include "analysis/state.h"
void ResetStateModule() {}
