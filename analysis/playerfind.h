// The finders of the player's order and what they share: the view of a grid by digit and unit,
// and the writing of a step record; and the checkers of the table's rows, one by record shape. Each
// finder is a pure query: it reads the PlayerGrid and fills the PlayerStep only when it returns 1.
#pragma once
#include "analysis/cellset.h"
#include "analysis/player.h"

// A grid seen by digit: the cells holding each candidate, and where it lies in each unit
// (bit i: UnitTable[u][i]).
struct PlayerView {
    const PlayerGrid* P;
    CellSet with[9];
    uint16_t where[27][9];
    CellSet open; // the open cells
};
void MakePlayerView(const PlayerGrid* P, PlayerView* V);

// Starts a record of the technique: no pattern, no removals, no chain, placed -1.
void BeginStep(PlayerStep* S, int technique);
// Adds digits to a pattern cell (listed once, ascending once the step is finished).
void AddPatternCell(PlayerStep* S, int cell, DigitMask digits);
// Adds a unit once.
void AddStepUnit(PlayerStep* S, int unit);
// Takes the digits the cell holds out of it; returns 1 when it held any.
int AddRemoval(PlayerStep* S, const PlayerGrid* P, int cell, DigitMask digits);
// Sorts the pattern and sets the rating from the table (plus bonus tenths).
void FinishStep(PlayerStep* S, int bonus);
// The rating's bonus for a chain of this many links: 0 up to 4, then a tenth more at each of
// 6, 8, 12, 16, 24, 32 ... links.
int ChainLengthBonus(int links);

// ---- small helpers of the finders ----

// The lowest and highest place of a unit's nine-bit word (0 for none).
inline int LowPlace(uint16_t w) {
    return w ? std::countr_zero(w) % 9 : 0;
}
inline int HighPlace(uint16_t w) {
    return w ? (std::bit_width(w) - 1) % 9 : 0;
}

inline DigitMask Bit(int d) {
    return DigitMask(1u << d);
}

// Removes the digit from every cell of the set; returns how many cells lost it.
inline int RemoveFromCells(PlayerStep* S, const PlayerGrid* P, const CellSet& cells, int d) {
    int n = 0;
    ForEachCell(cells, [&](int x) { n += AddRemoval(S, P, x, Bit(d)); });
    return n;
}

// The cells that see every cell of the set (none of the set's own).
inline CellSet SeeAll(const CellSet& cells) {
    CellSet s = ~CellSet{};
    ForEachCell(cells, [&](int x) { s = s & PEER_SETS[x]; });
    return s;
}

// Calls f(chosen, n) for each n-subset of items[0..count) (indices ascending) until f returns
// true; returns true then.
template <typename F> bool Combinations(int count, int n, F f) {
    int idx[9];
    if (n > count || n <= 0) return false;
    for (int i = 0; i < n; i++) idx[i] = i;
    for (;;) {
        if (f(idx)) return true;
        int i = n - 1;
        while (i >= 0 && idx[i] == count - n + i) i--;
        if (i < 0) return false;
        idx[i]++;
        for (int j = i + 1; j < n; j++) idx[j] = idx[j - 1] + 1;
    }
}

