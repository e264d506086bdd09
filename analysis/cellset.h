// Sets of cells and digits as bit words, shared by every technique: the one-digit test, CellSet
// with its operations, and the peer and unit sets of the grid. Bits are counted and found with
// <bit> (std::popcount, std::countr_zero); a build for x86-64 enables the POPCNT instruction so
// std::popcount is one instruction rather than a library call.
#pragma once
#include "model/board.h"
#include <array>
#include <bit>
#include <cstdint>

// True when the mask holds exactly one of the digits 1..9.
constexpr bool SingleDigit(DigitMask m) {
    return std::has_single_bit(m) && m <= 0x100;
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
constexpr int CellSetCount(const CellSet& s) {
    return std::popcount(s.lo) + std::popcount(s.hi);
}
// The lowest cell of a set that is not empty.
constexpr int CellSetFirst(const CellSet& s) {
    return s.lo ? std::countr_zero(s.lo) : 64 + std::countr_zero(s.hi);
}
// Calls f(cell) for each cell of the set, ascending.
template <typename F> inline void ForEachCell(const CellSet& s, F f) {
    for (uint64_t w = s.lo; w; w &= w - 1) f(std::countr_zero(w));
    for (uint64_t w = s.hi; w; w &= w - 1) f(64 + std::countr_zero(w));
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
        CellSetAdd(sets[c / 9], c);      // row
        CellSetAdd(sets[9 + c % 9], c);  // column
        CellSetAdd(sets[BoxUnit(c)], c); // box
    }
    return sets;
}
inline constexpr std::array<CellSet, 27> UNIT_SETS = MakeUnitSets();
