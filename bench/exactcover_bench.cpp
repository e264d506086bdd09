// Exact-cover speed, side by side in one run, over the puzzle sets at limit 1: CountSolutions
// (band bitboards in the matrix's search order), the same search by dancing links in arrays,
// the plain build with a heap node per matrix entry, and the uniqueness solver SolveUnique;
// CreatePuzzle with each counter; and qqwing's generator in puzzles per second. Each figure is the
// median of three repetitions of CPU time (qqwing's: the CPU time of the child process), so other
// load on the machine does not skew the comparison; the ratios are printed after the table.
#include "bench/reference/literal_engine.h"
#include "exactcover/bitboard.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "model/board.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {
using Board = std::vector<uint8_t>;

struct Workload {
    const char* name;
    const char* file;
    size_t every; // take every n-th line
    std::vector<Board> boards;
};

Workload WORKLOADS[] = {
    {"trace", "generator_count_trace_1000.txt", 10, {}},
    {"17clue", "puzzles2_17_clue.txt", 10, {}},
    {"top1465", "puzzles3_magictour_top1465.txt", 1, {}},
    {"hardest1106", "puzzles6_forum_hardest_1106.txt", 1, {}},
    {"hardest11+", "puzzles5_forum_hardest_1905_11+.txt", 50, {}},
    {"generated", "generated_minimal_10k.txt", 5, {}},
    {"serg", "puzzles7_serg_benchmark.txt", 5, {}},
};

bool Load(Workload* w) {
    std::ifstream in(std::string(QUADRIVO_DATA_DIR) + "/" + w->file);
    std::string line;
    for (size_t n = 0; std::getline(in, line); n++) {
        if (line.size() < 81 || n % w->every) continue;
        Board b(81);
        for (int i = 0; i < 81; i++) b[i] = line[i] >= '1' && line[i] <= '9' ? line[i] - '0' : 0;
        w->boards.push_back(b);
    }
    return !w->boards.empty();
}

using Counter = int32_t (*)(const uint8_t*, int32_t, uint8_t*);

void CountAll(benchmark::State& state, const Workload* w, Counter count) {
    for (auto _ : state) {
        int64_t sum = 0;
        uint8_t solution[81];
        for (const Board& b : w->boards) sum += count(b.data(), 1, solution);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations() * w->boards.size()));
}

// The same puzzles for every counter: the same seed and the same number of iterations.
constexpr int CREATE_PUZZLES = 300;

// The uniqueness solver as a counter at limit 1 (its grid is left alone unless unique).
int32_t UniqueCounter(const uint8_t* board, int32_t, uint8_t* solution) {
    return SolveUnique(board, solution);
}

void CreateMany(benchmark::State& state, SolutionCounter count) {
    auto gen = std::make_unique<Generator>();
    SeedGenerator(gen.get(), 20240601);
    uint8_t board[81], solution[81];
    for (auto _ : state) CreatePuzzleWith(gen.get(), board, solution, count);
    state.SetItemsProcessed(state.iterations());
}

double ChildCpuSeconds() {
    rusage u;
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           1e-6 * double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

void Qqwing(benchmark::State& state) {
    std::string command = "qqwing --generate " + std::to_string(CREATE_PUZZLES) +
                          " --symmetry none --one-line 2>/dev/null";
    int64_t made = 0;
    for (auto _ : state) {
        double before = ChildCpuSeconds();
        FILE* p = popen(command.c_str(), "r");
        if (!p) {
            state.SkipWithError("cannot start qqwing");
            return;
        }
        char line[256];
        while (std::fgets(line, sizeof line, p))
            if (std::string(line).size() >= 81) made++;
        if (pclose(p) != 0 || made == 0) {
            state.SkipWithError("qqwing not installed or failed (apt-get install qqwing)");
            return;
        }
        state.SetIterationTime(ChildCpuSeconds() - before);
    }
    state.SetItemsProcessed(made);
}

// Keeps the median items/s of every benchmark, for the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> rate;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            bool single = r.run_type == Run::RT_Iteration && r.repetitions <= 1;
            auto it = r.counters.find("items_per_second");
            if ((median || single) && !r.error_occurred && it != r.counters.end())
                rate[r.run_name.function_name] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // a/b in items per second, or 0 when either is missing.
    double Ratio(const std::string& a, const std::string& b) const {
        auto x = rate.find(a), y = rate.find(b);
        return x == rate.end() || y == rate.end() || y->second == 0 ? 0 : x->second / y->second;
    }
};

void Configure(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
}
} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (Workload& w : WORKLOADS) {
        if (!Load(&w)) {
            std::fprintf(stderr, "skipping %s: %s not found\n", w.name, w.file);
            continue;
        }
        std::string base = std::string("Count/") + w.name + "/";
        const struct {
            const char* name;
            Counter count;
        } counters[] = {{"bitboard", CountSolutions},
                        {"links", LinksCountSolutions},
                        {"literal", LiteralCountSolutions},
                        {"unique", UniqueCounter}};
        for (const auto& c : counters)
            Configure(benchmark::RegisterBenchmark((base + c.name).c_str(), CountAll, &w, c.count));
    }
    const struct {
        const char* name;
        SolutionCounter count;
    } creators[] = {{"Create/bitboard", CountSolutions},
                    {"Create/links", LinksCountSolutions},
                    {"Create/literal", LiteralCountSolutions}};
    for (const auto& c : creators)
        Configure(
            benchmark::RegisterBenchmark(c.name, CreateMany, c.count)->Iterations(CREATE_PUZZLES));
    Configure(
        benchmark::RegisterBenchmark("Create/qqwing", Qqwing)->Iterations(1)->UseManualTime());

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nSpeed-ups over the plain build with heap nodes (median items/s, higher is "
                "faster):\n");
    for (const Workload& w : WORKLOADS) {
        std::string base = std::string("Count/") + w.name + "/";
        double bitboard = reporter.Ratio(base + "bitboard", base + "literal");
        double links = reporter.Ratio(base + "links", base + "literal");
        double unique = reporter.Ratio(base + "unique", base + "literal");
        if (bitboard > 0)
            std::printf("  %-12s %6zu boards  CountSolutions %5.2fx  links %5.2fx  SolveUnique "
                        "%5.2fx\n",
                        w.name, w.boards.size(), bitboard, links, unique);
    }
    for (const char* name : {"Create/bitboard", "Create/links"})
        if (double r = reporter.Ratio(name, "Create/literal"))
            std::printf("  %-15s %5.2fx literal (%.0f puzzles/s)\n", name, r, reporter.rate[name]);
    if (double r = reporter.Ratio("Create/bitboard", "Create/qqwing"))
        std::printf("  Create/bitboard %5.2fx qqwing --generate (%.0f puzzles/s)\n", r,
                    reporter.rate["Create/qqwing"]);
    benchmark::Shutdown();
    return 0;
}
