// Hints that build up: the first level names the technique of the step found and where to look
// ("A hidden single in box 9"), drawn from the step record and the step's own text, so the
// window and the command line word it alike.
#pragma once
#include <cstddef>
#include <cstdint>

struct Analysis;

// The technique's name at the start of a step text, as it reads inside a sentence: the text up
// to the first ':', " (", " with " or " " before a digit, its first letter lower-cased unless
// the second is not a small letter ("Hidden single: ..." -> "hidden single", "X-wing 4 in ..."
// -> "X-wing", "ALS-XZ: ..." -> "ALS-XZ"). Returns the length written.
int HintTechniqueName(const char* stepText, char* out, size_t size);

// The first-level hint for the step of the kind just found, from its record (the chain graph
// and the AnalysisGrid as RunAnalysis left them): an article, the technique's name and where
// to look, e.g. "An X-wing in boxes 1, 3, 7 and 9". A single names the one the step button
// enters, in the unit where it is hidden or (naked) in its box. Without a step (STEP_NONE),
// or for a singles clash, the hint is the step's own words, stepText. Returns the length
// written.
int DescribeHint(Analysis* A, int kind, const char* stepText, char* out, size_t size);
