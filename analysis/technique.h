// Every technique of the analysis, one enum for both orders of solving. The player's table
// (player.h, TECHNIQUE_TABLE) holds a row for each value below TQ_COUNT; the classic order is
// CLASSIC_TECHNIQUES, the techniques the classic driver can record, in the sequence it tries
// them, each with its StepKind: the family bit a run returns (PendingStep) and that the rating
// charges (StepCost). Two techniques only the classic order knows follow TQ_COUNT.
#pragma once
#include <cstdint>

enum Technique : int {
    TQ_NONE = 0,
    TQ_FULL_HOUSE,
    TQ_HIDDEN_SINGLE_BOX,
    TQ_HIDDEN_SINGLE_LINE,
    TQ_NAKED_SINGLE,
    TQ_POINTING,
    TQ_CLAIMING,
    TQ_NAKED_PAIR,
    TQ_HIDDEN_PAIR,
    TQ_NAKED_TRIPLE,
    TQ_HIDDEN_TRIPLE,
    TQ_NAKED_QUAD,
    TQ_HIDDEN_QUAD,
    TQ_X_WING,
    TQ_SWORDFISH,
    TQ_JELLYFISH,
    TQ_SKYSCRAPER,
    TQ_TWO_STRING_KITE,
    TQ_TURBOT_FISH,
    TQ_EMPTY_RECTANGLE,
    TQ_XY_WING,
    TQ_XYZ_WING,
    TQ_W_WING,
    TQ_REMOTE_PAIR,
    TQ_UNIQUE_RECTANGLE, // variant: type 1..6, 7 hidden rectangle
    TQ_BUG_PLUS_ONE,
    TQ_FINNED_X_WING, // variant 1: sashimi
    TQ_FINNED_SWORDFISH,
    TQ_FINNED_JELLYFISH,
    TQ_WXYZ_WING,
    TQ_SUE_DE_COQ,
    TQ_X_CHAIN,
    TQ_XY_CHAIN,
    TQ_AIC,    // variant 1: continuous nice loop; classic: a forcing chain a = ... = b
    TQ_ALS_XZ, // variant 1: doubly linked
    TQ_ALS_XY_WING,
    TQ_ALS_CHAIN,
    TQ_DEATH_BLOSSOM,
    TQ_FORCING_CHAIN, // a candidate whose singles lead to a contradiction
    TQ_CELL_FORCING,  // every digit of a cell leads by singles to one conclusion
    TQ_UNIT_FORCING,  // every place of a digit in a unit leads by singles to one conclusion
    TQ_FORCING_NET,   // the same with locked candidates among the singles
    TQ_COUNT,         // the player's table ends here
    // Classic only:
    TQ_SINGLES_CLASH = TQ_COUNT, // singles found, none to enter: a cell must take two digits
    TQ_BOX_LINES,                // a box's digit on two lines, each with one link outside
    TQ_END
};

// StepKind: what a classic driver run found, 0 or the technique bit of the family that found
// the step (singles 1).
enum StepKind : int {
    STEP_NONE = 0,
    STEP_SINGLES = 1,
    STEP_SUBSETS = 2, // TECH_SUBSETS
    STEP_LOCKED = 4,  // TECH_LOCKED
    STEP_GRID = 8,    // TECH_GRID
    STEP_CHAINS = 16, // TECH_CHAINS
    STEP_ALS = 32,    // TECH_ALS
};

