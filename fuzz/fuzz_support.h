// Shared pieces of the fuzz targets: the input as a file on disk, the checks every reader must
// pass, and what the program does next with a freshly read position.
#pragma once
#include <cstddef>
#include <cstdint>

struct Game;
struct Session;

// Every reader has two targets: the fast one (built with QUADRIVO_FUZZ_FAST) only reads and
// checks what was read, so that it runs a great many inputs; the deep one also plays the
// position read (refresh, check, analysis, history) under the sanitizers.
#ifdef QUADRIVO_FUZZ_FAST
constexpr bool FUZZ_DEEP = false;
#else
constexpr bool FUZZ_DEEP = true;
#endif

// The targets, one per reader (fuzz_NAME.cpp): each reads the input as its reader does, checks
// what was read and, deep, plays it; a broken state traps. Returns 0. The fuzz build makes each
// the libFuzzer entry point of its program; the tests replay the seeds and the inputs fuzz runs
// found through them.
int FuzzText(const uint8_t* data, size_t size);
int FuzzCollection(const uint8_t* data, size_t size);
int FuzzGameFile(const uint8_t* data, size_t size);
int FuzzSettings(const uint8_t* data, size_t size);
int FuzzCliInput(const uint8_t* data, size_t size);
#ifdef QUADRIVO_FUZZ_ENTRY
#define FUZZ_TARGET(name)                                                                          \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {                      \
        return name(data, size);                                                                   \
    }
#else
#define FUZZ_TARGET(name)
#endif

// Writes the input to this process's scratch file; returns its path.
const char* InputFile(const uint8_t* data, size_t size);

// What every reader must leave: cell bytes with digits 1..9, marks within 0x1FF, a collection
// position -1 or below its count, and 0 <= MovePos <= MoveEnd <= 81 with every record in use
// naming a cell 0..80 and a digit 1..9 (in setup mode too: the collection position is kept
// apart). Returns the first broken one's description, or nullptr when all hold.
const char* BrokenInvariant(const Game* G);
// Traps when BrokenInvariant finds one.
void CheckInvariants(const Game* G);

// Refresh, check and analyse the position as the program would after a reader:
// RefreshPosition, CheckPosition and RunAnalysis. A selector from the input chooses the
// techniques (bits 1-4, almost locked sets when bits 5 and 6 are both set, the analysis
// always on) and, with bit 7, the computed candidates
// instead of the marks; a selector of -1 keeps the options the reader brought.
void ExerciseLoadedGame(Session* S, int selector);

// The last byte of the input, the selector of ExerciseLoadedGame (0 for an empty input).
inline int Selector(const uint8_t* data, size_t size) {
    return size ? data[size - 1] : 0;
}

// Walks the history to both ends and back, then checks the invariants again.
void ExerciseHistory(Game* G);
