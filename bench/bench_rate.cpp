// Rating speed: RatePosition per puzzle over the generated and top1465 sets (median, 90th
// percentile and slowest puzzle), the slowest single RunAnalysis met while rating the hardest
// sets (one repaint of the board), and the player's path per puzzle on the same two sets. Each
// benchmark runs once over its whole set; the figures are counters in milliseconds of CPU time, and
// a summary against the goals follows.
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/player.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {
// The figures are the CPU time of this thread, so that other work on the machine does not
// inflate them (the Time column, set by hand, is the same CPU time summed).
struct Clock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<Clock, duration>;
    static time_point now() {
        timespec t;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(duration(int64_t(t.tv_sec) * 1000000000 + t.tv_nsec));
    }
};
using Cells = std::array<uint8_t, 81>;

struct PuzzleSet {
    const char* name;
    const char* file;
    size_t every; // take every n-th line
    std::vector<Cells> puzzles;
    std::vector<std::string> lines;
};

PuzzleSet SETS[] = {
    {"generated", "generated_minimal_10k.txt", 5, {}, {}},
    {"top1465", "puzzles3_magictour_top1465.txt", 1, {}, {}},
    {"hardest1106", "puzzles6_forum_hardest_1106.txt", 1, {}, {}},
};

bool Load(PuzzleSet* set) {
    std::ifstream in(std::string(QUADRIVO_DATA_DIR) + "/" + set->file);
    std::string line;
    for (size_t n = 0; std::getline(in, line); n++) {
        if (line.size() < 81 || n % set->every) continue;
        Cells c;
        for (int i = 0; i < 81; i++) c[i] = line[i] >= '1' && line[i] <= '9' ? line[i] - '0' : 0;
        set->puzzles.push_back(c);
        set->lines.push_back(line.substr(0, 81));
    }
    return !set->puzzles.empty();
}

// The game rated and the rater, one each for the whole run, as each CLI thread keeps its rater.
Game* const TheGame = new Game;
Rater* const TheRater = new Rater;

// A new game with the puzzle's givens, as the CLI loads it.
void NewGame(const Cells& cells) {
    *TheGame = Game();
    for (int i = 0; i < 81; i++) TheGame->Board[i] = cells[i];
    ResetPosition(TheGame);
}

// The message the CLI prints for the puzzle in TheGame.
std::string RateMessage() {
    char text[64];
    return RatingMessage(RatePosition(TheRater, TheGame, nullptr, nullptr), text, sizeof text);
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[size_t(p * double(v.size() - 1) + 0.5)];
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Figures kept for the summary.
struct Figures {
    double median = 0, high = 0, max = 0; // high: the 90th (rating) or 99th (runs) percentile
    std::string slowest;
};
Figures RateFigures[3];
Figures AnalysisFigures[3];
Figures PlayerFigures[3];

// The player's path of each puzzle (the solutions counted first, as the CLI does).
void PlayerPathAll(benchmark::State& state, int index) {
    const PuzzleSet& set = SETS[index];
    std::vector<double> times;
    int unsolved = 0;
    for (auto _ : state) {
        times.clear();
        unsolved = 0;
        Clock::duration total{};
        size_t slowest = 0;
        for (size_t i = 0; i < set.puzzles.size(); i++) {
            Clock::time_point t0 = Clock::now();
            const PlayerResult R =
                PlayerSolve(set.puzzles[i].data(), ORDER_PLAYER, -1, nullptr, nullptr);
            Clock::duration d = Clock::now() - t0;
            unsolved += !R.solved;
            total += d;
            times.push_back(Ms(d));
            if (times.back() > times[slowest]) slowest = i;
        }
        state.SetIterationTime(std::chrono::duration<double>(total).count());
        PlayerFigures[index] = {Percentile(times, 0.5), Percentile(times, 0.9), times[slowest],
                                set.lines[slowest]};
    }
    state.counters["puzzles"] = double(set.puzzles.size());
    state.counters["unsolved"] = double(unsolved);
    state.counters["median_ms"] = PlayerFigures[index].median;
    state.counters["p90_ms"] = PlayerFigures[index].high;
    state.counters["max_ms"] = PlayerFigures[index].max;
}

void RateAll(benchmark::State& state, int index) {
    const PuzzleSet& set = SETS[index];
    std::vector<double> times;
    for (auto _ : state) {
        times.clear();
        Clock::duration total{};
        size_t slowest = 0;
        for (size_t i = 0; i < set.puzzles.size(); i++) {
            NewGame(set.puzzles[i]);
            Clock::time_point t0 = Clock::now();
            benchmark::DoNotOptimize(RateMessage());
            Clock::duration d = Clock::now() - t0;
            total += d;
            times.push_back(Ms(d));
            if (times.back() > times[slowest]) slowest = i;
        }
        state.SetIterationTime(std::chrono::duration<double>(total).count());
        Figures& f = RateFigures[index];
        f = {Percentile(times, 0.5), Percentile(times, 0.9), times[slowest], set.lines[slowest]};
    }
    state.counters["puzzles"] = double(set.puzzles.size());
    state.counters["median_ms"] = RateFigures[index].median;
    state.counters["p90_ms"] = RateFigures[index].high;
    state.counters["max_ms"] = RateFigures[index].max;
}

// The times of the RunAnalysis calls of one rating: each runs from the end of the step before it
// (or the start) to the next step, or to the end of the rating.
struct RunTimes {
    std::vector<double>* runs;
    double slowest = 0;
    Clock::time_point since;
    void Took() {
        const double ms = Ms(Clock::now() - since);
        runs->push_back(ms);
        slowest = std::max(slowest, ms);
    }
};

void TimeRun(void* context, Analysis*, int, int phase) {
    RunTimes& times = *static_cast<RunTimes*>(context);
    if (phase == 0)
        times.Took();
    else
        times.since = Clock::now();
}

// RatePosition with each RunAnalysis timed on its own; returns the score, or 0 when the logic
// does not fill the grid.
int RateTimingEachRun(std::vector<double>* runs, double* slowest) {
    RunTimes times{runs, 0, Clock::now()};
    StartRating(TheRater, TheGame);
    times.since = Clock::now();
    const int score = RunRating(TheRater, TimeRun, &times);
    if (!TheRater->stuck) times.Took(); // the run that found nothing
    *slowest = times.slowest;
    return score;
}

void SlowestRunAnalysis(benchmark::State& state, int index) {
    const PuzzleSet& set = SETS[index];
    std::vector<double> runs;
    int mismatches = 0;
    for (auto _ : state) {
        runs.clear();
        double worst = 0;
        size_t worstPuzzle = 0;
        Clock::duration total{};
        for (size_t i = 0; i < set.puzzles.size(); i++) {
            NewGame(set.puzzles[i]);
            Clock::time_point t0 = Clock::now();
            double slowest;
            int score = RateTimingEachRun(&runs, &slowest);
            total += Clock::now() - t0;
            if (slowest > worst) {
                worst = slowest;
                worstPuzzle = i;
            }
            // Now and then, the timed rating must reach what an untimed one does.
            if (i % 25 == 0) {
                char expected[64];
                mismatches += RateMessage() != RatingMessage(score, expected, sizeof expected);
            }
        }
        state.SetIterationTime(std::chrono::duration<double>(total).count());
        AnalysisFigures[index] = {Percentile(runs, 0.5), Percentile(runs, 0.99), worst,
                                  set.lines[worstPuzzle]};
    }
    state.counters["runs"] = double(runs.size());
    state.counters["median_ms"] = AnalysisFigures[index].median;
    state.counters["p99_ms"] = AnalysisFigures[index].high;
    state.counters["max_ms"] = AnalysisFigures[index].max;
    state.counters["over_5ms"] =
        double(std::count_if(runs.begin(), runs.end(), [](double ms) { return ms > 5; }));
    if (mismatches) state.SkipWithError("the timed rating and an untimed one disagree");
}

void Verdict(const char* what, double value, double goal) {
    std::printf("  %-44s %9.3f ms   goal <= %5.1f ms   %s\n", what, value, goal,
                value <= goal ? "met" : "NOT MET");
}
} // namespace

