// Almost locked sets: n cells of one unit holding n + 1 digits; the ALS-XZ pair rule and
// the ALS-chain rule.
#pragma once
#include "model/board.h"
#include <cstdint>

constexpr int ALS_MAX = 1024;
constexpr int ALS_PAIRS_MAX = 4095;

struct AlsPairRecord {
    uint16_t digits; // restricted common digits
    uint16_t first, second;
};

extern int AlsCount;
extern int AlsPairCount;
extern AlsPairRecord AlsPairTable[ALS_PAIRS_MAX];

int FindAlmostLockedSets();
void AddAls(int unit, uint32_t positions, int size);
void RecordAlsPair(int first, int second);
DigitMask AlsUnion(int cell, int als);
int SeesAllOfDigit(int cell, int als, DigitMask digit);
int TryAlsChain(int als);
int TryAlsPair(int cell, int pair);
// The size and cells of ALS i (for display and tests); returns the size.
int AlsCells(int als, const uint8_t** cells);

void ResetAlsModule();
