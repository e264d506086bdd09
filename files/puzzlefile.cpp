// Puzzle files: collections (a run of puzzle lines from the start, browsed in setup mode) and
// saved games (a puzzle block, move records "[ n R.C. = d]" and mark records "{.........}"),
// read in blocks through a descriptor that is never a pipe or device, and written whole through
// a temporary file. CollectionLines indexes the collection counted last, in fixed memory.
// Invariant after every reader: Board bytes are 0 or carry a digit 1..9, and outside setup mode
// 0 <= MovePos <= MoveEnd <= 81 with every record in use naming a cell 0..80 and a digit 1..9.
#include "files/puzzlefile.h"
#include "model/game.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

// Why the last save failed, "" after a save that succeeded (truncated past its size); like
// errno, one per thread.
static thread_local char SaveErrorText[PATH_MAX + 64];
// Why the last open for reading failed, "" after one that succeeded.
static thread_local char OpenErrorText[PATH_MAX + 64];

// A game holds at most one move per cell.
static constexpr int MAX_MOVES = 81;
static_assert(MAX_MOVES < HISTORY_SLOTS);

static constexpr int MOVE_RECORD_SIZE = 15; // "[%2d R%cC%c = %c]\r\n"
static constexpr int MARK_RECORD_SIZE = 12; // "{" nine bytes "}" blank
static constexpr int MARK_LINE_SIZE = 9 * MARK_RECORD_SIZE + 2;
// The largest saved game: 3x3 block, 81 moves, nine mark lines.
static constexpr int SAVE_MAX = 123 + MAX_MOVES * MOVE_RECORD_SIZE + 9 * MARK_LINE_SIZE;
// Links followed from a save's path to the file written, as the system's own limit.
static constexpr int MAX_LINKS = 40;

// Files are read in blocks of this size.
static constexpr int READ_BLOCK_SIZE = 64 * 1024;
// A saved game is a few KiB (SAVE_MAX); its reader stops after this much of any file.
static constexpr int64_t GAME_READ_LIMIT = 1 << 20;
static_assert(SAVE_MAX < GAME_READ_LIMIT);
// A collection scan reports its progress every this many bytes; a smaller file gets none.
static constexpr int64_t PROGRESS_STEP = 4 << 20;
// The index is trusted only for a file unchanged this long (nanoseconds) before it was counted:
// file times advance in clock ticks, and a change within the tick of the count could otherwise
// leave size and time as they were.
static constexpr int64_t SETTLED_NS = 2000000000;

// One file read in blocks. Bytes at limit and past it read as the end of the file.
struct FileReader {
    int fd = -1;
    int at = 0, filled = 0;         // next byte of block, bytes in block
    int64_t start = 0;              // file offset of block[0]
    int64_t limit = INT64_MAX;      // where reading stops
    int64_t size = 0;               // of the file when opened: the progress total
    int64_t nextReport = INT64_MAX; // offset of the next progress report
    bool reported = false;          // a progress report was made
    bool cancelled = false;         // the user cancelled in a progress report: the end
    const Game* progress = nullptr; // the game whose shell hears of the scan (a count only)
    uint8_t block[READ_BLOCK_SIZE];
};

static int64_t RealTimeNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// "WHAT PATH: REASON" into text (PATH_MAX + 64 bytes); a path too long for it is shown by its
// start and end, so the reason is always there.
static void FormatFileError(char* text, const char* what, const char* path, const char* reason) {
    const size_t length = std::strlen(path);
    if (length < PATH_MAX)
        std::snprintf(text, PATH_MAX + 64, "%s %s: %s", what, path, reason);
    else
        std::snprintf(text, PATH_MAX + 64, "%s %.200s...%s: %s", what, path, path + length - 200,
                      reason);
}

// Sets LastOpenError for path and error (an errno value, EINVAL for "not a regular file");
// returns -1 with errno = error.
static int ReportOpenError(const char* path, int error) {
    FormatFileError(OpenErrorText, "cannot open", path,
                    error == EINVAL ? "not a regular file" : std::strerror(error));
    errno = error;
    return -1;
}

