// Collection load times: opening a collection (the count with its index and the first puzzle
// shown), going to its last puzzle, back to the first and to one in the middle, on the two
// largest shared lists; the same last puzzle read from the start of the file, as when the file
// changed since its count; and the count's throughput on a generated LF list of about 200 MB
// (in the temporary folder, removed afterwards). Times are wall-clock, the file in the page
// cache after the first run; a summary against the goal follows.
#include "control/session.h"
#include "files/collection.h"
#include "files/filereader.h"
#include "model/history.h"
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct ListFile {
    const char* name;
    std::string path;
    int count = 0;     // puzzles, once opened
    double lastMs = 0; // going to the last puzzle: the mean of the runs
};
ListFile LISTS[] = {
    {"top1465", std::string(QUADRIVO_DATA_DIR) + "/puzzles3_magictour_top1465.txt"},
    {"17_clue", std::string(QUADRIVO_DATA_DIR) + "/puzzles2_17_clue.txt"},
    {"generated_200MB", ""},
};
constexpr int GENERATED = 2;

int64_t FileSize(const std::string& path) {
    struct stat s = {};
    return stat(path.c_str(), &s) == 0 ? int64_t(s.st_size) : 0;
}

// Opens the list as "Open Puzzle(s)..." does: the count, the index and puzzle 1 shown.
void Open(benchmark::State& state, ListFile* list) {
    auto session = std::make_unique<Session>();
    Session* S = session.get();
    for (auto _ : state) {
        std::snprintf(S->CurrentFile, sizeof S->CurrentFile, "%s", list->path.c_str());
        OpenChosenFile(S);
    }
    list->count = S->CollectionCount;
    if (S->CollectionIndex != 0) state.SkipWithError("not opened as a collection");
    state.SetBytesProcessed(state.iterations() * FileSize(list->path));
    state.counters["puzzles"] = S->CollectionCount;
}

// "Goto Position" on the open list: to its last puzzle, its first, or the one in the middle.
enum Where { LAST, FIRST, MIDDLE };
void Goto(benchmark::State& state, ListFile* list, Where where) {
    auto session = std::make_unique<Session>();
    Session* S = session.get();
    std::snprintf(S->CurrentFile, sizeof S->CurrentFile, "%s", list->path.c_str());
    OpenChosenFile(S);
    const int number = where == LAST    ? S->CollectionCount
                       : where == FIRST ? 1
                                        : S->CollectionCount / 2;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) GotoCollectionPuzzle(S, number);
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    if (where == LAST) list->lastMs = spent.count() / double(state.iterations());
    if (S->CollectionIndex != number - 1) state.SkipWithError("the puzzle was not reached");
    state.counters["every"] = S->CollectionLines.every;
}

// The last puzzle read from the start of the file, without the index.
void LastFromStart(benchmark::State& state, ListFile* list) {
    static const CollectionIndexRecord none;
    int length = 0;
    uint8_t line[LINE_BUFFER_SIZE];
    for (auto _ : state)
        length = ReadCollectionLine(&none, list->path.c_str(), list->count - 1, line);
    if (length < 81) state.SkipWithError("the last line was not read");
}

// The count alone (IndexCollection), as bytes a second.
void Count(benchmark::State& state, ListFile* list) {
    static CollectionIndexRecord index;
    static Game game;
    for (auto _ : state)
        benchmark::DoNotOptimize(IndexCollection(&game, &index, list->path.c_str()));
    state.SetBytesProcessed(state.iterations() * FileSize(list->path));
    state.counters["puzzles"] = index.count;
}

// Writes the generated list: top1465's lines again and again with LF ends to about 200 MB,
// its times an hour back (a list that has not changed lately, so its index is trusted).
bool Generate(ListFile* list, const ListFile& source) {
    std::ifstream in(source.path);
    std::string lines, line;
    while (std::getline(in, line))
        if (line.size() >= 81) lines += line.substr(0, 81) + "\n";
    if (lines.empty()) return false;
    const char* folder = std::getenv("TMPDIR");
    list->path = std::string(folder && folder[0] ? folder : "/tmp") + "/quadrivo-bench-" +
                 std::to_string(getpid()) + ".txt";
    std::ofstream out(list->path, std::ios::binary);
    for (size_t written = 0; written < (200u << 20); written += lines.size()) out << lines;
    out.close();
    timespec times[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    utimensat(AT_FDCWD, list->path.c_str(), times, 0);
    return bool(out);
}

template <class Run, class... Args>
void Register(const std::string& name, int iterations, benchmark::TimeUnit unit, Run run,
              Args... args) {
    benchmark::RegisterBenchmark(name.c_str(), run, args...)
        ->Iterations(iterations)
        ->UseRealTime()
        ->Unit(unit);
}
} // namespace

int main(int argc, char** argv) {
    for (int i = 0; i < GENERATED; i++)
        if (FileSize(LISTS[i].path) == 0) {
            std::fprintf(stderr, "cannot read %s\n", LISTS[i].path.c_str());
            return 1;
        }
    if (!Generate(&LISTS[GENERATED], LISTS[0])) {
        std::fprintf(stderr, "cannot write the generated list\n");
        return 1;
    }
    for (ListFile& list : LISTS) {
        const bool big = &list == &LISTS[GENERATED];
        const std::string name = std::string("Collection/") + list.name;
        const int runs = big ? 3 : 20;
        Register(name + "/Open", runs, benchmark::kMillisecond, Open, &list);
        Register(name + "/GotoLast", 10 * runs, benchmark::kMicrosecond, Goto, &list, LAST);
        Register(name + "/GotoFirst", 10 * runs, benchmark::kMicrosecond, Goto, &list, FIRST);
        Register(name + "/GotoMiddle", 10 * runs, benchmark::kMicrosecond, Goto, &list, MIDDLE);
        Register(name + "/LastFromStart", runs, benchmark::kMillisecond, LastFromStart, &list);
        if (big) Register(name + "/Count", runs, benchmark::kMillisecond, Count, &list);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(LISTS[GENERATED].path.c_str());

    std::printf("\nGoing to the last puzzle (goal: well under 100 ms):\n");
    for (const ListFile& list : LISTS)
        if (list.lastMs > 0)
            std::printf("  %-16s %8d puzzles  %9.3f ms  %s\n", list.name, list.count, list.lastMs,
                        list.lastMs < 100 ? "met" : "NOT MET");
    return 0;
}
