// The player's order: techniques as solving guides teach them, simplest first, from one table
// (name, level, rating on the Sudoku Explainer scale, finder, text writer, checker). Finders are
// pure queries on a PlayerGrid that fill a PlayerStep with every removal their pattern gives;
// nothing else changes until PlayerApply carries the chosen step out. The player's rating is the
// hardest step of the path that takes, at each point, the lowest-rated technique available.
#pragma once
#include "analysis/technique.h"
#include "model/board.h"
#include <cstddef>
#include <cstdint>

// Levels of the player's rating.
constexpr int PLAYER_EASY = 1;           // singles only
constexpr int PLAYER_MEDIUM = 2;         // locked candidates and subsets
constexpr int PLAYER_DIFFICULT = 3;      // basic fish, single-digit patterns, wings
constexpr int PLAYER_VERY_DIFFICULT = 4; // uniqueness, finned fish, X- and XY-chains
constexpr int PLAYER_FIENDISH = 5;       // alternating inference chains, almost locked sets
constexpr int PLAYER_EXTREME = 6;        // forcing chains

// The orders of solving over the table.
constexpr int ORDER_PLAYER = 0; // the table's order: as players learn the techniques
constexpr int ORDER_RATING = 1; // lowest rating first (the rating's path)

// A chain node: one to three cells of one box and one line holding the digit (0..8).
struct PlayerNode {
    uint8_t cells[3];
    uint8_t count;
    uint8_t digit;
};

constexpr int PLAYER_CHAIN_MAX = 64;
constexpr int PLAYER_UNITS_MAX = 8;
constexpr int PLAYER_SETS_MAX = 6;
constexpr int PLAYER_EVENTS_MAX = 640; // forcing: the events of all branches

// The step a finder found. Pattern cells carry the digits of theirs that take part; removals
// are what the step takes from each cell. Chains alternate strong (=) and weak (-) links
// starting with a strong one: node i links to node i + 1 strongly when i is even; a loop links
// its last node back to its first weakly. A forcing chain records the candidate it assumed and
// what followed: singles, each in the unit where it was hidden (-1 naked), and for a forcing
// net also locked candidates (the digit confined to a unit leaves the rest of another).
struct PlayerStep {
    int technique; // TQ_
    int variant;   // as the technique says, else 0
    int rating;    // tenths of the rating scale, length bonus included
    DigitMask digits;
    int unitCount;
    int8_t units[PLAYER_UNITS_MAX]; // 0..26: the units the pattern lies in (fish: base, cover)
    int patternCount;
    uint8_t pattern[81];
    DigitMask patternDigits[81];
    int placed; // the cell a single fills, or -1
    int placedDigit;
    int removalCount;     // cells losing digits
    DigitMask remove[81]; // by cell
    int nodeCount;        // the chain
    PlayerNode nodes[PLAYER_CHAIN_MAX];
    int loop;           // 1 when the chain is a continuous loop
    uint8_t corners[4]; // a unique rectangle's corners, row by row
    int setCount;       // almost locked sets, in the order the step joins them
    uint8_t setSize[PLAYER_SETS_MAX];
    uint8_t setCells[PLAYER_SETS_MAX][9];
    DigitMask setDigits[PLAYER_SETS_MAX];
    int assumedCell;      // forcing: the candidate assumed true; death blossom: the stem
    int assumedDigit;     // 1..9
    int implicationCount; // forcing: what follows, in order
    uint8_t implied[PLAYER_EVENTS_MAX];      // the cell of a single; 255 locked candidates
    uint8_t impliedDigit[PLAYER_EVENTS_MAX]; // 1..9
    int8_t impliedUnit[PLAYER_EVENTS_MAX];   // a hidden single's or the confining unit
    int8_t impliedLine[PLAYER_EVENTS_MAX];   // locked candidates: the unit losing the digit
    // Cell and unit forcing: each branch assumes one candidate; its events end at branchEnd
    // (and start where the branch before ended). The conclusion is `placed` or the removals.
    int branchCount;
    uint8_t branchCell[9];
    uint8_t branchDigit[9]; // 1..9
    int16_t branchEnd[9];
    int forcingUnit; // unit forcing: the unit; -1 for a cell
};

