// Sudoku on band bitboards. A grid holds, for each digit, the cells where it may still go (or
// stands), as three 32-bit words, one a band of three rows, and the set of open cells:
//
//   band word:  bits 26..18 | 17..9 | 8..0     cell (r, k) is bit 9 * (r % 3) + k
//               row 2         row 1   row 0    of word r / 3; box j of a band: columns 3j..3j+2
//
// Invariant: a solved cell keeps exactly its own digit's bit, and that digit is gone from the
// cell's 20 peers. Singles are found band by band: naked ones by counting each cell's digits
// in bit slices, hidden ones by counting each row, box and column of a digit.
#include "exactcover/bitboard.h"
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
constexpr uint32_t BAND = 0x7FFFFFF;      // the 27 cells of a band
constexpr uint32_t ROW_BITS = 0x1FF;      // row 0 of a band
constexpr uint32_t BOX_BITS = 0x1C0E07;   // box 0 of a band
constexpr uint32_t COLUMN_BITS = 0x40201; // column 0 of a band

struct Grid {
    uint32_t cand[3][9]; // band b, digit d + 1: the cells where it may go, or stands
    uint32_t open[3];    // cells not yet solved
    uint32_t dirty;      // bit 3d + b: digit d + 1 changed in band b since its rows and boxes were
                         // last looked at (by the band filter or the hidden singles)
    uint32_t stale;      // bit d: digit d + 1 changed since its columns were looked at
};

// For each bit of a band: its peers within the band, itself left out.
struct BandPeers {
    uint32_t of[27];
    uint32_t column[27]; // the bit's column in any band
};
constexpr BandPeers MakeBandPeers() {
    BandPeers p{};
    for (int i = 0; i < 27; i++) {
        const int r = i / 9, k = i % 9;
        const uint32_t peers =
            (ROW_BITS << (9 * r)) | (COLUMN_BITS << k) | (BOX_BITS << (3 * (k / 3)));
        p.of[i] = peers & ~(1u << i);
        p.column[i] = COLUMN_BITS << k;
    }
    return p;
}
constexpr BandPeers BAND_PEERS = MakeBandPeers();
constexpr int OTHER_BANDS[3][2] = {{1, 2}, {0, 2}, {0, 1}};

// The band filter. A digit stands in a band once in each row and once in each box, so the three
// "minirows" it takes (row r within box j) form a permutation. Bit 3r + j of a minirow pattern
// says row r has the digit somewhere in box j; keep[pattern] is the cells of the minirows that
// belong to at least one permutation inside the pattern (0: none fits), minirows[pattern] those
// minirows. It covers pointing
// and claiming within the band, and more.
struct BandFilter {
    uint32_t keep[512];     // the cells kept
    uint16_t minirows[512]; // the minirows kept
};
constexpr BandFilter MakeBandFilter() {
    constexpr int PERMUTATIONS[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                        {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    BandFilter f{};
    for (uint32_t pattern = 0; pattern < 512; pattern++) {
        uint32_t minirows = 0;
        for (const auto& p : PERMUTATIONS) {
            const uint32_t take = (1u << p[0]) | (1u << (3 + p[1])) | (1u << (6 + p[2]));
            if ((pattern & take) == take) minirows |= take;
        }
        f.minirows[pattern] = uint16_t(minirows);
        for (int q = 0; q < 9; q++)
            if (minirows & (1u << q)) f.keep[pattern] |= 7u << (3 * q);
    }
    return f;
}
constexpr BandFilter BAND_FILTER = MakeBandFilter();

// The minirow pattern of a digit's band word: every third bit of the word's three-bit groups
// gathered into nine bits.
inline uint32_t Minirows(uint32_t v) {
    uint32_t x = (v | (v >> 1) | (v >> 2)) & 0x09249249;
    x = (x ^ (x >> 2)) & 0x030C30C3;
    x = (x ^ (x >> 4)) & 0x0300F00F;
    x = (x ^ (x >> 8)) & 0xFF0000FF;
    return (x ^ (x >> 16)) & 0x3FF;
}

// Bit 8 of each row field of a band word (ROW_FLAGS) set when the row has a cell: the low 8
// bits plus 0xFF carry into bit 8 unless they are all 0.
constexpr uint32_t ROW_FLAGS = 0x4020100;
constexpr uint32_t ROW_LOW = 0x3FDFEFF; // bits 0-7 of each row field
inline uint32_t RowsWithCells(uint32_t v) {
    return (((v & ROW_LOW) + ROW_LOW) | v) & ROW_FLAGS;
}

// Bit e of a digit set moved to bit 3e, where a digit's dirty bit for band 0 is.
inline uint32_t SpreadDigits(uint32_t x) {
    x = (x ^ (x << 16)) & 0xFF0000FF;
    x = (x ^ (x << 8)) & 0x0300F00F;
    x = (x ^ (x << 4)) & 0x030C30C3;
    return (x ^ (x << 2)) & 0x09249249;
}

// Takes digit d out of the column of bit i in the bands other than b; returns the dirty bits of
// the bands that lose a cell.
inline uint32_t ClearColumn(Grid* g, int d, int b, int i) {
    const uint32_t column = BAND_PEERS.column[i];
    uint32_t dirty = 0;
    for (int k = 0; k < 2; k++) {
        const int other = OTHER_BANDS[b][k];
        uint32_t* v = &g->cand[other][d];
        dirty |= uint32_t((*v & column) != 0) << (3 * d + other);
        *v &= ~column;
    }
    return dirty;
}

#if defined(__SSE2__)
// Bit k set when word k of v (four digits' band words) holds the cell of mask.
inline uint32_t Holding(__m128i v, __m128i mask) {
    return uint32_t(
        _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(v, mask), mask))));
}
#endif