int main(int argc, char** argv) {
    for (PuzzleSet& set : SETS)
        if (!Load(&set)) {
            std::fprintf(stderr, "cannot read %s/%s\n", QUADRIVO_DATA_DIR, set.file);
            return 1;
        }
    for (int i = 0; i < 2; i++)
        benchmark::RegisterBenchmark((std::string("RatePuzzle/") + SETS[i].name).c_str(), RateAll,
                                     i)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    for (int i = 0; i < 2; i++)
        benchmark::RegisterBenchmark((std::string("PlayerPath/") + SETS[i].name).c_str(),
                                     PlayerPathAll, i)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    for (int i = 1; i < 3; i++)
        benchmark::RegisterBenchmark((std::string("RunAnalysis/") + SETS[i].name).c_str(),
                                     SlowestRunAnalysis, i)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nRating goals (one core):\n");
    if (RateFigures[0].median > 0)
        Verdict("RatePuzzle median, generated", RateFigures[0].median, 1);
    if (RateFigures[1].median > 0) Verdict("RatePuzzle median, top1465", RateFigures[1].median, 10);
    double worst = 0;
    const std::string* where = nullptr;
    for (int i = 1; i < 3; i++)
        if (AnalysisFigures[i].max > worst) {
            worst = AnalysisFigures[i].max;
            where = &AnalysisFigures[i].slowest;
        }
    if (where) {
        Verdict("slowest RunAnalysis, top1465 + hardest1106", worst, 5);
        std::printf("  slowest RunAnalysis met rating %s\n", where->c_str());
    }
    if (PlayerFigures[1].median > 0) {
        Verdict("player's path median, top1465", PlayerFigures[1].median, 5);
        Verdict("player's path slowest, top1465", PlayerFigures[1].max, 1000);
        std::printf("  slowest player's path, top1465: %s\n", PlayerFigures[1].slowest.c_str());
    }
    if (PlayerFigures[0].median > 0)
        std::printf("  player's path, generated: median %.3f ms, slowest %.3f ms\n",
                    PlayerFigures[0].median, PlayerFigures[0].max);
    for (int i = 0; i < 2; i++)
        if (RateFigures[i].max > 0)
            std::printf("  slowest RatePuzzle, %s: %.3f ms  %s\n", SETS[i].name, RateFigures[i].max,
                        RateFigures[i].slowest.c_str());
    return 0;
}