const char* LastOpenError() {
    return OpenErrorText;
}

int OpenForReading(const char* path, FileIdentity* identity) {
    // O_NONBLOCK: a FIFO or a device opens at once instead of waiting for its other end.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return ReportOpenError(path, errno);
    struct stat s = {};
    int error = fstat(fd, &s) != 0 ? errno : S_ISDIR(s.st_mode) ? EISDIR : 0;
    if (!error && !S_ISREG(s.st_mode)) error = EINVAL; // a FIFO, device or socket
    // Reads of a regular file never wait; the flag is cleared all the same.
    if (!error && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) error = errno;
    if (error) {
        close(fd);
        return ReportOpenError(path, error);
    }
    if (identity) {
        identity->device = uint64_t(s.st_dev);
        identity->inode = uint64_t(s.st_ino);
        identity->size = int64_t(s.st_size);
        identity->modified = int64_t(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec;
    }
    OpenErrorText[0] = 0;
    return fd;
}

// Opens path into reader; false when it cannot be opened (LastOpenError).
static bool OpenReader(FileReader* reader, const char* path, FileIdentity* identity) {
    FileIdentity file;
    reader->fd = OpenForReading(path, &file);
    if (reader->fd < 0) return false;
    reader->size = file.size;
    if (identity) *identity = file;
    return true;
}

// Reads the next block; false at the end, on a read error (taken as the end) and when the
// user cancels in the progress report that falls due here.
static bool Refill(FileReader* r) {
    r->start += r->filled;
    r->at = r->filled = 0;
    if (r->cancelled || r->start >= r->limit) return false;
    if (r->start >= r->nextReport) {
        r->reported = true;
        r->nextReport += PROGRESS_STEP;
        if (r->progress && !ShellProgress(r->progress, r->start, r->size)) {
            r->cancelled = true;
            return false;
        }
    }
    const int64_t left = r->limit - r->start;
    ssize_t n;
    do {
        n = read(r->fd, r->block, size_t(left < READ_BLOCK_SIZE ? left : READ_BLOCK_SIZE));
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return false;
    r->filled = int(n);
    return true;
}

// The next byte, or -1 at the end.
static inline int NextByte(FileReader* r) {
    if (r->at == r->filled && !Refill(r)) return -1;
    return r->block[r->at++];
}

// The next byte, or 0 at the end of the file, on a read error and for a zero byte.
static int ReadFileByte(FileReader* r) {
    const int c = NextByte(r);
    return c < 0 ? 0 : c;
}

static int64_t ReaderOffset(const FileReader* r) {
    return r->start + r->at;
}

static void SeekReader(FileReader* r, int64_t offset) {
    if (offset >= r->start && offset <= r->start + r->filled) { // within the block read
        r->at = int(offset - r->start);
        return;
    }
    lseek(r->fd, offset, SEEK_SET);
    r->start = offset;
    r->at = r->filled = 0;
}

// One line into buffer (room for max + 1), zero-terminated. A line ends at LF, at CR, at CR LF
// (one line end) or at a zero byte; the end is read with it. A line longer than max leaves its
// rest unread and sets *longer (SkipLine reads past it). Returns the number of bytes stored, -1
// at the end of the file.
static int ReadTextLine(FileReader* r, uint8_t* buffer, int max, bool* longer) {
    int n = 0;
    *longer = false;
    int c = NextByte(r);
    if (c < 0) {
        buffer[0] = 0;
        return -1;
    }
    for (; c > 0 && c != '\n'; c = NextByte(r)) {
        if (c == '\r') {
            if ((r->at < r->filled || Refill(r)) && r->block[r->at] == '\n') r->at++;
            break;
        }
        if (n == max) {
            r->at--; // the byte just read stays for SkipLine
            *longer = true;
            break;
        }
        buffer[n++] = uint8_t(c);
    }
    buffer[n] = 0;
    return n;
}

// Reads past the rest of the line and its end.
static void SkipLine(FileReader* r) {
    uint8_t rest[64];
    bool longer = true;
    while (longer && ReadTextLine(r, rest, int(sizeof rest) - 1, &longer) >= 0) {}
}

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

int LoadCollectionEntry(Game* G, const char* path, int line, int count) {
    uint8_t text[LINE_BUFFER_SIZE];
    const int length = ReadCollectionLine(&G->CollectionLines, path, line < 0 ? 0 : line, text);
    if (length < 0) return 0; // cannot be opened: the board stays
    G->MovePos = line;
    G->MoveEnd = count;
    ResetGame(G);
    if (length < 81) return 0;
    G->AnalysisOptions.setupMode = 1;
    for (int i = 0; i < 81; i++) {
        uint8_t c = text[i];
        // '-', '0', '.', 'x' and every other byte that is not a digit leave the cell empty
        G->Board[i] = (c >= '1' && c <= '9') ? uint8_t((c - '0') | CELL_ENTERED) : 0;
    }
    RefreshPosition(G);
    ShellSetTitle(G);
    return 1;
}

// The DigitMask of the mark record collected in record (0 for a filled cell's record).
static DigitMask ParseMarkRecord(const uint8_t* record) {
    DigitMask mask = 0;
    for (int i = 1; i <= 9; i++) {
        uint8_t c = record[i];
        if (c == ' ') return 0; // a filled cell's record
        if (c != '.') mask |= DigitMask(1u << (i - 1));
    }
    return mask;
}

// Closes the move record collected in record ("[nnXRrCc = d", 12 bytes).
// A record whose cell falls outside 0..80 is ignored, and so is one whose digit byte is not
// '1'..'9' (the program never writes another) and any record past the 81st: a game fills each
// cell at most once, so no saved game holds more. What is kept can always be replayed.
static void CloseMoveRecord(Game* G, const uint8_t* record, bool* marker) {
    const int cell = 9 * (record[5] - '1') + (record[7] - '1');
    const int digit = record[11] - '0';
    if (cell < 0 || cell > 80 || digit < 1 || digit > 9 || G->MoveEnd >= MAX_MOVES) return;
    if (!*marker && G->Board[cell] == digit) G->Board[cell] |= CELL_ENTERED; // applied: an entry
    G->MoveHistory[G->MoveEnd] = MoveRecord((digit | CELL_ENTERED) + 256 * cell);
    G->MoveEnd++;
    if (record[3] == '>') { // the first move not applied
        G->MovePos = G->MoveEnd - 1;
        *marker = true;
    }
}

int LoadGameFile(Game* G, const char* path) {
    FileReader file;
    if (!OpenReader(&file, path, nullptr)) return 0;
    file.limit = GAME_READ_LIMIT; // a huge file that is no saved game cannot hold the window
    ResetGame(G);

    // Puzzle block: digits are givens, '0' and '.' (and '-' with EMPTY_DASHES) empty cells,
    // everything else (line ends of either kind included) is layout and skipped.
    const bool dashes = G->AnalysisOptions.blockFormat & EMPTY_DASHES;
    bool ended = false;
    for (int n = 0; n < 81;) {
        int c = ReadFileByte(&file);
        if (c == 0) {
            ended = true; // the end of the file, or a zero byte, ends the whole reader
            break;
        }
        if (c == '0' || c == '.' || (c == '-' && dashes))
            G->Board[n++] = 0;
        else if (c >= '1' && c <= '9')
            G->Board[n++] = uint8_t(c - '0');
    }

    uint8_t field[LINE_BUFFER_SIZE]; // the record being collected
    // Records: k counts the bytes collected since '[' or '{' (-1 outside a record).
    G->MoveEnd = 0;
    bool marker = false;
    int k = -1;
    int m = 0;
    while (!ended) {
        int c = ReadFileByte(&file);
        if (c == 0) break;
        if (c < 32) continue;
        if (c == ']') {
            if (k == 12) CloseMoveRecord(G, field, &marker);
            k = -1;
            continue;
        }
        if (c == '}') {
            if (k == 10 && m < 81) { // more than 81 mark records: the rest are ignored
                G->MarkGrid[m] = G->MarkSnapshot[m] = ParseMarkRecord(field);
                m++;
            }
            k = -1;
            continue;
        }
        if (c == '[' || c == '{') k = 0;
        if (k >= 0) {
            if (k < LINE_BUFFER_SIZE) field[k] = uint8_t(c);
            if (k <= LINE_BUFFER_SIZE) k++; // an overlong field never closes a record
        }
    }
    close(file.fd);

    if (!marker) G->MovePos = G->MoveEnd; // every move counts as applied
    RefreshPosition(G);
    if (G->MovePos > 0) ShowMoveText(G, G->MovePos - 1, G->MoveHistory[G->MovePos - 1] >> 8);
    return m + 1;
}

int FormatPuzzleBlock(const Game* G, uint8_t* out) {
    const uint32_t format = G->AnalysisOptions.blockFormat;
    const char empty = (format & EMPTY_NULLS) ? '0' : (format & EMPTY_DOTS) ? '.' : '-';
    int n = 0;
    for (int i = 0; i < 81; i++) {
        int d = G->Board[i] & CELL_DIGIT;
        out[n++] = uint8_t(d ? '0' + d : empty);
        if (i % 9 == 8) {
            out[n++] = '\r';
            out[n++] = '\n';
            if ((i / 9) % 3 == 2 && (format & LAYOUT_3X3)) { // an empty line after each band
                out[n++] = '\r';
                out[n++] = '\n';
            }
        } else if (i % 3 == 2) {
            out[n++] = ' ';
        }
    }
    return n;
}

int FormatMarkRecord(const Game* G, int cell, uint8_t* out) {
    const uint8_t byte = G->Board[cell];
    out[0] = '{';
    if (byte == 0) {
        for (int i = 1; i <= 9; i++)
            out[i] = uint8_t((G->MarkGrid[cell] >> (i - 1) & 1) ? '0' + i : '.');
    } else {
        std::memset(out + 1, ' ', 9);
        out[5] = uint8_t('0' + (byte & CELL_DIGIT));
    }
    out[10] = '}';
    out[11] = ' ';
    return MARK_RECORD_SIZE;
}

const char* LastSaveError() {
    return SaveErrorText;
}

int ReportSaveError(const char* path, int error) {
    FormatFileError(SaveErrorText, "cannot write", path,
                    error ? std::strerror(error) : "not a regular file");
    return 0;
}

// Follows symbolic links from path to the name they finally lead to, which need not exist yet
// (the save then creates it). Fills target (PATH_MAX bytes); returns 0 or an errno value.
static int ResolveLinks(const char* path, char* target) {
    const size_t length = std::strlen(path);
    if (length >= PATH_MAX) return ENAMETOOLONG;
    std::memcpy(target, path, length + 1);
    for (int links = 0; links < MAX_LINKS; links++) {
        char link[PATH_MAX];
        const ssize_t n = readlink(target, link, sizeof link);
        if (n < 0) return errno == EINVAL || errno == ENOENT ? 0 : errno; // not a link, or new
        if (n >= PATH_MAX) return ENAMETOOLONG;
        // A relative link starts from the folder that holds it.
        const char* slash = std::strrchr(target, '/');
        const size_t keep = link[0] == '/' || !slash ? 0 : size_t(slash - target + 1);
        if (keep + size_t(n) >= PATH_MAX) return ENAMETOOLONG;
        std::memcpy(target + keep, link, size_t(n));
        target[keep + size_t(n)] = 0;
    }
    return ELOOP;
}

// The folder part of target into folder (PATH_MAX bytes): "." for a bare name, "/" at the root.
// Returns the name that follows it.
static const char* SplitFolder(const char* target, char* folder) {
    const char* slash = std::strrchr(target, '/');
    const size_t length = !slash ? 0 : slash == target ? 1 : size_t(slash - target);
    if (length == 0) {
        std::strcpy(folder, ".");
    } else {
        std::memcpy(folder, target, length);
        folder[length] = 0;
    }
    return slash ? slash + 1 : target;
}

// Temporary files of ours: ".quadrivo-PID-XXXXXXXXXXXX.tmp", beside the file they replace.
// Older versions named them ".quadrivo-XXXXXXXXXXXX.tmp", without the process id.
static constexpr char TEMPORARY_PREFIX[] = ".quadrivo-";
static constexpr int TEMPORARY_NAME_SIZE = 64;
// A temporary of an older version left this long (seconds) belongs to no save in progress.
static constexpr int64_t STALE_SECONDS = 3600;

// Twelve hex digits that tell apart the names of one process's temporaries.
static uint64_t NameBits() {
    static std::atomic<uint64_t> counter; // tells apart saves within one clock tick, on any thread
    uint64_t x =
        uint64_t(RealTimeNs()) ^ uint64_t(getpid()) << 40 ^ ++counter * 0x9E3779B97F4A7C15u;
    x = (x ^ x >> 33) * 0xFF51AFD7ED558CCDu; // mixed, so names do not follow one another
    return (x ^ x >> 33) & 0xFFFFFFFFFFFFu;
}

// Reads the name of one of our temporaries: the process id that made it, 0 for one of an
// older version, -1 for any other name.
static long TemporaryOwner(const char* name) {
    const size_t prefix = sizeof TEMPORARY_PREFIX - 1;
    if (std::strncmp(name, TEMPORARY_PREFIX, prefix) != 0) return -1;
    const char* p = name + prefix;
    long pid = 0;
    if (std::strlen(p) > 17 && p[0] >= '1' && p[0] <= '9') { // "PID-" first
        while (*p >= '0' && *p <= '9' && pid < 1L << 30) pid = pid * 10 + (*p++ - '0');
        if (*p++ != '-') return -1;
    }
    for (int i = 0; i < 12; i++, p++)
        if (!((*p >= '0' && *p <= '9') || (*p >= 'a' && *p <= 'f'))) return -1;
    return std::strcmp(p, ".tmp") == 0 ? pid : -1;
}

// Removes the temporaries of ours in the folder dir that a save killed halfway left behind:
// regular files of this user whose process has ended (an older version's: an hour old).
// Nothing is reported; a folder that cannot be listed is left as it is.
static void RemoveStaleTemporaries(int dir) {
    const int listing = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return;
    DIR* entries = fdopendir(listing);
    if (!entries) {
        close(listing);
        return;
    }
    const int64_t now = RealTimeNs() / 1000000000;
    while (const dirent* entry = readdir(entries)) {
        const long pid = TemporaryOwner(entry->d_name);
        struct stat s = {};
        if (pid < 0 || fstatat(dir, entry->d_name, &s, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(s.st_mode) || s.st_uid != geteuid()) continue;
        // still being written? (a process of another user counts as running)
        if (pid > 0 ? kill(pid_t(pid), 0) == 0 || errno != ESRCH
                    : now - int64_t(s.st_mtim.tv_sec) < STALE_SECONDS)
            continue;
        unlinkat(dir, entry->d_name, 0);
    }
    closedir(entries);
}

// Gives the new file in the folder dir, written and synced through fd but without a name yet
// (O_TMPFILE), a temporary name, written to name. Returns 0, or an errno value.
static int NameTemporary(int fd, int dir, char* name) {
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    for (int attempt = 0; attempt < 100; attempt++) {
        std::snprintf(name, TEMPORARY_NAME_SIZE, "%s%d-%012llx.tmp", TEMPORARY_PREFIX,
                      int(getpid()), (unsigned long long)NameBits());
        if (linkat(AT_FDCWD, self, dir, name, AT_SYMLINK_FOLLOW) == 0) return 0;
        if (errno == EEXIST) continue;
        // Without /proc: the descriptor itself, which only a privileged saver may link.
        if (errno == ENOENT && linkat(fd, "", dir, name, AT_EMPTY_PATH) == 0) return 0;
        name[0] = 0;
        return errno;
    }
    name[0] = 0;
    return EEXIST;
}

// Creates a new named temporary file in the folder dir, exclusively and without following a
// link planted there (O_EXCL never opens an existing name); its name goes to name. Returns the
// descriptor, or -1 with errno set.
static int CreateNamedTemporary(int dir, mode_t mode, char* name) {
    for (int attempt = 0; attempt < 100; attempt++) {
        std::snprintf(name, TEMPORARY_NAME_SIZE, "%s%d-%012llx.tmp", TEMPORARY_PREFIX,
                      int(getpid()), (unsigned long long)NameBits());
        const int fd =
            openat(dir, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0) name[0] = 0;
            return fd;
        }
    }
    name[0] = 0;
    return -1; // every name taken: errno is EEXIST
}

// Writes the whole of data, going on after interrupted or partial writes: 0, or an errno value.
static int WriteAll(int fd, const uint8_t* data, int size) {
    for (int done = 0; done < size;) {
        const ssize_t n = write(fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += int(n);
    }
    return 0;
}

// Gives the temporary file the replaced file's owner and group where the saver may (root, or a
// group it belongs to), then its mode: 0, or an errno value.
static int KeepOwnerAndMode(int fd, const struct stat& old) {
    if ((old.st_uid != geteuid() || old.st_gid != getegid()) &&
        fchown(fd, old.st_uid, old.st_gid) != 0 && fchown(fd, uid_t(-1), old.st_gid) != 0) {
        // neither allowed: the file belongs to the saver, like any file it creates
    }
    return fchmod(fd, old.st_mode & 07777) == 0 ? 0 : errno;
}

// Makes the new file in the folder dir: written, given old's owner and mode (when old is not
// null; else newMode less the umask), synced, and named in name, ready to be renamed over the
// old one. The file has no name until it is whole (O_TMPFILE), so a save killed halfway leaves
// nothing; where the file system cannot make such a file, it is named from the start, after our
// process id, and a later save removes it. Returns 0, or an errno value; name is then the file
// to remove, or "".
static int WriteTemporary(int dir, const uint8_t* data, int size, const struct stat* old,
                          int newMode, char* name) {
    const mode_t mode = old ? 0600 : mode_t(newMode);
    name[0] = 0;
    int fd = openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    const bool unnamed = fd >= 0;
    if (!unnamed) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
        fd = CreateNamedTemporary(dir, mode, name);
        if (fd < 0) return errno;
    }
    int error = WriteAll(fd, data, size);
    if (!error && old) error = KeepOwnerAndMode(fd, *old);
    // On the disk before it replaces the old file: a power cut leaves one or the other whole.
    if (!error && fsync(fd) != 0) error = errno;
    if (!error && unnamed) error = NameTemporary(fd, dir, name);
    if (close(fd) != 0 && !error) error = errno;
    return error;
}

int ReplaceFile(const char* path, const uint8_t* data, int size, int newMode) {
    SaveErrorText[0] = 0;
    if (!path[0]) return ReportSaveError(path, ENOENT);
    char target[PATH_MAX], folder[PATH_MAX];
    int error = ResolveLinks(path, target);
    if (error) return ReportSaveError(path, error);
    struct stat old = {};
    const bool exists = lstat(target, &old) == 0;
    if (!exists && errno != ENOENT) return ReportSaveError(path, errno);
    // A folder, device, pipe or socket is neither replaced by a file nor written into.
    if (exists && !S_ISREG(old.st_mode)) return ReportSaveError(path, 0);
    // A file the user may not write stays, as it would for a shell's write; the rename itself
    // would need only the folder's permission.
    if (exists && faccessat(AT_FDCWD, target, W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        return ReportSaveError(path, errno);

    // Names are made relative to the folder, so a target of up to PATH_MAX - 1 bytes is saved
    // although the temporary's name is longer than its own. A folder the user may write but
    // not list is used as it is, without the sync.
    const char* name = SplitFolder(target, folder);
    bool syncFolder = true;
    int dir = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 && errno == EACCES) {
        dir = open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
        syncFolder = false;
    }
    if (dir < 0) return ReportSaveError(path, errno);
    RemoveStaleTemporaries(dir);
    char temporary[TEMPORARY_NAME_SIZE];
    error = WriteTemporary(dir, data, size, exists ? &old : nullptr, newMode, temporary);
    if (!error && renameat(dir, temporary, dir, name) != 0) error = errno;
    if (error) {
        if (temporary[0]) unlinkat(dir, temporary, 0);
        close(dir);
        return ReportSaveError(path, error);
    }
    // The rename itself reaches the disk with the folder; a file system that cannot sync
    // folders (EINVAL) is left as it is.
    if (syncFolder && fsync(dir) != 0 && errno != EINVAL) error = errno;
    close(dir);
    return error ? ReportSaveError(path, error) : 1;
}

int SaveGameFile(const Game* G, const char* path) {
    uint8_t image[SAVE_MAX];
    int n = FormatPuzzleBlock(G, image);

    const int moves = G->MoveEnd < MAX_MOVES ? G->MoveEnd : MAX_MOVES;
    for (int j = 0; j < moves; j++) {
        const MoveRecord r = G->MoveHistory[j];
        const int cell = r >> 8, number = j + 1; // number < 100: at most 81 moves
        // "[%2d R%cC%c = %c]\r\n"
        uint8_t* record = image + n;
        std::memcpy(record, "[   R.C. = .]\r\n", MOVE_RECORD_SIZE);
        if (number >= 10) record[1] = uint8_t('0' + number / 10);
        record[2] = uint8_t('0' + number % 10);
        if (j == G->MovePos) record[3] = '>'; // the first move not applied
        record[5] = uint8_t('1' + cell / 9);
        record[7] = uint8_t('1' + cell % 9);
        record[11] = uint8_t('0' + (r & 15));
        n += MOVE_RECORD_SIZE;
    }

    if (G->AnalysisOptions.showCandidates == 0) {
        for (int i = 0; i < 81; i++) {
            uint8_t* record = image + n;
            int size = FormatMarkRecord(G, i, record);
            if (i % 9 == 8) {
                record[size++] = '\r';
                record[size++] = '\n';
            }
            n += size;
        }
    }
    return ReplaceFile(path, image, n, FILE_MODE_SHARED);
}

void DefaultSaveName(int year, int month, int day, char* out) {
    auto twoDigits = [](int v) { return (v % 100 + 100) % 100; };
    std::snprintf(out, 10, "Pzl%02d%02d%02d", twoDigits(year), twoDigits(month), twoDigits(day));
}

int ReopenCollection(Game* G) {
    if (G->CurrentFile[0] && G->CollectionIndex >= 0) {
        const int pos = G->MovePos, end = G->MoveEnd;
        if (LoadCollectionEntry(G, G->CurrentFile, G->CollectionIndex, G->CollectionCount) > 0) {
            ShellSetTitle(G);
            return 1;
        }
        // The caller goes on as "Open Puzzle(s)..."; the history keeps its own counters.
        G->MovePos = pos;
        G->MoveEnd = end;
    }
    return 0;
}

// Loads collection puzzle `index` (0-based) after a navigation step.
static void LoadBrowsedPuzzle(Game* G, int index) {
    G->CollectionIndex = index;
    LoadCollectionEntry(G, G->CurrentFile, index, G->CollectionCount);
}

int BrowseCollection(Game* G, NavButton button) {
    // Without a collection there is nothing to browse (the board being set up stays).
    if (G->CollectionIndex < 0) return -1;
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
    if (G->CollectionIndex < 0 || G->CollectionCount < 1) return 0;
    // A number outside 1..count goes to the nearest end.
    if (number < 1) number = 1;
    if (number > G->CollectionCount) number = G->CollectionCount;
    LoadBrowsedPuzzle(G, number - 1);
    return 1;
}