int FindFullHouse(const PlayerGrid* P, int arg, PlayerStep* S);
int FindHiddenSingle(const PlayerGrid* P, int arg, PlayerStep* S); // arg 0 box, 1 line
int FindNakedSingle(const PlayerGrid* P, int arg, PlayerStep* S);
int FindLocked(const PlayerGrid* P, int arg, PlayerStep* S);       // arg 0 pointing, 1 claiming
int FindNakedSubset(const PlayerGrid* P, int arg, PlayerStep* S);  // arg: size
int FindHiddenSubset(const PlayerGrid* P, int arg, PlayerStep* S); // arg: size
int FindBasicFish(const PlayerGrid* P, int arg, PlayerStep* S);    // arg: size
int FindFinnedFish(const PlayerGrid* P, int arg, PlayerStep* S);   // arg: size
int FindTurbot(const PlayerGrid* P, int arg, PlayerStep* S);       // arg: TQ_ of the shape
int FindEmptyRectangle(const PlayerGrid* P, int arg, PlayerStep* S);
int FindXYWing(const PlayerGrid* P, int arg, PlayerStep* S);
int FindXYZWing(const PlayerGrid* P, int arg, PlayerStep* S);
int FindWWing(const PlayerGrid* P, int arg, PlayerStep* S);
int FindRemotePair(const PlayerGrid* P, int arg, PlayerStep* S);
int FindUniqueRectangle(const PlayerGrid* P, int arg, PlayerStep* S);
int FindBugPlusOne(const PlayerGrid* P, int arg, PlayerStep* S);
int FindWXYZWing(const PlayerGrid* P, int arg, PlayerStep* S);
int FindSueDeCoq(const PlayerGrid* P, int arg, PlayerStep* S);
int FindChain(const PlayerGrid* P, int arg, PlayerStep* S); // arg: TQ_X_CHAIN, TQ_XY_CHAIN, TQ_AIC
int FindAlsXZ(const PlayerGrid* P, int arg, PlayerStep* S);
int FindAlsXYWing(const PlayerGrid* P, int arg, PlayerStep* S);
int FindDeathBlossom(const PlayerGrid* P, int arg, PlayerStep* S);
int FindAlsChain(const PlayerGrid* P, int arg, PlayerStep* S);
int FindForcingChain(const PlayerGrid* P, int arg, PlayerStep* S);    // arg 1: a net
int FindForcingBranches(const PlayerGrid* P, int arg, PlayerStep* S); // arg 1: unit forcing
// Places d (0..8) in x on a copy and plays singles until the grid breaks (1), the cell holds
// digit (placement) or has lost it (2), or nothing follows (0); events go to S from its
// implicationCount on when S is given. cell -1: no conclusion sought. out: the final grid.
int PlayerFollowUntil(const PlayerGrid* P, int x, int d, int cell, int digit, bool placement,
                      PlayerStep* S, PlayerGrid* out);
// Places digit d (0..8) in x on a copy of the grid and follows it: singles, and with locked
// true locked candidates when no single is left, until the grid breaks (an open cell without a
// candidate, or a unit without a place for a digit it lacks). Returns the number of events to
// the break, recorded in S when given, or -1 when none comes within limit events.
int PlayerForcingFollow(const PlayerGrid* P, int x, int d, bool locked, int limit, PlayerStep* S);
// 1 when an open cell has no candidate or a unit has no place left for a digit it lacks.
int PlayerGridBroken(const PlayerGrid* G);

// ---- the checkers of the table's rows (playercheck.cpp) ----
// CheckPlayerStep calls the row's checker once a record of removals has shown each of them to be
// a candidate of an open cell; each returns 0 when the record holds, else 1 with the reason
// written to line.

// A single or BUG+1: the placement its unit or the grid gives.
int CheckPlacement(const PlayerGrid* P, const PlayerStep& S, TextLine& line);
// A pattern's shape (a subset's unit, a fish's lines, a wing's cells, a rectangle's corners),
// then each removal proved on its cells.
int CheckPattern(const PlayerGrid* P, const PlayerStep& S, TextLine& line);
// A chain's nodes and links, then each removal proved on its cells.
int CheckChainStep(const PlayerGrid* P, const PlayerStep& S, TextLine& line);
// Almost locked sets, then each removal proved on the pattern cells.
int CheckSets(const PlayerGrid* P, const PlayerStep& S, TextLine& line);
// The assumption and its events replayed to a broken grid; only the assumption goes.
int CheckForcingChain(const PlayerGrid* P, const PlayerStep& S, TextLine& line);
// Every branch of the cell or unit replayed to the conclusion or a broken grid.
int CheckForcingBranches(const PlayerGrid* P, const PlayerStep& S, TextLine& line);
