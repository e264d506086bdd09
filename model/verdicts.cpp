#include "model/verdicts.h"
void ResetVerdictsModule() {}
