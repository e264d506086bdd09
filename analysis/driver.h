// The analysis driver: runs the enabled techniques cheapest first and stops at the first step;
// singles; and ApplyStep, which carries the recorded step out.
#pragma once
#include <cstdint>

struct Analysis;

constexpr int CHAIN_SHOW_ALL = 25;

// Clears the step record and runs the enabled techniques, cheapest first, until one records a
// step; returns its StepKind (analysis/state.h), STEP_NONE when none did.
int RunAnalysis(Analysis* A);
// The same, switched on or off by on instead of TECH_ANALYSIS, and on the computed candidates
// (else the marks) as onCandidates says instead of showCandidates.
int RunAnalysisWith(Analysis* A, bool on, bool onCandidates);
// Marks every single of the grid at once; returns how many were counted.
int FindSingles(Analysis* A);
// Marks every digit on the Board that differs from the known solution MARK_WRONG in StepMarks;
// returns how many.
int MarkWrongValues(Analysis* A);
// Carries out the step in StepMarks; adds its cost to RatingScore when addToScore is set.
void ApplyStep(Analysis* A, int kind, bool addToScore);

// Completes the record of a chain or almost-locked-set step with the chains its text writes
// and the clusters it names, built once from the chain graph; the rating, which needs no text,
// never asks. Must run while the graph, the grid and the ChainDisplayList are as the
// RunAnalysis that found the step left them; later calls do nothing.
void CompleteCurrentStep(Analysis* A);