// Puts digit d (0..8) on bit i of band b: the cell leaves the open set and keeps only d, and d
// leaves the cell's peers.
inline void Place(Grid* g, int d, int b, int i) {
    const uint32_t bit = 1u << i;
    g->open[b] &= ~bit;
    uint32_t* band = g->cand[b];
    uint32_t lost; // bit e: digit e + 1 leaves the cell
#if defined(__SSE2__)
    const __m128i mask = _mm_set1_epi32(int(bit));
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(band));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(band + 4));
    lost = Holding(low, mask) | Holding(high, mask) << 4 | ((band[8] >> i) & 1) << 8;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(band), _mm_andnot_si128(mask, low));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(band + 4), _mm_andnot_si128(mask, high));
    band[8] &= ~bit;
#else
    lost = 0;
    for (int e = 0; e < 9; e++) {
        lost |= ((band[e] >> i) & 1) << e;
        band[e] &= ~bit;
    }
#endif
    g->cand[b][d] = (g->cand[b][d] & ~BAND_PEERS.of[i]) | bit;
    g->dirty |= (SpreadDigits(lost) << b) | ClearColumn(g, d, b, i);
    g->stale |= lost | (1u << d);
}

// Place for a cell whose only digit left is d: no other digit leaves it.
inline void PlaceAlone(Grid* g, int d, int b, int i) {
    const uint32_t bit = 1u << i;
    g->open[b] &= ~bit;
    g->cand[b][d] &= ~BAND_PEERS.of[i];
    g->dirty |= (1u << (3 * d + b)) | ClearColumn(g, d, b, i);
    g->stale |= 1u << d;
}

inline bool Solved(const Grid* g) {
    return (g->open[0] | g->open[1] | g->open[2]) == 0;
}

// One pass of naked singles over the bands: -1 when an open cell has no digit left, else
// whether any was placed.
inline int NakedSinglesPass(Grid* g) {
    bool found = false;
    for (int b = 0; b < 3; b++) {
        const uint32_t open = g->open[b];
        if (!open) continue;
        uint32_t once = 0, more = 0; // cells with at least one, at least two digits
        for (int d = 0; d < 9; d++) {
            const uint32_t x = g->cand[b][d] & open;
            more |= once & x;
            once |= x;
        }
        if (open & ~once) return -1;
        for (uint32_t single = open & ~more; single; single &= single - 1) {
            const int i = std::countr_zero(single);
            const uint32_t bit = 1u << i;
            int d = 0;
            while (d < 9 && !(g->cand[b][d] & bit)) d++;
            if (d == 9) return -1; // its digit went to a single placed just before
            PlaceAlone(g, d, b, i);
            found = true;
        }
    }
    return found;
}

