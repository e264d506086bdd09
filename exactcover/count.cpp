// Solution counting: the Sudoku exact-cover matrix (324 columns, one row per placement) searched
// with a count limit, leaving the last solution reached in the grid the caller gives.
//
// The matrix: board rows top to bottom, cells left to right; a given adds its own row, an empty
// cell a row for each digit not given to its left in the same row. Each row's four columns are
// row-digit, column-digit, box-digit (boxes as BoxOf numbers them) and cell, and rows join the
// column lists in the order added. The search takes the first column of smallest size and
// tries its rows top to bottom; every level keeps its own count of the solutions found below it
// and goes on into its next row only while that count is at most the limit, so a deeper level
// may find more and the result can exceed limit + 1.
//
// CountSolutions runs the same search on band bitboards (exactcover/bitboard.cpp); the dancing
// links here are its reference. They run on fixed arrays, with no allocation: the 324 headers come
// first, then placement p = 9 * cell + digit - 1 owns nodes 324 + 4p .. 324 + 4p + 3 (its four
// columns, the order the row's ring runs in); links are 16-bit indices. Each call starts from the
// empty board's matrix, built once at compile time, and takes out the rows the board excludes. The
// arrays live in the caller's CountWorkspace, so counts on different workspaces can run at once.
#include "exactcover/count.h"
#include "exactcover/bitboard.h"
#include "model/board.h"
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
constexpr int COLUMNS = COUNT_COLUMNS;
constexpr int PLACEMENTS = 729;
constexpr int FIRST_NODE = COLUMNS; // a multiple of 4: a placement's nodes share index >> 2
constexpr int NODES = COUNT_NODES;
constexpr int SIZE_SLOTS = COUNT_SIZE_SLOTS;
constexpr uint8_t SIZE_COVERED = 0x80;

// The matrix column of each node (headers map to themselves).
struct NodeTable {
    int16_t column[NODES];
};
constexpr NodeTable MakeNodeTable() {
    NodeTable t{};
    for (int c = 0; c < COLUMNS; c++) t.column[c] = int16_t(c);
    for (int p = 0; p < PLACEMENTS; p++) {
        // The columns' order decides ties, and so which solution is left and what the
        // generator makes: boxes row by row, as BoxOf numbers them.
        int cell = p / 9, d = p % 9, r = cell / 9, k = cell % 9, b = BoxOf(cell);
        int16_t* n = t.column + FIRST_NODE + 4 * p;
        n[0] = int16_t(9 * r + d);       // row r holds d
        n[1] = int16_t(81 + 9 * k + d);  // column k holds d
        n[2] = int16_t(162 + 9 * b + d); // box b holds d
        n[3] = int16_t(243 + cell);      // the cell holds a digit
    }
    return t;
}
constexpr NodeTable NODE_TABLE = MakeNodeTable();
constexpr const int16_t* NodeColumn = NODE_TABLE.column;
} // namespace

// ---- The search -----------------------------------------------------------------------

static inline void Unlink(CountWorkspace* w, int j) {
    int u = w->Up[j], d = w->Down[j];
    w->Down[u] = int16_t(d);
    w->Up[d] = int16_t(u);
    w->Size[NodeColumn[j]]--;
}

static inline void Relink(CountWorkspace* w, int j) {
    w->Size[NodeColumn[j]]++;
    w->Down[w->Up[j]] = int16_t(j);
    w->Up[w->Down[j]] = int16_t(j);
}

// Takes column c out of the ring and the rows through it out of every other column.
static inline void CoverColumn(CountWorkspace* w, int c) {
    w->Size[c] |= SIZE_COVERED;
    for (int i = w->Down[c]; i != c; i = w->Down[i]) {
        int base = i & ~3, p = i & 3;
        Unlink(w, base + ((p + 1) & 3));
        Unlink(w, base + ((p + 2) & 3));
        Unlink(w, base + ((p + 3) & 3));
    }
}

static inline void UncoverColumn(CountWorkspace* w, int c) {
    for (int i = w->Up[c]; i != c; i = w->Up[i]) {
        int base = i & ~3, p = i & 3;
        Relink(w, base + ((p + 3) & 3));
        Relink(w, base + ((p + 2) & 3));
        Relink(w, base + ((p + 1) & 3));
    }
    w->Size[c] &= uint8_t(~SIZE_COVERED);
}

// The first uncovered column (index order) of smallest size, the walk ending at the first column
// of size 1 or 0. So: the first column of size <= 1 if there is one, else the first of the
// smallest size.
static inline int ChooseColumn(const CountWorkspace* w) {
#if defined(__SSE2__)
    const __m128i one = _mm_set1_epi8(1);
    __m128i smallest = _mm_set1_epi8(char(0xFF));
    for (int i = 0; i < SIZE_SLOTS; i += 16) {
        __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(w->Size + i));
        int atMostOne = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, one), v));
        if (atMostOne) return i + std::countr_zero(unsigned(atMostOne));
        smallest = _mm_min_epu8(smallest, v);
    }
    smallest = _mm_min_epu8(smallest, _mm_srli_si128(smallest, 8));
    smallest = _mm_min_epu8(smallest, _mm_srli_si128(smallest, 4));
    smallest = _mm_min_epu8(smallest, _mm_srli_si128(smallest, 2));
    smallest = _mm_min_epu8(smallest, _mm_srli_si128(smallest, 1));
    const __m128i target = _mm_set1_epi8(char(_mm_cvtsi128_si32(smallest) & 0xFF));
    for (int i = 0;; i += 16) {
        __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(w->Size + i));
        int equal = _mm_movemask_epi8(_mm_cmpeq_epi8(v, target));
        if (equal) return i + std::countr_zero(unsigned(equal));
    }
