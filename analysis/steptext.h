// The current step in words, e.g. "Hidden pair 4,7 in row 3: r3c2, r3c8 keep 4,7".
#pragma once
#include <cstddef>

// Describes the step of the given kind held in StepMarks / ChainDisplayList (and, for
// eliminations, the AnalysisGrid before ApplyStep). Writes a NUL-terminated line; returns its length.
int DescribeStep(int kind, char* out, size_t size);