// The position the finders read: the digits placed, the candidates of the open cells, and
// whether the puzzle is known to have one solution (the uniqueness techniques need it).
struct PlayerGrid {
    uint8_t board[81]; // 0 or 1..9
    DigitMask cand[81];
    bool unique;
};

struct TextLine;

// A technique's row: its name, level, base rating (tenths), finder, the argument it takes, the
// TECH_ bit (model/options.h) of the family a technique label switches (TECH_ANALYSIS for the
// singles, which always run), and the writer and checker of the shape its records take.
using PlayerFinder = int (*)(const PlayerGrid* P, int arg, PlayerStep* S);
// Writes what follows the step's name: ": r1c5 = 4 in box 2", " 4 in r1c2, r1c7: ...".
using PlayerWriter = void (*)(const PlayerStep& S, TextLine& line);
// Checks the record's shape and conclusion on the grid it was found on: 0 when they hold, else
// 1 with the reason written to line.
using PlayerChecker = int (*)(const PlayerGrid* P, const PlayerStep& S, TextLine& line);
struct TechniqueRow {
    int technique;
    const char* name;
    int level;
    int rating;
    PlayerFinder find;
    int arg;
    uint32_t family;
    PlayerWriter write;
    PlayerChecker check;
};
extern const TechniqueRow TECHNIQUE_TABLE[TQ_COUNT];

// The grid of a puzzle: its digits and the candidates they leave; unique as given.
void PlayerGridFrom(PlayerGrid* P, const uint8_t* cells, bool unique);
// The first step of the order (ORDER_) on the grid, with techniques up to maxLevel: 1 with the
// step in S, 0 when no logical step was found.
int PlayerFindStep(const PlayerGrid* P, int order, int maxLevel, PlayerStep* S);
// The same with only the techniques whose family bit is in allowed (TECH_ bits); the singles
// run whatever allowed says.
int PlayerFindAllowed(const PlayerGrid* P, int order, int maxLevel, uint32_t allowed,
                      PlayerStep* S);
// Carries the step out: a placement or its removals.
void PlayerApply(PlayerGrid* P, const PlayerStep& S);
// The technique's name as the step shows it ("Unique rectangle type 2", "Sashimi X-wing").
const char* PlayerStepName(const PlayerStep& S, char* out, size_t size);
// The step in words, e.g. "XY-wing in r1c2, r1c7, r5c7: r5c2 loses 4". Returns the length.
int DescribePlayerStep(const PlayerStep& S, char* out, size_t size);
// What the step does: "r1c5 = 4", or its removals as the step's text writes them.
int DescribePlayerConclusion(const PlayerStep& S, char* out, size_t size);
// A hint that gives nothing away: level 1 the technique and the units or boxes of its
// pattern ("An XY-wing in boxes 4 and 7"); level 2 adds the pattern cells; level 3 the step.
int DescribePlayerHint(const PlayerStep& S, int level, char* out, size_t size);
// Checks a step from its record alone against the grid it was found on: 0 when the record
// proves its placement or every removal, else 1 with the reason in why.
int CheckPlayerStep(const PlayerGrid* before, const PlayerStep& S, char* why, size_t size);

// A solve by the order: the number of steps, the hardest step's rating (tenths), technique
// and level, and whether it solved the puzzle.
struct PlayerResult {
    int steps;
    int rating;
    int hardest; // TQ_ of the hardest step
    int hardestVariant;
    int level; // PLAYER_
    bool solved;
};
// Watches each step before it is applied; return false to stop.
using PlayerWatcher = bool (*)(void* context, const PlayerGrid* P, const PlayerStep& S);
// Solves the puzzle by the order; unique says whether the uniqueness techniques may be used
// (pass -1 to count the solutions first). watch may be null.
PlayerResult PlayerSolve(const uint8_t* cells, int order, int unique, PlayerWatcher watch,
                         void* context);
// "4.2 Difficult (XY-wing)", or the classic message of a puzzle logic cannot solve.
const char* PlayerRatingMessage(const PlayerResult& R, char* text, size_t size);
// "Easy" .. "Extreme" for PLAYER_EASY .. PLAYER_EXTREME.
const char* PlayerLevelName(int level);
// The technique named (case and the characters " -_" ignored, "ur" for unique rectangle), or
// TQ_NONE.
int TechniqueByName(const char* name);
