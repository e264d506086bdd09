// Frozen analysis behaviour: for a fixed sample of puzzles, every RunAnalysis of the rating loop
// (its StepKind, all 81 StepMarks and the ChainDisplayList), the final score and the filled
// count are folded into one FNV-1a hash per puzzle and compared with tests/data/
// analysis_golden.txt. Speed work on the techniques must leave every step, mark and chain
// order exactly as it was. The disabled test WriteGoldenFile writes the file afresh:
//   tests_analysis --gtest_also_run_disabled_tests --gtest_filter='*WriteGoldenFile*'
// Golden line: FILE LINE HASH RUNS (LINE 1-based, HASH 16 hex digits, RUNS = RunAnalysis calls).
#include "analysis/driver.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "model/board.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* GOLDEN_FILE = QUADRIVO_SOURCE_DIR "/tests/data/analysis_golden.txt";

// The sample: every stride-th line of a file, from the first, up to count puzzles.
struct GoldenSample {
    const char* file;
    size_t stride;
    size_t count;
};
constexpr GoldenSample SAMPLES[] = {
    {"generated_minimal_10k.txt", 33, 300},
    {"puzzles3_magictour_top1465.txt", 9, 150},
    {"puzzles6_forum_hardest_1106.txt", 3, 100},
    {"puzzles5_forum_hardest_1905_11+.txt", 487, 100},
};

struct Fnv {
    uint64_t h = 0xCBF29CE484222325ull;
    void Bytes(const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        for (size_t i = 0; i < n; i++) h = (h ^ b[i]) * 0x100000001B3ull;
    }
    void Int(int32_t v) {
        uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        Bytes(b, 4);
    }
};

struct Trace {
    uint64_t hash;
    int runs;
    int score; // the rating score, 0 when the logic does not fill the grid
};

// Plays the rating loop of RatePuzzle on a new game of the puzzle, hashing what every
// RunAnalysis leaves (the last one, which finds nothing, included).
Trace RatingTrace(const std::string& puzzle) {
    ResetForTest();
    LoadGivens(puzzle.c_str());
    AnalysisOptions.techniques = 0xFFFF;
    AnalysisOptions.pencilMarks = 1;
    AnalysisOptions.showCandidates = 0;
    RatingScore = 1;
    LoadMarks(1);
    Fnv fnv;
    int runs = 0;
    bool stuck = false;
    for (;;) {
        int kind = RunAnalysis();
        runs++;
        fnv.Int(kind);
        for (uint16_t m : StepMarks) fnv.Int(m);
        fnv.Int(ChainDisplayList.count);
        for (int i = 0; i < ChainDisplayList.count; i++) fnv.Int(ChainDisplayList.entries[i]);
        PendingStep = kind;
        if (kind == 0) break;
        uint8_t board[81];
        DigitMask grid[81];
        std::memcpy(board, Board, sizeof board);
        std::memcpy(grid, AnalysisGrid, sizeof grid);
        const uint32_t techniques = AnalysisOptions.techniques;
        ApplyStep(kind, true);
        if (!std::memcmp(board, Board, sizeof board) &&
            !std::memcmp(grid, AnalysisGrid, sizeof grid) &&
            techniques == AnalysisOptions.techniques) {
            stuck = true; // RatePuzzle ends here too
            break;
        }
    }
    const int filled = CountFilled();
    const int score = filled == 81 && !stuck ? RatingScore : 0;
    fnv.Int(filled);
    fnv.Int(score);
    RatingScore = 0;
    return {fnv.h, runs, score};
}

// Every line of a data file, numbered from 1 (index 0 unused).
std::vector<std::string> NumberedLines(const char* file) {
    std::vector<std::string> lines(1);
    std::ifstream in(DataPath(file));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

struct GoldenEntry {
    size_t line;
    uint64_t hash;
    int runs;
};

// The golden entries of one file, in file order.
std::vector<GoldenEntry> GoldenEntries(const char* file) {
    std::vector<GoldenEntry> entries;
    std::ifstream in(GOLDEN_FILE);
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream fields(text);
        std::string name, hex;
        GoldenEntry e{};
        if (!(fields >> name >> e.line >> hex >> e.runs) || name != file) continue;
        e.hash = std::stoull(hex, nullptr, 16);
        entries.push_back(e);
    }
    return entries;
}

