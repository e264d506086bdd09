// Long checks of the exact-cover subsystem, too slow for the unit tests:
//  1. every board of the generator trace counted (limits 0 and 1) by the fast counter and by
//     the plain build: same results, same solution grid; the limit-1 tally as the data README says;
//  2. 1000 CreatePuzzle calls: every puzzle unique and minimal, its solution in SolutionGrid;
//  3. the first 300 boards of the benchmark set (several solutions each) counted at limits 2, 5
//     and 40, where the per-level rule counts past limit + 1, by both: same results and grids.
// Exit status 0 when everything holds.
#include "bench/reference/literal_engine.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "model/board.h"
#include "model/game.h"
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>

// The 81 cells of a puzzle line ('1'-'9' digits, anything else empty).
static void ReadCells(const std::string& line, uint8_t* cells) {
    for (int i = 0; i < 81; i++)
        cells[i] = line[i] >= '1' && line[i] <= '9' ? uint8_t(line[i] - '0') : 0;
}

// Counts the boards of a data file (at most maxBoards) at each limit with the fast counter and
// the plain build, reporting the first differences (result or grid) under name; returns how
// many counts differ, -1 when the file cannot be read. *boards gets the boards counted; tally,
// when given, the limit-1 results: none, one, several.
static long CompareCounts(const char* name, const char* file, long maxBoards,
                          std::initializer_list<int32_t> limits, long* boards, long* tally) {
    std::ifstream in(std::string(QUADRIVO_DATA_DIR) + "/" + file);
    if (!in) {
        std::printf("%s: file not found\n", name);
        return -1;
    }
    std::string line;
    long differ = 0;
    for (*boards = 0; *boards < maxBoards && std::getline(in, line);) {
        if (line.size() < 81) continue;
        uint8_t cells[81];
        ReadCells(line, cells);
        for (int32_t limit : limits) {
            uint8_t plainGrid[81] = {}, fastGrid[81] = {};
            const int32_t plain = LiteralCountSolutions(cells, limit, plainGrid);
            const int32_t fast = CountSolutions(cells, limit, fastGrid);
            if ((fast != plain || std::memcmp(plainGrid, fastGrid, 81)) && differ++ < 5)
                std::printf("%s: board %ld limit %d: fast %d, plain %d\n", name, *boards + 1, limit,
                            fast, plain);
            if (tally && limit == 1) tally[fast < 1 ? 0 : fast == 1 ? 1 : 2]++;
        }
        ++*boards;
    }
    return differ;
}

static int CheckTrace() {
    long boards = 0, tally[3] = {0, 0, 0};
    const long differ =
        CompareCounts("trace", "generator_count_trace_1000.txt", LONG_MAX, {0, 1}, &boards, tally);
    if (differ < 0) return 1;
    std::printf("trace: %ld boards x limits 0 and 1, %ld differ; limit 1: %ld none, %ld one, "
                "%ld several\n",
                boards, differ, tally[0], tally[1], tally[2]);
    return differ == 0 ? 0 : 1;
}

static int CheckHigherLimits() {
    long boards = 0;
    const long differ = CompareCounts("higher limits", "puzzles7_serg_benchmark.txt", 300,
                                      {2, 5, 40}, &boards, nullptr);
    if (differ < 0) return 1;
    std::printf("higher limits: %ld boards x limits 2, 5 and 40, %ld differ\n", boards, differ);
    return differ == 0 ? 0 : 1;
}

static int CheckCreate(int puzzles) {
    auto gen = std::make_unique<Generator>();
    auto game = std::make_unique<Game>();
    SeedGenerator(gen.get(), 1);
    int bad = 0;
    long givens = 0;
    for (int n = 0; n < puzzles; n++) {
        CreateGame(game.get(), gen.get());
        uint8_t cells[81], solution[81], counted[81];
        std::memcpy(cells, game->Board, 81);
        std::memcpy(solution, game->SolutionGrid, 81);
        bool ok = CountSolutions(cells, 1, counted) == 1 && !std::memcmp(solution, counted, 81);
        int count = 0;
        for (int i = 0; i < 81 && ok; i++) {
            if (!cells[i]) continue;
            count++;
            uint8_t d = cells[i];
            ok = d <= 9 && solution[i] == d;
            cells[i] = 0;
            if (CountSolutions(cells, 1, counted) < 2) ok = false; // a removable given: not minimal
            cells[i] = d;
        }
        givens += count;
        if (!ok || count > 30) {
            if (bad++ < 5) std::printf("create: puzzle %d is not unique and minimal\n", n + 1);
        }
    }
    std::printf("create: %d puzzles (seed 1), %d not unique and minimal, %.1f givens on average\n",
                puzzles, bad, double(givens) / puzzles);
    return bad == 0 ? 0 : 1;
}

int main() {
    int failed = CheckCreate(1000);
    failed |= CheckTrace();
    failed |= CheckHigherLimits();
    return failed;
}