// Naked singles until none is left. 0 when an open cell has no digit left.
int NakedSingles(Grid* g) {
    for (int found = 1; found > 0;) {
        found = NakedSinglesPass(g);
        if (found < 0) return 0;
    }
    return 1;
}

// Hidden singles of every digit changed since it was last looked at, in the rows and boxes of
// the bands where it changed and in every column. A digit's solved cells are
// counted with its open ones (each unit holds a placed digit on that cell alone), so a unit with
// one cell holds either the digit or a hidden single. Singles are found on one snapshot of the
// digit and placed while they still fit (one that no longer does leaves a unit without a place,
// which the next look finds). Returns -1 when a unit has no place left for the digit, else how
// many were placed.
int HiddenSingles(Grid* g) {
    int placed = 0;
    while (g->stale) {
        const int d = std::countr_zero(g->stale);
        g->stale &= g->stale - 1;
        const uint32_t c[3] = {g->cand[0][d], g->cand[1][d], g->cand[2][d]};
        const uint32_t bands = (g->dirty >> (3 * d)) & 7; // rows and boxes changed there only
        g->dirty &= ~(7u << (3 * d));
        uint32_t single[3] = {0, 0, 0}, once = 0, more = 0;
        bool empty = false;
        for (int b = 0; b < 3; b++) {
            const uint32_t v = c[b];
            for (int j = 0; j < 3; j++) { // the columns, counted over the nine rows as slices
                const uint32_t s = (v >> (9 * j)) & ROW_BITS;
                more |= once & s;
                once |= s;
            }
            if (!(bands & (1u << b))) continue;
            // Rows as three 9-bit fields: those with a cell, those with two or more (v minus
            // one in each field clears each field's lowest cell), so those with exactly one.
            empty |= RowsWithCells(v) != ROW_FLAGS;
            const uint32_t oneRows = ROW_FLAGS & ~RowsWithCells(v & (v - COLUMN_BITS));
            uint32_t alone = v & ((oneRows >> 8) * ROW_BITS); // cells alone in their row or box
            for (int j = 0; j < 3; j++) {
                const uint32_t box = v & (BOX_BITS << (3 * j));
                const int n = std::popcount(box);
                empty |= n == 0;
                alone |= n == 1 ? box : 0;
            }
            single[b] = alone;
        }
        if (empty || once != ROW_BITS) return -1;
        const uint32_t aloneInColumn = (once & ~more) * COLUMN_BITS; // those columns' cells
        for (int b = 0; b < 3; b++)
            for (uint32_t s = (single[b] | (c[b] & aloneInColumn)) & g->open[b]; s; s &= s - 1) {
                const int i = std::countr_zero(s);
                if (!(g->cand[b][d] & g->open[b] & (1u << i))) continue;
                Place(g, d, b, i);
                placed++;
            }
    }
    return placed;
}

// Naked and hidden singles until neither finds one. Returns 0 at a contradiction, else 1; then
// every open cell has two digits or more, and every unit two places or more for each digit it
// lacks.
int Propagate(Grid* g) {
    for (;;) {
        if (!NakedSingles(g)) return 0;
        const int hidden = HiddenSingles(g);
        if (hidden < 0) return 0;
        if (hidden == 0) return 1;
    }
}

