// Hand-made candidate grids for the player's finders: every open cell holds every digit but
// those the test sets, so only the patterns the test draws are there to be found.
#pragma once
#include "analysis/player.h"
#include <cstring>
#include <gtest/gtest.h>
#include <string>

struct Hand {
    PlayerGrid P;
    // cells: "r1c1:12 r1c5:26", each cell with the only digits it keeps, and "5@c1:38", digit 5
    // only at the places listed in a unit (as Only takes them)
    explicit Hand(const char* cells = "") {
        std::memset(P.board, 0, sizeof P.board);
        for (DigitMask& m : P.cand) m = ALL_DIGITS;
        P.unique = true;
        for (const char* c = cells; *c; c += std::strcspn(c, " ")) {
            c += std::strspn(c, " ");
            if (!*c) break;
            if (c[0] == 'r' && c[2] == 'c')
                Set(c, c + 5, int(std::strcspn(c + 5, " ")));
            else if (c[1] == '@')
                Only(c[0] - '0', std::string(c + 2, std::strcspn(c + 2, " ")).c_str());
        }
    }
    static int Cell(const char* rc) { return (rc[1] - '1') * 9 + (rc[3] - '1'); }
    void Set(const char* rc, const char* digits, int count = -1) {
        DigitMask m = 0;
        for (const char* d = digits; *d && count-- != 0; d++) m |= DigitMask(1u << (*d - '1'));
        P.cand[Cell(rc)] = m;
    }
    // Digit d (1..9) only at the places listed in each unit: "r1:27" row 1 at columns 2 and 7,
    // "c5:19" column 5 at rows 1 and 9, "b5:24568" box 5 at its places 1..9 row by row.
    void Only(int d, const char* units) {
        for (const char* u = units; *u; u++) {
            if (*u != 'r' && *u != 'c' && *u != 'b') continue;
            const char kind = *u, n = char(u[1] - '1');
            const char* places = u + 3;
            const size_t count = std::strcspn(places, " ");
            for (int i = 0; i < 9; i++) {
                if (std::memchr(places, '1' + i, count)) continue;
                const int r = kind == 'r' ? n : kind == 'c' ? i : n / 3 * 3 + i / 3;
                const int c = kind == 'r' ? i : kind == 'c' ? n : n % 3 * 3 + i % 3;
                P.cand[r * 9 + c] &= DigitMask(~(1u << (d - 1)));
            }
            u = places + count - 1;
        }
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

// The technique fires on the grid with exactly these removals, and the checker proves them.
inline PlayerStep Finds(const Hand& h, int technique, const char* removals) {
    PlayerStep S{};
    EXPECT_EQ(h.Find(technique, &S), 1) << TECHNIQUE_TABLE[technique].name;
    EXPECT_EQ(Removals(S), removals);
    ExpectChecked(h, S);
    return S;
}
