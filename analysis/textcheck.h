// Checking a step against the position it was found in and what the step did, from its record:
// it states the placement or removals, and its pattern proves them: the units, lines and fins of
// singles, subsets, locked candidates and fish; for chain steps every chain recorded (a valid
// alternating chain on the candidates), a forcing chain's conclusion, and an almost-locked-set
// step re-derived from its sets, digits and link chains.
#pragma once
#include "analysis/chainproof.h"
#include "analysis/step.h"
#include "model/board.h"
#include <cstddef>
#include <cstdint>

// Results of CheckStep.
constexpr int TEXTCHECK_OK = 0;
constexpr int TEXTCHECK_EFFECT = 1; // the record states another placement or other removals
constexpr int TEXTCHECK_CHAIN = 2;  // a recorded chain does not hold on the candidates
constexpr int TEXTCHECK_PROOF = 3;  // a chain step whose chain is missing or proves another thing
constexpr int TEXTCHECK_ALS = 4;    // an almost-locked-set step not re-derived from its record
constexpr int TEXTCHECK_SHAPE = 5;  // a recorded pattern that does not prove its removals

// Running totals over the steps checked.
struct TextCheckCounts {
    int steps;
    int chains;   // chains written and found valid
    int alsSteps; // almost-locked-set steps re-derived
};

// The step of `kind` with its record (as found and completed by CompleteCurrentStep, before
// ApplyStep), the candidates and Board before it and after it. Returns a TEXTCHECK_ result; on
// a fault `why` says what is wrong (NUL-terminated).
int CheckStep(int kind, const StepRecord& step, const DigitMask* before, const DigitMask* after,
              const uint8_t* boardBefore, const uint8_t* boardAfter, TextCheckCounts* counts,
              char* why, size_t size);

// 1 when every node is a candidate of the grid (a group: two or three cells of one box and one
// line, all holding the digit), every link holds and the links alternate: '=' a cell with
// exactly the two digits, or a unit whose cells holding the digit are exactly the two nodes';
// '-' two digits of one cell, or one digit where every cell of the one node sees every cell of
// the other. Else 0.
int ChainProofHolds(const ChainProofRecord& proof, const DigitMask* grid);
