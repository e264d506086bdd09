#include "exactcover/count.h"
uint8_t SolutionGrid[81]; void ResetCountModule() {}
