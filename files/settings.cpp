// The settings file: the whole game (Board, MoveHistory, MovePos, MoveEnd, MarkGrid and
// AnalysisOptions) in 603 little-endian, unaligned bytes, read at start-up and written at exit;
// beside it the desktop program's view settings as lines of text.
// Reading accepts any bytes: what comes back keeps the invariants every reader guarantees
// (cell bytes 0 or a digit 1..9, marks within 0x1FF, a history that can be replayed).
#include "files/settings.h"
#include "files/filereader.h"
#include "files/replacefile.h"
#include "model/game.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

// Layout of the file; every multi-byte value little-endian.
//   0 version (1) | 1..31 unused | 32 Board (81) | 113 MoveHistory (82 x 16 bits)
// 277 MovePos 16 | 279 MoveEnd 16 | 281 MarkGrid (81 x 16) | 443 reserved (96) | 539 options (16 x
// 32)
constexpr int OFFSET_BOARD = 32;
constexpr int OFFSET_HISTORY = 113;
constexpr int OFFSET_MOVE_POS = 277;
constexpr int OFFSET_MOVE_END = 279;
constexpr int OFFSET_MARKS = 281;
constexpr int OFFSET_RESERVED = 443;
constexpr int OFFSET_OPTIONS = 539;
static_assert(OFFSET_HISTORY == OFFSET_BOARD + 81);
static_assert(OFFSET_MOVE_POS == OFFSET_HISTORY + 2 * HISTORY_SLOTS);
static_assert(OFFSET_MARKS == OFFSET_MOVE_END + 2);
static_assert(OFFSET_RESERVED == OFFSET_MARKS + 2 * 81);
static_assert(OFFSET_OPTIONS == OFFSET_RESERVED + 96);
static_assert(SETTINGS_SIZE == OFFSET_OPTIONS + int(sizeof(AnalysisOptionsRecord)));

// SetSettingsPath's choice; used instead of the configuration folder while Overridden is set.
static std::string PathOverride;
static bool Overridden;

std::string SettingsPath() {
    if (Overridden) return PathOverride;
    const std::string folder = ProgramFolder("XDG_CONFIG_HOME", ".config");
    return folder.empty() ? "" : folder + "/quadrivo.ini"; // "": nothing is read or written
}

std::string ProgramFolder(const char* variable, const char* underHome) {
    const char* base = std::getenv(variable);
    if (base && base[0] == '/') return std::string(base) + "/quadrivo";
    const char* home = std::getenv("HOME");
    if (home && home[0]) return std::string(home) + "/" + underHome + "/quadrivo";
    return "";
}

void SetSettingsPath(const char* path) {
    Overridden = path != nullptr;
    PathOverride = path ? path : "";
}