// The uniqueness solver's deductions, until none finds anything: the band filter and the singles
// in rows and boxes of each digit-band that changed, naked singles, then for each digit that
// changed the filter across the bands of each stack and the singles in columns. Returns 0 at a
// contradiction, else 1. A digit's solved cells are counted with its open ones: each row, box
// and column holds each digit exactly once.
int Deduce(Grid* g) {
    for (;;) {
        while (g->dirty) {
            const int x = std::countr_zero(g->dirty);
            g->dirty &= g->dirty - 1;
            const int d = x / 3, b = x % 3;
            uint32_t v = g->cand[b][d];
            if (!(v & g->open[b])) continue; // the digit stands on its three cells here
            const uint32_t keep = BAND_FILTER.keep[Minirows(v)];
            if (!keep) return 0;
            if (v & ~keep) {
                v &= keep;
                g->cand[b][d] = v;
                g->stale |= 1u << d;
            }
            // The filter leaves each row and box a cell: those with one hold a single.
            const uint32_t oneRows = ROW_FLAGS & ~RowsWithCells(v & (v - COLUMN_BITS));
            uint32_t single = v & ((oneRows >> 8) * ROW_BITS);
            for (int j = 0; j < 3; j++) {
                const uint32_t box = v & (BOX_BITS << (3 * j));
                single |= std::popcount(box) == 1 ? box : 0;
            }
            for (single &= g->open[b]; single; single &= single - 1) {
                const int i = std::countr_zero(single);
                if (!(g->cand[b][d] & g->open[b] & (1u << i))) return 0; // taken by a peer
                Place(g, d, b, i);
            }
        }
        const int naked = NakedSinglesPass(g);
        if (naked < 0) return 0;
        if (naked) continue;
        bool found = false;
        while (g->stale) {
            const int d = std::countr_zero(g->stale);
            g->stale &= g->stale - 1;
            // The band filter across the bands, on the three columns of each stack: bit 3b + t
            // of a pattern says band b has the digit in column t of the stack.
            uint32_t present[3];
            for (int b = 0; b < 3; b++) {
                const uint32_t v = g->cand[b][d];
                present[b] = (v | (v >> 9) | (v >> 18)) & ROW_BITS;
            }
            for (int t = 0; t < 9; t += 3) {
                const uint32_t pattern = ((present[0] >> t) & 7) | (((present[1] >> t) & 7) << 3) |
                                         (((present[2] >> t) & 7) << 6);
                const uint32_t kept = BAND_FILTER.minirows[pattern];
                if (kept == pattern) continue;
                if (!kept) return 0;
                for (int b = 0; b < 3; b++) {
                    const uint32_t gone = ((pattern & ~kept) >> (3 * b)) & 7;
                    if (!gone) continue;
                    g->cand[b][d] &= ~((gone << t) * COLUMN_BITS); // those columns' cells
                    g->dirty |= 1u << (3 * d + b);
                    found = true;
                }
            }
            // Singles in columns: the nine rows counted as slices.
            uint32_t once = 0, more = 0;
            for (int b = 0; b < 3; b++) {
                const uint32_t v = g->cand[b][d];
                for (int j = 0; j < 3; j++) {
                    const uint32_t s = (v >> (9 * j)) & ROW_BITS;
                    more |= once & s;
                    once |= s;
                }
            }
            if (once != ROW_BITS) return 0; // a column without the digit
            const uint32_t aloneInColumn = (once & ~more) * COLUMN_BITS; // those columns' cells
            for (int b = 0; b < 3; b++)
                for (uint32_t x = g->cand[b][d] & aloneInColumn & g->open[b]; x; x &= x - 1) {
                    const int i = std::countr_zero(x);
                    if (!(g->cand[b][d] & g->open[b] & (1u << i))) return 0; // taken by a peer
                    Place(g, d, b, i);
                    found = true;
                }
        }
        if (!found) return 1;
    }
}

void Record(const Grid* g, uint8_t* solution) {
    for (int d = 0; d < 9; d++)
        for (int b = 0; b < 3; b++)
            for (uint32_t x = g->cand[b][d]; x; x &= x - 1)
                solution[27 * b + std::countr_zero(x)] = uint8_t(d + 1);
}

