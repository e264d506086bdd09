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

namespace {
constexpr uint32_t BAND = 0x7FFFFFF;      // the 27 cells of a band
constexpr uint32_t ROW_BITS = 0x1FF;      // row 0 of a band
constexpr uint32_t BOX_BITS = 0x1C0E07;   // box 0 of a band
constexpr uint32_t COLUMN_BITS = 0x40201; // column 0 of a band

struct Grid {
    uint32_t cand[9][3]; // digit d + 1 may go, or stands, in the cell
    uint32_t open[3];    // cells not yet solved
};

// For each bit of a band: its peers within the band, itself left out.
struct BandPeers {
    uint32_t of[27];
};
constexpr BandPeers MakeBandPeers() {
    BandPeers p{};
    for (int i = 0; i < 27; i++) {
        const int r = i / 9, k = i % 9;
        const uint32_t peers =
            (ROW_BITS << (9 * r)) | (COLUMN_BITS << k) | (BOX_BITS << (3 * (k / 3)));
        p.of[i] = peers & ~(1u << i);
    }
    return p;
}
constexpr BandPeers BAND_PEERS = MakeBandPeers();
constexpr int OTHER_BANDS[3][2] = {{1, 2}, {0, 2}, {0, 1}};

// Puts digit d (0..8) on bit i of band b: the cell leaves the open set and keeps only d, and d
// leaves the cell's peers.
inline void Place(Grid* g, int d, int b, int i) {
    const uint32_t bit = 1u << i;
    g->open[b] &= ~bit;
    for (int e = 0; e < 9; e++) g->cand[e][b] &= ~bit;
    g->cand[d][b] = (g->cand[d][b] & ~BAND_PEERS.of[i]) | bit;
    const uint32_t column = COLUMN_BITS << (i % 9);
    g->cand[d][OTHER_BANDS[b][0]] &= ~column;
    g->cand[d][OTHER_BANDS[b][1]] &= ~column;
}

inline bool Solved(const Grid* g) {
    return (g->open[0] | g->open[1] | g->open[2]) == 0;
}

// Naked singles until none is left. 0 when an open cell has no digit left.
int NakedSingles(Grid* g) {
    for (bool found = true; found;) {
        found = false;
        for (int b = 0; b < 3; b++) {
            const uint32_t open = g->open[b];
            if (!open) continue;
            uint32_t once = 0, more = 0; // cells with at least one, at least two digits
            for (int d = 0; d < 9; d++) {
                const uint32_t x = g->cand[d][b] & open;
                more |= once & x;
                once |= x;
            }
            if (open & ~once) return 0;
            for (uint32_t single = open & ~more; single; single &= single - 1) {
                const int i = std::countr_zero(single);
                const uint32_t bit = 1u << i;
                int d = 0;
                while (d < 9 && !(g->cand[d][b] & bit)) d++;
                if (d == 9) return 0; // its digit went to a single placed just before
                Place(g, d, b, i);
                found = true;
            }
        }
    }
    return 1;
}

// Hidden singles of every digit, found on one snapshot of the digit and placed while they still
// fit (one that no longer does leaves a unit without a place, which the next pass finds).
// Returns -1 when a unit that lacks a digit has no place left for it, else how many were placed.
int HiddenSingles(Grid* g) {
    int placed = 0;
    for (int d = 0; d < 9; d++) {
        uint32_t live[3], single[3] = {0, 0, 0};
        uint32_t colOnce = 0, colMore = 0, colDone = 0;
        for (int b = 0; b < 3; b++) {
            live[b] = g->cand[d][b] & g->open[b];
            const uint32_t done = g->cand[d][b] & ~g->open[b];
            for (int j = 0; j < 3; j++) {
                // row j of the band
                const uint32_t rowMask = ROW_BITS << (9 * j);
                if (!(done & rowMask)) {
                    const uint32_t v = live[b] & rowMask;
                    if (!v) return -1;
                    if (!(v & (v - 1))) single[b] |= v;
                }
                // box j of the band
                const uint32_t boxMask = BOX_BITS << (3 * j);
                if (!(done & boxMask)) {
                    const uint32_t v = live[b] & boxMask;
                    if (!v) return -1;
                    if (!(v & (v - 1))) single[b] |= v;
                }
                // the columns, counted over the nine rows as slices
                const uint32_t s = (live[b] >> (9 * j)) & ROW_BITS;
                colMore |= colOnce & s;
                colOnce |= s;
                colDone |= (done >> (9 * j)) & ROW_BITS;
            }
        }
        if (ROW_BITS & ~colOnce & ~colDone) return -1;
        for (uint32_t c = colOnce & ~colMore; c; c &= c - 1) {
            const uint32_t column = COLUMN_BITS << std::countr_zero(c);
            for (int b = 0; b < 3; b++)
                if (live[b] & column) {
                    single[b] |= live[b] & column;
                    break;
                }
        }
        for (int b = 0; b < 3; b++)
            for (uint32_t s = single[b]; s; s &= s - 1) {
                const int i = std::countr_zero(s);
                if (!(g->cand[d][b] & g->open[b] & (1u << i))) continue;
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

void Record(const Grid* g, uint8_t* solution) {
    for (int d = 0; d < 9; d++)
        for (int b = 0; b < 3; b++)
            for (uint32_t x = g->cand[d][b]; x; x &= x - 1)
                solution[27 * b + std::countr_zero(x)] = uint8_t(d + 1);
}

// The grid of a board's givens. Returns -1 for a digit above 9, 0 when givens clash, else 1.
int Setup(Grid* g, const uint8_t* board) {
    for (int i = 0; i < 81; i++)
        if ((board[i] & 0x0F) > 9) return -1;
    for (int b = 0; b < 3; b++) {
        g->open[b] = BAND;
        for (int d = 0; d < 9; d++) g->cand[d][b] = BAND;
    }
    for (int cell = 0; cell < 81; cell++) {
        const int v = board[cell] & 0x0F;
        if (!v) continue;
        const int b = cell / 27, i = cell % 27;
        if (!(g->cand[v - 1][b] & (1u << i))) return 0; // the digit stands among its peers
        Place(g, v - 1, b, i);
    }
    return 1;
}

// ---- The uniqueness solver ------------------------------------------------------------------

struct UniqueRun {
    int found;
    uint8_t solution[81];
};

// Searches g (a copy) until two solutions are found, guessing on an open cell with the fewest
// digits: the first with two if there is one, else the first with three, else the first open.
void SolveFrom(Grid g, UniqueRun* run) {
    if (!Propagate(&g)) return;
    if (Solved(&g)) {
        if (run->found++ == 0) Record(&g, run->solution);
        return;
    }
    int band = -1, bit = -1;
    uint32_t threes = 0;
    int threeBand = -1;
    for (int b = 0; b < 3 && band < 0; b++) {
        const uint32_t open = g.open[b];
        if (!open) continue;
        uint32_t one = 0, two = 0, three = 0, four = 0;
        for (int d = 0; d < 9; d++) {
            const uint32_t x = g.cand[d][b] & open;
            four |= three & x;
            three |= two & x;
            two |= one & x;
            one |= x;
        }
        if (const uint32_t pairs = two & ~three) {
            band = b;
            bit = std::countr_zero(pairs);
        } else if (threeBand < 0 && (three & ~four)) {
            threeBand = b;
            threes = three & ~four;
        }
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
        if (!(g.cand[d][band] & (1u << bit))) continue;
        Grid next = g;
        Place(&next, d, band, bit);
        SolveFrom(next, run);
        if (run->found >= 2) return;
    }
}
} // namespace

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
