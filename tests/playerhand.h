// Hand-made candidate grids for the player's finders: every open cell holds every digit but
// those the test sets, so only the patterns the test draws are there to be found.
#pragma once
#include "analysis/player.h"
#include <cstring>
#include <gtest/gtest.h>
#include <string>

struct Hand {
    PlayerGrid P;
    Hand() {
        std::memset(P.board, 0, sizeof P.board);
        for (DigitMask& m : P.cand) m = ALL_DIGITS;
        P.unique = true;
    }
    static int Cell(const char* rc) { return (rc[1] - '1') * 9 + (rc[3] - '1'); }
    void Set(const char* rc, const char* digits) {
        DigitMask m = 0;
        for (const char* d = digits; *d; d++) m |= DigitMask(1u << (*d - '1'));
        P.cand[Cell(rc)] = m;
    }
    void Drop(const char* rc, int digit) { P.cand[Cell(rc)] &= DigitMask(~(1u << (digit - 1))); }
    // The row's finder on the grid.
    int Find(int technique, PlayerStep* S) const {
        const TechniqueRow& row = TECHNIQUE_TABLE[technique];
        return row.find(&P, row.arg, S);
    }
};

// The removals of a step as "r4c5-3 r4c6-39", cells ascending.
inline std::string Removals(const PlayerStep& S) {
    std::string s;
    for (int x = 0; x < 81; x++) {
        if (!S.remove[x]) continue;
        s += (s.empty() ? "r" : " r") + std::to_string(x / 9 + 1) + "c" +
             std::to_string(x % 9 + 1) + "-";
        for (int d = 0; d < 9; d++)
            if (S.remove[x] >> d & 1) s += char('1' + d);
    }
    return s;
}

inline void ExpectChecked(const Hand& h, const PlayerStep& S) {
    char why[256];
    EXPECT_EQ(CheckPlayerStep(&h.P, S, why, sizeof why), 0) << why;
}
