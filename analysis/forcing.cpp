#include "analysis/forcing.h"
