// Collections: the run of 81-character puzzle lines from the start of a file, counted once with
// an index of line offsets (CollectionLines, fixed memory) and then browsed puzzle by puzzle in
// setup mode. Data: the game's CurrentFile, CollectionIndex, CollectionCount, CollectionLines.
// Invariant: the index is used only for the file it was made from, unchanged since.
#include "files/collection.h"
#include "files/filereader.h"
#include "model/board.h"
#include "model/game.h"
#include "model/hooks.h"
#include "model/options.h"
#include <cstring>
#include <unistd.h>

// The index is trusted only for a file unchanged this long (nanoseconds) before it was counted:
// file times advance in clock ticks, and a change within the tick of the count could otherwise
// leave size and time as they were.
static constexpr int64_t SETTLED_NS = 2000000000;

// Bytes that stand for a cell in a collection line: digits and the four empty-cell characters.
static constexpr bool IsPuzzleCharacter(uint8_t c) {
    return (c >= '1' && c <= '9') || c == '.' || c == '0' || c == '-' || c == 'x';
}
// The same as a table, for the count's inner loop.
static constexpr struct PuzzleCharacterTable {
    bool is[256] = {};
    constexpr PuzzleCharacterTable() {
        for (int c = 0; c < 256; c++) is[c] = IsPuzzleCharacter(uint8_t(c));
    }
} PUZZLE_CHARACTERS;
// Bytes that may follow a puzzle's 81 characters, before a rating, a name or a comment.
static constexpr bool IsSeparator(uint8_t c) {
    return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '#';
}

// A puzzle line that lies whole in the block read, checked where it lies: 1 when it was
// one (taken into line and read to its end), 0 when the byte-wise reading must decide.
static int TakePuzzleLineInBlock(FileReader* r, uint8_t* line, int* length) {
    if (r->filled - r->at < 83) return 0;
    const uint8_t* p = r->block + r->at;
    for (int i = 0; i < 81; i++)
        if (!PUZZLE_CHARACTERS.is[p[i]]) return 0;
    const uint8_t end = p[81];
    if (end == '\n' || end == 0) {
        r->at += 82;
    } else if (end == '\r') {
        r->at += p[82] == '\n' ? 83 : 82;
    } else {
        return 0;
    }
    std::memcpy(line, p, 81);
    line[81] = 0;
    *length = 81;
    return 1;
}

// Reads the next line of a collection into line (its first 82 bytes; room for 83) with its
// length there. Returns 1 for a puzzle line (read to its end), 0 for another line (its rest
// unread), -1 at the end of the file (length 0).
static int NextCollectionLine(FileReader* r, uint8_t* line, int* length) {
    if (TakePuzzleLineInBlock(r, line, length)) return 1;
    bool longer;
    const int n = ReadTextLine(r, line, 82, &longer);
    *length = n < 0 ? 0 : n;
    if (n < 81) return n < 0 ? -1 : 0;
    for (int i = 0; i < 81; i++)
        if (!IsPuzzleCharacter(line[i])) return 0;
    if (n == 82 && !IsSeparator(line[81])) return 0;
    if (longer) SkipLine(r); // the rating, name or comment
    return 1;
}

// To the first line: past a UTF-8 byte-order mark when the file starts with one.
static void SkipByteOrderMark(FileReader* r) {
    SeekReader(r, 0);
    if (NextByte(r) == 0xEF && NextByte(r) == 0xBB && NextByte(r) == 0xBF) return;
    SeekReader(r, 0);
}

// Notes that puzzle line index->count starts at offset (every every-th line is kept).
static void AddIndexEntry(CollectionIndexRecord* index, int64_t offset) {
    if (index->count % index->every != 0) return;
    if (index->entries == COLLECTION_INDEX_SLOTS) { // full: keep every other entry
        for (int i = 0; i < COLLECTION_INDEX_SLOTS / 2; i++)
            index->offsets[i] = index->offsets[2 * i];
        index->entries = COLLECTION_INDEX_SLOTS / 2;
        index->every *= 2;
        if (index->count % index->every != 0) return;
    }
    index->offsets[index->entries++] = offset;
}

static bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.modified == b.modified;
}

