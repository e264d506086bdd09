// Frozen analysis behaviour: for fixed samples of puzzles, every RunAnalysis of the rating loop
// (StepKind, the 81 StepMarks, the ChainDisplayList), the final score and the filled count are
// folded into one FNV-1a hash per puzzle and compared with tests/data/analysis_golden.txt
// (lines "SAMPLE LINE HASH RUNS"; SAMPLE is the file, with "@MASK" when the loop starts from
// another technique mask: 0x3F holds a first ALS pass without chain links, 0x2F ALS without a
// chain graph). Speed work must leave every step, mark and chain order as it was. To rewrite
// the file after a change of behaviour made on purpose:
//   tests_analysis --gtest_also_run_disabled_tests --gtest_filter='*WriteGoldenFile*'
// The tests after the golden ones hold the claims the speed work rests on.
#include "analysis/als.h"
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/links.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "tests/support.h"
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
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

// The name of a sample in the golden file.
std::string SampleKey(const GoldenSample& sample) {
    if (sample.techniques == 0xFFFF) return sample.file;
    char mask[16];
    std::snprintf(mask, sizeof mask, "@%x", unsigned(sample.techniques));
    return std::string(sample.file) + mask;
}

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

// Plays the rating loop of RatePuzzle on a new game of the puzzle, starting from the given
// technique mask, hashing what every RunAnalysis leaves (the last one, which finds nothing,
// included). Each step is described before it is applied, as the path command and the
// window do: the text asks the chain graph again, which must change no later step.
Trace RatingTrace(const std::string& puzzle, uint32_t techniques = 0xFFFF) {
    ResetForTest();
    LoadGivens(puzzle.c_str());
    AnalysisOptions.techniques = techniques;
    AnalysisOptions.pencilMarks = 1;
    AnalysisOptions.showCandidates = 0;
    RatingScore = 1;
    PositionQuiet = 1;
    LoadMarks(MARKS_FROM_CANDIDATES);
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
        char text[STEP_TEXT_SIZE];
        DescribeStep(kind, text, sizeof text);
        uint8_t board[81];
        DigitMask grid[81];
        std::memcpy(board, Board, sizeof board);
        std::memcpy(grid, AnalysisGrid, sizeof grid);
        const uint32_t before = AnalysisOptions.techniques;
        ApplyStep(kind, true);
        if (!std::memcmp(board, Board, sizeof board) &&
            !std::memcmp(grid, AnalysisGrid, sizeof grid) && before == AnalysisOptions.techniques) {
            stuck = true; // RatePuzzle ends here too
            break;
        }
    }
    const int filled = CountFilled();
    const int score = filled == 81 && !stuck ? RatingScore : 0;
    fnv.Int(filled);
    fnv.Int(score);
    RatingScore = 0;
    PositionQuiet = 0;
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

// The golden entries of one sample, in file order.
std::vector<GoldenEntry> GoldenEntries(const std::string& key) {
    std::vector<GoldenEntry> entries;
    std::ifstream in(GOLDEN_FILE);
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream fields(text);
        std::string name, hex;
        GoldenEntry e{};
        if (!(fields >> name >> e.line >> hex >> e.runs) || name != key) continue;
        e.hash = std::stoull(hex, nullptr, 16);
        entries.push_back(e);
    }
    return entries;
}

class AnalysisGolden : public CoreTest {
  protected:
    // Recomputes the sample and compares every puzzle with its golden line.
    void CheckSample(const GoldenSample& sample) {
        SKIP_WITHOUT_DATA(sample.file);
        const std::string key = SampleKey(sample);
        std::vector<GoldenEntry> entries = GoldenEntries(key);
        ASSERT_EQ(entries.size(), sample.count) << "golden lines of " << key;
        std::vector<std::string> lines = NumberedLines(sample.file);
        int differ = 0, stepped = 0;
        for (const GoldenEntry& e : entries) {
            ASSERT_LT(e.line, lines.size());
            Trace t = RatingTrace(lines[e.line], sample.techniques);
            stepped += t.runs > 1;
            if (t.hash != e.hash || t.runs != e.runs) {
                // Name the first few; one wrong step usually shifts many puzzles.
                if (++differ <= 5)
                    ADD_FAILURE() << key << " line " << e.line << ": " << t.runs
                                  << " runs, expected " << e.runs << "; " << lines[e.line];
            }
        }
        EXPECT_EQ(differ, 0) << "puzzles whose analysis steps changed in " << key;
        // The sample must apply steps, not only fail at the first run.
        EXPECT_GT(stepped, 0) << key;
    }
};

TEST_F(AnalysisGolden, EverySampleStepsUnchanged) {
    for (const GoldenSample& sample : SAMPLES) CheckSample(sample);
}