// The grid of a board's givens, as placing them one by one leaves it. Returns -1 for a digit
// above 9, 0 when two givens of a digit are peers, else 1.
int Setup(Grid* g, const uint8_t* board) {
    uint32_t given[3] = {0, 0, 0};                            // the given cells of each band
    uint32_t at[3][9] = {}, near[3][9] = {}, columns[9] = {}; // a digit's givens, their peers
    bool clash = false;
    for (int cell = 0; cell < 81; cell++) {
        const int v = board[cell] & 0x0F;
        if (v > 9) return -1;
        if (!v) continue;
        const int b = cell / 27, i = cell % 27, d = v - 1;
        const uint32_t bit = 1u << i;
        clash |= ((near[b][d] | (columns[d] * COLUMN_BITS)) & bit) != 0; // the digit is a peer's
        given[b] |= bit;
        at[b][d] |= bit;
        near[b][d] |= BAND_PEERS.of[i];
        columns[d] |= 1u << (i % 9);
    }
    if (clash) return 0;
    for (int b = 0; b < 3; b++) {
        g->open[b] = BAND & ~given[b];
        for (int d = 0; d < 9; d++)
            g->cand[b][d] = (g->open[b] & ~near[b][d] & ~(columns[d] * COLUMN_BITS)) | at[b][d];
    }
    g->dirty = 0x7FFFFFF;
    g->stale = 0x1FF;
    return 1;
}

// ---- The uniqueness solver ------------------------------------------------------------------

struct UniqueRun {
    int found;
    uint8_t solution[81];
};

// Searches g (a copy) until two solutions are found, guessing on an open cell with the fewest
// digits.
void SolveFrom(Grid g, UniqueRun* run) {
    if (!Deduce(&g)) return;
    if (Solved(&g)) {
        if (run->found++ == 0) Record(&g, run->solution);
        return;
    }
    // The guess: the cell with two digits that has the most peers with two digits (a guess
    // there settles the most), else the first cell with three, else the first open cell.
    int band = -1, bit = -1, most = -1;
    uint32_t pairs[3] = {0, 0, 0}, threes = 0;
    int threeBand = -1;
    for (int b = 0; b < 3; b++) {
        const uint32_t open = g.open[b];
        if (!open) continue;
        uint32_t one = 0, two = 0, three = 0, four = 0;
        for (int d = 0; d < 9; d++) {
            const uint32_t x = g.cand[b][d] & open;
            four |= three & x;
            three |= two & x;
            two |= one & x;
            one |= x;
        }
        pairs[b] = two & ~three;
        if (threeBand < 0 && (three & ~four)) {
            threeBand = b;
            threes = three & ~four;
        }
    }
    for (int b = 0; b < 3; b++)
        for (uint32_t p = pairs[b]; p; p &= p - 1) {
            const int i = std::countr_zero(p);
            const uint32_t column = BAND_PEERS.column[i];
            const int n = std::popcount(pairs[b] & BAND_PEERS.of[i]) +
                          std::popcount(pairs[OTHER_BANDS[b][0]] & column) +
                          std::popcount(pairs[OTHER_BANDS[b][1]] & column);
            if (n > most) most = n, band = b, bit = i;
        }
    if (band < 0 && threeBand >= 0) {
        band = threeBand;
        bit = std::countr_zero(threes);
    }
    if (band < 0) {
        band = g.open[0] ? 0 : g.open[1] ? 1 : 2;
        bit = std::countr_zero(g.open[band]);
    }
    for (int d = 0; d < 9; d++) {
        if (!(g.cand[band][d] & (1u << bit))) continue;
        Grid next = g;
        Place(&next, d, band, bit);
        SolveFrom(next, run);
        if (run->found >= 2) return;
    }
}
// ---- The counter in the matrix's search order ------------------------------------------------
//
// The exact-cover search covers the first column of size 0 or 1 while there is one: a size-0
// column ends the branch, a size-1 column places its one row. Such placements are naked singles
// (a cell column) and hidden singles (a row-, column- or box-digit column), and placing singles
// in any order reaches the same grid, or a contradiction in every order, where the branch has no
// solution. So each level propagates singles, then branches as the search does: on the first
// column of the fewest rows in column order (row-digit 9r + d, column-digit 81 + 9k + d,
// box-digit 162 + 9b + d with boxes row by row, cell 243 + cell), its rows in board order, the
// level's own count tested against the limit before each row. A column's size is the popcount
// of its digit's cells in the unit, or of a cell's digits.

struct CountRun {
    int32_t limit;
    uint8_t* solution;
};

enum { BY_ROW, BY_COLUMN, BY_BOX, BY_CELL };

