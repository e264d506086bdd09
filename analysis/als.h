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

// Returns 1 when a step was found and marked, else 0: the ALS-chain rule on every set, then the
// ALS-XZ rule on every cell and pair. The sets are collected afresh when AlsCount is 0.
int FindAlmostLockedSets();
// Adds the set of the unit's cells at the positions (bits 0..8) when its `size` cells hold
// size + 1 digits and it is not listed yet (and the table has room).
void AddAls(int unit, uint32_t positions, int size);
// The ALS-chain rule on one set; returns 1 when a step was marked.
int TryAlsChain(int als);
// Empties the table of sets, so the next search collects them afresh.
void EmptyAlsTable();
// The size and cells of ALS i (for display and tests); returns the size.
int AlsCells(int als, const uint8_t** cells);

// Writes the chains of the almost-locked-set step in the record from the chain graph the
// search left: the ALS chain's proof and the chains of its other targets, and every link the
// graph gave the sets.
struct StepRecord;
void CompleteAlsStep(StepRecord* step);

void ResetAlsModule();
