#include "exactcover/dlx.h"
