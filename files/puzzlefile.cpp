// Puzzle files: collections (one puzzle per 81-byte line, browsed in setup mode) and saved games
// (a puzzle block, move records "[ n R.C. = d]" and mark records "{.........}"), read byte by
// byte from any input and written whole through a temporary file.
// Invariant after every reader: Board bytes are 0 or carry a digit 1..9, and outside setup mode
// 0 <= MovePos <= MoveEnd <= 81 with every record in use naming a cell 0..80 and a digit 1..9.
#include "files/puzzlefile.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

// Scratch for one file line or one record field; bytes past the buffer are never stored.
uint8_t LineBuffer[LINE_BUFFER_SIZE];
// Full path of the open file (UTF-8), "" when none.
char CurrentFile[PATH_MAX_UNITS * 4];
// The collection puzzle on the board (0-based), or -1 when no collection is being browsed.
int CollectionIndex = -1;
// The number of puzzles found when the collection was opened.
int CollectionCount;
// Why the last save failed, "" after a save that succeeded (truncated past its size).
static char SaveErrorText[PATH_MAX + 64];

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

FILE* OpenForReading(const char* path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return nullptr; // opens, but cannot be read
    return std::fopen(path, "rb");
}

// The next byte, or 0 at the end of the file, on a read error and for a zero byte.
static int ReadFileByte(FILE* file) {
    int c = std::fgetc(file);
    return c == EOF ? 0 : c; // a read error ends the input like the end of the file
}

// One line into buffer (room for max + 1): LF skipped, CR or 0 ends it, bytes past max dropped.
// Returns the number of bytes stored.
static int ReadTextLine(FILE* file, uint8_t* buffer, int max) {
    int n = 0;
    for (;;) {
        int c = ReadFileByte(file);
        if (c == 0 || c == '\r') break;
        if (c == '\n') continue;
        if (n < max) buffer[n++] = uint8_t(c);
    }
    buffer[n] = 0;
    return n;
}

int LoadCollectionEntry(const char* path) {
    FILE* file = OpenForReading(path);
    if (!file) return 0;
    const int target = MovePos;
    int count = 0;
    int length = ReadTextLine(file, LineBuffer, LINE_BUFFER_SIZE - 1);
    if (length == 81) {
        while (count < target) {
            count++;
            length = ReadTextLine(file, LineBuffer, LINE_BUFFER_SIZE - 1);
            if (length != 81) break; // the run of 81-byte lines ends here
        }
    }
    std::fclose(file);

    if (target == COLLECTION_COUNT_MODE) {
        if (count <= 1) return 0;
        MoveEnd = count;
        return count;
    }
    ResetState(RESET_ALL);
    if (length < 81) return 0;
    AnalysisOptions.setupMode = 1;
    for (int i = 0; i < 81; i++) {
        uint8_t c = LineBuffer[i];
        // '-', '0', '.', 'x' and every other byte that is not a digit leave the cell empty
        Board[i] = (c >= '1' && c <= '9') ? uint8_t((c - '0') | CELL_ENTERED) : 0;
    }
    ChangePosition(POS_REFRESH, 0, 0);
    ShellSetTitle();
    return 1;
}

// The DigitMask of the mark record collected in LineBuffer (0 for a filled cell's record).
static DigitMask ParseMarkRecord() {
    DigitMask mask = 0;
    for (int i = 1; i <= 9; i++) {
        uint8_t c = LineBuffer[i];
        if (c == ' ') return 0; // a filled cell's record
        if (c != '.') mask |= DigitMask(1u << (i - 1));
    }
    return mask;
}

