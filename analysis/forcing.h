// Forcing chains over the chain graph: colour traps, two chains, and chains through the cell.
#pragma once

struct Analysis;

// Each returns 1 when it found and recorded a step, else 0. FindForcingChain runs the colour
// trap on every open cell, then the two other rules cell by cell; each rule alone tries one
// cell.
int FindForcingChain(Analysis* A);
int FindColourTrap(Analysis* A, int cell);
int FindChainPairElimination(Analysis* A, int cell);
int FindCellChainElimination(Analysis* A, int cell);
// Writes the chain of the forcing step in the record, found from its nodes on the chain graph
// the search left, and how the step is named without one.
struct StepRecord;
void CompleteForcingStep(Analysis* A, StepRecord* step);
