// Sets of cells and digits as bit words, shared by every technique: the bit helpers, the
// one-digit test, CellSet with its operations, and the peer and unit sets of the grid.
#pragma once
#include "model/board.h"
#include <array>
#include <cstdint>

// Without a popcount instruction in the target, the builtin is a library call; the bit-slice
// count below is inline and gives the same number.
constexpr int PopCount(uint32_t x) {
#if defined(__POPCNT__)
    return __builtin_popcount(x);
#else
    x = x - ((x >> 1) & 0x55555555u);
    x = (x & 0x33333333u) + ((x >> 2) & 0x33333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0Fu;
    return int((x * 0x01010101u) >> 24);
#endif
}
constexpr int PopCount64(uint64_t x) {
#if defined(__POPCNT__)
    return __builtin_popcountll(x);
#else
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return int((x * 0x0101010101010101ull) >> 56);
#endif
}
constexpr uint32_t LowestBit(uint32_t x) {
    return x & (0u - x);
}
constexpr int LowestBitIndex(uint32_t x) {
    return x ? __builtin_ctz(x) : -1;
}
// True when the mask holds exactly one of the digits 1..9.
constexpr bool SingleDigit(DigitMask m) {
    return m != 0 && m <= 0x100 && (m & (m - 1)) == 0;
}

// CellSet:  lo bit c: cell c (0..63)  |  hi bit c - 64: cell c (64..80), hi bits 17..63 zero.
struct CellSet {
    uint64_t lo, hi;
    friend constexpr bool operator==(const CellSet&, const CellSet&) = default;
};
constexpr bool CellSetHas(const CellSet& s, int cell) {
    return cell < 64 ? (s.lo >> cell) & 1 : (s.hi >> (cell - 64)) & 1;
}
constexpr void CellSetAdd(CellSet& s, int cell) {
    if (cell < 64)
        s.lo |= uint64_t(1) << cell;
    else
        s.hi |= uint64_t(1) << (cell - 64);
}
constexpr CellSet CellSetOf(int cell) {
    CellSet s{};
    CellSetAdd(s, cell);
    return s;
}
constexpr CellSet operator|(const CellSet& a, const CellSet& b) {
    return {a.lo | b.lo, a.hi | b.hi};
}
constexpr CellSet operator&(const CellSet& a, const CellSet& b) {
    return {a.lo & b.lo, a.hi & b.hi};
}
// The complement within the 81 cells.
constexpr CellSet operator~(const CellSet& a) {
    return {~a.lo, ~a.hi & 0x1FFFF};
}
constexpr bool CellSetEmpty(const CellSet& s) {
    return s.lo == 0 && s.hi == 0;
}
constexpr bool CellSetWithin(const CellSet& inner, const CellSet& outer) {
    return CellSetEmpty(inner & ~outer);
}
inline int CellSetCount(const CellSet& s) {
    return PopCount64(s.lo) + PopCount64(s.hi);
}
// The lowest cell of a set that is not empty.
inline int CellSetFirst(const CellSet& s) {
    return s.lo ? __builtin_ctzll(s.lo) : 64 + __builtin_ctzll(s.hi);
}
// Calls f(cell) for each cell of the set, ascending.
template <typename F> inline void ForEachCell(const CellSet& s, F f) {
    for (uint64_t w = s.lo; w; w &= w - 1) f(__builtin_ctzll(w));
    for (uint64_t w = s.hi; w; w &= w - 1) f(64 + __builtin_ctzll(w));
}

// The 20 peers of each cell; the cells of each unit in UnitTable's numbering.
constexpr std::array<CellSet, 81> MakePeerSets() {
    std::array<CellSet, 81> sets{};
    for (int c = 0; c < 81; c++)
        for (int o = 0; o < 81; o++)
            if (o != c && (o / 9 == c / 9 || o % 9 == c % 9 || BoxOf(o) == BoxOf(c)))
                CellSetAdd(sets[c], o);
    return sets;
}
inline constexpr std::array<CellSet, 81> PEER_SETS = MakePeerSets();
// True when b is one of a's 20 peers (false for a == b).
constexpr bool IsPeer(int a, int b) {
    return CellSetHas(PEER_SETS[a], b);
}
constexpr std::array<CellSet, 27> MakeUnitSets() {
    std::array<CellSet, 27> sets{};
    for (int c = 0; c < 81; c++) {
        CellSetAdd(sets[c / 9], c);         // row
        CellSetAdd(sets[9 + c % 9], c);     // column
        CellSetAdd(sets[18 + BoxOf(c)], c); // box
    }
    return sets;
}
inline constexpr std::array<CellSet, 27> UNIT_SETS = MakeUnitSets();
