// The step a technique found, as a typed record: the technique, its units, digits, base and
// cover lines, fins, pattern cells, the cells that lose digits and the cell that takes one.
// Every technique fills it when it finds its step; the StepMarks, the step's text, ApplyStep and
// the path check are derived from it. A chain or almost-locked-set step records its rule, the
// nodes or sets it joined and its targets when found; the chains its text writes are built from
// the chain graph once, by CompleteCurrentStep, when a text or a check asks for them.
#pragma once
#include "analysis/chainproof.h"
#include "analysis/technique.h"
#include "model/board.h"
#include <cstdint>

struct Analysis;

// How a chain or almost-locked-set step was found.
enum StepRule : int {
    RULE_NONE = 0,
    RULE_COLOUR_TRAP, // two colours of one cluster see the target (two pattern nodes)
    RULE_CHAIN_PAIR,  // one of two pattern nodes in two clusters is true (ChainImplies)
    RULE_CELL_CHAIN,  // the pattern node is true or the target takes `other`
    RULE_ALS_XZ,      // sets A and B, restricted common digits `restricted`
    RULE_ALS_CHAIN,   // set A; the proof joins two nodes that see all of their digit in A
};

// What a written chain of the record shows.
enum StepChainRole : int {
    CHAIN_PROOF, // the step's chain: a = ... = b (forcing), or x - ... = y (ALS chain)
    CHAIN_FALSE, // ALS chain: the proof's first node false makes another target false
    CHAIN_LINK,  // ALS: cells whose digit the graph, not a unit, shows cannot both be true
};

constexpr int CHAIN_DISPLAY_MAX = 64;

// Clusters (chain indexes) drawn for a step, in drawing order.
struct ChainDisplayListRecord {
    int count;
    int32_t entries[CHAIN_DISPLAY_MAX];
};

constexpr int STEP_CHAINS_MAX = 160;
constexpr int STEP_CHAIN_NODES_MAX = 1024; // more than a text of STEP_TEXT_SIZE can write
constexpr int STEP_CLUSTERS_MAX = 192;     // the proof's clusters and the ChainDisplayList's

struct StepChain {
    int role;         // CHAIN_
    int first, count; // nodes in the record's chain pool
};

// An almost locked set: its cells ascending and their digits.
struct StepSet {
    int count;
    uint8_t cells[9];
    DigitMask digits;
};

// A forcing step named without a chain: by the colours that forced it.
enum StepColouring : int {
    COLOURING_NONE = 0, // "Forcing chain"
    COLOURING_SIMPLE,   // a trap in a cluster of one digit
    COLOURING_MEDUSA,   // a trap in a cluster of several digits
    COLOURING_MULTI,    // two clusters of the digit
};

// A cell with digits: a pattern cell with the digits its mark shows, or a target with the
// digits it loses.
struct StepCell {
    uint8_t cell;
    DigitMask digits;
};

struct StepRecord {
    int technique;         // TQ_ (technique.h), a technique of CLASSIC_TECHNIQUES
    int size;              // digits of a subset, base lines of a fish (1 for locked candidates)
    int unit;              // 0..26 as described for each technique; -1 when none
    int line;              // pointing: the line (unit index); claiming: the box; else -1
    DigitMask digits;      // a subset's digits as found, or the one digit of the step
    int family;            // fish base lines: 0 rows, 1 columns
    uint16_t base, cover;  // fish: nine-bit sets of base and cover lines
    int finCount;          // fish fins: base cells off the cover lines, ascending
    uint8_t fins[36];      //
    int nakedCount;        // a naked subset's cells (the rest of the unit), ascending
    uint8_t nakedCells[4]; //
    DigitMask nakedDigits; //
    uint8_t links[2];      // box and two lines: the link cells, ascending,
    int linkLines[2];      // and the line (unit index) of each that crosses the box
    int patternCount;      // pattern cells, ascending; singles: every single found
    StepCell pattern[81];  //
    int targetCount;       // cells that lose digits, ascending
    StepCell targets[81];  //
    int placed;            // the cell a single enters, or -1
    // Chain and almost-locked-set steps, as found. Forcing: the pattern holds the nodes that
    // see the target. ALS: sets[1] is empty for the chain rule.
    int rule;             // RULE_
    DigitMask other;      // cell chain: the target's digit the chain makes true
    StepSet sets[2];      // ALS: A and B
    DigitMask restricted; // ALS-XZ: X
    int zSets;            // ALS-XZ: the sets whose Z every target sees, bit 0 A, bit 1 B
    int graphNodes[2];    // the chain-graph nodes the search joined, for CompleteCurrentStep
    // The clusters the board shows with the step, in drawing order: those the graph search
    // crossed (deepest first), then those the rule joined.
    ChainDisplayListRecord display;
    // Filled by CompleteCurrentStep: the chains the text writes (proof, then the false ones,
    // then links) in one pool of nodes, where strong[i] links node i to node i + 1; the
    // clusters the text names; how a step with no chain written is named.
    int completed;                         // 1 once filled
    int chainCount;                        //
    StepChain chains[STEP_CHAINS_MAX];     //
    int nodeCount;                         //
    ProofNode nodes[STEP_CHAIN_NODES_MAX]; //
    uint8_t strong[STEP_CHAIN_NODES_MAX];  //
    int clusterCount;                      //
    int16_t clusters[STEP_CLUSTERS_MAX];   //
    int colouring;                         // COLOURING_
};

// Empties the record (technique TQ_NONE, no cells).
void ClearCurrentStep(Analysis* A);
// Starts the record of a chain or almost-locked-set step whose targets lose the digit.
void RecordChainStep(Analysis* A, int technique, int rule, DigitMask digit);
// Adds a target losing the record's digits.
void AddChainStepTarget(Analysis* A, int cell);
// Shows the chosen step: writes the StepMarks of the record (pattern cells, singles: the digits
// alone; link cells; the cells of ALS A and B, a cell of both MARK_SHARED, with the step's
// digit; targets, but a subset's targets are its pattern cells and get no mark of their own)
// and makes the ChainDisplayList the record's display list.
void MarkCurrentStep(Analysis* A);
// The marks of the record, as MarkCurrentStep writes them, into marks (81 cells; 0 where the
// step has no mark).
void StepMarksOf(const StepRecord& step, uint16_t* marks);
// Adds a cluster to the record's display list (past CHAIN_DISPLAY_MAX, dropped); -1 is none.
void AddStepDisplay(StepRecord* step, int chain);
// Carries the record out: a single enters `placed`, every other technique takes each
// target's digits out of the AnalysisGrid. Returns 1 when it had a step to carry out, else 0.
int ApplyCurrentStep(Analysis* A);
// 1 when a finned fish, without its fins, leaves a base line that holds a fin with no
// candidate of the digit in the fin box (where the line meets the cover lines), else 0.
int StepIsSashimi(const StepRecord& step, const DigitMask* grid);
// Appends a chain with its role; one that overflowed or finds no room is left out. Returns 1
// when added.
int AddStepChain(StepRecord* step, int role, const ChainProofRecord& proof);
// Chain i of the record as a ChainProofRecord.
void StepChainProof(const StepRecord& step, int i, ChainProofRecord* proof);
// The index of the record's first chain with the role, or -1.
int FindStepChain(const StepRecord& step, int role);
