// The step a technique found, as a typed record: the technique, its units, digits, base and
// cover lines, fins, pattern cells, the cells that lose digits and the cell that takes one.
// Singles, subsets, locked candidates and fish fill it when they find their step; the
// StepMarks, the step's text, ApplyStep and the path check are derived from it. The chain and
// almost-locked-set steps record their technique, digit and targets (ApplyStep and the path
// check's effect use them) but still write their own StepMarks, read by their texts.
#pragma once
#include "analysis/chainproof.h"
#include "model/board.h"
#include <cstdint>

enum StepTechnique : int {
    TECHNIQUE_NONE = 0,      // nothing recorded
    TECHNIQUE_NAKED_SINGLE,  // placed: the cell's only candidate
    TECHNIQUE_HIDDEN_SINGLE, // placed: the only place for its digit in `unit`
    TECHNIQUE_SINGLES_CLASH, // singles found, none to enter: a cell must take two digits
    TECHNIQUE_HIDDEN_SUBSET, // `digits` confined to the pattern cells of `unit`
    TECHNIQUE_NAKED_SUBSET,  // the rest of `unit`: nakedCells holding only nakedDigits
    TECHNIQUE_POINTING,      // the digit of box `unit` lies on line `line`
    TECHNIQUE_CLAIMING,      // the digit of line `unit` lies in box `line`
    TECHNIQUE_BOX_LINES,     // box `unit`'s digit on two lines, each with one link outside
    TECHNIQUE_FISH,          // base lines against cover lines, fins in one box
    TECHNIQUE_FORCING_CHAIN, // targets lose `digits`; the chains are in the ChainDisplayList
    TECHNIQUE_ALS,           // targets lose `digits`; the sets are in the StepMarks
};

// A cell with digits: a pattern cell with the digits its mark shows, or a target with the
// digits it loses.
struct StepCell {
    uint8_t cell;
    DigitMask digits;
};

struct StepRecord {
    int technique;          // TECHNIQUE_
    int size;               // digits of a subset, base lines of a fish (1 for locked candidates)
    int unit;               // 0..26 as described for each technique; -1 when none
    int line;               // pointing: the line (unit index); claiming: the box; else -1
    DigitMask digits;       // a subset's digits as found, or the one digit of the step
    int family;             // fish base lines: 0 rows, 1 columns
    uint16_t base, cover;   // fish: nine-bit sets of base and cover lines
    int finCount;           // fish fins: base cells off the cover lines, ascending
    uint8_t fins[36];       //
    int nakedCount;         // a naked subset's cells (the rest of the unit), ascending
    uint8_t nakedCells[4];  //
    DigitMask nakedDigits;  //
    uint8_t links[2];       // box and two lines: the link cells, ascending,
    int linkLines[2];       // and the line (unit index) of each that crosses the box
    int patternCount;       // pattern cells, ascending; singles: every single found
    StepCell pattern[81];   //
    int targetCount;        // cells that lose digits, ascending
    StepCell targets[81];   //
    int placed;             // the cell a single enters, or -1
    ChainProofRecord chain; // room for a chain step's chain (count 0: none)
};

extern StepRecord CurrentStep;

// Empties the record (technique TECHNIQUE_NONE, no cells).
void ClearCurrentStep();
// Starts the record of a chain or almost-locked-set step whose targets lose the digit.
void RecordChainStep(int technique, DigitMask digit);
// Adds a target losing the record's digits.
void AddChainStepTarget(int cell);
// Writes the StepMarks of the record: pattern cells (singles: the digits alone), link cells,
// targets (a subset's targets are its pattern cells and get no mark of their own).
void MarkCurrentStep();
// Carries the record out: a single enters `placed`, every other technique takes each
// target's digits out of the AnalysisGrid. Returns 1 when it had a step to carry out, else 0.
int ApplyCurrentStep();
// 1 when a finned fish, without its fins, leaves a base line that holds a fin with no
// candidate of the digit in the fin box (where the line meets the cover lines), else 0.
int StepIsSashimi(const StepRecord& step, const DigitMask* grid);