#else
    int choice = 0, best = 256;
    for (int c = 0; c < COLUMNS; c++)
        if (w->Size[c] < best) {
            choice = c;
            best = w->Size[c];
            if (best <= 1) break;
        }
    return choice;
#endif
}

static void RecordSolution(CountWorkspace* w) {
    for (int t = 0; t < 81; t++) {
        int p = (w->Stack[t] - FIRST_NODE) >> 2;
        w->Solution[p / 9] = uint8_t(p % 9 + 1);
    }
}

// One level: 81 rows chosen means every column is covered. A level stops descending once its
// own count has passed the limit.
static int32_t SearchLevel(CountWorkspace* w, int k) {
    if (k == 81) {
        RecordSolution(w);
        return 1;
    }
    int c = ChooseColumn(w);
    if (w->Size[c] == 0) return 0;
    CoverColumn(w, c);
    int32_t count = 0;
    for (int r = w->Down[c]; r != c; r = w->Down[r]) {
        if (count > w->Limit) break; // past the limit: no further descent
        w->Stack[k] = int16_t(r);
        int base = r & ~3, p = r & 3;
        CoverColumn(w, NodeColumn[base + ((p + 1) & 3)]);
        CoverColumn(w, NodeColumn[base + ((p + 2) & 3)]);
        CoverColumn(w, NodeColumn[base + ((p + 3) & 3)]);
        count += SearchLevel(w, k + 1);
        UncoverColumn(w, NodeColumn[base + ((p + 3) & 3)]);
        UncoverColumn(w, NodeColumn[base + ((p + 2) & 3)]);
        UncoverColumn(w, NodeColumn[base + ((p + 1) & 3)]);
    }
    UncoverColumn(w, c);
    return count;
}

// The matrix of the empty board: every placement's row, added in placement order, so each
// column's ring holds its nine rows in the order the board's matrix adds them.
struct FullMatrix {
    int16_t up[NODES], down[NODES];
    uint8_t size[SIZE_SLOTS];
};
constexpr FullMatrix MakeFullMatrix() {
    FullMatrix f{};
    int16_t last[COLUMNS] = {};
    for (int c = 0; c < COLUMNS; c++) last[c] = int16_t(c);
    for (int n = FIRST_NODE; n < NODES; n++) {
        int c = NODE_TABLE.column[n];
        f.up[n] = last[c];
        f.down[last[c]] = int16_t(n);
        last[c] = int16_t(n);
        f.size[c]++;
    }
    for (int c = 0; c < COLUMNS; c++) {
        f.down[last[c]] = int16_t(c);
        f.up[c] = last[c];
    }
    for (int c = COLUMNS; c < SIZE_SLOTS; c++) f.size[c] = 0xFF;
    return f;
}
constexpr FullMatrix FULL_MATRIX = MakeFullMatrix();

// Sets up the matrix of board in the fast arrays: the empty board's matrix with the rows that
// CountSolutions would not add taken out of their columns (not covered: every column stays in
// play). Taking rows out of doubly linked rings leaves the others in their order, so every ring,
// size and row is exactly that of the matrix built row by row. Returns 0, or -1 for a digit
// above 9.
static int32_t BuildMatrix(CountWorkspace* w, const uint8_t* board, int32_t limit) {
    w->Limit = limit;
    for (int i = 0; i < 81; i++)
        if ((board[i] & 0x0F) > 9) return -1;
    std::memcpy(w->Up, FULL_MATRIX.up, sizeof w->Up);
    std::memcpy(w->Down, FULL_MATRIX.down, sizeof w->Down);
    std::memcpy(w->Size, FULL_MATRIX.size, sizeof w->Size);
    for (int r = 0; r < 9; r++) {
        unsigned filled = 0; // bit d - 1: digit d filled to the left in this row
        for (int k = 0; k < 9; k++) {
            int cell = 9 * r + k;
            int v = board[cell] & 0x0F;
            // A filled cell keeps only its digit; an empty one loses the digits filled to its left.
            unsigned drop = v ? (0x1FFu & ~(1u << (v - 1))) : filled;
            for (; drop; drop &= drop - 1) {
                int n = FIRST_NODE + 4 * (9 * cell + std::countr_zero(drop));
                Unlink(w, n);
                Unlink(w, n + 1);
                Unlink(w, n + 2);
                Unlink(w, n + 3);
            }
            if (v) filled |= 1u << (v - 1);
        }
    }
    return 0;
}

int32_t LinksCountSolutions(CountWorkspace* w, const uint8_t* board, int32_t limit,
                            uint8_t* solution) {
    if (BuildMatrix(w, board, limit) < 0) return -1;
    w->Solution = solution;
    return SearchLevel(w, 0);
}

int32_t LinksCountSolutions(const uint8_t* board, int32_t limit, uint8_t* solution) {
    CountWorkspace w; // left uninitialised: every count sets up the arrays it reads
    return LinksCountSolutions(&w, board, limit, solution);
}

int32_t CountSolutions(const uint8_t* board, int32_t limit, uint8_t* solution) {
    return CountInOrder(board, limit, solution);
}