// Closes the move record collected in LineBuffer ("[nnXRrCc = d", 12 bytes).
// A record whose cell falls outside 0..80 is ignored, and so is one whose digit byte is not
// '1'..'9' (the program never writes another) and any record past the 81st: a game fills each
// cell at most once, so no saved game holds more. What is kept can always be replayed.
static void CloseMoveRecord(bool* marker) {
    const int cell = 9 * (LineBuffer[5] - '1') + (LineBuffer[7] - '1');
    const int digit = LineBuffer[11] - '0';
    if (cell < 0 || cell > 80 || digit < 1 || digit > 9 || MoveEnd >= MAX_MOVES) return;
    if (!*marker && Board[cell] == digit) Board[cell] |= CELL_ENTERED; // applied: an entry
    MoveHistory[MoveEnd] = MoveRecord((digit | CELL_ENTERED) + 256 * cell);
    MoveEnd++;
    if (LineBuffer[3] == '>') { // the first move not applied
        MovePos = MoveEnd - 1;
        *marker = true;
    }
}

int LoadGameFile(const char* path) {
    FILE* file = OpenForReading(path);
    if (!file) return 0;
    ResetState(RESET_ALL);

    // Puzzle block: digits are givens, '0' and '.' (and '-' with EMPTY_DASHES) empty cells,
    // everything else is layout and skipped.
    const bool dashes = AnalysisOptions.blockFormat & EMPTY_DASHES;
    bool ended = false;
    for (int n = 0; n < 81;) {
        int c = ReadFileByte(file);
        if (c == 0) {
            ended = true; // the end of the file, or a zero byte, ends the whole reader
            break;
        }
        if (c == '0' || c == '.' || (c == '-' && dashes))
            Board[n++] = 0;
        else if (c >= '1' && c <= '9')
            Board[n++] = uint8_t(c - '0');
    }

    // Records: k counts the bytes collected since '[' or '{' (-1 outside a record).
    MoveEnd = 0;
    bool marker = false;
    int k = -1;
    int m = 0;
    while (!ended) {
        int c = ReadFileByte(file);
        if (c == 0) break;
        if (c < 32) continue;
        if (c == ']') {
            if (k == 12) CloseMoveRecord(&marker);
            k = -1;
            continue;
        }
        if (c == '}') {
            if (k == 10 && m < 81) { // more than 81 mark records: the rest are ignored
                MarkGrid[m] = MarkSnapshot[m] = ParseMarkRecord();
                m++;
            }
            k = -1;
            continue;
        }
        if (c == '[' || c == '{') k = 0;
        if (k >= 0) {
            if (k < LINE_BUFFER_SIZE) LineBuffer[k] = uint8_t(c);
            if (k <= LINE_BUFFER_SIZE) k++; // an overlong field never closes a record
        }
    }
    if (m > 0) SavedMarks[0] = NO_SAVED_MARKS;
    std::fclose(file);

    if (!marker) MovePos = MoveEnd; // every move counts as applied
    ChangePosition(POS_REFRESH, 0, 0);
    if (MovePos > 0) ShowMoveText(MovePos - 1, MoveHistory[MovePos - 1] >> 8);
    return m + 1;
}

int FormatPuzzleBlock() {
    const uint32_t format = AnalysisOptions.blockFormat;
    const char empty = (format & EMPTY_NULLS) ? '0' : (format & EMPTY_DOTS) ? '.' : '-';
    int n = 0;
    for (int i = 0; i < 81; i++) {
        int d = Board[i] & CELL_DIGIT;
        LineBuffer[n++] = uint8_t(d ? '0' + d : empty);
        if (i % 9 == 8) {
            LineBuffer[n++] = '\r';
            LineBuffer[n++] = '\n';
            if ((i / 9) % 3 == 2 && (format & LAYOUT_3X3)) { // an empty line after each band
                LineBuffer[n++] = '\r';
                LineBuffer[n++] = '\n';
            }
        } else if (i % 3 == 2) {
            LineBuffer[n++] = ' ';
        }
    }
    return n;
}

