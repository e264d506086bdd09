#include "analysis/fish.h"
