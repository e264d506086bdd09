// The option record shared by the game model, the analysis and the settings file.
// Sixteen unsigned 32-bit words, stored and restored whole; each game holds one
// (`AnalysisOptions`).
#pragma once
#include <cstdint>

// Technique bits of `techniques` (a check box standing for a bit has the id 256 + bit).
constexpr uint32_t TECH_ANALYSIS = 0x001; // analysis on; singles always run
constexpr uint32_t TECH_SUBSETS = 0x002;  // hidden and naked subsets
constexpr uint32_t TECH_LOCKED = 0x004;   // locked candidates
constexpr uint32_t TECH_GRID = 0x008;     // fish of size 2..4
constexpr uint32_t TECH_CHAINS = 0x010;   // chain display and forcing chains
constexpr uint32_t TECH_ALS = 0x020;      // almost locked sets
// Asks the almost-locked-sets search to link through the chain graph from its first pass (the
// rating's start, a hint's --techniques mask); the analysis keeps it in AlsChainLinks, never here.
constexpr uint32_t TECH_ALS_CHAINS = 0x100;

// Layout and empty-cell bits of `blockFormat`.
constexpr uint32_t LAYOUT_LINEAR = 0x01;
constexpr uint32_t LAYOUT_9X9 = 0x02;
constexpr uint32_t LAYOUT_3X3 = 0x04;
constexpr uint32_t LAYOUT_RULED = 0x08;
constexpr uint32_t EMPTY_NULLS = 0x10;
constexpr uint32_t EMPTY_DOTS = 0x20;
constexpr uint32_t EMPTY_DASHES = 0x40;

struct AnalysisOptionsRecord {
    uint32_t setupMode;      // 0: 1 while the givens are being edited
    uint32_t pencilMarks;    // 1: taps toggle pencil marks
    uint32_t showCandidates; // 2: empty cells show (and the analysis uses) computed candidates
    uint32_t techniques;     // 3: TECH_ bits
    uint32_t wrongValues;    // 4: mark entries that differ from the solution
    uint32_t numberColour;   // 5: colour index of new entries, 0 Blue 1 Red 2 Green 3 Purple
    uint32_t unused6;
    uint32_t unused7;
    uint32_t blockFormat; // 8: LAYOUT_ | EMPTY_ bits of the puzzle as text
    uint32_t unused9[7];
};
static_assert(sizeof(AnalysisOptionsRecord) == 64, "the record is 16 words, saved whole");

constexpr uint32_t DEFAULT_TECHNIQUES = TECH_SUBSETS | TECH_LOCKED;
constexpr uint32_t DEFAULT_BLOCK_FORMAT = LAYOUT_9X9 | EMPTY_DOTS;
