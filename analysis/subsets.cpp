#include "analysis/subsets.h"
