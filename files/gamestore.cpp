// The state folder's kept games: a saved game (puzzle block, move records, mark records, always
// with the marks and with dots for empty cells, whatever the user's text format) and a trailer:
//   "Kept game 1" line, then Clock= Saved= Index= Count= Source= Records= MarksAt=
// Source is percent-encoded, so no trailer byte can start a record of the saved-game format
// ('[' and '{' never appear), and the saved-game reader skips the trailer as text between records.
#include "files/gamestore.h"
#include "files/filereader.h"
#include "files/gamefile.h"
#include "files/replacefile.h"
#include "files/settings.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

static constexpr char TRAILER_MARK[] = "\r\nKept game 1\r\n";
// A kept game is at most the saved game, its trailer and the marks at 82 points (3 hex digits
// a cell): well under this.
static constexpr int KEPT_FILE_MAX = 64 * 1024;

static std::string FolderOverride;
static bool Overridden;

std::string StateFolder() {
    if (Overridden) return FolderOverride;
    return ProgramFolder("XDG_STATE_HOME", ".local/state");
}

void SetStateFolder(const char* path) {
    Overridden = path != nullptr;
    FolderOverride = path ? path : "";
}

void NewKeptGameName(char* out) {
    static std::atomic<unsigned> counter{0};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // The counter and the process id tell apart games started within one second.
    const unsigned serial = (unsigned(getpid()) * 1000u + counter.fetch_add(1)) % 1000000000u;
    std::snprintf(out, KEPT_NAME_SIZE, "game-%04d%02d%02d-%02d%02d%02d-%09u.txt",
                  (local.tm_year + 1900) % 10000, (local.tm_mon + 1) % 100, local.tm_mday % 100,
                  local.tm_hour % 100, local.tm_min % 100, local.tm_sec % 100, serial);
}

bool IsKeptGameName(const char* name) {
    const size_t length = std::strlen(name);
    return length > 9 && length < KEPT_NAME_SIZE && std::strncmp(name, "game-", 5) == 0 &&
           std::strcmp(name + length - 4, ".txt") == 0 && !std::strchr(name, '/');
}

