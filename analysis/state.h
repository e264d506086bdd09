// Analysis working state shared by every technique: the grid analysed, the step record
// (StepMarks, ChainDisplayList, PendingStep) and the small cell and bit helpers.
#pragma once
#include "model/board.h"
#include <cstdint>

// A step mark:  bits 15..12 kind | 11..9 zero | 8..0 DigitMask of the digits taking part.
constexpr uint16_t MARK_DIGITS = 0x01FF;
constexpr uint16_t MARK_KIND = 0xF000;
constexpr uint16_t MARK_ALS = 0x1000;     // cell of the first almost locked set
constexpr uint16_t MARK_TARGET = 0x2000;  // cell loses digits when the step is applied
constexpr uint16_t MARK_LINK = 0x3000;    // link cell / second almost locked set
constexpr uint16_t MARK_PATTERN = 0x4000; // pattern cell; digits = the pattern's digits
constexpr uint16_t MARK_SHARED = 0x5000;  // cell of both almost locked sets
constexpr uint16_t MARK_WRONG = 0x8000;   // digit differs from the solution

constexpr int CHAIN_DISPLAY_MAX = 64;

struct ChainDisplayListRecord {
    int count;
    int32_t entries[CHAIN_DISPLAY_MAX];
};

extern DigitMask* AnalysisGrid; // CandidateGrid or MarkGrid, chosen by each driver run
extern uint16_t StepMarks[81];
extern ChainDisplayListRecord ChainDisplayList;
extern int32_t PendingStep;

// Appends a chain index to the display list; returns the new count (entries past 64 dropped).
int AppendChainToDisplay(int chain);

inline int PopCount(uint32_t x) {
    return __builtin_popcount(x);
}
inline uint32_t LowestBit(uint32_t x) {
    return x & (0u - x);
}
inline int LowestBitIndex(uint32_t x) {
    return x ? __builtin_ctz(x) : -1;
}
// Next subset of mask after prev, in increasing numeric order, with exactly k bits; 0 at the end.
uint32_t NextSubsetOfSize(uint32_t prev, uint32_t mask, int k);
// True when b is one of a's 20 peers (false for a == b).
bool IsPeer(int a, int b);

void ResetStateModule();