// Writes the golden file from the code as it is now (run on purpose only).
TEST_F(AnalysisGolden, DISABLED_WriteGoldenFile) {
    std::ofstream out(GOLDEN_FILE);
    ASSERT_TRUE(out.good()) << GOLDEN_FILE;
    for (const GoldenSample& sample : SAMPLES) {
        std::vector<std::string> lines = NumberedLines(sample.file);
        const std::string key = SampleKey(sample);
        size_t taken = 0;
        for (size_t n = 1; n < lines.size() && taken < sample.count; n += sample.stride) {
            if (lines[n].size() < 81) continue;
            Trace t = RatingTrace(lines[n], sample.techniques);
            char text[160];
            std::snprintf(text, sizeof text, "%s %zu %016" PRIx64 " %d\n", key.c_str(), n, t.hash,
                          t.runs);
            out << text;
            taken++;
        }
        EXPECT_EQ(taken, sample.count) << key;
    }
}

// --- What the shortcuts rest on ---------------------------------------------------------

class AnalysisShortcuts : public CoreTest {};

// A ChainImplies answer must not depend on the questions asked before it (failed searches are
// remembered): on real graphs, every question asked in one order and then, after the graph's
// links are collected again, in the reverse order, gets the same answer and the same chains.
TEST_F(AnalysisShortcuts, ChainImpliesAnswersDoNotDependOnEarlierQuestions) {
    SKIP_WITHOUT_DATA("puzzles3_magictour_top1465.txt");
    std::vector<std::string> lines = NumberedLines("puzzles3_magictour_top1465.txt");
    int graphs = 0, proofs = 0;
    for (size_t n = 1; n < lines.size() && graphs < 6; n += 97) {
        ResetForTest();
        LoadGivens(lines[n].c_str());
        LoadMarks(MARKS_FROM_CANDIDATES); // the candidates
        AnalysisGrid = MarkGrid;
        BuildChains();
        CollectWeakLinks();
        if (ChainCount < 4 || WeakLinkCount < 4) continue;
        graphs++;
        struct Answer {
            bool result;
            std::vector<int> chains;
        };
        const int nodes = ChainNodeCount;
        auto ask = [&](int a, int b, int colour) {
            ChainDisplayList.count = 0;
            Answer answer{ChainImplies(a, b, colour), {}};
            for (int i = 0; i < ChainDisplayList.count; i++)
                answer.chains.push_back(ChainDisplayList.entries[i]);
            return answer;
        };
        std::vector<Answer> forward;
        for (int a = 0; a < nodes; a++)
            for (int b = 0; b < nodes; b++)
                for (int colour = 0; colour < 2; colour++) forward.push_back(ask(a, b, colour));
        CollectWeakLinks(); // a new list: nothing remembered carries over
        for (int a = nodes - 1; a >= 0; a--)
            for (int b = nodes - 1; b >= 0; b--)
                for (int colour = 1; colour >= 0; colour--) {
                    const Answer& first = forward[size_t((a * nodes + b) * 2 + colour)];
                    Answer again = ask(a, b, colour);
                    ASSERT_EQ(again.result, first.result) << lines[n] << " " << a << " " << b;
                    ASSERT_EQ(again.chains, first.chains) << lines[n] << " " << a << " " << b;
                    proofs += again.result;
                }
    }
    EXPECT_GT(graphs, 0);
    EXPECT_GT(proofs, 0);
}

// The driver leaves out the second almost-locked-sets pass when the first already linked
// through the chain graph (as in every rating) and found nothing, because the second would
// repeat it exactly. Running it anyway finds nothing and changes neither the LinkCache, the
// pair table, the marks nor the display list.
TEST_F(AnalysisShortcuts, SecondAlsPassAfterALinkedFirstChangesNothing) {
    SKIP_WITHOUT_DATA("puzzles6_forum_hardest_1106.txt");
    std::vector<std::string> lines = NumberedLines("puzzles6_forum_hardest_1106.txt");
    int checked = 0;
    for (size_t n = 1; n < lines.size() && checked < 4; n += 5) {
        ResetForTest();
        LoadGivens(lines[n].c_str());
        AnalysisOptions.techniques = 0xFFFF;
        AnalysisOptions.pencilMarks = 1;
        LoadMarks(MARKS_FROM_CANDIDATES);
        if (RunAnalysis() != 0 || AlsCount == 0) continue; // the search must reach both passes
        checked++;
        // The cache, the pairs (digits, first, second), the marks and the display count.
        auto state = [] {
            std::vector<uint32_t> v(LinkCache, LinkCache + LinkCacheCount);
            for (int p = 0; p < AlsPairCount; p++)
                v.insert(v.end(),
                         {AlsPairTable[p].digits, AlsPairTable[p].first, AlsPairTable[p].second});
            v.insert(v.end(), StepMarks, StepMarks + 81);
            v.push_back(uint32_t(ChainDisplayList.count));
            return v;
        };
        const std::vector<uint32_t> before = state();
        AnalysisOptions.techniques |= TECH_ALS_CHAINS;
        EXPECT_EQ(FindAlmostLockedSets(), 0) << lines[n];
        EXPECT_EQ(state(), before) << lines[n];
    }
    EXPECT_GT(checked, 0);
}

} // namespace
