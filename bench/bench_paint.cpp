// Repaint speed: after each move the step shown is found again and the board painted, so the
// slowest refresh and paint met while stepping through the hardest puzzle sets with the step
// button (every technique on, candidates as marks) is what a user waits for at worst. Measured
// at the native scale in CPU time of this thread; the goal is 8 ms.
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "control/commands.h"
#include "control/session.h"
#include "display/paint.h"
#include "model/board.h"
#include "model/history.h"
#include "model/options.h"
#include <QGuiApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {
constexpr double GOAL_MS = 8.0;
constexpr int MAX_STEPS = 300;

double ThreadMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Puzzles of a data file, every n-th line.
std::vector<std::string> Lines(const char* file, size_t every) {
    std::vector<std::string> lines;
    std::ifstream in(std::string(QUADRIVO_DATA_DIR) + "/" + file);
    std::string line;
    for (size_t n = 0; std::getline(in, line); n++)
        if (line.size() >= 81 && n % every == 0) lines.push_back(line.substr(0, 81));
    return lines;
}

struct Paints {
    std::vector<double> ms;
    double slowest = 0;
    std::string slowestPuzzle;
    int slowestStep = 0;
};

// Steps through one puzzle as a user pressing the step button would, timing each paint.
void StepThrough(const std::string& puzzle, Paints* paints) {
    auto session = std::make_unique<Session>();
    Session* S = session.get();
    ResetGame(S);
    for (int i = 0; i < 81; i++)
        S->Board[i] = puzzle[i] >= '1' && puzzle[i] <= '9' ? uint8_t(puzzle[i] - '0') : 0;
    ResetPosition(S);
    S->AnalysisOptions.techniques = 0x3F;
    for (int step = 0; step < MAX_STEPS; step++) {
        // From the press (the first time: the marks stored) to the new picture: the step is
        // carried out, the next one found, the board painted.
        const double start = ThreadMs();
        RunCommand(S, step == 0 ? CMD_STORE_CANDIDATES : CMD_STEP);
        const QImage picture = RenderBoard(S);
        const double ms = ThreadMs() - start;
        benchmark::DoNotOptimize(picture.constBits());
        paints->ms.push_back(ms);
        if (ms > paints->slowest) {
            paints->slowest = ms;
            paints->slowestPuzzle = puzzle;
            paints->slowestStep = step;
        }
        if (S->A->PendingStep == 0) break;
    }
}

void Report(benchmark::State& state, const char* name, Paints& p) {
    std::sort(p.ms.begin(), p.ms.end());
    const double median = p.ms.empty() ? 0 : p.ms[p.ms.size() / 2];
    const double p99 = p.ms.empty() ? 0 : p.ms[size_t(0.99 * double(p.ms.size() - 1))];
    state.counters["paints"] = double(p.ms.size());
    state.counters["median_ms"] = median;
    state.counters["p99_ms"] = p99;
    state.counters["slowest_ms"] = p.slowest;
    std::printf("%s: %zu paints, median %.3f ms, 99th %.3f ms, slowest %.3f ms (goal <= %.0f ms: "
                "%s) at step %d of %s\n",
                name, p.ms.size(), median, p99, p.slowest, GOAL_MS,
                p.slowest <= GOAL_MS ? "met" : "MISSED", p.slowestStep, p.slowestPuzzle.c_str());
}

void PaintWhileStepping(benchmark::State& state, const char* file, size_t every) {
    const std::vector<std::string> puzzles = Lines(file, every);
    if (puzzles.empty()) {
        state.SkipWithError("data set missing");
        return;
    }
    for (auto _ : state) {
        Paints paints;
        for (const std::string& p : puzzles) StepThrough(p, &paints);
        Report(state, file, paints);
    }
}
} // namespace

BENCHMARK_CAPTURE(PaintWhileStepping, hardest1106, "puzzles6_forum_hardest_1106.txt", 1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PaintWhileStepping, hardest11plus_every50th,
                  "puzzles5_forum_hardest_1905_11+.txt", 50)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PaintWhileStepping, top1465, "puzzles3_magictour_top1465.txt", 1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