static void Put16(uint8_t* p, unsigned v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
static void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; i++) p[i] = uint8_t(v >> (8 * i));
}
static unsigned Get16(const uint8_t* p) {
    return p[0] | unsigned(p[1]) << 8;
}
static uint32_t Get32(const uint8_t* p) {
    return p[0] | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The present state as the 603 bytes of the file.
static void EncodeSettings(Game* G, uint8_t* image) {
    std::memset(image, 0, SETTINGS_SIZE);
    image[0] = SETTINGS_VERSION;
    std::memcpy(image + OFFSET_BOARD, G->Board, 81);
    for (int i = 0; i < HISTORY_SLOTS; i++)
        Put16(image + OFFSET_HISTORY + 2 * i, G->MoveHistory[i]);
    // In setup mode the two counters of the file are the collection position and count (0 and
    // 0 when no collection is shown): their low 16 bits, the whole in the side file.
    const bool setup = G->AnalysisOptions.setupMode;
    const bool collection = setup && G->CollectionIndex >= 0;
    Put16(image + OFFSET_MOVE_POS, unsigned(!setup       ? G->MovePos
                                            : collection ? G->CollectionIndex
                                                         : 0));
    Put16(image + OFFSET_MOVE_END, unsigned(!setup       ? G->MoveEnd
                                            : collection ? G->CollectionCount
                                                         : 0));
    for (int i = 0; i < 81; i++) Put16(image + OFFSET_MARKS + 2 * i, G->MarkGrid[i]);
    uint32_t words[16];
    std::memcpy(words, &G->AnalysisOptions, sizeof words);
    for (int i = 0; i < 16; i++) Put32(image + OFFSET_OPTIONS + 4 * i, words[i]);
}

static void DecodeSettings(Game* G, const uint8_t* image) {
    std::memcpy(G->Board, image + OFFSET_BOARD, 81);
    for (int i = 0; i < HISTORY_SLOTS; i++)
        G->MoveHistory[i] = MoveRecord(Get16(image + OFFSET_HISTORY + 2 * i));
    G->MovePos = int(Get16(image + OFFSET_MOVE_POS)); // widened without sign
    G->MoveEnd = int(Get16(image + OFFSET_MOVE_END));
    for (int i = 0; i < 81; i++) G->MarkGrid[i] = DigitMask(Get16(image + OFFSET_MARKS + 2 * i));
    uint32_t words[16];
    for (int i = 0; i < 16; i++) words[i] = Get32(image + OFFSET_OPTIONS + 4 * i);
    std::memcpy(&G->AnalysisOptions, words, sizeof words);
}

// The collection position of setup mode from the file's 16-bit counters. A position past
// 65,535 keeps only its low 16 bits there; the side file holds it whole, and is believed when
// it agrees with them (it is written after the file, so a run ended between the two leaves it
// behind). A position not below its count is no collection.
static void TakeCollectionPosition(Game* G, int index16, int count16) {
    ViewSettingsRecord side;
    LoadViewSettings(&side);
    const bool whole = side.collectionIndex >= 0 && side.collectionIndex < side.collectionCount &&
                       (side.collectionIndex & 0xFFFF) == index16 &&
                       (side.collectionCount & 0xFFFF) == count16;
    const int index = whole ? side.collectionIndex : index16;
    const int count = whole ? side.collectionCount : count16;
    G->CollectionIndex = index < count ? index : -1;
    G->CollectionCount = index < count ? count : 0;
}

// Brings what a damaged or hand-edited file may hold into the ranges the program indexes with.
// Every file the program writes passes unchanged.
static void KeepStateInRange(Game* G) {
    // A cell byte without a digit 1..9 in its low bits is an empty cell.
    for (uint8_t& cell : G->Board) {
        int d = cell & CELL_DIGIT;
        if (d == 0 || d > 9) cell = 0;
    }
    // Marks hold digits 1..9 only (0xFFFF stays free as the "nothing saved" sentinel).
    for (DigitMask& marks : G->MarkGrid) marks &= ALL_DIGITS;
    // setupMode decides what MovePos and MoveEnd mean, so every reader of it must agree: any
    // non-zero value is setup mode.
    G->AnalysisOptions.setupMode = G->AnalysisOptions.setupMode != 0;
    if (G->AnalysisOptions.setupMode) { // they hold a collection position and count
        TakeCollectionPosition(G, G->MovePos, G->MoveEnd);
        G->MovePos = G->MoveEnd = 0;
        return;
    }

    // Solving: 0 <= MovePos <= MoveEnd <= 81, and every record in use names a cell 0..80 and
    // a digit 1..9; other records are dropped and the position moves down with them.
    int end = G->MoveEnd < 81 ? G->MoveEnd : 81;
    int pos = G->MovePos < end ? G->MovePos : end;
    int kept = 0, keptApplied = 0;
    for (int j = 0; j < end; j++) {
        MoveRecord r = G->MoveHistory[j];
        int d = r & CELL_DIGIT;
        if ((r >> 8) > 80 || d == 0 || d > 9) continue;
        G->MoveHistory[kept++] = r;
        if (j < pos) keptApplied++;
    }
    G->MoveEnd = kept;
    G->MovePos = keptApplied;
}

// Reads the file: 2 when read, 1 when absent or of another version (ignored); 0 when it is there
// but cannot be read (LastOpenError says why).
static int ReadSettingsFile(Game* G, const char* path) {
    const int fd = OpenForReading(path, nullptr);
    if (fd < 0) return errno == ENOENT;
    uint8_t data[SETTINGS_SIZE];
    size_t got = 0;
    while (got < sizeof data) {
        const ssize_t n = read(fd, data + got, sizeof data - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // the end, or a read error taken as the end
        got += size_t(n);
    }
    close(fd);
    if (got < 1 || data[0] != SETTINGS_VERSION) return 1; // another version: ignored
    uint8_t image[SETTINGS_SIZE];
    EncodeSettings(G, image); // fields the file does not reach keep their present values
    std::memcpy(image, data, got);
    DecodeSettings(G, image);
    KeepStateInRange(G);

    LoadMarksAsTheyAre(G);
    ForgetKeptMarks(G); // the file holds the marks of the position on the board only
    return 2;
}

// Writes the file, creating its folder: 1, or 0 with LastSaveError set.
static int WriteSettingsFile(Game* G, const char* path) {
    uint8_t image[SETTINGS_SIZE];
    EncodeSettings(G, image);
    std::error_code error;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) return ReportSaveError(path, error.value());
    return ReplaceFile(path, image, SETTINGS_SIZE, FILE_MODE_PRIVATE);
}

int LoadSettings(Game* G) {
    const std::string path = SettingsPath();
    if (path.empty()) return -1;
    const int read = ReadSettingsFile(G, path.c_str());
    std::snprintf(G->UnreadableSettings, sizeof G->UnreadableSettings, "%s",
                  read ? "" : path.c_str());
    return read;
}

int SaveSettings(Game* G) {
    const std::string path = SettingsPath();
    if (path.empty()) return -1;
    if (path == G->UnreadableSettings) return -1; // a session there that could not be read is kept
    return WriteSettingsFile(G, path.c_str());
}

// The side file of the view settings: the settings path with its ".ini" replaced by "-view.ini"
// (added when it has none); "" when there is no settings path.
static std::string ViewSettingsPath() {
    std::string path = SettingsPath();
    if (path.empty()) return path;
    if (path.size() >= 4 && path.compare(path.size() - 4, 4, ".ini") == 0)
        path.resize(path.size() - 4);
    return path + "-view.ini";
}

// The words of a key whose values are written as words, value low first.
constexpr const char* ORDER_WORDS[] = {"classic", "player"};
static_assert(VIEW_ORDER_CLASSIC == 0 && VIEW_ORDER_PLAYER == 1);

// The view settings, one "Name=value" line each, with the values each may take; a key with
// words writes value v as words[v - low] and reads only those words.
struct ViewKey {
    const char* name;
    int ViewSettingsRecord::*field;
    int low, high;
    const char* const* words = nullptr;
};
constexpr ViewKey VIEW_KEYS[] = {
    {"HighlightDigit", &ViewSettingsRecord::highlightDigit, 0, 1}, // highlight the digit
    {"Zoom", &ViewSettingsRecord::zoom, 0, 32},                    // zoom factor, 0 default
    {"CreateLevel", &ViewSettingsRecord::createLevel, 0, 5},       // level of "Create", 0 any
    {"CollectionIndex", &ViewSettingsRecord::collectionIndex, 0, INT_MAX - 1}, // puzzle shown
    {"CollectionCount", &ViewSettingsRecord::collectionCount, 0, INT_MAX},     // puzzles
    {"Theme", &ViewSettingsRecord::theme, 0, 2},              // 0 system, 1 light, 2 dark
    {"PauseAway", &ViewSettingsRecord::pauseAway, 0, 1},      // pause when away
    {"Order", &ViewSettingsRecord::order, 0, 1, ORDER_WORDS}, // classic or player
};
// The side file is a few lines; more than this is not read.
constexpr int VIEW_FILE_MAX = 4096;

// Takes one line "Name=value" (length bytes) into view when it names a setting and its value
// is a number in range; any other line is ignored.
static void ReadViewLine(const char* line, size_t length, ViewSettingsRecord* view) {
    while (length > 0 && (line[length - 1] == '\r' || line[length - 1] == ' ')) length--;
    for (const ViewKey& key : VIEW_KEYS) {
        const size_t name = std::strlen(key.name);
        if (length <= name + 1 || length > name + 11 || std::strncmp(line, key.name, name) != 0 ||
            line[name] != '=')
            continue;
        if (key.words) {
            const size_t size = length - name - 1;
            for (int v = key.low; v <= key.high; v++)
                if (std::strlen(key.words[v - key.low]) == size &&
                    std::strncmp(line + name + 1, key.words[v - key.low], size) == 0)
                    view->*key.field = v;
            return;
        }
        int64_t value = 0;
        for (size_t i = name + 1; i < length; i++) {
            if (line[i] < '0' || line[i] > '9') return;
            value = value * 10 + (line[i] - '0');
        }
        if (value >= key.low && value <= key.high) view->*key.field = int(value);
        return;
    }
}

int LoadViewSettings(ViewSettingsRecord* view) {
    const std::string path = ViewSettingsPath();
    const int fd = path.empty() ? -1 : OpenForReading(path.c_str(), nullptr);
    if (fd < 0) return 0;
    char text[VIEW_FILE_MAX];
    size_t got = 0;
    while (got < sizeof text) {
        const ssize_t n = read(fd, text + got, sizeof text - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += size_t(n);
    }
    close(fd);
    for (size_t start = 0, end = 0; start < got; start = end + 1) {
        for (end = start; end < got && text[end] != '\n';) end++;
        ReadViewLine(text + start, end - start, view);
    }
    return 1;
}

int SaveViewSettings(const ViewSettingsRecord& view) {
    const std::string path = ViewSettingsPath();
    if (path.empty()) return -1;
    char text[256];
    int n = 0;
    for (const ViewKey& key : VIEW_KEYS) // a value out of range (no collection: -1) is left out
        if (view.*key.field >= key.low && view.*key.field <= key.high && key.words)
            n += std::snprintf(text + n, sizeof text - size_t(n), "%s=%s\n", key.name,
                               key.words[view.*key.field - key.low]);
        else if (view.*key.field >= key.low && view.*key.field <= key.high)
            n += std::snprintf(text + n, sizeof text - size_t(n), "%s=%d\n", key.name,
                               view.*key.field);
    std::error_code error;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) return ReportSaveError(path.c_str(), error.value());
    return ReplaceFile(path.c_str(), reinterpret_cast<const uint8_t*>(text), n, FILE_MODE_PRIVATE);
}
