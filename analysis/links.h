// The cell-link query of the almost-locked-sets search: whether the chain graph proves that two
// cells cannot both hold a digit, with the cache of answers and what is known without asking.
#pragma once
#include "analysis/cellset.h"
#include "model/board.h"
#include <cstdint>

struct Analysis;

constexpr int LINK_CACHE_MAX = 2048;

// Cache entry: bits 24-31 cell b | 16-23 cell a | 15 linked | 9-14 zero | 0-8 the one digit.
constexpr uint32_t LINK_CACHE_LINKED = 0x8000;

// 1 when the graph proves cellA and cellB cannot both hold the digit (one digit), else -1.
// Asks only with TECH_CHAINS and AlsChainLinks both on (else -1), answers from the cache when
// the pair was asked before in either order, and stores a new answer while the cache has room.
// Shows nothing: the board's display list is the chosen step's.
int QueryAlsLink(Analysis* A, int cellA, int cellB, DigitMask digit);
// Empties the LinkCache.
void EmptyLinkCache(Analysis* A);

// Answers of QueryAlsLink that asking again would not change, for cell a and digit index d
// (the digit d + 1): `linked` holds the cells b for which QueryAlsLink(a, b, digit) answers 1,
// `unlinked` those answering -1; `linkedBy` and `unlinkedBy` the same relation seen from b
// (the cells a). A cell in none of them may change the LinkCache when asked.
struct LinkKnownRecord {
    CellSet linked, unlinked, linkedBy, unlinkedBy;
};
// Brings LinkKnown in line with the LinkCache and the graph; returns a
// stamp that changes whenever LinkKnown has changed.
uint32_t SyncLinkKnown(Analysis* A);
