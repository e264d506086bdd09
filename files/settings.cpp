// The settings file: the whole game (Board, MoveHistory, MovePos, MoveEnd, MarkGrid and
// AnalysisOptions) in 603 little-endian, unaligned bytes, read at start-up and written at exit.
// Reading accepts any bytes: what comes back keeps the invariants every reader guarantees
// (cell bytes 0 or a digit 1..9, marks within 0x1FF, a history that can be replayed).
#include "files/settings.h"
#include "files/puzzlefile.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include <cerrno>
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
// A settings file that was there at start-up but could not be read: never written over.
static std::string Unreadable;

std::string SettingsPath() {
    if (Overridden) return PathOverride;
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the convention asks.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/quadrivo/quadrivo.ini";
    const char* home = std::getenv("HOME");
    if (home && home[0]) return std::string(home) + "/.config/quadrivo/quadrivo.ini";
    return ""; // nowhere to keep it: nothing is read or written
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
static void EncodeSettings(uint8_t* image) {
    std::memset(image, 0, SETTINGS_SIZE);
    image[0] = SETTINGS_VERSION;
    std::memcpy(image + OFFSET_BOARD, Board, 81);
    for (int i = 0; i < HISTORY_SLOTS; i++) Put16(image + OFFSET_HISTORY + 2 * i, MoveHistory[i]);
    Put16(image + OFFSET_MOVE_POS, unsigned(MovePos));
    Put16(image + OFFSET_MOVE_END, unsigned(MoveEnd));
    for (int i = 0; i < 81; i++) Put16(image + OFFSET_MARKS + 2 * i, MarkGrid[i]);
    uint32_t words[16];
    std::memcpy(words, &AnalysisOptions, sizeof words);
    for (int i = 0; i < 16; i++) Put32(image + OFFSET_OPTIONS + 4 * i, words[i]);
}

static void DecodeSettings(const uint8_t* image) {
    std::memcpy(Board, image + OFFSET_BOARD, 81);
    for (int i = 0; i < HISTORY_SLOTS; i++)
        MoveHistory[i] = MoveRecord(Get16(image + OFFSET_HISTORY + 2 * i));
    MovePos = int(Get16(image + OFFSET_MOVE_POS)); // widened without sign
    MoveEnd = int(Get16(image + OFFSET_MOVE_END));
    for (int i = 0; i < 81; i++) MarkGrid[i] = DigitMask(Get16(image + OFFSET_MARKS + 2 * i));
    uint32_t words[16];
    for (int i = 0; i < 16; i++) words[i] = Get32(image + OFFSET_OPTIONS + 4 * i);
    std::memcpy(&AnalysisOptions, words, sizeof words);
}

// Brings what a damaged or hand-edited file may hold into the ranges the program indexes with.
// Every file the program writes passes unchanged.
static void KeepStateInRange() {
    // A cell byte without a digit 1..9 in its low bits is an empty cell.
    for (uint8_t& cell : Board) {
        int d = cell & CELL_DIGIT;
        if (d == 0 || d > 9) cell = 0;
    }
    // Marks hold digits 1..9 only (0xFFFF stays free as the "nothing saved" sentinel).
    for (DigitMask& marks : MarkGrid) marks &= ALL_DIGITS;
    // setupMode decides what MovePos and MoveEnd mean, so every reader of it must agree: any
    // non-zero value is setup mode.
    AnalysisOptions.setupMode = AnalysisOptions.setupMode != 0;
    if (AnalysisOptions.setupMode) return; // they hold a collection position and count

    // Solving: 0 <= MovePos <= MoveEnd <= 81, and every record in use names a cell 0..80 and
    // a digit 1..9; other records are dropped and the position moves down with them.
    int end = MoveEnd < 81 ? MoveEnd : 81;
    int pos = MovePos < end ? MovePos : end;
    int kept = 0, keptApplied = 0;
    for (int j = 0; j < end; j++) {
        MoveRecord r = MoveHistory[j];
        int d = r & CELL_DIGIT;
        if ((r >> 8) > 80 || d == 0 || d > 9) continue;
        MoveHistory[kept++] = r;
        if (j < pos) keptApplied++;
    }
    MoveEnd = kept;
    MovePos = keptApplied;
}

// Reads the file: 1 when read, absent, or of another version (ignored); 0 when it is there but
// cannot be read (LastOpenError says why).
static int LoadSettings(const char* path) {
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
    EncodeSettings(image); // fields the file does not reach keep their present values
    std::memcpy(image, data, got);
    DecodeSettings(image);
    KeepStateInRange();

    LoadMarks(MARKS_AS_THEY_ARE);
    ChangePosition(POS_REFRESH, 0, 0);
    if (MovePos > 0) {
        // In setup mode MovePos is a collection position and may lie past the history.
        int cell = MovePos <= HISTORY_SLOTS ? MoveHistory[MovePos - 1] >> 8 : -1;
        ShowMoveText(MovePos - 1, cell);
    }
    ShellUpdateToggleButtons();
    return 1;
}

// Writes the file, creating its folder: 1, or 0 with LastSaveError set.
static int SaveSettings(const char* path) {
    uint8_t image[SETTINGS_SIZE];
    EncodeSettings(image);
    std::error_code error;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) return ReportSaveError(path, error.value());
    return ReplaceFile(path, image, SETTINGS_SIZE, FILE_MODE_PRIVATE);
}

int TransferSettings(int direction) {
    const std::string path = SettingsPath();
    if (path.empty()) return -1;
    if (direction == SETTINGS_LOAD) {
        const int read = LoadSettings(path.c_str());
        Unreadable = read ? "" : path;
        return read;
    }
    if (path == Unreadable) return -1; // a session there that could not be read is kept
    return SaveSettings(path.c_str());
}

void ResetSettingsModule() {
    PathOverride.clear();
    Overridden = false;
    Unreadable.clear();
}