int FormatMarkRecord(int cell) {
    const uint8_t byte = Board[cell];
    LineBuffer[0] = '{';
    if (byte == 0) {
        for (int i = 1; i <= 9; i++)
            LineBuffer[i] = uint8_t((MarkGrid[cell] >> (i - 1) & 1) ? '0' + i : '.');
    } else {
        std::memset(LineBuffer + 1, ' ', 9);
        LineBuffer[5] = uint8_t('0' + (byte & CELL_DIGIT));
    }
    LineBuffer[10] = '}';
    LineBuffer[11] = ' ';
    return MARK_RECORD_SIZE;
}

const char* LastSaveError() {
    return SaveErrorText;
}

int ReportSaveError(const char* path, int error) {
    std::snprintf(SaveErrorText, sizeof SaveErrorText, "cannot write %s: %s", path,
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
static void FolderOf(const char* target, char* folder) {
    const char* slash = std::strrchr(target, '/');
    const size_t length = !slash ? 0 : slash == target ? 1 : size_t(slash - target);
    if (length == 0) {
        std::strcpy(folder, ".");
    } else {
        std::memcpy(folder, target, length);
        folder[length] = 0;
    }
}

// Creates a new temporary file in folder under a name no other save uses, exclusively and
// without following a link planted there (O_EXCL never opens an existing name). Its name goes
// to temporary (PATH_MAX bytes); returns the descriptor, or -1 with errno set.
static int CreateTemporary(const char* folder, mode_t mode, char* temporary) {
    static uint64_t counter; // tells apart saves within one clock tick
    for (int attempt = 0; attempt < 100; attempt++) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        uint64_t x = uint64_t(now.tv_sec) << 30 ^ uint64_t(now.tv_nsec) ^ uint64_t(getpid()) << 40 ^
                     ++counter * 0x9E3779B97F4A7C15u;
        x = (x ^ x >> 33) * 0xFF51AFD7ED558CCDu; // mixed, so names do not follow one another
        x ^= x >> 33;
        const int n = std::snprintf(temporary, PATH_MAX, "%s/.quadrivo-%012llx.tmp", folder,
                                    (unsigned long long)(x & 0xFFFFFFFFFFFFu));
        if (n >= PATH_MAX) {
            errno = ENAMETOOLONG;
            return -1;
        }
        const int fd = open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
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

int ReplaceFile(const char* path, const uint8_t* data, int size, int newMode) {
    SaveErrorText[0] = 0;
    if (!path[0]) return ReportSaveError(path, ENOENT);
    char target[PATH_MAX], folder[PATH_MAX], temporary[PATH_MAX];
    int error = ResolveLinks(path, target);
    if (error) return ReportSaveError(path, error);
    struct stat old = {};
    const bool exists = lstat(target, &old) == 0;
    if (!exists && errno != ENOENT) return ReportSaveError(path, errno);
    // A folder, device, pipe or socket is neither replaced by a file nor written into.
    if (exists && !S_ISREG(old.st_mode)) return ReportSaveError(path, 0);

    FolderOf(target, folder);
    const int fd = CreateTemporary(folder, exists ? 0600 : mode_t(newMode), temporary);
    if (fd < 0) return ReportSaveError(path, errno);
    error = WriteAll(fd, data, size);
    if (!error && exists) error = KeepOwnerAndMode(fd, old);
    // On the disk before it replaces the old file: a power cut leaves one or the other whole.
    if (!error && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && !error) error = errno;
    if (!error && rename(temporary, target) != 0) error = errno;
    if (error) {
        unlink(temporary);
        return ReportSaveError(path, error);
    }

    // The rename itself reaches the disk with the folder. A folder that cannot be opened for
    // this is left as it is; one whose file system cannot sync folders (EINVAL) too.
    const int folderFd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        if (fsync(folderFd) != 0 && errno != EINVAL) error = errno;
        close(folderFd);
        if (error) return ReportSaveError(path, error);
    }
    return 1;
}

int SaveGameFile(const char* path) {
    uint8_t image[SAVE_MAX];
    int n = FormatPuzzleBlock();
    std::memcpy(image, LineBuffer, size_t(n));

    const int moves = MoveEnd < MAX_MOVES ? MoveEnd : MAX_MOVES;
    for (int j = 0; j < moves; j++) {
        const MoveRecord r = MoveHistory[j];
        const int cell = r >> 8, number = j + 1; // number < 100: at most 81 moves
        // "[%2d R%cC%c = %c]\r\n"
        std::memcpy(LineBuffer, "[   R.C. = .]\r\n", MOVE_RECORD_SIZE);
        if (number >= 10) LineBuffer[1] = uint8_t('0' + number / 10);
        LineBuffer[2] = uint8_t('0' + number % 10);
        if (j == MovePos) LineBuffer[3] = '>'; // the first move not applied
        LineBuffer[5] = uint8_t('1' + cell / 9);
        LineBuffer[7] = uint8_t('1' + cell % 9);
        LineBuffer[11] = uint8_t('0' + (r & 15));
        std::memcpy(image + n, LineBuffer, MOVE_RECORD_SIZE);
        n += MOVE_RECORD_SIZE;
    }

    if (AnalysisOptions.showCandidates == 0) {
        for (int i = 0; i < 81; i++) {
            int size = FormatMarkRecord(i);
            if (i % 9 == 8) {
                LineBuffer[size++] = '\r';
                LineBuffer[size++] = '\n';
            }
            std::memcpy(image + n, LineBuffer, size_t(size));
            n += size;
        }
    }
    return ReplaceFile(path, image, n, FILE_MODE_SHARED);
}

void DefaultSaveName(int year, int month, int day, char* out) {
    auto twoDigits = [](int v) { return (v % 100 + 100) % 100; };
    std::snprintf(out, 10, "Pzl%02d%02d%02d", twoDigits(year), twoDigits(month), twoDigits(day));
}

int ReopenCollection() {
    if (CurrentFile[0] && CollectionIndex >= 0) {
        const int pos = MovePos, end = MoveEnd;
        MovePos = CollectionIndex;
        MoveEnd = CollectionCount;
        if (LoadCollectionEntry(CurrentFile) > 0) {
            ShellSetTitle();
            return 1;
        }
        // The caller goes on as "Open Puzzle(s)..."; the history keeps its own counters.
        MovePos = pos;
        MoveEnd = end;
    }
    return 0;
}

// Loads the collection puzzle MovePos after a navigation step.
static void LoadBrowsedPuzzle() {
    CollectionIndex = MovePos;
    LoadCollectionEntry(CurrentFile);
    CollectionCount = MoveEnd;
}

int BrowseCollection(int id) {
    // Without a collection there is nothing to browse (the board being set up stays).
    if (CollectionIndex < 0) return -1;
    switch (id) {
    case POS_UNDO:
        MovePos = MovePos > 0 ? MovePos - 1 : 0;
        break;
    case POS_REDO:
        if (MovePos < MoveEnd - 1) MovePos++;
        break;
    case POS_BEGIN:
        MovePos = 0;
        break;
    case POS_END:
        if (MovePos >= MoveEnd - 1) return 0; // on the last puzzle: "Goto Position"
        MovePos = MoveEnd - 1;
        break;
    default:
        return -1;
    }
    LoadBrowsedPuzzle();
    return 1;
}

int GotoCollectionPuzzle(int number) {
    if (CollectionIndex < 0 || CollectionCount < 1) return 0;
    // A number outside 1..count goes to the nearest end, so MovePos never asks for a count.
    if (number < 1) number = 1;
    if (number > CollectionCount) number = CollectionCount;
    MovePos = number - 1;
    LoadBrowsedPuzzle();
    return 1;
}

void ResetPuzzleFileModule() {
    std::memset(LineBuffer, 0, sizeof LineBuffer);
    std::memset(CurrentFile, 0, sizeof CurrentFile);
    CollectionIndex = -1;
    CollectionCount = 0;
    SaveErrorText[0] = 0;
}