// A technique of the classic order with its family.
struct ClassicTechniqueRow {
    int technique;
    int kind; // StepKind
};
// The classic order: the techniques in the sequence the driver tries them (the singles all at
// once, subsets of two to four, locked candidates, fish of two to four lines, forcing chains,
// almost locked sets); a subset's search names it naked when the rest of its unit is the
// smaller naked subset.
constexpr ClassicTechniqueRow CLASSIC_TECHNIQUES[] = {
    {TQ_NAKED_SINGLE, STEP_SINGLES},       // the cell's only candidate
    {TQ_HIDDEN_SINGLE_LINE, STEP_SINGLES}, // the only place in its row or column
    {TQ_HIDDEN_SINGLE_BOX, STEP_SINGLES},  // the only place in its box
    {TQ_SINGLES_CLASH, STEP_SINGLES},      // singles, none to enter
    {TQ_HIDDEN_PAIR, STEP_SUBSETS},        // two digits in two cells of a unit
    {TQ_NAKED_PAIR, STEP_SUBSETS},         // the rest of a hidden subset's unit
    {TQ_HIDDEN_TRIPLE, STEP_SUBSETS},      // three in three
    {TQ_NAKED_TRIPLE, STEP_SUBSETS},       // the rest of a hidden triple or quad
    {TQ_HIDDEN_QUAD, STEP_SUBSETS},        // four in four
    {TQ_NAKED_QUAD, STEP_SUBSETS},         // the rest of a hidden quad
    {TQ_POINTING, STEP_LOCKED},            // a box's digit on one line
    {TQ_CLAIMING, STEP_LOCKED},            // a line's digit in one box
    {TQ_BOX_LINES, STEP_LOCKED},           // a box's digit on two lines
    {TQ_X_WING, STEP_GRID},                // two base lines
    {TQ_FINNED_X_WING, STEP_GRID},         // finned or sashimi
    {TQ_SWORDFISH, STEP_GRID},             // three
    {TQ_FINNED_SWORDFISH, STEP_GRID},      // finned or sashimi
    {TQ_JELLYFISH, STEP_GRID},             // four
    {TQ_FINNED_JELLYFISH, STEP_GRID},      // finned or sashimi
    {TQ_AIC, STEP_CHAINS},                 // forcing chain, named by its shape
    {TQ_ALS_XZ, STEP_ALS},                 // sets A and B, singly or doubly linked
    {TQ_ALS_CHAIN, STEP_ALS},              // set A and a chain
};
static_assert(sizeof CLASSIC_TECHNIQUES / sizeof CLASSIC_TECHNIQUES[0] == 22);

// The classic family of a technique: its StepKind, STEP_NONE for one the classic order lacks.
constexpr int ClassicKind(int technique) {
    for (const ClassicTechniqueRow& row : CLASSIC_TECHNIQUES)
        if (row.technique == technique) return row.kind;
    return STEP_NONE;
}

// The sized techniques the classic searches record: a subset of 2..4 cells, naked or hidden,
// and a fish of 2..4 lines, with fins or without.
constexpr int SubsetTechnique(bool naked, int size) {
    return (naked ? TQ_NAKED_PAIR : TQ_HIDDEN_PAIR) + 2 * (size - 2);
}
constexpr int FishTechnique(int size, bool finned) {
    return (finned ? TQ_FINNED_X_WING : TQ_X_WING) + size - 2;
}
constexpr bool IsSingleTechnique(int t) {
    return t == TQ_FULL_HOUSE || t == TQ_HIDDEN_SINGLE_BOX || t == TQ_HIDDEN_SINGLE_LINE ||
           t == TQ_NAKED_SINGLE || t == TQ_SINGLES_CLASH;
}
constexpr bool IsNakedSubset(int t) {
    return t == TQ_NAKED_PAIR || t == TQ_NAKED_TRIPLE || t == TQ_NAKED_QUAD;
}
constexpr bool IsHiddenSubset(int t) {
    return t == TQ_HIDDEN_PAIR || t == TQ_HIDDEN_TRIPLE || t == TQ_HIDDEN_QUAD;
}
constexpr bool IsBasicFish(int t) {
    return t >= TQ_X_WING && t <= TQ_JELLYFISH;
}
constexpr bool IsFinnedFish(int t) {
    return t >= TQ_FINNED_X_WING && t <= TQ_FINNED_JELLYFISH;
}
static_assert(SubsetTechnique(true, 4) == TQ_NAKED_QUAD &&
              SubsetTechnique(false, 3) == TQ_HIDDEN_TRIPLE &&
              FishTechnique(4, false) == TQ_JELLYFISH &&
              FishTechnique(3, true) == TQ_FINNED_SWORDFISH);