int IndexCollection(Game* G, CollectionIndexRecord* index, const char* path) {
    FileReader r;
    CollectionIndexRecord scan; // index stays as it is until the scan is complete
    if (!OpenReader(&r, path, &scan.file)) return -2;
    const int64_t started = RealTimeNs();
    r.limit = scan.file.size; // a file growing while it is read ends where it stood
    r.progress = G;
    if (r.size >= PROGRESS_STEP) r.nextReport = PROGRESS_STEP;
    SkipByteOrderMark(&r);
    uint8_t line[83]; // the count touches no shared buffer, so it may run on any thread
    int length;
    for (int64_t at = ReaderOffset(&r); scan.count < INT_MAX - 1; at = ReaderOffset(&r)) {
        if (NextCollectionLine(&r, line, &length) != 1) break; // any other line ends the run
        AddIndexEntry(&scan, at);
        scan.count++;
    }
    close(r.fd);
    if (r.cancelled) return -1;
    if (r.reported) ShellProgress(G, r.size, r.size); // done: a progress dialog may close
    scan.trusted = scan.file.modified < started - SETTLED_NS;
    *index = scan;
    return scan.count;
}

int ReadCollectionLine(const CollectionIndexRecord* index, const char* path, int line,
                       uint8_t* out) {
    FileReader r;
    FileIdentity file;
    if (!OpenReader(&r, path, &file)) return -1;
    r.limit = file.size;
    int n = 0; // the number of the next line read
    if (index->trusted && index->entries > 0 && SameFile(index->file, file)) {
        if (line > index->count) line = index->count; // the line that ends the run
        int entry = line / index->every;
        if (entry >= index->entries) entry = index->entries - 1;
        SeekReader(&r, index->offsets[entry]);
        n = entry * index->every;
    } else {
        SkipByteOrderMark(&r);
    }
    int length = 0;
    for (;; n++)
        if (NextCollectionLine(&r, out, &length) != 1 || n == line) break;
    close(r.fd);
    return length;
}

int CountCollection(Game* G, const char* path) {
    const int count = IndexCollection(G, &G->CollectionLines, path);
    if (count == -1) return -1; // cancelled
    if (count <= 1) return 0;   // one puzzle is no collection; -2: cannot be opened
    return count;
}

int LoadCollectionEntry(Game* G, const char* path, int line) {
    uint8_t text[LINE_BUFFER_SIZE];
    const int length = ReadCollectionLine(&G->CollectionLines, path, line < 0 ? 0 : line, text);
    if (length < 0) return 0; // cannot be opened: the board stays
    ResetGame(G);
    if (length < 81) return 0;
    G->AnalysisOptions.setupMode = 1;
    for (int i = 0; i < 81; i++) {
        uint8_t c = text[i];
        // '-', '0', '.', 'x' and every other byte that is not a digit leave the cell empty
        G->Board[i] = (c >= '1' && c <= '9') ? uint8_t((c - '0') | CELL_ENTERED) : 0;
    }
    return 1;
}

int ReopenCollection(Game* G) {
    if (!G->CurrentFile[0] || G->CollectionIndex < 0) return 0;
    return LoadCollectionEntry(G, G->CurrentFile, G->CollectionIndex) > 0;
}

// Loads collection puzzle `index` (0-based) after a navigation step.
static void LoadBrowsedPuzzle(Game* G, int index) {
    G->CollectionIndex = index;
    LoadCollectionEntry(G, G->CurrentFile, index);
}

int BrowseCollection(Game* G, NavButton button) {
    // Without a collection there is nothing to browse (the board being set up stays); a
    // position restored without its file cannot be browsed either.
    if (G->CollectionIndex < 0 || !G->CurrentFile[0]) return -1;
    const int last = G->CollectionCount - 1;
    int at = G->CollectionIndex;
    switch (button) {
    case NavButton::Undo:
        at = at > 0 ? at - 1 : 0;
        break;
    case NavButton::Redo:
        if (at < last) at++;
        break;
    case NavButton::GoToStart:
        at = 0;
        break;
    case NavButton::GoToEnd:
        if (at >= last) return 0; // on the last puzzle: "Goto Position"
        at = last;
        break;
    }
    LoadBrowsedPuzzle(G, at);
    return 1;
}

int GotoCollectionPuzzle(Game* G, int number) {
    if (G->CollectionIndex < 0 || G->CollectionCount < 1 || !G->CurrentFile[0]) return 0;
    // A number outside 1..count goes to the nearest end.
    if (number < 1) number = 1;
    if (number > G->CollectionCount) number = G->CollectionCount;
    LoadBrowsedPuzzle(G, number - 1);
    return 1;
}
