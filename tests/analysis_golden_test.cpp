// Frozen analysis behaviour: for fixed samples of puzzles, every RunAnalysis of the rating loop
// (StepKind, the 81 StepMarks, the ChainDisplayList), the final score and the filled count are
// folded into one FNV-1a hash per puzzle and compared with tests/data/analysis_golden.txt
// (lines "SAMPLE LINE HASH RUNS"; SAMPLE is the file, with "@MASK" when the loop starts from
// another technique mask: 0x3F holds a first ALS pass without chain links, 0x2F ALS without a
// chain graph). Speed work must leave every step, mark and chain order as it was. To rewrite
// the file after a change of behaviour made on purpose:
//   tests_analysis --gtest_also_run_disabled_tests --gtest_filter='*WriteGoldenFile*'
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "control/session.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {
const char* GOLDEN_FILE = QUADRIVO_SOURCE_DIR "/tests/data/analysis_golden.txt";

// The sample: every stride-th line of a file, from the first, up to count puzzles, rated from
// the technique mask `techniques` (0xFFFF as RatePuzzle does).
struct GoldenSample {
    const char* file;
    size_t stride;
    size_t count;
    uint32_t techniques;
};
constexpr GoldenSample SAMPLES[] = {
    {"generated_minimal_10k.txt", 33, 300, 0xFFFF},
    {"puzzles3_magictour_top1465.txt", 9, 150, 0xFFFF},
    {"puzzles6_forum_hardest_1106.txt", 3, 100, 0xFFFF},
    {"puzzles5_forum_hardest_1905_11+.txt", 487, 100, 0xFFFF},
    {"puzzles3_magictour_top1465.txt", 29, 50, 0x3F},
    {"puzzles6_forum_hardest_1106.txt", 7, 50, 0x3F},
    {"puzzles3_magictour_top1465.txt", 31, 40, 0x2F},
};

struct Fnv {
    uint64_t h = 0xCBF29CE484222325ull;
    void Int(int32_t v) {
        for (int i = 0; i < 4; i++) h = (h ^ uint8_t(v >> (8 * i))) * 0x100000001B3ull;
    }
};

// Hashes what a RunAnalysis left: its StepKind, the 81 StepMarks and the ChainDisplayList.
void HashRun(Fnv& fnv, const Analysis* A, int kind) {
    fnv.Int(kind);
    for (uint16_t m : A->StepMarks) fnv.Int(m);
    fnv.Int(A->ChainDisplayList.count);
    for (int i = 0; i < A->ChainDisplayList.count; i++) fnv.Int(A->ChainDisplayList.entries[i]);
}

struct Trace {
    Fnv fnv;
    int runs = 0;
};

// Before each step: the run that found it, hashed, and the step described as the path command
// and the window do (the text asks the chain graph again, which must change no later step).
void TraceStep(void* context, Analysis* A, int kind, int phase) {
    if (phase != 0) return;
    Trace& trace = *static_cast<Trace*>(context);
    HashRun(trace.fnv, A, kind);
    trace.runs++;
    char text[STEP_TEXT_SIZE];
    DescribeStep(A, kind, text, sizeof text);
}

// Rates the puzzle from the given technique mask, hashing what every RunAnalysis leaves (the
// last one, which finds nothing, included), then the filled count and the score. Returns the
// golden line "HASH RUNS".
std::string RatingTrace(const std::string& puzzle, uint32_t techniques) {
    static Rater* const rater = new Rater;
    LoadGivens(puzzle.c_str());
    StartRating(rater, S);
    rater->game.AnalysisOptions.techniques = techniques & ~TECH_ALS_CHAINS;
    rater->A->AlsChainLinks = (techniques & TECH_ALS_CHAINS) != 0;
    Trace trace;
    const int score = RunRating(rater, TraceStep, &trace);
    if (!rater->stuck) { // the run that found nothing
        HashRun(trace.fnv, rater->A, STEP_NONE);
        trace.runs++;
    }
    trace.fnv.Int(CountFilled(&rater->game));
    trace.fnv.Int(score);
    char line[64];
    std::snprintf(line, sizeof line, "%016" PRIx64 " %d", trace.fnv.h, trace.runs);
    return line;
}

// The name of a sample in the golden file.
std::string SampleKey(const GoldenSample& sample) {
    char mask[16] = "";
    if (sample.techniques != 0xFFFF) std::snprintf(mask, sizeof mask, "@%x", sample.techniques);
    return sample.file + std::string(mask);
}

// The golden lines of a sample as the code gives them now: "SAMPLE LINE HASH RUNS".
std::vector<std::string> SampleLines(const GoldenSample& sample) {
    std::vector<std::string> lines;
    std::ifstream in(DataPath(sample.file));
    std::string puzzle;
    for (size_t n = 1; std::getline(in, puzzle) && lines.size() < sample.count; n++)
        if ((n - 1) % sample.stride == 0 && puzzle.size() >= 81)
            lines.push_back(SampleKey(sample) + " " + std::to_string(n) + " " +
                            RatingTrace(puzzle, sample.techniques));
    return lines;
}

class AnalysisGolden : public CoreTest {};

TEST_F(AnalysisGolden, EverySampleStepsUnchanged) {
    std::ifstream in(GOLDEN_FILE);
    std::vector<std::string> golden;
    for (std::string line; std::getline(in, line);) golden.push_back(line);
    ASSERT_FALSE(golden.empty()) << GOLDEN_FILE;
    for (const GoldenSample& sample : SAMPLES) {
        SKIP_WITHOUT_DATA(sample.file);
        const std::string key = SampleKey(sample) + " ";
        std::vector<std::string> want;
        for (const std::string& line : golden)
            if (line.compare(0, key.size(), key) == 0) want.push_back(line);
        const std::vector<std::string> now = SampleLines(sample);
        ASSERT_EQ(now.size(), want.size()) << key;
        int differ = 0;
        for (size_t i = 0; i < now.size(); i++)
            if (now[i] != want[i] && ++differ <= 5) // one wrong step usually shifts many
                ADD_FAILURE() << "now " << now[i] << ", golden " << want[i];
        EXPECT_EQ(differ, 0) << "puzzles whose analysis steps changed in " << key;
    }
}

// Writes the golden file from the code as it is now (run on purpose only).
TEST_F(AnalysisGolden, DISABLED_WriteGoldenFile) {
    std::ofstream out(GOLDEN_FILE);
    for (const GoldenSample& sample : SAMPLES)
        for (const std::string& line : SampleLines(sample)) out << line << "\n";
}
} // namespace
