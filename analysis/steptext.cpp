#include "analysis/steptext.h"
