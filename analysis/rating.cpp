#include "analysis/rating.h"
