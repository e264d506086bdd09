#include "analysis/driver.h"
int32_t ChainSelection = -1;
int32_t RatingScore = 0;
void ResetDriverModule() { ChainSelection = -1; RatingScore = 0; }
