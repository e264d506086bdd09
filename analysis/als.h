// Almost locked sets: n cells of one unit holding n + 1 digits; the ALS-XZ pair rule and
// the ALS-chain rule.
#pragma once
#include "analysis/cellset.h"
#include "model/board.h"
#include <cstdint>

struct Analysis;

constexpr int ALS_MAX = 1024;
constexpr int ALS_PAIRS_MAX = 4095;

struct AlsPairRecord {
    uint16_t digits; // restricted common digits
    uint16_t first, second;
};

// Returns 1 when a step was found and recorded, else 0: the ALS-chain rule on every set, then the
// ALS-XZ rule on every cell and pair. The sets are collected afresh when AlsCount is 0.
int FindAlmostLockedSets(Analysis* A);
// Adds the set of the unit's cells at the positions (bits 0..8) when its `size` cells hold
// size + 1 digits and it is not listed yet (and the table has room).
void AddAls(Analysis* A, int unit, uint32_t positions, int size);
// The ALS-chain rule on one set; returns 1 when a step was recorded.
int TryAlsChain(Analysis* A, int als);
// Empties the table of sets, so the next search collects them afresh.
void EmptyAlsTable(Analysis* A);
// The size and cells of ALS i (for display and tests); returns the size.
int AlsCells(Analysis* A, int als, const uint8_t** cells);

// Writes the chains of the almost-locked-set step in the record from the chain graph the
// search left: the ALS chain's proof and the chains of its other targets, and every link the
// graph gave the sets.
struct StepRecord;
void CompleteAlsStep(Analysis* A, StepRecord* step);

// Working tables of the search (held in the Analysis record).
// What the searches need of each set, taken from the AnalysisGrid at the start of a search
// (the grid does not change during one): its digits, its cells, per digit the cells holding
// it and the cells that see all of those.
struct AlsInfoRecord {
    DigitMask digits;
    CellSet cells;
    CellSet digitCells[9];
    CellSet seenBy[9];
};
// A set of sets, bit i for set i.
constexpr int ALS_WORDS = ALS_MAX / 64;
struct AlsBits {
    uint64_t w[ALS_WORDS];
};
// SeesAll of every cell at once, per set and digit index d, valid while `stamp` equals
// SeesStamp: `sees` holds the cells t for which SeesAll(t, set, digit) is 1, `unsure` those
// for which it would ask a link query whose answer is not known yet; every other cell gets
// 0, asking only questions with known answers. Answers only become known during a search and
// never change, so sets made earlier in the same search stay right outside their (larger)
// `unsure`; SeesStamp moves on with each search and when LinkKnown has changed.
struct AlsSeesRecord {
    uint32_t stamp;
    CellSet sees[9], unsure[9];
};
// For cell a and digit index d, what PairDigitLinked meets at a for every set j at once:
// `stops` holds the sets with a d-cell that is neither a peer of a nor known linked to it (the
// walk stops at a), `asks` those of them whose first such cell has no known answer (the walk
// would ask). Valid for the search `search` and for LinkKnown[a][d] as copied here.
struct AlsStopRecord {
    uint32_t search;
    CellSet linked, unlinked;
    AlsBits stops, asks;
};
// Slots of the set lookup of AddAls.
constexpr int ALS_HASH_SLOTS = 2048;
