// The current step in words, e.g. "Hidden pair 4,7 in row 3: r3c2, r3c8 keep 4,7".
#pragma once
#include <cstddef>

struct Analysis;
struct StepRecord;

// A buffer for DescribeStep with room to spare: the longest line over the rating paths of the
// test data sets is about 600 characters (an almost-locked-set step with its links).
constexpr size_t STEP_TEXT_SIZE = 2048;

// Describes the step of the given kind from the step record (completing a chain or
// almost-locked-set step's record first), right after the RunAnalysis that found it and before
// ApplyStep. Writes one NUL-terminated line into the caller's buffer (cut to fit; chain steps
// with their chains written out run to a few hundred characters); returns its length.
// Allocates nothing.
int DescribeStep(Analysis* A, int kind, char* out, size_t size);
// What the step found does, from its record: "r1c5 = 4" for a single, the removals
// ("r2c4, r2c7 lose 5"), "" when it does neither. Returns the length.
int DescribeConclusion(const StepRecord& step, char* out, size_t size);
// The text of a step with its conclusion first: "r7c6 loses 7: Skyscraper ...". Where the text
// states the conclusion (its last statement after ": " or " => ", or in parentheses of its own)
// it is taken out there; otherwise the text follows whole. An empty conclusion leaves the text
// as it is. Returns the length written (cut to size).
int ConclusionFirst(const char* text, const char* conclusion, char* out, size_t size);
// The technique's name for the current step, as its description begins with it ("Hidden pair",
// "Sashimi X-wing", "XY-wing" for a forcing chain of that shape, "ALS-XZ doubly linked"),
// completing a chain or almost-locked-set record first; "" when none is recorded. Returns the
// length written.
int StepName(Analysis* A, char* out, size_t size);
// One cluster of the chain graph by its two colours, e.g. "b: (9)r1c4,r4c4 (3)r5c5 | (9)r2c5":
// the nodes of colour 1, then those of colour 0, each by digit. Returns the length written.
int DescribeChain(Analysis* A, int chain, char* out, size_t size);
