// Hidden subsets of size 2..4 (naked subsets appear as the hidden subset of the rest of the unit).
#pragma once
#include "model/board.h"

struct Analysis;

// Returns 1 when a hidden subset of this size (2..4) was found and recorded, else 0.
int FindSubsets(Analysis* A, int size);
