// Shared pieces of the fuzz targets (see fuzz_support.h).
#include "fuzz/fuzz_support.h"
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "control/session.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

const char* InputFile(const uint8_t* data, size_t size) {
    static std::string path;
    if (path.empty()) {
        // A memory-backed folder when there is one: a file is written for every input.
        const char* folder = std::getenv("TMPDIR");
        if (!folder || !folder[0]) folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        path = std::string(folder) + "/quadrivo-fuzz-" + std::to_string(getpid()) + ".bin";
        std::atexit([] { std::remove(path.c_str()); });
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    return path.c_str();
}

const char* BrokenInvariant(const Game* G) {
    for (int i = 0; i < 81; i++) {
        int d = G->Board[i] & CELL_DIGIT;
        if (G->Board[i] != 0 && (d < 1 || d > 9)) return "a cell byte without a digit 1..9";
        if (G->MarkGrid[i] > ALL_DIGITS) return "a mark above 0x1FF";
    }
    if (G->CollectionIndex < -1 ||
        (G->CollectionIndex >= 0 && G->CollectionIndex >= G->CollectionCount))
        return "a collection position outside its count";
    if (G->MovePos < 0 || G->MovePos > G->MoveEnd || G->MoveEnd > 81)
        return "history counters out of range";
    for (int j = 0; j < G->MoveEnd; j++) {
        int d = G->MoveHistory[j] & CELL_DIGIT;
        if ((G->MoveHistory[j] >> 8) > 80 || d < 1 || d > 9) return "a move record out of range";
    }
    return nullptr;
}

void CheckInvariants(const Game* G) {
    if (BrokenInvariant(G)) __builtin_trap();
}

void ExerciseLoadedGame(Session* S, int selector) {
    CheckInvariants(S);
    RefreshPosition(S);
    CheckPosition(S);
    S->AnalysisOptions.techniques |= TECH_ANALYSIS;
    if (selector >= 0) {
        // The costly almost-locked-set search on one input in four.
        S->AnalysisOptions.techniques = TECH_ANALYSIS | (uint32_t(selector) & 0x1E) |
                                        ((selector & 0x60) == 0x60 ? TECH_ALS : 0);
        S->AnalysisOptions.showCandidates = (selector & 0x80) != 0;
    }
    if (S->AnalysisOptions.showCandidates) ComputeCandidates(S); // as the display does first
    RunAnalysis(S->A);
    CheckInvariants(S);
}

void ExerciseHistory(Game* G) {
    if (G->AnalysisOptions.setupMode) return; // the counters hold a collection position
    GoToEnd(G);
    GoToStart(G);
    Redo(G);
    GoToEnd(G);
    Undo(G);
    CheckInvariants(G);
}
