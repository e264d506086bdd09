#include "tests/support.h"
