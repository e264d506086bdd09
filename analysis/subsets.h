// Hidden subsets of size 2..4 (naked subsets appear as the hidden subset of the rest of the unit).
#pragma once
#include "model/board.h"

int FindSubsets(int size);
int UnitCandidateUnion(int unit, DigitMask* unionOut);
int TryHiddenSubset(int unit, DigitMask digits, int size);