class AnalysisGolden : public CoreTest {
  protected:
    // Recomputes the sample of one file and compares every puzzle with its golden line.
    void CheckSample(const GoldenSample& sample) {
        if (!DataAvailable(sample.file)) GTEST_SKIP() << "no " << sample.file;
        std::vector<GoldenEntry> entries = GoldenEntries(sample.file);
        ASSERT_EQ(entries.size(), sample.count) << "golden lines of " << sample.file;
        std::vector<std::string> lines = NumberedLines(sample.file);
        int differ = 0, stepped = 0;
        for (const GoldenEntry& e : entries) {
            ASSERT_LT(e.line, lines.size());
            Trace t = RatingTrace(lines[e.line]);
            stepped += t.runs > 1;
            if (t.hash != e.hash || t.runs != e.runs) {
                // Name the first few; one wrong step usually shifts many puzzles.
                if (++differ <= 5)
                    ADD_FAILURE() << sample.file << " line " << e.line << ": " << t.runs
                                  << " runs, expected " << e.runs << "; " << lines[e.line];
            }
        }
        EXPECT_EQ(differ, 0) << "puzzles whose analysis steps changed in " << sample.file;
        // The sample must apply steps, not only fail at the first run.
        EXPECT_GT(stepped, 0) << sample.file;
    }
};

TEST_F(AnalysisGolden, GeneratedSampleStepsUnchanged) {
    CheckSample(SAMPLES[0]);
}
TEST_F(AnalysisGolden, Top1465SampleStepsUnchanged) {
    CheckSample(SAMPLES[1]);
}
TEST_F(AnalysisGolden, Hardest1106SampleStepsUnchanged) {
    CheckSample(SAMPLES[2]);
}
TEST_F(AnalysisGolden, Hardest1905SampleStepsUnchanged) {
    CheckSample(SAMPLES[3]);
}

// The loop hashed above is the one RatePuzzle runs: both reach the same result.
TEST_F(AnalysisGolden, TracedLoopAgreesWithRatePuzzle) {
    std::vector<std::string> lines = NumberedLines(SAMPLES[1].file);
    if (lines.size() < 2) GTEST_SKIP() << "no " << SAMPLES[1].file;
    int rated = 0;
    for (size_t n = 1; n < lines.size() && n <= 100; n += 11) {
        Trace t = RatingTrace(lines[n]);
        ResetForTest();
        LoadGivens(lines[n].c_str());
        std::string message = RatePuzzle();
        if (t.score > 0) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "Rating %d (%s)", t.score, LevelName(t.score));
            EXPECT_EQ(message, expected) << lines[n];
            rated++;
        } else {
            EXPECT_EQ(message, "Can't solve this puzzle with logic!") << lines[n];
        }
    }
    EXPECT_GT(rated, 0);
}

// Writes the golden file from the code as it is now (run on purpose only).
TEST_F(AnalysisGolden, DISABLED_WriteGoldenFile) {
    std::ofstream out(GOLDEN_FILE);
    ASSERT_TRUE(out.good()) << GOLDEN_FILE;
    for (const GoldenSample& sample : SAMPLES) {
        std::vector<std::string> lines = NumberedLines(sample.file);
        size_t taken = 0;
        for (size_t n = 1; n < lines.size() && taken < sample.count; n += sample.stride) {
            if (lines[n].size() < 81) continue;
            Trace t = RatingTrace(lines[n]);
            char text[160];
            std::snprintf(text, sizeof text, "%s %zu %016" PRIx64 " %d\n", sample.file, n, t.hash,
                          t.runs);
            out << text;
            taken++;
        }
        EXPECT_EQ(taken, sample.count) << sample.file;
    }
}

} // namespace