// The column the search chooses on a grid where each column left has two rows or more (a
// covered column has none): its kind, unit (row, column, box or cell) and digit.
void ChooseColumn(const Grid* g, const uint32_t live[9][3], int* kind, int* unit, int* digit) {
    int best = 10;
    auto consider = [&](int n, int k, int u, int d) {
        if (n < 2 || n >= best) return false;
        best = n, *kind = k, *unit = u, *digit = d;
        return n == 2; // nothing can be smaller: the first of size 2 is the choice
    };
    for (int r = 0; r < 9; r++)
        for (int d = 0; d < 9; d++) {
            const uint32_t x = (live[d][r / 3] >> (9 * (r % 3))) & ROW_BITS;
            if (consider(std::popcount(x), BY_ROW, r, d)) return;
        }
    for (int k = 0; k < 9; k++)
        for (int d = 0; d < 9; d++) {
            const uint32_t column = COLUMN_BITS << k;
            const int n = std::popcount(live[d][0] & column) + std::popcount(live[d][1] & column) +
                          std::popcount(live[d][2] & column);
            if (consider(n, BY_COLUMN, k, d)) return;
        }
    for (int box = 0; box < 9; box++)
        for (int d = 0; d < 9; d++) {
            const uint32_t x = live[d][box / 3] & (BOX_BITS << (3 * (box % 3)));
            if (consider(std::popcount(x), BY_BOX, box, d)) return;
        }
    for (int cell = 0; cell < 81; cell++) {
        const int b = cell / 27, i = cell % 27;
        if (!(g->open[b] & (1u << i))) continue;
        int n = 0;
        for (int d = 0; d < 9; d++) n += (live[d][b] >> i) & 1;
        if (consider(n, BY_CELL, cell, 0)) return;
    }
}

int32_t CountFrom(const Grid* from, const CountRun* run) {
    Grid g = *from;
    if (!Propagate(&g)) return 0;
    if (Solved(&g)) {
        Record(&g, run->solution);
        return 1;
    }
    uint32_t live[9][3];
    for (int d = 0; d < 9; d++)
        for (int b = 0; b < 3; b++) live[d][b] = g.cand[b][d] & g.open[b];
    int kind = BY_CELL, unit = 0, digit = 0;
    ChooseColumn(&g, live, &kind, &unit, &digit);
    // The column's rows in board order: (digit, band, bit) of each placement.
    int rows[9][3], n = 0;
    auto add = [&](int d, int b, uint32_t bits) {
        for (; bits; bits &= bits - 1) {
            rows[n][0] = d, rows[n][1] = b, rows[n][2] = std::countr_zero(bits);
            n++;
        }
    };
    if (kind == BY_ROW) {
        add(digit, unit / 3, live[digit][unit / 3] & (ROW_BITS << (9 * (unit % 3))));
    } else if (kind == BY_COLUMN) {
        for (int b = 0; b < 3; b++) add(digit, b, live[digit][b] & (COLUMN_BITS << unit));
    } else if (kind == BY_BOX) {
        add(digit, unit / 3, live[digit][unit / 3] & (BOX_BITS << (3 * (unit % 3))));
    } else {
        for (int d = 0; d < 9; d++) add(d, unit / 27, live[d][unit / 27] & (1u << (unit % 27)));
    }
    int32_t count = 0;
    for (int r = 0; r < n; r++) {
        if (count > run->limit) break; // past the limit: no further descent
        Grid next = g;
        Place(&next, rows[r][0], rows[r][1], rows[r][2]);
        count += CountFrom(&next, run);
    }
    return count;
}
} // namespace

int32_t CountInOrder(const uint8_t* board, int32_t limit, uint8_t* solution) {
    Grid g;
    const int ready = Setup(&g, board);
    if (ready <= 0 || limit < 0) return ready < 0 ? -1 : 0;
    const CountRun run = {limit, solution};
    return CountFrom(&g, &run);
}

int32_t SolveUnique(const uint8_t* board, uint8_t* solution) {
    Grid g;
    const int ready = Setup(&g, board);
    if (ready <= 0) return ready;
    UniqueRun run;
    run.found = 0;
    SolveFrom(g, &run);
    if (run.found == 1) std::memcpy(solution, run.solution, 81);
    return run.found;
}