// The folder made when missing, private to the user: 1, or 0 with LastSaveError set.
static int MakeFolder(const std::string& folder) {
    // Each missing ancestor is made too (~/.local/state may not be there yet).
    for (size_t at = 1; at <= folder.size(); at++) {
        if (at < folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return ReportSaveError(part.c_str(), errno);
    }
    return 1;
}

static void PutHex(char* out, unsigned value, int digits) {
    for (int i = digits - 1; i >= 0; i--, value >>= 4) out[i] = "0123456789abcdef"[value & 15];
}

// Hex digit value, -1 for another character.
static int HexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Appends text to the buffer, cutting at the end of it; returns the new length.
static int Append(uint8_t* buffer, int n, const char* text, int size) {
    const int length = std::min(int(std::strlen(text)), size - n);
    std::memcpy(buffer + n, text, size_t(length));
    return n + length;
}

// A path with every byte that could be taken for a record, a line end or a blank written as
// %XX, so that it reads back as one trailer value.
static int AppendEncoded(uint8_t* buffer, int n, const char* path, int size) {
    for (const unsigned char* p = (const unsigned char*)path; *p && n + 3 <= size; p++) {
        if (*p <= ' ' || *p >= 127 || std::strchr("%[]{}", *p)) {
            buffer[n++] = '%';
            PutHex((char*)buffer + n, *p, 2);
            n += 2;
        } else {
            buffer[n++] = *p;
        }
    }
    return n;
}

int WriteKeptGame(const Game* G, const char* name) {
    const std::string folder = StateFolder();
    if (folder.empty() || !IsKeptGameName(name)) return -1;
    if (!MakeFolder(folder)) return 0;

    static thread_local uint8_t image[KEPT_FILE_MAX];
    int n = FormatGameFile(G, image, LAYOUT_9X9 | EMPTY_DOTS, true);
    char line[64];
    n = Append(image, n, TRAILER_MARK, KEPT_FILE_MAX);
    std::snprintf(line, sizeof line, "Clock=%u\r\nSaved=%lld\r\n", unsigned(G->GameClock),
                  (long long)std::time(nullptr));
    n = Append(image, n, line, KEPT_FILE_MAX);
    std::snprintf(line, sizeof line, "Index=%d\r\nCount=%d\r\nSource=", G->CollectionIndex,
                  G->CollectionCount);
    n = Append(image, n, line, KEPT_FILE_MAX);
    n = AppendEncoded(image, n, G->CurrentFile, KEPT_FILE_MAX);
    n = Append(image, n, "\r\nRecords=", KEPT_FILE_MAX);
    const int moves = std::clamp(G->MoveEnd, 0, HISTORY_SLOTS - 1);
    for (int j = 0; j < moves; j++, n += 4) PutHex((char*)image + n, G->MoveHistory[j], 4);
    n = Append(image, n, "\r\nMarksAt=", KEPT_FILE_MAX);
    for (int k = 0; k <= moves; k++) {
        // A position with no marks kept is written as "fff" in every cell.
        const DigitMask* marks = MarksOfPosition(G, k);
        for (int i = 0; i < 81; i++, n += 3) PutHex((char*)image + n, marks ? marks[i] : 0xFFF, 3);
    }
    n = Append(image, n, "\r\n", KEPT_FILE_MAX);

    const std::string path = folder + "/" + name;
    return ReplaceFile(path.c_str(), image, n, FILE_MODE_PRIVATE);
}

// The value of "Key=" in the trailer, up to its line end; nullptr when absent. *length gets
// its length.
static const char* FindValue(const char* trailer, const char* end, const char* key, int* length) {
    const size_t keyLength = std::strlen(key);
    for (const char* p = trailer; p < end;) {
        const char* lineEnd = std::find(p, end, '\r');
        if (size_t(lineEnd - p) >= keyLength && std::memcmp(p, key, keyLength) == 0) {
            *length = int(lineEnd - p - keyLength);
            return p + keyLength;
        }
        p = lineEnd + 2;
    }
    return nullptr;
}

static long long NumberValue(const char* trailer, const char* end, const char* key,
                             long long fallback) {
    int length = 0;
    const char* value = FindValue(trailer, end, key, &length);
    if (!value || length == 0 || length > 20) return fallback;
    char digits[24];
    std::memcpy(digits, value, size_t(length));
    digits[length] = 0;
    char* stop = nullptr;
    const long long number = std::strtoll(digits, &stop, 10);
    return *stop ? fallback : number;
}

// The whole file into buffer (KEPT_FILE_MAX bytes): its length, or -1 when it cannot be read or
// is longer than any kept game.
static int ReadWhole(const char* path, char* buffer) {
    const int fd = OpenForReading(path, nullptr);
    if (fd < 0) return -1;
    int n = 0;
    for (;;) {
        const ssize_t got = read(fd, buffer + n, size_t(KEPT_FILE_MAX - n));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        n += int(got);
        if (n == KEPT_FILE_MAX) break;
    }
    close(fd);
    return n < KEPT_FILE_MAX ? n : -1;
}

// The trailer of a kept game in buffer: where it starts, nullptr when there is none.
static const char* FindTrailer(const char* buffer, int n) {
    const char* end = buffer + n;
    const char* at = std::search(buffer, end, TRAILER_MARK, TRAILER_MARK + sizeof TRAILER_MARK - 1);
    return at == end ? nullptr : at + sizeof TRAILER_MARK - 1;
}

static void DecodeSource(const char* value, int length, char* out) {
    int n = 0;
    for (int i = 0; i < length && n < PATH_MAX - 1; i++) {
        if (value[i] == '%' && i + 2 < length && HexValue(value[i + 1]) >= 0 &&
            HexValue(value[i + 2]) >= 0) {
            out[n++] = char(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2]));
            i += 2;
        } else {
            out[n++] = value[i];
        }
    }
    out[n] = 0;
}

// The summary fields of the trailer (clock, time, source) into info.
static void ReadSummary(const char* trailer, const char* end, KeptGameInfo* info) {
    info->clock = uint32_t(std::clamp(NumberValue(trailer, end, "Clock=", 0), 0LL, 0xFFFFFFFFLL));
    info->saved = NumberValue(trailer, end, "Saved=", 0);
    info->sourceIndex =
        int(std::clamp(NumberValue(trailer, end, "Index=", -1), -1LL, INT_MAX - 1LL));
    info->sourceCount = int(std::clamp(NumberValue(trailer, end, "Count=", 0), 0LL, INT_MAX - 1LL));
    int length = 0;
    const char* source = FindValue(trailer, end, "Source=", &length);
    if (source) DecodeSource(source, length, info->source);
    if (!info->source[0]) info->sourceIndex = -1;
}

