// "Create" by level: puzzles kept per second at each level (any level: the generator alone),
// puzzles drawn (and, at a level, rated) per second, and how many are drawn for each one kept.
// Seeded, so that runs compare; the figures are CPU time of the one thread that draws and rates
// (one core, whatever else the machine runs), one puzzle kept per iteration. Goal: 20 a second
// at every level.
#include "analysis/create.h"
#include "analysis/rating.h"
#include "control/create.h"
#include "exactcover/generator.h"
#include <benchmark/benchmark.h>
#include <memory>

namespace {
void CreateAtLevel(benchmark::State& state) {
    const int level = int(state.range(0));
    auto game = std::make_unique<Game>();
    auto rater = std::make_unique<Rater>();
    auto gen = std::make_unique<Generator>();
    SeedGenerator(gen.get(), 4242);
    int64_t tried = 0, kept = 0;
    for (auto _ : state) {
        tried += CreatePuzzleAtLevel(rater.get(), game.get(), gen.get(), level, nullptr, nullptr);
        kept++;
    }
    state.SetLabel(CreateLevelText(level));
    state.SetItemsProcessed(kept); // items_per_second: puzzles of the level per second
    state.counters["drawn/s"] = benchmark::Counter(double(tried), benchmark::Counter::kIsRate);
    state.counters["drawn/kept"] = kept ? double(tried) / double(kept) : 0.0;
}
// Each level for at least 5 s, so that even Very Difficult (one in about 30) keeps enough.
BENCHMARK(CreateAtLevel)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->MinTime(5.0);
} // namespace

BENCHMARK_MAIN();