int ReadKeptGame(Game* G, const char* name) {
    const std::string folder = StateFolder();
    if (folder.empty() || !IsKeptGameName(name)) return 0;
    const std::string path = folder + "/" + name;
    static thread_local char buffer[KEPT_FILE_MAX];
    const int n = ReadWhole(path.c_str(), buffer);
    const char* trailer = n > 0 ? FindTrailer(buffer, n) : nullptr;
    if (!trailer) return 0;
    const char* end = buffer + n;

    // The saved game itself, read as any saved game is, with dots for empty cells.
    const uint32_t format = G->AnalysisOptions.blockFormat;
    G->AnalysisOptions.blockFormat = LAYOUT_9X9 | EMPTY_DOTS;
    const int read = LoadGameFile(G, path.c_str());
    G->AnalysisOptions.blockFormat = format;
    if (read == 0) return 0;

    // The records with their colours: each must name the same cell and digit as the move read.
    int length = 0;
    const char* records = FindValue(trailer, end, "Records=", &length);
    if (records && length == 4 * G->MoveEnd) {
        for (int j = 0; j < G->MoveEnd; j++) {
            unsigned r = 0;
            for (int k = 0; k < 4; k++)
                r = r * 16 + unsigned(std::max(HexValue(records[4 * j + k]), 0));
            const MoveRecord read = G->MoveHistory[j];
            if ((r >> 8) == unsigned(read >> 8) && (r & CELL_DIGIT) == (read & CELL_DIGIT) &&
                (r & CELL_ENTERED)) {
                G->MoveHistory[j] = MoveRecord(r);
                if (j < G->MovePos) G->Board[r >> 8] = uint8_t(r);
            }
        }
    }
    // The marks of every point of the history, where the file holds them all.
    const char* marks = FindValue(trailer, end, "MarksAt=", &length);
    if (marks && length == 3 * 81 * (G->MoveEnd + 1)) {
        DigitMask row[81];
        for (int k = 0; k <= G->MoveEnd; k++) {
            bool kept = true;
            for (int i = 0; i < 81; i++) {
                const char* h = marks + 3 * (81 * k + i);
                const int a = HexValue(h[0]), b = HexValue(h[1]), c = HexValue(h[2]);
                const int v = a < 0 || b < 0 || c < 0 ? 0xFFF : a * 256 + b * 16 + c;
                kept = kept && v <= 0x1FF;
                row[i] = DigitMask(v & 0x1FF);
            }
            if (kept) SetMarksOfPosition(G, k, row);
        }
    }

    KeptGameInfo info;
    ReadSummary(trailer, end, &info);
    G->GameClock = info.clock;
    std::memcpy(G->CurrentFile, info.source, sizeof G->CurrentFile);
    G->CollectionIndex = info.sourceIndex;
    G->CollectionCount =
        info.sourceIndex >= 0 ? std::max(info.sourceCount, info.sourceIndex + 1) : 0;
    return 1;
}

// The summary of one kept game file: 1, or 0 when it is none.
static int ReadInfo(const std::string& folder, const char* name, KeptGameInfo* info) {
    static thread_local char buffer[KEPT_FILE_MAX];
    const std::string path = folder + "/" + name;
    const int n = ReadWhole(path.c_str(), buffer);
    const char* trailer = n > 0 ? FindTrailer(buffer, n) : nullptr;
    if (!trailer) return 0;
    std::snprintf(info->name, sizeof info->name, "%s", name);
    ReadSummary(trailer, buffer + n, info);
    // The puzzle block's digits; the givens are those no applied move record names.
    int cell = 0;
    for (const char* p = buffer; p < trailer && cell < 81; p++) {
        if (*p == '.')
            info->givens[cell++] = 0;
        else if (*p >= '1' && *p <= '9')
            info->givens[cell++] = uint8_t(*p - '0');
        else if (*p == '[' || *p == '{')
            break;
    }
    info->filled = 0;
    for (int i = 0; i < 81; i++) info->filled += info->givens[i] != 0;
    // Applied records name cells the block shows filled: they are entries, not givens.
    bool applied = true;
    for (const char* p = buffer; p + 13 <= trailer; p++) {
        if (*p != '[' || p[12] != ']') continue;
        if (p[3] == '>') applied = false;
        const int at = 9 * (p[5] - '1') + (p[7] - '1');
        if (applied && at >= 0 && at < 81) info->givens[at] = 0;
    }
    return 1;
}

int ListKeptGames(KeptGameInfo* out, int max) {
    const std::string folder = StateFolder();
    if (folder.empty() || max <= 0) return 0;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return 0;
    int count = 0;
    static thread_local KeptGameInfo found;
    while (const dirent* entry = readdir(dir)) {
        if (!IsKeptGameName(entry->d_name)) continue;
        found = KeptGameInfo{};
        if (!ReadInfo(folder, entry->d_name, &found)) continue;
        // Insertion into the newest-first list of at most max; ties by name, newest last.
        int at = count;
        while (at > 0 &&
               (out[at - 1].saved < found.saved || (out[at - 1].saved == found.saved &&
                                                    std::strcmp(out[at - 1].name, found.name) < 0)))
            at--;
        if (at >= max) continue;
        const int last = std::min(count, max - 1);
        for (int k = last; k > at; k--) out[k] = out[k - 1];
        out[at] = found;
        count = std::min(count + 1, max);
    }
    closedir(dir);
    return count;
}

void PruneKeptGames(int keep, const char* spare) {
    const std::string folder = StateFolder();
    if (folder.empty()) return;
    static thread_local KeptGameInfo newest[KEPT_GAMES_MAX + 1];
    keep = std::clamp(keep, 0, KEPT_GAMES_MAX);
    // The oldest of the newest keep + 1 goes, until no more than keep are left; the game being
    // played is never removed.
    for (;;) {
        const int count = ListKeptGames(newest, keep + 1);
        if (count <= keep) return;
        const char* oldest = newest[count - 1].name;
        if (spare && std::strcmp(oldest, spare) == 0) return;
        if (unlink((folder + "/" + oldest).c_str()) != 0) return;
    }
}
